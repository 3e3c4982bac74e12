// Every board in examples/, end to end: both builds write the same bytes, an
// independent HYP reader (pcb-rnd) reads the file without complaint and finds
// exactly the nets and pins of the board document, and a host that yields
// multi-layer pads and vias once per layer gets the same document.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
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

std::vector<std::string> Examples() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(TQ_SOURCE_DIR "/examples"))
    if (entry.path().extension() == ".json") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ExamplePath(const std::string& name) { return std::string(TQ_SOURCE_DIR "/examples/") + name; }

RunResult ExportNative(const std::string& board, const std::string& out) {
  return RunCommand(Quote(TQ_BIN_DIR "/quorvex-host") + " export " + Quote(board) + " " + Quote(out));
}

// --- The board document's own view of its nets.

// A net name as the NET section writes it: spaces deleted, parentheses made
// underscores.
std::string HypNetName(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == ' ') continue;
    out += (c == '(' || c == ')') ? '_' : c;
  }
  return out;
}

using Netlist = std::map<std::string, std::set<std::string>>;  // net -> "designator-pad"

// The pins of every net that has any, read from the board document: pads of
// components (listed in the component or naming it) that name a net.
Netlist NetlistOfDocument(const std::string& path) {
  const nlohmann::json doc = nlohmann::json::parse(ReadFile(path), nullptr, true, /*ignore_comments=*/true);
  Netlist pins;
  auto add = [&](const nlohmann::json& pad, const std::string& designator) {
    if (designator.empty() || !pad.contains("net")) return;
    pins[HypNetName(pad["net"].get<std::string>())].insert(designator + "-" + pad.value("name", std::string()));
  };
  for (const auto& component : doc.value("components", nlohmann::json::array()))
    for (const auto& pad : component.value("pads", nlohmann::json::array()))
      add(pad, component["designator"].get<std::string>());
  for (const auto& pad : doc.value("pads", nlohmann::json::array())) add(pad, pad.value("component", std::string()));
  return pins;
}

// --- The independent reader.

struct Imported {
  std::string log;
  std::string layout;
};

Imported ImportWithIndependentReader(const std::string& hyp, const tqtest::ScratchDir& dir) {
  const std::string layout = dir / "imported.lht";
  const std::string actions = dir / "actions.txt";
  tqtest::WriteFile(actions, "LoadHypFrom(" + hyp + ")\nSaveTo(LayoutAs, " + layout + ", lihata)\n");
  RunResult r = RunCommand("timeout 180 pcb-rnd --gui batch < " + Quote(actions));
  return {r.output, ReadFile(layout)};
}

// What the reader said that docs/interop.md does not explain: every error
// and warning line except its note that it cannot turn pads.
std::vector<std::string> UnexplainedComplaints(const std::string& log) {
  std::vector<std::string> out;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("E:", 0) != 0 && line.rfind("W:", 0) != 0) continue;
    if (line.rfind("E: ignoring pad rotation of padstack at ", 0) == 0) continue;
    out.push_back(line);
  }
  return out;
}

// The input netlist of a saved layout: net -> its pins.
Netlist NetlistOfLayout(const std::string& layout) {
  Netlist nets;
  const std::size_t start = layout.find("li:input {");
  if (start == std::string::npos) return nets;
  const std::string text = layout.substr(start);
  static const std::regex net(R"((?:ha:([^\s{}]+)|\{ha:([^}]*)\})\s*\{\s*li:conn\s*\{([^}]*)\})");
  for (std::sregex_iterator it(text.begin(), text.end(), net), end; it != end; ++it) {
    const std::string name = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
    std::istringstream pins((*it)[3].str());
    std::set<std::string>& set = nets[name];
    for (std::string pin; std::getline(pins, pin, ';');) {
      pin.erase(0, pin.find_first_not_of(" \t\r\n"));
      pin.erase(pin.find_last_not_of(" \t\r\n") + 1);
      if (!pin.empty()) set.insert(pin);
    }
    if (set.empty()) nets.erase(name);
  }
  return nets;
}

TEST(Examples, ThereAreTheThreeBoardsAtLeast) {
  const std::vector<std::string> names = Examples();
  for (const char* name : {"two-layer.json", "four-layer.json", "sensor-node.json"})
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}

TEST(Examples, TheWindowsBuildUnderWineWritesTheSameBytes) {
  TQ_REQUIRE_WINE();
  tqtest::ScratchDir dir;
  for (const std::string& example : Examples()) {
    const std::string linuxOut = dir / (example + ".linux.hyp");
    const std::string windowsOut = dir / (example + ".windows.hyp");
    RunResult lin = ExportNative(ExamplePath(example), linuxOut);
    ASSERT_EQ(lin.exitCode, 0) << example << "\n" << lin.output;
    RunResult win = tqtest::RunWine("quorvex-host.exe",
                                    "export " + Quote("Z:" + ExamplePath(example)) + " " + Quote("Z:" + windowsOut));
    ASSERT_EQ(win.exitCode, 0) << example << "\n" << win.output;
    const std::string content = ReadFile(linuxOut);
    EXPECT_FALSE(content.empty()) << example;
    EXPECT_EQ(ReadFile(windowsOut), content) << example;
  }
}

TEST(Examples, TheIndependentReaderFindsEveryNetAndPinAndNothingElse) {
  if (RunCommand("command -v pcb-rnd").exitCode != 0) GTEST_SKIP() << "pcb-rnd is not installed";
  for (const std::string& example : Examples()) {
    SCOPED_TRACE(example);
    tqtest::ScratchDir dir;
    const std::string hyp = dir / "board.hyp";
    RunResult r = ExportNative(ExamplePath(example), hyp);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const Imported imported = ImportWithIndependentReader(hyp, dir);
    EXPECT_EQ(UnexplainedComplaints(imported.log), std::vector<std::string>{}) << imported.log;
    ASSERT_NE(imported.layout.find("li:input {"), std::string::npos) << "no layout saved:\n" << imported.log;
    const Netlist expected = NetlistOfDocument(ExamplePath(example));
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(NetlistOfLayout(imported.layout), expected);
  }
}

TEST(Examples, AHostThatYieldsPadsAndViasPerLayerGetsTheSameDocument) {
  tqtest::ScratchDir dir;
  for (const std::string& example : Examples()) {
    SCOPED_TRACE(example);
    nlohmann::json doc = nlohmann::json::parse(ReadFile(ExamplePath(example)), nullptr, true, true);
    doc["options"]["yieldPerLayer"] = true;
    const std::string repeating = dir / ("repeating-" + example);
    tqtest::WriteFile(repeating, doc.dump(1));
    const std::string once = dir / (example + ".once.hyp");
    const std::string perLayer = dir / (example + ".per-layer.hyp");
    ASSERT_EQ(ExportNative(ExamplePath(example), once).exitCode, 0);
    RunResult r = ExportNative(repeating, perLayer);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    // The table counts an object where its own layer is visited, so the
    // padstacks are the same, named alike, whichever way the host yields.
    const std::string content = ReadFile(once);
    EXPECT_NE(content.find("{PADSTACK=1,"), std::string::npos);
    EXPECT_EQ(ReadFile(perLayer), content);
  }
}

}  // namespace
