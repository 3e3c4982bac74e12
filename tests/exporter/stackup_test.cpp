// The STACKUP section, written through the host's PCB server interface.
//
// Boards the editor can hold come from the simulated host. Stacks it never
// presents (a layer number outside the table, a layer without dielectric, a
// stack that does not end, a board of another kind) come from a small scripted
// host. This program exports the client entry point the library looks for in
// the main program, and its client hands out either host's server module.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "SimHost.h"
#include "TestSupport.h"
#include "exporter/HyperlynxTranslator.h"
#include "exporter/Tarnquil.h"
#include "host/HostAccess.h"
#include "hyp/HypLayerNames.h"
#include "hyp/PadStack.h"
#include "pcb/PcbIteration.h"
#include "support/Rt_Util.h"

namespace {

// --- The scripted host. Its objects live as long as the program; every
// reference handed out is counted so that a test can check that all were
// released.
int g_scriptedRefs = 0;

template <typename I>
struct TScripted : I {
  THostResult QueryInterface(const TGuid&, void** out) override {
    *out = nullptr;
    return kHostNoInterface;
  }
  std::uint32_t AddRef() override { return static_cast<std::uint32_t>(++g_scriptedRefs); }
  std::uint32_t Release() override { return static_cast<std::uint32_t>(--g_scriptedRefs); }
};

template <typename I>
THostResult HandOut(I* object, I** out) {
  if (object != nullptr) object->AddRef();
  *out = object;
  return kHostOk;
}

struct TScriptedDielectric : TScripted<IPcbDielectric> {
  THostResult GetHeight(std::int32_t* h) override { return *h = 620000, kHostOk; }
  THostResult GetConstant(double* c) override { return *c = 4.5, kHostOk; }
  THostResult GetMaterial(char16_t* buffer, std::int32_t) override {
    std::u16string(u"FR-4").copy(buffer, 4);
    buffer[4] = u'\0';
    return kHostOk;
  }
};

struct TScriptedLayer : TScripted<IPcbLayer> {
  std::uint8_t number = 1;
  bool hasDielectric = true;
  TScriptedDielectric dielectric;
  THostResult GetLayerNumber(std::uint8_t* n) override { return *n = number, kHostOk; }
  THostResult GetName(char16_t* buffer, std::int32_t) override { return buffer[0] = u'\0', kHostOk; }
  THostResult GetCopperThickness(std::int32_t* t) override { return *t = 14000, kHostOk; }
  THostResult GetDielectric(IPcbDielectric** d) override {
    return HandOut<IPcbDielectric>(hasDielectric ? &dielectric : nullptr, d);
  }
  THostResult GetIsPresent(std::uint8_t* p) override { return *p = 1, kHostOk; }
};

struct TScriptedStack : TScripted<IPcbLayerStack> {
  std::vector<TScriptedLayer*> layers;
  bool endless = false;  // after the last layer comes the first again
  THostResult FirstLayer(IPcbLayer** layer) override {
    return HandOut<IPcbLayer>(layers.empty() ? nullptr : layers.front(), layer);
  }
  THostResult NextLayer(IPcbLayer* after, IPcbLayer** layer) override {
    for (std::size_t i = 0; i < layers.size(); ++i)
      if (layers[i] == after) {
        const std::size_t next = i + 1 < layers.size() ? i + 1 : (endless ? 0 : layers.size());
        return HandOut<IPcbLayer>(next < layers.size() ? layers[next] : nullptr, layer);
      }
    return kHostFail;
  }
  THostResult LayerForCode(std::uint32_t, IPcbLayer** layer) override { return HandOut<IPcbLayer>(nullptr, layer); }
};

struct TScriptedBoard : TScripted<IPcbBoard> {
  std::uint8_t kind = 25;
  bool hasStack = true;
  TScriptedStack stack;
  THostResult GetObjectKind(std::uint8_t* k) override { return *k = kind, kHostOk; }
  THostResult GetLayerStack(IPcbLayerStack** s) override {
    return HandOut<IPcbLayerStack>(hasStack ? &stack : nullptr, s);
  }
};

struct TScriptedServer : TScripted<IPcbServer> {
  TScriptedBoard board;
  THostResult GetCurrentBoard(IPcbBoard** b) override { return HandOut<IPcbBoard>(&board, b); }
  THostResult GetInterfaceForHandle(std::int32_t, const TGuid&, void** out) override {
    *out = nullptr;
    return kHostOk;
  }
};

struct TScriptedModule : TScripted<IHostServerModule> {
  TScriptedServer server;
  THostResult QueryInterface(const TGuid& iid, void** out) override {
    if (!(iid == IID_IPcbServer)) return TScripted::QueryInterface(iid, out);
    server.AddRef();
    *out = static_cast<IPcbServer*>(&server);
    return kHostOk;
  }
};

using tqtest::SimHost;

// The client the library finds: the simulated host's, or the scripted host.
struct TTestClient : TScripted<IHostClient> {
  bool scripted = false;
  TScriptedModule module;
  THostResult GetServerModule(const char16_t* name, IHostServerModule** out) override {
    if (!scripted) return SimHost::Get().client()->GetServerModule(name, out);
    return HandOut<IHostServerModule>(&module, out);
  }
  THostResult GetDocumentForPath(const char16_t*, IHostDocument** document) override {
    return HandOut<IHostDocument>(nullptr, document);
  }
};

TTestClient& TestClient() {
  static TTestClient client;
  return client;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) IHostClient* ClientAPI_GetClientInterface() { return &TestClient(); }

namespace {

class Stackup : public ::testing::Test {
 protected:
  void SetUp() override {
    SimHost::Get().reset();
    TestClient().scripted = false;
    IndentLevel = 0;
  }
  void TearDown() override {
    SimHost::Get().reset();
    EXPECT_EQ(SimHost::Get().outstanding(), 0) << "host references left unreleased";
    EXPECT_EQ(g_scriptedRefs, 0) << "scripted references left unreleased";
    EXPECT_EQ(IndentLevel, 0);
  }

