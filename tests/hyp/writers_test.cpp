// The DEVICES, PADSTACK and NET sections of whole export runs, with boards
// of the simulated host loaded into the test process.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "SimHost.h"
#include "TestSupport.h"
#include "exporter/Tarnquil.h"
#include "host/ReadFailures.h"
#include "hyp/HypText.h"
#include "hyp/NumberFormat.h"

TQ_DEFINE_CLIENT_API()

namespace {

using tqtest::SimHost;

class Writers : public ::testing::Test {
 protected:
  void SetUp() override {
    SimHost::Get().reset();
    SimHost::Get().workspaceReset();
  }
  void TearDown() override {
    SimHost::Get().reset();
    EXPECT_EQ(SimHost::Get().outstanding(), 0) << "host references left unreleased";
  }
  // The lines of the exported document.
  std::vector<std::string> Export(const std::string& board) {
    SimHost::Get().Load(board);
    const std::string dest = out_ / "board.hyp";
    EXPECT_TRUE(RunExport(dest, kFormatName));
    return tqtest::HypLines(tqtest::ReadFile(dest));
  }
  // Exports the board as Export does, and counts the entry point calls of
  // the run whose name is `entry`.
  std::vector<std::string> ExportCounting(const std::string& board, std::string_view entry, std::size_t* calls) {
    const std::string trace = out_ / "calls.txt";
    SimHost::Get().Load(board);
    EXPECT_EQ(SimHost::Get().callTrace(trace.c_str()), 1);
    const std::string dest = out_ / "board.hyp";
    EXPECT_TRUE(RunExport(dest, kFormatName));
    SimHost::Get().callTrace(nullptr);
    *calls = 0;
    std::istringstream lines(tqtest::ReadFile(trace));
    for (std::string line; std::getline(lines, line);)
      if (line == entry) ++*calls;
    return tqtest::HypLines(tqtest::ReadFile(dest));
  }
  // The lines from the one that starts with `opening` to the closing "}".
  static std::vector<std::string> Section(const std::vector<std::string>& lines, const std::string& opening) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] != opening) continue;
      std::vector<std::string> section;
      for (std::size_t j = i; j < lines.size(); ++j) {
        section.push_back(lines[j]);
        if (lines[j] == "}") return section;
      }
    }
    return {"<no section " + opening + ">"};
  }
  // Every PADSTACK section, in order.
  static std::vector<std::vector<std::string>> PadStacks(const std::vector<std::string>& lines) {
    std::vector<std::vector<std::string>> stacks;
    for (const std::string& line : lines)
      if (line.rfind("{PADSTACK=", 0) == 0) stacks.push_back(Section(lines, line));
    return stacks;
  }

  tqtest::ScratchDir out_;
  tqtest::ScratchDir tmp_;
  tqtest::ScopedEnv tmpdir_{"TMPDIR", tmp_.path().string()};
};

TEST_F(Writers, TheDocumentHoldsItsSectionsInOrder) {
  const std::vector<std::string> lines = Export(R"({"nets": ["N"],
    "components": [{"designator": "U1", "pads": [{"name": "1", "net": "N"}]}]})");
  std::vector<std::string> openings;
  for (const std::string& line : lines)
    if (!line.empty() && line[0] == '{') openings.push_back(line.substr(0, line.find_first_of("= ")));
  EXPECT_EQ(openings, (std::vector<std::string>{"{VERSION", "{UNITS", "{BOARD", "{STACKUP", "{DEVICES", "{PADSTACK",
                                                "{NET", "{END}"}));
}

TEST_F(Writers, AMultiLayerPadGivesThePadStackOfTheExample) {
  // Round, 60 mil everywhere, 28 mil drill, no plane among the first four
  // (plane connection code 0) and a 10 mil plane clearance.
  const std::vector<std::string> lines = Export(R"({"rules": {"planeExpansion": "10mil"},
    "pads": [{"name": "1", "hole": "28mil", "size": "60mil"}]})");
  EXPECT_EQ(Section(lines, "{PADSTACK=0, 0.0280"),
            (std::vector<std::string>{"{PADSTACK=0, 0.0280", "  (MDEF, 0, 0.0600, 0.0600, 0, M)",
                                      "  (ADEF, 0, 0.0700, 0.0700, 0, A)", "}"}));
}

const char* const kPlaneStack = R"("layers": [
      {"layer": "TopLayer"}, {"layer": "InternalPlane1", "name": "Power Plane", "net": "GND"},
      {"layer": "InternalPlane2", "name": "Plane Two", "net": "VCC"}, {"layer": "BottomLayer"}],
    "nets": ["GND", "VCC", "S"], "rules": {"planeExpansion": "10mil"})";

TEST_F(Writers, PlaneConnectionCodesChooseThermalNoneAndAntiPadEntries) {
  const std::vector<std::string> lines = Export(std::string("{") + kPlaneStack + R"(,
    "pads": [{"name": "1", "hole": "28mil", "size": "60mil", "net": "GND"},
             {"name": "2", "hole": "28mil", "size": "60mil", "planeConnection": 2, "x": "100mil"}]})");
  const auto stacks = PadStacks(lines);
  ASSERT_EQ(stacks.size(), 2u);
  // Code 1: a thermal relief on plane 1, an anti-pad on plane 2.
  EXPECT_EQ(stacks[0], (std::vector<std::string>{"{PADSTACK=0, 0.0280", "  (MDEF, 0, 0.0600, 0.0600, 0, M)",
                                                 "  (Power_Plane, 0, 0.0600, 0.0600, 0, 0, 0.0100, 0.0100, 0, T)",
                                                 "  (Plane_Two, 0, 0.0700, 0.0700, 0, A)", "}"}));
  // Code 2: a direct connection to plane 1 writes nothing there.
  EXPECT_EQ(stacks[1], (std::vector<std::string>{"{PADSTACK=1, 0.0280", "  (MDEF, 0, 0.0600, 0.0600, 0, M)",
                                                 "  (Plane_Two, 0, 0.0700, 0.0700, 0, A)", "}"}));
}

