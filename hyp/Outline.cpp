#include "hyp/Outline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "hyp/NumberFormat.h"

namespace {

// The distance below which the editor joins two outline ends: 10
// micrometres in host units.
constexpr std::int64_t kJoinDistance = 3937;

// A point as the file prints it: the printed keys of X and Y, both in one
// number that orders points by X, then Y. Ends meet, for a reader, where
// their points are equal.
using TKey = std::uint64_t;

std::uint64_t Biased(std::int32_t key) { return static_cast<std::uint32_t>(key) ^ 0x80000000u; }
std::int32_t Unbiased(std::uint64_t bits) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits) ^ 0x80000000u);
}

struct TEnd {
  std::int32_t* x;
  std::int32_t* y;
  std::int32_t* printedX;
  std::int32_t* printedY;
  TKey Point() const { return Biased(*printedX) << 32 | Biased(*printedY); }
};

// The ends of the pieces, numbered 2 * piece + (0 for the first, 1 for the
// second end).
std::size_t PieceOf(std::size_t end) { return end / 2; }

TEnd EndAt(std::vector<TOutlinePiece>& pieces, std::size_t end) {
  TOutlinePiece& p = pieces[PieceOf(end)];
  return end % 2 == 0 ? TEnd{&p.X1, &p.Y1, p.Printed.data(), p.Printed.data() + 1}
                      : TEnd{&p.X2, &p.Y2, p.Printed.data() + 2, p.Printed.data() + 3};
}

std::string PointText(TKey point) {
  return "X=" + PrintedLengthText(Unbiased(point >> 32)) + " Y=" + PrintedLengthText(Unbiased(point));
}

// An end by its printed point: `first` is the point, `second` the end's
// number.
struct TEndAt {
  TKey first;
  std::uint32_t second;
  bool operator<(const TEndAt& other) const {
    return first != other.first ? first < other.first : second < other.second;
  }
};
using TEndsByPoint = std::vector<TEndAt>;

// Sorts ends given in the order of their numbers by point, keeping that
// order among equal points: by 16-bit digits of the point from the lowest,
// skipping the digits every point shares (on most boards the highest of X
// and of Y). Short lists take std::sort, which gives the same order.
void SortByPoint(TEndsByPoint& ends) {
  constexpr std::size_t kDigits = std::size_t{1} << 16;
  if (ends.size() < kDigits / 16) {
    std::sort(ends.begin(), ends.end());
    return;
  }
  TEndsByPoint sorted(ends.size());
  std::vector<std::uint32_t> start(kDigits);
  for (int shift = 0; shift < 64; shift += 16) {
    const auto digit = [shift](const TEndAt& end) {
      return static_cast<std::size_t>(end.first >> shift) & (kDigits - 1);
    };
    std::fill(start.begin(), start.end(), 0u);
    for (const TEndAt& end : ends) ++start[digit(end)];
    if (start[digit(ends[0])] == ends.size()) continue;
    std::uint32_t sum = 0;
    for (std::uint32_t& count : start) sum += std::exchange(count, sum);
    for (const TEndAt& end : ends) sorted[start[digit(end)]++] = end;
    ends.swap(sorted);
  }
}

// Every end by its printed point (then by its number): the ends that meet
// stand together.
TEndsByPoint EndsByPoint(std::vector<TOutlinePiece>& pieces) {
  TEndsByPoint ends(2 * pieces.size());
  for (std::size_t k = 0; k < ends.size(); ++k) ends[k] = {EndAt(pieces, k).Point(), static_cast<std::uint32_t>(k)};
  SortByPoint(ends);
  return ends;
}

// Calls `run(first, last)` for each run of ends that meet at one point.
template <typename TRun>
void ForEachPoint(const TEndsByPoint& ends, TRun run) {
  for (std::size_t first = 0, last = 0; first < ends.size(); first = last) {
    while (last < ends.size() && ends[last].first == ends[first].first) ++last;
    run(first, last);
  }
}

