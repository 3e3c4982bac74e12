// Arranging the board outline (ArrangeOutline) on 100,000 pieces laid out
// three ways: separate pieces on one vertical line (every loose end prints
// the same X), closed square loops (no loose end), and separate pieces
// spread over the board. Times are per run; the pieces/s counter compares
// the layouts per piece.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "hyp/Outline.h"

namespace {

constexpr int kPieces = 100000;

TOutlinePiece Segment(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  TOutlinePiece p;
  p.X1 = x1, p.Y1 = y1, p.X2 = x2, p.Y2 = y2;
  return p;
}

// Pieces 0.5 mil long, 1 mil apart, on the line X = 1 inch.
std::vector<TOutlinePiece> OneLine() {
  std::vector<TOutlinePiece> pieces;
  for (std::int32_t k = 0; k < kPieces; ++k) {
    const std::int32_t y = -750000000 + 15000 * k;
    pieces.push_back(Segment(10000000, y, 10000000, y + 5000));
  }
  return pieces;
}

// Squares of side 0.1 inch, 0.2 inch apart, in rows of 100.
std::vector<TOutlinePiece> ClosedLoops() {
  std::vector<TOutlinePiece> pieces;
  constexpr std::int32_t kSide = 1000000;
  for (std::int32_t k = 0; k < kPieces / 4; ++k) {
    const std::int32_t x = k % 100 * 2 * kSide, y = k / 100 * 2 * kSide;
    for (const TOutlinePiece& p : {Segment(x, y, x + kSide, y), Segment(x + kSide, y, x + kSide, y + kSide),
                                   Segment(x + kSide, y + kSide, x, y + kSide), Segment(x, y + kSide, x, y)})
      pieces.push_back(p);
  }
  return pieces;
}

// Pieces up to 0.1 inch long anywhere on a board of 20 inch.
std::vector<TOutlinePiece> SpreadOut() {
  std::mt19937 random(1);
  std::uniform_int_distribution<std::int32_t> at(-100000000, 100000000), step(-1000000, 1000000);
  std::vector<TOutlinePiece> pieces;
  for (int k = 0; k < kPieces; ++k) {
    const std::int32_t x = at(random), y = at(random);
    pieces.push_back(Segment(x, y, x + step(random), y + step(random)));
  }
  return pieces;
}

template <std::vector<TOutlinePiece> (*Layout)()>
void BM_ArrangeOutline(benchmark::State& state) {
  const std::vector<TOutlinePiece> given = Layout();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<TOutlinePiece> pieces = given;
    TOutlineNotes notes;
    state.ResumeTiming();
    benchmark::DoNotOptimize(ArrangeOutline(pieces, notes));
  }
  state.counters["pieces/s"] = benchmark::Counter(
      static_cast<double>(given.size()) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ArrangeOutline<OneLine>)->Name("BM_ArrangeOutline/OneLine")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrangeOutline<ClosedLoops>)->Name("BM_ArrangeOutline/ClosedLoops")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrangeOutline<SpreadOut>)->Name("BM_ArrangeOutline/SpreadOut")->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
