// The Windows build: its export and import tables, and runs under wine that
// must write exactly what the Linux build writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <set>
#include <sstream>

#include "Wine.h"

namespace {

using tqtest::Quote;
using tqtest::RunCommand;

std::string ObjdumpP(const std::string& file) {
  return RunCommand("i686-w64-mingw32-objdump -p " + Quote(file)).output;
}

TEST(WindowsBuild, DllExportsExactlyTheThreeUndecoratedNames) {
  if (!std::filesystem::exists(tqtest::Win32Bin() + "/Tarnquil.dll")) GTEST_SKIP() << "the Windows build is missing";
  const std::string dump = ObjdumpP(tqtest::Win32Bin() + "/Tarnquil.dll");
  ASSERT_NE(dump.find("file format pei-i386"), std::string::npos) << "not a 32-bit DLL";
  const std::size_t table = dump.find("[Ordinal/Name Pointer] Table");
  ASSERT_NE(table, std::string::npos);
  std::set<std::string> names;
  std::regex entry(R"(\[\s*\d+\]\s+(\S+))");
  std::string rest = dump.substr(table);
  rest = rest.substr(0, rest.find("\n\n"));
  for (std::sregex_iterator it(rest.begin(), rest.end(), entry), end; it != end; ++it) names.insert((*it)[1]);
  EXPECT_EQ(names, (std::set<std::string>{"ExportFileFromPcb", "GetPcbExporterDescription", "RecognisedPcbFormat"}));
}

TEST(WindowsBuild, DllNeedsOnlySystemLibraries) {
  if (!std::filesystem::exists(tqtest::Win32Bin() + "/Tarnquil.dll")) GTEST_SKIP() << "the Windows build is missing";
  const std::string dump = ObjdumpP(tqtest::Win32Bin() + "/Tarnquil.dll");
  const std::set<std::string> system = {"KERNEL32.dll", "USER32.dll", "ADVAPI32.dll", "msvcrt.dll"};
  std::regex dll(R"(DLL Name: (\S+))");
  int count = 0;
  for (std::sregex_iterator it(dump.begin(), dump.end(), dll), end; it != end; ++it, ++count)
    EXPECT_TRUE(system.count((*it)[1]) == 1) << "unexpected import " << (*it)[1];
  EXPECT_GT(count, 0);
}

TEST(WindowsBuild, UnderWineTheExportWritesWhatLinuxWrites) {
  TQ_REQUIRE_WINE();
  tqtest::ScratchDir dir;
  const std::string windowsOut = dir / "windows.hyp";
  const std::string linuxOut = dir / "linux.hyp";
  tqtest::RunResult win = tqtest::RunWine("tq-export-probe.exe",
                                          Quote(tqtest::Win32Bin() + "/Tarnquil.dll") + " " + Quote("Z:" + windowsOut));
  ASSERT_EQ(win.exitCode, 0) << win.output;
  EXPECT_NE(win.output.find("format: HyperLynx File (*.HYP)"), std::string::npos) << win.output;
  tqtest::RunResult lin = RunCommand(Quote(TQ_BIN_DIR "/tq-export-probe") + " " + Quote(TQ_BIN_DIR "/libTarnquil.so") +
                                     " " + Quote(linuxOut));
  ASSERT_EQ(lin.exitCode, 0) << lin.output;
  const std::string a = tqtest::ReadFile(windowsOut);
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, tqtest::ReadFile(linuxOut));
}

TEST(WindowsBuild, TestModeKeyTurnsMessagesIntoOneLineAndExitCodeOne) {
  TQ_REQUIRE_WINE();
  tqtest::RunResult r = tqtest::RunWine("tq-message-probe.exe", "error Oops");
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_NE(r.output.find("ShowDialogWithCaption withError Oops"), std::string::npos) << r.output;
}

// Where no dialog can be shown (wine without a display; Linux has none) the
// message reaches standard error with its caption, in one form on both
// targets, and the program goes on as after OK.
TEST(WindowsBuild, AMessageThatCannotBeShownReachesStandardErrorOnBothTargets) {
  TQ_REQUIRE_WINE();
  // The lines of an output, in order, without carriage returns: the
  // message's line on standard error and the modal result on standard
  // output may reach the pipe in either order under wine.
  auto lines = [](const std::string& text) {
    std::multiset<std::string> set;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      set.insert(line);
    }
    return set;
  };
  for (const char* kind : {"error", "warning"}) {
    const std::string args = std::string("dialog ") + kind + " " + Quote("C:\\b\\x.hyp is full: 100%.");
    const std::multiset<std::string> expected = {
        std::string(std::string(kind) == "error" ? "[Error]" : "[Warning]") + " C:\\b\\x.hyp is full: 100%.",
        "result 1"};
    tqtest::RunResult win = tqtest::RunWine("tq-message-probe.exe", args);
    EXPECT_EQ(win.exitCode, 0) << win.output;
    EXPECT_EQ(lines(win.output), expected) << kind;
    tqtest::RunResult lin = RunCommand(Quote(TQ_BIN_DIR "/tq-message-probe") + " " + args);
    EXPECT_EQ(lin.exitCode, 0) << lin.output;
    EXPECT_EQ(lines(lin.output), expected) << kind;
  }
}

}  // namespace
