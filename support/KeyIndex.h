#pragma once
// A map from 32-bit keys (host handles) to 32-bit values, held in one array of
// key-value pairs (open addressing, linear probing, at most half the slots in
// use): about 16 bytes an entry, where a node-based map takes about 48, and
// one memory access per lookup. The padstack table keeps one entry for every
// pad and via of the board in it.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class TKeyIndex {
 public:
  // Adds key -> value unless the key is present; the first value stays.
  // False when the key was present.
  bool Emplace(std::int32_t key, std::uint32_t value) {
    if (key == kEmpty) {
      if (hasEmptyKey_) return false;
      hasEmptyKey_ = true;
      emptyKeyValue_ = value;
      ++size_;
      return true;
    }
    if (2 * (size_ + 1) > slots_.size()) Grow();
    TSlot& slot = slots_[SlotOf(key)];
    if (slot.first == key) return false;
    slot = {key, value};
    ++size_;
    return true;
  }

  // The value of a key, or nullptr.
  const std::uint32_t* Find(std::int32_t key) const {
    if (key == kEmpty) return hasEmptyKey_ ? &emptyKeyValue_ : nullptr;
    if (slots_.empty()) return nullptr;
    const TSlot& slot = slots_[SlotOf(key)];
    return slot.first == key ? &slot.second : nullptr;
  }

  std::size_t Size() const { return size_; }

 private:
  using TSlot = std::pair<std::int32_t, std::uint32_t>;
  static constexpr std::int32_t kEmpty = 0;  // the key a free slot holds

  // The slot holding the key, or the free slot where it would go. Multiplying
  // by the golden ratio spreads keys that share their low bits (aligned
  // addresses) and runs of consecutive ones alike.
  std::size_t SlotOf(std::int32_t key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = (static_cast<std::uint32_t>(key) * 0x9E3779B1u) >> (32 - bits_);
    while (slots_[i].first != kEmpty && slots_[i].first != key) i = (i + 1) & mask;
    return i;
  }

  void Grow() {
    std::vector<TSlot> old = std::move(slots_);
    bits_ = old.empty() ? 4 : bits_ + 1;
    slots_.assign(std::size_t{1} << bits_, TSlot{kEmpty, 0});
    for (const TSlot& slot : old)
      if (slot.first != kEmpty) slots_[SlotOf(slot.first)] = slot;
  }

  std::vector<TSlot> slots_;
  unsigned bits_ = 0;
  std::size_t size_ = 0;
  bool hasEmptyKey_ = false;
  std::uint32_t emptyKeyValue_ = 0;
};
