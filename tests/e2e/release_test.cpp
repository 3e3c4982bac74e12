// What a release carries: the version in Tarnquil.dll's version resource (and
// in libTarnquil.so), the release archive of the win32 build, the change
// log's newest version, and the designers' guide, whose HYP lines must be
// what the example boards export.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string_view>

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
  };
  for (const Step& step : steps) {
    step.change();
    EXPECT_EQ(VersionOf(repo.path(), "0.2.0"), step.expected()) << step.what;
  }
  // The release made again would be a second build that claims 0.2.0: the
  // rule refuses the version and names both commits, the newest first.
  const std::string first = repo.Git("log -1 --format=%h -E --grep=^Release:.0[.]2[.]0$");
  repo.Commit("Release 0.2.0; again\n\nRelease: 0.2.0");
  try {
    const std::string claimed = VersionOf(repo.path(), "0.2.0");
    ADD_FAILURE() << "a version claimed twice builds as " << claimed;
  } catch (const std::runtime_error& refusal) {
    const std::string text = std::regex_replace(refusal.what(), std::regex(R"(\s+)"), " ");
    EXPECT_NE(text.find("Version 0.2.0 is claimed by 2 release commits, the newest first: " + repo.Head() +
                        " (\"Release 0.2.0, again\"), " + first + " (\"Release 0.2.0\")."),
              std::string::npos)
        << text;
  }
  EXPECT_EQ(VersionOf(repo.path(), "0.3.0"), "0.3.0+g" + repo.Head()) << "the next version builds";
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

// The text after a keyword of a PNG text chunk (stored uncompressed): at
// most its first n characters.
std::string PngText(const std::string& png, const std::string& keyword, std::size_t n) {
  const std::size_t at = png.find("tEXt" + keyword + '\0');
  return at == std::string::npos ? "" : png.substr(at + 5 + keyword.size(), n);
}

