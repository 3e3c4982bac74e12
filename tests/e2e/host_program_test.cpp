// End-to-end runs of the simulated host program with the exporter library,
// natively and for the Windows build under wine: the same board must give the
// same bytes on both, and the commit's and the run's failure paths must leave
// the user's files as they were.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <future>
#include <regex>
#include <sstream>
#include <thread>

#include "Wine.h"

namespace {

using tqtest::Quote;
using tqtest::ReadFile;
using tqtest::RunCommand;
using tqtest::RunResult;
using tqtest::ScratchDir;
using tqtest::WriteFile;

enum class Target { Linux, Windows };

std::string TargetName(const testing::TestParamInfo<Target>& info) {
  return info.param == Target::Linux ? "Linux" : "Windows";
}

std::string Example(const std::string& name) { return std::string(TQ_SOURCE_DIR "/examples/") + name; }

class HostProgram : public testing::TestWithParam<Target> {
 protected:
  void SetUp() override {
    if (GetParam() == Target::Windows) {
      const std::string reason = tqtest::WineUnavailableReason();
      if (!reason.empty()) GTEST_SKIP() << reason;
      ASSERT_TRUE(tqtest::EnsureWinePrefix());
    }
  }

  // A path as the program under test spells it.
  std::string P(const std::string& path) const { return GetParam() == Target::Windows ? "Z:" + path : path; }
  // The absolute name the host program hands to the exporter (on Windows in
  // the system's form, with backslashes).
  std::string Absolute(const std::string& path) const {
    if (GetParam() == Target::Linux) return path;
    std::string name = P(path);
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
  }

  // quorvex-host export BOARD OUT [extra arguments], with a temporary
  // directory of the test's own unless the arguments name one.
  RunResult Export(const std::string& board, const std::string& out, const std::string& extra = "") {
    std::string args = "export " + Quote(P(board)) + " " + Quote(P(out)) + " " + extra;
    if (extra.find("--temp-dir") == std::string::npos) args += " --temp-dir " + Quote(P(temp_.path().string()));
    if (GetParam() == Target::Windows) return tqtest::RunWine("quorvex-host.exe", args);
    return RunCommand(Quote(TQ_BIN_DIR "/quorvex-host") + " " + args);
  }

  // Temporary files that runs left behind.
  int LeftoverTempFiles() const { return tqtest::ExportTempFilesIn(temp_.path()); }

