// What a release carries: the version in Tarnquil.dll's version resource (and
// in libTarnquil.so), the release archive of the win32 build, the change
// log's newest version, and the designers' guide, whose HYP lines must be
// what the example boards export.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

#include "TestSupport.h"
#include "Wine.h"

namespace {

using tqtest::Quote;
using tqtest::ReadFile;
using tqtest::RunCommand;
using tqtest::RunResult;
using tqtest::WriteFile;
namespace fs = std::filesystem;

// The project's version; a build claims it, or it with a suffix that tells
// the build apart (cmake/BuildVersion.cmake).
constexpr const char* kVersion = TQ_PROJECT_VERSION;

// The version the build rule gives for a source tree as it is now.
std::string VersionOf(const fs::path& sourceTree, const std::string& base = kVersion) {
  RunResult r = RunCommand("cmake -DSOURCE_DIR=" + Quote(sourceTree.string()) + " -DBASE_VERSION=" + base + " -P " +
                           Quote(TQ_SOURCE_DIR "/cmake/BuildVersion.cmake"));
  if (r.exitCode != 0) throw std::runtime_error(r.output);
  while (!r.output.empty() && r.output.back() == '\n') r.output.pop_back();
  return r.output;
}

// The version a build wrote for itself (generated/version.txt).
std::string BuiltVersion(const std::string& buildDir) {
  std::string text = ReadFile(fs::path(buildDir) / "generated/version.txt");
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// A scratch git repository: its commits and changes make the builds of the
// rule's table.
class ScratchRepo {
 public:
  ScratchRepo() { Git("init -q"); }
  std::string Git(const std::string& args) const {
    RunResult r = RunCommand("cd " + Quote(dir_.path().string()) +
                             " && git -c user.name=T -c user.email=t@example.org -c commit.gpgsign=false " + args);
    if (r.exitCode != 0) throw std::runtime_error("git " + args + ": " + r.output);
    while (!r.output.empty() && r.output.back() == '\n') r.output.pop_back();
    return r.output;
  }
  void Commit(const std::string& message) {
    WriteFile(dir_ / "source.txt", std::to_string(++commits_));
    WriteFile(dir_ / ".git/message", message);
    Git("add -A && git -c user.name=T -c user.email=t@example.org commit -q -F .git/message");
  }
  std::string Head() const { return Git("rev-parse --short=7 HEAD"); }
  const fs::path& path() const { return dir_.path(); }

 private:
  tqtest::ScratchDir dir_;
  int commits_ = 0;
};

// The rule, step by step through one history: only the release commit of the
// version, unchanged, claims the version itself.
TEST(Release, OnlyTheReleaseCommitUnchangedClaimsTheVersion) {
  ScratchRepo repo;
  EXPECT_EQ(VersionOf(repo.path(), "0.2.0"), "0.2.0+unknown") << "a repository without commits";
  struct Step {
    const char* what;
    std::function<void()> change;
    std::function<std::string()> expected;
  } steps[] = {
      {"a commit before any release", [&] { repo.Commit("Work"); }, [&] { return "0.2.0+g" + repo.Head(); }},
      {"the release commit", [&] { repo.Commit("Release 0.2.0\n\nRelease: 0.2.0"); }, [] { return "0.2.0"; }},
      {"a changed tracked file", [&] { WriteFile(repo.path() / "source.txt", "changed"); },
       [&] { return "0.2.0+0.g" + repo.Head() + ".dirty"; }},
      {"a new file git does not ignore",
       [&] { repo.Git("checkout -q -- source.txt"), WriteFile(repo.path() / "new.txt", "x"); },
       [&] { return "0.2.0+0.g" + repo.Head() + ".dirty"; }},
      {"an ignored file",
       [&] {
         fs::remove(repo.path() / "new.txt"), WriteFile(repo.path() / ".git/info/exclude", "build/\n"),
             fs::create_directories(repo.path() / "build"), WriteFile(repo.path() / "build/x", "x");
       },
       [] { return "0.2.0"; }},
      {"a commit after the release", [&] { repo.Commit("More work"); }, [&] { return "0.2.0+1.g" + repo.Head(); }},
      {"the release line of another version", [&] { repo.Commit("Old\n\nRelease: 0.1.0"); },
       [&] { return "0.2.0+2.g" + repo.Head(); }},
      {"a line that only looks like the release line",
       [&] { repo.Commit("Release: 0x2y0\nRelease: 0.2.0.1\n Release: 0.2.0"); },
       [&] { return "0.2.0+3.g" + repo.Head(); }},
      {"the release made again", [&] { repo.Commit("Release 0.2.0 again\n\nRelease: 0.2.0"); }, [] { return "0.2.0"; }},
  };
  for (const Step& step : steps) {
    step.change();
    EXPECT_EQ(VersionOf(repo.path(), "0.2.0"), step.expected()) << step.what;
  }
  // A source tree without a repository of its own, also one inside another
  // repository's work tree, cannot say which commit it is.
  fs::create_directories(repo.path() / "inner");
  EXPECT_EQ(VersionOf(repo.path() / "inner", "0.2.0"), "0.2.0+unknown");
  tqtest::ScratchDir plain;
  EXPECT_EQ(VersionOf(plain.path(), "0.2.0"), "0.2.0+unknown");
}

// --- The version resource, as the resource compiler reads it back from the
// built DLL (windres decompiles the resource section of a PE file).

struct VersionInfo {
  std::string fileVersion, productVersion;  // the numeric versions, "a.b.c.d"
  std::map<std::string, std::string> strings;
};

VersionInfo ReadVersionResource(const std::string& dll) {
  RunResult r = RunCommand("i686-w64-mingw32-windres -i " + Quote(dll) + " -O rc");
  if (r.exitCode != 0) throw std::runtime_error(r.output);
  VersionInfo info;
  const std::regex number(R"(^\s*(FILEVERSION|PRODUCTVERSION)\s+(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\s*$)");
  const std::regex text(R"re(^\s*VALUE\s+"([^"]*)",\s*"([^"]*)"\s*$)re");
  std::istringstream in(r.output);
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (std::regex_match(line, m, number))
      (m[1] == "FILEVERSION" ? info.fileVersion : info.productVersion) =
          m[2].str() + "." + m[3].str() + "." + m[4].str() + "." + m[5].str();
    else if (std::regex_match(line, m, text))
      info.strings[m[1]] = m[2];
  }
  return info;
}

// Each library carries the version its build worked out, which is the
// rule's answer for the source tree as it is; the numeric versions of the
// resource are the project's version alone.
TEST(Release, BothLibrariesCarryTheVersionOfTheirBuild) {
  const std::string native = BuiltVersion(fs::path(TQ_BIN_DIR).parent_path().string());
  EXPECT_EQ(native, VersionOf(TQ_SOURCE_DIR)) << "the build is older than the source tree, or did not work it out";
  EXPECT_TRUE(native == kVersion || native.rfind(std::string(kVersion) + "+", 0) == 0) << native;
  tqtest::ScratchDir dir;
  RunResult r = RunCommand("objcopy -O binary --only-section=.tarnquil_version " + Quote(TQ_BIN_DIR "/libTarnquil.so") +
                           " " + Quote(dir / "version"));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(ReadFile(dir / "version"), native + '\0');

  const std::string dll = tqtest::Win32Bin() + "/Tarnquil.dll";
  if (!fs::exists(dll)) GTEST_SKIP() << "the Windows build is missing";
  const std::string windows = BuiltVersion(fs::path(tqtest::Win32Bin()).parent_path().string());
  EXPECT_EQ(windows, VersionOf(TQ_SOURCE_DIR)) << "the Windows build is older than the source tree";
  VersionInfo info = ReadVersionResource(dll);
  EXPECT_EQ(info.fileVersion, std::string(kVersion) + ".0");
  EXPECT_EQ(info.productVersion, std::string(kVersion) + ".0");
  const std::map<std::string, std::string> expected = {{"FileVersion", kVersion},
                                                       {"ProductVersion", windows},
                                                       {"ProductName", "Tarnquil"},
                                                       {"InternalName", "Tarnquil"},
                                                       {"OriginalFilename", "Tarnquil.dll"}};
  for (const auto& [key, value] : expected) EXPECT_EQ(info.strings[key], value) << key;
  EXPECT_NE(info.strings["FileDescription"].find("HyperLynx File (*.HYP)"), std::string::npos)
      << info.strings["FileDescription"];
}

// --- The release archive: made by the win32 build's package target.

TEST(Release, ArchiveHoldsTheDllJustBuiltWithTheGuideAndTheChangeLog) {
  if (!fs::exists(tqtest::Win32Bin() + "/Tarnquil.dll")) GTEST_SKIP() << "the Windows build is missing";
  const std::string build = fs::path(tqtest::Win32Bin()).parent_path().string();
  RunResult made = RunCommand("cmake --build " + Quote(build) + " --target package");
  ASSERT_EQ(made.exitCode, 0) << made.output;

  const std::string top = "Tarnquil-" + BuiltVersion(build) + "-win32";
  const std::string zip = build + "/" + top + ".zip";
  tqtest::ScratchDir dir;
  RunResult list = RunCommand("cd " + Quote(dir.path().string()) + " && cmake -E tar tf " + Quote(zip));
  ASSERT_EQ(list.exitCode, 0) << list.output;
  std::set<std::string> files;
  std::istringstream in(list.output);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line.back() != '/') files.insert(line);
  // What the archive holds, and where each file comes from.
  const std::map<std::string, std::string> expected = {
      {top + "/Tarnquil.dll", tqtest::Win32Bin() + "/Tarnquil.dll"},
      {top + "/user-guide.md", TQ_SOURCE_DIR "/docs/user-guide.md"},
      {top + "/images/sensor-node.png", TQ_SOURCE_DIR "/docs/images/sensor-node.png"},
      {top + "/CHANGELOG.md", TQ_SOURCE_DIR "/CHANGELOG.md"}};
  std::set<std::string> expectedNames;
  for (const auto& [name, source] : expected) expectedNames.insert(name);
  EXPECT_EQ(files, expectedNames);

