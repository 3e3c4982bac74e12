// Arranging the board outline: which ends are joined, the order the pieces
// are written in, what the notes tell; the same decisions for a handful of
// pieces and for outlines long enough to be sorted in a different way.
#include "hyp/Outline.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

namespace {

TOutlinePiece Segment(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  TOutlinePiece p;
  p.X1 = x1, p.Y1 = y1, p.X2 = x2, p.Y2 = y2;
  return p;
}

// An arc about (xc, yc) of radius r, counter-clockwise from `start` to `end`
// degrees, its ends at those angles, rounded to host units.
TOutlinePiece Arc(std::int32_t xc, std::int32_t yc, std::int32_t r, double start, double end) {
  constexpr double kDegree = 3.14159265358979323846 / 180.0;
  const auto at = [&](double c, double angle, double (*f)(double)) {
    return static_cast<std::int32_t>(std::lround(c + r * f(angle * kDegree)));
  };
  TOutlinePiece p =
      Segment(at(xc, start, std::cos), at(yc, start, std::sin), at(xc, end, std::cos), at(yc, end, std::sin));
  p.Arc = true, p.XC = xc, p.YC = yc, p.R = r, p.StartAngle = start, p.EndAngle = end;
  return p;
}

using TPieces = std::vector<TOutlinePiece>;

// A square of side `side` with its lower left corner at (x, y), as four
// segments counter-clockwise; `gap` moves the last segment's end off the
// first segment's start along X.
TPieces Square(std::int32_t x, std::int32_t y, std::int32_t side, std::int32_t gap = 0) {
  return {Segment(x, y, x + side, y), Segment(x + side, y, x + side, y + side),
          Segment(x + side, y + side, x, y + side), Segment(x, y + side, x + gap, y)};
}

TPieces Join(std::initializer_list<TPieces> groups) {
  TPieces all;
  for (const TPieces& g : groups) all.insert(all.end(), g.begin(), g.end());
  return all;
}

// The pieces' ends as the file prints them and as host units.
std::vector<std::array<std::int32_t, 8>> Ends(const TPieces& pieces) {
  std::vector<std::array<std::int32_t, 8>> ends;
  for (const TOutlinePiece& p : pieces)
    ends.push_back({p.X1, p.Y1, p.X2, p.Y2, p.Printed[0], p.Printed[1], p.Printed[2], p.Printed[3]});
  return ends;
}

// The pieces with their printed ends set, as they are given.
TPieces Printed(TPieces pieces) {
  for (TOutlinePiece& p : pieces) SetPrintedEnds(p);
  return pieces;
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInch = 10000000;

// Two loose ends less than 10 micrometres (3937 units) apart, each the only
// one near the other, take one point; the expected ends are the pieces with
// the moving end set where it goes (or the pieces as given).
TEST(ArrangeOutline, EndsLessThanTheJoinDistanceApartAreJoined) {
  const TOutlinePiece far = Segment(0, 0, 0, kInch);
  struct TCase {
    const char* what;
    TPieces given, expected;
  };
  const TCase cases[] = {
      {"3936 apart", {far, Segment(3936, 0, kInch, 0)}, {far, Segment(0, 0, kInch, 0)}},
      {"exactly 3937 apart", {far, Segment(3937, 0, kInch, 0)}, {far, Segment(3937, 0, kInch, 0)}},
      {"2783 apart in X and Y", {far, Segment(2783, -2783, kInch, 0)}, {far, Segment(0, 0, kInch, 0)}},
      {"2784 apart in X and Y (3937.3)", {far, Segment(2784, -2784, kInch, 0)}, {far, Segment(2784, -2784, kInch, 0)}},
      {"across a cell's side", {far, Segment(-3400, 0, -kInch, 0)}, {far, Segment(0, 0, -kInch, 0)}},
      {"the later end moves",
       {Segment(kInch, 0, 3000, 0), far},
       {Segment(kInch, 0, 3000, 0), Segment(3000, 0, 0, kInch)}},
      // 4 micrometres: the track's end moves onto the arc, earlier or later.
      {"an arc, then a track",
       {Arc(0, 0, kInch, 0, 90), Segment(kInch + 1575, 0, kInch, -kInch)},
       {Arc(0, 0, kInch, 0, 90), Segment(kInch, 0, kInch, -kInch)}},
      {"a track, then an arc",
       {Segment(kInch + 1575, 0, kInch, -kInch), Arc(0, 0, kInch, 0, 90)},
       {Segment(kInch, 0, kInch, -kInch), Arc(0, 0, kInch, 0, 90)}},
      {"two arcs: the later moves",
       {Arc(0, 0, kInch, 0, 90), Arc(kInch + 1575, -kInch, kInch, 90, 180)},
       {Arc(0, 0, kInch, 0, 90),
        [] {
          TOutlinePiece a = Arc(kInch + 1575, -kInch, kInch, 90, 180);
          a.X1 = kInch;
          return a;
        }()}},
      // Ends that meet already stay; so does a loose end near them.
      {"near a corner",
       {far, Segment(0, 0, -kInch, 0), Segment(2000, 0, kInch, 0)},
       {far, Segment(0, 0, -kInch, 0), Segment(2000, 0, kInch, 0)}},
      {"three near",
       {far, Segment(2000, 0, kInch, 0), Segment(-2000, 0, -kInch, 0)},
       {far, Segment(2000, 0, kInch, 0), Segment(-2000, 0, -kInch, 0)}},
      {"three near, the middle last",
       {Segment(2000, 0, kInch, 0), Segment(-2000, 0, -kInch, 0), far},
       {Segment(2000, 0, kInch, 0), Segment(-2000, 0, -kInch, 0), far}},
      {"one piece's two ends", {Segment(0, 0, 3000, 0)}, {Segment(0, 0, 3000, 0)}},
      // Far apart at the limits of 32-bit coordinates: never near.
      {"the far corners",
       {Segment(kMin, kMin, 0, 0), Segment(kMax, kMax, kInch, 0)},
       {Segment(kMin, kMin, 0, 0), Segment(kMax, kMax, kInch, 0)}},
      {"the far sides",
       {Segment(5, kMin, 0, 0), Segment(5, kMax, kInch, 0)},
       {Segment(5, kMin, 0, 0), Segment(5, kMax, kInch, 0)}},
      {"near at the corner",
       {Segment(kMax, kMin, 0, 0), Segment(kMax - 3000, kMin + 10, kInch, 0)},
       {Segment(kMax, kMin, 0, 0), Segment(kMax, kMin, kInch, 0)}},
  };
  for (const TCase& c : cases) {
    TPieces pieces = c.given;
    TOutlineNotes notes;
    ArrangeOutline(pieces, notes);
    const TPieces expected = Printed(c.expected);
    const bool moved = Ends(expected) != Ends(Printed(c.given));
    EXPECT_EQ(Ends(pieces), Ends(expected)) << c.what;
    EXPECT_EQ(notes.Joined, moved ? 1u : 0u) << c.what;
  }
}

// The order the pieces are written in, and what the notes tell: the edge
// first, then the other closed loops, then the pieces of no closed loop;
// with fewer than two closed loops, the order given.
TEST(ArrangeOutline, TheEdgeComesFirstAndLoosePiecesLast) {
  const TPieces edge = Square(0, 0, 10 * kInch), cutOut = Square(4 * kInch, 4 * kInch, kInch);
  const TPieces other = Square(12 * kInch, 0, kInch), stray = {Segment(20 * kInch, 0, 21 * kInch, 0)};
  const TPieces openFrame = {edge[0], edge[1], edge[2]};
  // A diamond whose box only a whole round edge of 5 inch about (5, 5) inch
  // holds.
  const TPieces diamond = {Segment(5 * kInch, kInch / 2, 95 * kInch / 10, 5 * kInch),
                           Segment(95 * kInch / 10, 5 * kInch, 5 * kInch, 95 * kInch / 10),
                           Segment(5 * kInch, 95 * kInch / 10, kInch / 2, 5 * kInch),
                           Segment(kInch / 2, 5 * kInch, 5 * kInch, kInch / 2)};
  // Round edges about (5, 5) inch of radius 5 inch.
  const auto round = [](std::initializer_list<std::array<double, 2>> angles) {
    TPieces arcs;
    for (const auto& [start, end] : angles) arcs.push_back(Arc(5 * kInch, 5 * kInch, 5 * kInch, start, end));
    return arcs;
  };
  struct TCase {
    const char* what;
    TPieces pieces;
    std::vector<std::size_t> order;
    std::size_t moved = 0, stray = 0, open = 0, branches = 0;
  };
  const TCase cases[] = {
      {"the edge first", Join({edge, cutOut}), {0, 1, 2, 3, 4, 5, 6, 7}},
      {"a cut-out first", Join({cutOut, edge}), {4, 5, 6, 7, 0, 1, 2, 3}, 4},
      {"an open frame before a cut-out", Join({openFrame, cutOut}), {0, 1, 2, 3, 4, 5, 6}, 0, 0, 2},
      {"a loop after a loose piece", Join({stray, cutOut}), {0, 1, 2, 3, 4}, 0, 0, 2},
      {"a stray piece between loops", Join({edge, stray, cutOut}), {0, 1, 2, 3, 5, 6, 7, 8, 4}, 0, 1, 2},
      {"a stray piece last already", Join({edge, cutOut, stray}), {0, 1, 2, 3, 4, 5, 6, 7, 8}, 0, 0, 2},
      {"a cut-out, a stray piece, the edge", Join({cutOut, stray, edge}), {5, 6, 7, 8, 0, 1, 2, 3, 4}, 4, 1, 2},
      {"loops side by side, a stray piece between", Join({other, stray, cutOut}), {0, 1, 2, 3, 5, 6, 7, 8, 4}, 0, 1, 2},
      {"loops side by side", Join({other, cutOut}), {0, 1, 2, 3, 4, 5, 6, 7}},
      {"three tracks from one point",
       {Segment(0, 0, kInch, 0), Segment(0, 0, 0, kInch), Segment(0, 0, -kInch, 0)},
       {0, 1, 2},
       0,
       0,
       3,
       1},
      // A square with a spur at a corner, then a cut-out: not closed.
      {"a square with a spur",
       Join({cutOut, edge, {Segment(0, 0, -kInch, -kInch)}}),
       {0, 1, 2, 3, 4, 5, 6, 7, 8},
       0,
       0,
       1,
       1},
      {"a figure of eight",
       Join({Square(0, 0, kInch), Square(kInch, kInch, kInch)}),
       {0, 1, 2, 3, 4, 5, 6, 7},
       0,
       0,
       0,
       1},
      // An edge with a chord from corner to corner: two points of three
      // ends, not closed.
      {"an edge with a chord",
       Join({cutOut, edge, {Segment(0, 0, 10 * kInch, 10 * kInch)}}),
       {0, 1, 2, 3, 4, 5, 6, 7, 8},
       0,
       0,
       0,
       2},
      {"a round edge of one arc", Join({diamond, round({{0, 360}})}), {4, 0, 1, 2, 3}, 1},
      {"half circles from 90 and 270", Join({diamond, round({{90, 270}, {270, 90}})}), {4, 5, 0, 1, 2, 3}, 2},
      {"arcs across 0 degrees", Join({diamond, round({{300, 60}, {60, 300}})}), {4, 5, 0, 1, 2, 3}, 2},
      {"negative angles", Join({diamond, round({{-90, 90}, {90, 270}})}), {4, 5, 0, 1, 2, 3}, 2},
      {"negative angles across 0", Join({diamond, round({{-200, -20}, {-20, 160}})}), {4, 5, 0, 1, 2, 3}, 2},
      {"a round top",
       Join({diamond,
             {Segment(0, 5 * kInch, 0, 0), edge[0], Segment(10 * kInch, 0, 10 * kInch, 5 * kInch)},
             round({{0, 180}})}),
       {4, 5, 6, 7, 0, 1, 2, 3},
       4},
  };
  for (const TCase& c : cases) {
    TPieces pieces = c.pieces;
    TOutlineNotes notes;
    EXPECT_EQ(ArrangeOutline(pieces, notes), c.order) << c.what;
    EXPECT_EQ(notes.Moved, c.moved) << c.what;
    EXPECT_EQ(notes.Stray, c.stray) << c.what;
    EXPECT_EQ(notes.Open, c.open) << c.what;
    EXPECT_EQ(notes.Branches, c.branches) << c.what;
    EXPECT_EQ(notes.Joined, 0u) << c.what;
  }
}

// The notes' examples: the first case in the order given, as the file prints
// its point.
TEST(ArrangeOutline, NotesNameTheirFirstCase) {
  // A cut-out open by 2000 units, three tracks from one point, the edge.
  const std::int32_t x = -kInch;
  TPieces pieces = Join({Square(4 * kInch, 4 * kInch, kInch, 2000),
                         {Segment(x, 0, 2 * x, 0), Segment(x, 0, x, x), Segment(x, 0, 2 * x, x)},
                         Square(kInch, kInch, 9 * kInch)});
  TOutlineNotes notes;
  ArrangeOutline(pieces, notes);
  EXPECT_EQ(notes.MovedExample, "X=1.0000 Y=1.0000");
  EXPECT_EQ(notes.StrayExample, "X=-1.0000 Y=0.0000");
  EXPECT_EQ(notes.Stray, 3u);
  EXPECT_EQ(notes.OpenExample, "X=-2.0000 Y=0.0000");
  EXPECT_EQ(notes.Open, 3u);
  EXPECT_EQ(notes.JoinedExample, "X=4.0000 Y=4.0000");
  EXPECT_EQ(notes.Branches, 1u);
  EXPECT_EQ(notes.BranchEnds, 3u);
  EXPECT_EQ(notes.BranchExample, "X=-1.0000 Y=0.0000");
}

// `rows` x `rows` cut-outs 0.1 inch wide, `pitch` apart about the origin,
// given side by side (every first segment, then every second ...), the
// first cut-out with an end 600 units off and the second without its last
// segment; then the edge, a square around them all.
TPieces Board(int rows, std::int32_t pitch) {
  constexpr std::int32_t kSide = 1000000;
  std::vector<TPieces> squares;
  const std::int32_t origin = -rows / 2 * pitch;
  for (int i = 0; i < rows * rows; ++i)
    squares.push_back(Square(origin + i % rows * pitch, origin + i / rows * pitch, kSide, i == 0 ? 600 : 0));
  TPieces pieces;
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
  // 4, 1,600, 900 and 5,184 cut-outs; the last three long enough for the
  // other sort, one with points whose printed X and Y differ by multiples of
  // 65,536, the last reaching +-100 inch.
  for (const TCase c : {TCase{2, 2000000}, TCase{40, 3000000}, TCase{30, 65536000}, TCase{72, 29000000}}) {
    TPieces pieces = Board(c.rows, c.pitch);
    const std::size_t n = pieces.size(), cutOuts = static_cast<std::size_t>(c.rows * c.rows);
    TOutlineNotes notes;
    const std::vector<std::size_t> order = ArrangeOutline(pieces, notes);
    // The edge, the closed cut-outs, the open one's three pieces.
    std::vector<std::size_t> expected = {n - 4, n - 3, n - 2, n - 1};
    for (std::size_t i = 0; i < n - 4; ++i)
      if (i % cutOuts != 1 || i > 3 * cutOuts) expected.push_back(i);
    for (std::size_t side = 0; side < 3; ++side) expected.push_back(side * cutOuts + 1);
    EXPECT_EQ(order, expected) << c.rows;
    EXPECT_EQ(notes.Moved, 4u) << c.rows;
    EXPECT_EQ(notes.Stray, 3u) << c.rows;
    EXPECT_EQ(notes.Joined, 1u) << c.rows;
    EXPECT_EQ(notes.Open, 2u) << c.rows;
    // The joined end is the first cut-out's last, which takes its start.
    const std::size_t joined = 3 * cutOuts;
    EXPECT_EQ(pieces[joined].X2, pieces[0].X1) << c.rows;
    EXPECT_EQ(pieces[joined].Printed[2], pieces[0].Printed[0]) << c.rows;
  }
}

}  // namespace