  void LoadBoard(const std::string& json) {
    char error[512] = {};
    ASSERT_EQ(SimHost::Get().loadText(json.c_str(), "stackup-test.json", error, sizeof error), 1) << error;
    BuildHypLayerNames();
  }

  // The section as the driver writes it, lines without CR LF (the first is
  // the empty line before the section). Anything the writer raises is caught
  // into `raised` after the output has been closed.
  std::vector<std::string> WriteStackup(std::string* raised = nullptr) {
    THyperlynxTranslator driver((scratch_ / "board.hyp"));
    try {
      driver.WriteStackup();
    } catch (const EHostError& e) {
      if (raised == nullptr) throw;
      *raised = e.what();
    }
    driver.CloseOutput();
    const std::string content = tqtest::ReadFile(driver.TempFileName());
    std::filesystem::remove(driver.TempFileName());
    return tqtest::HypLines(content);
  }

  // A section without a layer holds the one record a reader needs.
  static std::vector<std::string> EmptySection() { return {"", "{STACKUP", "  (OPTIONS USE_DIE_FOR_METAL=NO)", "}"}; }

  tqtest::ScratchDir scratch_;
};

TEST_F(Stackup, TwoLayerBoardMatchesByteForByte) {
  LoadBoard(R"({"layers": [
    {"layer": "TopLayer", "name": "Top Layer", "copper": 14000,
     "dielectric": {"height": 620000, "constant": 4.8, "material": "FR-4"}},
    {"layer": "BottomLayer", "name": "Bottom Layer", "copper": 14000}]})");
  THyperlynxTranslator driver(scratch_ / "board.hyp");
  driver.WriteStackup();
  ASSERT_TRUE(driver.CloseOutput());
  EXPECT_EQ(tqtest::ReadFile(driver.TempFileName()),
            "\r\n"
            "{STACKUP\r\n"
            "  (SIGNAL T=0.0014 P=0.0000 C=1.724e-8 L=Top_Layer M=COPPER)\r\n"
            "  (DIELECTRIC T=0.0620 C=4.8000 L=DE_Top_Layer M=FR-4)\r\n"
            "  (SIGNAL T=0.0014 P=0.0000 C=1.724e-8 L=Bottom_Layer M=COPPER)\r\n"
            "}\r\n");
  std::filesystem::remove(driver.TempFileName());
}

