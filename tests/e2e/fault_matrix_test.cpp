// The fault matrix: every interface operation of the simulated host and a
// representative set of its entry points fail in turn, the temporary
// directory runs out of room, the destination cannot be replaced, and lock
// files are hostile. Whatever happens, the destination holds its old content
// or the complete new file, no temporary file stays behind unless the user
// was told where it is, and the host program is told (exit code and output)
// without crashing or hanging. docs/reliability.md lists the cases.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

using tqtest::Quote;
using tqtest::ReadFile;
using tqtest::RunCommand;
using tqtest::RunResult;
using tqtest::ScratchDir;
using tqtest::WriteFile;

constexpr const char* kOld = "the user's previous file\r\n";

std::string HostProgram() { return Quote(TQ_BIN_DIR "/quorvex-host"); }
std::string Board() { return TQ_SOURCE_DIR "/tests/e2e/boards/rounding.json"; }

// The operations and entry points `quorvex-host calls` lists.
std::vector<std::string> Calls() {
  std::vector<std::string> calls;
  std::istringstream in(RunCommand(HostProgram() + " calls").output);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) calls.push_back(line);
  return calls;
}

class FaultMatrix : public ::testing::Test {
 protected:
  // One export under a watchdog: a run that hangs is ended and reported.
  RunResult Export(const std::string& extra, const std::string& prefix = "") {
    return RunCommand(prefix + "timeout -k 5 60 " + HostProgram() + " export " + Quote(Board()) + " " + Quote(dest_) +
                      " --temp-dir " + Quote(temp_.path().string()) + " " + extra);
  }

  // The invariants of every case. `what` names the case in failures.
  void ExpectSafe(const RunResult& r, const std::string& what) {
    EXPECT_NE(r.exitCode, 124) << what << ": the run hung\n" << r.output;
    EXPECT_LT(r.exitCode, 4) << what << ": the host program crashed\n" << r.output;
    const std::string content = std::filesystem::is_regular_file(dest_) ? ReadFile(dest_) : "";
    const bool complete = content.rfind("{VERSION=2.14}\r\n", 0) == 0 && content.size() >= 7 &&
                          content.compare(content.size() - 7, 7, "{END}\r\n") == 0;
    EXPECT_TRUE(content == kOld || complete) << what << ": the destination holds neither its old content nor a "
                                             << "complete file\n"
                                             << r.output;
    // Only the end of the commit's bracket fails after the replacement.
    if (r.exitCode != 0 && what.rfind("IHostDocument::EndChange", 0) != 0) {
      EXPECT_TRUE(content == kOld) << what << ": a failed run changed the destination";
    }
    if (r.exitCode == 3) {
      EXPECT_NE(r.output.find("host error: "), std::string::npos) << what << "\n" << r.output;
    }
    const int left = tqtest::ExportTempFilesIn(temp_.path());
    if (r.output.find("the export was kept as") == std::string::npos) {
      EXPECT_EQ(left, 0) << what << ": a temporary file stayed behind without a word\n" << r.output;
    }
  }

  void SetUp() override { WriteFile(dest_, kOld); }

  ScratchDir out_;
  ScratchDir temp_;
  std::string dest_ = out_ / "board.hyp";
};

TEST_F(FaultMatrix, EveryOperationAndEntryPointFailingInTurn) {
  const std::vector<std::string> calls = Calls();
  ASSERT_GT(calls.size(), 80u);
  int hostErrors = 0;
  for (const std::string& call : calls) {
    for (int successes : {0, 1}) {
      const std::string what = call + ":" + std::to_string(successes);
      WriteFile(dest_, kOld);
      // The workspace is only asked when the destination is locked.
      const bool workspace = call.rfind("IHostWorkspace::", 0) == 0 || call.rfind("IHostMessageList::", 0) == 0;
      if (workspace) WriteFile(out_ / "~$board.hyp_loc", "ComputerName=PC7\r\nUserName=Ann\r\nProcessID=1\r\n");
      RunResult r = Export("--fail " + what);
      ExpectSafe(r, what);
      if (call.rfind("PcbApi_", 0) == 0) {
        EXPECT_EQ(r.exitCode, 0) << what << ": entry points never end the run";
      }
      if (r.exitCode == 3) ++hostErrors;
      std::filesystem::remove(out_ / "~$board.hyp_loc");
    }
  }
  EXPECT_GT(hostErrors, 20) << "the interface failures should reach the host";
}

TEST_F(FaultMatrix, ATemporaryDirectoryWithoutRoom) {
  // A file size limit of 4 KiB for the run (the file is about 9 KiB); the
  // limit's signal is ignored, so that writing fails instead.
  RunResult r = Export("", "trap '' XFSZ; ulimit -f 4; ");
  ExpectSafe(r, "file size limit");
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_NE(r.output.find("could not be written completely"), std::string::npos) << r.output;
  EXPECT_EQ(ReadFile(dest_), kOld);
}

TEST_F(FaultMatrix, ADestinationThatCannotBeReplacedKeepsTheExportAndSaysWhere) {
  std::filesystem::remove(dest_);
  std::filesystem::create_directory(dest_);  // a directory of that name
  RunResult r = Export("");
  EXPECT_NE(r.exitCode, 124) << r.output;
  EXPECT_LT(r.exitCode, 4) << r.output;
  EXPECT_TRUE(std::filesystem::is_directory(dest_));
  EXPECT_NE(r.output.find("the export was kept as " + temp_.path().string()), std::string::npos) << r.output;
  EXPECT_EQ(tqtest::ExportTempFilesIn(temp_.path()), 1);
}

TEST_F(FaultMatrix, HostileLockFilesCountAsHeld) {
  const std::string lock = out_ / "~$board.hyp_loc";
  struct Case {
    const char* what;
    void (*make)(const std::string&);
  };
  const Case cases[] = {
      {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
      {"directory", [](const std::string& p) { std::filesystem::create_directory(p); }},
      {"device", [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); }},
      {"huge", [](const std::string& p) { WriteFile(p, std::string(3 << 20, 'x')); }},
      {"other process", [](const std::string& p) { WriteFile(p, "ComputerName=PC7\nUserName=Ann\nProcessID=1\n"); }},
  };
  for (const Case& c : cases) {
    WriteFile(dest_, kOld);
    c.make(lock);
    RunResult r = Export("");
    ExpectSafe(r, c.what);
    EXPECT_EQ(r.exitCode, 0) << c.what << "\n" << r.output;
    EXPECT_EQ(ReadFile(dest_), kOld) << c.what;
    EXPECT_NE(r.output.find("[Locked File]"), std::string::npos) << c.what << "\n" << r.output;
    std::filesystem::remove_all(lock);
  }
  // Lock files that are no lock: binary bytes, two of the three keys.
  for (const std::string& content :
       {std::string("\0\xff\r\r\n\0ComputerName", 17), std::string("UserName=Ann\nProcessID=1\n")}) {
    WriteFile(dest_, kOld);
    WriteFile(lock, content);
    RunResult r = Export("");
    ExpectSafe(r, "not a lock");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output.find("[Locked File]"), std::string::npos) << r.output;
    EXPECT_NE(ReadFile(dest_), kOld);
  }
}

}  // namespace
