// Speed of the number formats and of the fragments that every track, arc,
// pad and via line of a HYP file goes through. The *Reference benchmarks run
// the tests' exact digit computation of the formats on the same inputs, for
// comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "NumberFormatReference.h"
#include "hyp/NumberFormat.h"
#include "hyp/Translator.h"
#include "pcb/Pcbclass.h"

namespace {

// Host lengths; the library's format takes them as 64-bit values.
template <auto Format>
void BM_Length(benchmark::State& state) {
  std::int32_t v = -2000000000;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Format(v));
    v += 7919;
  }
}
BENCHMARK(BM_Length<FormatLength>)->Name("BM_FormatLength");
BENCHMARK(BM_Length<reference::FormatLength>)->Name("BM_FormatLengthReference");

// Reals that grow without bound: after a few million iterations they pass
// 1e6, where every value takes the exact-digit path.
template <std::string (*Format)(double)>
void BM_Real(benchmark::State& state) {
  double a = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Format(a));
    a += 0.37;
  }
}
BENCHMARK(BM_Real<FormatReal3>)->Name("BM_FormatReal3");
BENCHMARK(BM_Real<reference::FormatReal3>)->Name("BM_FormatReal3Reference");

// Angles in [0, 360), as pads and padstacks have them.
template <std::string (*Format)(double)>
void BM_Angle(benchmark::State& state) {
  double a = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Format(a));
    a += 0.37;
    if (a >= 360.0) a -= 360.0;
  }
}
BENCHMARK(BM_Angle<FormatReal3>)->Name("BM_FormatReal3Angles");
BENCHMARK(BM_Angle<reference::FormatReal3>)->Name("BM_FormatReal3AnglesReference");

void BM_TrackFragment(benchmark::State& state) {
  TTranslator translator;
  TPcbTrack track(1);
  track.X = 12500000;
  track.Y = 5000000;
  track.X2 = 15000000;
  track.Y2 = 5000000;
  track.Width = 100000;
  track.LayerCode = 1;
  for (auto _ : state) benchmark::DoNotOptimize(translator.TranslateTrackToString(track));
}
BENCHMARK(BM_TrackFragment);

void BM_ArcFragment(benchmark::State& state) {
  TTranslator translator;
  TPcbArc arc(1);
  arc.Radius = 1000000;
  arc.StartAngle = 30.0;
  arc.EndAngle = 250.0;
  arc.LineWidth = 100000;
  arc.LayerCode = 32;
  for (auto _ : state) benchmark::DoNotOptimize(translator.TranslateArcToString(arc));
}
BENCHMARK(BM_ArcFragment);

}  // namespace

BENCHMARK_MAIN();
