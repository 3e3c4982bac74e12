#pragma once
// The HYP number formats computed another way, for the tests only: from
// the exact decimal digits of each double, in whole-number arithmetic, with
// the two rounding steps done on the digit text. It shares no code with the
// library, which must write exactly what these write. Slow by design.
#include <cstdint>
#include <string>

namespace reference {

std::string FormatLength(std::int32_t value);
std::string FormatReal3(double value);
std::string FormatReal4(double value);
std::string FormatFixed(double value, int decimals);

// The length in mils rounded to 0.001 mil (ties to even), in double
// arithmetic as the format defines it.
double HostUnitsToMils(std::int32_t value);

}  // namespace reference