// The picture was drawn from the sensor-node example's export as it is now
// (scripts/guide-picture.sh stamps the export's SHA-256 into it): an example
// or a writer that changes the file makes the picture stale, and this fails
// until it is drawn again.
TEST(UserGuide, ThePictureIsDrawnFromTheExampleAsItExportsNow) {
  tqtest::ScratchDir dir;
  const std::string out = dir / "sensor-node.hyp";
  RunResult r = RunCommand(Quote(TQ_BIN_DIR "/quorvex-host") + " export " +
                           Quote(TQ_SOURCE_DIR "/examples/sensor-node.json") + " " + Quote(out));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  RunResult sum = RunCommand("sha256sum " + Quote(out));
  ASSERT_EQ(sum.exitCode, 0) << sum.output;
  const std::string drawnFrom =
      PngText(ReadFile(TQ_SOURCE_DIR "/docs/images/sensor-node.png"), "tarnquil-export-sha256", 64);
  EXPECT_EQ(drawnFrom, sum.output.substr(0, sum.output.find(' ')))
      << "docs/images/sensor-node.png was drawn from another export: run scripts/guide-picture.sh";
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

// --- The messages the guide quotes: each is what a run of the host program
// shows (natively a message is a line on standard error, the locked-file
// message a line of the host's message list).

// The guide's words as one line: its quotes wrap across lines.
std::string Flowing(const std::string& markdown) {
  std::string text;
  for (char c : markdown) {
    const bool space = c == ' ' || c == '\n';
    if (space && (text.empty() || text.back() == ' ')) continue;
    text += space ? ' ' : c;
  }
  return text;
}

// A quote as a pattern: an *italic* word of the guide stands for any text.
std::regex PatternOf(const std::string& quote) {
  std::string pattern;
  bool placeholder = false;
  for (char c : quote) {
    if (c == '*') {
      placeholder = !placeholder;
      if (placeholder) pattern += ".+";
    } else if (!placeholder) {
      if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern += '\\';
      pattern += c;
    }
  }
  return std::regex(pattern);
}

TEST(UserGuide, EveryMessageItQuotesIsWhatARunShows) {
  const std::string guide = Flowing(ReadFile(TQ_SOURCE_DIR "/docs/user-guide.md"));
  // A via that is not a plain through via, reaching a stack layer without
  // copper; and pads on such a layer, with and without a component.
  const std::string mechanical = R"({"nets": ["GND"], "layers": [{"layer": "TopLayer"},
      {"layer": "Mechanical1", "name": "Mech 1"}, {"layer": "BottomLayer"}], )";
  const std::string viaThroughMechanical = mechanical + R"("vias": [{"x": "100mil", "net": "GND", "stackMode": 2,
      "layers": [{"layer": "TopLayer", "size": "30mil"}]}]})";
  const std::string padsWithoutCopper = mechanical + R"("pads": [{"name": "1", "net": "GND", "layer": "Mechanical1"}],
      "components": [{"designator": "U1", "pads": [{"name": "1", "net": "GND", "layer": "Mechanical1"}]}]})";
  const std::string twoLayer = TQ_SOURCE_DIR "/examples/two-layer.json";
  const std::string boards = TQ_SOURCE_DIR "/tests/e2e/boards/";
  const auto nothing = [](const fs::path&) {};
  const auto lockFile = [](const fs::path& dest) {
    return dest.parent_path() / ("~$" + dest.filename().string() + "_loc");
  };
  const auto folderGone = [](const fs::path& dest) { fs::remove(dest.parent_path()); };

  struct Claim {
    std::string quote;    // what the guide says
    std::string message;  // the message a run shows ("" for none)
    std::string board;    // a file, or a document given here
    std::string command;  // options after the destination, or a shell prefix ending in "; "
    std::function<void(const fs::path& dest)> prepare;
    std::string destination = "board.hyp";  // in a folder of its own
    std::string after = "";                 // options after a shell prefix's command
  };
  // Another program changes the finished temporary file while the host
  // waits before the commit: a shell job waits for the host's pause, changes
  // every file of the temporary folder with CHANGE ("$f" names it) and lets
  // the host go on.
  const fs::path changer = fs::temp_directory_path() / ("tq-guide-" + std::to_string(::getpid()));
  const auto changedBy = [&](const std::string& change) {
    const std::string dir = changer.string();
    return "( for i in $(seq 1200); do [ -e " + dir + "/pause.ready ] && break; sleep 0.1; done; for f in " + dir +
           "/tmp/*; do " + change + "; done; : > " + dir + "/pause.go ) & : ; ";
  };
  const auto freshChanger = [&](const fs::path&) {
    fs::remove_all(changer);
    fs::create_directories(changer / "tmp");
  };
  const std::string pausing = "--temp-dir " + Quote((changer / "tmp").string()) + " --pause-before-commit " +
                              Quote((changer / "pause").string());
  const std::string changed =
      "The export could not be saved as *name*: its temporary file *temporary file* was changed by another program "
      "before it could be moved there (*what happened*). The file *name* was not changed.";
  const std::string lockedMessage =
      "*name* is used by *user* on *computer*. You will not be able to save your changes.";
  const std::string unreadableLock = "*name* is used by another process. You will not be able to save your changes.";
  const std::string warning =
      "*N* reads from the PCB server failed: *what*. The file *name* may lack them. For support: *calls*.";
  const std::string noTemp = "No temporary file could be created for the export. The file *name* was not written.";
  const std::string diskFull =
      "The export could not be written completely (is the disk full?). The file *name* was not changed.";
  const std::string kept =
      "The exported file could not be saved as *name* (*reason*). The previous file is "
      "unchanged; the export was kept as *temporary file*.";
  const std::string keptNew =
      "The exported file could not be saved as *name* (*reason*); the export was kept as "
      "*temporary file*.";
  const std::string readOnly = "The file *name* is read-only and was not replaced. The export was not saved.";
  const std::string refused = "The file *name* cannot be saved: *reason*. The export was not saved.";
  // The lines of the message list that tell the file's changes to names,
  // pad shapes and copper, from boards that have several of each.
  std::string dotted = R"({"components": [)";
  for (int i = 0; i < 52; ++i)
    dotted += std::string(i == 0 ? "" : ", ") + R"({"designator": "U.)" + std::to_string(i) + R"("})";
  dotted += "]}";
  const std::string replaced =
      "*N* names hold a double quote or a control character, written '_' (*net A\"B as A_B_2*)";
  const std::string shortened =
      "*N* names are shortened to fit a record of 255 characters (*designator DDDD... (200 characters) as DDDD... "
      "(189 characters)*)";
  const std::string netSuffix =
      "*N* nets are written with a suffix, as another takes the name in the file (*VCC 3V3* as *VCC3V3_2*)";
  const std::string padSuffix =
      "*N* pad names are written with a suffix, as another takes the name in the file (*U1* pad *1.1* as *1_1_2*)";
  const std::string shapes = "*N* pads are written as another shape (*C2.1*: *rounded rectangle* as *rectangle*)";
  const std::string copper =
      "*N* copper areas on signal and plane layers are not in the file (*2 fills, 1 polygon, 2 regions*; the first "
      "*a fill on Top_Layer*)";
  const Claim claims[] = {
      {replaced, replaced, boards + "names.json", "", nothing},
      {shortened, shortened, boards + "names.json", "", nothing},
      {netSuffix, netSuffix, boards + "names.json", "", nothing},
      {padSuffix, padSuffix, boards + "pads-alike.json", "", nothing},
      {"\"*U\"1* is written *U_1_2*\"", "[HYP Export] U\"1 is written U_1_2", boards + "names.json", "", nothing},
      {"\"*N* more designators are written under another name\"",
       "[HYP Export] 2 more designators are written under another name", dotted, "", nothing},
      {shapes, shapes, TQ_SOURCE_DIR "/examples/sensor-node.json", "", nothing},
      {copper, copper, TQ_SOURCE_DIR "/examples/sensor-node.json", "", nothing},
      {lockedMessage, lockedMessage, twoLayer, "",
       [&](const fs::path& dest) { WriteFile(lockFile(dest), "ComputerName=PC7\nUserName=Ann\nProcessID=1\n"); }},
      {unreadableLock, unreadableLock, twoLayer, "",
       [&](const fs::path& dest) { fs::create_directory(lockFile(dest)); }},
      {"\"Error in ConvertToHyperlynxLayer\": the board's layer stack holds a layer that is neither a signal layer "
       "nor an internal plane",
       "[Error] Error in ConvertToHyperlynxLayer", viaThroughMechanical, "", nothing},
      {"A pad on a layer without copper (a mechanical or overlay layer) gives no message, even when it belongs to a "
       "net",
       "", padsWithoutCopper, "", nothing},
      {"\"Error in TTranslator.TranslatePadToString\" or \"Error in TTranslator.TranslateViaToString\": the geometry "
       "of a pin or via could not be matched to a padstack",
       "Error in TTranslator.TranslateViaToString\n[Error] Error in TTranslator.TranslatePadToString", twoLayer,
       "--fail PcbApi_GetObjectIdFromObjectHandle:0", nothing},
      {warning, warning, twoLayer, "--fail PcbApi_QueryTrack:1", nothing},
      {noTemp, noTemp, twoLayer, "--temp-dir /nonexistent/tq", nothing},
      // A file size limit of 4 KiB whose signal is ignored: writing fails.
      {diskFull, diskFull, TQ_SOURCE_DIR "/examples/sensor-node.json", "trap '' XFSZ; ulimit -f 4; ", nothing},
      {kept, kept, twoLayer, "",
       [](const fs::path& dest) {
         WriteFile(dest, "old");
         if (RunCommand("chattr +i " + Quote(dest.string())).exitCode != 0) fs::remove(dest);
       }},
      {keptNew, keptNew, twoLayer, "", folderGone},
      {"*reason* is \"its folder does not exist\" when the folder you chose is gone", "(its folder does not exist)",
       twoLayer, "", folderGone},
      {readOnly, readOnly, twoLayer, "",
       [](const fs::path& dest) {
         WriteFile(dest, "old");
         fs::permissions(dest, fs::perms::owner_read);
       }},
      // Only Windows refuses such a name (Linux takes every name the host
      // can pass): the Windows build under wine.
      {refused, refused, twoLayer, "", nothing, "a?b.hyp"},
      {changed, changed, twoLayer, changedBy(": > \"$f\""), freshChanger, "board.hyp", pausing},
      {"\"it holds 0 bytes, not the *N* written\"", "(it holds 0 bytes, not the *N* written)", twoLayer,
       changedBy(": > \"$f\""), freshChanger, "board.hyp", pausing},
      {"\"a link stands in its place\"", "(a link stands in its place)", twoLayer,
       changedBy("rm \"$f\"; ln -s /dev/null \"$f\""), freshChanger, "board.hyp", pausing},
      // The outline's lines in the host's message list.
      {"\"*N* outline ends less than 0.01 mm from another end are written as that end (X=... Y=...)\"",
       "[HYP Export] 1 outline end less than 0.01 mm from another end is written as that end (X=*x* Y=*y*)",
       boards + "outline-arc-track-4um.json", "", nothing},
      {"\"the board outline's loose pieces are written after its closed loops: *N* pieces come last (from X=... "
       "Y=...)\"",
       "[HYP Export] the board outline's loose pieces are written after its closed loops: 1 piece comes last (from "
       "X=*x* Y=*y*)",
       boards + "outline-stray-between-loops.json", "", nothing},
      {"\"the board outline does not close: an end at X=... Y=... meets nothing\" (with \" (*N* such ends)\"",
       "[HYP Export] the board outline does not close: an end at X=*x* Y=*y* meets nothing (4 such ends)",
       boards + "outline-far-ends.json", "", nothing},
      {"\"the board outline branches: *N* ends meet at X=... Y=...\"",
       "[HYP Export] the board outline branches: 3 ends meet at X=*x* Y=*y*", boards + "outline-three-ends.json", "",
       nothing},
  };
  std::string unchecked;  // why a claim could not be run here
  for (const Claim& c : claims) {
    SCOPED_TRACE(c.quote);
    EXPECT_NE(guide.find(c.quote), std::string::npos) << "the guide does not say this";
    tqtest::ScratchDir dir;
    fs::create_directory(dir / "out");
    const fs::path dest = dir / ("out/" + c.destination);
    c.prepare(dest);
    if (c.message == kept && !fs::exists(dest)) {
      unchecked += " (no immutable files here: chattr +i failed)";
      continue;
    }
    std::string board = c.board;
    if (board.front() == '{') WriteFile(board = dir / "board.json", c.board);
    const bool prefix = c.command.size() > 1 && c.command.substr(c.command.size() - 2) == "; ";
    RunResult r;
    if (c.destination.find('?') != std::string::npos) {
      if (!tqtest::WineUnavailableReason().empty() || !tqtest::EnsureWinePrefix()) {
        unchecked += " (" + tqtest::WineUnavailableReason() + ")";
        continue;
      }
      r = tqtest::RunWine("quorvex-host.exe", "export " + Quote("Z:" + board) + " " + Quote("Z:" + dest.string()));
    } else {
      r = RunCommand((prefix ? c.command : "") + Quote(TQ_BIN_DIR "/quorvex-host") + " export " + Quote(board) + " " +
                     Quote(dest.string()) + " " + (prefix ? "" : c.command) + " " + c.after);
    }
    RunCommand("chattr -i " + Quote(dest.string()) + " 2>/dev/null");
    if (c.message.empty()) {
      EXPECT_EQ(r.output.find("[Error] "), std::string::npos) << r.output;
      EXPECT_EQ(r.output.find("[Warning] "), std::string::npos) << r.output;
      EXPECT_EQ(r.exitCode, 0) << r.output;
    } else {
      EXPECT_TRUE(std::regex_search(r.output, PatternOf(c.message))) << r.output;
    }
  }
  fs::remove_all(changer);
  if (!unchecked.empty()) GTEST_SKIP() << "not every message was checked:" << unchecked;
}

}  // namespace
