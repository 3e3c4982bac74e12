#pragma once
// Compares pcbgeom::RoundHalfEven with its definition (the floor, plus one
// above a half or at a half from an odd floor) on values at, near and between
// halves over the whole int32 range, tiny ones and those next to the limits.
// Used natively and by the Windows check program under wine.
#include <cmath>
#include <cstdint>
#include <random>

#include "pcb/PcbGeometry.h"

namespace tqtest {

struct TRoundingCheck {
  std::uint64_t compared = 0;
  std::uint64_t mismatches = 0;
};

inline TRoundingCheck CheckRoundHalfEven(std::uint64_t rounds) {
  const auto definition = [](long double v) -> std::int32_t {
    long double whole = std::floor(v);
    const long double fraction = v - whole;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0.0L)) whole += 1.0L;
    return static_cast<std::int32_t>(whole);
  };
  TRoundingCheck result;
  const auto compare = [&](long double value) {
    for (const long double v : {value, -value}) {
      if (!(v > -2147483648.0L && v < 2147483647.0L)) continue;  // beyond: saturation
      ++result.compared;
      if (pcbgeom::RoundHalfEven(v) != definition(v)) ++result.mismatches;
    }
  };
  for (const long double v : {0.0L, 1e-4000L, 0.49999999999999999L, 0.5000000000000001L, 2147483646.4999L,
                              2147483646.75L, 2147483647.5L, 2147483647.75L})
    compare(v);
  std::mt19937_64 random(11);
  for (std::uint64_t i = 0; i < rounds; ++i) {
    const long double whole = static_cast<long double>(static_cast<std::int64_t>(random() % 4294967000u) - 2147483500);
    const long double step = std::ldexp(1.0L, -static_cast<int>(random() % 64));
    for (const long double v : {whole, whole + 0.5L, whole - 0.5L, whole + 0.5L + step, whole + 0.5L - step,
                                std::ldexp(static_cast<long double>(random()), -static_cast<int>(random() % 96))})
      compare(v);
  }
  return result;
}

}  // namespace tqtest
