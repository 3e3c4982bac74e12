// The object model against the simulated host: reading (mode 1), writing
// back (mode 0) and reading again, board reads, and iteration.
//
// The simulated host library is loaded by its full path before the first
// host call; the binding finds it among the loaded modules at that call.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "SimHost.h"
#include "host/HostAccess.h"
#include "host/PCBProcs.h"
#include "host/ReadFailures.h"
#include "pcb/PcbBoard.h"
#include "pcb/PcbIteration.h"
#include "pcb/Pcbclass.h"

namespace {

// The control exports of the simulated host that these tests use.
class SimHost {
 public:
  static SimHost& Get() {
    static SimHost host;
    return host;
  }
  void Load(const std::string& json) { tqtest::SimHost::Get().Load(json, "pcb-test.json"); }
  THandle Find(int kind, const char* name) const { return sim().findObject(kind, name); }
  THandle BoardHandle() const { return sim().boardHandle(); }
  std::int32_t LiveIterators() const { return sim().liveIterators(); }
  IHostClient* Client() const { return sim().client(); }
  void FailCall(const char* call) const { sim().failCall(call, 0); }
  void ClearFailures() const { sim().clearFailures(); }
  std::int32_t OutstandingReferences() const { return sim().outstanding(); }

 private:
  static tqtest::SimHost& sim() { return tqtest::SimHost::Get(); }
};

}  // namespace

TQ_DEFINE_CLIENT_API()

namespace {

const char* const kBoard = R"json({
  "board": {"text": "Demo board"},
  "layers": [
    {"layer": "TopLayer", "name": "Top"},
    {"layer": "InternalPlane1", "name": "GNDPLANE", "net": "GND"},
    {"layer": "MidLayer1", "name": "Inner"},
    {"layer": "BottomLayer", "name": "Bottom"}
  ],
  "layerPairs": [["BottomLayer", "TopLayer"], ["TopLayer", "BottomLayer"], ["MidLayer1", "TopLayer"],
                 ["Mechanical1", "TopOverlay"]],
  "options": {"grids": [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14]},
  "nets": ["GND", "VCC", "EMPTY"],
  "classes": [{"name": "Power", "members": ["GND", "VCC"]}],
  "components": [
    {"designator": "U5", "comment": "HyperLynx ic", "x": 1000, "y": 2000, "side": "bottom",
     "pads": [{"name": "2", "x": 1100, "y": 2000, "net": "GND"}]},
    {"designator": "R1", "comment": "HYPERLYNX,R extra"},
    {"designator": "X1", "comment": "X HYPERLYNX IC"},
    {"designator": "C1"}
  ],
  "pads": [
    {"name": "P1", "x": 500, "y": 600, "hole": 300, "size": [800, 400], "rotation": 30, "net": "GND",
     "planeConnection": 2, "planeExpansion": 250000,
     "layers": [{"layer": 1, "cornerPercent": 10}, {"layer": 2, "cornerPercent": 20},
                {"layer": 31, "cornerPercent": 30},
                {"layer": 32, "cornerPercent": 40, "shape": "roundedRectangle", "size": [900, 500],
                 "cornerRadius": 77}]},
    {"name": "P2", "x": 0, "y": 0, "size": 400, "shape": "roundedRectangle", "cornerPercent": 25, "net": "VCC"},
    {"name": "P3", "x": 0, "y": 0, "size": 400, "shape": "round", "cornerPercent": 25, "net": "VCC"}
  ],
  "vias": [{"x": 10, "y": 20, "size": 600, "hole": 300, "net": "GND", "layers": [{"layer": "MidLayer1", "size": 700}]}],
  "tracks": [{"x1": 0, "y1": 0, "x2": 100, "y2": 0, "width": 50, "layer": "BottomLayer", "net": "GND"},
             {"x1": 0, "y1": 10, "x2": 100, "y2": 10, "layer": "TopLayer", "net": "GND"},
             {"x1": 0, "y1": 20, "x2": 100, "y2": 20, "layer": "TopLayer", "net": "VCC"}],
  "arcs": [{"x": 0, "y": 0, "radius": 100, "startAngle": -90, "endAngle": 720, "net": "GND"}],
  "fills": [{"x1": 0, "y1": 0, "x2": 100, "y2": 50, "rotation": 90}],
  "objects": [{"kind": "region"}, {"kind": "fromTo"}, {"kind": "manualFromTo"}, {"kind": "componentBody"},
              {"kind": "differentialPair"}, {"kind": "coordinate"}, {"kind": "dimension"}, {"kind": "polygon"},
              {"kind": "boardOutline"}, {"kind": "splitPlane"}, {"kind": "embedded"}, {"kind": "embeddedBoard"},
              {"kind": "violation"}]
})json";

class HostExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    SimHost::Get().Load(kBoard);
    board_ = std::make_unique<TBoard>(SimHost::Get().BoardHandle());
    // The shared component outlives each test; start from its load-time state.
    ForgetSharedComponent();
  }

  // Every object of a kind, in the host's order.
  std::vector<THandle> All(TObjectKind kind, const LayerSet& layers = LayerSet{0}) {
    std::vector<THandle> handles;
    IterateObjects(
        *board_, KindSetOf({kind}), layers, [&](THandle h) { handles.push_back(h); }, 0);
    return handles;
  }
  THandle First(TObjectKind kind) {
    const std::vector<THandle> all = All(kind);
    return all.empty() ? 0 : all.front();
  }
  // The pad of a name (free pads only have distinct names here).
  THandle Pad(const std::string& name) {
    for (THandle h : All(kPadObject)) {
      TPcbPad p(h);
      p.Query(1);
      if (p.GetName() == name) return h;
    }
    return 0;
  }
  // Kind 26 is never iterated; the host numbers the document's objects in
  // order, and the outline follows the polygon there.
  THandle BoardOutline() {
    const THandle h = First(kPolyObject) + 1;
    return PcbApi_GetObjectIdFromObjectHandle(h) == kBoardOutlineObject ? h : 0;
  }
  THandle Net(const char* name) { return SimHost::Get().Find(kNetObject, name); }
  THandle Component(const char* name) { return SimHost::Get().Find(kComponentObject, name); }

  std::unique_ptr<TBoard> board_;
};

// ---------------------------------------------------------------------------
// Objects

TEST_F(HostExchange, FactoryReadsEachKindIntoItsClass) {
  for (TObjectKind kind : {kArcObject,
                           kPadObject,
                           kViaObject,
                           kTrackObject,
                           kTextObject,
                           kFillObject,
                           kNetObject,
                           kComponentObject,
                           kFromToObject,
                           kPolyObject,
                           kRegionObject,
                           kComponentBodyObject,
                           kDimensionObject,
                           kCoordinateObject,
                           kClassObject,
                           kManualFromToObject,
                           kDifferentialPairObject,
                           kViolationObject,
                           kEmbeddedObject,
                           kEmbeddedBoardObject,
                           kSplitPlaneObject}) {
    const THandle h = First(kind);
    ASSERT_NE(h, 0) << "kind " << int(kind);
    std::unique_ptr<TPCBObject> o = CreatePcbObject(h);
    ASSERT_NE(o, nullptr) << "kind " << int(kind);
    EXPECT_EQ(+o->GetObjectKind(), +kind);
  }
  EXPECT_NE(dynamic_cast<TPcbBoardOutline*>(CreatePcbObject(BoardOutline()).get()), nullptr);
  EXPECT_EQ(CreatePcbObject(SimHost::Get().BoardHandle()), nullptr);  // the board is kind 25
}

TEST_F(HostExchange, PadReadsItsLayersAndCornerPercentages) {
  TPcbPad pad(Pad("P1"));
  ASSERT_EQ(pad.Query(1), 0);
  EXPECT_EQ(+pad.X, 500);
  EXPECT_EQ(+pad.Y, 600);
  EXPECT_EQ(+pad.HoleSize, 300);
  EXPECT_EQ(pad.GetRotation(), 30.0);
  EXPECT_EQ(pad.GetLayer(), kMultiLayer);
  EXPECT_EQ(pad.GetNetHandle(), Net("GND"));
  EXPECT_EQ(+pad.PadStackMode, 2);
  EXPECT_EQ(+pad.TopCornerPercent, 10);
  EXPECT_EQ(+pad.MidCornerPercent, 30);  // layer 31 is the last inner layer read
  EXPECT_EQ(+pad.BotCornerPercent, 40);
  EXPECT_EQ(+pad.CornerPercentOnLayer[2], 20);
  EXPECT_EQ(pad.GetShapeOnLayer(32), kRoundedRectangleShape);
  EXPECT_EQ(pad.GetXSizeOnLayer(32), 900);
  EXPECT_EQ(pad.GetYSizeOnLayer(32), 500);
  EXPECT_EQ(pad.GetCornerRadiusOnLayer(32), 77);
  EXPECT_EQ(pad.GetXSizeOnLayer(1), 800);
  EXPECT_EQ(pad.GetPlaneConnection(), 2);
  EXPECT_EQ(pad.GetPowerPlaneExpansion(), 250000);
}

TEST_F(HostExchange, PadWritesPerLayerValuesOrOnlyItsCornerPercentages) {
  // Padstack mode 2: every layer's shape, size and percentage goes back.
  {
    TPcbPad pad(Pad("P1"));
    pad.Query(1);
    pad.XSizeOnLayer[5] = 1234;
    pad.YSizeOnLayer[5] = 567;
    pad.ShapeOnLayer[5] = 2;
    pad.X = 555;
    pad.SetName("P1b");
    EXPECT_EQ(pad.Query(0), 0);
    TPcbPad again(pad.Handle);
    again.Query(1);
    EXPECT_EQ(again.GetXSizeOnLayer(5), 1234);
    EXPECT_EQ(again.GetYSizeOnLayer(5), 567);
    EXPECT_EQ(again.GetShapeOnLayer(5), 2);
    EXPECT_EQ(+again.X, 555);
    EXPECT_EQ(again.GetName(), "P1b");
  }
  // Another mode with rounded rectangles: the three percentages go to
  // layers 1 (top), 32 (bottom) and 2 (inner), nothing else changes.
  {
    TPcbPad pad(Pad("P2"));
    pad.Query(1);
    ASSERT_NE(+pad.PadStackMode, 2);
    pad.TopCornerPercent = 11;
    pad.MidCornerPercent = 33;
    pad.BotCornerPercent = 44;
    pad.CornerPercentOnLayer[3] = 99;  // not sent in this mode
    pad.Query(0);
    TPcbPad again(pad.Handle);
    again.Query(1);
    EXPECT_EQ(+again.CornerPercentOnLayer[1], 11);
    EXPECT_EQ(+again.CornerPercentOnLayer[2], 33);
    EXPECT_EQ(+again.CornerPercentOnLayer[32], 44);
    EXPECT_EQ(+again.CornerPercentOnLayer[3], 25);
  }
  // Without a rounded rectangle on any layer no percentage is sent.
  {
    TPcbPad pad(Pad("P3"));
    pad.Query(1);
    pad.TopCornerPercent = 11;
    pad.Query(0);
    TPcbPad again(pad.Handle);
    again.Query(1);
    EXPECT_EQ(+again.CornerPercentOnLayer[1], 25);
  }
}