TEST_F(Stackup, PlanesHaveNoPlatingAndEveryLayerButTheBottomHasADielectric) {
  LoadBoard(R"({"layers": [
    {"layer": "TopLayer", "name": "Top", "copper": 0, "dielectric": {"height": 50000, "constant": 4.25}},
    {"layer": "InternalPlane1", "name": "GND Plane", "copper": 7000,
     "dielectric": {"height": 126000, "constant": 3.9, "material": "Prepreg 2116"}},
    {"layer": "MidLayer1", "name": "Inner  1", "dielectric": {"height": 312500, "material": "Core"}}]})");
  EXPECT_EQ(WriteStackup(), (std::vector<std::string>{
                                "",
                                "{STACKUP",
                                "  (SIGNAL T=0.0000 P=0.0000 C=1.724e-8 L=Top M=COPPER)",
                                "  (DIELECTRIC T=0.0050 C=4.2500 L=DE_Top M=FR-4)",
                                "  (PLANE T=0.0007 C=1.724e-8 L=GND_Plane M=COPPER)",
                                "  (DIELECTRIC T=0.0126 C=3.9000 L=DE_GND_Plane M=\"Prepreg 2116\")",
                                "  (SIGNAL T=0.0014 P=0.0000 C=1.724e-8 L=Inner__1 M=COPPER)",
                                "  (DIELECTRIC T=0.0313 C=4.8000 L=DE_Inner__1 M=Core)",
                                "}",
                            }));
}

TEST_F(Stackup, LongNamesGiveWayAndEveryFieldAfterThemStays) {
  // A bare and a quoted layer name, each longer than any record holds, and a
  // material longer than its record: the names are shortened, the records
  // keep every field and stay within 255 characters.
  for (const std::string& name : {std::string(300, 'N'), "(" + std::string(299, 'N')}) {
    SCOPED_TRACE(name.substr(0, 2));
    LoadBoard(R"({"layers": [{"layer": "TopLayer", "name": ")" + name + R"(", "dielectric": {"material": ")" +
              std::string(300, 'M') + R"("}}]})");
    const std::vector<std::string> lines = WriteStackup();
    ASSERT_EQ(lines.size(), 5u);
    const std::string layer = HypValue(GetHypLayerName(kTopLayer));
    EXPECT_EQ(layer.size(), kLayerValueCapacity);
    EXPECT_EQ(layer.substr(0, 2), HypValue(name).substr(0, 2));
    EXPECT_EQ(lines[2], "  (SIGNAL T=0.0014 P=0.0000 C=1.724e-8 L=" + layer + " M=COPPER)");
    const std::string head = "DIELECTRIC T=0.0126 C=4.8000 L=" + HypValue("DE_" + GetHypLayerName(kTopLayer)) + " M=";
    EXPECT_EQ(lines[3], "  (" + head + std::string(255 - head.size(), 'M') + ")");
  }
}

TEST_F(Stackup, NamesThatAreNoBareWordsAreQuotedWhole) {
  LoadBoard(R"json({"layers": [
    {"layer": "TopLayer", "name": "L1 (Top)", "dielectric": {"material": "FR-4 (Tg170)"}},
    {"layer": "BottomLayer", "name": "Bottom"}]})json");
  const std::vector<std::string> lines = WriteStackup();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2], "  (SIGNAL T=0.0014 P=0.0000 C=1.724e-8 L=\"L1_(Top)\" M=COPPER)");
  EXPECT_EQ(lines[3], "  (DIELECTRIC T=0.0126 C=4.8000 L=\"DE_L1_(Top)\" M=\"FR-4 (Tg170)\")");
  EXPECT_EQ(lines[4], "  (SIGNAL T=0.0014 P=0.0000 C=1.724e-8 L=Bottom M=COPPER)");
}