  ScratchDir out_;
  ScratchDir temp_;
};

TEST_P(HostProgram, ExportsTheExamplesAsTheOtherTargetDoes) {
  // The examples, and a board whose numbers sit on rounding ties and whose
  // arcs end on 30 and 60 degree points with odd radii.
  const std::string rounding = TQ_SOURCE_DIR "/tests/e2e/boards/rounding.json";
  for (const char* board : {"two-layer.json", "four-layer.json", "rounding.json"}) {
    const std::string out = out_ / (std::string(board) + ".hyp");
    RunResult r = Export(std::string(board) == "rounding.json" ? rounding : Example(board), out);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::string content = ReadFile(out);
    ASSERT_EQ(content.rfind("{VERSION=2.14}\r\n", 0), 0u);
    EXPECT_EQ(content.substr(content.size() - 7), "{END}\r\n");
    // Pinned against the Linux build: what the other target must also write.
    const std::string reference = std::string(TQ_SOURCE_DIR "/tests/e2e/expected/") + board + ".hyp";
    EXPECT_EQ(content, ReadFile(reference)) << board;
  }
  EXPECT_EQ(LeftoverTempFiles(), 0);
}

TEST_P(HostProgram, AHostRunningTheX87AtDoublePrecisionGetsTheSameFile) {
  const std::string out = out_ / "rounding.hyp";
  RunResult r = Export(TQ_SOURCE_DIR "/tests/e2e/boards/rounding.json", out, "--x87-precision 53");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(ReadFile(out), ReadFile(TQ_SOURCE_DIR "/tests/e2e/expected/rounding.json.hyp"));
}

TEST_P(HostProgram, TheFourLayerBoardHasItsPlanesInTheStackup) {
  const std::string out = out_ / "four.hyp";
  ASSERT_EQ(Export(Example("four-layer.json"), out).exitCode, 0);
  const std::vector<std::string> lines = tqtest::HypLines(ReadFile(out));
  const std::vector<std::string> expected = {"{STACKUP",
                                             "  (SIGNAL T=0.0014 P=0.0000 C=1.724e-8 L=Top_Layer M=COPPER)",
                                             "  (DIELECTRIC T=0.0080 C=4.2000 L=DE_Top_Layer M=\"Prepreg 2116\")",
                                             "  (PLANE T=0.0014 C=1.724e-8 L=GND_Plane M=COPPER)",
                                             "  (DIELECTRIC T=0.0400 C=4.6000 L=DE_GND_Plane M=\"FR-4 Core\")",
                                             "  (PLANE T=0.0014 C=1.724e-8 L=VCC_Plane M=COPPER)",
                                             "  (DIELECTRIC T=0.0080 C=4.2000 L=DE_VCC_Plane M=\"Prepreg 2116\")",
                                             "  (SIGNAL T=0.0014 P=0.0000 C=1.724e-8 L=Bottom_Layer M=COPPER)",
                                             "}"};
  auto at = std::search(lines.begin(), lines.end(), expected.begin(), expected.end());
  EXPECT_NE(at, lines.end()) << ReadFile(out);
}

// Documents that crashed the host or were misread: refused with the place,
// on both targets (the Windows build's stack ends far sooner).
TEST_P(HostProgram, ADocumentTooDeepOrWithANumberBeyondADoubleIsRefusedWhereItIs) {
  const std::pair<std::string, std::string> cases[] = {
      {R"({"description": )" + std::string(30000, '[') + std::string(30000, ']') + "}",
       ": nesting deeper than 256 levels (a board document needs six) at line 1, column 272"},
      {R"({"externalDielectrics": {"top": {"constant": 42761574365373014330e299}}})",
       ": /externalDielectrics/top/constant: number overflow parsing '42761574365373014330e299' (beyond a double's "
       "range) at line 1, column 46"},
  };
  for (const auto& [doc, expected] : cases) {
    const std::string board = out_ / "board.json", out = out_ / "board.hyp";
    WriteFile(board, doc);
    RunResult r = Export(board, out);
    EXPECT_EQ(r.exitCode, 2) << r.output.substr(0, 300);
    EXPECT_NE(r.output.find(expected), std::string::npos) << r.output.substr(0, 300);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

TEST_P(HostProgram, ALockedDestinationIsReportedAndLeftAlone) {
  const std::string dest = out_ / "Main.hyp";
  WriteFile(dest, "the other user's file");
  WriteFile(out_ / "~$Main.hyp_loc", "ComputerName=PC7\r\nUserName=Ann\r\nProcessID=4711\r\n");
  RunResult r = Export(Example("two-layer.json"), dest);
  EXPECT_EQ(r.exitCode, 4) << r.output;  // the run took place; the destination did not receive it
  EXPECT_NE(r.output.find("message 1: [Locked File] Main.hyp is used by Ann on PC7. "
                          "You will not be able to save your changes."),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("source=Quorvex Designer"), std::string::npos);
  EXPECT_NE(r.output.find("document=" + Absolute(dest)), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("command=WorkspaceManager:OpenObject"), std::string::npos);
  EXPECT_NE(r.output.find("parameters=FileName=" + Absolute(dest)), std::string::npos);
  EXPECT_NE(r.output.find("image=73 extra=0,0,0"), std::string::npos);
  EXPECT_EQ(ReadFile(dest), "the other user's file");
  EXPECT_EQ(LeftoverTempFiles(), 0);
}

// A lock file that exists but cannot be read (here a directory of its name)
// is held, by nobody the message could name.
TEST_P(HostProgram, AnUnreadableLockFileIsHeldByAnotherProcess) {
  const std::string dest = out_ / "Main.hyp";
  WriteFile(dest, "old");
  std::filesystem::create_directory(out_ / "~$Main.hyp_loc");
  RunResult r = Export(Example("two-layer.json"), dest);
  EXPECT_EQ(r.exitCode, 4) << r.output;
  EXPECT_NE(r.output.find("message 1: [Locked File] Main.hyp is used by another process. "
                          "You will not be able to save your changes."),
            std::string::npos)
      << r.output;
  EXPECT_EQ(ReadFile(dest), "old");
  EXPECT_EQ(LeftoverTempFiles(), 0);
}

// A destination that cannot take the export is told by a message that names
// the file and the reason (exit code 4, or 1 where the message ends the
// program in test mode); it stays as it was, and no temporary
// file is left. Windows refuses names with '"', '?', '*', '<'; Linux takes
// them all.
TEST_P(HostProgram, ADestinationThatCannotTakeTheExportIsToldAndLeftAlone) {
  struct Case {
    std::string name;
    bool readOnly;
    bool refusedOnLinux;
    const char* told;
  };
  const Case cases[] = {
      {"ro.hyp", true, true, " is read-only and was not replaced."},
      {"a\"b.hyp", false, false, " cannot be saved: "},
      {"a?b.hyp", false, false, " cannot be saved: "},
      {"a*b.hyp", false, false, " cannot be saved: "},
      {"a<b.hyp", false, false, " cannot be saved: "},
  };
  const std::string expected = ReadFile(std::string(TQ_SOURCE_DIR "/tests/e2e/expected/two-layer.json.hyp"));
  for (const Case& c : cases) {
    const std::string dest = out_ / c.name;
    if (c.readOnly) {
      WriteFile(dest, "old");
      ASSERT_EQ(::chmod(dest.c_str(), 0444), 0);
    }
    RunResult r = Export(Example("two-layer.json"), dest);
    EXPECT_EQ(r.output.find("[Locked File]"), std::string::npos) << c.name << "\n" << r.output;
    EXPECT_EQ(LeftoverTempFiles(), 0) << c.name;
    if (GetParam() == Target::Linux && !c.refusedOnLinux) {
      EXPECT_EQ(r.exitCode, 0) << c.name << "\n" << r.output;
      EXPECT_EQ(ReadFile(dest), expected) << c.name;
      continue;
    }
    // In test mode (the Windows runs) the message ends the program with 1.
    EXPECT_EQ(r.exitCode, GetParam() == Target::Windows ? 1 : 4) << c.name << "\n" << r.output;
    EXPECT_NE(
        r.output.find("The file " + Absolute(out_.path().string()) + (GetParam() == Target::Windows ? "\\" : "/")),
        std::string::npos)
        << c.name << "\n"
        << r.output;
    EXPECT_NE(r.output.find(c.told), std::string::npos) << c.name << "\n" << r.output;
    if (c.readOnly) {
      EXPECT_EQ(ReadFile(dest), "old") << c.name;
    }
  }
  if (GetParam() == Target::Windows) {
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(out_.path())) ++files;
    EXPECT_EQ(files, 1u) << "a refused name was written after all";
  }
}

TEST_P(HostProgram, TheHostsOwnLockDoesNotBlock) {
  const std::string dest = out_ / "Main.hyp";
  WriteFile(dest, "old");
  RunResult r = Export(Example("two-layer.json"), dest, "--hold");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output.find("[Locked File]"), std::string::npos) << r.output;
  EXPECT_EQ(ReadFile(dest).rfind("{VERSION=2.14}", 0), 0u);
}

TEST_P(HostProgram, ReplacesADestinationOnAnotherFileSystem) {
  struct stat shm {
  }, out{};
  if (stat("/dev/shm", &shm) != 0 || stat(out_.path().c_str(), &out) != 0 || shm.st_dev == out.st_dev)
    GTEST_SKIP() << "needs /dev/shm on a file system other than the test directory's";
  const std::string shmTemp =
      "/dev/shm/tq-e2e-" + std::to_string(getpid()) + (GetParam() == Target::Windows ? "w" : "l");
  std::filesystem::create_directories(shmTemp);
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "old");
  RunResult r = Export(Example("two-layer.json"), dest, "--temp-dir " + Quote(P(shmTemp)));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(ReadFile(dest), ReadFile(std::string(TQ_SOURCE_DIR "/tests/e2e/expected/two-layer.json.hyp")));
  std::size_t left = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(shmTemp)) ++left;
  EXPECT_EQ(left, 0u) << "the temporary file stayed behind";
  std::filesystem::remove_all(shmTemp);
}

