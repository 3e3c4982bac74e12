// Whole export runs inside the test process with the simulated host loaded:
// the progress display, the begin/end bracket of the commit, and what a
// failing host call leaves behind.
#include <gtest/gtest.h>

#include <sstream>

#include "SimHost.h"
#include "TestSupport.h"
#include "exporter/Tarnquil.h"
#include "host/HostAccess.h"
#include "host/ReadFailures.h"
#include "pcb/PcbBoard.h"
#include "pcb/PcbIteration.h"
#include "pcb/Pcbclass.h"
#include "support/Rt_Util.h"

TQ_DEFINE_CLIENT_API()

namespace {

using tqtest::ReadFile;
using tqtest::SimHost;
using tqtest::WriteFile;

const char* const kBoard = R"({
  "nets": ["GND", "VCC", "SIG"],
  "components": [
    {"designator": "U1", "pads": [{"name": "1", "net": "GND"}, {"name": "2", "net": "VCC"}]},
    {"designator": "R1", "pads": [{"name": "1", "net": "SIG"}, {"name": "2", "net": "VCC"}]}],
  "vias": [{"x": "100mil", "y": "100mil", "net": "GND"}],
  "tracks": [{"layer": "KeepOutLayer", "x1": "0mil", "y1": "0mil", "x2": "1000mil", "y2": "0mil"},
             {"layer": "KeepOutLayer", "x1": "1000mil", "y1": "0mil", "x2": "0mil", "y2": "0mil"}]
})";

class Run : public ::testing::Test {
 protected:
  void SetUp() override {
    SimHost::Get().reset();
    SimHost::Get().workspaceReset();
    SimHost::Get().Load(kBoard);
  }
  void TearDown() override {
    SimHost::Get().reset();
    EXPECT_EQ(SimHost::Get().outstanding(), 0) << "host references left unreleased";
  }
  int TempFiles() const { return tqtest::ExportTempFilesIn(tmp_.path()); }

  tqtest::ScratchDir out_;
  tqtest::ScratchDir tmp_;
  tqtest::ScopedEnv tmpdir_{"TMPDIR", tmp_.path().string()};
};

TEST_F(Run, CountsPadsViasNetsAndComponentsForTheProgressDisplay) {
  const std::string dest = out_ / "board.hyp";
  ASSERT_TRUE(RunExport(dest, kFormatName));
  std::int32_t total = -1, steps = -1, opened = -1, closed = -1;
  char caption[300] = {};
  SimHost::Get().progress(&total, &steps, &opened, &closed, caption, sizeof caption);
  EXPECT_EQ(total, 4 + 1 + 3 + 2);  // pads, vias, nets, components
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(std::string(caption), "Saving " + dest + " (HyperLynx)");
  EXPECT_NE(ReadFile(dest).find("(PERIMETER_SEGMENT X1=0.0000 Y1=0.0000 X2=1.0000 Y2=0.0000)"), std::string::npos);
}

TEST_F(Run, TheReplacementHappensInsideTheDocumentsBracket) {
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "old");
  ASSERT_TRUE(RunExport(dest, kFormatName));
  EXPECT_EQ(SimHost::Get().DocumentLog(), "begin " + dest + "\nend " + dest + "\n");
  EXPECT_EQ(ReadFile(dest).rfind("{VERSION=2.14}", 0), 0u);
}

TEST_F(Run, AFailingBeginLeavesTheDestinationAndNoTemporaryFile) {
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "old");
  ASSERT_EQ(SimHost::Get().failCall("IHostDocument::BeginChange", 0), 1);
  EXPECT_THROW(RunExport(dest, kFormatName), EHostError);
  EXPECT_EQ(ReadFile(dest), "old");
  EXPECT_EQ(TempFiles(), 0);
  std::int32_t opened = 0, closed = 0;
  SimHost::Get().progress(nullptr, nullptr, &opened, &closed, nullptr, 0);
  EXPECT_EQ(closed, opened) << "the progress display was left open";
}