// A loose end: one whose printed point no other end shares, with the cell
// of one join distance that holds it. `nearCount` counts the loose ends of
// other pieces less than the join distance away, `near` is one of them (its
// index in the list).
struct TLoose {
  std::uint32_t end;
  std::int32_t x, y;
  TKey cell;
  std::int32_t nearCount = 0;
  std::uint32_t near = 0;
};

// The cell of a coordinate: ends less than the join distance apart lie in
// the same or in neighbouring cells. 32-bit coordinates give cells within
// +-2^20; a cell's key orders cells by X, then Y.
std::int64_t CellOf(std::int32_t v) {
  const std::int64_t q = v / kJoinDistance;
  return v % kJoinDistance < 0 ? q - 1 : q;
}
TKey CellKey(std::int64_t cx, std::int64_t cy) {
  return static_cast<TKey>(cx + (std::int64_t{1} << 30)) << 32 | static_cast<TKey>(cy + (std::int64_t{1} << 30));
}

// The loose ends sorted by cell, each with the loose ends of other pieces
// near it. The cells around a cell (X - 1 to X + 1, each with Y - 1 to Y + 1)
// are three runs of the sorted list, and they move on as the cell does: one
// pass with three cursors finds them. Loose ends print apart, so a cell holds
// at most 6 x 6 of them (five printed units and "-0.0000" across one join
// distance): the search is linear in the ends, whatever the outline's shape.
std::vector<TLoose> LooseEnds(std::vector<TOutlinePiece>& pieces, const TEndsByPoint& ends) {
  std::size_t count = 0;
  ForEachPoint(ends, [&](std::size_t first, std::size_t last) { count += last - first == 1 ? 1 : 0; });
  TEndsByPoint byCell;
  byCell.reserve(count);
  ForEachPoint(ends, [&](std::size_t first, std::size_t last) {
    if (last - first != 1) return;
    const TEnd end = EndAt(pieces, ends[first].second);
    byCell.push_back({CellKey(CellOf(*end.x), CellOf(*end.y)), ends[first].second});
  });
  SortByPoint(byCell);
  std::vector<TLoose> loose(byCell.size());
  for (std::size_t i = 0; i < loose.size(); ++i) {
    const TEnd end = EndAt(pieces, byCell[i].second);
    loose[i] = {byCell[i].second, *end.x, *end.y, byCell[i].first};
  }
  constexpr TKey kColumn = TKey{1} << 32;
  constexpr std::int64_t kNear = kJoinDistance * kJoinDistance;
  std::array<std::size_t, 3> cursor{};  // by column: X - 1, X, X + 1
  for (TLoose& a : loose) {
    for (std::size_t column = 0; column < 3; ++column) {
      const TKey low = a.cell + column * kColumn - kColumn - 1, high = low + 2;
      std::size_t& k = cursor[column];
      while (k < loose.size() && loose[k].cell < low) ++k;
      for (std::size_t j = k; j < loose.size() && loose[j].cell <= high; ++j) {
        const TLoose& b = loose[j];
        // Ends in neighbouring cells lie less than two cells apart: the
        // squares fit in 64 bits.
        const std::int64_t ex = std::int64_t{b.x} - a.x, ey = std::int64_t{b.y} - a.y;
        if (PieceOf(a.end) == PieceOf(b.end) || ex * ex + ey * ey >= kNear) continue;
        ++a.nearCount, a.near = static_cast<std::uint32_t>(j);
      }
    }
  }
  return loose;
}