TEST_P(HostProgram, AWriteErrorLeavesTheDestinationUntouched) {
  // A file system with no room left: every byte written to it fails.
  const std::string full = temp_ / "full";
  std::filesystem::create_directories(full);
  if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=4k") != 0)
    GTEST_SKIP() << "cannot mount a small file system here (needs root)";
  RunCommand("dd if=/dev/zero of=" + Quote(full + "/filler") + " bs=1k count=64");
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "the good old file");
  RunResult r = Export(Example("two-layer.json"), dest, "--temp-dir " + Quote(P(full)));
  EXPECT_NE(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("The export could not be written completely"), std::string::npos) << r.output;
  EXPECT_EQ(ReadFile(dest), "the good old file");
  std::size_t left = 0;
  for (const auto& e : std::filesystem::directory_iterator(full))
    if (e.path().filename() != "filler") ++left;
  EXPECT_EQ(left, 0u) << "the temporary file stayed behind";
  umount2(full.c_str(), MNT_DETACH);
}

TEST_P(HostProgram, AHostFailureMidRunReachesTheHostAndTouchesNothing) {
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "old");
  RunResult r = Export(Example("four-layer.json"), dest, "--fail IPcbLayerStack::NextLayer:1");
  EXPECT_EQ(r.exitCode, 3) << r.output;
  EXPECT_NE(r.output.find("host error: The host reported a failure"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("IPcbLayerStack::NextLayer"), std::string::npos) << r.output;
  EXPECT_EQ(ReadFile(dest), "old");
  EXPECT_EQ(LeftoverTempFiles(), 0);
}

TEST_P(HostProgram, AHostErrorWhileHoldingTheDestinationReleasesTheHostsLock) {
  const std::string dest = out_ / "board.hyp";
  WriteFile(dest, "old");
  RunResult r = Export(Example("four-layer.json"), dest, "--hold --fail IPcbLayerStack::NextLayer:1");
  EXPECT_EQ(r.exitCode, 3) << r.output;
  EXPECT_FALSE(std::filesystem::exists(out_ / "~$board.hyp_loc")) << "the host's own lock file stayed behind";
  EXPECT_EQ(ReadFile(dest), "old");
}

TEST_P(HostProgram, ADestinationNamedOutsideAsciiKeepsItsName) {
  // U+00DC, which the Windows code page of the test prefix (1252) holds.
  const std::string dest = out_ /
                           "\xC3\x9C"
                           "ber.hyp";
  RunResult r = Export(Example("two-layer.json"), dest, "--hold");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(out_.path())) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"\xC3\x9C"
                                            "ber.hyp"});
  EXPECT_EQ(ReadFile(dest), ReadFile(std::string(TQ_SOURCE_DIR "/tests/e2e/expected/two-layer.json.hyp")));
  // Printed as given: UTF-8 where the output is not a console.
  EXPECT_NE(r.output.find("exported to " + Absolute(dest) + ": "), std::string::npos) << r.output;
}