TEST_F(Run, ALockedDestinationPostsOneMessageWithItsArguments) {
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "old");
  WriteFile(out_ / "~$board.hyp_loc", "ComputerName=PC7\nUserName=Ann\nProcessID=1\n");
  ASSERT_TRUE(RunExport(dest, kFormatName));
  ASSERT_EQ(SimHost::Get().messageCount(), 1);
  EXPECT_EQ(SimHost::Get().MessageText(0, 0), "[Locked File]");
  EXPECT_EQ(SimHost::Get().MessageText(0, 1),
            "board.hyp is used by Ann on PC7. You will not be able to save your changes.");
  EXPECT_EQ(SimHost::Get().messageNumber(0, 0), 73);
  EXPECT_EQ(ReadFile(dest), "old");
  EXPECT_EQ(TempFiles(), 0);
}

// The notes describe the export; the message after them says whether the
// destination received it. The host's progress display has ended before
// either, so that no message is told while the run still shows as going on.
TEST_F(Run, TheNotesComeFirstAndTheProgressDisplayHasEndedBeforeThem) {
  SimHost::Get().Load(
      R"({"nets": ["A"], "components": [{"designator": "R1.1", "pads": [{"name": "1", "net": "A"}]}]})");
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "old");
  WriteFile(out_ / "~$board.hyp_loc", "ComputerName=PC7\nUserName=Ann\nProcessID=1\n");
  static std::int32_t messagesWhenClosed = -1;
  messagesWhenClosed = -1;
  SimHost::Get().progressCallback(
      [](void*, std::int32_t event, const char*, std::int32_t, std::int32_t) {
        if (event == 2) messagesWhenClosed = SimHost::Get().messageCount();
      },
      nullptr);
  ASSERT_TRUE(RunExport(dest, kFormatName));
  SimHost::Get().progressCallback(nullptr, nullptr);
  EXPECT_EQ(messagesWhenClosed, 0);
  // The point and the designator's new name, then the locked file last.
  ASSERT_EQ(SimHost::Get().messageCount(), 3);
  EXPECT_EQ(SimHost::Get().MessageText(0, 0), "[HYP Export]");
  EXPECT_EQ(SimHost::Get().MessageText(1, 0), "[HYP Export]");
  EXPECT_EQ(SimHost::Get().MessageText(2, 0), "[Locked File]");
  EXPECT_EQ(ReadFile(dest), "old");
}

TEST_F(Run, AReplacedWorkspaceIsNeverUsedAgain) {
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "old");
  WriteFile(out_ / "~$board.hyp_loc", "ComputerName=PC7\nUserName=Ann\nProcessID=1\n");
  ASSERT_TRUE(RunExport(dest, kFormatName));
  ASSERT_EQ(SimHost::Get().messageCount(), 1);
  SimHost::Get().workspaceReplace();
  ASSERT_TRUE(RunExport(dest, kFormatName));  // a run with the old one would fail
  EXPECT_EQ(SimHost::Get().workspaceStaleCalls(), 0);
  EXPECT_EQ(SimHost::Get().messageCount(), 2);
  EXPECT_EQ(ReadFile(dest), "old");
}

