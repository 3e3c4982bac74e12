// The PCB server library's entry points, called as the exporter calls them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "SimTestBoard.h"
#include "host/PcbApi.h"

#define TQ_PCBAPI_FN(ret, name, def, params) extern "C" ret TQ_STDCALL name params;
#include "host/PcbApiUsed.inc"
#undef TQ_PCBAPI_FN

namespace {

using simtest::SimTest;

// The test board with `fields` added at the start of the document.
std::string TestBoardWith(const std::string& fields) { return "{" + fields + std::string(simtest::kBoard).substr(1); }

constexpr TObjectKindByte kArc = 1, kPad = 2, kVia = 3, kTrack = 4, kNet = 8, kComponent = 9, kRule = 16;

// Every handle an iterator yields.
std::vector<THandle> Walk(THandle container, TObjectKindByte kind, TLayerCode layer = 0) {
  std::vector<THandle> out;
  const THandle it = PcbApi_CreateIterator(container, kind, 0, layer);
  for (THandle h = PcbApi_GetFirstObject(it); h != 0; h = PcbApi_GetNextObject(it)) out.push_back(h);
  PcbApi_DestroyIterator(it);
  return out;
}

TEST(SimExports, EveryNameIsThereAndTheUnusedOnesAnswerZero) {
  std::vector<std::string> missing;
#define TQ_PCBAPI_NAME(index, name) \
  if (dlsym(RTLD_DEFAULT, #name) == nullptr) missing.push_back(#name);
#include "host/PcbApiNames.inc"
#undef TQ_PCBAPI_NAME
  EXPECT_TRUE(missing.empty()) << missing.size() << " missing, the first " << missing.front();
  for (const char* unused :
       {"PcbApi_SendCommand", "PCBAPI_GetUnaryRuleForPrimitive", "PcbApi_GetLayerPolygonShapesForOutputEx"}) {
    auto entry = reinterpret_cast<std::int32_t (*)()>(dlsym(RTLD_DEFAULT, unused));
    ASSERT_NE(entry, nullptr) << unused;
    EXPECT_EQ(entry(), 0);
  }
}

TEST_F(SimTest, BoardIteratorYieldsEveryObjectOfTheKindOrByLayer) {
  const std::vector<THandle> tracks = Walk(Board(), kTrack);
  ASSERT_EQ(tracks.size(), 5u);  // three tracks and two outline tracks
  EXPECT_TRUE(std::is_sorted(tracks.begin(), tracks.end()));
  EXPECT_EQ(Walk(Board(), kTrack, 56), (std::vector<THandle>{tracks[3], tracks[4]}));
  EXPECT_EQ(Walk(Board(), kArc, 56).size(), 1u);
  EXPECT_EQ(Walk(Board(), kPad, 74).size(), 2u);  // multi-layer pads count as layer 74
  EXPECT_EQ(Walk(Board(), kPad, 32).size(), 1u);
  EXPECT_EQ(Walk(Board(), kPad, 1).size(), 0u);
  EXPECT_EQ(Walk(Board(), kVia, 74).size(), 2u);
  EXPECT_EQ(Walk(Board(), kNet).size(), 3u);
  EXPECT_EQ(Walk(Board(), kNet, 1).size(), 0u);
  EXPECT_EQ(Walk(Board(), 0x80 | kNet).size(), 3u);  // the kind's top bit means nothing
  EXPECT_EQ(Walk(Board(), 10).size(), 1u);           // the polygon, which no other kind yields
  for (THandle h : tracks) EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(h), kTrack);
  EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(Board()), 25);
  EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(0), 0);
}

