#include "hyp/Outline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "hyp/NumberFormat.h"

namespace {

// One printed unit of a length (0.0001 inch) in host units.
constexpr std::int64_t kPrintedUnit = 1000;

struct TEnd {
  std::int32_t* x;
  std::int32_t* y;
};

TEnd EndOf(TOutlinePiece& piece, int end) { return end == 0 ? TEnd{&piece.X1, &piece.Y1} : TEnd{&piece.X2, &piece.Y2}; }

std::int64_t Cell(std::int32_t v) {
  const std::int64_t value = v;
  return value >= 0 ? value / kPrintedUnit : -((-value + kPrintedUnit - 1) / kPrintedUnit);
}

struct TCellHash {
  std::size_t operator()(const std::pair<std::int64_t, std::int64_t>& c) const {
    return std::hash<std::int64_t>()(c.first * 1000003 + c.second);
  }
};

// The ends of the pieces, numbered 2 * piece + (0 for the first, 1 for the
// second end).
std::size_t PieceOf(std::size_t end) { return end / 2; }

TEnd EndAt(std::vector<TOutlinePiece>& pieces, std::size_t end) {
  return EndOf(pieces[PieceOf(end)], static_cast<int>(end % 2));
}

// The printed point of every end.
std::vector<std::string> PrintedEnds(std::vector<TOutlinePiece>& pieces) {
  std::vector<std::string> texts(2 * pieces.size());
  for (std::size_t k = 0; k < texts.size(); ++k) {
    const TEnd end = EndAt(pieces, k);
    texts[k] = OutlinePointText(*end.x, *end.y);
  }
  return texts;
}

using TCell = std::pair<std::int64_t, std::int64_t>;

// The loose ends (whose printed point no other end shares), by the grid
// cell of one printed unit they lie in.
std::unordered_map<TCell, std::vector<std::size_t>, TCellHash> LooseEndsByCell(std::vector<TOutlinePiece>& pieces) {
  const std::vector<std::string> texts = PrintedEnds(pieces);
  std::unordered_map<std::string, int> printed;
  for (const std::string& text : texts) ++printed[text];
  std::unordered_map<TCell, std::vector<std::size_t>, TCellHash> cells;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    if (printed[texts[k]] != 1) continue;
    const TEnd end = EndAt(pieces, k);
    cells[{Cell(*end.x), Cell(*end.y)}].push_back(k);
  }
  return cells;
}

// The loose ends of other pieces less than one printed unit from loose end
// `k`, found in the nine cells around it (whole numbers, so that every
// build decides alike).
std::vector<std::size_t> NearEnds(std::vector<TOutlinePiece>& pieces,
                                  const std::unordered_map<TCell, std::vector<std::size_t>, TCellHash>& cells,
                                  std::size_t k) {
  const TEnd a = EndAt(pieces, k);
  std::vector<std::size_t> near;
  for (std::int64_t cx = Cell(*a.x) - 1; cx <= Cell(*a.x) + 1; ++cx)
    for (std::int64_t cy = Cell(*a.y) - 1; cy <= Cell(*a.y) + 1; ++cy) {
      const auto found = cells.find({cx, cy});
      if (found == cells.end()) continue;
      for (std::size_t j : found->second) {
        const TEnd b = EndAt(pieces, j);
        const std::int64_t ex = std::int64_t{*a.x} - *b.x, ey = std::int64_t{*a.y} - *b.y;
        if (PieceOf(j) != PieceOf(k) && ex * ex + ey * ey < kPrintedUnit * kPrintedUnit) near.push_back(j);
      }
    }
  return near;
}

// Two loose ends of different pieces less than one printed unit apart, each
// the only such end near the other, take one text: the later end in the
// order given takes the earlier one's coordinates. Ends that print equal
// already, and clusters where the joining would have to choose, stay.
void JoinEnds(std::vector<TOutlinePiece>& pieces, TOutlineNotes& notes) {
  const auto cells = LooseEndsByCell(pieces);
  std::vector<std::pair<std::size_t, std::size_t>> joins;  // later end, earlier end
  for (const auto& [cell, ends] : cells)
    for (std::size_t k : ends) {
      const std::vector<std::size_t> near = NearEnds(pieces, cells, k);
      if (near.size() == 1 && near[0] < k && NearEnds(pieces, cells, near[0]).size() == 1)
        joins.emplace_back(k, near[0]);
    }
  std::sort(joins.begin(), joins.end());
  for (const auto& [later, earlier] : joins) {
    const TEnd from = EndAt(pieces, earlier), to = EndAt(pieces, later);
    *to.x = *from.x;
    *to.y = *from.y;
    if (notes.Joined++ == 0) notes.JoinedExample = OutlinePointText(*from.x, *from.y);
  }
}