// The simulated host hands out extended layer codes only for objects that a
// document puts there. No section of the export visits them: the outline is
// read from the keep-out layer, layer by layer over the 83 classic numbers;
// the model keeps their code and reports the last classic layer of the kind.
TEST_F(Run, ObjectsOnExtendedLayersStayOutOfTheOutline) {
  const std::string outline = R"("outline": [{"x1": "0mil", "y1": "0mil", "x2": "1000mil", "y2": "0mil"},
                                             {"x": "0mil", "y": "0mil", "radius": "50mil"}])";
  const std::string extended = R"("tracks": [
      {"x1": "0mil", "y1": "0mil", "x2": "500mil", "y2": "0mil", "layer": "MidLayer40", "net": "A"},
      {"x1": "0mil", "y1": "9mil", "x2": "500mil", "y2": "9mil", "layer": "InternalPlane20", "net": "A"},
      {"x1": "0mil", "y1": "7mil", "x2": "500mil", "y2": "7mil", "layer": "Mechanical20"}],
    "arcs": [{"radius": "20mil", "layer": "Mechanical17"}],
    "fills": [{"x1": 0, "y1": 0, "x2": 5, "y2": 5, "layer": "MidLayer31"}])";
  SimHost::Get().Load(R"({"nets": ["A"], )" + outline + "}");
  const std::string plain = out_ / "plain.hyp";
  ASSERT_TRUE(RunExport(plain, kFormatName));
  SimHost::Get().Load(R"({"nets": ["A"], )" + outline + ", " + extended + "}");
  const std::string withExtended = out_ / "extended.hyp";
  ASSERT_TRUE(RunExport(withExtended, kFormatName));
  // Outside their nets they appear nowhere; a net's members on extended
  // layers are written on the last classic layer of their kind, the layer
  // the model reports for them (docs/decisions.md).
  std::string expected = ReadFile(plain);
  const std::string net = "{NET=A\r\n";
  expected.insert(expected.find(net) + net.size(),
                  "  (SEG X1=0.0000 Y1=0.0000 X2=0.5000 Y2=0.0000 W=0.0100 L=Mid_Layer_30)\r\n"
                  "  (SEG X1=0.0000 Y1=0.0090 X2=0.5000 Y2=0.0090 W=0.0100 L=Internal_Plane_16)\r\n");
  EXPECT_EQ(ReadFile(withExtended), expected);

  // What the model reads for them.
  TBoard board(SimHost::Get().boardHandle());
  std::vector<std::pair<LayerCode, Layer>> tracks;
  IterateObjects(
      board, KindSetOf({kTrackObject}), LayerSet{0},
      [&](THandle h) {
        TPcbTrack track(h);
        track.Query(1);
        tracks.emplace_back(+track.LayerCode, track.GetLayer());
        EXPECT_EQ(track.GetXOnLayer(track.GetLayer()), 0) << "an extended layer is not its classic stand-in";
      },
      0);
  EXPECT_EQ(tracks, (std::vector<std::pair<LayerCode, Layer>>{
                        {0x01010029u, 31}, {0x01040014u, 54}, {0x04000014u, 72}, {kKeepOutLayer, kKeepOutLayer}}));
  std::size_t onMid30 = 0;
  IterateObjects(
      board, KindSetOf({kTrackObject}), LayerSet{31, 54, 72}, [&](THandle) { ++onMid30; }, 0);
  EXPECT_EQ(onMid30, 0u);
}

TEST_F(Run, AFailingMessageListEndsTheRunWithoutTouchingAnything) {
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "old");
  WriteFile(out_ / "~$board.hyp_loc", "ComputerName=PC7\nUserName=Ann\nProcessID=1\n");
  ASSERT_EQ(SimHost::Get().workspaceFailCall("IHostMessageList::AddMessage", 0), 1);
  EXPECT_THROW(RunExport(dest, kFormatName), EHostError);
  EXPECT_EQ(ReadFile(dest), "old");
  EXPECT_EQ(TempFiles(), 0);
  SimHost::Get().workspaceReset();
}

TEST_F(Run, AFailingEndKeepsATemporaryFileTheUserWasToldAbout) {
  const std::string dest = out_ / "no-such-dir/board.hyp";  // cannot be placed
  ASSERT_EQ(SimHost::Get().failCall("IHostDocument::EndChange", 0), 1);
  const std::string told = tqtest::StderrOf([&] { EXPECT_THROW(RunExport(dest, kFormatName), EHostError); });
  ASSERT_EQ(TempFiles(), 1);
  EXPECT_NE(told.find("the export was kept as " + tmp_.path().string()), std::string::npos) << told;
}

