#pragma once
// Lengths and angles as a person writes them in a board document, and the
// host's units they turn into: lengths are whole numbers of 1/10000 mil held
// in 32 bits, angles are degrees.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

inline constexpr std::int32_t kHostUnitsPerMil = 10000;

// The outcome of reading a length: a value in host units, or the reason why
// there is none.
struct LengthReading {
  std::optional<std::int32_t> value;
  std::string error;
};

// Reads "10mil", "1.4 mil", "0.254mm", "-0.1in", "25um", "2.5cm" (letter case
// of the unit ignored) or a whole number without a unit, which is taken as
// host units ("14000"). The result is rounded to the nearest host unit, half
// away from zero, and must fit in 32 bits.
LengthReading ParseLength(std::string_view text);

// A length as mils with up to four decimals ("1.4mil", "-62mil", "0mil"):
// exact for every host value, and read back by ParseLength unchanged.
std::string FormatLengthMil(std::int32_t hostUnits);

// Reads "90", "-45.5", "30deg" (degrees). Nothing for other text or for a
// value that is not finite.
std::optional<double> ParseAngle(std::string_view text);

}  // namespace sim