// Every plane connection code of the host on a board with the four planes
// the codes name: 3k+1 a thermal relief on plane k (T), 3k+2 a direct
// connection that writes nothing there (-), anything else an anti-pad (A);
// code 0 the anti-pad on every plane (ADEF).
TEST_F(Writers, EveryPlaneConnectionCodeGivesItsEntriesOnTheFourPlanes) {
  const std::pair<int, std::string> codes[] = {
      {0, "ADEF"}, {1, "TAAA"}, {2, "-AAA"},  {3, "AAAA"},  {4, "ATAA"},  {5, "A-AA"},  {6, "AAAA"},   {7, "AATA"},
      {8, "AA-A"}, {9, "AAAA"}, {10, "AAAT"}, {11, "AAA-"}, {12, "AAAA"}, {13, "AAAA"}, {255, "AAAA"},
  };
  std::string pads;
  for (const auto& [code, entries] : codes)
    pads += std::string(pads.empty() ? "" : ", ") + R"({"name": "1", "size": "60mil", "hole": ")" +
            std::to_string(code + 1) + R"(mil", "planeConnection": )" + std::to_string(code) + "}";
  const std::vector<std::string> lines = Export(R"({"layers": [{"layer": "TopLayer"},
      {"layer": "InternalPlane1", "name": "P1"}, {"layer": "InternalPlane2", "name": "P2"},
      {"layer": "InternalPlane3", "name": "P3"}, {"layer": "InternalPlane4", "name": "P4"}, {"layer": "BottomLayer"}],
    "rules": {"planeExpansion": "10mil"}, "pads": [)" +
                                                pads + "]}");
  std::map<std::string, std::vector<std::string>> byHole;
  for (const std::vector<std::string>& stack : PadStacks(lines))
    byHole[stack[0].substr(stack[0].find(", ") + 2)] = std::vector<std::string>(stack.begin() + 1, stack.end() - 1);
  for (const auto& [code, entries] : codes) {
    std::vector<std::string> expected = {"  (MDEF, 0, 0.0600, 0.0600, 0, M)"};
    if (entries == "ADEF") expected.push_back("  (ADEF, 0, 0.0700, 0.0700, 0, A)");
    for (std::size_t k = 0; entries != "ADEF" && k < 4; ++k) {
      const std::string plane = "  (P" + std::to_string(k + 1);
      if (entries[k] == 'T') expected.push_back(plane + ", 0, 0.0600, 0.0600, 0, 0, 0.0100, 0.0100, 0, T)");
      if (entries[k] == 'A') expected.push_back(plane + ", 0, 0.0700, 0.0700, 0, A)");
    }
    EXPECT_EQ(byHole[FormatLength(static_cast<std::int64_t>(code + 1) * 10000)], expected) << "code " << code;
  }
}

TEST_F(Writers, APlaneTheBoardDoesNotHoldGetsNoEntry) {
  // Code 1 names InternalPlane1, which this board lacks.
  const std::vector<std::string> lines = Export(R"({"layers": [
      {"layer": "TopLayer"}, {"layer": "InternalPlane2", "name": "Plane Two"}, {"layer": "BottomLayer"}],
    "rules": {"planeExpansion": "10mil"},
    "pads": [{"name": "1", "hole": "28mil", "size": "60mil", "planeConnection": 1}]})");
  EXPECT_EQ(PadStacks(lines),
            (std::vector<std::vector<std::string>>{{"{PADSTACK=0, 0.0280", "  (MDEF, 0, 0.0600, 0.0600, 0, M)",
                                                    "  (Plane_Two, 0, 0.0700, 0.0700, 0, A)", "}"}}));
}

TEST_F(Writers, EqualPadsShareAPadStackAndARotationMakesANewOne) {
  const std::vector<std::string> lines = Export(R"({"nets": ["N"],
    "components": [{"designator": "U1", "pads": [
      {"name": "1", "size": ["50mil", "60mil"], "shape": "rectangle", "net": "N"},
      {"name": "2", "size": ["50mil", "60mil"], "shape": "rectangle", "rotation": 90, "x": "100mil", "net": "N"},
      {"name": "3", "size": ["50mil", "60mil"], "shape": "rectangle", "x": "200mil", "net": "N"}]}]})");
  const auto stacks = PadStacks(lines);
  ASSERT_EQ(stacks.size(), 2u);
  EXPECT_EQ(stacks[1][1], "  (Top_Layer, 1, 0.0500, 0.0600, 90.000, M)");
  EXPECT_EQ(Section(lines, "{NET=N"), (std::vector<std::string>{"{NET=N", "  (PIN X=0.0000 Y=0.0000 R=U1.1 P=0)",
                                                                "  (PIN X=0.1000 Y=0.0000 R=U1.2 P=1)",
                                                                "  (PIN X=0.2000 Y=0.0000 R=U1.3 P=0)", "}"}));
}

