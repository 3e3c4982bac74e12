// The HYP number formats computed from the exact decimal value of each
// double, in whole-number arithmetic only: no std::to_chars, no printf, no
// floating-point rounding of the digits. A double is m * 2^e with whole m:
// from e >= 0 on, its digits are those of a big whole number; below, the
// whole part is m >> -e and the digits after the point come one by one from
// the binary fraction multiplied by 10. The two rounding steps then work on
// that digit text.
#include "NumberFormatReference.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace reference {

namespace {

constexpr std::size_t kRecordCapacity = 255;  // the longest text a HYP record holds
constexpr int kMaxDecimals = 17;

// A whole number in base 10^4, lowest limb first: every step is 32-bit
// arithmetic, fast in the 32-bit build as well.
class TBigDecimal {
 public:
  explicit TBigDecimal(std::uint64_t value) {
    do {
      limbs_.push_back(static_cast<std::uint32_t>(value % kBase));
      value /= kBase;
    } while (value != 0);
  }
  // Multiplies by a factor of at most 2^18 (a limb times it, plus a carry,
  // stays below 2^32).
  void Multiply(std::uint32_t factor) {
    std::uint32_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint32_t product = limb * factor + carry;
      limb = product % kBase;
      carry = product / kBase;
    }
    for (; carry != 0; carry /= kBase) limbs_.push_back(carry % kBase);
  }
  // Multiplies by base^power, `bigPower` factors at a time.
  void MultiplyByPower(std::uint32_t base, int power, int bigPower) {
    std::uint32_t bigFactor = 1;
    for (int i = 0; i < bigPower; ++i) bigFactor *= base;
    for (; power >= bigPower; power -= bigPower) Multiply(bigFactor);
    for (; power > 0; --power) Multiply(base);
  }
  // The decimal digits, without leading zeros ("0" for zero).
  std::string Digits() const {
    std::string text;
    text.reserve(limbs_.size() * 4);
    for (std::size_t i = limbs_.size(); i-- > 0;) {
      const std::uint32_t limb = limbs_[i];
      const char digits[4] = {static_cast<char>('0' + limb / 1000), static_cast<char>('0' + limb / 100 % 10),
                              static_cast<char>('0' + limb / 10 % 10), static_cast<char>('0' + limb % 10)};
      text.append(digits, 4);
    }
    text.erase(0, std::min(text.find_first_not_of('0'), text.size() - 1));
    return text;
  }

 private:
  static constexpr std::uint32_t kBase = 10000;
  std::vector<std::uint32_t> limbs_;
};

// A non-negative decimal number: `digits` with the last `fraction` of them
// after the point; there is always at least one digit before the point.
struct TDecimal {
  std::string digits;
  std::size_t fraction = 0;

  std::size_t WholeDigits() const { return digits.size() - fraction; }
};

// The fraction digits worked out exactly: the 18 after the point, then one
// digit that is 1 when anything follows them and 0 when nothing does. Both
// rounding steps round at the 17th decimal or before, so that is all they
// look at.
constexpr int kFractionDigits = 18;

