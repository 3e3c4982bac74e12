#pragma once
// The inputs on which the number formats are compared with the exact
// computation of the tests, natively and in the Windows build under wine.
// Both builds must draw exactly the same values, so the streams use integer
// arithmetic, ldexp, nextafter and correctly rounded division only, never a
// library function whose last bit may differ between C runtimes.
//
// Each stream mixes values drawn evenly over the whole range with values
// placed on and around every kind of exact tie: a length whose last digit
// in host units is 5 (a tie at 0.001 mil), a length that is a half at the
// fourth decimal in inches, doubles that are exact binary halves at the
// printed decimal, doubles next to a decimal half (within and beyond the
// reach of the 17-decimal rounding), doubles that are exact ties at the 17th
// decimal or the 18th digit, and rounding carries that add a digit.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace tqtest {

// splitmix64: small, fast, the same sequence everywhere.
class TSampleRandom {
 public:
  explicit TSampleRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1 (n > 0); the tiny bias does not matter here.
  std::uint64_t Below(std::uint64_t n) { return Next() % n; }

 private:
  std::uint64_t state_;
};

// The i-th host length of the stream.
inline std::int32_t SampleLength(TSampleRandom& rng) {
  const std::uint64_t kind = rng.Below(8);
  const std::uint64_t r = rng.Next();
  const bool negative = (r >> 63) != 0;
  std::int64_t v = 0;
  switch (kind) {
    case 0:
    case 1:  // anywhere in the int32 range
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(r));
    case 2: {  // a magnitude of a random number of bits: small lengths often
      const unsigned bits = static_cast<unsigned>(rng.Below(32));
      v = static_cast<std::int64_t>(r & ((std::uint64_t{1} << bits) - 1));
      break;
    }
    case 3:  // a tie at 0.001 mil: the last digit is 5
      v = static_cast<std::int64_t>(r % 214748364ull) * 10 + 5;
      break;
    case 4:  // a half at the fourth decimal in inches (micro-mil ends in 50)
      v = (static_cast<std::int64_t>(r % 2147483ull) * 100 + 50) * 10;
      break;
    case 5:  // both at once, and the lengths next to them
      v = (static_cast<std::int64_t>(r % 2147483ull) * 100 + 49) * 10 + 5 + static_cast<std::int64_t>(rng.Below(21)) -
          10;
      break;
    case 6: {  // near a decimal carry: ...9995 and ...99995 mils and inches
      static constexpr std::int64_t kNines[] = {99500, 999500, 9999500, 99999500, 999999500};
      v = kNines[rng.Below(5)] + static_cast<std::int64_t>(rng.Below(1001)) - 500;
      break;
    }
    default:  // multiples of 5 host units over the whole range
      v = static_cast<std::int64_t>(r % 429496729ull) * 5;
      break;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<std::int32_t>::max()) v = std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) v = std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

// Doubles at and around the half of the unit of `decimals` decimals, for
// magnitudes from 1e-5 to about 1e12.
inline double SampleNearHalf(TSampleRandom& rng, int decimals) {
  static constexpr double kPow[] = {1, 10, 100, 1000, 10000, 100000};
  // k + 0.5 units of 10^-decimals, k of up to 16 digits.
  const unsigned digits = 1 + static_cast<unsigned>(rng.Below(16));
  std::uint64_t limit = 1;
  for (unsigned i = 0; i < digits; ++i) limit *= 10;
  const std::uint64_t k = rng.Below(limit);
  double x = static_cast<double>(2 * k + 1) / (2.0 * kPow[decimals]);
  const int steps = static_cast<int>(rng.Below(9)) - 4;
  for (int i = 0; i < steps; ++i) x = std::nextafter(x, std::numeric_limits<double>::infinity());
  for (int i = 0; i > steps; --i) x = std::nextafter(x, 0.0);
  return x;
}

// The i-th real of the stream (used with both FormatReal3 and FormatReal4).
inline double SampleReal(TSampleRandom& rng) {
  const std::uint64_t kind = rng.Below(10);
  const std::uint64_t r = rng.Next();
  const double sign = (r >> 63) != 0 ? -1.0 : 1.0;
  double x = 0.0;
  switch (kind) {
    case 0: {  // any bit pattern: every exponent, subnormals, NaN, infinities
      double d;
      const std::uint64_t bits = rng.Next();
      static_assert(sizeof d == sizeof bits);
      std::memcpy(&d, &bits, sizeof d);
      return d;
    }
    case 1:  // angles and ordinary reals
      return sign * std::ldexp(static_cast<double>(r >> 11), -53) * 1000.0;
    case 2:
    case 3:
      x = SampleNearHalf(rng, 3);
      break;
    case 4:
    case 5:
      x = SampleNearHalf(rng, 4);
      break;
    case 6: {  // exact binary halves at the third or fourth decimal: odd / 2^(d+1)
      const int d = 3 + static_cast<int>(rng.Below(2));
      x = std::ldexp(static_cast<double>(((r >> 24) % 100000000ull) * 2 + 1), -(d + 1));
      break;
    }
    case 7: {  // dyadic values with 14 to 60 binary places: exact ties at the
               // 17th decimal or the 18th digit among them
      const int places = 14 + static_cast<int>(rng.Below(47));
      x = std::ldexp(static_cast<double>((r >> 11) | 1), -places);
      break;
    }
    case 8: {  // magnitudes from 2^-70 to 2^1000 with random mantissas
      const int exponent = static_cast<int>(rng.Below(1071)) - 70;
      x = std::ldexp(1.0 + std::ldexp(static_cast<double>(r >> 12), -52), exponent);
      break;
    }
    default: {  // whole numbers and their neighbours, around the powers of ten
      static constexpr double kAround[] = {0.0,    1.0,      9.0, 10.0, 99.0, 100.0, 999.0,
                                           1000.0, 999999.0, 1e6, 1e7,  1e15, 1e17};
      x = kAround[rng.Below(13)] + static_cast<double>(rng.Below(3));
      const int steps = static_cast<int>(rng.Below(7)) - 3;
      for (int i = 0; i < steps; ++i) x = std::nextafter(x, std::numeric_limits<double>::infinity());
      for (int i = 0; i > steps; --i) x = std::nextafter(x, -std::numeric_limits<double>::infinity());
      break;
    }
  }
  return sign * x;
}

// FNV-1a over the texts, one line each: what a stream printed, in 64 bits.
class TTextDigest {
 public:
  void Add(std::string_view text) {
    for (char c : text) Mix(static_cast<unsigned char>(c));
    Mix('\n');
  }
  std::uint64_t Value() const { return hash_; }

 private:
  void Mix(unsigned char c) {
    hash_ ^= c;
    hash_ *= 0x100000001B3ull;
  }
  std::uint64_t hash_ = 0xCBF29CE484222325ull;
};

// The stream sizes: five million lengths and five million reals natively,
// ten million values in all; far fewer in the sanitizer build, which runs
// the same code some thirty times slower.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizerBuild = true;
inline constexpr std::uint64_t kSampleCount = 200000;
#else
inline constexpr bool kSanitizerBuild = false;
inline constexpr std::uint64_t kSampleCount = 5000000;
#endif
inline constexpr std::uint64_t kLengthSeed = 0x7A11C0FFEEull;
inline constexpr std::uint64_t kRealSeed = 0x5EEDF00Dull;

}  // namespace tqtest