TEST_F(Writers, ViasFollowTheStackTheyReachAndTheirPlaneConnections) {
  const std::vector<std::string> lines = Export(std::string("{") + kPlaneStack + R"(,
    "vias": [
      {"size": "24mil", "hole": "12mil", "net": "GND", "stackMode": 1},
      {"size": "24mil", "hole": "12mil", "net": "VCC", "x": "100mil",
       "planes": [{"layer": "InternalPlane2", "connects": true, "style": "direct"}]},
      {"size": "24mil", "hole": "12mil", "net": "VCC", "x": "200mil", "stackMode": 1,
       "planes": [{"layer": "InternalPlane2", "connects": true, "style": "direct"}]},
      {"size": "24mil", "hole": "12mil", "net": "VCC", "x": "300mil", "stackMode": 1,
       "planes": [{"layer": "InternalPlane2", "connects": true, "style": 0}]},
      {"size": "20mil", "hole": "8mil", "net": "S", "x": "400mil", "from": "TopLayer", "to": "InternalPlane1"}]})");
  const auto stacks = PadStacks(lines);
  ASSERT_EQ(stacks.size(), 5u);
  // Walked: metal on the signal layers, a thermal relief on its own plane,
  // an anti-pad of the via's size on the other.
  EXPECT_EQ(stacks[0], (std::vector<std::string>{"{PADSTACK=0, 0.0120", "  (Top_Layer, 0, 0.0240, 0.0240, 0, M)",
                                                 "  (Power_Plane, 0, 0.0120, 0.0120, 0, 0, 0.0100, 0.0100, 0, T)",
                                                 "  (Plane_Two, 0, 0.0240, 0.0240, 0, A)",
                                                 "  (Bottom_Layer, 0, 0.0240, 0.0240, 0, M)", "}"}));
  // A simple through via: MDEF and ADEF whatever its planes say.
  EXPECT_EQ(stacks[1], (std::vector<std::string>{"{PADSTACK=1, 0.0120", "  (MDEF, 0, 0.0240, 0.0240, 0, M)",
                                                 "  (ADEF, 0, 0.0340, 0.0340, 0, A)", "}"}));
  // Direct connection (a none entry) and no connection style: the same
  // lines, two padstacks.
  ASSERT_EQ(stacks[2].size(), stacks[3].size());
  for (std::size_t i = 1; i < stacks[2].size(); ++i) EXPECT_EQ(stacks[2][i], stacks[3][i]);
  EXPECT_EQ(stacks[2][0], "{PADSTACK=2, 0.0120");
  EXPECT_EQ(stacks[3][0], "{PADSTACK=3, 0.0120");
  // A blind via from the top to the first plane reaches two stack layers.
  EXPECT_EQ(stacks[4], (std::vector<std::string>{"{PADSTACK=4, 0.0080", "  (Top_Layer, 0, 0.0200, 0.0200, 0, M)",
                                                 "  (Power_Plane, 0, 0.0200, 0.0200, 0, A)", "}"}));
  EXPECT_EQ(Section(lines, "{NET=S"), (std::vector<std::string>{"{NET=S", "  (VIA X=0.4000 Y=0.0000 P=4)", "}"}));
}

// A walked via's plane entries and the order of its questions are tested on
// vias built in memory (padstack_test.cpp); here the host answers X and Y
// sizes that differ, and the size on a layer is the X size.
TEST_F(Writers, AWalkedViaTakesItsXSizeOnEachSignalLayerAndNothingWhereItIs0) {
  const std::vector<std::string> lines = Export(std::string("{") + kPlaneStack + R"(,
    "vias": [{"size": "24mil", "hole": "12mil", "net": "S", "stackMode": 2,
              "layers": [{"layer": "TopLayer", "size": "30mil", "ySize": "40mil"},
                         {"layer": "BottomLayer", "size": 0, "ySize": "40mil"}]}]})");
  EXPECT_EQ(PadStacks(lines),
            (std::vector<std::vector<std::string>>{{"{PADSTACK=0, 0.0120", "  (Top_Layer, 0, 0.0300, 0.0300, 0, M)",
                                                    "  (Power_Plane, 0, 0.0240, 0.0240, 0, A)",
                                                    "  (Plane_Two, 0, 0.0240, 0.0240, 0, A)", "}"}}));
}

// A size plus the plane clearance leaves 32 bits: the anti-pad is written
// with its true size (the sanitizer build stops at any signed overflow).
TEST_F(Writers, AntiPadsBeyondTheHostRangeKeepTheirTrueSize) {
  const std::vector<std::string> lines = Export(R"({"rules": {"planeExpansion": "214748.3647mil"},
    "pads": [{"name": "1", "hole": "28mil", "size": "214748.3647mil"}],
    "vias": [{"size": "214748.3647mil", "hole": "12mil", "x": "1in"}]})");
  EXPECT_EQ(PadStacks(lines),
            (std::vector<std::vector<std::string>>{{"{PADSTACK=0, 0.0280", "  (MDEF, 0, 214.7484, 214.7484, 0, M)",
                                                    "  (ADEF, 0, 429.4967, 429.4967, 0, A)", "}"},
                                                   {"{PADSTACK=1, 0.0120", "  (MDEF, 0, 214.7484, 214.7484, 0, M)",
                                                    "  (ADEF, 0, 429.4967, 429.4967, 0, A)", "}"}}));
}

TEST_F(Writers, ANetListsTracksArcsViasAndPinsWhateverTheBoardOrder) {
  // The net of the example, with its members declared in reverse order.
  const std::vector<std::string> lines = Export(R"({"nets": ["GND", "Other"],
    "components": [
      {"designator": "U1", "pads": [{"name": "7", "hole": "30mil", "size": "60mil", "x": "2in", "y": "1in",
                                     "net": "GND"}]},
      {"designator": "U2", "pads": [{"name": "1", "hole": "30mil", "size": "50mil", "net": "Other"}]}],
    "vias": [{"x": "1.5in", "y": "1in", "net": "GND"}],
    "arcs": [{"x": "1in", "y": "1in", "radius": "100mil", "net": "Other"}],
    "tracks": [{"x1": "1in", "y1": "1in", "x2": "1.5in", "y2": "1in", "width": "12mil", "net": "GND"},
               {"x1": "0in", "y1": "0in", "x2": "1in", "y2": "0in"}]})");
  EXPECT_EQ(
      Section(lines, "{NET=GND"),
      (std::vector<std::string>{"{NET=GND", "  (SEG X1=1.0000 Y1=1.0000 X2=1.5000 Y2=1.0000 W=0.0120 L=Top_Layer)",
                                "  (VIA X=1.5000 Y=1.0000 P=2)", "  (PIN X=2.0000 Y=1.0000 R=U1.7 P=0)", "}"}));
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  EXPECT_EQ(all.find("X2=1.0000 Y2=0.0000 W="), std::string::npos) << "a track without a net";
  const std::vector<std::string> other = Section(lines, "{NET=Other");
  ASSERT_EQ(other.size(), 4u);
  EXPECT_EQ(other[1].rfind("  (ARC ", 0), 0u);
  EXPECT_EQ(other[2].rfind("  (PIN ", 0), 0u);
}

TEST_F(Writers, AFreePadInANetIsWrittenAsAViaAndNamesAreCleaned) {
  const std::vector<std::string> lines = Export(R"({"nets": ["Net (A) 1"],
    "pads": [{"name": "TP1", "x": "1in", "y": "1in", "hole": "20mil", "size": "40mil", "net": "Net (A) 1"}]})");
  EXPECT_EQ(Section(lines, "{NET=Net_A_1"),
            (std::vector<std::string>{"{NET=Net_A_1", "  (VIA X=1.0000 Y=1.0000 P=0)", "}"}));
}

