// Speed of the number formats and of the fragments that every track, arc,
// pad and via line of a HYP file goes through.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "hyp/NumberFormat.h"
#include "hyp/Translator.h"
#include "pcb/Pcbclass.h"

namespace {

void BM_FormatLength(benchmark::State& state) {
  std::int32_t v = -2000000000;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatLength(v));
    v += 7919;
  }
}
BENCHMARK(BM_FormatLength);

void BM_FormatReal3(benchmark::State& state) {
  double a = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatReal3(a));
    a += 0.37;
  }
}
BENCHMARK(BM_FormatReal3);

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