TEST_F(SimTest, WithYieldPerLayerMultiLayerPadsAndViasComeOnEveryLayerTheyTouch) {
  const std::string board = TestBoardWith(R"("options": {"yieldPerLayer": true},)");
  const std::vector<THandle> multiLayerPads = Walk(Board(), kPad, 74);
  const std::vector<THandle> vias = Walk(Board(), kVia, 74);
  const std::vector<THandle> bottomPads = Walk(Board(), kPad, 32);
  ASSERT_EQ(multiLayerPads.size(), 2u);
  ASSERT_EQ(vias.size(), 2u);
  ASSERT_EQ(bottomPads.size(), 1u);
  Load(board);

  // Pads: every signal and plane layer of the stack (Top, GND Plane, the VCC
  // plane that is not present but in the stack, Bottom), besides their own.
  for (TLayerCode layer : {1u, 39u, 40u, 74u}) EXPECT_EQ(Walk(Board(), kPad, layer), multiLayerPads) << layer;
  // On the bottom layer the surface pad comes in handle order with the others.
  const std::vector<THandle> onBottom = Walk(Board(), kPad, 32);
  EXPECT_EQ(onBottom.size(), 3u);
  EXPECT_TRUE(std::is_sorted(onBottom.begin(), onBottom.end()));
  // Layers outside the stack, and non-electrical ones, yield nothing more.
  for (TLayerCode layer : {2u, 41u, 33u, 56u, 75u}) EXPECT_TRUE(Walk(Board(), kPad, layer).empty()) << layer;

  // Vias: the layers they reach. The through via reaches the whole stack; the
  // blind one ends on InternalPlane1.
  EXPECT_EQ(Walk(Board(), kVia, 1), vias);
  EXPECT_EQ(Walk(Board(), kVia, 39), vias);
  EXPECT_EQ(Walk(Board(), kVia, 40), (std::vector<THandle>{vias[0]}));
  EXPECT_EQ(Walk(Board(), kVia, 32), (std::vector<THandle>{vias[0]}));
  EXPECT_EQ(Walk(Board(), kVia, 74), vias);
  EXPECT_TRUE(Walk(Board(), kVia, 2).empty());

  // Nothing else changes: tracks by layer, and iterators on any layer.
  EXPECT_EQ(Walk(Board(), kTrack, 1).size(), 2u);
  EXPECT_EQ(Walk(Board(), kPad).size(), 3u);
  EXPECT_EQ(Walk(Board(), kVia).size(), 2u);
}

TEST_F(SimTest, NetAndComponentIteratorsYieldExactlyTheirMembers) {
  const THandle sig = Net("SIG");
  const std::vector<THandle> sigTracks = Walk(sig, kTrack);
  ASSERT_EQ(sigTracks.size(), 2u);
  for (THandle h : sigTracks) {
    THandle net = 0;
    ASSERT_EQ(PcbApi_QueryPrimitive(1, h, nullptr, nullptr, nullptr, &net, nullptr, nullptr), 0);
    EXPECT_EQ(net, sig);
  }
  EXPECT_EQ(Walk(sig, kTrack, 32).size(), 1u);
  EXPECT_EQ(Walk(sig, kPad).size(), 2u);  // U1.2 and TP1
  EXPECT_EQ(Walk(sig, kVia).size(), 1u);
  EXPECT_EQ(Walk(sig, kArc).size(), 1u);
  EXPECT_EQ(Walk(Net("VCC"), kPad).size(), 0u);
  EXPECT_EQ(Walk(Net("GND"), kTrack).size(), 1u);
  const THandle u1 = Sim_FindObject(kComponent, "U1");
  EXPECT_EQ(Walk(u1, kPad).size(), 2u);
}

TEST_F(SimTest, IteratorsRestartAndAreReleased) {
  const THandle it = PcbApi_CreateIterator(Board(), kNet, 0, 0);
  const THandle first = PcbApi_GetFirstObject(it);
  PcbApi_GetNextObject(it);
  EXPECT_EQ(PcbApi_GetFirstObject(it), first);
  EXPECT_EQ(Sim_GetLiveIterators(), 1);
  EXPECT_EQ(PcbApi_DestroyIterator(it), 0);
  EXPECT_EQ(PcbApi_DestroyIterator(it), 1);
  EXPECT_EQ(PcbApi_GetNextObject(it), 0);
  EXPECT_EQ(Sim_GetLiveIterators(), 0);
  // A container that is neither the board, a net nor a component.
  EXPECT_EQ(PcbApi_CreateIterator(Walk(Board(), kTrack)[0], kTrack, 0, 0), 0);
  EXPECT_EQ(PcbApi_GetFirstObject(0), 0);
}