TEST_F(Writers, DevicesAreGroupedByTheClassTheirCommentNames) {
  const std::vector<std::string> lines = Export(R"({"components": [
    {"designator": "R12", "comment": "hyperlynx, r", "side": "bottom"},
    {"designator": "U1", "comment": "HyperLynx IC"},
    {"designator": "X1", "comment": "IC"},
    {"designator": "B1", "comment": "HYPERLYNX BD"},
    {"designator": "U2", "comment": "HYPERLYNX IC2"},
    {"designator": "C3", "comment": "HYPERLYNX,C"},
    {"designator": "D1", "comment": "  hyperlynx,,cr  test"},
    {"designator": "L1", "comment": "HYPERLYNX L"},
    {"designator": "J1", "comment": "HYPERLYNX J"},
    {"designator": "U3", "comment": "hyperlynx ic"}]})");
  EXPECT_EQ(Section(lines, "{DEVICES"),
            (std::vector<std::string>{"{DEVICES", "  (? REF=X1 L=Top_Layer)", "  (? REF=U2 L=Top_Layer)",
                                      "  (IC REF=U1 L=Top_Layer)", "  (IC REF=U3 L=Top_Layer)",
                                      "  (R REF=R12 L=Bottom_Layer)", "  (C REF=C3 L=Top_Layer)",
                                      "  (J REF=J1 L=Top_Layer)", "  (L REF=L1 L=Top_Layer)",
                                      "  (CR REF=D1 L=Top_Layer)", "  (BD REF=B1 L=Top_Layer)", "}"}));
}

// The DEVICES section keeps from a component's visit what its line needs
// and asks for the designator's text as it writes the line: every component
// is visited before the first designator is read, and each designator is
// read once, in the order of the lines.
TEST_F(Writers, EachDesignatorIsReadOnceAsItsDeviceLineIsWritten) {
  for (const int components : {1, 4}) {
    std::string list;
    for (int i = components; i >= 1; --i)
      list += std::string(list.empty() ? "" : ", ") + R"({"designator": "U)" + std::to_string(i) + R"(")" +
              (i % 2 == 0 ? R"(, "comment": "HYPERLYNX IC"})" : "}");
    std::size_t textReads = 0;
    const std::vector<std::string> lines =
        ExportCounting(R"({"components": [)" + list + "]}", "PcbApi_QueryText", &textReads);
    std::vector<std::string> calls;
    std::istringstream trace(tqtest::ReadFile(out_ / "calls.txt"));
    for (std::string line; std::getline(trace, line);)
      if (line == "PcbApi_QueryText" || line == "PcbApi_QueryComponent") calls.push_back(line);
    const auto lastVisit = std::find(calls.rbegin(), calls.rend(), "PcbApi_QueryComponent").base();
    // Each comment is read during its component's visit (a classifying one
    // twice), each designator once after the visits: what follows the last
    // component query is the last comment and every designator.
    EXPECT_EQ(std::count(lastVisit, calls.end(), "PcbApi_QueryText"), 1 + components) << components;
    EXPECT_EQ(textReads, static_cast<std::size_t>(components + components / 2 + components)) << components;
    EXPECT_EQ(Section(lines, "{DEVICES").size(), static_cast<std::size_t>(components) + 2);
  }
}

TEST_F(Writers, TheProgressDisplayAdvancesOncePerComponentPadViaAndNet) {
  Export(R"({"nets": ["A", "B"],
    "components": [{"designator": "U1", "pads": [{"name": "1", "net": "A"}, {"name": "2"}]}],
    "vias": [{"net": "B"}]})");
  std::int32_t total = -1, steps = -1;
  SimHost::Get().progress(&total, &steps, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(total, 1 + 2 + 1 + 2);
  EXPECT_EQ(steps, total);
}

// Each pad and via is built into a padstack once per run: the NET sections
// take the name the table gave its handle instead of asking the host again.
TEST_F(Writers, EachViaIsAskedForItsPadStackOncePerRun) {
  std::size_t stackModeQueries = 0;
  const std::vector<std::string> lines = ExportCounting(std::string("{") + kPlaneStack + R"(,
    "vias": [{"net": "GND", "stackMode": 1}, {"net": "VCC", "x": "100mil"}, {"net": "S", "x": "200mil"}]})",
                                                        "PcbApi_QueryViaStackMode", &stackModeQueries);
  EXPECT_EQ(stackModeQueries, 3u);
  EXPECT_EQ(Section(lines, "{NET=S"), (std::vector<std::string>{"{NET=S", "  (VIA X=0.2000 Y=0.0000 P=1)", "}"}));
}

// A host that yields a multi-layer pad or via on every layer it touches:
// each object is read as often as from a host that yields it once (every
// call of the run but the iteration and the progress display is the same),
// and the file differs only in the numbering of the padstacks.
TEST_F(Writers, AHostYieldingPerLayerHasEachObjectReadOnce) {
  const std::string board = std::string(kPlaneStack) + R"(,
    "components": [{"designator": "U1", "pads": [{"name": "1", "hole": "28mil", "net": "GND"},
                                                 {"name": "2", "size": "20mil", "x": "100mil", "net": "S"}]}],
    "pads": [{"name": "TP", "hole": "20mil", "x": "200mil"}],
    "vias": [{"net": "GND", "x": "1in", "stackMode": 1}, {"net": "VCC", "x": "2in"},
             {"x": "3in", "from": "TopLayer", "to": "InternalPlane1"}]})";
  const auto reads = [&](bool perLayer, std::size_t* padReads, std::size_t* viaReads) {
    std::size_t lines = 0;
    ExportCounting(R"({"options": {"yieldPerLayer": )" + std::string(perLayer ? "true" : "false") + "}, " + board,
                   "PcbApi_QueryPad", padReads);
    std::multiset<std::string> calls;
    std::istringstream trace(tqtest::ReadFile(out_ / "calls.txt"));
    for (std::string line; std::getline(trace, line); ++lines) {
      if (line == "PcbApi_QueryVia") ++*viaReads;
      const bool visit = line == "PcbApi_CreateIterator" || line == "PcbApi_DestroyIterator" ||
                         line == "PcbApi_GetFirstObject" || line == "PcbApi_GetNextObject";
      if (!visit && line != "PcbApi_Percent_Update") calls.insert(line);
    }
    EXPECT_GT(lines, calls.size());
    return calls;
  };
  std::size_t padReads = 0, viaReads = 0, padReadsOnce = 0, viaReadsOnce = 0;
  const std::multiset<std::string> perLayer = reads(true, &padReads, &viaReads);
  EXPECT_EQ(perLayer, reads(false, &padReadsOnce, &viaReadsOnce));
  // Three pads and three vias for their padstacks, the two of each in a net
  // again for their lines.
  EXPECT_EQ(padReads, 3u + 2u);
  EXPECT_EQ(viaReads, 3u + 2u);
}