// Two loose ends of different pieces less than the join distance apart,
// each the only such end near the other, take one text: where one ends an
// arc and the other a track, the track's end takes the arc's coordinates
// (an arc's end stays on its circle); otherwise the later end in the order
// given takes the earlier one's. Ends that print equal already, and
// clusters where the joining would have to choose, stay.
void JoinEnds(std::vector<TOutlinePiece>& pieces, const TEndsByPoint& ends, TOutlineNotes& notes) {
  const std::vector<TLoose> loose = LooseEnds(pieces, ends);
  std::vector<std::pair<std::size_t, std::size_t>> joins;  // later end, earlier end
  for (const TLoose& a : loose) {
    if (a.nearCount != 1) continue;
    const TLoose& b = loose[a.near];
    if (b.nearCount == 1 && b.end < a.end) joins.emplace_back(a.end, b.end);
  }
  std::sort(joins.begin(), joins.end());
  for (const auto& [later, earlier] : joins) {
    const bool trackToArc = pieces[PieceOf(later)].Arc && !pieces[PieceOf(earlier)].Arc;
    const TEnd from = EndAt(pieces, trackToArc ? later : earlier), to = EndAt(pieces, trackToArc ? earlier : later);
    *to.x = *from.x, *to.y = *from.y;
    *to.printedX = *from.printedX, *to.printedY = *from.printedY;
    if (notes.Joined++ == 0) notes.JoinedExample = PointText(from.Point());
  }
}

using TBox = std::array<std::int64_t, 4>;  // left, bottom, right, top
constexpr TBox kNoBox = {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::max(),
                         std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::min()};

void Extend(const TOutlinePiece& p, TBox& box) {
  const auto add = [&box](std::int64_t x, std::int64_t y) {
    box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
  };
  add(p.X1, p.Y1);
  add(p.X2, p.Y2);
  if (!p.Arc) return;
  const double start = std::fmod(std::fmod(p.StartAngle, 360.0) + 360.0, 360.0);
  double sweep = std::fmod(std::fmod(p.EndAngle - p.StartAngle, 360.0) + 360.0, 360.0);
  if (sweep == 0.0) sweep = 360.0;
  const std::int64_t r = p.R;
  for (int k = 0; k < 8; ++k) {
    const double axis = 90.0 * k;
    if (axis < start || axis > start + sweep) continue;
    const int quarter = k % 4;
    add(p.XC + (quarter == 0 ? r : quarter == 2 ? -r : 0), p.YC + (quarter == 1 ? r : quarter == 3 ? -r : 0));
  }
}

class TUnion {
 public:
  explicit TUnion(std::size_t n) : FParent(n) { std::iota(FParent.begin(), FParent.end(), std::size_t{0}); }
  std::size_t Find(std::size_t i) {
    while (FParent[i] != i) i = FParent[i] = FParent[FParent[i]];
    return i;
  }
  void Join(std::size_t a, std::size_t b) { FParent[Find(a)] = Find(b); }

 private:
  std::vector<std::size_t> FParent;
};

}  // namespace

std::int64_t PrintedLengthKey(std::int32_t value) {
  const TLengthUnits length = LengthUnits(value);
  const auto units = static_cast<std::int64_t>(length.units);
  return length.negative ? -units - 1 : units;
}

std::string PrintedLengthText(std::int64_t key) {
  const bool negative = key < 0;
  return LengthUnitsText({negative, static_cast<std::uint64_t>(negative ? -(key + 1) : key)});
}

void SetPrintedEnds(TOutlinePiece& piece) {
  // Printed keys of 32-bit lengths fit in 32 bits.
  const auto key = [](std::int32_t value) { return static_cast<std::int32_t>(PrintedLengthKey(value)); };
  piece.Printed = {key(piece.X1), key(piece.Y1), key(piece.X2), key(piece.Y2)};
}

