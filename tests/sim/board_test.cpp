// The simulated host's board document: units, layer names, loading with
// defaults, what a bad document is told, the host's derived answers, saving.
#include "sim/board/Board.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "sim/board/BoardJson.h"
#include "sim/board/Units.h"

namespace {

using namespace sim;

std::unique_ptr<Board> Load(const std::string& json) { return LoadBoardText(json, "test.json"); }

std::string LoadError(const std::string& json) {
  try {
    Load(json);
  } catch (const BoardError& e) {
    return e.what();
  }
  return "(loaded)";
}

template <typename T>
const T& Only(const Board& b, Kind kind) {
  const std::vector<Handle>& all = b.OfKind(static_cast<std::uint8_t>(kind));
  EXPECT_EQ(all.size(), 1u);
  return *b.FindAs<T>(all.at(0), kind);
}

TEST(SimUnits, LengthsInEveryUnitBecomeHostUnits) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"10mil", 100000},
      {"1.4 mil", 14000},
      {"0.254mm", 100000},
      {"0.1in", 1000000},
      {"-62MIL", -620000},
      {"25.4um", 10000},
      {"2.54cm", 10000000},
      {"14000", 14000},
      {"0.00005mil", 1},
      {"-0.00005mil", -1},
      {"214748.3647mil", 2147483647},
      {"-214748.3648mil", -2147483647 - 1},
      {"1.mil", 10000},
      {".5mil", 5000},
  };
  for (const auto& [text, expected] : cases) {
    const LengthReading r = ParseLength(text);
    ASSERT_TRUE(r.value.has_value()) << text << ": " << r.error;
    EXPECT_EQ(*r.value, expected) << text;
  }
}

TEST(SimUnits, RejectedLengthsSayWhy) {
  EXPECT_NE(ParseLength("10 mils x").error.find("unknown unit"), std::string::npos);
  EXPECT_NE(ParseLength("1.5").error.find("must be whole"), std::string::npos);
  EXPECT_NE(ParseLength("214748.3648mil").error.find("too large"), std::string::npos);
  EXPECT_NE(ParseLength("mil").error.find("not a length"), std::string::npos);
  EXPECT_FALSE(ParseLength("").value);
  EXPECT_FALSE(ParseLength("1e3mil").value);
}

TEST(SimUnits, MilTextReadsBackExactly) {
  for (std::int32_t v : {0, 1, -1, 14000, 620000, -123456789, 2147483647, -2147483647 - 1}) {
    const LengthReading r = ParseLength(FormatLengthMil(v));
    ASSERT_TRUE(r.value) << FormatLengthMil(v);
    EXPECT_EQ(*r.value, v);
  }
  EXPECT_EQ(FormatLengthMil(14000), "1.4mil");
  EXPECT_EQ(FormatLengthMil(-5), "-0.0005mil");
}

TEST(SimUnits, Angles) {
  EXPECT_EQ(ParseAngle("90"), 90.0);
  EXPECT_EQ(ParseAngle(" -45.5deg "), -45.5);
  EXPECT_FALSE(ParseAngle("90rad"));
  EXPECT_FALSE(ParseAngle("north"));
}

TEST(SimLayers, KeyAndDisplayNamesAndParsing) {
  EXPECT_EQ(LayerKeyName(2), "MidLayer1");
  EXPECT_EQ(LayerDisplayName(31), "Mid Layer 30");
  EXPECT_EQ(LayerKeyName(54), "InternalPlane16");
  EXPECT_EQ(LayerDisplayName(57), "Mechanical Layer 1");
  EXPECT_EQ(LayerKeyName(83), "");
  for (int l = 0; l <= kLastLayer; ++l) {
    EXPECT_EQ(ParseLayerName(LayerKeyName(l)), l) << l;
    EXPECT_EQ(ParseLayerName(LayerDisplayName(l)), l) << l;
  }
  EXPECT_EQ(ParseLayerName("top layer"), kTopLayer);
  EXPECT_EQ(ParseLayerName("39"), 39);
  EXPECT_FALSE(ParseLayerName("83"));
  EXPECT_FALSE(ParseLayerName("Top"));
}