// Under wine a name that begins with "//" is no Linux name to convert: it
// stays as given (a network name) and is never made a name on drive Z:.
TEST_P(HostProgram, ANameBeginningWithTwoSlashesIsLeftAsGiven) {
  if (GetParam() == Target::Linux) GTEST_SKIP() << "a Linux name is never converted";
  const RunResult r = tqtest::RunWine("quorvex-host.exe",
                                      "export " + Quote(P(Example("two-layer.json"))) + " //nosuchhost/share/b.hyp");
  EXPECT_NE(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("The file \\\\nosuchhost\\share\\b.hyp cannot be saved"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("Z:"), std::string::npos) << r.output;
}

// What replacing the destination keeps of it: on Windows its attributes, on
// Linux its permission bits and its symbolic link.
TEST_P(HostProgram, TheReplacedDestinationKeepsItsMetadata) {
  const std::string dest = out_ / "kept.hyp";
  WriteFile(dest, "old");
  std::string winName = P(dest);
  std::replace(winName.begin(), winName.end(), '/', '\\');
  if (GetParam() == Target::Windows) {
    RunResult set = RunCommand(tqtest::WineEnv() + "wine attrib +h " + Quote(winName));
    ASSERT_EQ(set.exitCode, 0) << set.output;
  } else {
    ASSERT_EQ(::chmod(dest.c_str(), 0644), 0);
  }
  RunResult r = Export(Example("two-layer.json"), dest);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(ReadFile(dest).rfind("{VERSION=2.14}", 0), 0u);
  if (GetParam() == Target::Windows) {
    RunResult shown = RunCommand(tqtest::WineEnv() + "wine attrib " + Quote(winName));
    EXPECT_TRUE(std::regex_search(shown.output, std::regex("^[A-Z ]*H[A-Z ]* +Z:"))) << shown.output;
  } else {
    struct stat st {};
    ASSERT_EQ(::stat(dest.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    const std::string link = out_ / "link.hyp";
    std::filesystem::create_symlink(dest, link);
    ASSERT_EQ(Export(Example("two-layer.json"), link).exitCode, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
  }
}

TEST_P(HostProgram, AnEntryPointFailsOnRequestAndTheCallsAreTraced) {
  const std::string out = out_ / "board.hyp";
  const std::string trace = out_ / "trace.txt";
  RunResult r = Export(Example("two-layer.json"), out, "--fail PcbApi_QueryTrack:1 --trace " + Quote(P(trace)));
  // Entry points never end the run, but the failed reads are told before the
  // commit; in test mode (the Windows runs) the message ends the process and
  // the destination is not written.
  EXPECT_NE(r.output.find(" tracks. The file " + Absolute(out) + " may lack them. For support: PcbApi_QueryTrack ("),
            std::string::npos)
      << r.output;
  if (GetParam() == Target::Linux) {
    ASSERT_EQ(r.exitCode, 0) << r.output;
    // The tracks after the first read as zeros.
    EXPECT_NE(ReadFile(out).find("(PERIMETER_SEGMENT X1=0.0000 Y1=0.0000 X2=0.0000 Y2=0.0000)"), std::string::npos);
  } else {
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  std::vector<std::string> calls;
  std::istringstream in(ReadFile(trace));
  for (std::string line; std::getline(in, line);) calls.push_back(line);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "PcbApi_GetCurrentBoardHandle");
  EXPECT_EQ(calls[1], "PcbApi_QueryBoard");
  std::size_t tracks = 0, failed = 0;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].rfind("PcbApi_QueryTrack", 0) != 0 && calls[i].rfind("PcbApi_QueryArc", 0) != 0) continue;
    if (calls[i].rfind("PcbApi_QueryTrack", 0) == 0) ++tracks;
    if (calls[i] == "PcbApi_QueryTrack (failed)") ++failed;
    ASSERT_GE(i, 2u);
    EXPECT_EQ(calls[i - 2], "PcbApi_GetObjectBitField2");  // the bit fields come before the query
    EXPECT_EQ(calls[i - 1], "PcbApi_GetObjectBitField3");
  }
  EXPECT_GE(tracks, 2u);
  EXPECT_EQ(failed, tracks - 1);  // the first call succeeded, every later one failed
  EXPECT_EQ(LeftoverTempFiles(), 0);

  RunResult list = GetParam() == Target::Windows ? tqtest::RunWine("quorvex-host.exe", "calls")
                                                 : RunCommand(Quote(TQ_BIN_DIR "/quorvex-host") + " calls");
  EXPECT_TRUE(std::regex_search(list.output, std::regex("\nPcbApi_QueryTrack\r?\n"))) << list.output;
  EXPECT_NE(Export(Example("two-layer.json"), out, "--fail PcbApi_NoSuchEntry").exitCode, 0);
}

// The interface calls of the reading protocol, from the call trace of an
// export of a board with two planes and blind vias: the PCB server through
// the client's "PCB" module; the stack-up's walk of the board's layer stack;
// the board's question whether a plane is present; and a via's questions,
// layer by layer in the stack's order after the walk.
TEST_P(HostProgram, TheInterfaceCallsAreTracedInTheReadingProtocolsOrder) {
  const std::string out = out_ / "board.hyp";
  const std::string trace = out_ / "trace.txt";
  ASSERT_EQ(Export(Example("sensor-node.json"), out, "--trace " + Quote(P(trace))).exitCode, 0);
  std::vector<std::string> calls;  // the interface calls, with their arguments
  std::istringstream in(ReadFile(trace));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("PcbApi_", 0) != 0) calls.push_back(line);
  }
  ASSERT_GT(calls.size(), 100u);
  const std::vector<int> stack = {1, 39, 2, 3, 40, 32};  // the board's layers, top to bottom
  auto at = [&](std::size_t i) { return i < calls.size() ? calls[i] : std::string("<end>"); };
  auto n = [](int number) { return "(" + std::to_string(number) + ")"; };

  // Every use of the PCB server reaches it afresh through the client.
  std::size_t servers = 0;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].rfind("IPcbServer::", 0) != 0) continue;
    ++servers;
    ASSERT_GE(i, 2u);
    EXPECT_EQ(calls[i - 2], "IHostClient::GetServerModule(\"PCB\")") << i;
    EXPECT_EQ(calls[i - 1], "IHostServerModule::QueryInterface(IPcbServer)") << i;
  }
  EXPECT_GT(servers, 3u);

  // The stack-up: the current board, its kind, its stack, then per layer its
  // number, copper, dielectric with height, constant and material, and the
  // next layer after it.
  const auto kind = std::find(calls.begin(), calls.end(), "IPcbBoard::GetObjectKind()");
  ASSERT_NE(kind, calls.end());
  std::vector<std::string> expected = {"IPcbServer::GetCurrentBoard()", "IPcbBoard::GetObjectKind()",
                                       "IPcbBoard::GetLayerStack()", "IPcbLayerStack::FirstLayer()"};
  for (int layer : stack)
    for (const char* op : {"IPcbLayer::GetLayerNumber", "IPcbLayer::GetCopperThickness", "IPcbLayer::GetDielectric",
                           "IPcbDielectric::GetHeight", "IPcbDielectric::GetConstant", "IPcbDielectric::GetMaterial",
                           "IPcbLayerStack::NextLayer"})
      expected.push_back(op + n(layer));
  const std::size_t first = static_cast<std::size_t>(kind - calls.begin()) - 1;
  for (std::size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(at(first + k), expected[k]) << "stack-up call " << k;

  // A plane's presence: the board by its handle, its stack, the layer's entry.
  std::size_t planes = 0;
  for (std::size_t i = 4; i < calls.size(); ++i) {
    if (calls[i].rfind("IPcbLayer::GetIsPresent(", 0) != 0) continue;
    ++planes;
    const std::string layer = calls[i].substr(calls[i].find('('));
    EXPECT_EQ(calls[i - 1], "IPcbLayerStack::LayerForCode" + layer) << i;
    EXPECT_EQ(calls[i - 2], "IPcbBoard::GetLayerStack()") << i;
    EXPECT_TRUE(std::regex_match(calls[i - 3], std::regex(R"(IPcbServer::GetInterfaceForHandle\(\d+, IPcbBoard\))")))
        << calls[i - 3];
  }
  EXPECT_GE(planes, 2u);

  // A via: the walk of the stack (once a run, before the first via that
  // needs it), then its interface by its handle, then for each layer in the
  // walk's order whether it reaches it; only for a plane it reaches whether
  // it connects, and only for a connection its style.
  std::size_t vias = 0;
  const std::regex viaInterface(R"(IPcbServer::GetInterfaceForHandle\((\d+), IPcbVia\))");
  for (std::size_t i = 0; i < calls.size(); ++i) {
    std::smatch m;
    if (!std::regex_match(calls[i], m, viaInterface)) continue;
    const std::string via = m[1].str();
    if (vias++ == 0) {
      const std::size_t walk = i - 2 - 2 * stack.size();
      EXPECT_EQ(at(walk - 1), "IPcbLayerStack::FirstLayer()") << via;
      for (std::size_t k = 0; k < stack.size(); ++k) {
        EXPECT_EQ(at(walk + 2 * k), "IPcbLayer::GetLayerNumber" + n(stack[k])) << via;
        EXPECT_EQ(at(walk + 2 * k + 1), "IPcbLayerStack::NextLayer" + n(stack[k])) << via;
      }
    }
    std::size_t j = i + 1;
    for (int layer : stack) {
      const std::string args = "(" + via + ", " + std::to_string(layer) + ")";
      EXPECT_EQ(at(j++), "IPcbVia::ReachesLayer" + args) << via;
      if (at(j) == "IPcbVia::ConnectsToPlane" + args) {
        EXPECT_TRUE(layer > 32) << via << " asked whether it connects to signal layer " << layer;
        if (at(++j) == "IPcbVia::ConnectionStyle" + args) ++j;
      }
    }
    EXPECT_NE(at(j).rfind("IPcbVia::", 0), 0u) << via << ": a question after the last layer: " << at(j);
  }
  EXPECT_GE(vias, 2u);
}

