// The earlier implementation of the HYP number formats, unchanged apart from
// its namespace and the rounding helper that came from support/Rt_Util.
#include "NumberFormatReference.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <string_view>

namespace reference {

namespace {

constexpr std::size_t kMaxText = 255;
constexpr int kMaxDecimals = 17;

double RoundHalfEven(double v) {
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(v);
  std::fesetround(saved);
  return r;
}

double RoundToMicroMil(double v) {
  const double t = std::trunc(v);
  double f = v - t;
  f = RoundHalfEven(f * 1000.0) / 1000.0;
  return t + f;
}

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

}  // namespace

std::string FormatFixed(double value, int decimals) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;
  std::string text = value < 0 ? "-" : "";
  text += RoundHalfAwayText(RoundToSignificantText(std::fabs(value)), static_cast<std::size_t>(decimals));
  if (text.size() > kMaxText) text.resize(kMaxText);
  return text;
}

std::string FormatLength(std::int32_t value) {
  const double mils = RoundToMicroMil(static_cast<double>(value) / 10000.0);
  return FormatFixed(mils / 1000.0, 4);
}

std::string FormatReal3(double value) {
  if (value == 0.0) return "0";
  return FormatFixed(value, 3);
}

std::string FormatReal4(double value) { return FormatFixed(value, 4); }

double HostUnitsToMils(std::int32_t value) { return RoundToMicroMil(static_cast<double>(value) / 10000.0); }

}  // namespace reference
