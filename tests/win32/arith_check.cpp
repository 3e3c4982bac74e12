// The arithmetic of the Windows build, checked under wine by the native
// tests. Usage:
//   tq-arith-check formats LENGTHS REALS
//                                  digests of the number texts of the first
//                                  LENGTHS and REALS values of the sample
//                                  streams, and the count of differences from
//                                  the tests' exact computation on a part of
//                                  them
//   tq-arith-check sincos COUNT    angles whose sine and cosine from one call
//                                  differ from separate calls
//   tq-arith-check rounding COUNT  values that the rounding to the nearest
//                                  integer (ties to even) of coordinates
//                                  rounds otherwise than its definition
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "NumberFormatReference.h"
#include "NumberFormatSamples.h"
#include "RoundHalfEvenCheck.h"
#include "SinCosCheck.h"
#include "hyp/NumberFormat.h"

namespace {

// The exact computation is slow: it is compared on the first lengths and
// reals only.
constexpr std::uint64_t kReferenceLengths = 20000;
constexpr std::uint64_t kReferenceReals = 1000000;

int Formats(std::uint64_t lengthCount, std::uint64_t realCount) {
  std::uint64_t mismatches = 0;
  tqtest::TTextDigest lengths, real3, real4;
  tqtest::TSampleRandom lengthRng(tqtest::kLengthSeed);
  for (std::uint64_t i = 0; i < lengthCount; ++i) {
    const std::int32_t v = tqtest::SampleLength(lengthRng);
    const std::string text = FormatLength(v);
    lengths.Add(text);
    if (i < kReferenceLengths && text != reference::FormatLength(v)) ++mismatches;
  }
  tqtest::TSampleRandom realRng(tqtest::kRealSeed);
  for (std::uint64_t i = 0; i < realCount; ++i) {
    const double x = tqtest::SampleReal(realRng);
    const std::string t3 = FormatReal3(x);
    const std::string t4 = FormatReal4(x);
    real3.Add(t3);
    real4.Add(t4);
    if (i < kReferenceReals && (t3 != reference::FormatReal3(x) || t4 != reference::FormatReal4(x))) ++mismatches;
  }
  std::printf("lengths %016" PRIx64 "\nreal3 %016" PRIx64 "\nreal4 %016" PRIx64 "\nreference mismatches %" PRIu64 "\n",
              lengths.Value(), real3.Value(), real4.Value(), mismatches);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tq-arith-check formats LENGTHS REALS | sincos COUNT | rounding COUNT\n");
    return 2;
  }
  const std::uint64_t count = std::strtoull(argv[2], nullptr, 10);
  if (std::strcmp(argv[1], "formats") == 0 && argc == 4) return Formats(count, std::strtoull(argv[3], nullptr, 10));
  if (std::strcmp(argv[1], "sincos") == 0 && argc == 3) {
    std::printf("sincos mismatches %" PRIu64 "\n", tqtest::CountSinCosMismatches(count));
    return 0;
  }
  if (std::strcmp(argv[1], "rounding") == 0 && argc == 3) {
    const tqtest::TRoundingCheck check = tqtest::CheckRoundHalfEven(count);
    std::printf("rounding compared %" PRIu64 " mismatches %" PRIu64 "\n", check.compared, check.mismatches);
    return 0;
  }
  std::fprintf(stderr, "unknown check %s\n", argv[1]);
  return 2;
}
