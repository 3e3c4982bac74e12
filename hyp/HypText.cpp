#include "hyp/HypText.h"

#include <algorithm>
#include <cstddef>

namespace {

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

// The letters that a reader takes as the scale of a number written with a
// unit ("10k", "4.7M", "2.2u", "1.0nH", "1.5mil"): the decimal prefixes from
// yocto to yotta, some of them in either case.
bool IsScaleLetter(char c) {
  switch (c) {
    case 'Y':
    case 'Z':
    case 'E':
    case 'P':
    case 'T':
    case 'G':
    case 'M':
    case 'K':
    case 'k':
    case 'm':
    case 'u':
    case 'U':
    case 'n':
    case 'N':
    case 'p':
    case 'f':
    case 'F':
    case 'a':
    case 'z':
    case 'y':
      return true;
    default:
      return false;
  }
}

// Whether a reader could scan the text, or its beginning, as a number: the
// whole text is a number with a point or an exponent (a sign, digits with
// an optional point and fraction or a point and digits, an optional
// exponent: "1.5", "1.", "-.5", "2e3"), or the text begins with a number
// followed by a scale letter, the form of a number with a unit ("10k",
// "4.7M", "2.2u", "1.0nH", "1.5mil", "1.a"). A whole number alone is left
// bare: every field that holds a name reads it as a name, and padstack
// names are whole numbers; a pin reference, the one value read in a
// number's place, always holds a point.
// The end of the run of digits at `i`; adds their count to `digits`.
std::size_t SkipDigits(std::string_view text, std::size_t i, std::size_t& digits) {
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  return i;
}

// The end of an exponent at `i` ("e", optional sign, digits), or `i` when
// none stands there.
std::size_t SkipExponent(std::string_view text, std::size_t i) {
  if (i >= text.size() || (text[i] != 'e' && text[i] != 'E')) return i;
  std::size_t j = i + 1;
  if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
  std::size_t digits = 0;
  j = SkipDigits(text, j, digits);
  return digits > 0 ? j : i;
}

bool ReadsAsNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  i = SkipDigits(text, i, digits);
  const bool point = i < text.size() && text[i] == '.';
  if (point) i = SkipDigits(text, i + 1, digits);
  if (digits == 0) return false;
  const std::size_t end = SkipExponent(text, i);
  if (end < text.size() && IsScaleLetter(text[end])) return true;
  return end == text.size() && (point || end > i);
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
  return ReadsAsNumber(text);
}

std::string HypValue(std::string_view text) {
  std::string value = HypLineText(text);
  if (!HypValueNeedsQuotes(value)) return value;
  return "\"" + value + "\"";
}

std::string CutFragment(std::string_view fragment) {
  if (fragment.size() <= kHypRecordCapacity) return std::string(fragment);
  std::string kept(fragment.substr(0, kHypRecordCapacity));
  // An odd number of quotes means the last one opened a value that the cut
  // took the end of.
  std::size_t quotes = 0;
  std::size_t lastQuote = 0;
  for (std::size_t i = 0; i < kept.size(); ++i)
    if (kept[i] == '"') ++quotes, lastQuote = i;
  if (quotes % 2 == 0) return kept;
  if (lastQuote + 1 == kHypRecordCapacity) {
    kept.pop_back();  // no room for any of the value
  } else {
    kept.back() = '"';
  }
  return kept;
}

std::size_t HypValueSize(std::string_view name) { return name.size() + (HypValueNeedsQuotes(name) ? 2 : 0); }

std::string FitName(std::string name, std::size_t capacity) {
  if (HypValueSize(name) <= capacity) return name;
  // Shortening can change whether the name needs quotes ("abcd e" needs
  // them, "abcd" does not; "1.5x" needs none, "1.5" does), so each length is
  // measured. No beginning longer than `capacity` fits, and every one two
  // shorter does: the longest that fits is among the first three tried.
  const std::string_view text(name);
  std::size_t size = std::min(name.size(), capacity);
  while (size > 0 && HypValueSize(text.substr(0, size)) > capacity) --size;
  name.resize(size);
  return name;
}

std::string ShownName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(name.size());
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\t') {
      shown += "\\t";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (u < 32 || u == 127) {
      shown += "\\x";
      shown += kHex[u >> 4];
      shown += kHex[u & 15];
    } else {
      shown += c;
    }
  }
  return shown;
}

std::size_t THypNameSpace::Size(std::string_view name) const { return FPlainSize ? name.size() : HypValueSize(name); }

std::string THypNameSpace::Fit(std::string name, std::size_t capacity) const {
  if (!FPlainSize) return FitName(std::move(name), capacity);
  if (name.size() > capacity) name.resize(capacity);
  return name;
}

std::string THypNameSpace::TakeWithSuffix(const std::string& base, std::size_t capacity) {
  for (unsigned n = 2;; ++n) {
    const std::string suffix = "_" + std::to_string(n);
    std::string kept = base;
    std::string candidate = kept + suffix;
    while (!kept.empty() && Size(candidate) > capacity) {
      kept.pop_back();
      candidate = kept + suffix;
    }
    if (FTaken.insert(candidate).second) return candidate;
  }
}

std::string THypNameSpace::Claim(std::string name, std::size_t capacity) {
  std::string written = Fit(std::move(name), capacity);
  if (FTaken.insert(written).second) return written;
  return TakeWithSuffix(written, capacity);
}

std::vector<THypGivenName> THypNameSpace::ClaimAll(const std::vector<THypNameRequest>& requests) {
  std::vector<THypGivenName> given(requests.size());
  std::vector<bool> done(requests.size(), false);
  for (std::size_t i = 0; i < requests.size(); ++i) {
    given[i].written = Fit(requests[i].cleaned, requests[i].capacity);
    given[i].shortened = given[i].written.size() < requests[i].cleaned.size();
  }
  // Names as the design holds them first, then the changed ones, each
  // where its name is still free.
  for (const bool asDesigned : {true, false})
    for (std::size_t i = 0; i < requests.size(); ++i)
      if (!done[i] && (given[i].written == requests[i].design) == asDesigned)
        done[i] = FTaken.insert(given[i].written).second;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    if (done[i]) continue;
    given[i].written = TakeWithSuffix(given[i].written, requests[i].capacity);
    given[i].suffixed = true;
  }
  return given;
}