namespace {

// The pieces joined where their ends print equal, as a reader joins them:
// each piece's loop, and whether the loop closes (every point of it joins
// an even number of ends). Ends that meet nothing and points where three
// ends or more meet (the outline branches there) are counted in `notes`.
struct TLoops {
  std::vector<std::size_t> loopOf;
  std::vector<bool> closed;  // by loop
};

TLoops FindLoops(std::vector<TOutlinePiece>& pieces, const TEndsByPoint& ends, TOutlineNotes& notes) {
  TUnion loops(pieces.size());
  // By end: how many ends meet at its point; 0 for all but the point's first
  // end in the order of their numbers.
  std::vector<std::uint32_t> meeting(ends.size(), 0);
  std::vector<bool> oddEnd(ends.size(), false);
  ForEachPoint(ends, [&](std::size_t first, std::size_t last) {
    for (std::size_t i = first + 1; i < last; ++i) loops.Join(PieceOf(ends[i].second), PieceOf(ends[first].second));
    for (std::size_t i = first; i < last; ++i) oddEnd[ends[i].second] = (last - first) % 2 != 0;
    meeting[ends[first].second] = static_cast<std::uint32_t>(last - first);
  });
  TLoops result{std::vector<std::size_t>(pieces.size()), std::vector<bool>(pieces.size(), true)};
  for (std::size_t i = 0; i < pieces.size(); ++i) result.loopOf[i] = loops.Find(i);
  for (std::size_t k = 0; k < ends.size(); ++k) {
    if (oddEnd[k]) result.closed[result.loopOf[PieceOf(k)]] = false;
    if (meeting[k] == 1 && notes.Open++ == 0) notes.OpenExample = PointText(EndAt(pieces, k).Point());
    if (meeting[k] >= 3 && notes.Branches++ == 0) {
      notes.BranchEnds = meeting[k];
      notes.BranchExample = PointText(EndAt(pieces, k).Point());
    }
  }
  return result;
}

// The edge: the first closed loop whose box holds the box of every other
// closed loop; `pieces.size()` when there is no such loop. `closedLoops`
// is set to the number of closed loops.
std::size_t FindEdge(const std::vector<TOutlinePiece>& pieces, const TLoops& loops, std::size_t& closedLoops) {
  std::vector<TBox> boxes(pieces.size(), kNoBox);  // by loop
  closedLoops = 0;
  TBox all = kNoBox;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::size_t loop = loops.loopOf[i];
    if (!loops.closed[loop]) continue;
    closedLoops += boxes[loop] == kNoBox ? 1 : 0;
    Extend(pieces[i], boxes[loop]);
    Extend(pieces[i], all);
  }
  // A box that holds every other box is the box of all of them.
  for (std::size_t i = 0; i < pieces.size(); ++i)
    if (loops.closed[loops.loopOf[i]] && boxes[loops.loopOf[i]] == all) return loops.loopOf[i];
  return pieces.size();
}

}  // namespace

std::vector<std::size_t> ArrangeOutline(std::vector<TOutlinePiece>& pieces, TOutlineNotes& notes) {
  std::vector<std::size_t> order(pieces.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (pieces.empty()) return order;
  for (TOutlinePiece& p : pieces) SetPrintedEnds(p);
  TEndsByPoint ends = EndsByPoint(pieces);
  JoinEnds(pieces, ends, notes);
  if (notes.Joined > 0) ends = EndsByPoint(pieces);
  const TLoops loops = FindLoops(pieces, ends, notes);
  std::size_t closedLoops = 0;
  const std::size_t edge = FindEdge(pieces, loops, closedLoops);
  // With one closed loop or none, a reader has no cut-out to take for the
  // edge: the order given stays.
  if (closedLoops < 2) return order;
  // The edge, the other closed loops, then the pieces of no closed loop.
  const auto group = [&](std::size_t i) {
    const std::size_t loop = loops.loopOf[i];
    return loop == edge ? 0 : loops.closed[loop] ? 1 : 2;
  };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return group(a) < group(b); });
  if (edge != pieces.size() && loops.loopOf[0] != edge)
    for (std::size_t i : order) {
      if (group(i) != 0) break;
      if (notes.Moved++ == 0) notes.MovedExample = PointText(EndAt(pieces, 2 * i).Point());
    }
  // The pieces of no closed loop that stood before a piece of a closed one.
  std::size_t lastClosed = pieces.size();
  while (lastClosed > 0 && group(lastClosed - 1) == 2) --lastClosed;
  for (std::size_t i = 0; i < lastClosed; ++i)
    if (group(i) == 2 && notes.Stray++ == 0) notes.StrayExample = PointText(EndAt(pieces, 2 * i).Point());
  return order;
}
