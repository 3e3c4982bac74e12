#include "hyp/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "hyp/HypText.h"

namespace {

constexpr int kMaxDecimals = 17;

// A non-negative decimal number as digit text: the digits of its whole part
// (at least one) and of its fraction (possibly none).
struct TDecimalText {
  std::string whole;
  std::string fraction;
};

// Rounding step 1 for a finite magnitude >= 0: to nearest at 17 decimal
// places below 10, at 18 significant digits from 10 on. std::to_chars with a
// precision rounds the exact binary value correctly and never looks at the
// locale. (An exact tie at this position cannot change step 2: it matters
// only after ...4999...9|5, where both usual tie rules round up.)
TDecimalText RoundToSignificantText(double magnitude) {
  char buf[64];
  TDecimalText out;
  if (magnitude < 10.0) {
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, kMaxDecimals);
    const std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    const std::size_t dot = text.find('.');
    out.whole = std::string(text.substr(0, dot));
    if (dot != std::string_view::npos) out.fraction = std::string(text.substr(dot + 1));
    return out;
  }
  // "d.ddddddddddddddddde+XX": 18 significant digits and a decimal exponent
  // of at least 1.
  const auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, kMaxDecimals);
  const std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
  const std::size_t e = text.find('e');
  std::string digits(1, text[0]);
  digits.append(text.substr(2, e - 2));
  std::size_t expStart = e + 1;
  if (text[expStart] == '+') ++expStart;
  int exponent = 0;
  std::from_chars(text.data() + expStart, text.data() + text.size(), exponent);
  const std::size_t wholeDigits = static_cast<std::size_t>(exponent) + 1;
  if (wholeDigits >= digits.size()) {
    out.whole = digits + std::string(wholeDigits - digits.size(), '0');
  } else {
    out.whole = digits.substr(0, wholeDigits);
    out.fraction = digits.substr(wholeDigits);
  }
  return out;
}

// Rounding step 2: half away from zero at `decimals` places, applied to the
// magnitude. The digits behind the cut are those of step 1, so a 5 in the
// first of them means "at least half".
std::string RoundHalfAwayText(TDecimalText d, std::size_t decimals) {
  if (d.fraction.size() < decimals + 1) d.fraction.resize(decimals + 1, '0');
  const bool up = d.fraction[decimals] >= '5';
  std::string digits = d.whole + d.fraction.substr(0, decimals);
  if (up) {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0)
      digits.insert(digits.begin(), '1');
    else
      ++digits[i - 1];
  }
  const std::size_t wholeDigits = digits.size() - decimals;
  if (decimals == 0) return digits;
  return digits.substr(0, wholeDigits) + "." + digits.substr(wholeDigits);
}

// The fast path. Most numbers are decided by the scaled magnitude alone:
// when magnitude * 10^decimals is clearly away from a half, both rounding
// steps give its nearest integer and the digits come from integer
// arithmetic. Only a value near a half needs the digits of the exact binary
// value (the slow path above). Neither path touches the floating-point
// environment: the rounding mode is never read or switched.

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// Up to this magnitude (and 9 decimals) the scaled value stays below 2^53,
// where floor and the fraction are exact.
constexpr double kFastLimit = 1e6;
constexpr int kFastMaxDecimals = 9;

// Writes the digits of `units` (a whole number of 10^-decimals) backwards
// before `p`, with the decimal point; returns the first character.
template <typename TUnsigned>
char* PutFixedDigits(char* p, TUnsigned units, int decimals) {
  for (int i = 0; i < decimals; ++i) {
    *--p = static_cast<char>('0' + units % 10);
    units /= 10;
  }
  if (decimals > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + units % 10);
    units /= 10;
  } while (units != 0);
  return p;
}

// The fixed text of `units` (a whole number of 10^-decimals) with the sign.
// Values that fit in 32 bits take 32-bit arithmetic: a 32-bit build divides
// 64-bit numbers in a library call, one per digit.
std::string FixedText(bool negative, std::uint64_t units, int decimals) {
  char buf[48];
  char* end = buf + sizeof buf;
  char* p = units <= 0xFFFFFFFFu ? PutFixedDigits(end, static_cast<std::uint32_t>(units), decimals)
                                 : PutFixedDigits(end, units, decimals);
  if (negative) *--p = '-';
  return std::string(p, static_cast<std::size_t>(end - p));
}

