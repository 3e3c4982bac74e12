// The number formats write exactly what an independent computation from the
// exact decimal digits of each value (NumberFormatReference.cpp) writes: on
// five million sampled lengths and five million sampled reals (each written
// with three and with four decimals), on every length near the decade
// boundaries and the int32 limits, on every small exact binary half, and on
// the edge values of double. The Windows
// build is held to the same texts under wine.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "NumberFormatReference.h"
#include "NumberFormatSamples.h"
#include "Wine.h"
#include "hyp/NumberFormat.h"
#include "support/Rt_Util.h"

namespace {

// Collects the first few differences and counts all of them.
class TMismatches {
 public:
  template <typename T>
  void Check(const T& input, const std::string& expected, const std::string& actual) {
    if (expected == actual) return;
    if (++count_ <= 10) {
      std::ostringstream line;
      line.precision(17);
      line << input << ": expected " << expected << ", got " << actual << "\n";
      report_ += line.str();
    }
  }
  std::uint64_t Count() const { return count_; }
  const std::string& Report() const { return report_; }

 private:
  std::uint64_t count_ = 0;
  std::string report_;
};

void CheckLength(TMismatches& m, std::int32_t v) { m.Check(v, reference::FormatLength(v), FormatLength(v)); }

void CheckReal(TMismatches& m, double x) {
  m.Check(x, reference::FormatReal3(x), FormatReal3(x));
  m.Check(x, reference::FormatReal4(x), FormatReal4(x));
}

TEST(NumberFormatAgainstReference, SampledLengths) {
  tqtest::TSampleRandom rng(tqtest::kLengthSeed);
  TMismatches m;
  for (std::uint64_t i = 0; i < tqtest::kSampleCount; ++i) CheckLength(m, tqtest::SampleLength(rng));
  EXPECT_EQ(m.Count(), 0u) << m.Report();
}

TEST(NumberFormatAgainstReference, EveryLengthNearTheDecadesAndTheLimits) {
  // 0, 1, 10 and 100 inches (decimal carries that add a digit, and the
  // change to 18 significant digits at 10), and both ends of int32.
  // (A tenth of the width in the slow sanitizer build.)
  TMismatches m;
  const std::int64_t width = tqtest::kSanitizerBuild ? 10000 : 100000;
  const std::int64_t centres[] = {0, 10000000, 100000000, 1000000000};
  for (std::int64_t c : centres)
    for (std::int64_t d = -width; d <= width; ++d) {
      CheckLength(m, static_cast<std::int32_t>(c + d));
      CheckLength(m, static_cast<std::int32_t>(-c - d));
    }
  for (std::int64_t d = 0; d < 2 * width; ++d) {
    CheckLength(m, static_cast<std::int32_t>(std::numeric_limits<std::int32_t>::max() - d));
    CheckLength(m, static_cast<std::int32_t>(std::numeric_limits<std::int32_t>::min() + d));
  }
  EXPECT_EQ(m.Count(), 0u) << m.Report();
}

TEST(NumberFormatAgainstReference, MilsAreTheDoublesTheDefinitionGives) {
  // The unit conversion rounds to 0.001 mil in its own way; it must give
  // the doubles of the definition (divide, keep the whole part, round the
  // thousandths to even), the sign of zero included.
  tqtest::TSampleRandom rng(tqtest::kLengthSeed + 1);
  std::uint64_t differences = 0;
  std::string first;
  for (std::uint64_t i = 0; i < tqtest::kSampleCount / 10; ++i) {
    const std::int32_t v = tqtest::SampleLength(rng);
    const double expected = reference::HostUnitsToMils(v);
    const double actual = HostUnitsToMils(v);
    if (std::memcmp(&expected, &actual, sizeof expected) != 0 && ++differences == 1) first = std::to_string(v);
  }
  EXPECT_EQ(differences, 0u) << "first at " << first;
  EXPECT_TRUE(std::signbit(HostUnitsToMils(-5)));
  EXPECT_EQ(MilsToHostUnitsRounded(-0.15625), -1562);  // exactly -1562.5
  EXPECT_EQ(MilsToHostUnitsRounded(-0.09375), -938);   // exactly -937.5
}

TEST(NumberFormatAgainstReference, SampledReals) {
  tqtest::TSampleRandom rng(tqtest::kRealSeed);
  TMismatches m;
  for (std::uint64_t i = 0; i < tqtest::kSampleCount; ++i) CheckReal(m, tqtest::SampleReal(rng));
  EXPECT_EQ(m.Count(), 0u) << m.Report();
}

TEST(NumberFormatAgainstReference, EveryExactBinaryHalfBelow32768) {
  // odd / 16 is an exact half at the third decimal, odd / 32 at the fourth;
  // every one of them below 2^19 / 16 = 32768, both signs. (The sampled
  // reals hold such halves up to about 1e7.) Below 2048 only in the slow
  // sanitizer build.
  TMismatches m;
  const std::uint64_t end = tqtest::kSanitizerBuild ? (1u << 15) : (1u << 19);
  for (std::uint64_t odd = 1; odd < end; odd += 2) {
    const double third = std::ldexp(static_cast<double>(odd), -4);
    const double fourth = std::ldexp(static_cast<double>(odd), -5);
    m.Check(third, reference::FormatReal3(third), FormatReal3(third));
    m.Check(-third, reference::FormatReal3(-third), FormatReal3(-third));
    m.Check(fourth, reference::FormatReal4(fourth), FormatReal4(fourth));
    m.Check(-fourth, reference::FormatReal4(-fourth), FormatReal4(-fourth));
  }
  EXPECT_EQ(m.Count(), 0u) << m.Report();
}

TEST(NumberFormatAgainstReference, EdgeValuesAtEveryPrecision) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> values = {0.0,
                                -0.0,
                                inf,
                                -inf,
                                std::numeric_limits<double>::quiet_NaN(),
                                -std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::min(),
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::epsilon(),
                                0.00015,
                                0.00005,
                                0.0005,
                                9.9995,
                                9.99995,
                                99.9995,
                                100.0505,
                                100.0025,
                                359.9996,
                                999999.99995,
                                1e6,
                                1e15,
                                1e17,
                                1e23,
                                4503599627370496.5,
                                9007199254740993.0};
  // The neighbours of each, a few steps either way.
  const std::size_t n = values.size();
  for (std::size_t i = 0; i < n; ++i) {
    double up = values[i], down = values[i];
    for (int k = 0; k < 3; ++k) {
      up = std::nextafter(up, inf);
      down = std::nextafter(down, -inf);
      values.push_back(up);
      values.push_back(down);
    }
  }
  TMismatches m;
  for (double x : values) {
    CheckReal(m, x);
    CheckReal(m, -x);
    for (int decimals = -1; decimals <= 18; ++decimals) {
      m.Check(x, reference::FormatFixed(x, decimals), FormatFixed(x, decimals));
      m.Check(-x, reference::FormatFixed(-x, decimals), FormatFixed(-x, decimals));
    }
  }
  EXPECT_EQ(m.Count(), 0u) << m.Report();
}

