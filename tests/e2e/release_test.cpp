// What a release carries: the version in Tarnquil.dll's version resource (and
// in libTarnquil.so), the release archive of the win32 build, the change
// log's newest version, and the designers' guide, whose HYP lines must be
// what the example boards export.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
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
namespace fs = std::filesystem;

constexpr const char* kVersion = TQ_PROJECT_VERSION;

// --- The version resource, read from the DLL's resource section the way
// Windows finds it: resource type 16, its first name and language, then the
// VS_VERSIONINFO tree of blocks.

struct VersionInfo {
  std::array<std::uint16_t, 4> fileVersion{};
  std::array<std::uint16_t, 4> productVersion{};
  std::map<std::string, std::string> strings;  // of the first string table
};

class FileBytes {
 public:
  explicit FileBytes(std::string bytes) : bytes_(std::move(bytes)) {}
  std::uint32_t Get(std::size_t at, std::size_t width) const {
    if (at > bytes_.size() || width > bytes_.size() - at) throw std::runtime_error("read beyond the end of the file");
    std::uint32_t v = 0;
    for (std::size_t i = width; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(bytes_[at + i]);
    return v;
  }
  std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(Get(at, 2)); }
  std::uint32_t U32(std::size_t at) const { return Get(at, 4); }

 private:
  std::string bytes_;
};

// One block of the version tree: its key, where its value and its children
// start, and where it ends.
struct VersionBlock {
  std::string key;
  std::size_t value = 0;
  std::size_t children = 0;
  std::size_t end = 0;
};

VersionBlock ReadBlock(const FileBytes& f, std::size_t base, std::size_t at) {
  auto align = [base](std::size_t p) { return base + ((p - base + 3) & ~std::size_t{3}); };
  VersionBlock b;
  const std::size_t length = f.U16(at), valueLength = f.U16(at + 2), isText = f.U16(at + 4);
  std::size_t p = at + 6;
  for (std::uint16_t c; (c = f.U16(p)) != 0; p += 2) b.key += static_cast<char>(c < 128 ? c : '?');
  b.value = align(p + 2);
  b.children = align(b.value + (isText != 0 ? 2 * valueLength : valueLength));
  b.end = at + length;
  if (length < 6) throw std::runtime_error("a version block of length " + std::to_string(length));
  return b;
}

std::string TextAt(const FileBytes& f, std::size_t at, std::size_t end) {
  std::string s;
  for (std::uint16_t c; at + 2 <= end && (c = f.U16(at)) != 0; at += 2) s += static_cast<char>(c < 128 ? c : '?');
  return s;
}

