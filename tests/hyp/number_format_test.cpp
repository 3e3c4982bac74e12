// The number formats of the HYP text.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "hyp/NumberFormat.h"

namespace {

TEST(FormatLength, WritesInchesWithFourDecimals) {
  EXPECT_EQ(FormatLength(0), "0.0000");
  EXPECT_EQ(FormatLength(1000000), "0.1000");
  EXPECT_EQ(FormatLength(10000), "0.0010");
  EXPECT_EQ(FormatLength(14000), "0.0014");
  EXPECT_EQ(FormatLength(126000), "0.0126");
  EXPECT_EQ(FormatLength(620000), "0.0620");
  EXPECT_EQ(FormatLength(-250000), "-0.0250");
  EXPECT_EQ(FormatLength(12500000), "1.2500");
}

TEST(FormatLength, RoundsTheLastDecimalHalfAwayFromZero) {
  EXPECT_EQ(FormatLength(312500), "0.0313");  // 1/32 inch
  EXPECT_EQ(FormatLength(-312500), "-0.0313");
  EXPECT_EQ(FormatLength(312490), "0.0312");
  EXPECT_EQ(FormatLength(312499), "0.0313");  // 31.2499 mil rounds to 31.250 first
  // 0.00015 is stored just below the half; rounding at 17 decimals first
  // makes it an exact half.
  EXPECT_EQ(FormatLength(1500), "0.0002");
  EXPECT_EQ(FormatLength(-1500), "-0.0002");
  EXPECT_EQ(FormatLength(1490), "0.0001");
}

TEST(FormatLength, KeepsTheSignOfValuesThatPrintAsZero) {
  EXPECT_EQ(FormatLength(-400), "-0.0000");
  EXPECT_EQ(FormatLength(-6), "-0.0000");
  EXPECT_EQ(FormatLength(400), "0.0000");
  // -0.0005 mil rounds to zero at 0.001 mil (ties to even): no sign.
  EXPECT_EQ(FormatLength(-5), "0.0000");
}

// Host lengths and the sums made of them (a size plus a clearance reaches
// 2^32 - 2): the true value, also where 32 bits no longer hold it.
TEST(FormatLength, CoversTheWholeHostRangeAndTheSumsBeyondIt) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {2147483647, "214.7484"},          {-2147483647 - 1, "-214.7484"}, {2147483648, "214.7484"},
      {4294967294, "429.4967"},          {4294967296, "429.4967"},  // 2^32: past the 32-bit digits
      {-4294967296, "-429.4967"},        {42949672966, "4294.9673"},     {INT64_MAX, "922337203685.4776"},
      {INT64_MIN, "-922337203685.4776"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatLength(value), text) << value;
}

// LengthUnits is FormatLength's text as a number: the text made back from it
// is FormatLength's, over the rounding cases above and every value around
// the halves at 0.001 mil and at 0.0001 inch, of either sign.
TEST(FormatLength, LengthUnitsGiveItsTextBack) {
  std::vector<std::int64_t> values = {
      0, -5, -6, -400, 312499, 1490, 2147483647, -2147483647 - 1, 4294967296, -4294967296, INT64_MAX, INT64_MIN};
  for (std::int64_t base = 0; base < 40000000; base = base * 3 + 1000)
    for (std::int64_t v = base - 6; v <= base + 1006; ++v) values.insert(values.end(), {v, -v});
  for (const std::int64_t value : values) {
    const TLengthUnits length = LengthUnits(value);
    ASSERT_EQ(LengthUnitsText(length), FormatLength(value)) << value;
  }
}

TEST(FormatReal3, WritesExactZeroAsABareZero) {
  EXPECT_EQ(FormatReal3(0.0), "0");
  EXPECT_EQ(FormatReal3(-0.0), "0");
  EXPECT_EQ(FormatReal3(0.0001), "0.000");
  EXPECT_EQ(FormatReal3(-0.0001), "-0.000");
}

TEST(FormatReal3, WritesAnglesWithThreeDecimals) {
  EXPECT_EQ(FormatReal3(90), "90.000");
  EXPECT_EQ(FormatReal3(45.5), "45.500");
  EXPECT_EQ(FormatReal3(-30), "-30.000");
  EXPECT_EQ(FormatReal3(4.8), "4.800");
  EXPECT_EQ(FormatReal3(359.9996), "360.000");
  EXPECT_EQ(FormatReal3(9.9995), "9.999");  // stored as 9.99949999999999939
}

TEST(FormatReal3, RoundsLargeMagnitudesAtEighteenSignificantDigits) {
  // 100.0505 is stored 4.5e-16 below the half: at 18 significant digits it
  // is the half and rounds up; at 17 decimals it would not.
  EXPECT_EQ(FormatReal3(100.0505), "100.051");
  // 100.0025 lies 2.3e-15 below the half, which 18 digits still show.
  EXPECT_EQ(FormatReal3(100.0025), "100.002");
  // Digits beyond the 18th print as zeros.
  EXPECT_EQ(FormatReal3(1e23), "99999999999999991600000.000");
}

TEST(FormatReal4, WritesFourDecimals) {
  EXPECT_EQ(FormatReal4(4.8), "4.8000");
  EXPECT_EQ(FormatReal4(0.0), "0.0000");
  EXPECT_EQ(FormatReal4(-0.0), "0.0000");
  EXPECT_EQ(FormatReal4(-0.00001), "-0.0000");
  EXPECT_EQ(FormatReal4(9.99995), "10.0000");
  EXPECT_EQ(FormatReal4(0.00015), "0.0002");
}

TEST(FormatReal4, WritesNonFiniteValuesAsWords) {
  EXPECT_EQ(FormatReal4(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FormatReal4(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FormatReal3(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(FormatReal4, CutsHugeValuesTo255Characters) {
  const std::string text = FormatReal4(1e300);
  EXPECT_EQ(text.size(), 255u);
  EXPECT_EQ(text.substr(0, 19), "1000000000000000050");
}

// The formats must not follow the process locale: a German locale writes
// "1,5" with printf.
TEST(NumberFormat, IgnoresTheProcessLocale) {
  const char* german = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
    if (std::setlocale(LC_ALL, name) != nullptr) {
      german = name;
      break;
    }
  // Without an installed one, make one of our own from the system's locale
  // sources and point the C library at it.
  tqtest::ScratchDir localeDir;
  std::unique_ptr<tqtest::ScopedEnv> locPath;
  if (german == nullptr &&
      tqtest::RunCommand("localedef -i de_DE -f UTF-8 " + tqtest::Quote(localeDir / "de_DE.UTF-8")).exitCode <= 1) {
    locPath = std::make_unique<tqtest::ScopedEnv>("LOCPATH", localeDir.path().string());
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) german = "de_DE.UTF-8";
  }
  if (german == nullptr) GTEST_SKIP() << "no German locale is installed and none can be made (package locales)";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  const std::string printed = probe;
  const std::string length = FormatLength(312500);
  const std::string real3 = FormatReal3(45.5);
  const std::string real4 = FormatReal4(-4.8);
  std::setlocale(LC_ALL, "C");
  ASSERT_EQ(printed, "1,5") << german << " does not use a decimal comma";
  EXPECT_EQ(length, "0.0313");
  EXPECT_EQ(real3, "45.500");
  EXPECT_EQ(real4, "-4.8000");
}

}  // namespace
