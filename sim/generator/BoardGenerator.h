#pragma once
// Board documents of realistic size and make-up, for benchmarks and tests at
// scale: per 1,000 components about 6,000 pads of a few dozen distinct
// geometries, 3,000 nets, 8,000 vias, 60,000 track segments and 2,000 arcs,
// on 4 to 12 copper layers with planes. The same seed and size give the same
// document, byte for byte, on every build.
#include <cstdint>
#include <string>

namespace sim {

struct GeneratorOptions {
  std::uint64_t seed = 1;
  int components = 1000;
  // 0: the footprints' few dozen pad geometries. N > 0: the pads of the
  // components take N distinct sizes in turn (10 to 29.9 mil across, from
  // 10 mil along in steps of a tenth of a mil every 200), keeping their
  // footprint's shape and hole, so that a board with at least N pads has at
  // least N distinct padstacks.
  int distinctPads = 0;
};

// The board document as JSON text (see docs/board-format.md).
std::string GenerateBoardDocument(const GeneratorOptions& options);

// A board whose outline is `segments` keep-out tracks and as many arcs (at
// 30 to 120 degrees, radius 1/32 inch), on a stack of `layers` signal
// layers: the outline benchmarks' board.
std::string GenerateOutlineBoardDocument(int segments, int layers);

}  // namespace sim
