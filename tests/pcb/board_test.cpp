// The board and its layer stack without a host, and the text operations
// beside the iteration.
#include <gtest/gtest.h>

#include "host/HostAccess.h"
#include "pcb/PcbBoard.h"
#include "pcb/PcbIteration.h"

namespace {

// Links the given layers into one stack in this order.
void LinkStack(TPcbBoard& board, std::initializer_list<int> order) {
  for (int L = 1; L <= kMaxLayer; ++L) {
    board.LayerObject(L)->PrevLayer = 0;
    board.LayerObject(L)->NextLayer = 0;
  }
  int prev = 0;
  for (int L : order) {
    board.LayerObject(L)->PrevLayer = static_cast<std::uint8_t>(prev);
    if (prev != 0) board.LayerObject(prev)->NextLayer = static_cast<std::uint8_t>(L);
    prev = L;
  }
  // Everything outside the stack points somewhere, so that the stack's
  // first layer is the only layer without a previous one.
  for (int L = 1; L <= kMaxLayer; ++L) {
    bool inStack = false;
    for (int s : order) inStack = inStack || s == L;
    if (!inStack) board.LayerObject(L)->PrevLayer = 82;
  }
}

TEST(PcbBoard, FreshBoardHasItsLayersAndDefaults) {
  TBoard board(42);
  EXPECT_EQ(board.LayerObject(0), nullptr);
  EXPECT_EQ(board.LayerObject(83), nullptr);
  for (int L = 1; L <= kMaxLayer; ++L) {
    const TLayerObject* layer = board.LayerObject(L);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(+layer->LayerNumber, L);
    EXPECT_EQ(+layer->BoardHandle, 42);
    EXPECT_EQ(layer->LayerName.str(), LayerKeyName(static_cast<Layer>(L)));
    EXPECT_EQ(layer->DielectricMaterial.str(), "FR-4");
    EXPECT_EQ(+layer->CopperThickness, 14000);
    const auto* plane = dynamic_cast<const TInternalPlane*>(layer);
    EXPECT_EQ(plane != nullptr, L >= 39 && L <= 54) << L;
    if (plane != nullptr) {
      EXPECT_EQ(plane->PlaneNetName.str(), "(No Net)");
    }
  }
  EXPECT_EQ(board.TopDielectricMaterial.str(), "FR-4");
  EXPECT_EQ(+board.BottomDielectricHeight, 126000);
  EXPECT_EQ(+board.SplitPlaneMode, 1);
  EXPECT_TRUE(board.Pairs().empty());
}

TEST(PcbBoard, ReadWithoutHostKeepsDefaultsAndHasNoPairs) {
  TBoard board(0);
  EXPECT_EQ(board.Query(1), 0);
  EXPECT_EQ(board.LayerObject(1)->LayerName.str(), "TopLayer");
  EXPECT_EQ(+board.SplitPlaneMode, 1);
  EXPECT_TRUE(board.Pairs().empty());  // the unbound pair count answers 1
  EXPECT_FALSE(board.GetBoardInterface());
  EXPECT_FALSE(board.IsLayerPresent(LayerToLayerCode(kTopLayer)));
}

TEST(PcbBoard, StackPositionCountsSetMembersAlongTheStack) {
  TBoard board(1);
  LinkStack(board, {1, 39, 2, 33, 32});
  const LayerSet electrical = ElectricalLayers();
  EXPECT_EQ(board.FirstStackLayer(), board.LayerObject(1));
  EXPECT_EQ(board.NextStackLayer(board.LayerObject(39)), board.LayerObject(2));
  EXPECT_EQ(board.NextStackLayer(board.LayerObject(32)), nullptr);
  EXPECT_EQ(board.StackPosition(electrical, board.LayerObject(1)), 1);
  EXPECT_EQ(board.StackPosition(electrical, board.LayerObject(2)), 3);
  EXPECT_EQ(board.StackPosition(electrical, board.LayerObject(32)), 4);  // overlay 33 does not count
  EXPECT_EQ(board.StackPosition(electrical, board.LayerObject(33)), 0);  // not in the set
  EXPECT_EQ(board.StackPosition(electrical, nullptr), 0);
  // A set layer outside the chain gets the count of the whole chain.
  EXPECT_EQ(board.StackPosition(electrical, board.LayerObject(5)), 4);
}

TEST(PcbBoard, StackWalkSurvivesBrokenLinks) {
  TBoard board(1);
  LinkStack(board, {1, 2, 3});
  board.LayerObject(3)->NextLayer = 1;  // a cycle back to the top
  EXPECT_EQ(board.StackPosition(ElectricalLayers(), board.LayerObject(4)), 82);
  board.LayerObject(3)->NextLayer = 200;  // no such layer: the chain ends
  EXPECT_EQ(board.NextStackLayer(board.LayerObject(3)), nullptr);
  EXPECT_EQ(board.StackPosition(ElectricalLayers(), board.LayerObject(4)), 3);
  for (int L = 1; L <= kMaxLayer; ++L) board.LayerObject(L)->PrevLayer = 7;  // no first layer
  EXPECT_EQ(board.FirstStackLayer(), nullptr);
  EXPECT_EQ(board.StackPosition(ElectricalLayers(), board.LayerObject(1)), 0);
}

TEST(PcbTexts, GetWordSplitsAtSpacesAndCommas) {
  EXPECT_EQ(GetWord(" a, b  c", 2), "b");
  EXPECT_EQ(GetWord(" a, b  c", 3), "c");
  EXPECT_EQ(GetWord(",,HYPERLYNX,R extra", 1), "HYPERLYNX");
  EXPECT_EQ(GetWord(",,HYPERLYNX,R extra", 2), "R");
  EXPECT_EQ(GetWord("a", 2), "");
  EXPECT_EQ(GetWord("a b", 0), "");
  EXPECT_EQ(GetWord("a b", -1), "");
  EXPECT_EQ(GetWord(" , ", 1), "");
  EXPECT_EQ(GetWord("x\ty", 1), "x\ty");  // only spaces and commas separate
}

TEST(PcbTexts, MakeNetNameDropsSpacesAndReplacesParentheses) {
  EXPECT_EQ(MakeNetName("VCC (3V3) A"), "VCC_3V3_A");
  EXPECT_EQ(MakeNetName("  "), "");
  EXPECT_EQ(MakeNetName("((x))"), "__x__");
}

TEST(PcbTexts, PinReferenceOfAFreePadIsItsName) {
  TPcbPad pad(1);
  pad.SetName("1");
  EXPECT_EQ(GetPinReference(pad), "1");
}

TEST(PcbTexts, CommentHandleOfComponentZeroOnAFreshLibrary) {
  // The shared component starts with handle 0 and is not read for it.
  EXPECT_EQ(+SharedComponent().Handle, 0);
  EXPECT_EQ(GetCommentHandle(0), 0);
  EXPECT_EQ(GetDeviceDirective(0), "");
}

}  // namespace
