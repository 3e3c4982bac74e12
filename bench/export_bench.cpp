// Whole export runs through the simulated host, on generated boards with a
// growing number of outline primitives: the cost of one run per object the
// exporter visits (iterator, host query, fragment, line).
#include <benchmark/benchmark.h>

#include <string>

#include "SimHost.h"
#include "TestSupport.h"
#include "exporter/Tarnquil.h"
#include "sim/generator/BoardGenerator.h"

TQ_DEFINE_CLIENT_API()

namespace {

// A board whose outline is `segments` keep-out tracks and as many arcs, on a
// stack of `layers` signal layers.
std::string GeneratedBoard(int segments, int layers) {
  std::string json = R"({"layers": [)";
  for (int l = 1; l <= layers; ++l) {
    const std::string key = l == 1 ? "TopLayer" : (l == layers ? "BottomLayer" : "MidLayer" + std::to_string(l - 1));
    json += (l > 1 ? "," : "") + std::string(R"({"layer": ")") + key + R"(", "name": "Layer )" + std::to_string(l) + "\"}";
  }
  json += R"(], "tracks": [)";
  for (int i = 0; i < segments; ++i)
    json += (i > 0 ? "," : "") + std::string(R"({"layer": "KeepOutLayer", "x1": )") + std::to_string(i * 1000) +
            R"(, "y1": 0, "x2": )" + std::to_string(i * 1000 + 999) + R"(, "y2": 12345})";
  json += R"(], "arcs": [)";
  for (int i = 0; i < segments; ++i)
    json += (i > 0 ? "," : "") + std::string(R"({"layer": "KeepOutLayer", "x": )") + std::to_string(i * 1000) +
            R"(, "y": 5000, "radius": 31250, "startAngle": 30, "endAngle": 120})";
  return json + "]}";
}

void BM_ExportOutline(benchmark::State& state) {
  tqtest::SimHost& host = tqtest::SimHost::Get();
  host.reset();
  host.Load(GeneratedBoard(static_cast<int>(state.range(0)), 8), "generated.json");
  tqtest::ScratchDir dir;
  const std::string out = dir / "bench.hyp";
  for (auto _ : state) {
    if (!RunExport(out, kFormatName)) state.SkipWithError("the export failed");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_ExportOutline)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Whole exports of generated boards of realistic make-up; the argument is
// the number of components (about 76 primitives each: 60 track segments, 8
// vias, 6 pads, 2 arcs), so 130, 1300 and 13000 give about 10k, 100k and 1M.
void BM_ExportGenerated(benchmark::State& state) {
  tqtest::SimHost& host = tqtest::SimHost::Get();
  host.reset();
  host.Load(sim::GenerateBoardDocument({.seed = 1, .components = static_cast<int>(state.range(0))}), "generated.json");
  tqtest::ScratchDir dir;
  const std::string out = dir / "bench.hyp";
  for (auto _ : state) {
    if (!RunExport(out, kFormatName)) state.SkipWithError("the export failed");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * 76);
}
BENCHMARK(BM_ExportGenerated)->Arg(130)->Arg(1300)->Arg(13000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