TEST(NumberFormatAgainstReference, SampledRealsAtEveryPrecision) {
  tqtest::TSampleRandom rng(tqtest::kRealSeed + 1);
  TMismatches m;
  for (std::uint64_t i = 0; i < tqtest::kSampleCount / 20; ++i) {
    const double x = tqtest::SampleReal(rng);
    const int decimals = static_cast<int>(rng.Below(18));
    m.Check(x, reference::FormatFixed(x, decimals), FormatFixed(x, decimals));
  }
  EXPECT_EQ(m.Count(), 0u) << m.Report();
}

// The output of a Windows program without the carriage returns that its
// text-mode standard output adds.
std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

// The digests of what this build prints for the two sample streams; the
// tests above tie these texts to the reference.
struct TStreamDigests {
  std::uint64_t lengths, real3, real4;
};

TStreamDigests NativeDigests(std::uint64_t lengthCount, std::uint64_t realCount) {
  tqtest::TTextDigest lengths, real3, real4;
  tqtest::TSampleRandom lengthRng(tqtest::kLengthSeed);
  for (std::uint64_t i = 0; i < lengthCount; ++i) lengths.Add(FormatLength(tqtest::SampleLength(lengthRng)));
  tqtest::TSampleRandom realRng(tqtest::kRealSeed);
  for (std::uint64_t i = 0; i < realCount; ++i) {
    const double x = tqtest::SampleReal(realRng);
    real3.Add(FormatReal3(x));
    real4.Add(FormatReal4(x));
  }
  return {lengths.Value(), real3.Value(), real4.Value()};
}

std::string Hex(std::uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%016" PRIx64, v);
  return buf;
}

// The Windows build's arithmetic, run by its check program under wine.
class NumberFormatUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    TQ_REQUIRE_WINE();
    if (!std::filesystem::exists(tqtest::Win32Bin() + "/tq-arith-check.exe"))
      GTEST_SKIP() << "tq-arith-check.exe is missing (rebuild the win32 preset)";
  }
  // The check program's output, without carriage returns; a failed run
  // fails the test.
  static std::string Check(const std::string& arguments) {
    tqtest::RunResult r = tqtest::RunWine("tq-arith-check.exe", arguments);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return WithoutCarriageReturns(r.output);
  }
};

TEST_F(NumberFormatUnderWine, TheWindowsBuildPrintsTheSameTexts) {
  // All the sampled lengths; a tenth of the reals, most of which are drawn
  // next to halves and take the exact-digit path, slow in a 32-bit build.
  const std::uint64_t lengthCount = tqtest::kSampleCount;
  const std::uint64_t realCount = tqtest::kSampleCount / 10;
  const std::string output = Check("formats " + std::to_string(lengthCount) + " " + std::to_string(realCount));
  const TStreamDigests d = NativeDigests(lengthCount, realCount);
  std::ostringstream expected;
  expected << "lengths " << Hex(d.lengths) << "\n"
           << "real3 " << Hex(d.real3) << "\n"
           << "real4 " << Hex(d.real4) << "\n"
           << "reference mismatches 0\n";
  EXPECT_EQ(output, expected.str());
}

TEST_F(NumberFormatUnderWine, SineAndCosineTogetherAreBitIdenticalToSeparateCalls) {
  EXPECT_EQ(Check("sincos 2000000"), "sincos mismatches 0\n");
}

TEST_F(NumberFormatUnderWine, CoordinatesRoundToTheNearestIntegerAsDefined) {
  const std::string output = Check("rounding 200000");
  EXPECT_EQ(output.rfind("rounding compared ", 0), 0u) << output;
  EXPECT_NE(output.find(" mismatches 0\n"), std::string::npos) << output;
}

}  // namespace