TEST(SimLayers, ObjectsMayLieOnExtendedLayers) {
  EXPECT_EQ(ParseExtendedLayerName("MidLayer31"), 0x01010020u);  // signal layer 32
  EXPECT_EQ(ParseExtendedLayerName("mid layer 65533"), 0x0101FFFEu);
  EXPECT_EQ(ParseExtendedLayerName("InternalPlane17"), 0x01040011u);
  EXPECT_EQ(ParseExtendedLayerName("Mechanical65535"), 0x0400FFFFu);
  for (const char* classic :
       {"MidLayer30", "InternalPlane16", "Mechanical16", "TopLayer", "MidLayer65534", "Mechanical65536", "MidLayer4x"})
    EXPECT_FALSE(ParseExtendedLayerName(classic)) << classic;
  for (const char* name : {"MidLayer31", "MidLayer65533", "InternalPlane17", "Mechanical20"})
    EXPECT_EQ(ObjectLayerName(*ParseExtendedLayerName(name)), name);
  EXPECT_EQ(ObjectLayerName(56), "KeepOutLayer");

  auto board = Load(R"({"tracks": [{"x1": 0, "y1": 0, "x2": 1, "y2": 1, "layer": "MidLayer40"}],
                        "arcs": [{"radius": 5, "layer": "InternalPlane20"}],
                        "fills": [{"x1": 0, "y1": 0, "x2": 1, "y2": 1, "layer": "Mechanical20"}],
                        "texts": [{"text": "T", "layer": "Mechanical17"}]})");
  std::vector<LayerCode> codes;
  for (Kind kind : {Kind::Track, Kind::Arc, Kind::Fill, Kind::Text})
    for (Handle h : board->OfKind(static_cast<std::uint8_t>(kind))) codes.push_back(board->Find(h)->layer);
  EXPECT_EQ(codes, (std::vector<LayerCode>{0x01010029u, 0x01040014u, 0x04000014u, 0x04000011u}));
  EXPECT_EQ(SaveBoardText(*Load(SaveBoardText(*board))), SaveBoardText(*board));
  EXPECT_THROW(Load(R"({"tracks": [{"layer": "Mechanical70000"}]})"), std::exception);
}

TEST(SimDocument, EmptyDocumentGetsTheTwoLayerStack) {
  auto b = Load("{}");
  ASSERT_EQ(b->StackOrder(), (std::vector<LayerNumber>{kTopLayer, kBottomLayer}));
  const LayerEntry& top = b->layers[kTopLayer];
  EXPECT_EQ(top.name, "Top Layer");
  EXPECT_EQ(top.copper, 14000);
  EXPECT_EQ(top.dielectric.height, 620000);
  EXPECT_EQ(top.dielectric.constant, 4.8);
  EXPECT_EQ(top.dielectric.material, "FR-4");
  EXPECT_EQ(b->layers[kBottomLayer].name, "Bottom Layer");
  EXPECT_TRUE(b->layers[kBottomLayer].present);
  EXPECT_FALSE(b->layers[kFirstPlane].inStack);
  EXPECT_EQ(b->layers[kFirstPlane].planeNet, "(No Net)");
  ASSERT_EQ(b->layerPairs.size(), 1u);
  EXPECT_EQ(b->layerPairs[0].first, kTopLayer);
  EXPECT_EQ(b->layerPairs[0].second, kBottomLayer);
  // The board-wide plane clearance rule of 20 mil.
  const Rule* rule = b->FindAs<Rule>(b->planeRule, Kind::Rule);
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(rule->value, 200000);
}