using TBox = std::array<std::int64_t, 4>;  // left, bottom, right, top
constexpr TBox kNoBox = {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::max(),
                         std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::min()};

bool Holds(const TBox& outer, const TBox& inner) {
  return outer[0] <= inner[0] && outer[1] <= inner[1] && outer[2] >= inner[2] && outer[3] >= inner[3];
}

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

std::string OutlinePointText(std::int32_t x, std::int32_t y) {
  return "X=" + FormatLength(x) + " Y=" + FormatLength(y);
}

namespace {

// The pieces joined where their ends print equal, as a reader joins them:
// each piece's loop, whether the loop closes (every point of it joins an
// even number of ends; an odd point leaves an end that meets nothing), and
// the loose ends counted in `notes`.
struct TLoops {
  std::vector<std::size_t> loopOf;
  std::vector<bool> closed;  // by loop
};

TLoops FindLoops(std::vector<TOutlinePiece>& pieces, const std::vector<std::string>& texts, TOutlineNotes& notes) {
  std::unordered_map<std::string, std::pair<int, std::size_t>> points;  // ends there, a piece ending there
  for (std::size_t k = 0; k < texts.size(); ++k) {
    auto& point = points[texts[k]];
    ++point.first;
    point.second = PieceOf(k);
  }
  TUnion loops(pieces.size());
  for (std::size_t k = 0; k < texts.size(); ++k) loops.Join(PieceOf(k), points[texts[k]].second);
  TLoops result{std::vector<std::size_t>(pieces.size()), std::vector<bool>(pieces.size(), true)};
  for (std::size_t i = 0; i < pieces.size(); ++i) result.loopOf[i] = loops.Find(i);
  for (std::size_t k = 0; k < texts.size(); ++k) {
    if (points[texts[k]].first % 2 == 0) continue;
    result.closed[result.loopOf[PieceOf(k)]] = false;
    if (notes.Open++ == 0) notes.OpenExample = texts[k];
  }
  return result;
}

// The edge: the first closed loop whose box holds the box of every other
// closed loop, when there are two closed loops or more; `pieces.size()` when
// there is no such loop.
std::size_t FindEdge(const std::vector<TOutlinePiece>& pieces, const TLoops& loops) {
  std::unordered_map<std::size_t, TBox> boxes;  // closed loop -> its box
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (!loops.closed[loops.loopOf[i]]) continue;
    Extend(pieces[i], boxes.try_emplace(loops.loopOf[i], kNoBox).first->second);
  }
  if (boxes.size() < 2) return pieces.size();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const auto candidate = boxes.find(loops.loopOf[i]);
    if (candidate == boxes.end()) continue;
    const bool holds = std::all_of(boxes.begin(), boxes.end(),
                                   [&](const auto& other) { return Holds(candidate->second, other.second); });
    if (holds) return candidate->first;
  }
  return pieces.size();
}

}  // namespace

std::vector<std::size_t> ArrangeOutline(std::vector<TOutlinePiece>& pieces, TOutlineNotes& notes) {
  std::vector<std::size_t> order(pieces.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (pieces.empty()) return order;
  JoinEnds(pieces, notes);
  const std::vector<std::string> texts = PrintedEnds(pieces);
  const TLoops loops = FindLoops(pieces, texts, notes);
  const std::size_t edge = FindEdge(pieces, loops);
  if (edge == pieces.size() || loops.loopOf[0] == edge) return order;
  std::stable_partition(order.begin(), order.end(), [&](std::size_t i) { return loops.loopOf[i] == edge; });
  for (std::size_t i : order) {
    if (loops.loopOf[i] != edge) break;
    if (notes.Moved++ == 0) notes.MovedExample = texts[2 * i];
  }
  return order;
}
