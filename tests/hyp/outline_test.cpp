// Arranging the board outline: the same decisions for a handful of pieces
// and for outlines long enough to be sorted in a different way.
#include "hyp/Outline.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace {

TOutlinePiece Segment(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  TOutlinePiece p;
  p.X1 = x1, p.Y1 = y1, p.X2 = x2, p.Y2 = y2;
  return p;
}

// A square of side `side` with its lower left corner at (x, y), as four
// segments counter-clockwise; `gap` moves the last segment's end off the
// first segment's start along X.
std::vector<TOutlinePiece> Square(std::int32_t x, std::int32_t y, std::int32_t side, std::int32_t gap = 0) {
  return {Segment(x, y, x + side, y), Segment(x + side, y, x + side, y + side),
          Segment(x + side, y + side, x, y + side), Segment(x, y + side, x + gap, y)};
}

// `rows` x `rows` cut-outs 0.1 inch wide, `pitch` apart about the origin,
// given side by side (every first segment, then every second ...), the
// first cut-out with an end 600 units (less than a printed unit) off and the
// second without its last segment; then the edge, a square around them all.
std::vector<TOutlinePiece> Board(int rows, std::int32_t pitch) {
  constexpr std::int32_t kSide = 1000000;
  std::vector<std::vector<TOutlinePiece>> squares;
  const std::int32_t origin = -rows / 2 * pitch;
  for (int i = 0; i < rows * rows; ++i)
    squares.push_back(Square(origin + i % rows * pitch, origin + i / rows * pitch, kSide, i == 0 ? 600 : 0));
  std::vector<TOutlinePiece> pieces;
  for (std::size_t side = 0; side < 4; ++side)
    for (std::size_t i = 0; i < squares.size(); ++i)
      if (i != 1 || side != 3) pieces.push_back(squares[i][side]);
  const std::int32_t edge = origin - pitch;
  for (const TOutlinePiece& p : Square(edge, edge, (rows + 1) * pitch + kSide)) pieces.push_back(p);
  return pieces;
}

TEST(ArrangeOutline, LongOutlinesAreArrangedLikeShortOnes) {
  struct TCase {
    int rows;
    std::int32_t pitch;
  };
  // 4, 1,600 and 5,184 cut-outs; the last two long enough for the other
  // sort, the last reaching +-100 inch.
  for (const TCase c : {TCase{2, 2000000}, TCase{40, 3000000}, TCase{72, 29000000}}) {
    std::vector<TOutlinePiece> pieces = Board(c.rows, c.pitch);
    const std::size_t n = pieces.size(), cutOutPieces = n - 4;
    TOutlineNotes notes;
    const std::vector<std::size_t> order = ArrangeOutline(pieces, notes);
    std::vector<std::size_t> expected = {n - 4, n - 3, n - 2, n - 1};
    expected.resize(n);
    std::iota(expected.begin() + 4, expected.end(), std::size_t{0});
    EXPECT_EQ(order, expected) << c.rows;
    EXPECT_EQ(notes.Moved, 4u) << c.rows;
    EXPECT_EQ(notes.Joined, 1u) << c.rows;
    EXPECT_EQ(notes.Open, 2u) << c.rows;
    // The joined end is the first cut-out's last, which takes its start.
    const std::size_t joined = cutOutPieces - (c.rows * c.rows - 1);
    EXPECT_EQ(pieces[joined].X2, pieces[0].X1) << c.rows;
    EXPECT_EQ(pieces[joined].Printed[2], pieces[0].Printed[0]) << c.rows;
  }
}

// Ends are near whatever order their printed points come in: (1400, 0)
// prints at X=0.0001 and (1600, 600) at X=0.0002 after (2450, 0), which
// lies more than a unit to the right of the first.
TEST(ArrangeOutline, NearEndsAreFoundPastEndsThatPrintFurtherRight) {
  std::vector<TOutlinePiece> pieces = {Segment(1400, 0, 1400, -500000), Segment(2450, 0, 2450, 500000),
                                       Segment(1600, 600, 900000, 600)};
  TOutlineNotes notes;
  ArrangeOutline(pieces, notes);
  EXPECT_EQ(notes.Joined, 1u);
  EXPECT_EQ(pieces[2].X1, 1400);
  EXPECT_EQ(pieces[2].Y1, 0);
}

}  // namespace