TEST_F(Stackup, WithoutACurrentBoardTheSectionIsEmpty) {
  LoadBoard(R"({"layers": [{"layer": "TopLayer"}, {"layer": "BottomLayer"}]})");
  SimHost::Get().noCurrentBoard(1);
  EXPECT_EQ(WriteStackup(), EmptySection());
}

TEST_F(Stackup, AFailingHostCallEndsTheSectionAndKeepsTheLinesWritten) {
  LoadBoard(R"({"layers": [{"layer": "TopLayer"}, {"layer": "MidLayer1"}, {"layer": "BottomLayer"}]})");
  ASSERT_EQ(SimHost::Get().failCall("IPcbDielectric::GetMaterial", 1), 1);
  std::string raised;
  const std::vector<std::string> lines = WriteStackup(&raised);
  EXPECT_NE(raised.find("IPcbDielectric::GetMaterial"), std::string::npos) << raised;
  ASSERT_EQ(lines.size(), 4u);  // no closing line
  EXPECT_EQ(lines[3].substr(0, 16), "  (DIELECTRIC T=");
}

TEST_F(Stackup, ScriptedBoardsOfAnotherKindOrWithoutAStackGiveAnEmptySection) {
  TestClient().scripted = true;
  TScriptedBoard& board = TestClient().module.server.board;
  TScriptedLayer top;
  board.stack.layers = {&top};
  board.kind = 26;
  EXPECT_EQ(WriteStackup(), EmptySection());
  board.kind = 25;
  board.hasStack = false;
  EXPECT_EQ(WriteStackup(), EmptySection());
  board.hasStack = true;
  board.stack.layers.clear();
  EXPECT_EQ(WriteStackup(), EmptySection());
}

TEST_F(Stackup, LayersOutsideTheTableAreLeftOutAndMissingDielectricsAreNotWritten) {
  HypLayerNames.fill("?");
  HypLayerNames[1] = "Top";
  HypLayerNames[82] = "Last";
  TestClient().scripted = true;
  TScriptedStack& stack = TestClient().module.server.board.stack;
  TScriptedLayer top, unknown, last;
  top.hasDielectric = false;
  unknown.number = 83;
  last.number = 82;
  stack.layers = {&top, &unknown, &last};
  EXPECT_EQ(WriteStackup(), (std::vector<std::string>{
                                "",
                                "{STACKUP",
                                "  (SIGNAL T=0.0014 P=0.0000 C=1.724e-8 L=Top M=COPPER)",
                                "  (PLANE T=0.0014 C=1.724e-8 L=Last M=COPPER)",
                                "  (DIELECTRIC T=0.0620 C=4.5000 L=DE_Last M=FR-4)",
                                "}",
                            }));
  stack.layers.clear();
}

TEST_F(Stackup, AStackThatNeverEndsRaisesInsteadOfLoopingForever) {
  TestClient().scripted = true;
  TScriptedStack& stack = TestClient().module.server.board.stack;
  TScriptedLayer top, bottom;
  bottom.number = 32;
  stack.layers = {&top, &bottom};
  stack.endless = true;
  std::string raised;
  const std::vector<std::string> lines = WriteStackup(&raised);
  stack.endless = false;
  stack.layers.clear();
  EXPECT_NE(raised.find("does not end"), std::string::npos) << raised;
  // 1000 layers: 500 top layers with their dielectrics, 500 bottom layers.
  EXPECT_EQ(lines.size(), 2u + 1500u);
}