TEST(SimDocument, ObjectsWithDefaultsAndMembership) {
  auto b = Load(R"({
    "layers": [{"layer": "TopLayer", "name": "Signal A"}, {"layer": 39, "net": "GND"}, {"layer": "BottomLayer"}],
    "nets": ["GND", {"name": "SIG"}],
    "components": [{"designator": "U1", "comment": "HYPERLYNX IC", "side": "bottom",
                    "pads": [{"name": "1", "hole": "30mil", "net": "GND"}, {"name": "2"}]}],
    "tracks": [{"x2": "1mil", "net": "SIG", "layer": "Signal A"}],
    "outline": [{"x2": "1in"}, {"radius": "1in"}],
    "rules": {"planeExpansion": null}
  })");
  EXPECT_EQ(b->StackOrder(), (std::vector<LayerNumber>{1, 39, 32}));
  EXPECT_EQ(b->layers[39].planeNet, "GND");
  EXPECT_EQ(b->layers[1].dielectric.height, 126000);  // a stack layer's own default
  EXPECT_EQ(b->planeRule, 0);

  const Component& u1 = Only<Component>(*b, Kind::Component);
  EXPECT_EQ(u1.layer, kBottomLayer);
  EXPECT_EQ(b->FindAs<Text>(u1.designator, Kind::Text)->text, "U1");
  EXPECT_EQ(b->FindAs<Text>(u1.comment, Kind::Text)->text, "HYPERLYNX IC");
  const std::vector<Handle>& pads = b->OfKind(static_cast<std::uint8_t>(Kind::Pad));
  ASSERT_EQ(pads.size(), 2u);
  const Pad& thru = *b->FindAs<Pad>(pads[0], Kind::Pad);
  const Pad& smd = *b->FindAs<Pad>(pads[1], Kind::Pad);
  EXPECT_EQ(thru.layer, kMultiLayer);
  EXPECT_EQ(smd.layer, kBottomLayer);  // the side of its component
  EXPECT_EQ(smd.top.xSize, 600000);
  EXPECT_EQ(thru.component, u1.handle);
  // The component's members: its two texts and its pads.
  EXPECT_EQ(b->MembersOf(u1.handle).size(), 4u);
  const Handle gnd = b->FindNet("GND");
  EXPECT_EQ(b->MembersOf(gnd), (std::vector<Handle>{thru.handle}));

  const std::vector<Handle>& tracks = b->OfKind(static_cast<std::uint8_t>(Kind::Track));
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(b->Find(tracks[0])->layer, kTopLayer);  // named by its stack name
  EXPECT_EQ(b->Find(tracks[1])->layer, kKeepOutLayer);
  EXPECT_EQ(static_cast<const Track*>(b->Find(tracks[0]))->width, 100000);
  const Arc& arc = Only<Arc>(*b, Kind::Arc);
  EXPECT_EQ(arc.layer, kKeepOutLayer);
  EXPECT_EQ(arc.endAngle, 360.0);
}

TEST(SimDocument, HandlesAreStableAndDistinct) {
  const std::string doc = R"({"nets": ["A", "B"], "tracks": [{}, {}], "vias": [{}]})";
  auto a = Load(doc);
  auto b = Load(doc);
  for (std::uint8_t kind : {std::uint8_t(8), std::uint8_t(4), std::uint8_t(3)})
    EXPECT_EQ(a->OfKind(kind), b->OfKind(kind));
  EXPECT_EQ(a->FindNet("A"), kFirstObjectHandle);
  EXPECT_EQ(a->Find(a->handle()), nullptr);
}

TEST(SimDocument, BadDocumentsNameTheFileThePlaceAndTheFault) {
  const std::pair<const char*, const char*> cases[] = {
      {"{\"nets\": [\"A\",]}", "test.json: not a JSON document: parse error at line 1, column 15"},
      {"[1]", "test.json: /: expected a board document"},
      {R"({"pads": [{}, {}, {}, {"x": "10 furlongs"}]})", "test.json: /pads/3/x: unknown unit \"furlongs\""},
      {R"({"pads": [{"x": true}]})", "/pads/0/x: expected a length such as \"10mil\""},
      {R"({"pads": [{"x": 1.5}]})", "/pads/0/x: a number without a unit counts host units"},
      {R"({"pads": [{"net": "VCC"}]})", "/pads/0/net: no net is named \"VCC\""},
      {R"({"tracks": [{"component": "U7"}]})", "/tracks/0/component: no component has the designator \"U7\""},
      {R"({"tracks": [{"layer": 83}]})", "/tracks/0/layer: layer 83 is out of range (1..82)"},
      {R"({"tracks": [{"layer": "Top"}]})", "/tracks/0/layer: no layer is named \"Top\""},
      {R"({"tracks": [{"with": "8mil"}]})", "/tracks/0/with: unknown field"},
      {R"({"nets": ["A", "B", "A"]})", "/nets/2: a second net is named \"A\" (the first at /nets/0)"},
      {R"({"components": [{"designator": "R1"}, {"designator": "R1"}]})",
       "/components/1/designator: a second component"},
      {R"({"layers": [{"layer": 1}, {"layer": "TopLayer"}]})", "/layers/1/layer: layer TopLayer is in the stack twice"},
      {R"({"layers": [{"layer": 1, "name": "X"}, {"layer": 32, "name": "X"}]})",
       "/layers/1: two stack layers are named"},
      {R"({"layers": [{"layer": 1, "net": "A"}], "nets": ["A"]})", "/layers/0/net: only an internal plane"},
      {R"({"vias": [{"planes": [{"layer": "TopLayer"}]}]})",
       "/vias/0/planes/0/layer: layer 1 is out of range (39..54)"},
      {R"({"pads": [{"layers": [{"shape": 1}]}]})", "/pads/0/layers/0: needs \"layer\""},
      {R"({"pads": [{"shape": "triangle"}]})", "/pads/0/shape: expected a shape"},
      {R"({"components": [{"designator": "U1", "pads": [{"component": "U1"}]}]})",
       "/components/0/pads/0/component: a pad inside a component"},
      {R"({"objects": [{"kind": "pad"}]})", "/objects/0/kind: expected the kind of an object without a list"},
      {R"({"nets": ["\u4e2d"]})", "/nets/0: the text holds a character"},
      {R"({"options": {"grids": [1, 2]}})", "/options/grids: expected 14 numbers"},
      {R"({"a~b/c": 1})", "test.json: /a~0b~1c: unknown field"},
      {R"({"pads": [{"size": ["1mil"]}]})", "/pads/0/size: a size is one length or an array of two"},
      {R"({"texts": [{"rotation": 1e999}]})", "test.json:"},
  };
  for (const auto& [doc, expected] : cases)
    EXPECT_NE(LoadError(doc).find(expected), std::string::npos) << LoadError(doc);
}

