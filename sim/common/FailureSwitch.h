#pragma once
// Makes chosen interface calls of the simulated host fail, so that the
// exporter's failure paths run against the real boundary. Each operation is
// named as "Interface::Operation"; a switch armed for an operation lets a
// given number of its calls succeed and fails every later one, until the
// switch is cleared. Every call is counted, failed or not.
//
// The switch sits in front of every call the exporter makes, so a call that
// nothing is armed for must cost next to nothing: each operation has a number
// (its place in the list given at construction), the counts and the armings
// are arrays indexed by it, and with nothing armed a call only adds one to its
// count. Callers pass the number: an interface operation's place in its
// module's part of host/HostOperations.inc (sim/common/OperationCalls.h), an
// entry point's after them.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sim {

class FailureSwitch {
 public:
  explicit FailureSwitch(std::vector<std::string> operations)
      : operations_(std::move(operations)), calls_(operations_.size(), 0), armed_(operations_.size()) {
    for (std::size_t i = 0; i < operations_.size(); ++i) byName_.emplace(operations_[i], static_cast<int>(i));
  }
  // The name index holds views of the names.
  FailureSwitch(const FailureSwitch&) = delete;
  FailureSwitch& operator=(const FailureSwitch&) = delete;

  const std::vector<std::string>& Operations() const { return operations_; }
  // The operation's number, or -1 for an operation this host does not have.
  int Id(std::string_view operation) const {
    auto it = byName_.find(operation);
    return it == byName_.end() ? -1 : it->second;
  }
  bool Knows(std::string_view operation) const { return Id(operation) >= 0; }

  // Fails the operation's calls after `successes` more successful ones. False
  // for an operation this host does not have.
  bool Arm(std::string_view operation, std::int32_t successes) {
    const int id = Id(operation);
    if (id < 0 || successes < 0) return false;
    Arming& a = armed_[static_cast<std::size_t>(id)];
    if (!a.armed) ++armedCount_;
    a = Arming{true, successes, 0};
    return true;
  }

  // Disarms every switch and forgets the counts.
  void Clear() {
    std::fill(calls_.begin(), calls_.end(), 0);
    std::fill(armed_.begin(), armed_.end(), Arming{});
    armedCount_ = 0;
  }

  // Counts one call of the operation numbered `id`; true when this call is
  // to fail.
  bool Fails(int id) {
    const auto index = static_cast<std::size_t>(id);
    ++calls_[index];
    if (armedCount_ == 0) return false;
    Arming& a = armed_[index];
    return a.armed && ++a.seen > a.successes;
  }

  std::int32_t Calls(std::string_view operation) const {
    const int id = Id(operation);
    return id < 0 ? 0 : calls_[static_cast<std::size_t>(id)];
  }
  const std::string& Name(int id) const { return operations_[static_cast<std::size_t>(id)]; }

 private:
  struct Arming {
    bool armed = false;
    std::int32_t successes = 0;
    std::int32_t seen = 0;
  };
  std::vector<std::string> operations_;
  std::unordered_map<std::string_view, int> byName_;  // views of operations_
  std::vector<std::int32_t> calls_;
  std::vector<Arming> armed_;
  int armedCount_ = 0;
};

}  // namespace sim