TEST_F(Stackup, LayerNamesComeFromTheHostsLayerStack) {
  LoadBoard(R"({"layers": [{"layer": "TopLayer", "name": "Signal  Top"},
                            {"layer": "MidLayer1", "name": "Inner One"},
                            {"layer": "BottomLayer", "name": "Bottom"}],
                "layerNames": {"KeepOutLayer": "Board Edge", "MultiLayer": "All Copper",
                               "Mechanical1": "Board Shape"}})");
  EXPECT_EQ(GetHypLayerName(1), "Signal__Top");  // two spaces, two underscores
  EXPECT_EQ(GetHypLayerName(2), "Inner_One");
  EXPECT_EQ(GetHypLayerName(32), "Bottom");
  EXPECT_EQ(GetHypLayerName(56), "signal");  // whatever the host calls them
  EXPECT_EQ(GetHypLayerName(74), "signal");
  EXPECT_EQ(GetHypLayerName(57), "Board_Shape");

  // No current board: the default names.
  SimHost::Get().noCurrentBoard(1);
  BuildHypLayerNames();
  SimHost::Get().noCurrentBoard(0);
  EXPECT_EQ(GetHypLayerName(0), "Any_Layer");
  EXPECT_EQ(GetHypLayerName(1), "Top_Layer");
  EXPECT_EQ(GetHypLayerName(2), "Mid_Layer_1");
}

// The padstack of a walked via on a host that answers no via interface:
// the layers of the via's span in stack order count as reached, and planes
// get no entry (nothing can be said about the via's connection there). A
// via that spans one layer reaches that one only.
TEST_F(Stackup, AViaWithoutItsInterfaceGetsItsSpanAndNoPlaneEntries) {
  LoadBoard(R"({"layers": [{"layer": "TopLayer"}, {"layer": "InternalPlane1"}, {"layer": "MidLayer1"},
                            {"layer": "BottomLayer"}],
                "vias": [{"size": "24mil", "hole": "12mil", "from": "TopLayer", "to": "MidLayer1", "stackMode": 1},
                         {"size": "24mil", "hole": "12mil", "from": "MidLayer1", "to": "MidLayer1", "stackMode": 1},
                         {"size": "24mil", "hole": "12mil", "from": "TopLayer", "to": "TopLayer", "stackMode": 1}]})");
  TestClient().scripted = true;
  TScriptedStack& stack = TestClient().module.server.board.stack;
  TScriptedLayer top, plane, mid, bottom;
  top.number = 1;
  plane.number = 39;
  mid.number = 2;
  bottom.number = 32;
  stack.layers = {&top, &plane, &mid, &bottom};

  // The padstack layers of each via, in board order (the iteration may yield
  // a via once per layer it touches).
  auto viaEntries = [&] {
    THyperlynxTranslator driver(scratch_ / "board.hyp");
    std::vector<THandle> handles;
    IterateObjects(
        driver.Board(), kViaKinds, LayerSet::Range(0, 82),
        [&](THandle h) {
          if (std::find(handles.begin(), handles.end(), h) == handles.end()) handles.push_back(h);
        },
        0);
    std::vector<std::vector<int>> layers;
    for (THandle h : handles) {
      TPcbVia via(h);
      via.Query(1);
      layers.emplace_back();
      const std::unique_ptr<TPadStack> padStack = driver.Translator().ViaToPadStack(via);
      if (padStack)
        for (const TPadStackEntry& e : padStack->Entries) layers.back().push_back(e.LayerIndex);
    }
    driver.CloseOutput();
    std::filesystem::remove(driver.TempFileName());
    return layers;
  };
  const std::vector<std::vector<int>> expected = {{1, 2}, {2}, {1}};
  EXPECT_EQ(viaEntries(), expected);
  // Without the layer-stack interface, the stack order the board model read
  // through the entry points.
  TestClient().module.server.board.hasStack = false;
  EXPECT_EQ(viaEntries(), expected);
  TestClient().module.server.board.hasStack = true;
  stack.layers.clear();
}

}  // namespace
