// Whole export runs through the simulated host, on generated boards with a
// growing number of outline primitives: the cost of one run per object the
// exporter visits (iterator, host query, fragment, line). Beside the export of
// generated boards, "the floor": the least a run can do for the same output
// (see FloorExport), and at the end the ratio of the two.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CountingAllocator.h"
#include "SimHost.h"
#include "TestSupport.h"
#include "exporter/Tarnquil.h"
#include "host/PcbApi.h"
#include "host/RT_PCB.h"
#include "hyp/NumberFormat.h"
#include "pcb/PcbGeometry.h"
#include "sim/generator/BoardGenerator.h"

TQ_DEFINE_CLIENT_API()

namespace {

void LoadOutline(int primitives) {
  tqtest::SimHost& host = tqtest::SimHost::Get();
  host.reset();
  host.Load(sim::GenerateOutlineBoardDocument(primitives, 8), "generated.json");
}

// Times export runs of the loaded board into `out`; primitivesPerUnit
// primitives per unit of the benchmark's argument.
void TimeExport(benchmark::State& state, const std::string& out, std::int64_t primitivesPerUnit) {
  for (auto _ : state) {
    if (!RunExport(out, kFormatName)) state.SkipWithError("the export failed");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * primitivesPerUnit);
}

void BM_ExportOutline(benchmark::State& state) {
  LoadOutline(static_cast<int>(state.range(0)));
  tqtest::ScratchDir dir;
  const std::string out = dir / "bench.hyp";
  TimeExport(state, out, 2);
}
BENCHMARK(BM_ExportOutline)->Arg(100)->Arg(5000)->Arg(50000)->Arg(500000)->Unit(benchmark::kMillisecond);

// The bytes in use at the peak of one export run beyond those in use before
// it (the loaded board, the host's state).
double ExportPeakBytes(const std::string& out) {
  const std::size_t before = tqbench::StartPeak();
  if (!RunExport(out, kFormatName)) return -1;
  return static_cast<double>(tqbench::gPeakBytes - before);
}

// The number of padstacks in an exported file.
std::size_t CountPadStacks(const std::string& path) {
  const std::string text = tqtest::ReadFile(path);
  std::size_t count = 0;
  for (std::size_t at = text.find("{PADSTACK="); at != std::string::npos; at = text.find("{PADSTACK=", at + 1)) ++count;
  return count;
}

void LoadGenerated(int components, int distinctPads = 0) {
  tqtest::SimHost& host = tqtest::SimHost::Get();
  host.reset();
  host.Load(sim::GenerateBoardDocument({.seed = 1, .components = components, .distinctPads = distinctPads}),
            "generated.json");
}

// Whole exports of generated boards of realistic make-up; the argument is
// the number of components (about 76 primitives each: 60 track segments, 8
// vias, 6 pads, 2 arcs), so 130, 1300 and 13000 give about 10k, 100k and 1M.
void BM_ExportGenerated(benchmark::State& state) {
  LoadGenerated(static_cast<int>(state.range(0)));
  tqtest::ScratchDir dir;
  const std::string out = dir / "bench.hyp";
  TimeExport(state, out, 76);
  state.counters["peak_MB"] = ExportPeakBytes(out) / 1e6;
}
BENCHMARK(BM_ExportGenerated)->Arg(130)->Arg(1300)->Arg(13000)->Unit(benchmark::kMillisecond);

// The same boards with 30,000 distinct pad geometries (and so about as many
// padstacks) where the board has that many pads: the time per primitive
// should not grow with the padstack table.
void BM_ExportDistinctPads(benchmark::State& state) {
  LoadGenerated(static_cast<int>(state.range(0)), 30000);
  tqtest::ScratchDir dir;
  const std::string out = dir / "bench.hyp";
  TimeExport(state, out, 76);
  state.counters["padstacks"] = static_cast<double>(CountPadStacks(out));
  state.counters["peak_MB"] = ExportPeakBytes(out) / 1e6;
}
BENCHMARK(BM_ExportDistinctPads)->Arg(13000)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// The floor: the simulated host answering only the queries the output needs,
// through the same entry points, and the same kind and amount of text written
// through one buffer with the library's number formats. One query per outline
// primitive, component (and its designator text), net, track, arc, via and
// pad; the layer names and the padstack section come from tables made before
// the runs, and a pad or via finds its padstack in a hash table.

template <typename F>
F Entry(const char* name) {
  void* p = dlsym(RTLD_DEFAULT, name);
  if (p == nullptr) std::abort();
  return reinterpret_cast<F>(p);
}

struct Api {
#define TQ_FLOOR_ENTRY(name) name##_t name = Entry<name##_t>(#name);
  TQ_FLOOR_ENTRY(PcbApi_GetCurrentBoardHandle)
  TQ_FLOOR_ENTRY(PcbApi_CreateIterator)
  TQ_FLOOR_ENTRY(PcbApi_GetFirstObject)
  TQ_FLOOR_ENTRY(PcbApi_GetNextObject)
  TQ_FLOOR_ENTRY(PcbApi_DestroyIterator)
  TQ_FLOOR_ENTRY(PcbApi_QueryTrack)
  TQ_FLOOR_ENTRY(PcbApi_QueryArc)
  TQ_FLOOR_ENTRY(PcbApi_QueryVia)
  TQ_FLOOR_ENTRY(PcbApi_QueryPad)
  TQ_FLOOR_ENTRY(PcbApi_QueryNet)
  TQ_FLOOR_ENTRY(PcbApi_QueryComponent)
  TQ_FLOOR_ENTRY(PcbApi_QueryText)
#undef TQ_FLOOR_ENTRY