TEST_P(HostProgram, AMissingEntryPointGivesDefaultsWhileTheOthersWork) {
  const std::string out = out_ / "board.hyp";
  RunResult r = Export(Example("two-layer.json"), out, "--omit-entry PcbApi_QueryTrack");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const std::string content = ReadFile(out);
  // The outline tracks read as zeros; the arc and the stack-up are intact.
  EXPECT_NE(content.find("(PERIMETER_SEGMENT X1=0.0000 Y1=0.0000 X2=0.0000 Y2=0.0000)"), std::string::npos);
  EXPECT_NE(content.find("(PERIMETER_ARC X1=2.0000 Y1=1.3000 X2=1.8000 Y2=1.5000 XC=1.8000 YC=1.3000 R=0.2000)"),
            std::string::npos)
      << content;
  EXPECT_NE(content.find("L=Bottom_Layer"), std::string::npos);
}

TEST_P(HostProgram, WithoutABoardTheFrameUsesDefaultNames) {
  const std::string out = out_ / "board.hyp";
  RunResult r = Export(Example("two-layer.json"), out, "--no-board");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(
      tqtest::HypLines(ReadFile(out)),
      (std::vector<std::string>{"{VERSION=2.14}", "", "{UNITS=ENGLISH LENGTH}", "", "{BOARD ", "}", "", "{STACKUP",
                                "  (OPTIONS USE_DIE_FOR_METAL=NO)", "}", "", "{DEVICES", "}", "", "", "{END}"}));
}

