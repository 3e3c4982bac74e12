// The host program, run as a person runs it, with the tests' own exporter
// library in place of the real one.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

namespace {

using tqtest::Quote;
using tqtest::ReadFile;
using tqtest::RunCommand;
using tqtest::RunResult;
using tqtest::ScratchDir;
using tqtest::WriteFile;

const std::string kHost = std::string(TQ_BIN_DIR) + "/quorvex-host";
const std::string kLibrary = std::string(TQ_BIN_DIR) + "/libsim_test_exporter.so";
const std::string kExample = std::string(TQ_SOURCE_DIR) + "/examples/four-layer.json";

RunResult Export(const std::string& board, const std::string& out, const std::string& more) {
  return RunCommand(Quote(kHost) + " export " + Quote(board) + " " + Quote(out) + " --library " + Quote(kLibrary) +
                    " " + more);
}

TEST(SimHostProgram, ExportsThroughTheLibraryAndPrintsOneLine) {
  ScratchDir dir;
  const RunResult r = Export(kExample, dir / "out.txt", "--format 'Sim Test'");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  // No terminal: no progress bar. The counts are of HYP records, which the
  // test exporter does not write.
  EXPECT_EQ(r.output, "exported to " + dir / "out.txt" + ": 0 nets, 0 pins, 0 vias, 0 padstacks, 0 devices\n");
  EXPECT_EQ(ReadFile(dir / "out.txt"),
            "layer Top Layer\nlayer GND Plane\nlayer VCC Plane\nlayer Bottom Layer\n"
            "net GND\nnet VCC\nnet CLK (33MHz)\nnet DATA\n");
}

TEST(SimHostProgram, PrintsTheMessagesTheLibraryAdded) {
  ScratchDir dir;
  const RunResult r = Export(kExample, dir / "out.txt", "--format 'Sim Test Message'");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output,
            "message 1: [Test] hello\n  source=Sim Test\n  document=doc\n  command=cmd\n  parameters=p=1\n"
            "  image=73 extra=0,0,0\nexported to " +
                dir / "out.txt" + ": 0 nets, 0 pins, 0 vias, 0 padstacks, 0 devices\n");
}

TEST(SimHostProgram, ExitCodesSayWhatWentWrong) {
  ScratchDir dir;
  RunResult r = Export(kExample, dir / "out.txt", "--format 'Other (*.X)'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("does not recognise the format \"Other (*.X)\""), std::string::npos) << r.output;

  r = Export(kExample, dir / "out.txt", "--format 'Sim Test False'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("did not export"), std::string::npos) << r.output;

  r = Export(kExample, dir / "out.txt", "--format 'Sim Test Throw'");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.output, "host error: the test exporter gives up\n");

  // True, but the destination (new or old) is not a new file.
  for (bool existing : {false, true}) {
    if (existing) WriteFile(dir / "kept.txt", "old");
    r = Export(kExample, dir / "kept.txt", "--format 'Sim Test Nothing'");
    EXPECT_EQ(r.exitCode, 4) << existing;
    EXPECT_EQ(r.output, "the destination " + dir / "kept.txt" + " did not receive the export\n");
  }

  WriteFile(dir / "bad.json", "{\"vias\": [{}, {\"hole\": \"12 mils wide\"}]}");
  r = Export(dir / "bad.json", dir / "out.txt", "--format 'Sim Test'");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find(dir / "bad.json" + ": /vias/1/hole: unknown unit"), std::string::npos) << r.output;

  r = RunCommand(Quote(kHost) + " export " + Quote(kExample));
  EXPECT_EQ(r.exitCode, 2) << r.output;

  r = RunCommand(Quote(kHost) + " formats --library " + Quote(dir / "missing.so"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("cannot load the exporter library"), std::string::npos) << r.output;
  EXPECT_FALSE(tqtest::fs::exists(dir / "out.txt"));
}

TEST(SimHostProgram, FailuresAreInjectedThroughTheRealBoundary) {
  ScratchDir dir;
  RunResult r = Export(kExample, dir / "out.txt", "--format 'Sim Test' --fail IPcbLayerStack::NextLayer:2");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.output, "host error: the host failed NextLayer\n");

  r = Export(kExample, dir / "out.txt", "--format 'Sim Test Message' --fail IHostMessageList::AddMessage");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.output, "host error: the host failed AddMessage\n");

  r = Export(kExample, dir / "out.txt", "--format 'Sim Test' --fail IPcbLayerStack::NextLayr");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find("no such operation"), std::string::npos);
  EXPECT_NE(r.output.find("IHostMessageList::AddMessage"), std::string::npos);
}

TEST(SimHostProgram, NoBoardAndFormats) {
  ScratchDir dir;
  RunResult r = Export(kExample, dir / "out.txt", "--format 'Sim Test' --no-board");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(ReadFile(dir / "out.txt"), "no board\n");
  r = RunCommand(Quote(kHost) + " formats --library " + Quote(kLibrary));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "Sim Test\n");
}

}  // namespace