  RunResult unpacked = RunCommand("cd " + Quote(dir.path().string()) + " && cmake -E tar xf " + Quote(zip));
  ASSERT_EQ(unpacked.exitCode, 0) << unpacked.output;
  for (const auto& [name, source] : expected) {
    const std::string packed = ReadFile(dir / name), original = ReadFile(source);
    EXPECT_FALSE(original.empty()) << source;
    EXPECT_TRUE(packed == original) << name << " differs from " << source << " (" << packed.size() << " against "
                                    << original.size() << " bytes)";
  }
}

TEST(Release, ChangeLogsNewestVersionIsTheProjectsVersion) {
  const std::string log = ReadFile(TQ_SOURCE_DIR "/CHANGELOG.md");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(log, m, std::regex(R"(\n## \[(\d+\.\d+\.\d+)\])"))) << "no version heading";
  EXPECT_EQ(m[1].str(), kVersion);
}

// --- The designers' guide: every fenced block "```hyp examples/BOARD.json"
// shows lines of that board's export.

struct HypBlock {
  int line = 0;       // where the block starts in the guide
  std::string board;  // the example it quotes
  std::vector<std::string> lines;
};

std::vector<HypBlock> HypBlocksOf(const std::string& markdown) {
  std::vector<HypBlock> blocks;
  std::istringstream in(markdown);
  std::optional<HypBlock> open;
  bool inOtherBlock = false;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.rfind("```", 0) == 0) {
      if (open) {
        blocks.push_back(*open);
        open.reset();
      } else if (inOtherBlock) {
        inOtherBlock = false;
      } else if (line.rfind("```hyp", 0) == 0) {
        open = HypBlock{number, line.size() > 7 ? line.substr(7) : std::string(), {}};
      } else {
        inOtherBlock = true;
      }
    } else if (open) {
      open->lines.push_back(line);
    }
  }
  return blocks;
}