// The warning of failed reads, run after run in one process: each run tells
// only its own failures (the count of reads, the objects in words, each once
// and the most first, the entry points for support), and a clean run tells
// nothing.
TEST_F(Run, TheFailedReadsWarningTellsEachRunsOwnFailures) {
  const std::string dest = out_ / "board.hyp";
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, std::int32_t>> failing;  // entry point, successes before
    std::string warning;                                        // after "[Warning] "; "" for none
  } cases[] = {
      {"one failure",
       {{"PcbApi_QueryTrack", 1}},
       "1 read from the PCB server failed: 1 track. The file " + dest +
           " may lack them. For support: PcbApi_QueryTrack (1)."},
      {"many failures",
       {{"PcbApi_QueryTrack", 1}, {"PcbApi_QueryNet", 0}, {"PcbApi_QueryPad_PwrGnd", 0}, {"PcbApi_QueryPad", 1}},
       "14 reads from the PCB server failed: 4 pads, 3 nets, 1 track. The file " + dest +
           " may lack them. For support: PcbApi_QueryPad (7), PcbApi_QueryPad_PwrGnd (3), PcbApi_QueryTrack (1), "
           "PcbApi_QueryNet (3)."},
      {"a walk that ended early",
       {{"PcbApi_GetNextObject", 2}, {"PcbApi_QueryVia", 0}},
       "3 reads from the PCB server failed: 1 via, the objects after a list that ended early. The file " + dest +
           " may lack them. For support: PcbApi_QueryVia (2), PcbApi_GetFirstObject or PcbApi_GetNextObject (walks "
           "ended early)."},
      {"a clean run after them", {}, ""},
  };
  for (const Case& c : cases) {
    for (const auto& [entryPoint, successes] : c.failing)
      ASSERT_EQ(SimHost::Get().failCall(entryPoint, successes), 1) << entryPoint;
    const std::string told = tqtest::StderrOf([&] { EXPECT_TRUE(RunExport(dest, kFormatName)); });
    SimHost::Get().clearFailures();
    const std::string head = "[Warning] ";
    const std::size_t at = told.find(head);
    const std::string warning =
        at == std::string::npos ? "" : told.substr(at + head.size(), told.find('\n', at) - at - head.size());
    EXPECT_EQ(warning, c.warning) << c.what;
  }
}

// A walk that ends early on its own is told: the keep-out tracks' walk
// (the host answers again from the padstack table's first step on, so every
// other walk and the counts made again are complete), and a net's member
// walk from which on the host stops answering (seen only in the counts made
// again after the document). Each walk starts with the run's first read of
// a track: the board has no other tracks before it.
struct TWalkStopper {
  bool armed = false;
  static void OnProgress(void* context, std::int32_t event, const char*, std::int32_t, std::int32_t) {
    auto* stopper = static_cast<TWalkStopper*>(context);
    if (event == 1 && stopper->armed) SimHost::Get().clearFailures();
  }
};

TEST_F(Run, AWalkThatEndsEarlyOnItsOwnIsTold) {
  const std::string dest = out_ / "board.hyp";
  const std::string outline = R"("outline": [{"x1": 0, "y1": 0, "x2": 1000000, "y2": 0},
    {"x1": 1000000, "y1": 0, "x2": 1000000, "y2": 1000000}, {"x1": 1000000, "y1": 1000000, "x2": 0, "y2": 0}])";
  struct TCase {
    const char* what;
    std::string board;
    bool answersAgain;  // from the first progress step on
  };
  const TCase cases[] = {
      {"the keep-out walk", "{" + outline + R"(, "pads": [{"name": "1"}, {"name": "2", "x": "1in"}]})", true},
      // The last net's: the walk of the nets has met every net already.
      {"a net's walk", R"({"nets": ["A", "N"], "tracks": [{"net": "N", "x2": "1in"}, {"net": "N", "x1": "1in"}]})",
       false},
  };
  for (const TCase& c : cases) {
    SimHost::Get().Load(c.board);
    // The calls of a clean run before the walk's first next object.
    const std::string trace = out_ / "calls.txt";
    ASSERT_EQ(SimHost::Get().callTrace(trace.c_str()), 1);
    ResetReadFailures();
    ASSERT_TRUE(RunExport(dest, kFormatName));
    SimHost::Get().callTrace(nullptr);
    ASSERT_EQ(ReadFailureCount(), 0) << c.what;
    std::int32_t before = 0;
    std::istringstream calls(ReadFile(trace));
    for (std::string line; std::getline(calls, line) && line != "PcbApi_QueryTrack";)
      before += line == "PcbApi_GetNextObject" ? 1 : 0;
    TWalkStopper stopper{c.answersAgain};
    SimHost::Get().progressCallback(&TWalkStopper::OnProgress, &stopper);
    ASSERT_EQ(SimHost::Get().failCall("PcbApi_GetNextObject", before), 1);
    ResetReadFailures();
    EXPECT_TRUE(RunExport(dest, kFormatName)) << c.what;
    SimHost::Get().progressCallback(nullptr, nullptr);
    SimHost::Get().clearFailures();
    EXPECT_NE(ReadFailureList().find("walks ended early"), std::string::npos) << c.what << ": " << ReadFailureList();
  }
}

