#pragma once
// The earlier implementation of the HYP number formats, kept for the tests
// only: the library's formats must write exactly what these write. It rounds
// through the floating-point environment (a switch to round-to-nearest
// around one nearbyint per length) and through std::to_chars for every
// number; both are slow on the Windows build and neither may come back.
#include <cstdint>
#include <string>

namespace reference {

std::string FormatLength(std::int32_t value);
std::string FormatReal3(double value);
std::string FormatReal4(double value);
std::string FormatFixed(double value, int decimals);

// The length in mils rounded to 0.001 mil, as the earlier unit conversion
// computed it.
double HostUnitsToMils(std::int32_t value);

}  // namespace reference
