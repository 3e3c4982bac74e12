#include "hyp/HypText.h"

#include <cstddef>

namespace {

constexpr std::size_t kFragmentCapacity = 255;

bool IsUnwritable(unsigned char c) { return c < 32 || c == 127 || c == '"'; }

// Characters that end a bare word: blanks and the format's punctuation.
bool EndsBareWord(char c) {
  switch (c) {
    case ' ':
    case '{':
    case '}':
    case '(':
    case ')':
    case '=':
    case ',':
      return true;
    default:
      return false;
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the whole text reads as a number with a decimal point or an
// exponent: [+-] then digits with an optional point and fraction, or a point
// and digits, then an optional exponent. Readers scan such a text as a
// number wherever they accept one (a pin reference such as 1.5), so it is
// quoted. Whole numbers are left bare: every field that holds a name reads
// them as names, and padstack names are whole numbers.
bool ReadsAsDecimalNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  bool point = false;
  if (i < text.size() && text[i] == '.') {
    point = true;
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  bool exponent = false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const std::size_t first = j;
    while (j < text.size() && IsDigit(text[j])) ++j;
    if (j > first) {
      exponent = true;
      i = j;
    }
  }
  return i == text.size() && (point || exponent);
}

}  // namespace

std::string HypLineText(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (IsUnwritable(static_cast<unsigned char>(c))) c = kHypReplacementChar;
  return out;
}

bool HypValueNeedsQuotes(std::string_view text) {
  if (text.empty()) return true;
  for (char c : text)
    if (EndsBareWord(c)) return true;
  return ReadsAsDecimalNumber(text);
}

std::string HypValue(std::string_view text) {
  std::string value = HypLineText(text);
  if (!HypValueNeedsQuotes(value)) return value;
  return "\"" + value + "\"";
}

std::string CutFragment(std::string_view fragment) {
  if (fragment.size() <= kFragmentCapacity) return std::string(fragment);
  std::string kept(fragment.substr(0, kFragmentCapacity));
  // An odd number of quotes means the last one opened a value that the cut
  // took the end of.
  std::size_t quotes = 0;
  std::size_t lastQuote = 0;
  for (std::size_t i = 0; i < kept.size(); ++i)
    if (kept[i] == '"') ++quotes, lastQuote = i;
  if (quotes % 2 == 0) return kept;
  if (lastQuote + 1 == kFragmentCapacity) {
    kept.pop_back();  // no room for any of the value
  } else {
    kept.back() = '"';
  }
  return kept;
}