TEST_F(HostExchange, ViaReadsItsLayerAsAByteAndAsksPerLayerValues) {
  TPcbVia via(First(kViaObject));
  ASSERT_EQ(via.Query(1), 0);
  EXPECT_EQ(via.GetLayer(), kMultiLayer);
  EXPECT_EQ(via.GetSize(), 600);
  EXPECT_EQ(via.GetXSize(), 600);
  EXPECT_EQ(via.GetHoleSize(), 300);
  EXPECT_EQ(via.GetLowLayer(), kTopLayer);
  EXPECT_EQ(via.GetHighLayer(), kBottomLayer);
  EXPECT_EQ(via.GetSizeOnLayer(2), 700);
  EXPECT_EQ(via.GetSizeOnLayer(83), 0);  // the host refuses the layer
  EXPECT_EQ(via.GetShapeOnLayer(83), 0);
  EXPECT_GT(via.GetPowerPlaneExpansion(), 0);  // the board-wide rule
  via.X = 77;
  via.SetLayer(kTopLayer);
  via.Query(0);
  TPcbVia again(via.Handle);
  again.Query(1);
  EXPECT_EQ(+again.X, 77);
  EXPECT_EQ(again.GetLayer(), kTopLayer);
}

TEST_F(HostExchange, PrimitivesGoBackAndForthUnchanged) {
  const std::vector<THandle> tracks = All(kTrackObject);
  ASSERT_EQ(tracks.size(), 3u);
  {
    TPcbTrack t(tracks[0]);
    t.Query(1);
    EXPECT_EQ(t.GetLayer(), kBottomLayer);
    EXPECT_EQ(t.GetX2(), 100);
    EXPECT_EQ(t.GetWidth(), 50);
    t.SetWidth(60);
    t.SetExtraValue1(-1);
    t.SetExtraValue3(3);
    t.SetFlagsBit3(true);  // writes the object back at once
    TPcbTrack again(t.Handle);
    again.Query(1);
    EXPECT_EQ(again.GetWidth(), 60);
    EXPECT_EQ(again.GetExtraValue1(), -1);
    EXPECT_EQ(again.GetExtraValue3(), 3);
    EXPECT_TRUE(again.GetFlagsBit3());
  }
  {
    TPcbArc a(First(kArcObject));
    a.Query(1);
    EXPECT_EQ(a.GetRadius(), 100);
    EXPECT_EQ(a.GetStartX(), 0);
    EXPECT_EQ(a.GetStartY(), -100);
    EXPECT_EQ(a.GetEndX(), 100);
    EXPECT_EQ(a.GetEndY(), 0);
  }
  {
    TPcbFill f(First(kFillObject));
    f.Query(1);
    EXPECT_EQ(f.GetCorner1X(0), 75);
    EXPECT_EQ(f.GetCorner1Y(0), -25);
    f.SetRotation(45);
    f.SetExtraValue1(9);
    f.Query(0);
    TPcbFill again(f.Handle);
    again.Query(1);
    EXPECT_EQ(again.GetRotation(), 45.0);
    EXPECT_EQ(again.GetExtraValue1(), 9);
  }
}

TEST_F(HostExchange, ComponentsNameThemselvesThroughTheirDesignator) {
  TPcbComponent u5(Component("U5"));
  ASSERT_EQ(u5.Query(1), 0);
  EXPECT_EQ(u5.GetName(), "U5");
  EXPECT_EQ(u5.GetLayer(), kBottomLayer);
  EXPECT_EQ(+u5.X, 1000);
  EXPECT_EQ(GetObjectText(u5.CommentHandle), "HyperLynx ic");

  TPcbText designator(u5.DesignatorHandle);
  designator.Query(1);
  EXPECT_EQ(designator.GetText(), "U5");
  EXPECT_EQ(designator.DisplayText.str(), "U5");

  THandle padOfU5 = 0;
  for (THandle h : All(kPadObject)) {
    TPcbPad p(h);
    p.Query(1);
    if (p.GetComponentHandle() == u5.Handle) padOfU5 = h;
  }
  TPcbPad pad(padOfU5);
  pad.Query(1);
  EXPECT_EQ(GetPinReference(pad), "U5.2");

  u5.Rotation = 90;
  u5.Query(0);
  TPcbComponent again(u5.Handle);
  again.Query(1);
  EXPECT_EQ(again.GetRotation(), 90.0);
  EXPECT_EQ(+again.DesignatorHandle, +u5.DesignatorHandle);
}