TEST_P(HostProgram, AnUnknownFormatIsRefused) {
  const std::string out = out_ / "board.hyp";
  RunResult r = Export(Example("two-layer.json"), out, "--format 'HyperLynx File (*.hyp)'");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(LeftoverTempFiles(), 0);
}

// The host program as a newcomer runs it: absolute names of both systems
// (under wine a Linux one too), and one line on success naming the
// destination and what it holds.
TEST_P(HostProgram, TakesAbsoluteNamesOfBothSystemsAndSaysWhatItWrote) {
  const std::string expected = ReadFile(std::string(TQ_SOURCE_DIR "/tests/e2e/expected/two-layer.json.hyp"));
  std::vector<std::string> spellings = {P(out_ / "a.hyp")};
  if (GetParam() == Target::Windows) spellings.push_back(out_ / "b.hyp");  // /tmp/... under wine
  for (const std::string& name : spellings) {
    const std::string board = GetParam() == Target::Windows ? Example("two-layer.json") : P(Example("two-layer.json"));
    const std::string args =
        "export " + Quote(board) + " " + Quote(name) + " --temp-dir " + Quote(temp_.path().string());
    RunResult r = GetParam() == Target::Windows ? tqtest::RunWine("quorvex-host.exe", args)
                                                : RunCommand(Quote(TQ_BIN_DIR "/quorvex-host") + " " + args);
    ASSERT_EQ(r.exitCode, 0) << name << "\n" << r.output;
    const std::string written = name.rfind("Z:", 0) == 0 ? name.substr(2) : name;
    EXPECT_EQ(ReadFile(written), expected) << name;
    r.output.erase(std::remove(r.output.begin(), r.output.end(), '\r'), r.output.end());
    EXPECT_EQ(r.output, "exported to " + Absolute(written) + ": 2 nets, 4 pins, 1 vias, 4 padstacks, 2 devices\n");
  }
}

