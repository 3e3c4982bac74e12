#include "sim/board/Units.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace sim {
namespace {

// Host units per unit as the fraction num / den (1 in = 25.4 mm = 1000 mil =
// 10^7 host units).
struct Unit {
  const char* name;
  long double num;
  long double den;
};

constexpr Unit kUnits[] = {
    {"mil", 10000, 1},     {"mils", 10000, 1},     {"thou", 10000, 1},  {"in", 10000000, 1},
    {"inch", 10000000, 1}, {"mm", 100000000, 254}, {"um", 100000, 254}, {"cm", 1000000000, 254},
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// A decimal number without exponent: sign, digits, optional fraction. Its
// magnitude is mantissa / 10^decimals; the mantissa is exact up to 19 digits.
struct Decimal {
  bool negative = false;
  long double mantissa = 0;
  long double divisor = 1;
  bool hasFraction = false;
  std::size_t length = 0;  // characters used
};

std::optional<Decimal> ReadDecimal(std::string_view s) {
  Decimal d;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
  std::size_t digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
    d.mantissa = d.mantissa * 10 + (s[i++] - '0');
    ++digits;
  }
  if (i < s.size() && s[i] == '.') {
    d.hasFraction = true;
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
      d.mantissa = d.mantissa * 10 + (s[i++] - '0');
      d.divisor *= 10;
      ++digits;
    }
  }
  if (digits == 0) return std::nullopt;
  d.length = i;
  return d;
}

}  // namespace

LengthReading ParseLength(std::string_view text) {
  LengthReading r;
  const std::string_view s = Trim(text);
  const std::optional<Decimal> number = ReadDecimal(s);
  if (!number) {
    r.error = "\"" + std::string(text) + "\" is not a length (write e.g. \"10mil\", \"0.254mm\", \"0.1in\")";
    return r;
  }
  const std::string_view unitText = Trim(s.substr(number->length));
  long double num = 1, den = 1;  // no unit: host units
  if (unitText.empty()) {
    if (number->hasFraction) {
      r.error = "\"" + std::string(text) +
                "\" has no unit; a number without a unit counts host units (1/10000 mil) and must be whole";
      return r;
    }
  } else {
    const Unit* unit = nullptr;
    for (const Unit& u : kUnits)
      if (EqualsIgnoreCase(unitText, u.name)) unit = &u;
    if (unit == nullptr) {
      r.error = "unknown unit \"" + std::string(unitText) + "\" in \"" + std::string(text) +
                "\" (use mil, in, mm, um or cm, or no unit for host units)";
      return r;
    }
    num = unit->num;
    den = unit->den;
  }
  const long double hostUnits = std::floor(number->mantissa * num / (number->divisor * den) + 0.5L);
  const long double limit = number->negative ? 2147483648.0L : 2147483647.0L;
  if (!(hostUnits <= limit)) {
    r.error = "\"" + std::string(text) + "\" is too large (the host holds lengths up to 214748 mil)";
    return r;
  }
  const auto magnitude = static_cast<std::int64_t>(hostUnits);
  r.value = static_cast<std::int32_t>(number->negative ? -magnitude : magnitude);
  return r;
}

std::string FormatLengthMil(std::int32_t hostUnits) {
  const std::int64_t v = hostUnits;
  const std::int64_t magnitude = v < 0 ? -v : v;
  std::string out = (v < 0 ? "-" : "") + std::to_string(magnitude / kHostUnitsPerMil);
  std::int64_t fraction = magnitude % kHostUnitsPerMil;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    out += "." + digits;
  }
  return out + "mil";
}

std::optional<double> ParseAngle(std::string_view text) {
  std::string_view s = Trim(text);
  const std::optional<Decimal> number = ReadDecimal(s);
  if (!number) return std::nullopt;
  const std::string_view unitText = Trim(s.substr(number->length));
  if (!unitText.empty() && !EqualsIgnoreCase(unitText, "deg")) return std::nullopt;
  // Read the digits again for the double nearest to them, whatever the locale.
  std::string_view digits = s.substr(0, number->length);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace sim