// A host may fill every text pointer it is given with 255 characters. The
// pad's 20-character texts and the component's 250-character text are
// followed by other fields, which must come back as a well-behaved host
// gives them.
TEST_F(HostExchange, AHostWritingFullTextsChangesNoOtherField) {
  struct Hostile {
    Hostile() { tqtest::SimHost::Get().hostileStrings(1); }
    ~Hostile() { tqtest::SimHost::Get().hostileStrings(0); }
  };
  {
    TPcbPad pad(Pad("P1"));
    ASSERT_EQ(pad.Query(1), 0);
    pad.PadByte1 = 7;
    pad.PadByte2 = 8;
    pad.PadValue1 = 99;
    pad.PadText2.Assign("T2");
    ASSERT_EQ(pad.Query(0), 0);
    TPcbPad calm(pad.Handle);
    ASSERT_EQ(calm.Query(1), 0);
    TPcbPad pad2(pad.Handle);
    {
      Hostile on;
      ASSERT_EQ(pad2.Query(1), 0);
    }
    EXPECT_EQ(pad2.Name.str(), "P1" + std::string(18, '~'));
    EXPECT_EQ(pad2.PadText1.str(), std::string(20, '~'));
    EXPECT_EQ(pad2.PadText2.str(), "T2" + std::string(18, '~'));
    EXPECT_EQ(pad2.PadText3.str(), std::string(20, '~'));
    EXPECT_EQ(+pad2.PadByte1, 7);
    EXPECT_EQ(+pad2.PadByte2, 8);
    EXPECT_EQ(+pad2.PadValue1, 99);
    EXPECT_EQ(+pad2.Rotation, +calm.Rotation);
    EXPECT_EQ(std::vector<std::int32_t>(pad2.XSizeOnLayer, pad2.XSizeOnLayer + kPadLayerCount),
              std::vector<std::int32_t>(calm.XSizeOnLayer, calm.XSizeOnLayer + kPadLayerCount));
  }
  {
    TPcbComponent u5(Component("U5"));
    ASSERT_EQ(u5.Query(1), 0);
    u5.ComponentByte1 = 1;
    u5.ComponentByte2 = 2;
    u5.ComponentValue1 = 3;
    ASSERT_EQ(u5.Query(0), 0);
    TPcbComponent again(u5.Handle);
    {
      Hostile on;
      ASSERT_EQ(again.Query(1), 0);
    }
    EXPECT_EQ(again.ComponentText.size(), 250u);
    EXPECT_EQ(+again.ComponentByte1, 1);
    EXPECT_EQ(+again.ComponentByte2, 2);
    EXPECT_EQ(+again.ComponentValue1, 3);
    EXPECT_EQ(+again.X, 1000);
  }
}

// The entry points called while `work` runs, in order, from the simulated
// host's call trace.
template <typename Work>
std::vector<std::string> Trace(Work work) {
  const std::string path = testing::TempDir() + "pcb-host-trace-" + std::to_string(::getpid()) + ".txt";
  EXPECT_EQ(tqtest::SimHost::Get().callTrace(path.c_str()), 1);
  work();
  tqtest::SimHost::Get().callTrace(nullptr);
  std::vector<std::string> calls;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) calls.push_back(line);
  std::remove(path.c_str());
  return calls;
}

TEST_F(HostExchange, APadIsReadAndWrittenInTheProtocolsOrder) {
  const THandle handle = Pad("P1");
  TPcbPad pad(handle);
  std::vector<std::string> expected = {"PcbApi_GetObjectBitField2", "PcbApi_GetObjectBitField3", "PcbApi_QueryPad",
                                       "PcbApi_QueryPadStackMode"};
  for (int L = 0; L < kPadLayerCount; ++L)
    for (const char* call : {"PcbApi_QueryPadOrViaShapeOnLayer", "PcbApi_QueryPadOrViaSizeOnLayer",
                             "PcbApi_QueryPadCornerRadiusOnLayer", "PcbApi_QueryPadCRPercentageOnLayer"})
      expected.push_back(call);
  EXPECT_EQ(Trace([&] { pad.Query(1); }), expected);

  // Written back with its sizes and shapes set layer by layer.
  pad.PadStackMode = 2;
  expected.resize(4);
  for (int L = 0; L < kPadLayerCount; ++L)
    for (const char* call : {"PcbApi_SetPadShapeOnLayer", "PcbApi_SetPadSizeOnLayer", "PcbApi_SetCRPctOnLayer"})
      expected.push_back(call);
  EXPECT_EQ(Trace([&] { pad.Query(0); }), expected);
}

