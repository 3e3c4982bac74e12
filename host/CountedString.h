#pragma once
// Counted strings: a length byte followed by up to Capacity single-byte
// characters and no terminator. Every text that crosses the host boundary is
// one of these. Assignment cuts a longer text after the last character that
// fits; nothing ever writes past the capacity, and a length byte above the
// capacity (written by a misbehaving host) is read as the capacity.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#pragma pack(push, 1)
template <std::size_t Capacity>
struct TCountedString {
  static_assert(Capacity >= 1 && Capacity <= 255, "a counted string holds at most 255 characters");
  static constexpr std::size_t kCapacity = Capacity;

  std::uint8_t Length = 0;
  char Chars[Capacity] = {};

  TCountedString() = default;
  TCountedString(std::string_view text) { Assign(text); }  // NOLINT: implicit by design

  void Assign(std::string_view text) {
    const std::size_t n = text.size() < Capacity ? text.size() : Capacity;
    if (n > 0) std::memcpy(Chars, text.data(), n);
    Length = static_cast<std::uint8_t>(n);
  }
  std::size_t size() const { return Length < Capacity ? Length : Capacity; }
  bool empty() const { return size() == 0; }
  std::string_view view() const { return std::string_view(Chars, size()); }
  std::string str() const { return std::string(view()); }
  void Clear() { Length = 0; }
};
#pragma pack(pop)

// The common 256-byte form (length byte and 255 characters). Its capacity
// is a rule of the host boundary, set by the length byte. A HYP record holds
// as many characters (kHypRecordCapacity in hyp/HypText.h), but that is a
// rule of the file the library writes and is kept apart from this one:
// changing either leaves the other as it is.
using TShortString = TCountedString<255>;
static_assert(sizeof(TShortString) == 256, "a short string is exactly 256 bytes");
static_assert(sizeof(TCountedString<20>) == 21, "counted strings are packed");

// Cuts a text to the 255 characters that a short string holds.
inline std::string CutTo255(std::string_view text) {
  return std::string(text.substr(0, text.size() < 255 ? text.size() : 255));
}

// The 256-byte buffer through which a counted-string field of smaller
// capacity is exchanged with the host. The host may write 255 characters
// through any text pointer it is given, so a field such as a pad's 21-byte
// name is never handed over itself: the buffer starts with the field's text,
// its address goes to the host, and CopyBack() puts at most the field's
// capacity back into the field.
template <std::size_t Capacity>
class TShortStringExchange {
 public:
  explicit TShortStringExchange(TCountedString<Capacity>& field) : field_(field), buffer_(field.view()) {}
  TShortStringExchange(const TShortStringExchange&) = delete;
  TShortStringExchange& operator=(const TShortStringExchange&) = delete;

  TShortString* get() { return &buffer_; }
  void CopyBack() { field_.Assign(buffer_.view()); }

 private:
  TCountedString<Capacity>& field_;
  TShortString buffer_;
};