// The first run of shown lines that is not in the file. Shown lines follow
// each other in the file, except across a line "...", which stands for lines
// left out; the runs come in the file's order.
std::string MissingRun(const std::vector<std::string>& file, const std::vector<std::string>& shown) {
  auto from = file.begin();
  for (auto run = shown.begin(); run != shown.end();) {
    if (*run == "...") {
      ++run;
      continue;
    }
    const auto runEnd = std::find(run, shown.end(), "...");
    const auto found = std::search(from, file.end(), run, runEnd);
    if (found == file.end()) {
      std::string text;
      for (auto it = run; it != runEnd; ++it) text += *it + "\n";
      return text;
    }
    from = found + (runEnd - run);
    run = runEnd;
  }
  return {};
}

TEST(UserGuide, EveryHypLineItShowsIsWhatItsExampleExports) {
  const std::string guide = ReadFile(TQ_SOURCE_DIR "/docs/user-guide.md");
  const std::vector<HypBlock> blocks = HypBlocksOf(guide);
  ASSERT_GE(blocks.size(), 3U) << "the guide shows no HYP lines";
  tqtest::ScratchDir dir;
  std::map<std::string, std::vector<std::string>> exports;
  for (const HypBlock& block : blocks) {
    SCOPED_TRACE("the block at line " + std::to_string(block.line) + " of docs/user-guide.md");
    ASSERT_EQ(block.board.rfind("examples/", 0), 0U) << "it names no example board";
    if (exports.count(block.board) == 0) {
      const std::string out = dir / (fs::path(block.board).stem().string() + ".hyp");
      RunResult r = RunCommand(Quote(TQ_BIN_DIR "/quorvex-host") + " export " + Quote(TQ_SOURCE_DIR "/" + block.board) +
                               " " + Quote(out));
      ASSERT_EQ(r.exitCode, 0) << r.output;
      exports[block.board] = tqtest::HypLines(ReadFile(out));
    }
    EXPECT_EQ(MissingRun(exports[block.board], block.lines), "") << "not in the export of " << block.board;
  }

  // The pictures it shows are there.
  const std::regex image(R"(!\[[^\]]*\]\(([^)]+)\))");
  for (std::sregex_iterator it(guide.begin(), guide.end(), image), end; it != end; ++it)
    EXPECT_TRUE(fs::exists(fs::path(TQ_SOURCE_DIR "/docs") / (*it)[1].str())) << (*it)[1];
}

TEST(UserGuide, TheLineCheckFindsRunsInOrderOnly) {
  const std::vector<std::string> file = {"{A", "  (1)", "  (2)", "}", "{B", "  (3)", "}"};
  struct Case {
    std::vector<std::string> shown;
    bool found;
  } cases[] = {
      {{"{A", "  (1)", "  (2)", "}"}, true}, {{"{A", "...", "}", "{B"}, true},
      {{"  (2)", "...", "  (3)"}, true},     {{"{A", "  (2)"}, false},  // adjacent in the guide, not in the file
      {{"{B", "...", "{A"}, false},                                     // out of order
      {{"{A", "...", "  (4)"}, false}                                   // not in the file
  };
  for (const Case& c : cases) EXPECT_EQ(MissingRun(file, c.shown).empty(), c.found) << c.shown.front();
}

}  // namespace