// The decimal value of a finite magnitude, exact but for the last digit
// (above).
TDecimal DecimalValue(double magnitude) {
  int exponent = 0;
  const double significand = std::frexp(magnitude, &exponent);  // in [0.5, 1), or 0
  // m = significand * 2^53 is whole for every double (subnormals too).
  const auto m = static_cast<std::uint64_t>(std::ldexp(significand, 53));
  exponent -= 53;
  TDecimal d;
  if (exponent >= 0) {  // a whole number: m * 2^exponent
    TBigDecimal number(m);
    number.MultiplyByPower(2, exponent, 18);
    d.digits = number.Digits();
    return d;
  }
  // m / 2^k: the whole part, then the bits below the point as a binary
  // fraction of k bits in 32-bit words; each multiplication by 10 carries
  // the next decimal digit above bit k.
  const auto k = static_cast<std::size_t>(-exponent);
  const std::uint64_t whole = k < 64 ? m >> k : 0;
  const std::uint64_t below = k < 64 ? m & ((std::uint64_t{1} << k) - 1) : m;
  std::vector<std::uint32_t> words(k / 32 + 2, 0);
  words[0] = static_cast<std::uint32_t>(below);
  words[1] = static_cast<std::uint32_t>(below >> 32);
  const std::size_t top = k / 32;
  const unsigned shift = k % 32;
  d.digits = std::to_string(whole);
  for (int i = 0; i < kFractionDigits; ++i) {
    std::uint64_t carry = 0;
    for (std::uint32_t& word : words) {
      const std::uint64_t product = std::uint64_t{word} * 10 + carry;
      word = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    // The digit is the value of the bits from k on (at most 4 of them).
    std::uint64_t high = words[top] | (std::uint64_t{words[top + 1]} << 32);
    d.digits += static_cast<char>('0' + (high >> shift));
    high &= (std::uint64_t{1} << shift) - 1;
    words[top] = static_cast<std::uint32_t>(high);
    words[top + 1] = 0;
  }
  const bool more = std::any_of(words.begin(), words.end(), [](std::uint32_t w) { return w != 0; });
  d.digits += more ? '1' : '0';
  d.fraction = kFractionDigits + 1;
  return d;
}

enum class TTie { ToEven, AwayFromZero };

// `d` rounded to `places` decimals (a negative count rounds to a power of
// ten above 1).
TDecimal Round(TDecimal d, int places, TTie tie) {
  const auto dropped = static_cast<std::ptrdiff_t>(d.fraction) - places;
  if (dropped <= 0) return d;
  const auto keep = static_cast<std::ptrdiff_t>(d.digits.size()) - dropped;
  std::string kept = keep > 0 ? d.digits.substr(0, static_cast<std::size_t>(keep)) : std::string("0");
  const std::string rest = keep > 0 ? d.digits.substr(static_cast<std::size_t>(keep))
                                    : std::string(static_cast<std::size_t>(-keep), '0') + d.digits;
  bool up = false;
  if (rest[0] > '5') {
    up = true;
  } else if (rest[0] == '5') {
    const bool exactHalf = rest.find_first_not_of('0', 1) == std::string::npos;
    up = !exactHalf || tie == TTie::AwayFromZero || (kept.back() - '0') % 2 != 0;
  }
  if (up) {
    std::size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0)
      kept.insert(kept.begin(), '1');
    else
      ++kept[i - 1];
  }
  TDecimal out;
  out.digits = kept;
  if (places < 0) {
    out.digits.append(static_cast<std::size_t>(-places), '0');
    out.fraction = 0;
  } else {
    out.fraction = static_cast<std::size_t>(places);
  }
  if (out.digits.size() <= out.fraction) out.digits.insert(0, out.fraction + 1 - out.digits.size(), '0');
  return out;
}

// The number of digits before the point, leading zeros left out.
int SignificantWholeDigits(const TDecimal& d) {
  const std::size_t first = d.digits.find_first_not_of('0');
  if (first == std::string::npos || first >= d.WholeDigits()) return 0;
  return static_cast<int>(d.WholeDigits() - first);
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  const double magnitude = std::fabs(value);
  TDecimal d = DecimalValue(magnitude);
  // Step 1: to nearest at 17 decimals, from 10 on at 18 significant digits.
  d = Round(d, magnitude < 10.0 ? kMaxDecimals : 18 - SignificantWholeDigits(d), TTie::ToEven);
  // Step 2: half away from zero at the printed decimals.
  d = Round(d, decimals, TTie::AwayFromZero);
  if (d.fraction < static_cast<std::size_t>(decimals)) {
    d.digits.append(static_cast<std::size_t>(decimals) - d.fraction, '0');
    d.fraction = static_cast<std::size_t>(decimals);
  }
  std::string whole = d.digits.substr(0, d.WholeDigits());
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  std::string text = value < 0 ? "-" : "";
  text += whole;
  if (decimals > 0) text += "." + d.digits.substr(d.WholeDigits());
  if (text.size() > kRecordCapacity) text.resize(kRecordCapacity);
  return text;
}

double HostUnitsToMils(std::int32_t value) {
  // In mils, rounded to 0.001 mil: the whole part kept, the rest in
  // thousandths rounded to nearest, ties to even.
  const double mils = static_cast<double>(value) / 10000.0;
  const double whole = std::trunc(mils);
  const double thousandths = (mils - whole) * 1000.0;
  double rounded = std::floor(thousandths);
  const double above = thousandths - rounded;
  if (above > 0.5 || (above == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
  if (rounded == 0.0) rounded = std::copysign(0.0, thousandths);  // -0.4 rounds to -0
  return whole + rounded / 1000.0;
}

std::string FormatLength(std::int32_t value) { return FormatFixed(HostUnitsToMils(value) / 1000.0, 4); }

std::string FormatReal3(double value) {
  if (value == 0.0) return "0";
  return FormatFixed(value, 3);
}

std::string FormatReal4(double value) { return FormatFixed(value, 4); }

}  // namespace reference