TEST_F(SimTest, SetModeStoresWhatQueryModeGivesBack) {
  const THandle track = Walk(Net("SIG"), kTrack, 1).at(0);
  std::uint16_t flags = 0, word = 0;
  TLayerCode layer = 0;
  THandle net = 0, component = 0;
  std::uint8_t hostByte = 0;
  std::int32_t v[8] = {};
  ASSERT_EQ(PcbApi_QueryTrack(1, track, &flags, &word, &layer, &net, &hostByte, &component, &v[0], &v[1], &v[2], &v[3],
                              &v[4], &v[5], &v[6], &v[7]),
            0);
  EXPECT_EQ(layer, 1u);
  EXPECT_EQ(v[0], 10000);
  EXPECT_EQ(v[2], 20000);
  EXPECT_EQ(v[4], 80000);
  EXPECT_EQ(v[5], 0);

  std::uint16_t newFlags = 0x1818, newWord = 7;
  TLayerCode newLayer = 32;
  THandle newNet = Net("VCC");
  std::uint8_t newByte = 9;
  std::int32_t w[8] = {-1, -2, -3, -4, 5, 66, 77, 88};
  ASSERT_EQ(PcbApi_QueryTrack(0, track, &newFlags, &newWord, &newLayer, &newNet, &newByte, &component, &w[0], &w[1],
                              &w[2], &w[3], &w[4], &w[5], &w[6], &w[7]),
            0);
  std::int32_t r[8] = {};
  ASSERT_EQ(PcbApi_QueryTrack(1, track, &flags, &word, &layer, &net, &hostByte, &component, &r[0], &r[1], &r[2], &r[3],
                              &r[4], &r[5], &r[6], &r[7]),
            0);
  EXPECT_EQ(flags, newFlags);
  EXPECT_EQ(word, newWord);
  EXPECT_EQ(layer, newLayer);
  EXPECT_EQ(net, newNet);
  EXPECT_EQ(hostByte, newByte);
  EXPECT_EQ(std::vector<std::int32_t>(r, r + 8), std::vector<std::int32_t>(w, w + 8));
  // The track moved to the other net and layer.
  EXPECT_EQ(Walk(Net("VCC"), kTrack), std::vector<THandle>{track});
  EXPECT_EQ(Walk(Net("SIG"), kTrack).size(), 1u);
  EXPECT_EQ(Walk(Board(), kTrack, 32).size(), 2u);

  // A net handle that names no net: nothing is stored.
  THandle bogus = track;
  std::int32_t x = 12345;
  EXPECT_EQ(PcbApi_QueryTrack(0, track, nullptr, nullptr, nullptr, &bogus, nullptr, nullptr, &x, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr),
            1);
  PcbApi_QueryTrack(1, track, nullptr, nullptr, nullptr, &net, nullptr, nullptr, &x, nullptr, nullptr, nullptr, nullptr,
                    nullptr, nullptr, nullptr);
  EXPECT_EQ(net, newNet);
  EXPECT_EQ(x, -1);
}

