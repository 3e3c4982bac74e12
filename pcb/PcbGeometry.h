#pragma once
// Arithmetic shared by the object model's geometry: rounding in extended
// precision and the corners of a turned rectangle.
//
// Every computation here runs in long double, the 80-bit type on both the
// 64-bit Linux build and the 32-bit Windows build, so that both targets round
// the same ties the same way. Host values are untrusted: no input (NaN or
// infinite angles, sizes near the int32 limits) leads to undefined behaviour.
#include <cstdint>

namespace pcbgeom {

inline constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Degrees to radians in extended precision.
inline long double Radians(long double degrees) { return degrees * (kPi / 180.0L); }

// The sine and cosine of an angle in radians from one call: bit for bit
// what std::sin and std::cos give for the same long double on this build
// (both C runtimes compute the pair with the same reduction and kernels as
// the separate functions), at about the cost of one of them.
struct TSinCos {
  long double Sin;
  long double Cos;
};
TSinCos SinCos(long double radians);

// A host angle fit to compute with: NaN and infinities count as 0 degrees.
long double FiniteDegrees(double degrees);

// Nearest integer, ties to even, independent of the current rounding mode.
// NaN and infinities give 0; finite values beyond the int32 range saturate.
std::int32_t RoundHalfEven(long double v);

// a + b, saturated to the int32 range.
std::int32_t SaturatingAdd(std::int64_t a, std::int64_t b);

// The four corners of a rectangle of width w and height h centred on
// (cx, cy), turned counter-clockwise by rotationDegrees about its centre.
// Unturned, corners 0 to 3 are (left, bottom), (right, bottom), (left, top),
// (right, top). A rotation that is not finite counts as 0. A rectangle of
// height 0 has no diagonal angle: Unturned puts its corners on the
// horizontal line through the centre at cx -/+ w/2 whatever the rotation (the
// board objects' rule); Turned takes the angle's limit, a quarter turn, so the
// flat rectangle turns with the rotation like any other (the pads' rule).
struct TCorners {
  std::int32_t X[4];
  std::int32_t Y[4];
};
enum class TFlatRectangle { Unturned, Turned };
TCorners RectangleCorners(std::int64_t cx, std::int64_t cy, std::int64_t w, std::int64_t h, double rotationDegrees,
                          TFlatRectangle flat = TFlatRectangle::Unturned);

// An angle in degrees brought into [0, 360] by steps of 360 (360 itself
// stays); NaN and infinities count as 0.
long double NormaliseDegrees(double degrees);

}  // namespace pcbgeom