// The text by the fast path, or false when the value lies too near a half
// (or is too large) to decide without its exact digits.
bool TryFixedFast(double value, int decimals, std::string& text) {
  const double magnitude = std::fabs(value);
  if (!(magnitude < kFastLimit) || decimals > kFastMaxDecimals) return false;
  // The product is off the exact scaled value by at most one unit in its
  // last place (whatever the rounding mode), and step 1 moves the value by
  // at most half a unit at the 17th decimal (below 10) or at the 18th digit
  // (from 10 on). The margin covers both with room to spare.
  const double scaled = magnitude * kPowersOfTen[decimals];
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;  // exact below 2^53
  const double margin = scaled * 1e-14 + kPowersOfTen[decimals] * 1e-17;
  if (std::fabs(fraction - 0.5) <= margin) return false;
  const std::uint64_t units = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  text = FixedText(value < 0, units, decimals);
  return true;
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;
  std::string text;
  if (TryFixedFast(value, decimals, text)) return text;
  if (value < 0) text = "-";
  text += RoundHalfAwayText(RoundToSignificantText(std::fabs(value)), static_cast<std::size_t>(decimals));
  if (text.size() > kHypRecordCapacity) text.resize(kHypRecordCapacity);
  return text;
}

namespace {

// A length's magnitude in host units in 0.001 mil (1e-6 inch), rounded as
// FormatLength prints it. TUnsigned is uint32_t for magnitudes below 2^32
// (where the length in 0.001 mil, at most 429,496,730, fits too) and
// uint64_t beyond: a 32-bit build divides 64-bit numbers in a library call,
// one per digit.
template <typename TUnsigned>
TUnsigned MicroInches(TUnsigned magnitude) {
  // In whole numbers: the magnitude is `whole` mils and `rest` 1/10000 mil.
  const TUnsigned whole = magnitude / 10000;
  const TUnsigned rest = magnitude % 10000;
  // The fraction to 0.001 mil, ties to even. A tie in host units (rest ends
  // in 5) is a tie only if the double fraction * 1000 lands on it: decide
  // with the same double arithmetic as the conversion to mils.
  TUnsigned thousandths = rest / 10;
  const TUnsigned lastDigit = rest % 10;
  if (lastDigit > 5) {
    ++thousandths;
  } else if (lastDigit == 5) {
    const double mils = static_cast<double>(magnitude) / 10000.0;
    const double product = (mils - std::trunc(mils)) * 1000.0;
    const double half = static_cast<double>(thousandths) + 0.5;
    if (product > half || (product == half && (thousandths & 1u) != 0)) ++thousandths;
  }
  return whole * 1000 + thousandths;
}

// An exact half at the fourth decimal (micro ends in 50): whether the inches
// in double precision come out just below or above it decides, as in the
// general path.
template <typename TUnsigned>
std::string HalfLengthText(bool printNegative, TUnsigned micro) {
  const TUnsigned whole = micro / 1000;
  const TUnsigned thousandths = micro % 1000;
  const double mils = static_cast<double>(whole) + static_cast<double>(thousandths) / 1000.0;
  const double inches = mils / 1000.0;
  return FormatFixed(printNegative ? -inches : inches, 4);
}

template <typename TUnsigned>
std::string FormatLengthMagnitude(bool negative, TUnsigned magnitude) {
  const TUnsigned micro = MicroInches(magnitude);
  // A length that rounds to zero mils is not negative (it is -0.0 in the
  // conversion).
  const bool printNegative = negative && micro != 0;
  const TUnsigned units = micro / 100;  // 1e-4 inch
  const TUnsigned below = micro % 100;
  if (below != 50) return FixedText(printNegative, units + (below > 50 ? 1u : 0u), 4);
  return HalfLengthText(printNegative, micro);
}

template <typename TUnsigned>
TLengthUnits LengthUnitsOfMagnitude(bool negative, TUnsigned magnitude) {
  const TUnsigned micro = MicroInches(magnitude);
  const bool printNegative = negative && micro != 0;
  const TUnsigned below = micro % 100;
  if (below != 50) return {printNegative, micro / 100 + (below > 50 ? 1u : 0u)};
  // Rare: the digits of the text.
  std::uint64_t units = 0;
  for (const char c : HalfLengthText(printNegative, micro))
    if (c >= '0' && c <= '9') units = units * 10 + static_cast<std::uint64_t>(c - '0');
  return {printNegative, units};
}

std::uint64_t Magnitude(std::int64_t value) {
  return value < 0 ? 0u - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

}  // namespace

std::string FormatLength(std::int64_t value) {
  const bool negative = value < 0;
  const std::uint64_t magnitude = Magnitude(value);
  if (magnitude <= 0xFFFFFFFFu) return FormatLengthMagnitude(negative, static_cast<std::uint32_t>(magnitude));
  return FormatLengthMagnitude(negative, magnitude);
}

TLengthUnits LengthUnits(std::int64_t value) {
  const bool negative = value < 0;
  const std::uint64_t magnitude = Magnitude(value);
  if (magnitude <= 0xFFFFFFFFu) return LengthUnitsOfMagnitude(negative, static_cast<std::uint32_t>(magnitude));
  return LengthUnitsOfMagnitude(negative, magnitude);
}

std::string LengthUnitsText(TLengthUnits length) { return FixedText(length.negative, length.units, 4); }

std::string FormatReal3(double value) {
  if (value == 0.0) return "0";
  return FormatFixed(value, 3);
}

std::string FormatReal4(double value) { return FormatFixed(value, 4); }
