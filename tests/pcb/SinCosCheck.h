#pragma once
// Compares pcbgeom::SinCos with separate std::sin and std::cos calls, bit for
// bit, on angles of the kinds the object model computes with: arc angles
// brought into [0, 360] degrees, pad and fill rotations of any size (also
// far beyond 2 pi, where the C runtime reduces the argument), and angles on
// and next to the multiples of a quarter turn. Used natively and by the
// Windows check program under wine.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "pcb/PcbGeometry.h"

namespace tqtest {

// The number of angles whose sine or cosine differ between the two ways.
inline std::uint64_t CountSinCosMismatches(std::uint64_t count) {
  std::uint64_t state = 0xA4C5E5ull;
  auto next = [&state]() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  };
  std::uint64_t mismatches = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t r = next();
    long double degrees = 0.0L;
    switch (r % 5) {
      case 0:  // a host angle in thousandths of a degree
        degrees = static_cast<long double>((r >> 8) % 360001) / 1000.0L;
        break;
      case 1:  // any double angle in [0, 360]
        degrees = static_cast<long double>(std::ldexp(static_cast<double>(r >> 11), -53) * 360.0);
        break;
      case 2:  // quarter turns and their neighbours
        degrees = static_cast<long double>(90 * static_cast<std::int64_t>((r >> 8) % 9)) +
                  std::ldexp(static_cast<long double>(static_cast<std::int64_t>((r >> 16) % 9) - 4), -60);
        break;
      case 3:  // rotations of any size and sign, up to about 1e18 degrees
        degrees = std::ldexp(static_cast<long double>(r >> 11), static_cast<int>((r >> 3) % 64) - 53) *
                  (((r >> 2) & 1) != 0 ? -1.0L : 1.0L);
        break;
      default:  // huge rotations, as a host might store in a double
        degrees = std::ldexp(static_cast<long double>(r >> 11), static_cast<int>((r >> 3) % 960));
        break;
    }
    const long double a = pcbgeom::Radians(degrees);
    const pcbgeom::TSinCos both = pcbgeom::SinCos(a);
    const long double s = std::sin(a);
    const long double c = std::cos(a);
    // The 80-bit value sits in the first ten bytes; the rest is padding.
    if (std::memcmp(&both.Sin, &s, 10) != 0 || std::memcmp(&both.Cos, &c, 10) != 0) ++mismatches;
  }
  return mismatches;
}

}  // namespace tqtest
