// Loading board documents into the simulated host's board: the time and the
// memory per object of a generated board (about 76 objects per component,
// so 13000 components give about a million), read from a file as the host
// program reads it and from text in memory as the benchmarks' host does.
//
// Memory is counted by this program's own allocator: every allocation is
// counted at its usable size, and a load reports the peak of the bytes in use
// during the load beyond those in use before it (peak_B_per_object) and the
// bytes the loaded board keeps (kept_B_per_object), each divided by the
// board's objects. The text of a document loaded from memory is not counted;
// a file is read in pieces and never held whole.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <rapidjson/filereadstream.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CountingAllocator.h"
#include "TestSupport.h"
#include "sim/board/BoardJson.h"
#include "sim/generator/BoardGenerator.h"

namespace {

// Times loads with `load` and counts the memory of one more.
template <typename Load>
void TimeLoad(benchmark::State& state, Load load) {
  std::size_t objects = 0;
  for (auto _ : state) {
    std::unique_ptr<sim::Board> board = load();
    objects = board->ObjectCount();
    state.PauseTiming();
    board.reset();  // not part of the load
    state.ResumeTiming();
  }
  const std::size_t before = tqbench::StartPeak();
  std::unique_ptr<sim::Board> board = load();
  const double perObject = static_cast<double>(std::max<std::size_t>(objects, 1));
  state.counters["objects"] = static_cast<double>(objects);
  state.counters["peak_B_per_object"] = static_cast<double>(tqbench::gPeakBytes - before) / perObject;
  state.counters["kept_B_per_object"] = static_cast<double>(tqbench::gLiveBytes - before) / perObject;
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(objects));
}

std::string Generated(int components) { return sim::GenerateBoardDocument({.seed = 1, .components = components}); }

void BM_LoadGeneratedFile(benchmark::State& state) {
  tqtest::ScratchDir dir;
  const std::string path = dir / "generated.json";
  tqtest::WriteFile(path, Generated(static_cast<int>(state.range(0))));
  TimeLoad(state, [&] { return sim::LoadBoardFile(path); });
}
BENCHMARK(BM_LoadGeneratedFile)->Arg(130)->Arg(1300)->Arg(13000)->Unit(benchmark::kMillisecond);

void BM_LoadGeneratedText(benchmark::State& state) {
  const std::string text = Generated(static_cast<int>(state.range(0)));
  TimeLoad(state, [&] { return sim::LoadBoardText(text, "generated.json"); });
}
BENCHMARK(BM_LoadGeneratedText)->Arg(13000)->Unit(benchmark::kMillisecond);

// The two parsers by themselves over the same file, with handlers that do
// nothing: what a load costs before the loader does anything with the events.
void BM_ParseOnlyFast(benchmark::State& state) {
  tqtest::ScratchDir dir;
  const std::string path = dir / "generated.json";
  tqtest::WriteFile(path, Generated(static_cast<int>(state.range(0))));
  std::vector<char> piece(std::size_t{1} << 20);
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    rapidjson::FileReadStream in(file, piece.data(), piece.size());
    rapidjson::BaseReaderHandler<> nothing;
    rapidjson::Reader reader;
    const bool ok =
        !reader.Parse<rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseCommentsFlag>(in, nothing).IsError();
    std::fclose(file);
    if (!ok) state.SkipWithError("not parsed");
  }
}
BENCHMARK(BM_ParseOnlyFast)->Arg(13000)->Unit(benchmark::kMillisecond);

void BM_ParseOnlyReference(benchmark::State& state) {
  tqtest::ScratchDir dir;
  const std::string path = dir / "generated.json";
  tqtest::WriteFile(path, Generated(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    if (!nlohmann::json::accept(in, /*ignore_comments=*/true)) state.SkipWithError("not parsed");
  }
}
BENCHMARK(BM_ParseOnlyReference)->Arg(13000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