// A pad that reads its layers on demand answers every per-layer question as
// a pad read in full does, asks the host only for the layers asked about,
// and writes back what the host holds.
TEST_F(HostExchange, APadReadOnDemandAnswersAsAFullRead) {
  const THandle handle = Pad("P1");
  TPcbPad full(handle);
  ASSERT_EQ(full.Query(1), 0);
  TPad lazy(handle);
  const std::vector<std::string> query = Trace([&] { lazy.Query(1); });
  EXPECT_EQ(query, (std::vector<std::string>{"PcbApi_GetObjectBitField2", "PcbApi_GetObjectBitField3",
                                             "PcbApi_QueryPad", "PcbApi_QueryPadStackMode"}));
  EXPECT_EQ(Trace([&] { EXPECT_EQ(lazy.GetXSizeOnLayer(32), full.GetXSizeOnLayer(32)); }).size(), 4u);
  EXPECT_EQ(Trace([&] { EXPECT_EQ(lazy.GetShapeOnLayer(32), full.GetShapeOnLayer(32)); }).size(), 0u);
  for (int L = 0; L <= kPadLayerCount; ++L) {
    const Layer layer = static_cast<Layer>(L);
    EXPECT_EQ(lazy.GetYSizeOnLayer(layer), full.GetYSizeOnLayer(layer)) << L;
    EXPECT_EQ(lazy.GetCornerRadiusOnLayer(layer), full.GetCornerRadiusOnLayer(layer)) << L;
    EXPECT_EQ(lazy.GetCorner3XOnLayer(layer, 7), full.GetCorner3XOnLayer(layer, 7)) << L;
    EXPECT_EQ(lazy.GetY2OnLayer(layer), full.GetY2OnLayer(layer)) << L;
  }
  EXPECT_EQ(+lazy.MidCornerPercent, +full.MidCornerPercent);

  // Written back before any per-layer question: the layers are read first.
  TPad untouched(handle);
  untouched.Query(1);
  untouched.Query(0);
  TPcbPad again(handle);
  again.Query(1);
  for (int L = 0; L < kPadLayerCount; ++L) EXPECT_EQ(+again.XSizeOnLayer[L], +full.XSizeOnLayer[L]) << L;
}

TEST_F(HostExchange, TheBoardIsReadInTheProtocolsOrder) {
  std::vector<std::string> expected = {"PcbApi_QueryBoard"};
  for (int L = 1; L <= 82; ++L) expected.push_back("PcbApi_QueryBoardLayerInfo");
  for (int L = 1; L <= 82; ++L) {
    expected.push_back(L >= kInternalPlane1 && L <= kInternalPlane16 ? "PcbApi_QueryInternalPlane"
                                                                     : "PcbApi_QueryLayer");
    expected.push_back("PcbApi_QueryLayerDielectric");
  }
  expected.push_back("PcbApi_QueryBoardSplitPlaneMode");
  expected.push_back("PcbApi_QueryBoardGridsEx");
  expected.push_back("PcbApi_QueryBoardOutputOptions");
  for (int i = 1; i <= 109; ++i) expected.push_back("PcbApi_QueryBoardOutputOptionsPlotLayers");
  for (int i = 1; i <= 109; ++i) expected.push_back("PcbApi_QueryBoardOutputOptionsFlipLayers");
  expected.push_back("PcbApi_QueryBoardGerberOptions");
  expected.push_back("PcbApi_QueryBoardPrinterOptions");
  for (int i = 1; i <= 8; ++i) expected.push_back("PcbApi_QueryBoardPrinterOptionsPlotterPen");
  for (int L = 1; L <= 82; ++L) expected.push_back("PcbApi_QueryBoardPrinterOptionsCompositeLayer");
  expected.push_back("PcbApi_QueryBoardAdvancedPlacerOptions");
  expected.push_back("PcbApi_QueryBoardEngineeringChangeOrderOptions");
  expected.push_back("PcbApi_QueryBoardLayerPairsCount");
  for (int i = 0; i < 4; ++i) expected.push_back("PcbApi_QueryBoardLayerPairAt");  // the board has four pairs
  expected.push_back("PcbApi_QueryBoardExternalDielectrics");
  TBoard board(SimHost::Get().BoardHandle());
  EXPECT_EQ(Trace([&] { board.Query(1); }), expected);
}

TEST_F(HostExchange, AFailingEntryPointWritesNothingAndTheReadStops) {
  const THandle handle = Pad("P1");
  ASSERT_EQ(tqtest::SimHost::Get().failCall("PcbApi_QueryPad", 0), 1);
  TPcbPad pad(handle);
  std::vector<std::string> calls;
  calls = Trace([&] { EXPECT_EQ(pad.Query(1), 1); });
  SimHost::Get().ClearFailures();
  EXPECT_EQ(calls, (std::vector<std::string>{"PcbApi_GetObjectBitField2", "PcbApi_GetObjectBitField3",
                                             "PcbApi_QueryPad (failed)"}));
  EXPECT_EQ(pad.GetName(), "");
  EXPECT_EQ(+pad.X, 0);

  // A failing bit-field query leaves its field; the pad is read all the same.
  ASSERT_EQ(tqtest::SimHost::Get().failCall("PcbApi_GetObjectBitField2", 0), 1);
  TPcbPad again(handle);
  again.BitField2 = 0x5A;
  EXPECT_EQ(again.Query(1), 0);
  SimHost::Get().ClearFailures();
  EXPECT_EQ(+again.BitField2, 0x5A);
  EXPECT_EQ(again.GetName(), "P1");
}