// Every pin names its component's designator; the component is read once per
// run for that, however many pins it has, and afresh in the next run.
TEST_F(Writers, AComponentIsReadOncePerRunForItsPinsAndAgainInTheNextRun) {
  auto componentQueries = [this](const std::string& designator, int pins, std::vector<std::string>* lines) {
    std::string pads;
    for (int i = 1; i <= pins; ++i)
      pads += std::string(i > 1 ? ", " : "") + R"({"name": ")" + std::to_string(i) + R"(", "net": ")" +
              (i % 2 != 0 ? "A" : "B") + R"("})";
    std::size_t count = 0;
    *lines = ExportCounting(
        R"({"nets": ["A", "B"], "components": [{"designator": ")" + designator + R"(", "pads": [)" + pads + "]}]}",
        "PcbApi_QueryComponent", &count);
    return count;
  };
  std::vector<std::string> lines;
  const std::size_t withOnePin = componentQueries("U1", 1, &lines);
  EXPECT_EQ(componentQueries("U7", 6, &lines), withOnePin);
  EXPECT_EQ(Section(lines, "{NET=B"), (std::vector<std::string>{"{NET=B", "  (PIN X=0.0000 Y=0.0000 R=U7.2 P=0)",
                                                                "  (PIN X=0.0000 Y=0.0000 R=U7.4 P=0)",
                                                                "  (PIN X=0.0000 Y=0.0000 R=U7.6 P=0)", "}"}));
}

// Names that cleaning, replacing or shortening would make alike, and names
// longer than any record holds: every object keeps a name of its own, every
// record keeps every field, and a layer is written under one name.
TEST_F(Writers, NamesStayApartAndRecordsKeepTheirFields) {
  const std::string longLayer(300, 'L');
  const std::string longDesignator(250, 'U');
  const std::vector<std::string> lines = Export(R"json({
    "layers": [{"layer": "TopLayer", "name": "Sig 1"}, {"layer": "MidLayer1", "name": "Sig_1"},
               {"layer": "BottomLayer", "name": ")json" +
                                                ("(" + longLayer) + R"json("}],
    "nets": ["VCC 3V3", "VCC3V3", "A\tB", "A_B", "(X)", "_X_"],
    "components": [
      {"designator": "U\"1", "pads": [{"name": "1", "size": "40mil", "net": "VCC 3V3"}]},
      {"designator": "U_1", "pads": [{"name": "1", "size": "41mil", "net": "VCC3V3"}]},
      {"designator": ")json" + ("(" + longDesignator) +
                                                R"json(", "side": "bottom",
       "pads": [{"name": "1", "size": "42mil", "net": "A_B", "layer": "BottomLayer"},
                {"name": "2", "size": "43mil", "net": "A_B", "layer": "BottomLayer"}]}],
    "tracks": [{"x1": "-214in", "y1": "-214in", "x2": "-214in", "y2": "-214in", "layer": "BottomLayer", "net": "A\tB"},
               {"layer": "TopLayer", "net": "(X)"}, {"layer": "MidLayer1", "net": "_X_"}],
    "arcs": [{"x": "-200in", "y": "-200in", "radius": "14in", "width": "1in", "layer": "BottomLayer",
              "net": "A\tB"}]})json");
  std::set<std::string> nets, layers, devices;
  std::size_t netCount = 0;
  const std::regex layerField(R"( L=("[^"]*"|\S+?)( M=|\)$))");
  const std::regex device(R"(^  \(\? REF=("[^"]*"|\S+) L=)");
  const std::regex pin(R"(^  \(PIN X=\S+ Y=\S+ R=("?)(.*)\.(\d)\1 P=\d+\)$)");
  std::smatch m;
  int pins = 0;
  for (const std::string& line : lines) {
    EXPECT_LE(line.size(), 4u + 255u) << line;
    if (line.rfind("{NET=", 0) == 0) nets.insert(line.substr(5)), ++netCount;
    if (line.rfind("  (SIGNAL", 0) == 0 && std::regex_search(line, m, layerField)) layers.insert(m[1]);
    if (std::regex_search(line, m, device)) devices.insert(tqtest::Unquoted(m[1]));
    if (line.rfind("  (SEG", 0) == 0 || line.rfind("  (ARC", 0) == 0) {
      ASSERT_TRUE(std::regex_search(line, m, layerField)) << line;
      EXPECT_EQ(layers.count(m[1]), 1u) << "a layer the stack-up does not name: " << line;
    }
    if (line.rfind("  (PIN", 0) == 0) {
      ASSERT_TRUE(std::regex_match(line, m, pin)) << line;
      ++pins;
      EXPECT_EQ(devices.count(m[2]), 1u) << "a pin of no device: " << line;
    }
  }
  EXPECT_EQ(nets.size(), netCount);
  EXPECT_EQ(netCount, 6u);
  EXPECT_EQ(layers.size(), 3u);
  EXPECT_EQ(devices.size(), 3u);
  EXPECT_EQ(pins, 4);
  EXPECT_EQ(Section(lines, "{NET=VCC3V3_2").size(), 3u);
  EXPECT_EQ(Section(lines, "{NET=A_B_2").size(), 4u);  // the tab's net came first
}

