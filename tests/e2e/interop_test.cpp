// Interoperability: an independent HYP reader (pcb-rnd's importer) reads the
// files we write without complaint and finds the outline and the layers.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "TestSupport.h"

namespace {

using tqtest::Quote;
using tqtest::RunCommand;

struct Imported {
  std::string log;     // what the reader said
  std::string layout;  // the board it built, in its own text format
};

Imported ImportWithIndependentReader(const std::string& hyp, const tqtest::ScratchDir& dir) {
  const std::string layout = dir / "imported.lht";
  const std::string actions = dir / "actions.txt";
  tqtest::WriteFile(actions, "LoadHypFrom(" + hyp + ")\nSaveTo(LayoutAs, " + layout + ", lihata)\n");
  tqtest::RunResult r = RunCommand("timeout 120 pcb-rnd --gui batch < " + Quote(actions));
  return {r.output, tqtest::ReadFile(layout)};
}

// The objects of the outline layer of an imported layout.
std::string OutlineOf(const std::string& layout) {
  const std::size_t start = layout.find("ha:outline {");
  if (start == std::string::npos) return {};
  const std::size_t end = layout.find("ha:", layout.find("li:objects", start) + 1);
  std::size_t close = layout.find("\n      }", start);
  return layout.substr(start, (close == std::string::npos ? end : close) - start);
}

// The reader's complaints ("E:" and "W:" lines), less the ones docs/interop.md
// explains: the reader draws every padstack unrotated and says so, while a
// rotated pad's padstack carries its rotation on purpose.
std::string ComplaintsOf(const std::string& log) {
  static const std::regex complaint("(^|\n)((E|W):[^\n]*)");
  static const std::regex known("E: ignoring pad rotation of padstack at .*");
  std::string complaints;
  for (std::sregex_iterator it(log.begin(), log.end(), complaint), end; it != end; ++it) {
    const std::string line = (*it)[2];
    if (!std::regex_match(line, known)) complaints += line + "\n";
  }
  return complaints;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class Interop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunCommand("command -v pcb-rnd").exitCode != 0) GTEST_SKIP() << "pcb-rnd is not installed";
  }
  std::string Export(const std::string& example, const std::string& folder = "examples/") {
    const std::string out = dir_ / (example + ".hyp");
    tqtest::RunResult r = RunCommand(Quote(TQ_BIN_DIR "/quorvex-host") + " export " +
                                     Quote(std::string(TQ_SOURCE_DIR "/") + folder + example) + " " + Quote(out));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return out;
  }
  tqtest::ScratchDir dir_;
};

TEST_F(Interop, TheReaderFindsTheOutlineWithItsArc) {
  const Imported imported = ImportWithIndependentReader(Export("two-layer.json"), dir_);
  EXPECT_EQ(ComplaintsOf(imported.log), "") << imported.log;
  const std::string outline = OutlineOf(imported.layout);
  EXPECT_EQ(Count(outline, "ha:line."), 4) << outline;
  EXPECT_EQ(Count(outline, "ha:arc."), 1) << outline;
  EXPECT_NE(outline.find("width=200.0mil"), std::string::npos) << "the arc's radius";
}

TEST_F(Interop, TheReaderFindsTheStackupsLayersByName) {
  const Imported imported = ImportWithIndependentReader(Export("four-layer.json"), dir_);
  EXPECT_EQ(ComplaintsOf(imported.log), "") << imported.log;
  for (const char* layer : {"ha:Top_Layer {", "ha:GND_Plane {", "ha:VCC_Plane {", "ha:Bottom_Layer {"})
    EXPECT_NE(imported.layout.find(layer), std::string::npos) << layer;
  EXPECT_EQ(Count(OutlineOf(imported.layout), "ha:line."), 4);
}

// Pads 1.1 (net N1) and 1_1 (net N2) of one component come out alike once
// the point is replaced: the reader must still find two terminals, each on
// its own net, in either order of the pads.
TEST_F(Interop, PadsAlikeOnceRenamedStayTwoTerminalsOnTwoNets) {
  const Imported imported = ImportWithIndependentReader(Export("pads-alike.json", "tests/e2e/boards/"), dir_);
  EXPECT_EQ(ComplaintsOf(imported.log), "") << imported.log;
  const std::size_t input = imported.layout.find("li:input {");
  ASSERT_NE(input, std::string::npos) << imported.log;
  const std::string netlist = imported.layout.substr(input);
  static const std::regex net(R"(ha:(N[12]) \{\s*li:conn \{([^}]*)\})");
  std::map<std::string, std::string> conns;
  for (std::sregex_iterator it(netlist.begin(), netlist.end(), net), end; it != end; ++it)
    conns[(*it)[1]] = std::regex_replace((*it)[2].str(), std::regex("\\s+"), "");
  EXPECT_EQ(conns, (std::map<std::string, std::string>{{"N1", "U1-1_1_2;U2-1_1_2;"}, {"N2", "U1-1_1;U2-1_1;"}}));
}

}  // namespace
