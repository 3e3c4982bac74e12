#pragma once
// Makes chosen interface calls of the simulated host fail, so that the
// exporter's failure paths run against the real boundary. Each operation is
// named as "Interface::Operation"; a switch armed for an operation lets a
// given number of its calls succeed and fails every later one, until the
// switch is cleared. Every call is counted, failed or not.
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class FailureSwitch {
 public:
  explicit FailureSwitch(std::vector<std::string> operations) : operations_(std::move(operations)) {}

  const std::vector<std::string>& Operations() const { return operations_; }
  bool Knows(std::string_view operation) const {
    return std::find(operations_.begin(), operations_.end(), operation) != operations_.end();
  }

  // Fails the operation's calls after `successes` more successful ones. False
  // for an operation this host does not have.
  bool Arm(std::string_view operation, std::int32_t successes) {
    if (!Knows(operation) || successes < 0) return false;
    armed_[std::string(operation)] = Arming{successes, 0};
    return true;
  }

  // Disarms every switch and forgets the counts.
  void Clear() {
    armed_.clear();
    calls_.clear();
  }

  // Counts one call of the operation; true when this call is to fail.
  bool Fails(const char* operation) {
    auto count = calls_.find(std::string_view(operation));
    if (count == calls_.end()) count = calls_.emplace(operation, 0).first;
    ++count->second;
    if (armed_.empty()) return false;
    auto it = armed_.find(std::string_view(operation));
    if (it == armed_.end()) return false;
    return ++it->second.seen > it->second.successes;
  }

  std::int32_t Calls(std::string_view operation) const {
    auto it = calls_.find(std::string(operation));
    return it == calls_.end() ? 0 : it->second;
  }

 private:
  struct Arming {
    std::int32_t successes;
    std::int32_t seen;
  };
  std::vector<std::string> operations_;
  std::map<std::string, Arming, std::less<>> armed_;
  std::map<std::string, std::int32_t, std::less<>> calls_;
};

}  // namespace sim