// Names measured against the records that hold them, with every record at
// its longest: the longest layer name (147 characters as a value) on the
// bottom, pins at the widest coordinates with a pad name of 20 characters,
// device lines of the longest class prefix, and designators bare, quoted
// and suffixed. Each designator is as long as its device and pin lines
// allow, no record is cut, and the pins name it as the device line does.
TEST_F(Writers, NamesTakeWhatTheirRecordsLeaveWithTheLongestLayerAndDesignatorTogether) {
  struct TDevice {
    std::string designator, side, prefix;
    std::string written;  // the designator as the device line names it
  };
  struct Case {
    std::string bottomName, bottomValue;
    std::vector<TDevice> devices;
  };
  const std::string pad = "P2345678901234567890";
  const auto run = [](char c, std::size_t n) { return std::string(n, c); };
  const Case cases[] = {
      {run('B', 300),
       run('B', 147),
       {
           // On the top layer the pin line decides: 189 characters.
           {run('a', 300), "top", "?", run('a', 189)},
           {"b b" + run('b', 300), "top", "?", "b b" + run('b', 184)},
           {run('a', 250) + "2", "top", "?", run('a', 187) + "_2"},
           // On the bottom the device line leaves 255 - 7 - 3 - 147 = 98.
           {run('c', 300), "bottom", "CR", run('c', 98)},
           {run('c', 250) + "2", "bottom", "CR", run('c', 96) + "_2"},
           {"d d" + run('d', 300), "bottom", "IC", "d d" + run('d', 93)},
           {"d d" + run('d', 250) + "2", "bottom", "IC", "d d" + run('d', 91) + "_2"},
           // The unclassified group is written, and named, first.
           {"d d" + run('d', 250) + "3", "bottom", "?", "d d" + run('d', 94)},
       }},
      {"(" + run('B', 300), "\"(" + run('B', 144) + "\"", {{run('e', 300), "bottom", "BD", run('e', 98)}}},
  };
  for (const Case& c : cases) {
    std::string components;
    for (const TDevice& d : c.devices)
      components += std::string(components.empty() ? "" : ", ") + R"({"designator": ")" + d.designator +
                    R"(", "side": ")" + d.side + R"(", "comment": "HYPERLYNX )" + d.prefix +
                    R"(", "pads": [{"name": ")" + pad +
                    R"(", "net": "N", "x": "-214748.3648mil", "y": "-214748.3648mil"}]})";
    const std::vector<std::string> lines = Export(R"({"nets": ["N"], "layers": [{"layer": "TopLayer"},
      {"layer": "BottomLayer", "name": ")" + c.bottomName +
                                                  R"("}], "components": [)" + components + "]}");
    std::set<std::string> devices, pins;
    for (const std::string& line : lines) {
      if (line.rfind("  (PIN ", 0) == 0) pins.insert(line.substr(0, line.rfind(" P=")));
      if (line.find(" REF=") != std::string::npos) devices.insert(line);
    }
    for (const TDevice& d : c.devices) {
      const std::string layer = d.side == "top" ? "Top_Layer" : c.bottomValue;
      const std::string prefix = d.prefix == "?" ? "? REF=" : d.prefix + " REF=";
      EXPECT_EQ(devices.count("  (" + prefix + HypValue(d.written) + " L=" + layer + ")"), 1u)
          << d.prefix << " " << d.written.size() << " " << d.written.substr(0, 3);
      EXPECT_EQ(pins.count("  (PIN X=-214.7484 Y=-214.7484 R=" + HypValue(d.written + "." + pad)), 1u)
          << d.written.size() << " " << d.written.substr(0, 3);
    }
  }
}

// Every walk is checked against a count of exactly what it can meet: a
// board with objects on every layer, of every kind, once yielded per layer,
// has every walk complete, and the run counts no failed read.
TEST_F(Writers, ObjectsOnEveryLayerAndOfEveryKindLeaveEveryWalkComplete) {
  std::string pads, tracks, objects;
  for (int layer = 1; layer <= 82; ++layer) {
    const std::string l = std::to_string(layer);
    pads += std::string(pads.empty() ? "" : ",") + R"({"name": "P)" + l + R"(", "layer": )" + l + "}";
    tracks += std::string(tracks.empty() ? "" : ",") + R"({"x2": ")" + l + R"(mil", "layer": )" + l + "}";
    objects += std::string(objects.empty() ? "" : ",") + R"({"kind": "region", "layer": )" + l + "}";
  }
  const std::string kinds = R"("objects": [{"kind": "fromTo"}, {"kind": "polygon"}, {"kind": "dimension"},
    {"kind": "coordinate"}, {"kind": "componentBody"}, {"kind": "violation"}, {"kind": "boardOutline"}, )" +
                            objects + "]";
  const std::string everything = R"("nets": ["A"], "components": [{"designator": "U1", "pads": [)" + pads +
                                 R"(]}], "pads": [)" + pads + R"(], "vias": [{"net": "A"}], "tracks": [)" + tracks +
                                 R"(], "arcs": [{"radius": "5mil", "layer": 76}], "fills": [{"layer": 82}], )" + kinds;
  for (const std::string& board :
       {"{" + everything + "}", R"({"options": {"yieldPerLayer": true}, )" + everything + "}",
        std::string(R"({"pads": [{"layer": "BackGroundLayer"}, {"layer": 82}]})")}) {
    ResetReadFailures();
    Export(board);
    EXPECT_EQ(ReadFailureCount(), 0) << ReadFailureList() << "\n" << board.substr(0, 200);
  }
}

