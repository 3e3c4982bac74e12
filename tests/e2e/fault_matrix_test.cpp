// The fault matrix: every interface operation and every entry point of the
// simulated host fails in turn at its first, second, a middle and its last
// call of a clean export, the temporary directory runs out of room, the
// destination cannot be replaced, and lock files are hostile. Whatever
// happens, the destination holds its old content or the complete new file, no
// temporary file stays behind unless the user was told where it is, the host
// program is told (exit code and output) without crashing or hanging, and no
// run ends silently with a file that differs from the clean export except as
// docs/reliability.md says for that call. docs/reliability.md lists the cases.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "Wine.h"

namespace {

using tqtest::Quote;
using tqtest::ReadFile;
using tqtest::RunCommand;
using tqtest::RunResult;
using tqtest::ScratchDir;
using tqtest::WriteFile;

constexpr const char* kOld = "the user's previous file\r\n";
// The line a modal message leaves in test mode (the process then ends).
constexpr const char* kTestModeMessage = "ShowDialogWithCaption with";

std::string HostProgram() { return Quote(TQ_BIN_DIR "/quorvex-host"); }
std::string Board() { return TQ_SOURCE_DIR "/tests/e2e/boards/rounding.json"; }
std::string SensorNode() { return TQ_SOURCE_DIR "/examples/sensor-node.json"; }

// The operations and entry points `quorvex-host calls` lists.
std::vector<std::string> Calls() {
  std::vector<std::string> calls;
  std::istringstream in(RunCommand(HostProgram() + " calls").output);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) calls.push_back(line);
  return calls;
}

// How often each operation or entry point was called, from a call trace
// (an interface operation's line carries its arguments).
std::map<std::string, int> CallCounts(const std::string& trace) {
  std::map<std::string, int> counts;
  std::istringstream in(trace);
  for (std::string line; std::getline(in, line);) ++counts[line.substr(0, line.find('('))];
  return counts;
}

bool IsWorkspaceCall(const std::string& call) {
  return call.rfind("IHostWorkspace::", 0) == 0 || call.rfind("IHostMessageList::", 0) == 0;
}

// The lines of a HYP file.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The lines of `damaged` that `clean` does not hold (as many times), and
// whether each of them stands inside a PADSTACK section.
struct Difference {
  std::vector<std::string> extra;
  bool onlyInPadStacks = true;
};
Difference Compare(const std::string& clean, const std::string& damaged) {
  std::multiset<std::string> left;
  for (const std::string& line : Lines(clean)) left.insert(line);
  Difference d;
  bool inPadStack = false;
  for (const std::string& line : Lines(damaged)) {
    if (line.rfind("{PADSTACK=", 0) == 0) inPadStack = true;
    auto it = left.find(line);
    if (it != left.end()) {
      left.erase(it);
    } else {
      d.extra.push_back(line);
      if (!inPadStack) d.onlyInPadStacks = false;
    }
    if (line == "}") inPadStack = false;
  }
  return d;
}

// What docs/reliability.md allows a run to write without a word when the
// call fails: the failure is the host's ordinary answer. Empty when it
// allows nothing but the clean export.
// `successes` counts the calls that succeeded before the failures began.
std::string SilentDifferenceAllowed(const std::string& call, int successes, const std::string& clean,
                                    const std::string& damaged) {
  const Difference d = Compare(clean, damaged);
  // No rule, or no size or shape of a via on a layer: only padstack entries
  // change.
  if (call == "PcbApi_FindDominantRuleForObject" || call == "PcbApi_QueryPadOrViaSizeOnLayer" ||
      call == "PcbApi_QueryPadOrViaShapeOnLayer")
    return d.onlyInPadStacks ? "padstack entries" : "";
  // Walks that yield nothing from the run's first call on look like an empty
  // board: the frame only. A walk that ends later is told.
  if (call == "PcbApi_GetFirstObject" && successes == 0)
    return d.extra.empty() && damaged.find("(PIN ") == std::string::npos ? "an empty board" : "";
  return "";
}