TEST_F(SimTest, PadRoundTripWithTheWholeNameInA256ByteBuffer) {
  Load(
      R"({"nets": ["A"], "pads": [{"name": "ABCDEFGHIJKLMNOPQRSTUVWXY", "hole": "28mil", "size": "60mil", "rotation": 45}]})");
  const THandle pad = Walk(Board(), kPad).at(0);
  // The name's buffer with guard bytes behind it, all set to 0xAA.
  alignas(8) std::uint8_t raw[sizeof(TShortString) + 8];
  std::memset(raw, 0xAA, sizeof raw);
  auto* name256 = reinterpret_cast<TShortString*>(raw);
  std::int32_t hole = 0;
  double rotation = 0;
  ASSERT_EQ(PcbApi_QueryPad(1, pad, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr, &hole, nullptr, nullptr, nullptr, name256,
                            nullptr, nullptr, &rotation, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(name256->str(), "ABCDEFGHIJKLMNOPQRSTUVWXY");  // the model cuts, not the host
  for (std::size_t i = sizeof(TShortString); i < sizeof raw; ++i) EXPECT_EQ(raw[i], 0xAA);
  EXPECT_EQ(hole, 280000);
  EXPECT_EQ(rotation, 45.0);

  // The values the host only keeps come back as they were set.
  TShortString text1("P1"), text3("P3");
  std::uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::int32_t value5 = -5;
  TShortString newName("N");
  ASSERT_EQ(PcbApi_QueryPad(0, pad, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &newName,
                            nullptr, nullptr, nullptr, &text1, nullptr, nullptr, &text3, nullptr, nullptr, nullptr,
                            eight, nullptr, nullptr, &value5, nullptr, nullptr),
            0);
  TShortString back1, back3, name;
  std::uint8_t eightBack[8] = {};
  std::int32_t value5Back = 0;
  PcbApi_QueryPad(1, pad, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                  nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &name, nullptr, nullptr,
                  nullptr, &back1, nullptr, nullptr, &back3, nullptr, nullptr, nullptr, eightBack, nullptr, nullptr,
                  &value5Back, nullptr, nullptr);
  EXPECT_EQ(name.str(), "N");
  EXPECT_EQ(back1.str(), "P1");
  EXPECT_EQ(back3.str(), "P3");
  EXPECT_EQ(std::memcmp(eightBack, eight, 8), 0);
  EXPECT_EQ(value5Back, -5);
}

TEST_F(SimTest, PadLayerSettersAndQueries) {
  const THandle pad = Walk(Net("GND"), kPad).at(0);
  std::uint8_t shape = 0, percent = 0, mode = 2;
  std::int32_t xs = 0, ys = 0, radius = -1;
  ASSERT_EQ(PcbApi_QueryPadOrViaSizeOnLayer(pad, 1, &xs, &ys), 0);
  EXPECT_EQ(xs, 600000);
  EXPECT_EQ(PcbApi_SetPadShapeOnLayer(pad, 5, 9), 0);
  EXPECT_EQ(PcbApi_SetPadSizeOnLayer(pad, 5, 100000, 200000), 0);
  EXPECT_EQ(PcbApi_SetCRPctOnLayer(pad, 5, 40), 0);
  EXPECT_EQ(PcbApi_QueryPadStackMode(0, pad, &mode), 0);
  PcbApi_QueryPadOrViaShapeOnLayer(pad, 5, &shape);
  PcbApi_QueryPadOrViaSizeOnLayer(pad, 5, &xs, &ys);
  PcbApi_QueryPadCRPercentageOnLayer(pad, 5, &percent);
  PcbApi_QueryPadCornerRadiusOnLayer(pad, 5, &radius);
  EXPECT_EQ(shape, 9);
  EXPECT_EQ(xs, 100000);
  EXPECT_EQ(ys, 200000);
  EXPECT_EQ(percent, 40);
  EXPECT_EQ(radius, 20000);
  mode = 0;
  PcbApi_QueryPadStackMode(1, pad, &mode);
  EXPECT_EQ(mode, 2);
  // Layers outside 0..82 and handles of other kinds fail and leave the value.
  xs = 7;
  EXPECT_EQ(PcbApi_QueryPadOrViaSizeOnLayer(pad, 83, &xs, &ys), 1);
  EXPECT_EQ(xs, 7);
  EXPECT_EQ(PcbApi_QueryPadCornerRadiusOnLayer(Walk(Board(), kVia)[0], 1, &radius), 1);
  // A via answers size and shape too.
  const THandle via = Walk(Board(), kVia)[0];
  PcbApi_QueryPadOrViaSizeOnLayer(via, 39, &xs, &ys);
  EXPECT_EQ(xs, 240000);
  PcbApi_QueryPadOrViaShapeOnLayer(via, 32, &shape);
  EXPECT_EQ(shape, 1);
  std::uint8_t connection = 0xFF;
  EXPECT_EQ(PcbApi_QueryPad_PwrGnd(pad, &connection), 0);
  EXPECT_EQ(connection, 1);  // relief on the first plane, whose net it is on
}

TEST_F(SimTest, PlaneClearanceRuleIsFoundAndKept) {
  const THandle pad = Walk(Board(), kPad).at(0);
  const THandle rule = PcbApi_FindDominantRuleForObject(pad, 12);
  ASSERT_NE(rule, 0);
  EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(rule), kRule);
  EXPECT_EQ(PcbApi_FindDominantRuleForObject(pad, 11), 0);
  std::int32_t value = 0;
  PcbApi_QueryRulePowerPlaneExpansionRule(1, rule, &value);
  EXPECT_EQ(value, 200000);
  // The rule's other values: kept as set.
  TShortString s("scope"), back;
  std::int32_t i4 = 44, i4Back = 0;
  PcbApi_QueryRule(0, rule, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &s, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &i4, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr);
  PcbApi_QueryRule(1, rule, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &back, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &i4Back, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr);
  EXPECT_EQ(back.str(), "scope");
  EXPECT_EQ(i4Back, 44);
}

TEST_F(SimTest, BoardLayersAndPairs) {
  TShortString text;
  TLayerCode current = 0;
  ASSERT_EQ(PcbApi_QueryBoard(1, Board(), nullptr, &text, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              &current, nullptr),
            0);
  EXPECT_EQ(text.str(), "TEST BOARD");
  EXPECT_EQ(current, 1u);

  TShortString name, planeNet;
  std::int32_t copper = 0;
  TLayerByte prev = 0, next = 0;
  ASSERT_EQ(PcbApi_QueryInternalPlane(1, 39, Board(), &name, &copper, nullptr, nullptr, &prev, &next, &planeNet), 0);
  EXPECT_EQ(name.str(), "GND Plane");
  EXPECT_EQ(copper, 7000);
  EXPECT_EQ(prev, 1);
  EXPECT_EQ(next, 40);
  EXPECT_EQ(planeNet.str(), "GND");
  PcbApi_QueryLayer(1, 33, Board(), &name, nullptr, nullptr, nullptr, &prev, &next, nullptr);
  EXPECT_EQ(name.str(), "Top Overlay");
  EXPECT_EQ(prev + next, 0);
  EXPECT_EQ(PcbApi_QueryLayer(1, 0, Board(), &name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 1);

  TShortString material;
  double constant = 0;
  std::int32_t height = 0;
  PcbApi_QueryLayerDielectric(1, 1, Board(), &material, nullptr, &constant, &height);
  EXPECT_EQ(material.str(), "Prepreg");
  EXPECT_EQ(constant, 4.2);
  EXPECT_EQ(height, 80000);

  std::int32_t count = 0;
  ASSERT_EQ(PcbApi_QueryBoardLayerPairsCount(Board(), &count, 1), 0);
  EXPECT_EQ(count, 1);
  count = 2;
  ASSERT_EQ(PcbApi_QueryBoardLayerPairsCount(Board(), &count, 0), 0);
  TLayerCode a = 1, b = 39;
  std::uint8_t b1 = 3, b2 = 4;
  ASSERT_EQ(PcbApi_QueryBoardLayerPairAt(0, Board(), 1, &a, &b, &b2, &b1), 0);
  a = b = 0;
  b1 = b2 = 0;
  PcbApi_QueryBoardLayerPairAt(1, Board(), 1, &a, &b, &b2, &b1);
  EXPECT_EQ(a + b + b1 + b2, 1u + 39u + 3u + 4u);
  EXPECT_EQ(PcbApi_QueryBoardLayerPairAt(1, Board(), 2, &a, &b, &b2, &b1), 1);

  // Option values, per index where the query has one.
  double grids[14] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, g7 = 0;
  PcbApi_QueryBoardGridsEx(0, Board(), &grids[0], &grids[1], &grids[2], &grids[3], &grids[4], &grids[5], &grids[6],
                           &grids[7], &grids[8], &grids[9], &grids[10], &grids[11], &grids[12], &grids[13]);
  PcbApi_QueryBoardGridsEx(1, Board(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &g7, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(g7, 7.0);
  std::uint8_t plot = 5, plotBack = 0;
  PcbApi_QueryBoardOutputOptionsPlotLayers(0, Board(), 17, &plot);
  PcbApi_QueryBoardOutputOptionsPlotLayers(1, Board(), 17, &plotBack);
  EXPECT_EQ(plotBack, 5);
  PcbApi_QueryBoardOutputOptionsPlotLayers(1, Board(), 18, &plotBack);
  EXPECT_EQ(plotBack, 0);
}

TEST_F(SimTest, ClassMembersAndTexts) {
  const THandle cls = Walk(Board(), 15).at(0);
  TShortString member;
  std::vector<std::string> members;
  for (std::int32_t i = 0; PcbApi_GetMemberFromClassAt(cls, i, &member) != 1; ++i) members.push_back(member.str());
  EXPECT_EQ(members, (std::vector<std::string>{"GND", "VCC"}));
  EXPECT_EQ(PcbApi_RemoveAllMembersFromClass(cls), 0);
  const TShortString sig("SIG");
  EXPECT_EQ(PcbApi_AddMemberToClass(cls, &sig), 0);
  PcbApi_GetMemberFromClassAt(cls, 0, &member);
  EXPECT_EQ(member.str(), "SIG");
  EXPECT_EQ(PcbApi_GetMemberFromClassAt(cls, 1, &member), 1);

  // A component's designator and comment are text objects.
  const THandle u1 = Sim_FindObject(kComponent, "U1");
  THandle designator = 0, comment = 0;
  TLayerByte layer = 0;
  ASSERT_EQ(PcbApi_QueryComponent(1, u1, nullptr, nullptr, &layer, nullptr, &designator, &comment, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(layer, 1);
  TShortString text;
  PcbApi_QueryText(1, comment, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, &text, nullptr, nullptr, nullptr);
  EXPECT_EQ(text.str(), "HYPERLYNX IC");
  PcbApi_GetDesignatorDisplayString(&text, designator);
  EXPECT_EQ(text.str(), "U1");
  PcbApi_GetDesignatorDisplayString(&text, u1);
  EXPECT_EQ(text.str(), "");
}

TEST_F(SimTest, WithoutABoardEverythingAnswersNone) {
  Sim_SetNoCurrentBoard(1);
  EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), 0);
  EXPECT_EQ(PcbApi_CreateIterator(1000, kTrack, 0, 0), 0);
  TShortString text("untouched");
  EXPECT_EQ(PcbApi_QueryBoard(1, 1000, nullptr, &text, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr),
            1);
  EXPECT_EQ(text.str(), "untouched");
  std::int32_t count = 5;
  EXPECT_EQ(PcbApi_QueryBoardLayerPairsCount(1000, &count, 1), 1);
  EXPECT_EQ(count, 5);
  Sim_SetNoCurrentBoard(0);
  EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), 1000);
}

TEST_F(SimTest, QueriesRefuseOtherModesAndKinds) {
  const THandle track = Walk(Board(), kTrack)[0];
  std::int32_t x = 3;
  EXPECT_EQ(PcbApi_QueryTrack(2, track, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &x, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr),
            1);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(PcbApi_QueryArc(1, track, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &x, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr),
            1);
  EXPECT_EQ(PcbApi_QueryVia(1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &x, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr),
            1);
  EXPECT_EQ(PcbApi_QueryObjectImport_FromUser(track), 0);
  EXPECT_EQ(PcbApi_QueryObjectImport_FromUser(12345678), 1);
  std::int32_t l = 0, b = 0, r = 0, t = 0;
  ASSERT_EQ(PcbApi_QueryObjectBoundingRectangle(track, &l, &b, &r, &t), 0);
  EXPECT_EQ(std::vector<std::int32_t>({l, b, r, t}),
            std::vector<std::int32_t>({10000 - 40000, -40000, 20000 + 40000, 40000}));
}

TEST_F(SimTest, ProgressIsRecordedAndReported) {
  struct Seen {
    std::vector<std::string> events;
  } seen;
  Sim_SetProgressCallback(
      [](void* context, std::int32_t event, const char* caption, std::int32_t total, std::int32_t count) {
        static_cast<Seen*>(context)->events.push_back(std::to_string(event) + " " + caption + " " +
                                                      std::to_string(total) + " " + std::to_string(count));
      },
      &seen);
  const TShortString caption("Saving x");
  PcbApi_Percent_Init(&caption, 2);
  PcbApi_Percent_Update();
  PcbApi_Percent_Update();
  PcbApi_Percent_Finish();
  Sim_SetProgressCallback(nullptr, nullptr);
  EXPECT_EQ(seen.events,
            (std::vector<std::string>{"0 Saving x 2 0", "1 Saving x 2 1", "1 Saving x 2 2", "2 Saving x 2 2"}));
  std::int32_t total = 0, steps = 0, opened = 0, closed = 0;
  char text[4];
  EXPECT_EQ(Sim_GetProgress(&total, &steps, &opened, &closed, text, sizeof text), 8);
  EXPECT_STREQ(text, "Sav");
  EXPECT_EQ(total + steps + opened + closed, 2 + 2 + 1 + 1);
}

}  // namespace