// The padstack walk visits layers 1 to 75: a net pad on the last of them
// has its padstack and its pin names it, pads on 76 to 82 add none, and
// every walk is complete either way.
TEST_F(Writers, PadStacksComeFromPadsOnLayersOneTo75) {
  std::string high;
  for (int layer = 76; layer <= 82; ++layer)
    high +=
        R"(, {"name": "P", "layer": )" + std::to_string(layer) + R"(, "size": ")" + std::to_string(layer) + R"(mil"})";
  const std::string on75 = R"({"designator": "U1", "pads": [{"name": "1", "net": "N", "layer": 75, "size": "40mil"}]})";
  struct TCase {
    const char* what;
    std::string board;
    std::size_t stacks;
    const char* pin;  // the pin's padstack
  };
  const TCase cases[] = {
      {"a net pad on layer 75", R"({"nets": ["N"], "components": [)" + on75 + "]}", 1, "0"},
      {"pads on 76 to 82", R"({"pads": [{"name": "Q", "layer": 1})" + high + "]}", 1, nullptr},
      {"both", R"({"nets": ["N"], "components": [)" + on75 + R"(], "pads": [{"name": "Q", "layer": 1})" + high + "]}",
       2, "1"},
  };
  for (const TCase& c : cases) {
    ResetReadFailures();
    const std::vector<std::string> lines = Export(c.board);
    EXPECT_EQ(PadStacks(lines).size(), c.stacks) << c.what;
    const std::string pin = "  (PIN X=0.0000 Y=0.0000 R=U1.1 P=" + std::string(c.pin ? c.pin : "") + ")";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), pin), c.pin ? 1 : 0) << c.what;
    EXPECT_EQ(ReadFailureCount(), 0) << c.what << " " << ReadFailureList();
  }
}