TEST(SimDocument, MissingFileIsNamed) {
  try {
    LoadBoardFile("/nonexistent/board.json");
    FAIL() << "loaded";
  } catch (const BoardError& e) {
    EXPECT_EQ(std::string(e.what()), "/nonexistent/board.json: cannot open the board document");
  }
}

TEST(SimHostAnswers, PadShapesPerLayer) {
  auto b = Load(R"({"pads": [{"hole": "30mil", "size": "60mil",
      "top": {"shape": "rectangle", "size": ["70mil", "50mil"]},
      "bottom": {"shape": "roundedRectangle", "size": ["40mil", "80mil"], "cornerPercent": 50},
      "layers": [{"layer": "MidLayer3", "shape": "octagon", "cornerRadius": "3mil"}]}]})");
  const Pad& p = Only<Pad>(*b, Kind::Pad);
  EXPECT_EQ(p.stackMode, 2);
  const PadOnLayer top = b->PadLayer(p, 1), mid = b->PadLayer(p, 2), mid3 = b->PadLayer(p, 4), bot = b->PadLayer(p, 32);
  EXPECT_EQ(top.shape, kShapeRectangle);
  EXPECT_EQ(top.xSize, 700000);
  EXPECT_EQ(top.ySize, 500000);
  EXPECT_EQ(mid.shape, kShapeRound);
  EXPECT_EQ(mid.xSize, 600000);
  EXPECT_EQ(mid3.shape, kShapeOctagon);
  EXPECT_EQ(mid3.xSize, 600000);
  EXPECT_EQ(mid3.cornerRadius, 30000);
  EXPECT_EQ(bot.cornerPercent, 50);
  EXPECT_EQ(bot.cornerRadius, 100000);  // half of the shorter side, 50 %
  EXPECT_EQ(b->PadLayer(p, kTopOverlay).xSize, 0);
}

TEST(SimHostAnswers, PlaneConnectionsFollowThePlanesNets) {
  auto b = Load(R"({
    "layers": [{"layer": 1}, {"layer": 39, "net": "GND"}, {"layer": 40, "net": "VCC"}, {"layer": 32}],
    "nets": ["GND", "VCC", "SIG"],
    "rules": {"planeConnectStyle": "direct"},
    "pads": [{"hole": "1mil", "net": "GND"}, {"hole": "1mil", "net": "VCC"}, {"hole": "1mil", "net": "SIG"},
             {"net": "GND"}, {"hole": "1mil", "net": "GND", "planeConnection": {"plane": "InternalPlane2"}}],
    "vias": [{"net": "VCC"}, {"net": "GND", "planes": [{"layer": 39, "connects": false}]}]
  })");
  const std::vector<Handle>& pads = b->OfKind(2);
  const std::uint8_t expected[] = {2, 5, 3, 0, 4};
  for (std::size_t i = 0; i < pads.size(); ++i)
    EXPECT_EQ(b->PadPlaneConnection(*b->FindAs<Pad>(pads[i], Kind::Pad)), expected[i]) << i;
  const Via& vcc = *b->FindAs<Via>(b->OfKind(3)[0], Kind::Via);
  const Via& gnd = *b->FindAs<Via>(b->OfKind(3)[1], Kind::Via);
  EXPECT_TRUE(b->ViaPlane(vcc, 40).connects);
  EXPECT_EQ(b->ViaPlane(vcc, 40).style, kPlaneStyleDirect);
  EXPECT_FALSE(b->ViaPlane(vcc, 39).connects);
  EXPECT_FALSE(b->ViaPlane(gnd, 39).connects);
  EXPECT_EQ(b->ViaPlane(gnd, 39).style, kPlaneStyleNone);
}