// What a run counts for its warning: a failed read about an object, an
// iterator the host could not make, an object without a kind; not a question
// about no object, and not a failure that is the host's ordinary answer.
TEST_F(HostExchange, FailedReadsAreCountedUnlessTheyAreAnswers) {
  const THandle pad = Pad("P1");
  const THandle via = First(kViaObject);
  const THandle board = SimHost::Get().BoardHandle();
  ASSERT_NE(via, 0);
  struct Case {
    const char* what;
    const char* failing;
    std::function<void()> call;
    int counted;
  };
  const Case cases[] = {
      {"a pad's read", "PcbApi_QueryPad", [&] { TPcbPad(pad).Query(1); }, 1},
      {"a read about no object", "PcbApi_QueryPad", [&] { TPcbPad(0).Query(1); }, 0},
      {"the board's read", "PcbApi_QueryBoard", [&] { TBoard(board).Query(1); }, 1},
      {"an iterator", "PcbApi_CreateIterator", [&] { All(kTrackObject); }, 1},
      {"an object's kind", "PcbApi_GetObjectIdFromObjectHandle", [&] { PcbApi_GetObjectIdFromObjectHandle(pad); }, 1},
      {"a pad's size on a layer", "PcbApi_QueryPadOrViaSizeOnLayer", [&] { TPcbPad(pad).Query(1); }, 83},
      {"a via's size on a layer", "PcbApi_QueryPadOrViaSizeOnLayer", [&] { TPcbVia(via).GetSizeOnLayer(1); }, 0},
      {"a via's shape on a layer", "PcbApi_QueryPadOrViaShapeOnLayer", [&] { TPcbVia(via).GetShapeOnLayer(1); }, 0},
      {"no rule", "PcbApi_FindDominantRuleForObject", [&] { TPcbPad(pad).GetPowerPlaneExpansion(); }, 0},
      {"the end of a walk", "PcbApi_GetFirstObject", [&] { All(kTrackObject); }, 0},
      {"releasing an iterator", "PcbApi_DestroyIterator", [&] { All(kTrackObject); }, 0},
      {"a bit field", "PcbApi_GetObjectBitField2", [&] { TPcbPad(pad).Query(1); }, 0},
  };
  for (const Case& c : cases) {
    ResetReadFailures();
    ASSERT_EQ(tqtest::SimHost::Get().failCall(c.failing, 0), 1) << c.failing;
    c.call();
    SimHost::Get().ClearFailures();
    EXPECT_EQ(ReadFailureCount(), c.counted) << c.what;
    const std::string expected = c.counted == 0 ? "" : std::string(c.failing) + " (" + std::to_string(c.counted) + ")";
    EXPECT_EQ(ReadFailureList(), expected) << c.what;
  }
  ResetReadFailures();
}

TEST_F(HostExchange, CommentHandleIsReadOncePerComponent) {
  const THandle u5 = Component("U5");
  const THandle r1 = Component("R1");
  TPcbComponent expected(u5);
  expected.Query(1);
  EXPECT_EQ(GetCommentHandle(u5), +expected.CommentHandle);
  // Not read again for the same component: a stale value shows it.
  SharedComponent().CommentHandle = 4242;
  EXPECT_EQ(GetCommentHandle(u5), 4242);
  EXPECT_NE(GetCommentHandle(r1), 4242);
  EXPECT_EQ(GetCommentHandle(u5), +expected.CommentHandle);
}

TEST_F(HostExchange, DeviceDirectiveComesFromTheComment) {
  EXPECT_EQ(GetDeviceDirective(Component("U5")), "IC");
  EXPECT_EQ(GetDeviceDirective(Component("R1")), "R");
  EXPECT_EQ(GetDeviceDirective(Component("X1")), "");
  EXPECT_EQ(GetDeviceDirective(Component("C1")), "");
}

TEST_F(HostExchange, ClassMembersAreAppendedOnReadAndReplacedOnWrite) {
  TPCBObjectClass cls(First(kClassObject));
  cls.Query(1);
  EXPECT_EQ(cls.Name.str(), "Power");
  EXPECT_EQ(*cls.Members, (std::vector<std::string>{"GND", "VCC"}));
  cls.Query(1);
  EXPECT_EQ(cls.Members->size(), 4u);

  *cls.Members = {"A", std::string(300, 'b')};
  EXPECT_EQ(cls.Query(0), 0);
  TPCBObjectClass again(cls.Handle);
  again.Query(1);
  EXPECT_EQ(*again.Members, (std::vector<std::string>{"A", std::string(255, 'b')}));
}