// What the file cannot hold as the board has it goes to the host's message
// list, one line per kind with a count and the first case; the names and the
// outline are written as the message says.
TEST_F(Writers, WhatTheFileCannotHoldIsToldInTheMessageList) {
  const std::string square = R"([{"x1": 0, "y1": 0, "x2": 1000, "y2": 0}, {"x1": 1000, "y1": 0, "x2": 1000, "y2": 1000},
    {"x1": 1000, "y1": 1000, "x2": 0, "y2": 1000}, {"x1": 0, "y1": 1000, "x2": 0, "y2": 0}])";
  struct Case {
    std::string board;
    std::vector<std::string> messages;
    std::vector<std::string> lines;  // lines the document holds, in this order
  };
  const Case cases[] = {
      // A real RM1_1 keeps its name after a dotted RM1.1 as before it.
      {R"({"nets": ["A"], "components": [
         {"designator": "RM1.1", "pads": [{"name": "1.1", "net": "A"}]},
         {"designator": "RM1_1", "pads": [{"name": "1", "net": "A"}]},
         {"designator": "U.2.", "pads": [{"name": ".3", "net": "A"}]}]})",
       {"2 designators hold a point and are written with '_' (RM1.1 as RM1_1_2)",
        "2 pad names hold a point and are written with '_' (1.1 as 1_1)",
        "1 designator is written with a suffix, as another takes the name in the file (RM1.1 as RM1_1_2)",
        "RM1.1 is written RM1_1_2", "U.2. is written U_2_"},
       {"  (? REF=RM1_1_2 L=Top_Layer)", "  (? REF=RM1_1 L=Top_Layer)", "  (? REF=U_2_ L=Top_Layer)",
        "  (PIN X=0.0000 Y=0.0000 R=RM1_1_2.1_1 P=0)", "  (PIN X=0.0000 Y=0.0000 R=RM1_1.1 P=0)",
        "  (PIN X=0.0000 Y=0.0000 R=U_2_._3 P=0)"}},
      // Two pads of one component that come out alike stay two pins; the
      // pad named as written keeps its name. Pads the design names alike
      // keep one name.
      {R"({"nets": ["N1", "N2"], "components": [{"designator": "U1", "pads": [
         {"name": "1.1", "net": "N1"}, {"name": "1_1", "net": "N2"}, {"name": "1.1", "net": "N1"}, {"name": "2", "net": "N2", "shape": "roundedRectangle"},
         {"name": "3", "net": "N2", "shape": "octagon"}]}],
         "fills": [{"x2": 100, "y2": 100, "layer": "Mechanical1"}, {"x2": 100, "y2": 100, "layer": "BottomLayer"}],
         "objects": [{"kind": "region", "layer": "TopLayer"}, {"kind": "polygon", "layer": "BottomLayer"},
           {"kind": "region", "layer": "Mechanical1"}]})",
       {"1 pad name holds a point and is written with '_' (1.1 as 1_1_2)",
        "1 pad name is written with a suffix, as another takes the name in the file (U1 pad 1.1 as 1_1_2)",
        "2 pads are written as another shape (U1.2: rounded rectangle as rectangle)",
        "3 copper areas on signal and plane layers are not in the file (1 fill, 1 polygon, 1 region; the first a "
        "fill on Bottom_Layer)"},
       {"{NET=N1", "  (PIN X=0.0000 Y=0.0000 R=U1.1_1_2 P=0)", "  (PIN X=0.0000 Y=0.0000 R=U1.1_1_2 P=0)", "{NET=N2",
        "  (PIN X=0.0000 Y=0.0000 R=U1.1_1 P=0)"}},
      // The notes show a pad name as the file writes it, a tab made "_".
      {R"({"nets": ["A"], "components": [{"designator": "U9", "pads": [{"name": "\t1.1", "net": "A"}]}]})",
       {"1 pad name holds a point and is written with '_' (_1.1 as _1_1)",
        "1 name holds a double quote or a control character, written '_' (pad name \\t1.1 as _1_1)"},
       {"  (PIN X=0.0000 Y=0.0000 R=U9._1_1 P=0)"}},
      // Nets and layers: the name as designed is claimed first; a quote is
      // told as a replaced character.
      {R"({"nets": ["A\"B", "A_B"], "layers": [{"layer": "TopLayer", "name": "Sig 1"},
         {"layer": "BottomLayer", "name": "Sig_1"}], "components": [{"designator": "U1", "pads": [
         {"name": "1", "net": "A\"B"}, {"name": "2", "net": "A_B"}]}]})",
       {"1 name holds a double quote or a control character, written '_' (net A\"B as A_B_2)",
        "1 net is written with a suffix, as another takes the name in the file (A\"B as A_B_2)",
        "1 layer is written with a suffix, as another takes the name in the file (Sig 1 as Sig_1_2)"},
       {"{NET=A_B_2", "  (PIN X=0.0000 Y=0.0000 R=U1.1 P=0)", "{NET=A_B", "  (PIN X=0.0000 Y=0.0000 R=U1.2 P=0)"}},
      // A cut-out (a triangle) before the edge, whose last end lies 794
      // host units from its first: 0.0001 and 0.0000 inch as printed.
      {R"({"outline": [{"x1": 4000000, "y1": 4000000, "x2": 5000000, "y2": 4000000},
         {"x1": 5000000, "y1": 4000000, "x2": 5000000, "y2": 5000000},
         {"x1": 5000000, "y1": 5000000, "x2": 4000000, "y2": 4000000}, {"x1": 0, "y1": 0, "x2": 10000000, "y2": 0},
         {"x1": 10000000, "y1": 0, "x2": 10000000, "y2": 10000000},
         {"x1": 10000000, "y1": 10000000, "x2": 0, "y2": 10000000}, {"x1": 0, "y1": 10000000, "x2": 0, "y2": 794}]})",
       {"the board outline is written before its cut-outs: 4 pieces of the edge come first (from X=0.0000 "
        "Y=0.0000)",
        "1 outline end less than 0.01 mm from another end is written as that end (X=0.0000 Y=0.0000)"},
       {"{BOARD ", "  (PERIMETER_SEGMENT X1=0.0000 Y1=0.0000 X2=1.0000 Y2=0.0000)",
        "  (PERIMETER_SEGMENT X1=1.0000 Y1=0.0000 X2=1.0000 Y2=1.0000)",
        "  (PERIMETER_SEGMENT X1=1.0000 Y1=1.0000 X2=0.0000 Y2=1.0000)",
        "  (PERIMETER_SEGMENT X1=0.0000 Y1=1.0000 X2=0.0000 Y2=0.0000)",
        "  (PERIMETER_SEGMENT X1=0.4000 Y1=0.4000 X2=0.5000 Y2=0.4000)"}},
      // Open by a millimetre: it stays open.
      {R"({"outline": [{"x1": 0, "y1": 0, "x2": 1000000, "y2": 0}, {"x1": 1000000, "y1": 0, "x2": 0, "y2": 393701}]})",
       {"the board outline does not close: an end at X=0.0000 Y=0.0000 meets nothing (2 such ends)"},
       {"  (PERIMETER_SEGMENT X1=0.1000 Y1=0.0000 X2=0.0000 Y2=0.0394)"}},
      // Three tracks from one point, and a stray piece between the edge and
      // a cut-out, which goes last.
      {R"({"outline": [{"x1": 0, "y1": 0, "x2": 1000000, "y2": 0}, {"x1": 0, "y1": 0, "x2": 0, "y2": 1000000},
         {"x1": 0, "y1": 0, "x2": -1000000, "y2": 0}]})",
       {"the board outline does not close: an end at X=0.1000 Y=0.0000 meets nothing (3 such ends)",
        "the board outline branches: 3 ends meet at X=0.0000 Y=0.0000"},
       {"  (PERIMETER_SEGMENT X1=0.0000 Y1=0.0000 X2=-0.1000 Y2=0.0000)"}},
      {R"({"outline": [{"x1": 0, "y1": 0, "x2": 10000000, "y2": 0},
         {"x1": 10000000, "y1": 0, "x2": 10000000, "y2": 10000000}, {"x1": 20000000, "y1": 0, "x2": 30000000, "y2": 0},
         {"x1": 20000000, "y1": 5000000, "x2": 30000000, "y2": 5000000},
         {"x1": 10000000, "y1": 10000000, "x2": 0, "y2": 10000000}, {"x1": 0, "y1": 10000000, "x2": 0, "y2": 0},
         {"x1": 4000000, "y1": 4000000, "x2": 5000000, "y2": 4000000},
         {"x1": 5000000, "y1": 4000000, "x2": 5000000, "y2": 5000000},
         {"x1": 5000000, "y1": 5000000, "x2": 4000000, "y2": 4000000}]})",
       {"the board outline's loose pieces are written after its closed loops: 2 pieces come last (from X=2.0000 "
        "Y=0.0000)",
        "the board outline does not close: an end at X=2.0000 Y=0.0000 meets nothing (4 such ends)"},
       {"  (PERIMETER_SEGMENT X1=0.0000 Y1=1.0000 X2=0.0000 Y2=0.0000)",
        "  (PERIMETER_SEGMENT X1=0.5000 Y1=0.5000 X2=0.4000 Y2=0.4000)",
        "  (PERIMETER_SEGMENT X1=2.0000 Y1=0.0000 X2=3.0000 Y2=0.0000)",
        "  (PERIMETER_SEGMENT X1=2.0000 Y1=0.5000 X2=3.0000 Y2=0.5000)"}},
      // Ends that print equal already, and a board without points: nothing.
      {R"({"components": [{"designator": "U1", "pads": [{"name": "1"}]}], "outline": )" + square + "}", {}, {}},
  };
  // Each designator written under another name has a line, up to 50.
  Case many{R"({"components": [)", {"52 designators hold a point and are written with '_' (U.0 as U_0)"}, {}};
  for (int i = 0; i < 52; ++i) {
    many.board += std::string(i == 0 ? "" : ", ") + R"({"designator": "U.)" + std::to_string(i) + R"("})";
    if (i < 50) many.messages.push_back("U." + std::to_string(i) + " is written U_" + std::to_string(i));
  }
  many.board += "]}";
  many.messages.push_back("2 more designators are written under another name");
  std::vector<Case> all(std::begin(cases), std::end(cases));
  all.push_back(many);
  for (const Case& c : all) {
    SimHost::Get().workspaceReset();
    const std::vector<std::string> lines = Export(c.board);
    std::vector<std::string> messages;
    for (std::int32_t i = 0; i < SimHost::Get().messageCount(); ++i) {
      char label[64] = {}, text[512] = {};
      SimHost::Get().messageText(i, 0, label, sizeof label);
      SimHost::Get().messageText(i, 1, text, sizeof text);
      EXPECT_STREQ(label, "[HYP Export]");
      messages.emplace_back(text);
    }
    EXPECT_EQ(messages, c.messages) << c.board;
    auto at = lines.begin();
    for (const std::string& line : c.lines) {
      at = std::find(at, lines.end(), line);
      EXPECT_NE(at, lines.end()) << line;
      if (at != lines.end()) ++at;
    }
  }
}

}  // namespace