TEST(SimHostAnswers, ViaSpanFollowsTheStackOrder) {
  auto b = Load(R"({
    "layers": [{"layer": 1}, {"layer": 39}, {"layer": 2}, {"layer": 40}, {"layer": 32}],
    "vias": [{}, {"from": "TopLayer", "to": "MidLayer1"}, {"from": 32, "to": 2}, {"reaches": [1, 40]}]
  })");
  const std::vector<Handle>& vias = b->OfKind(3);
  auto reaches = [&](std::size_t via) {
    std::vector<int> out;
    for (LayerNumber l : b->StackOrder())
      if (b->ViaReaches(*b->FindAs<Via>(vias[via], Kind::Via), l)) out.push_back(l);
    return out;
  };
  EXPECT_EQ(reaches(0), (std::vector<int>{1, 39, 2, 40, 32}));
  EXPECT_EQ(reaches(1), (std::vector<int>{1, 39, 2}));
  EXPECT_EQ(reaches(2), (std::vector<int>{2, 40, 32}));
  EXPECT_EQ(reaches(3), (std::vector<int>{1, 40}));
  EXPECT_FALSE(b->ViaReaches(*b->FindAs<Via>(vias[0], Kind::Via), 3));  // not in the stack
}

TEST(SimHostAnswers, BrokenStackLinksEndTheWalk) {
  Board b;
  b.SetStack({1, 2, 32});
  b.layers[2].next = 1;  // a loop back to the top
  EXPECT_EQ(b.StackOrder(), (std::vector<LayerNumber>{1, 2}));
  b.layers[1].prev = 2;  // no head left
  EXPECT_TRUE(b.StackOrder().empty());
}

TEST(SimHostAnswers, ComponentsAndNetsNeverContainThemselves) {
  auto b = Load(R"({"nets": ["A"], "components": [{"designator": "U1"}]})");
  Object& u1 = *b->Find(b->OfKind(9)[0]);
  EXPECT_FALSE(b->SetComponent(u1, u1.handle));
  EXPECT_FALSE(b->SetNet(u1, u1.handle));
  EXPECT_TRUE(b->SetNet(u1, b->FindNet("A")));
  b->Bounds(*b->Find(b->FindNet("A")));  // must not loop
}

TEST(SimSaveLoad, SavedDocumentLoadsToTheSameBoard) {
  for (const char* example : {"two-layer.json", "four-layer.json", "sensor-node.json"}) {
    auto first = LoadBoardFile(std::string(TQ_SOURCE_DIR) + "/examples/" + example);
    const std::string saved = SaveBoardText(*first);
    auto second = Load(saved);
    EXPECT_EQ(SaveBoardText(*second), saved) << example;
    EXPECT_EQ(second->ObjectCount(), first->ObjectCount()) << example;
  }
}

TEST(SimSaveLoad, OptionValuesAndHostTextSurvive) {
  auto b = Load(
      R"json({"nets": ["Ä (1)"], "options": {"grids": [1,2,3,4,5,6,7,8,9,10,11,12,13,14.5], "placer": [1,2,3,4,5,-6]},
                   "layerNames": {"Mechanical1": "Board Shape"}})json");
  EXPECT_EQ(b->NetName(b->FindNet("\xC4 (1)")), "\xC4 (1)");  // held as single-byte text
  auto again = Load(SaveBoardText(*b));
  EXPECT_EQ(again->records.at(kRecordGrids), b->records.at(kRecordGrids));
  EXPECT_EQ(again->records.at(kRecordPlacerOptions), b->records.at(kRecordPlacerOptions));
  EXPECT_EQ(again->layers[57].name, "Board Shape");
  EXPECT_NE(again->FindNet("\xC4 (1)"), 0);
  EXPECT_FALSE(again->yieldPerLayer);
  EXPECT_EQ(SaveBoardText(*again).find("yieldPerLayer"), std::string::npos);

  auto repeating = Load(R"json({"options": {"yieldPerLayer": true}})json");
  EXPECT_TRUE(repeating->yieldPerLayer);
  EXPECT_TRUE(Load(SaveBoardText(*repeating))->yieldPerLayer);
  EXPECT_NE(LoadError(R"json({"options": {"yieldPerLayer": 1}})json").find("/options/yieldPerLayer"),
            std::string::npos);
}

}  // namespace
