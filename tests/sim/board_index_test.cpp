// The board's index by kind and layer: on generated boards, with and without
// yieldPerLayer, every board iterator yields exactly what a scan of every
// object would, and the index follows changes of layers and of the stack.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "sim/board/Board.h"
#include "sim/board/BoardJson.h"
#include "sim/generator/BoardGenerator.h"

namespace {

using namespace sim;

// Whether a via reaches a layer, worked out from the stack order as the host
// defines it: its listed layers, or the stack layers between its two ends
// (the signal layers between the two numbers when an end is off the stack).
bool Reaches(const Board& b, const Via& v, int layer) {
  if (v.reaches) return std::count(v.reaches->begin(), v.reaches->end(), layer) > 0;
  if (layer <= 0 || layer >= kLayerCount || !b.layers[static_cast<std::size_t>(layer)].inStack) return false;
  const std::vector<LayerNumber> order = b.StackOrder();
  auto at = [&](int l) { return std::find(order.begin(), order.end(), l) - order.begin(); };
  const auto size = static_cast<std::ptrdiff_t>(order.size());
  const auto low = at(v.lowLayer), high = at(v.highLayer), here = at(layer);
  if (low < size && high < size) return here < size && here >= std::min(low, high) && here <= std::max(low, high);
  return IsSignalLayer(layer) && layer >= std::min(v.lowLayer, v.highLayer) &&
         layer <= std::max(v.lowLayer, v.highLayer);
}

// What a board iterator on (kind, layer) yields, by looking at every object.
std::vector<Handle> Scan(const Board& b, std::uint8_t kind, LayerCode layer) {
  std::vector<Handle> out;
  for (Handle h = kFirstObjectHandle; b.Find(h) != nullptr; ++h) {
    const Object& o = *b.Find(h);
    if (static_cast<std::uint8_t>(o.kind) != kind) continue;
    bool yields = layer == 0 || o.layer == layer;
    if (!yields && b.yieldPerLayer && o.layer == kMultiLayer && IsElectricalLayer(static_cast<int>(layer))) {
      if (o.kind == Kind::Pad) yields = b.layers[layer].inStack;
      if (o.kind == Kind::Via) yields = Reaches(b, static_cast<const Via&>(o), static_cast<int>(layer));
    }
    if (yields) out.push_back(h);
  }
  return out;
}

// Compares every (kind, layer) of the board with the scan; the number of
// nonempty iterators compared.
int ExpectSameAsScan(const Board& b, const std::string& what) {
  std::set<LayerCode> codes{0xFFFFFFFFu, 0x01000000u};
  for (LayerCode l = 0; l < static_cast<LayerCode>(kLayerCount); ++l) codes.insert(l);
  for (Handle h = kFirstObjectHandle; b.Find(h) != nullptr; ++h) codes.insert(b.Find(h)->layer);
  int nonempty = 0;
  for (std::uint8_t kind = 0; kind <= 27; ++kind) {
    for (LayerCode layer : codes) {
      const std::vector<Handle> expected = Scan(b, kind, layer);
      EXPECT_EQ(b.OnLayer(kind, layer), expected) << what << ": kind " << int{kind} << " layer " << layer;
      nonempty += expected.empty() ? 0 : 1;
    }
  }
  return nonempty;
}

TEST(SimBoardIndex, EveryBoardIteratorYieldsWhatAScanOfEveryObjectWould) {
  for (std::uint64_t seed : {1u, 7u}) {
    const std::string doc = GenerateBoardDocument({.seed = seed, .components = 40});
    std::unique_ptr<Board> plain = LoadBoardText(doc, "generated.json");
    std::unique_ptr<Board> perLayer = LoadBoardText(doc, "generated.json");
    perLayer->yieldPerLayer = true;
    perLayer->Changed();
    const std::string what = "seed " + std::to_string(seed);
    const int plainLists = ExpectSameAsScan(*plain, what);
    const int perLayerLists = ExpectSameAsScan(*perLayer, what + " per layer");
    // The boards have pads and vias on many layers, and yieldPerLayer adds
    // multi-layer vias to every stack layer (at least four).
    EXPECT_GT(plainLists, 5) << what;
    EXPECT_GE(perLayerLists, plainLists + 4) << what;
  }
}

TEST(SimBoardIndex, TheIndexFollowsMovedObjectsAndAChangedStack) {
  std::unique_ptr<Board> b = LoadBoardText(GenerateBoardDocument({.seed = 3, .components = 20}), "generated.json");
  b->yieldPerLayer = true;
  b->Changed();
  ExpectSameAsScan(*b, "before");  // builds the index

  const auto track = static_cast<std::uint8_t>(Kind::Track);
  const Handle moved = b->OnLayer(track, kTopLayer).at(0);
  b->Find(moved)->layer = kBottomLayer;
  auto vias = b->OfKind(static_cast<std::uint8_t>(Kind::Via));
  ASSERT_FALSE(vias.empty());
  b->FindAs<Via>(vias.front(), Kind::Via)->highLayer = kTopLayer;  // a via that reaches only the top
  b->Changed();
  const std::vector<Handle>& onBottom = b->OnLayer(track, kBottomLayer);
  EXPECT_TRUE(std::binary_search(onBottom.begin(), onBottom.end(), moved));
  ExpectSameAsScan(*b, "moved");

  // Dropping a layer from the stack (SetStack marks the change itself).
  std::vector<LayerNumber> order = b->StackOrder();
  ASSERT_GT(order.size(), 3u);
  order.erase(order.begin() + 1);
  b->SetStack(order);
  ExpectSameAsScan(*b, "smaller stack");
}

}  // namespace
