#pragma once
// The number formats of the HYP text: board lengths in inches, and reals
// (angles, dielectric constants) in fixed-point notation.
//
// All three write fixed-point text with a fixed number of decimals, no
// leading blanks and no "+" sign. The last printed decimal is found in two
// steps, so that the text is the same on every build and in every locale:
//
//  1. The exact value of the double is rounded to nearest at 17 decimal
//     places; when its magnitude is 10 or more, at 18 significant digits
//     instead.
//  2. That decimal value is rounded half away from zero at the last printed
//     decimal.
//
// Step 1 matters for doubles that lie just below a half: 0.00015 is stored as
// 0.000149999999999999986..., which step 1 turns into exactly 0.00015, so
// that step 2 gives 0.0002.
//
// A "-" stands before every negative value, also when every printed digit is
// zero (-0.00004 gives -0.0000). Negative zero is not negative: it prints
// like zero. A NaN prints "NAN", infinities "INF" and "-INF". A text longer
// than a record holds (kHypRecordCapacity; magnitudes of 1e250 and more) is
// cut there, like every text the HYP writers handle.
//
// The functions keep no state: they may run on several threads at once.
#include <cstddef>
#include <cstdint>
#include <string>

// A host length (1/10000 mil) in inches with four decimals: the value in
// mils is rounded to 0.001 mil (as RoundToMicroMil does), then divided by
// 1000. Computed in whole numbers where that decides the digits.
// 312500 gives 0.0313, 1500 gives 0.0002, -400 gives -0.0000. Takes 64 bits
// so that a sum of host lengths (a pad's size plus its plane clearance) is
// written as its true value: 2^31 gives 214.7484, 2^32 + 1 gives 429.4967.
std::string FormatLength(std::int64_t value);
// The longest text FormatLength gives for a 32-bit value (-214.7484, for the
// least one) and for the sum of two (-429.4967).
inline constexpr std::size_t kLengthTextMax = 9;

// FormatLength's text as a number, for comparing printed lengths without
// their texts: its digits as a whole number of 0.0001 inch, and whether a
// "-" stands before them. LengthUnitsText gives the text back:
// LengthUnitsText(LengthUnits(v)) == FormatLength(v).
struct TLengthUnits {
  bool negative = false;
  std::uint64_t units = 0;
};
TLengthUnits LengthUnits(std::int64_t value);
std::string LengthUnitsText(TLengthUnits length);
// An angle in degrees with three decimals; a value equal to 0.0 (either sign)
// gives "0". 90 gives 90.000, 0.0001 gives 0.000.
std::string FormatReal3(double value);

// A real with four decimals; 4.8 gives 4.8000.
std::string FormatReal4(double value);

// The general form behind the three: value with `decimals` decimals (0..17).
std::string FormatFixed(double value, int decimals);