VersionInfo ReadVersionResource(const std::string& file) {
  const FileBytes f(ReadFile(file));
  const std::size_t pe = f.U32(0x3C);
  if (f.U32(pe) != 0x00004550) throw std::runtime_error("not a PE file");
  const std::size_t sections = f.U16(pe + 6), optional = pe + 24, sectionTable = optional + f.U16(pe + 20);
  if (f.U16(optional) != 0x10B) throw std::runtime_error("not a 32-bit PE file");
  auto offsetOf = [&](std::uint32_t rva) -> std::size_t {
    for (std::size_t i = 0; i < sections; ++i) {
      const std::size_t s = sectionTable + 40 * i;
      const std::uint32_t va = f.U32(s + 12), size = std::max(f.U32(s + 8), f.U32(s + 16));
      if (rva >= va && rva - va < size) return f.U32(s + 20) + (rva - va);
    }
    throw std::runtime_error("an address outside every section");
  };
  const std::size_t root = offsetOf(f.U32(optional + 96 + 2 * 8));  // data directory 2: resources
  // The target of the entry with the given id (or of the first entry) of a
  // resource directory, relative to the root; the high bit marks a directory.
  auto entry = [&](std::size_t directory, std::optional<std::uint32_t> id) -> std::uint32_t {
    const std::size_t n = std::size_t{f.U16(directory + 12)} + f.U16(directory + 14);
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t e = directory + 16 + 8 * k;
      if (!id || f.U32(e) == *id) return f.U32(e + 4);
    }
    throw std::runtime_error("no version resource");
  };
  const std::uint32_t names = entry(root, 16);
  const std::uint32_t languages = entry(root + (names & 0x7FFFFFFFU), std::nullopt);
  const std::uint32_t leaf = entry(root + (languages & 0x7FFFFFFFU), std::nullopt);
  const std::size_t data = offsetOf(f.U32(root + leaf));

  VersionInfo info;
  const VersionBlock top = ReadBlock(f, data, data);
  if (top.key != "VS_VERSION_INFO" || f.U32(top.value) != 0xFEEF04BDU)
    throw std::runtime_error("no fixed file information");
  auto split = [&](std::size_t at, std::array<std::uint16_t, 4>& out) {
    const std::uint32_t high = f.U32(at), low = f.U32(at + 4);
    out = {static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
           static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low)};
  };
  split(top.value + 8, info.fileVersion);
  split(top.value + 16, info.productVersion);
  for (std::size_t at = top.children; at < top.end;) {
    const VersionBlock child = ReadBlock(f, data, at);
    if (child.key == "StringFileInfo" && child.children < child.end) {
      const VersionBlock table = ReadBlock(f, data, child.children);
      for (std::size_t s = table.children; s < table.end;) {
        const VersionBlock text = ReadBlock(f, data, s);
        info.strings[text.key] = TextAt(f, text.value, text.end);
        s = data + ((text.end - data + 3) & ~std::size_t{3});
      }
    }
    at = data + ((child.end - data + 3) & ~std::size_t{3});
  }
  return info;
}

std::string Dotted(const std::array<std::uint16_t, 4>& v) {
  return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." + std::to_string(v[3]);
}

TEST(Release, BothLibrariesCarryTheProjectsVersion) {
  const std::string dll = tqtest::Win32Bin() + "/Tarnquil.dll";
  if (!fs::exists(dll)) GTEST_SKIP() << "the Windows build is missing";
  VersionInfo info = ReadVersionResource(dll);
  EXPECT_EQ(Dotted(info.fileVersion), std::string(kVersion) + ".0");
  EXPECT_EQ(Dotted(info.productVersion), std::string(kVersion) + ".0");
  const std::map<std::string, std::string> expected = {{"FileVersion", kVersion},
                                                       {"ProductVersion", kVersion},
                                                       {"ProductName", "Tarnquil"},
                                                       {"InternalName", "Tarnquil"},
                                                       {"OriginalFilename", "Tarnquil.dll"}};
  for (const auto& [key, value] : expected) EXPECT_EQ(info.strings[key], value) << key;
  EXPECT_NE(info.strings["FileDescription"].find("HyperLynx File (*.HYP)"), std::string::npos)
      << info.strings["FileDescription"];

  // The Linux library: the same text in its version section.
  tqtest::ScratchDir dir;
  RunResult r = RunCommand("objcopy -O binary --only-section=.tarnquil_version " + Quote(TQ_BIN_DIR "/libTarnquil.so") +
                           " " + Quote(dir / "version"));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(ReadFile(dir / "version"), std::string(kVersion) + '\0');
}

// --- The release archive: made by the win32 build's package target.

TEST(Release, ArchiveHoldsTheDllJustBuiltWithTheGuideAndTheChangeLog) {
  if (!fs::exists(tqtest::Win32Bin() + "/Tarnquil.dll")) GTEST_SKIP() << "the Windows build is missing";
  const std::string build = fs::path(tqtest::Win32Bin()).parent_path().string();
  RunResult made = RunCommand("cmake --build " + Quote(build) + " --target package");
  ASSERT_EQ(made.exitCode, 0) << made.output;

  const std::string top = std::string("Tarnquil-") + kVersion + "-win32";
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
