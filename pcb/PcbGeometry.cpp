#include "pcb/PcbGeometry.h"

#include <math.h>  // sincosl

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace pcbgeom {

namespace {

constexpr long double kInt32Max = 2147483647.0L;
constexpr long double kInt32Min = -2147483648.0L;

}  // namespace

TSinCos SinCos(long double radians) {
  TSinCos r;
  ::sincosl(radians, &r.Sin, &r.Cos);
  return r;
}

long double FiniteDegrees(double degrees) { return std::isfinite(degrees) ? degrees : 0.0L; }

std::int32_t RoundHalfEven(long double v) {
  if (!std::isfinite(v)) return 0;
  if (v >= kInt32Max) return std::numeric_limits<std::int32_t>::max();
  if (v <= kInt32Min) return std::numeric_limits<std::int32_t>::min();
  // Decided on the bits of the extended value: the compiler's floor and
  // conversions switch the x87 control word around every rounding, which
  // stalls the processor, and this runs four times per arc. The magnitude is
  // mantissa * 2^(exponent - 63) with the mantissa's top bit set (a
  // denormal's exponent is far below -1), and below 2^31 here.
  static_assert(std::numeric_limits<long double>::digits == 64, "x87 extended precision");
  std::uint64_t mantissa = 0;
  std::uint16_t signAndExponent = 0;
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &v, sizeof v);
  std::memcpy(&mantissa, bytes, sizeof mantissa);
  std::memcpy(&signAndExponent, bytes + sizeof mantissa, sizeof signAndExponent);
  const int exponent = static_cast<int>(signAndExponent & 0x7FFFu) - 16383;
  std::int64_t magnitude = 0;
  if (exponent == -1) {
    magnitude = mantissa > (std::uint64_t{1} << 63) ? 1 : 0;  // [0.5, 1): a half goes to 0
  } else if (exponent >= 0) {
    const int shift = 63 - exponent;  // at least 33
    std::uint64_t whole = mantissa >> shift;
    const std::uint64_t fraction = mantissa & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (fraction > half || (fraction == half && (whole & 1u) != 0)) ++whole;
    magnitude = static_cast<std::int64_t>(whole);
  }
  // Ties to even is the same on either side of zero.
  return static_cast<std::int32_t>((signAndExponent & 0x8000u) != 0 ? -magnitude : magnitude);
}

std::int32_t SaturatingAdd(std::int64_t a, std::int64_t b) {
  // Callers pass int32 values or sums of a few of them: no int64 overflow.
  const std::int64_t sum = a + b;
  if (sum > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (sum < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(sum);
}

TCorners RectangleCorners(std::int64_t cx, std::int64_t cy, std::int64_t w, std::int64_t h, double rotationDegrees,
                          TFlatRectangle flat) {
  TCorners c{};
  const long double x = static_cast<long double>(cx);
  const long double y = static_cast<long double>(cy);
  const long double halfW = static_cast<long double>(w) / 2.0L;
  if (h == 0 && flat == TFlatRectangle::Unturned) {
    const std::int32_t left = RoundHalfEven(x - halfW);
    const std::int32_t right = RoundHalfEven(x + halfW);
    const std::int32_t mid = RoundHalfEven(y);
    c.X[0] = left;
    c.X[1] = right;
    c.X[2] = left;
    c.X[3] = right;
    for (std::int32_t& v : c.Y) v = mid;
    return c;
  }
  const long double halfH = static_cast<long double>(h) / 2.0L;
  const long double m = std::sqrt(halfW * halfW + halfH * halfH);
  // At height 0 the diagonal's angle is its limit, a quarter turn (0 when
  // the width is 0 too, which gives the centre).
  const long double t = h == 0 ? std::atan2(static_cast<long double>(w), 0.0L)
                               : std::atan(static_cast<long double>(w) / static_cast<long double>(h));
  const long double r = Radians(FiniteDegrees(rotationDegrees));
  const long double a = t - r;                 // corners 1 and 4
  const long double b = (kPi / 2.0L - r) - t;  // corners 2 and 3
  const TSinCos ta = SinCos(a);
  const TSinCos tb = SinCos(b);
  const long double sa = ta.Sin * m;
  const long double ca = ta.Cos * m;
  const long double sb = tb.Sin * m;
  const long double cb = tb.Cos * m;
  c.X[0] = RoundHalfEven(x - sa);
  c.Y[0] = RoundHalfEven(y - ca);
  c.X[1] = RoundHalfEven(x + cb);
  c.Y[1] = RoundHalfEven(y - sb);
  c.X[2] = RoundHalfEven(x - cb);
  c.Y[2] = RoundHalfEven(y + sb);
  c.X[3] = RoundHalfEven(x + sa);
  c.Y[3] = RoundHalfEven(y + ca);
  return c;
}

long double NormaliseDegrees(double degrees) {
  long double a = FiniteDegrees(degrees);
  // Far out of range, subtracting 360 at a time would not end (or not change
  // the value at all); the exact remainder brings it near first.
  if (std::fabs(a) > 1.0e6L) a = std::fmod(a, 360.0L);
  while (a > 360.0L) a -= 360.0L;
  while (a < 0.0L) a += 360.0L;
  return a;
}

}  // namespace pcbgeom