  template <typename F>
  void Each(THandle container, TObjectKindByte kind, TLayerCode layer, F f) const {
    const THandle it = PcbApi_CreateIterator(container, kind, 0, layer);
    for (THandle h = PcbApi_GetFirstObject(it); h != 0; h = PcbApi_GetNextObject(it)) f(h);
    PcbApi_DestroyIterator(it);
  }
};

constexpr TObjectKindByte kArcKind = 1, kPadKind = 2, kViaKind = 3, kTrackKind = 4, kNetKind = 8, kComponentKind = 9;

struct Track {
  TLayerCode layer = 0;
  std::int32_t x = 0, y = 0, x2 = 0, y2 = 0, width = 0;
};
Track QueryTrack(const Api& api, THandle h) {
  Track t;
  api.PcbApi_QueryTrack(1, h, nullptr, nullptr, &t.layer, nullptr, nullptr, nullptr, &t.x, &t.y, &t.x2, &t.y2, &t.width,
                        nullptr, nullptr, nullptr);
  return t;
}
struct Arc {
  TLayerCode layer = 0;
  std::int32_t x = 0, y = 0, radius = 0, width = 0;
  double start = 0, end = 0;
};
Arc QueryArc(const Api& api, THandle h) {
  Arc a;
  api.PcbApi_QueryArc(1, h, nullptr, nullptr, &a.layer, nullptr, nullptr, nullptr, &a.x, &a.y, &a.radius, &a.start,
                      &a.end, &a.width, nullptr);
  return a;
}
// A pad's or via's geometry, the key of its padstack.
struct Geometry {
  std::array<std::int32_t, 5> v{};
  bool operator==(const Geometry&) const = default;
};
struct GeometryHash {
  std::size_t operator()(const Geometry& g) const {
    std::size_t h = 0;
    for (std::int32_t x : g.v) h = h * 1000003u ^ static_cast<std::uint32_t>(x);
    return h;
  }
};
struct Pad {
  THandle component = 0;
  std::int32_t x = 0, y = 0;
  Geometry geometry;
  TShortString name;
};
Pad QueryPad(const Api& api, THandle h) {
  Pad p;
  TLayerCode layer = 0;
  std::int32_t v[7] = {};
  std::uint8_t shape = 0;
  api.PcbApi_QueryPad(1, h, nullptr, nullptr, &layer, nullptr, nullptr, &p.component, &p.x, &p.y, &v[0], &v[1], &v[2],
                      &v[3], &v[4], &v[5], &v[6], &shape, nullptr, nullptr, &p.name, nullptr, nullptr, nullptr, nullptr,
                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr);
  p.geometry.v = {static_cast<std::int32_t>(layer), shape, v[0], v[1], v[6]};
  return p;
}
struct Via {
  std::int32_t x = 0, y = 0;
  Geometry geometry;
};
Via QueryVia(const Api& api, THandle h) {
  Via v;
  std::int32_t size = 0, hole = 0;
  TLayerByte low = 0, high = 0;
  api.PcbApi_QueryVia(1, h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &v.x, &v.y, &size, &hole, &low, &high,
                      nullptr, nullptr);
  v.geometry.v = {-1, low, high, size, hole};
  return v;
}

// What the floor keeps from before its runs.
struct FloorTables {
  std::array<std::string, kMaxLayer + 1> layerNames;
  std::string stackup;
  std::string padstacks;
  std::unordered_map<Geometry, int, GeometryHash> padstackIndex;
};

// The stack-up section exactly as the export writes it for the loaded board,
// taken from one export run's file.
std::string StackupOf(const std::string& exported) {
  const std::string text = tqtest::ReadFile(exported);
  const std::size_t begin = text.find("{STACKUP");
  const std::size_t end = text.find("}\r\n", begin);
  if (begin == std::string::npos || end == std::string::npos) std::abort();
  return text.substr(begin, end + 3 - begin) + "\r\n";
}

FloorTables MakeFloorTables(const Api& api, const std::string& scratch) {
  FloorTables t;
  for (int l = 0; l <= kMaxLayer; ++l) {
    std::string name = LayerCodeName(LayerToLayerCode(l));
    std::replace(name.begin(), name.end(), ' ', '_');
    t.layerNames[static_cast<std::size_t>(l)] = name;
  }
  if (!RunExport(scratch, kFormatName)) std::abort();
  t.stackup = StackupOf(scratch);
  const THandle board = api.PcbApi_GetCurrentBoardHandle();
  auto add = [&](const Geometry& g, bool via) {
    if (!t.padstackIndex.emplace(g, static_cast<int>(t.padstackIndex.size())).second) return;
    t.padstacks += "{PADSTACK=" + std::to_string(t.padstackIndex.size() - 1) + ", " + FormatLength(g.v[4]) + "\r\n";
    if (via)
      t.padstacks += "  (MDEF, 1, " + FormatLength(g.v[3]) + ", " + FormatLength(g.v[3]) + ", 0, M)\r\n";
    else
      t.padstacks += "  (" + t.layerNames[static_cast<std::size_t>(std::clamp(g.v[0], 0, 82))] + ", " +
                     std::to_string(g.v[1]) + ", " + FormatLength(g.v[2]) + ", " + FormatLength(g.v[3]) + ", 0, M)\r\n";
    t.padstacks += "}\r\n";
  };
  api.Each(board, kPadKind, 0, [&](THandle h) { add(QueryPad(api, h).geometry, false); });
  api.Each(board, kViaKind, 0, [&](THandle h) { add(QueryVia(api, h).geometry, true); });
  return t;
}

const std::string& LayerName(const FloorTables& t, TLayerCode layer) {
  return t.layerNames[layer <= static_cast<TLayerCode>(kMaxLayer) ? layer : 0];
}

void SegmentLine(std::string& out, const char* record, const Track& t, const FloorTables* tables) {
  out += "  (";
  out += record;
  out += " X1=" + FormatLength(t.x) + " Y1=" + FormatLength(t.y) + " X2=" + FormatLength(t.x2) +
         " Y2=" + FormatLength(t.y2);
  if (tables != nullptr) out += " W=" + FormatLength(t.width) + " L=" + LayerName(*tables, t.layer);
  out += ")\r\n";
}

void ArcLine(std::string& out, const char* record, const Arc& a, const FloorTables* tables) {
  // The end points with the library's long-double trigonometry and rounding,
  // which the output's bytes depend on.
  // A net's arc lists its end point first, the outline's its start point.
  pcbgeom::TSinCos s = pcbgeom::SinCos(pcbgeom::Radians(pcbgeom::NormaliseDegrees(a.start)));
  pcbgeom::TSinCos e = pcbgeom::SinCos(pcbgeom::Radians(pcbgeom::NormaliseDegrees(a.end)));
  if (tables != nullptr) std::swap(s, e);
  const auto at = [](std::int32_t c, std::int32_t r, long double f) {
    return pcbgeom::SaturatingAdd(pcbgeom::RoundHalfEven(f * static_cast<long double>(r)), c);
  };
  out += "  (";
  out += record;
  out += " X1=" + FormatLength(at(a.x, a.radius, s.Cos)) + " Y1=" + FormatLength(at(a.y, a.radius, s.Sin)) +
         " X2=" + FormatLength(at(a.x, a.radius, e.Cos)) + " Y2=" + FormatLength(at(a.y, a.radius, e.Sin)) +
         " XC=" + FormatLength(a.x) + " YC=" + FormatLength(a.y) + " R=" + FormatLength(a.radius);
  if (tables != nullptr) out += " W=" + FormatLength(a.width) + " L=" + LayerName(*tables, a.layer);
  out += ")\r\n";
}

// One floor run: the whole text into one buffer, written to the file at once.
void FloorExport(const Api& api, const FloorTables& t, const std::string& path, std::string& out) {
  out.clear();
  out += "{VERSION=2.14}\r\n\r\n{UNITS=ENGLISH LENGTH}\r\n\r\n{BOARD \r\n";
  const THandle board = api.PcbApi_GetCurrentBoardHandle();
  api.Each(board, kTrackKind, kKeepOutLayer,
           [&](THandle h) { SegmentLine(out, "PERIMETER_SEGMENT", QueryTrack(api, h), nullptr); });
  api.Each(board, kArcKind, kKeepOutLayer,
           [&](THandle h) { ArcLine(out, "PERIMETER_ARC", QueryArc(api, h), nullptr); });
  out += "}\r\n\r\n";
  out += t.stackup;

  out += "{DEVICES\r\n";
  std::unordered_map<THandle, std::string> designators;
  api.Each(board, kComponentKind, 0, [&](THandle h) {
    TLayerByte layer = 0;
    THandle designator = 0;
    api.PcbApi_QueryComponent(1, h, nullptr, nullptr, &layer, nullptr, &designator, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr);
    TShortString text;
    api.PcbApi_QueryText(1, designator, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, &text, nullptr, nullptr, nullptr);
    std::string& name = designators[h] = text.str();
    out += "  (? REF=" + name + " L=" + LayerName(t, layer) + ")\r\n";
  });
  out += "}\r\n\r\n";
  out += t.padstacks;
  out += "\r\n";

  api.Each(board, kNetKind, 0, [&](THandle net) {
    TShortString name;
    api.PcbApi_QueryNet(1, net, nullptr, &name, nullptr, nullptr);
    out += "{NET=" + name.str() + "\r\n";
    api.Each(net, kTrackKind, 0, [&](THandle h) { SegmentLine(out, "SEG", QueryTrack(api, h), &t); });
    api.Each(net, kArcKind, 0, [&](THandle h) { ArcLine(out, "ARC", QueryArc(api, h), &t); });
    api.Each(net, kViaKind, 0, [&](THandle h) {
      const Via v = QueryVia(api, h);
      const auto found = t.padstackIndex.find(v.geometry);
      out += "  (VIA X=" + FormatLength(v.x) + " Y=" + FormatLength(v.y) +
             " P=" + std::to_string(found != t.padstackIndex.end() ? found->second : -1) + ")\r\n";
    });
    api.Each(net, kPadKind, 0, [&](THandle h) {
      const Pad p = QueryPad(api, h);
      const auto found = t.padstackIndex.find(p.geometry);
      const auto owner = designators.find(p.component);
      out += "  (PIN X=" + FormatLength(p.x) + " Y=" + FormatLength(p.y) +
             " R=" + (owner != designators.end() ? owner->second : std::string("?")) + "." + p.name.str() +
             " P=" + std::to_string(found != t.padstackIndex.end() ? found->second : -1) + ")\r\n";
    });
    out += "}\r\n";
  });
  out += "{END}\r\n";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(out.data(), 1, out.size(), f);
  std::fclose(f);
}

// Times floor runs on the loaded board (primitivesPerUnit primitives per unit
// of the benchmark's argument); true when the floor's file is byte for byte
// the export's, written once before the timing.
bool TimeFloor(benchmark::State& state, std::int64_t primitivesPerUnit) {
  tqtest::ScratchDir dir;
  const std::string out = dir / "floor.hyp";
  const std::string exported = dir / "export.hyp";
  const Api api;
  const FloorTables tables = MakeFloorTables(api, exported);
  std::string buffer;
  for (auto _ : state) FloorExport(api, tables, out, buffer);
  state.SetItemsProcessed(state.iterations() * state.range(0) * primitivesPerUnit);
  state.counters["bytes"] = static_cast<double>(buffer.size());
  return buffer == tqtest::ReadFile(exported);
}

void BM_FloorGenerated(benchmark::State& state) {
  LoadGenerated(static_cast<int>(state.range(0)));
  TimeFloor(state, 76);  // simpler DEVICES and PADSTACK texts: not the same bytes
}
BENCHMARK(BM_FloorGenerated)->Arg(130)->Arg(1300)->Arg(13000)->Unit(benchmark::kMillisecond);

// The floor of the outline boards of BM_ExportOutline: the same run, which on
// a board without components and nets writes the outline, the stack-up and the
// empty sections, exactly the export's file.
void BM_FloorOutline(benchmark::State& state) {
  LoadOutline(static_cast<int>(state.range(0)));
  if (!TimeFloor(state, 2)) state.SkipWithError("the floor's file differs from the export's");
}
BENCHMARK(BM_FloorOutline)->Arg(100)->Arg(5000)->Arg(50000)->Arg(500000)->Unit(benchmark::kMillisecond);

// Prints the runs as usual and keeps the fastest CPU time of each.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal.
  RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) != 0 ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
      auto [it, fresh] = fastest_.emplace(r.benchmark_name(), r.GetAdjustedCPUTime());
      if (!fresh) it->second = std::min(it->second, r.GetAdjustedCPUTime());
    }
  }
  // "export/floor" for every size that both ran at.
  void PrintRatios() const {
    struct Pair {
      const char* board;
      const char* unit;
    };
    for (const Pair pair : {Pair{"Outline", "outline tracks and as many arcs"}, Pair{"Generated", "components"}}) {
      const std::string prefix = std::string("BM_Export") + pair.board + "/";
      for (const auto& [name, exportTime] : fastest_) {
        if (name.rfind(prefix, 0) != 0) continue;
        const std::string size = name.substr(prefix.size());
        auto floor = fastest_.find(std::string("BM_Floor") + pair.board + "/" + size);
        if (floor == fastest_.end() || floor->second <= 0) continue;
        std::printf("export/floor at %s %s: %.2f (CPU %.3g / %.3g)\n", size.c_str(), pair.unit,
                    exportTime / floor->second, exportTime, floor->second);
      }
    }
  }

 private:
  std::map<std::string, double> fastest_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