TEST_F(HostExchange, KeptValuesOfOtherObjectsSurviveARoundTrip) {
  {
    TPcbDimension dim(First(kDimensionObject));
    dim.Query(1);
    dim.Record.Values[0] = 1;
    dim.Record.Values[7] = 8;
    dim.DimensionText3.Assign("dimension");
    dim.ReferenceCount = 250;  // more than the table holds
    dim.References[199].Values[3] = 199;
    dim.DimensionByte5 = 5;
    dim.Query(0);
    TPcbDimension again(dim.Handle);
    again.Query(1);
    EXPECT_EQ(+again.Record.Values[0], 1);
    EXPECT_EQ(+again.Record.Values[7], 8);
    EXPECT_EQ(again.DimensionText3.str(), "dimension");
    EXPECT_EQ(+again.ReferenceCount, 250);
    EXPECT_EQ(+again.References[199].Values[3], 199);
    EXPECT_EQ(+again.DimensionByte5, 5);
  }
  {
    std::unique_ptr<TPCBObject> o = CreatePcbObject(BoardOutline());
    auto* outline = dynamic_cast<TPcbBoardOutline*>(o.get());
    ASSERT_NE(outline, nullptr);
    outline->Outline.get()[kPolygonOutlineBytes - 1] = 0x5A;
    outline->PolygonValue4 = 44;
    outline->PolygonByte1 = 1;
    outline->Query(0);
    TPcbBoardOutline again(outline->Handle);
    again.Query(1);
    EXPECT_EQ(again.Outline.get()[kPolygonOutlineBytes - 1], 0x5A);
    EXPECT_EQ(+again.PolygonValue4, 44);
    EXPECT_EQ(+again.PolygonByte1, 1);
  }
  {
    TPCBRegion region(First(kRegionObject));
    region.Query(1);
    region.RegionValue5 = 5;
    region.RegionValue6 = 6;
    region.RegionByte = 7;
    region.Query(0);
    TPCBRegion again(region.Handle);
    again.Query(1);
    EXPECT_EQ(+again.RegionValue5, 5);
    EXPECT_EQ(+again.RegionValue6, 6);
    EXPECT_EQ(+again.RegionByte, 7);
  }
  {
    TPcbEmbedded embedded(First(kEmbeddedObject));
    embedded.Data.get()[kEmbeddedDataBytes - 1] = 0x77;
    embedded.Query(0);
    TPcbEmbedded again(embedded.Handle);
    again.Query(1);
    EXPECT_EQ(again.Data.get()[kEmbeddedDataBytes - 1], 0x77);
  }
}

// ---------------------------------------------------------------------------
// The board

TEST_F(HostExchange, BoardReadsItsStackAndNamesPairsInStackOrder) {
  ASSERT_EQ(board_->Query(1), 0);
  EXPECT_EQ(board_->BoardText.str(), "Demo board");
  EXPECT_EQ(board_->LayerObject(1)->LayerName.str(), "Top");
  const auto* plane = dynamic_cast<const TInternalPlane*>(board_->LayerObject(39));
  ASSERT_NE(plane, nullptr);
  EXPECT_EQ(plane->PlaneNetName.str(), "GND");
  EXPECT_EQ(board_->FirstStackLayer(), board_->LayerObject(1));
  EXPECT_EQ(board_->NextStackLayer(board_->LayerObject(1)), board_->LayerObject(39));
  EXPECT_EQ(board_->StackPosition(ElectricalLayers(), board_->LayerObject(2)), 3);
  EXPECT_EQ(+board_->GridValues[13], 14.0);
  EXPECT_EQ(+board_->GridExtraValues[0], 7.0);
  EXPECT_EQ(+board_->GridExtraValues[1], 13.0);

  auto names = [&] {
    std::vector<std::string> out;
    for (const auto& pair : board_->Pairs()) out.push_back(pair->Name.str());
    return out;
  };
  const std::vector<std::string> expected = {
      "Top - Bottom", "Top - Bottom", "Top - Inner",
      // neither layer is electrical: the second layer first
      board_->LayerObject(33)->LayerName.str() + " - " + board_->LayerObject(57)->LayerName.str()};
  EXPECT_EQ(names(), expected);
  board_->Query(1);
  EXPECT_EQ(names(), expected);  // rebuilt, not appended
}

TEST_F(HostExchange, BoardWritesBackWhatItHolds) {
  board_->Query(1);
  board_->BoardText.Assign("Changed");
  board_->LayerObject(2)->LayerName.Assign("Signal 2");
  board_->LayerObject(2)->DielectricConstant = 3.3;
  board_->PlotLayers[109] = 1;
  board_->Pairs()[0]->LayerCode2 = LayerToLayerCode(2);
  board_->Query(0);

  TBoard again(board_->Handle);
  again.Query(1);
  EXPECT_EQ(again.BoardText.str(), "Changed");
  EXPECT_EQ(again.LayerObject(2)->LayerName.str(), "Signal 2");
  EXPECT_EQ(+again.LayerObject(2)->DielectricConstant, 3.3);
  EXPECT_EQ(+again.PlotLayers[109], 1);
  ASSERT_EQ(again.Pairs().size(), 4u);
  EXPECT_EQ(again.Pairs()[0]->GetLayer2(), 2);
}

