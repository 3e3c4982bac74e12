#pragma once
// The host's three forms of text: single-byte text (ISO-8859-1) in the board
// and in counted strings, NUL-terminated UTF-16 in the object interfaces, and
// UTF-8 towards the person running the simulated host.
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

inline std::u16string WidenHostText(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

// Copies text into a caller's buffer of `capacity` UTF-16 units, cut so that
// the terminating NUL always fits. False when there is no room even for it.
inline bool CopyToWideBuffer(std::u16string_view text, char16_t* buffer, std::int32_t capacity) {
  if (buffer == nullptr || capacity < 1) return false;
  const std::size_t n =
      text.size() < static_cast<std::size_t>(capacity - 1) ? text.size() : static_cast<std::size_t>(capacity - 1);
  for (std::size_t i = 0; i < n; ++i) buffer[i] = text[i];
  buffer[n] = 0;
  return true;
}

// A NUL-terminated UTF-16 text; empty for nullptr. Reads at most `limit`
// units, so that a missing terminator cannot run away.
inline std::u16string ReadWide(const char16_t* text, std::size_t limit = 1u << 20) {
  std::u16string out;
  if (text == nullptr) return out;
  for (std::size_t i = 0; i < limit && text[i] != 0; ++i) out += text[i];
  return out;
}

inline std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

inline std::string HostTextToUtf8(std::string_view text) { return WideToUtf8(WidenHostText(text)); }

// Copies text into a caller's byte buffer as a NUL-terminated text, cut to
// fit; returns the length of the whole text, so that a caller can tell that
// it was cut.
inline std::int32_t CopyToBuffer(std::string_view text, char* buffer, std::int32_t capacity) {
  if (buffer != nullptr && capacity > 0) {
    const std::size_t n =
        text.size() < static_cast<std::size_t>(capacity - 1) ? text.size() : static_cast<std::size_t>(capacity - 1);
    for (std::size_t i = 0; i < n; ++i) buffer[i] = text[i];
    buffer[n] = '\0';
  }
  return static_cast<std::int32_t>(text.size());
}

}  // namespace sim
