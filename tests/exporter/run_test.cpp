// Whole export runs inside the test process with the simulated host loaded:
// the progress display, the begin/end bracket of the commit, and what a
// failing host call leaves behind.
#include <gtest/gtest.h>

#include "SimHost.h"
#include "TestSupport.h"
#include "exporter/Tarnquil.h"
#include "host/HostAccess.h"
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
  "tracks": [{"layer": "KeepOutLayer", "x1": "0mil", "y1": "0mil", "x2": "1000mil", "y2": "0mil"}]
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

}  // namespace