// What another program does to the finished temporary file while the run
// waits (at the exporter's last progress step, after which it only writes and
// closes the file): removes it, or puts a directory in its place.
struct TTempFileThief {
  std::filesystem::path dir;
  bool directory = false;
  static void OnProgress(void* context, std::int32_t event, const char*, std::int32_t total, std::int32_t count) {
    auto* thief = static_cast<TTempFileThief*>(context);
    if (event != 1 || count != total) return;
    for (const auto& e : std::filesystem::directory_iterator(thief->dir)) {
      std::filesystem::remove(e.path());
      if (thief->directory) std::filesystem::create_directory(e.path());
    }
  }
};

// Every run that took place answers true, whatever kept the export from the
// destination: the user is told each time, by the exporter's own message or
// the host's message list, and the destination is as it was.
TEST_F(Run, EveryCompletedRunAnswersTrueAndTellsWhatKeptTheExportAway) {
  struct Case {
    const char* what;
    const char* name;
    const char* told;  // on standard error; nullptr: in the message list
    bool readOnly = false;
    bool locked = false;
    int thief = 0;  // 1: the temporary file is removed, 2: replaced by a directory
  };
  const Case cases[] = {
      {"locked", "locked.hyp", nullptr, false, true},
      {"read-only", "ro.hyp", "is read-only and was not replaced", true},
      {"move and copy fail", "no-such-dir/board.hyp", "the export was kept as "},
      {"temporary file removed", "gone.hyp", "was changed by another program", false, false, 1},
      {"temporary file now a directory", "dir.hyp", "was changed by another program", false, false, 2},
  };
  for (const Case& c : cases) {
    SimHost::Get().workspaceReset();
    const std::string dest = out_ / c.name;
    const bool exists = std::string(c.name).find('/') == std::string::npos;
    if (exists) WriteFile(dest, "old");
    if (c.readOnly) std::filesystem::permissions(dest, std::filesystem::perms::owner_read);
    if (c.locked)
      WriteFile(out_ / ("~$" + std::string(c.name) + "_loc"), "ComputerName=PC7\nUserName=Ann\nProcessID=1\n");
    TTempFileThief thief{tmp_.path(), c.thief == 2};
    if (c.thief != 0) SimHost::Get().progressCallback(&TTempFileThief::OnProgress, &thief);
    bool result = false;
    const std::string told = tqtest::StderrOf([&] { result = RunExport(dest, kFormatName); });
    SimHost::Get().progressCallback(nullptr, nullptr);
    EXPECT_TRUE(result) << c.what;
    if (c.told == nullptr) {
      EXPECT_EQ(SimHost::Get().messageCount(), 1) << c.what;
    } else {
      EXPECT_NE(told.find("[Error] "), std::string::npos) << c.what << ": " << told;
      EXPECT_NE(told.find(dest), std::string::npos) << c.what << ": " << told;
      EXPECT_NE(told.find(c.told), std::string::npos) << c.what << ": " << told;
    }
    if (exists)
      EXPECT_EQ(ReadFile(dest), "old") << c.what;
    else
      EXPECT_FALSE(std::filesystem::exists(dest)) << c.what;
    std::filesystem::remove_all(tmp_.path());
    std::filesystem::create_directories(tmp_.path());
  }
}

}  // namespace