TEST_F(HostExchange, InterfacesOfTheBoardAndOfAVia) {
  board_->Query(1);
  EXPECT_TRUE(board_->GetBoardInterface());
  EXPECT_TRUE(board_->IsLayerPresent(LayerToLayerCode(kTopLayer)));
  EXPECT_TRUE(board_->IsLayerPresent(LayerToLayerCode(kInternalPlane1)));
  EXPECT_FALSE(board_->IsLayerPresent(LayerToLayerCode(6)));  // not in the stack
  EXPECT_FALSE(board_->IsLayerPresent(0));                    // not a design layer

  {
    THostRef<IPcbVia> via = TPcbVia(First(kViaObject)).GetViaInterface();
    ASSERT_TRUE(via);
    std::uint8_t reaches = 0;
    EXPECT_EQ(via->ReachesLayer(LayerToLayerCode(kBottomLayer), &reaches), kHostOk);
    EXPECT_EQ(reaches, 1);
    EXPECT_FALSE(TPcbVia(First(kTrackObject)).GetViaInterface());  // not a via
  }
  EXPECT_EQ(SimHost::Get().OutstandingReferences(), 0);

  // A failing interface call raises and leaks no reference.
  SimHost::Get().FailCall("IPcbLayerStack::LayerForCode");
  EXPECT_THROW(board_->IsLayerPresent(LayerToLayerCode(kTopLayer)), EHostError);
  SimHost::Get().ClearFailures();
  SimHost::Get().FailCall("IPcbServer::GetInterfaceForHandle");
  EXPECT_THROW(TPcbVia(First(kViaObject)).GetViaInterface(), EHostError);
  SimHost::Get().ClearFailures();
  EXPECT_EQ(SimHost::Get().OutstandingReferences(), 0);
}

// ---------------------------------------------------------------------------
// Iteration

TEST_F(HostExchange, KindsAscendAndLayersAscendWithinAKind) {
  std::vector<TObjectKind> kinds;
  IterateObjects(
      *board_, kPadAndViaKinds, LayerSet{0}, [&](THandle h) { kinds.push_back(PcbApi_GetObjectIdFromObjectHandle(h)); },
      0);
  ASSERT_EQ(kinds.size(), 5u);  // four pads, one via
  EXPECT_TRUE(std::is_sorted(kinds.begin(), kinds.end()));

  // The bottom track comes first in the host's order, yet layer 1 is asked first.
  std::vector<Layer> layers;
  IterateObjects(
      *board_, kTrackKinds, LayerSet{kBottomLayer, kTopLayer},
      [&](THandle h) {
        TPcbTrack t(h);
        t.Query(1);
        layers.push_back(t.GetLayer());
      },
      0);
  EXPECT_EQ(layers, (std::vector<Layer>{kTopLayer, kTopLayer, kBottomLayer}));
}

TEST_F(HostExchange, OnlyKindsUpTo25AndLayersUpTo82AreVisited) {
  int calls = 0;
  auto count = [&](THandle) { ++calls; };
  IterateObjects(*board_, KindSetOf({kBoardOutlineObject}), LayerSet{0}, count, 0);
  // Layer numbers above 82 would be asked as layer code 0: every layer.
  IterateObjects(*board_, kTrackKinds, LayerSet::Range(83, 87), count, 0);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(All(kTrackObject).size(), 3u);
}

TEST_F(HostExchange, NestedIterationsCallTheirOwnCallbacks) {
  int nets = 0;
  int tracks = 0;
  // Both callbacks live throughout, so a wrong one would be counted, not crash.
  auto inner = [&](THandle) { ++tracks; };
  auto outer = [&](THandle) {
    ++nets;
    IterateObjects(*board_, kTrackKinds, LayerSet{0}, inner, 0);
  };
  IterateObjects(*board_, kNetKinds, LayerSet{0}, outer, 0);
  EXPECT_EQ(nets, 3);
  EXPECT_EQ(tracks, 9);
  EXPECT_EQ(SimHost::Get().LiveIterators(), 0);
}

TEST_F(HostExchange, ANetYieldsItsOwnObjects) {
  TNet gnd(Net("GND"));
  gnd.Query(1);
  EXPECT_EQ(gnd.GetName(), "GND");
  std::vector<TObjectKind> seen;
  auto note = [&](THandle h) { seen.push_back(PcbApi_GetObjectIdFromObjectHandle(h)); };
  for (TObjectKindSet kinds : {kTrackKinds, kArcKinds, kViaKinds, kPadKinds})
    IterateObjects(gnd, kinds, LayerSet{0}, note, 0);
  EXPECT_EQ(seen,
            (std::vector<TObjectKind>{kTrackObject, kTrackObject, kArcObject, kViaObject, kPadObject, kPadObject}));
  TNet empty(Net("EMPTY"));
  int calls = 0;
  for (TObjectKindSet kinds : {kTrackKinds, kArcKinds, kViaKinds, kPadKinds})
    IterateObjects(
        empty, kinds, LayerSet{0}, [&](THandle) { ++calls; }, 0);
  EXPECT_EQ(calls, 0);
}

TEST_F(HostExchange, IteratorsAreDestroyedWhenACallbackRaises) {
  EXPECT_THROW(IterateObjects(
                   *board_, kTrackKinds, LayerSet{0}, [](THandle) { throw std::runtime_error("x"); }, 0),
               std::runtime_error);
  EXPECT_EQ(SimHost::Get().LiveIterators(), 0);
}

int g_counted = 0;
void CountObject(THandle) { ++g_counted; }

TEST_F(HostExchange, ForEachObjectCallsAPlainProcedure) {
  g_counted = 0;
  board_->ForEachObject(&CountObject, kCountedKinds, LayerSet{0}, 0);
  EXPECT_EQ(g_counted, 4 + 1 + 3 + 4);  // pads, via, nets, components
}

}  // namespace