// The Windows host takes its arguments as the system gives them: a name
// the code page cannot hold is refused, never turned into a look-alike that
// names an existing file (U+2102 into "C", U+221E into "8", U+FF41 into "a").
// Linux takes every name as it is.
TEST_P(HostProgram, ANameTheCodePageCannotHoldIsRefusedNotMadeALookAlike) {
  const std::string expected = ReadFile(std::string(TQ_SOURCE_DIR "/tests/e2e/expected/two-layer.json.hyp"));
  const std::pair<std::string, std::string> names[] = {{"\xE2\x84\x82.hyp", "C.hyp"},
                                                       {"\xE2\x88\x9E.hyp", "8.hyp"},
                                                       {"\xEF\xBD\x81.hyp", "a.hyp"},
                                                       {"\xE6\x9D\xBF.hyp", "x.hyp"}};
  for (const auto& [name, existing] : names) {
    WriteFile(out_ / existing, "an unrelated file");
    RunResult r = Export(Example("two-layer.json"), out_ / name);
    EXPECT_TRUE(ReadFile(out_ / existing) == "an unrelated file") << name << " overwrote " << existing;
    if (GetParam() == Target::Linux) {
      EXPECT_EQ(r.exitCode, 0) << name << "\n" << r.output;
      EXPECT_EQ(ReadFile(out_ / name), expected) << name;
      continue;
    }
    EXPECT_EQ(r.exitCode, 2) << name << "\n" << r.output;
    EXPECT_NE(r.output.find("the argument \"" + P(out_ / name) + "\" holds characters that the system's code page"),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(std::filesystem::exists(out_ / name)) << name;
  }
  EXPECT_EQ(LeftoverTempFiles(), 0);
}

// Where the code page is UTF-8 (here through an application manifest's
// activeCodePage beside a copy of the program) every name can be written:
// the wide arguments convert without the best-fit flags, which UTF-8 does
// not take, and the exporter receives the name as given.
TEST_P(HostProgram, WithTheUtf8CodePageEveryNameIsTaken) {
  if (GetParam() == Target::Linux) GTEST_SKIP() << "Linux takes every name as it is";
  const ScratchDir bin;
  for (const char* file : {"quorvex-host.exe", "Tarnquil.dll", "Brondel.dll", "WorkspaceManager.DLL"})
    std::filesystem::copy_file(tqtest::Win32Bin() + "/" + file, bin / file);
  WriteFile(bin / "quorvex-host.exe.manifest",
            R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly manifestVersion="1.0" xmlns="urn:schemas-microsoft-com:asm.v1">
  <assemblyIdentity type="win32" name="Quorvex.Host" version="1.0.0.0"/>
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>
    </windowsSettings>
  </application>
</assembly>
)");
  const std::string expected = ReadFile(std::string(TQ_SOURCE_DIR "/tests/e2e/expected/two-layer.json.hyp"));
  for (const std::string name : {"\xE2\x84\x82.hyp", "\xE6\x9D\xBF.hyp"}) {
    RunResult r = RunCommand(tqtest::WineEnv() + "wine " + Quote(bin / "quorvex-host.exe") + " export " +
                             Quote(P(Example("two-layer.json"))) + " " + Quote(P(out_ / name)) + " --temp-dir " +
                             Quote(P(temp_.path().string())));
    EXPECT_EQ(r.exitCode, 0) << name << "\n" << r.output;
    EXPECT_EQ(ReadFile(out_ / name), expected) << name;
    EXPECT_NE(r.output.find("exported to " + Absolute(out_ / name) + ": "), std::string::npos) << r.output;
  }
}

// The progress display shows on a terminal only (`script` gives the program
// one; wine then gives it a console), not in a file, a pipe or /dev/null,
// which wine reports as a character device too. On the terminal, with escape
// sequences and blanks taken out (wine's console moves the cursor instead of
// writing a blank), the line shows its start and its end.
TEST_P(HostProgram, ShowsTheProgressOfTheRunOnATerminalOnly) {
  if (RunCommand("command -v script").exitCode != 0) GTEST_SKIP() << "script (util-linux) is not installed";
  const std::string out = out_ / "board.hyp";
  const std::string args = "export " + Quote(P(Example("four-layer.json"))) + " " + Quote(P(out));
  const std::string command =
      GetParam() == Target::Windows
          ? tqtest::WineEnv() + "wine " + Quote(tqtest::Win32Bin() + "/quorvex-host.exe") + " " + args
          : Quote(TQ_BIN_DIR "/quorvex-host") + " " + args;
  RunResult onTerminal = RunCommand("script -qec " + Quote(command) + " /dev/null");
  EXPECT_EQ(onTerminal.exitCode, 0) << onTerminal.output;
  const std::string shown = std::regex_replace(
      std::regex_replace(onTerminal.output, std::regex("\x1b\\[[?0-9;]*[A-Za-z]"), ""), std::regex("\\s"), "");
  // The caption names the file without its folders where the whole path
  // would not fit the terminal's width.
  EXPECT_NE(shown.find("Savingboard.hyp(HyperLynx)[...."), std::string::npos) << shown;
  // The full bar, then the host's message list (four-layer.json has lines
  // there), then the summary.
  const std::size_t full = shown.find("(HyperLynx)[##############################]100%");
  EXPECT_NE(full, std::string::npos) << shown;
  EXPECT_NE(shown.find("exportedto", full), std::string::npos) << shown;
  RunResult piped = RunCommand(command);
  EXPECT_EQ(piped.exitCode, 0) << piped.output;
  EXPECT_EQ(piped.output.find("(HyperLynx) ["), std::string::npos) << piped.output;
}

// Another program changes the finished temporary file while the host waits
// just before the commit (--pause-before-commit): the destination keeps its
// content, the message says what happened, and the program says the
// destination did not receive the export (4; 1 in test mode, the Windows
// runs). A destination removed meanwhile counts as not received too.
TEST_P(HostProgram, OnlyTheFileWrittenReachesTheDestination) {
  const std::string other = out_ / "other.hyp";
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path&)> change;
    const char* why;  // on Linux; under wine a link may show as another file
    bool removeDestination = false;
    bool heldOnWindows = false;  // a Windows program's change, which the hold refuses
  };
  // A Windows program writes into the file and removes it: both refused
  // while the export holds it, which then arrives whole.
  const auto windowsProgram = [&](const std::filesystem::path& p) {
    std::string name = P(p.string());
    std::replace(name.begin(), name.end(), '/', '\\');
    RunCommand(tqtest::WineEnv() + "wine cmd /c " + Quote("echo x>> " + name + " & del " + name));
  };
  const Case cases[] = {
      {"truncated", [](const std::filesystem::path& p) { std::filesystem::resize_file(p, 0); },
       "(it holds 0 bytes, not "},
      {"replaced by another file",
       [&](const std::filesystem::path& p) {
         WriteFile(other, "another file");
         std::filesystem::rename(other, p);
       },
       "(another file stands in its place)"},
      {"replaced by a link",
       [&](const std::filesystem::path& p) {
         WriteFile(other, "another file");
         std::filesystem::remove(p);
         std::filesystem::create_symlink(other, p);
       },
       "(a link stands in its place)"},
      {"truncated, the destination removed", [](const std::filesystem::path& p) { std::filesystem::resize_file(p, 0); },
       "(it holds 0 bytes, not ", true},
      {"a Windows program writes and removes it", windowsProgram, "", false, true},
  };
  const std::string pause = out_ / "pause";
  const std::string expected = ReadFile(std::string(TQ_SOURCE_DIR "/tests/e2e/expected/two-layer.json.hyp"));
  for (const Case& c : cases) {
    if (c.heldOnWindows && GetParam() == Target::Linux) continue;
    const std::string dest = out_ / "board.hyp";
    WriteFile(dest, "old");
    auto run = std::async(std::launch::async, [&] {
      return Export(Example("two-layer.json"), dest, "--pause-before-commit " + Quote(P(pause)));
    });
    for (int i = 0; i < 1200 && !std::filesystem::exists(pause + ".ready"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (const auto& e : std::filesystem::directory_iterator(temp_.path())) c.change(e.path());
    if (c.removeDestination) std::filesystem::remove(dest);
    WriteFile(pause + ".go", "");
    const RunResult r = run.get();
    if (c.heldOnWindows) {
      EXPECT_EQ(r.exitCode, 0) << c.what << "\n" << r.output;
      EXPECT_EQ(ReadFile(dest), expected) << c.what;
    } else {
      EXPECT_EQ(r.exitCode, GetParam() == Target::Windows ? 1 : 4) << c.what << "\n" << r.output;
      EXPECT_NE(r.output.find("was changed by another program before it could be moved there ("), std::string::npos)
          << c.what << "\n"
          << r.output;
      if (GetParam() == Target::Linux) {
        EXPECT_NE(r.output.find(c.why), std::string::npos) << c.what << "\n" << r.output;
      }
      if (c.removeDestination) {
        EXPECT_FALSE(std::filesystem::exists(dest)) << c.what;
      } else {
        EXPECT_EQ(ReadFile(dest), "old") << c.what;
      }
    }
    for (const std::string& f : {pause + ".ready", pause + ".go", other}) std::filesystem::remove(f);
    std::filesystem::remove_all(temp_.path());
    std::filesystem::create_directories(temp_.path());
  }
}

// --version names the host's and the library's versions, the same build's;
// --help names the program and keeps the developer options apart.
TEST_P(HostProgram, NamesItsVersionsAndItsOptions) {
  auto host = [&](const std::string& args) {
    RunResult r = GetParam() == Target::Windows ? tqtest::RunWine("quorvex-host.exe", args)
                                                : RunCommand(Quote(TQ_BIN_DIR "/quorvex-host") + " " + args);
    r.output.erase(std::remove(r.output.begin(), r.output.end(), '\r'), r.output.end());
    return r;
  };
  const RunResult version = host("--version");
  EXPECT_EQ(version.exitCode, 0) << version.output;
  std::smatch m;
  ASSERT_TRUE(std::regex_match(version.output, m,
                               std::regex("quorvex-host ([0-9]+[.][0-9]+[.][0-9]+\\S*)\nexporter library .*"
                                          "(Tarnquil[.]dll|libTarnquil[.]so): (\\S+)\n")))
      << version.output;
  EXPECT_EQ(m[1].str(), m[3].str());
  const RunResult help = host("export --help");
  EXPECT_EQ(help.exitCode, 0) << help.output;
  EXPECT_EQ(help.output.rfind("Export a board document", 0), 0u) << help.output;
  EXPECT_NE(help.output.find("Usage: quorvex-host export [OPTIONS] BOARD OUT"), std::string::npos) << help.output;
  const std::size_t developer = help.output.find("Developer options");
  ASSERT_NE(developer, std::string::npos) << help.output;
  for (const char* flag : {"--hostile-strings", "--x87-precision", "--omit-entry"}) {
    EXPECT_GT(help.output.find(flag), developer) << flag;
  }
  EXPECT_LT(help.output.find("--library"), developer);
}

// On a terminal every message of the exporter stands on a line of its own:
// one during the run (Linux; under wine test mode ends the run at the first
// message) ends the progress line first, and one about the file comes after
// the display has ended.
TEST_P(HostProgram, AMessageOnATerminalStandsOnALineOfItsOwn) {
  if (RunCommand("command -v script").exitCode != 0) GTEST_SKIP() << "script (util-linux) is not installed";
  struct Case {
    const char* what;
    std::string options;
    bool readOnly;
    std::string message;  // on Linux; under wine in test mode's form
  };
  const Case cases[] = {
      {"during the run", "--fail PcbApi_GetObjectIdFromObjectHandle:0", false, "Error in TTranslator."},
      {"about the file", "", true, "The file "},
  };
  for (const Case& c : cases) {
    if (GetParam() == Target::Windows && !c.readOnly) continue;
    const std::string out = out_ / "board.hyp";
    std::filesystem::remove(out);
    if (c.readOnly) {
      WriteFile(out, "old");
      ASSERT_EQ(::chmod(out.c_str(), 0444), 0);
    }
    const std::string args = "export " + Quote(P(Example("four-layer.json"))) + " " + Quote(P(out)) + " " + c.options;
    const std::string command =
        GetParam() == Target::Windows
            ? tqtest::WineEnv() + "wine " + Quote(tqtest::Win32Bin() + "/quorvex-host.exe") + " " + args
            : Quote(TQ_BIN_DIR "/quorvex-host") + " " + args;
    const RunResult r = RunCommand("script -qec " + Quote(command) + " /dev/null");
    // Blanks out (wine's console moves the cursor instead of writing them);
    // line ends stay.
    auto unblanked = [](const std::string& text) {
      return std::regex_replace(std::regex_replace(text, std::regex("\x1b\\[[?0-9;]*[A-Za-z]"), ""),
                                std::regex("[ \t\r]"), "");
    };
    const std::string shown = unblanked(r.output);
    const std::string head = GetParam() == Target::Windows ? "ShowDialogWithCaption withError " : "[Error] ";
    const std::size_t at = shown.find(unblanked(head + c.message));
    ASSERT_NE(at, std::string::npos) << c.what << "\n" << shown;
    EXPECT_TRUE(at > 0 && shown[at - 1] == '\n') << c.what << "\n" << shown;
    EXPECT_NE(shown.find("%"), std::string::npos) << c.what << ": no progress line\n" << shown;
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, HostProgram, testing::Values(Target::Linux, Target::Windows), TargetName);

}  // namespace