class FaultMatrix : public ::testing::Test {
 protected:
  // One export under a watchdog: a run that hangs is ended and reported.
  RunResult Export(const std::string& extra, const std::string& prefix = "", const std::string& board = Board()) {
    return RunCommand(prefix + "timeout -k 5 60 " + HostProgram() + " export " + Quote(board) + " " + Quote(dest_) +
                      " --temp-dir " + Quote(temp_.path().string()) + " " + extra);
  }

  // The invariants of every case. `what` names the case in failures.
  void ExpectSafe(const RunResult& r, const std::string& what) {
    EXPECT_NE(r.exitCode, 124) << what << ": the run hung\n" << r.output;
    EXPECT_LE(r.exitCode, 4) << what << ": the host program crashed\n" << r.output;
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

// Each call fails from its 1st, 2nd, middle and last call of a clean export
// on (the switch fails every later call too), in test mode, where a message
// ends the run with exit code 1. Every run ends in one of four ways: a host
// error (interface operations only), a message, exactly the clean export, or
// the difference docs/reliability.md names for that call.
TEST_F(FaultMatrix, EveryCallFailingAtItsFirstSecondMiddleAndLastCall) {
  tqtest::ScopedRegistry registry;
  registry.TurnOnTestMode();
  const std::string trace = out_ / "trace.txt";
  ASSERT_EQ(Export("--trace " + Quote(trace), "", SensorNode()).exitCode, 0);
  const std::string clean = ReadFile(dest_);
  const std::map<std::string, int> counts = CallCounts(ReadFile(trace));
  std::filesystem::remove(trace);

  const std::vector<std::string> calls = Calls();
  ASSERT_GT(calls.size(), 100u);
  std::map<std::string, int> outcomes;  // how the runs ended, by kind
  for (const std::string& call : calls) {
    // The workspace is only asked when the destination is locked, once each.
    const bool workspace = IsWorkspaceCall(call);
    const auto counted = counts.find(call);
    const int made = workspace ? 1 : counted == counts.end() ? 0 : counted->second;
    std::set<int> points = {0, 1, made / 2, made - 1};
    if (made == 0) points = {0};  // a call the run does not make changes nothing
    for (int successes : points) {
      if (successes < 0 || (made > 0 && successes >= made)) continue;
      const std::string what = call + ":" + std::to_string(successes);
      WriteFile(dest_, kOld);
      if (workspace) WriteFile(out_ / "~$board.hyp_loc", "ComputerName=PC7\r\nUserName=Ann\r\nProcessID=1\r\n");
      RunResult r = Export("--fail " + what, "", SensorNode());
      std::filesystem::remove(out_ / "~$board.hyp_loc");
      ExpectSafe(r, what);
      const std::string content = ReadFile(dest_);
      const bool entryPoint = call.rfind("PcbApi_", 0) == 0;
      if (r.exitCode == 3) {
        EXPECT_FALSE(entryPoint) << what << ": entry points never end the run\n" << r.output;
        ++outcomes["host error"];
      } else if (r.exitCode == 1) {
        EXPECT_NE(r.output.find(kTestModeMessage), std::string::npos) << what << ": no message\n" << r.output;
        EXPECT_EQ(content, kOld) << what;
        ++outcomes["told"];
      } else if (workspace) {
        // The lock's message did not reach the list: the run failed before.
        ADD_FAILURE() << what << ": exit " << r.exitCode << "\n" << r.output;
      } else if (made == 0 || content == clean) {
        ++outcomes["clean export"];
      } else {
        EXPECT_EQ(r.exitCode, 0) << what << "\n" << r.output;
        const std::string allowed = SilentDifferenceAllowed(call, successes, clean, content);
        EXPECT_FALSE(allowed.empty()) << what << ": the run ended silently with a file unlike the clean export\n"
                                      << r.output;
        ++outcomes["documented: " + allowed];
      }
    }
  }
  // Each way is taken: the matrix does not pass by one kind of outcome alone.
  EXPECT_GT(outcomes["host error"], 20);
  EXPECT_GT(outcomes["told"], 100);
  EXPECT_GT(outcomes["clean export"], 10);
  for (const auto& [how, n] : outcomes) std::printf("%s: %d runs\n", how.c_str(), n);
}

// Outside test mode the warning is shown and the incomplete file replaces the
// destination: the user has been told before the commit.
TEST_F(FaultMatrix, OutsideTestModeTheWarningComesAndTheFileIsCommitted) {
  tqtest::ScopedRegistry registry;  // test mode off
  RunResult r = Export("--fail PcbApi_QueryTrack:1", "", SensorNode());
  ExpectSafe(r, "QueryTrack outside test mode");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  const std::size_t warning = r.output.find("[Warning] ");
  ASSERT_NE(warning, std::string::npos) << r.output;
  EXPECT_NE(r.output.find(" tracks. The file " + dest_ + " may lack them. For support: PcbApi_QueryTrack (", warning),
            std::string::npos);
  EXPECT_NE(ReadFile(dest_), kOld);
}

// The Windows build under wine (test mode is on in its prefix): a subset of
// the matrix ends the same ways as natively.
TEST_F(FaultMatrix, UnderWineASubsetEndsAsNatively) {
  TQ_REQUIRE_WINE();
  auto run = [&](const std::string& extra) {
    return tqtest::RunWine("quorvex-host.exe", "export " + Quote("Z:" + SensorNode()) + " " + Quote("Z:" + dest_) +
                                                   " --temp-dir " + Quote("Z:" + temp_.path().string()) + " " + extra);
  };
  const RunResult first = run("");
  ASSERT_EQ(first.exitCode, 0) << first.output;
  const std::string clean = ReadFile(dest_);
  struct Case {
    const char* failure;
    int exitCode;  // 0: the clean export or the documented difference
  };
  const Case cases[] = {
      {"PcbApi_QueryPad:1", 1},
      {"PcbApi_CreateIterator:0", 1},
      {"PcbApi_GetNextObject:150", 1},
      {"PcbApi_QueryComponent:20", 1},
      {"IPcbLayer::GetName:1", 3},
      {"IPcbVia::ConnectsToPlane:2", 3},
      {"PcbApi_FindDominantRuleForObject:0", 0},
      {"PcbApi_Percent_Update:0", 0},
      // The translator's message ends the run while the output is open.
      {"PcbApi_GetObjectIdFromObjectHandle:1", 1},
  };
  for (const Case& c : cases) {
    WriteFile(dest_, kOld);
    RunResult r = run(std::string("--fail ") + c.failure);
    ExpectSafe(r, c.failure);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.failure << "\n" << r.output;
    const std::string content = ReadFile(dest_);
    if (c.exitCode == 1) {
      EXPECT_NE(r.output.find(kTestModeMessage), std::string::npos) << c.failure;
    }
    if (c.exitCode != 0) {
      EXPECT_EQ(content, kOld) << c.failure;
    }
    if (c.exitCode == 0 && content != clean) {
      const std::string failure = c.failure;
      const std::size_t colon = failure.rfind(':');
      EXPECT_FALSE(
          SilentDifferenceAllowed(failure.substr(0, colon), std::stoi(failure.substr(colon + 1)), clean, content)
              .empty())
          << c.failure;
    }
  }
}

TEST_F(FaultMatrix, ATemporaryDirectoryWithoutRoom) {
  // A file size limit of 4 KiB for the run (the file is about 9 KiB); the
  // limit's signal is ignored, so that writing fails instead.
  RunResult r = Export("", "trap '' XFSZ; ulimit -f 4; ");
  ExpectSafe(r, "file size limit");
  EXPECT_EQ(r.exitCode, 4) << r.output;  // the run took place, the destination did not receive it
  EXPECT_NE(r.output.find("could not be written completely"), std::string::npos) << r.output;
  EXPECT_EQ(ReadFile(dest_), kOld);
}

TEST_F(FaultMatrix, ADestinationThatCannotBeReplacedKeepsTheExportAndSaysWhere) {
  std::filesystem::remove(dest_);
  std::filesystem::create_directory(dest_);  // a directory of that name
  RunResult r = Export("");
  EXPECT_EQ(r.exitCode, 4) << r.output;
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
    EXPECT_EQ(r.exitCode, 4) << c.what << "\n" << r.output;
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
