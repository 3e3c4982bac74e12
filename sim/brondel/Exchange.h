#pragma once
// One query of the host in either direction. In query mode (1) the host
// writes each of its values through the caller's pointer; in set mode (0) it
// takes the pointed-to values. Values the board models go to and from their
// model fields; values the host only keeps go to and from a byte record of the
// object, in the order the query passes them. A null pointer skips its value.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "host/PcbApi.h"
#include "sim/board/Board.h"
#include "sim/brondel/HostState.h"
#include "sim/common/Unaligned.h"

namespace sim {

// Writes a text through a counted-string pointer. The host writes at most the
// pointer type's capacity, except with hostile strings on (Sim_SetHostile-
// Strings): then it writes the text filled up to 255 characters through any
// text pointer, as a host may that takes every text buffer for 256 bytes.
template <std::size_t N>
void AssignText(TCountedString<N>* p, const std::string& text) {
  if (!State().hostileStrings) {
    p->Assign(text);
    return;
  }
  std::string full = text.substr(0, TShortString::kCapacity);
  full.resize(TShortString::kCapacity, '~');
  auto* bytes = reinterpret_cast<std::uint8_t*>(p);
  bytes[0] = static_cast<std::uint8_t>(full.size());
  std::memcpy(bytes + 1, full.data(), full.size());
}

class Exchange {
 public:
  Exchange(TMode mode, Record& record) : set_(mode == 0), record_(&record) { MarkChanged(); }
  // A query whose values all have model fields: nothing is kept aside.
  explicit Exchange(TMode mode) : set_(mode == 0), record_(&unused_) { MarkChanged(); }
  // With hostile strings on, the texts are written last, each filled up to
  // 255 characters: what a pointer of smaller capacity would overrun then
  // stays overrun.
  ~Exchange() {
    for (auto& [p, text] : hostile_) AssignText(p, text);
  }
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;
  bool Setting() const { return set_; }

  template <typename T>
  Exchange& Field(T* p, T& model) {
    if (p != nullptr) {
      if (set_)
        model = LoadFrom(p);
      else
        StoreTo(p, model);
    }
    return *this;
  }
  // A value whose model field has another width or signedness.
  template <typename T, typename M>
  Exchange& Cast(T* p, M& model) {
    if (p != nullptr) {
      if (set_)
        model = static_cast<M>(LoadFrom(p));
      else
        StoreTo(p, model);
    }
    return *this;
  }
  template <std::size_t N>
  Exchange& Text(TCountedString<N>* p, std::string& model) {
    if (p != nullptr) {
      if (set_)
        model = p->str();
      else if (State().hostileStrings)
        hostile_.emplace_back(reinterpret_cast<TShortString*>(p), model);
      else
        p->Assign(model);
    }
    return *this;
  }
  // A text the host keeps without a model field.
  Exchange& Keep(TShortString* p) {
    if (p != nullptr && !set_ && State().hostileStrings) {
      TShortString kept;
      Bytes(&kept, sizeof kept);
      hostile_.emplace_back(p, kept.str());
      return *this;
    }
    return Bytes(p, sizeof(TShortString));
  }
  // A value the host keeps without a model field.
  template <typename T>
  Exchange& Keep(T* p) {
    return Bytes(p, sizeof(T));
  }
  Exchange& Bytes(void* p, std::size_t n) {
    const std::size_t at = offset_;
    offset_ += n;
    if (p == nullptr) return *this;
    if (set_) {
      if (record_->size() < offset_) record_->resize(offset_);
      std::memcpy(record_->data() + at, p, n);
    } else {
      const std::size_t have = record_->size() > at ? std::min(n, record_->size() - at) : 0;
      if (have > 0) std::memcpy(p, record_->data() + at, have);
      std::memset(static_cast<std::uint8_t*>(p) + have, 0, n - have);
    }
    return *this;
  }

 private:
  // A set-mode query may move an object to another layer or change the
  // stack: the board's index by layer is built again.
  void MarkChanged() const {
    if (!set_) return;
    if (Board* b = CurrentBoard()) b->Changed();
  }

  bool set_;
  Record unused_;
  Record* record_;
  std::size_t offset_ = 0;
  std::vector<std::pair<TShortString*, std::string>> hostile_;
};

// The record under a key: in set mode created when missing; in query mode an
// empty one when missing (it is never written to then).
inline Record& RecordFor(std::map<std::uint32_t, Record>& records, std::uint32_t key, TMode mode) {
  if (mode == 0) return records[key];
  auto it = records.find(key);
  static Record none;
  return it != records.end() ? it->second : none;
}

}  // namespace sim
