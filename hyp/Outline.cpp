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

// An end of a piece whose printed point no other end shares.
struct TLooseEnd {
  std::size_t piece;
  int end;
  std::int32_t x, y;
  std::vector<std::size_t> near;  // loose ends of other pieces less than a unit away
};

// Two loose ends of different pieces less than one printed unit apart, each
// the only such end near the other, take one text: the later end in the
// order given takes the earlier one's coordinates. Ends that print equal
// already, and clusters where the joining would have to choose, stay.
void JoinEnds(std::vector<TOutlinePiece>& pieces, TOutlineNotes& notes) {
  std::unordered_map<std::string, int> printed;
  for (TOutlinePiece& piece : pieces)
    for (int e = 0; e < 2; ++e) {
      const TEnd end = EndOf(piece, e);
      ++printed[OutlinePointText(*end.x, *end.y)];
    }
  std::vector<TLooseEnd> loose;
  std::unordered_map<std::pair<std::int64_t, std::int64_t>, std::vector<std::size_t>, TCellHash> cells;
  for (std::size_t i = 0; i < pieces.size(); ++i)
    for (int e = 0; e < 2; ++e) {
      const TEnd end = EndOf(pieces[i], e);
      if (printed[OutlinePointText(*end.x, *end.y)] != 1) continue;
      cells[{Cell(*end.x), Cell(*end.y)}].push_back(loose.size());
      loose.push_back({i, e, *end.x, *end.y, {}});
    }
  for (TLooseEnd& a : loose)
    for (std::int64_t dx = -1; dx <= 1; ++dx)
      for (std::int64_t dy = -1; dy <= 1; ++dy) {
        const auto found = cells.find({Cell(a.x) + dx, Cell(a.y) + dy});
        if (found == cells.end()) continue;
        for (std::size_t j : found->second) {
          const TLooseEnd& b = loose[j];
          // Whole numbers, so that every build decides alike.
          const std::int64_t ex = std::int64_t{a.x} - b.x, ey = std::int64_t{a.y} - b.y;
          if (b.piece != a.piece && ex * ex + ey * ey < kPrintedUnit * kPrintedUnit) a.near.push_back(j);
        }
      }
  for (std::size_t j = 0; j < loose.size(); ++j) {
    const TLooseEnd& later = loose[j];
    if (later.near.size() != 1 || later.near[0] > j) continue;
    const TLooseEnd& earlier = loose[later.near[0]];
    if (earlier.near.size() != 1) continue;
    const TEnd end = EndOf(pieces[later.piece], later.end);
    *end.x = earlier.x;
    *end.y = earlier.y;
    if (notes.Joined++ == 0) notes.JoinedExample = OutlinePointText(earlier.x, earlier.y);
  }
}

// The points a piece's bounding box holds: its ends and, for an arc, the
// points of its circle at 0, 90, 180 and 270 degrees that it sweeps.
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

std::vector<std::size_t> ArrangeOutline(std::vector<TOutlinePiece>& pieces, TOutlineNotes& notes) {
  std::vector<std::size_t> order(pieces.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (pieces.empty()) return order;
  JoinEnds(pieces, notes);

  // The pieces meet where their ends print equal, as a reader joins them.
  struct TPoint {
    int degree = 0;
    std::size_t piece = 0;  // a piece that ends here
  };
  std::unordered_map<std::string, TPoint> points;
  std::vector<std::string> endPoint(2 * pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i)
    for (int e = 0; e < 2; ++e) {
      const TEnd end = EndOf(pieces[i], e);
      std::string& text = endPoint[2 * i + static_cast<std::size_t>(e)];
      text = OutlinePointText(*end.x, *end.y);
      TPoint& point = points[text];
      ++point.degree;
      point.piece = i;
    }
  TUnion loops(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i)
    for (int e = 0; e < 2; ++e) loops.Join(i, points[endPoint[2 * i + static_cast<std::size_t>(e)]].piece);

  // A group of joined pieces is a closed loop when every point of it joins
  // an even number of ends; an odd point leaves an end that meets nothing.
  std::vector<bool> closed(pieces.size(), true);
  for (std::size_t i = 0; i < pieces.size(); ++i)
    for (int e = 0; e < 2; ++e) {
      const std::string& text = endPoint[2 * i + static_cast<std::size_t>(e)];
      if (points[text].degree % 2 == 0) continue;
      closed[loops.Find(i)] = false;
      if (notes.Open++ == 0) notes.OpenExample = text;
    }

  std::unordered_map<std::size_t, TBox> boxes;  // closed loop -> its box
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::size_t loop = loops.Find(i);
    if (!closed[loop]) continue;
    auto [at, added] = boxes.try_emplace(loop, kNoBox);
    Extend(pieces[i], at->second);
  }
  if (boxes.size() < 2) return order;
  // The edge is the first loop whose box holds every other loop's box;
  // without one the order given stays.
  std::size_t outer = pieces.size();
  for (std::size_t i = 0; i < pieces.size() && outer == pieces.size(); ++i) {
    const auto candidate = boxes.find(loops.Find(i));
    if (candidate == boxes.end()) continue;
    bool holds = true;
    for (const auto& [loop, box] : boxes) holds = holds && Holds(candidate->second, box);
    if (holds) outer = candidate->first;
  }
  if (outer == pieces.size() || loops.Find(0) == outer) return order;
  std::stable_partition(order.begin(), order.end(), [&](std::size_t i) { return loops.Find(i) == outer; });
  for (std::size_t i : order) {
    if (loops.Find(i) != outer) break;
    if (notes.Moved++ == 0) notes.MovedExample = endPoint[2 * i];
  }
  return order;
}
