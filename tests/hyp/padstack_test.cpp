// Padstacks without a host: equality, naming and lookup in the table, the
// section text, and the pad and via builders on objects whose values and
// answers are set in memory.
#include "hyp/PadStack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "hyp/HypLayerNames.h"
#include "hyp/Translator.h"
#include "pcb/PcbBoard.h"
#include "pcb/Pcbclass.h"
#include "support/Rt_Util.h"
#include "support/TextOutput.h"

namespace {

TPadStackEntry Metal(std::uint8_t layer, std::int32_t size, double angle = 0.0) {
  TPadStackEntry e;
  e.EntryKind = kMetalEntry;
  e.LayerIndex = layer;
  e.Shape = 1;
  e.SizeX = size;
  e.SizeY = size;
  e.Angle = angle;
  return e;
}

std::unique_ptr<TPadStack> Stack(std::int32_t hole, std::initializer_list<TPadStackEntry> entries) {
  auto p = std::make_unique<TPadStack>();
  p->HoleSize = hole;
  for (const TPadStackEntry& e : entries) p->Add(e);
  return p;
}

TEST(TPadStack, EntryOrderDoesNotMatterButEveryFieldDoes) {
  auto a = Stack(280000, {Metal(49, 600000), Metal(1, 700000)});
  auto b = Stack(280000, {Metal(1, 700000), Metal(49, 600000)});
  EXPECT_TRUE(a->SameAs(*b));
  EXPECT_TRUE(b->SameAs(*a));
  EXPECT_FALSE(a->SameAs(*Stack(280001, {Metal(1, 700000), Metal(49, 600000)}))) << "drill";
  EXPECT_FALSE(a->SameAs(*Stack(280000, {Metal(1, 700000), Metal(49, 600000, 90.0)}))) << "angle";
  EXPECT_FALSE(a->SameAs(*Stack(280000, {Metal(1, 700000)}))) << "count";
  TPadStackEntry thermal = Metal(33, 600000);
  thermal.EntryKind = kThermalEntry;
  TPadStackEntry otherThermal = thermal;
  otherThermal.ThermalSizeX = 1;
  EXPECT_FALSE(Stack(0, {thermal})->SameAs(*Stack(0, {otherThermal}))) << "thermal part";
}

TEST(TPadStack, NoneEntriesCountAndRepeatedEntriesMakeEqualityOneSided) {
  // A none entry prints nothing, but it is an entry.
  EXPECT_FALSE(Stack(0, {Metal(49, 1), TPadStackEntry{}})->SameAs(*Stack(0, {Metal(49, 1), Metal(33, 0)})));
  // Every entry of the new padstack must be in the stored one: {x, x} holds
  // every entry of {x, y}? No. {x, y} holds every entry of {x, x}? Yes.
  auto xy = Stack(0, {Metal(1, 1), Metal(2, 1)});
  auto xx = Stack(0, {Metal(1, 1), Metal(1, 1)});
  EXPECT_TRUE(xy->SameAs(*xx));
  EXPECT_FALSE(xx->SameAs(*xy));
}

class Table : public ::testing::Test {
 protected:
  void SetUp() override {
    HypLayerNames.fill("");
    HypLayerNames[1] = "Top_Layer";
    HypLayerNames[32] = "Bottom_Layer";
    HypLayerNames[39] = "Power_Plane";
    IndentLevel = 0;
  }
  std::string Written(const TPadStack& p) {
    const std::string path = dir_ / "p.hyp";
    TTextOutput out;
    EXPECT_TRUE(out.Open(path));
    p.Write(out);
    EXPECT_TRUE(out.Close());
    return tqtest::ReadFile(path);
  }
  tqtest::ScratchDir dir_;
};

TEST_F(Table, NamesHaveNoGapsAndALookupTakesTheFirstEqualPadStack) {
  TTranslator translator;
  TBoard board(0);
  TTextOutput out;
  TPadStackList list(translator, board, out);
  list.AddPadStack(Stack(1, {Metal(1, 5)}));
  list.AddPadStack(Stack(2, {Metal(1, 5)}));
  list.AddPadStack(Stack(1, {Metal(1, 5)}));  // a duplicate that AddObject would never add
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list[0].Name, "0");
  EXPECT_EQ(list[2].Name, "2");
  auto wanted = Stack(1, {Metal(1, 5)});
  ASSERT_TRUE(translator.OnFindPadStack) << "the table installs its lookup";
  EXPECT_TRUE(translator.OnFindPadStack(*wanted));
  EXPECT_EQ(wanted->Name, "0");
  auto missing = Stack(3, {Metal(1, 5)});
  EXPECT_FALSE(list.FindPadStack(*missing));
  EXPECT_EQ(missing->Name, "");
}

// The index must give exactly the names the scan gives, repeated entries,
// -0.0 and NaN angles included. Small value ranges make equal padstacks,
// reordered ones and repeats common.
TEST_F(Table, TheIndexAnswersAsTheScanDoes) {
  TTranslator translator;
  TBoard board(0);
  TTextOutput out;
  TPadStackList list(translator, board, out);
  std::uint32_t seed = 12345;
  auto next = [&seed](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  const double angles[] = {0.0, -0.0, 90.0, std::nan("")};
  int found = 0;
  for (int i = 0; i < 20000; ++i) {
    auto p = std::make_unique<TPadStack>();
    p->HoleSize = static_cast<std::int32_t>(next(2));
    const std::uint32_t count = 1 + next(3);
    for (std::uint32_t k = 0; k < count; ++k) {
      TPadStackEntry e = Metal(static_cast<std::uint8_t>(next(3)), static_cast<std::int32_t>(next(2)));
      e.EntryKind = static_cast<std::uint8_t>(next(2));
      e.Angle = angles[next(i % 7 == 0 ? 4 : 3)];
      p->Add(e);
    }
    TPadStack copy;
    copy.Entries = p->Entries;
    copy.HoleSize = p->HoleSize;
    const bool byScan = list.FindPadStackByScan(copy);
    const bool byIndex = list.FindPadStack(*p);
    ASSERT_EQ(byIndex, byScan) << i;
    ASSERT_EQ(p->Name, copy.Name) << i;
    if (byIndex)
      ++found;
    else
      list.AddPadStack(std::move(p));
  }
  EXPECT_GT(found, 10000);
  EXPECT_GT(list.Count(), 20u);
}

TEST_F(Table, TheTableTakesItsLookupAlongWhenItIsFreed) {
  TTranslator translator;
  TBoard board(0);
  TTextOutput out;
  { TPadStackList list(translator, board, out); }
  EXPECT_FALSE(translator.OnFindPadStack);
}

TEST_F(Table, WritesTheSectionLinesWithThermalPartsAndLeavesNoneEntriesOut) {
  TPadStack p;
  p.Name = "0";
  p.HoleSize = 280000;
  p.Add(Metal(kPadStackMetalDefault, 600000));
  TPadStackEntry anti = Metal(kPadStackPlaneDefault, 700000);
  anti.EntryKind = kAntiPadEntry;
  p.Add(anti);
  p.Add(TPadStackEntry{});
  TPadStackEntry thermal = Metal(33, 600000);
  thermal.EntryKind = kThermalEntry;
  thermal.ThermalShape = 1;
  thermal.ThermalSizeX = 100000;
  thermal.ThermalSizeY = 100000;
  p.Add(thermal);
  EXPECT_EQ(Written(p),
            "{PADSTACK=0, 0.0280\r\n"
            "  (MDEF, 0, 0.0600, 0.0600, 0, M)\r\n"
            "  (ADEF, 0, 0.0700, 0.0700, 0, A)\r\n"
            "  (Power_Plane, 0, 0.0600, 0.0600, 0, 0, 0.0100, 0.0100, 0, T)\r\n"
            "}\r\n");
}

TEST_F(Table, EveryHostShapeGetsAShapeAReaderTakes) {
  // Round, rectangle and octagon keep their codes; every other host code
  // (rounded rectangles are 9) is the rectangle that holds the pad.
  for (int host = 0; host <= 255; ++host) {
    const std::uint8_t code = TTranslator::ConvertToHyperlynxShape(static_cast<std::uint8_t>(host));
    EXPECT_EQ(code, host >= 1 && host <= 3 ? host : 2) << host;
    EXPECT_FALSE(ShapeText(code).empty()) << host;
  }
  HypLayerNames[54] = "Plane (16)";
  EXPECT_EQ(PadStackLayerName(48), "\"Plane (16)\"");  // a name that is no bare word is quoted
  EXPECT_EQ(PadStackLayerName(51), "\"\"");
}

TEST_F(Table, APadStackWithoutCopperStillHasAnEntryLine) {
  TPadStack none;
  none.Name = "7";
  TPadStack directOnly;
  directOnly.Name = "8";
  TPadStackEntry direct;
  direct.LayerIndex = 33;
  directOnly.Add(direct);
  for (const TPadStack* p : {&none, &directOnly})
    EXPECT_EQ(Written(*p), "{PADSTACK=" + p->Name + ", 0.0000\r\n  (ADEF, 0, 0.0000, 0.0000, 0, A)\r\n}\r\n");
}

TEST_F(Table, EachPartOfAnEntryLineIsCutOnItsOwn) {
  HypLayerNames[39] = std::string(255, 'P');
  TPadStack p;
  TPadStackEntry thermal = Metal(33, 1);
  thermal.EntryKind = kThermalEntry;
  p.Add(thermal);
  const std::vector<std::string> lines = tqtest::HypLines(Written(p));
  ASSERT_EQ(lines.size(), 3u);
  // 255 characters up to the angle, then the thermal part, then the kind.
  EXPECT_EQ(lines[1], ("  (" + std::string(252, 'P')) + ", , 0.0000, 0.0000, 0, T)");
}

// Pads whose values are set by hand: no host is loaded, so every host query
// of the builder (plane clearance, plane connection) answers its default 0.
TEST_F(Table, APadOnASignalLayerGetsOneMetalEntryWithItsRotation) {
  TTranslator translator;
  TPcbPad pad(1);
  pad.LayerCode = kBottomLayer;
  pad.ShapeOnLayer[kBottomLayer] = 2;
  pad.XSizeOnLayer[kBottomLayer] = 500000;
  pad.YSizeOnLayer[kBottomLayer] = 600000;
  pad.Rotation = 90.0;
  std::unique_ptr<TPadStack> p = translator.PadToPadStack(pad);
  ASSERT_TRUE(p);
  ASSERT_EQ(p->Entries.size(), 1u);
  EXPECT_TRUE(TPadStack::SameEntry(p->Entries[0], [] {
    TPadStackEntry e = Metal(32, 500000, 90.0);
    e.Shape = 2;
    e.SizeY = 600000;
    return e;
  }()));
  EXPECT_EQ(p->HoleSize, 0);
  EXPECT_FALSE(translator.PadToPadStack(TPcbVia(2))) << "not a pad";
  EXPECT_FALSE(translator.ViaToPadStack(pad)) << "not a via";
}

TEST_F(Table, AMultiLayerPadAddsTopAndBottomOnlyWhereTheyDifferFromMid) {
  TTranslator translator;
  TPcbPad pad(1);
  pad.LayerCode = kMultiLayer;
  pad.HoleSize = 280000;
  pad.TopShape = pad.MidShape = pad.BotShape = 1;
  pad.TopXSize = pad.TopYSize = pad.MidXSize = pad.MidYSize = pad.BotXSize = pad.BotYSize = 600000;
  std::unique_ptr<TPadStack> same = translator.PadToPadStack(pad);
  ASSERT_EQ(same->Entries.size(), 2u);
  EXPECT_EQ(same->Entries[0].LayerIndex, kPadStackMetalDefault);
  EXPECT_EQ(same->Entries[1].LayerIndex, kPadStackPlaneDefault);  // plane code 0
  EXPECT_EQ(same->Entries[1].EntryKind, kAntiPadEntry);

  pad.BotYSize = 650000;
  std::unique_ptr<TPadStack> bottom = translator.PadToPadStack(pad);
  ASSERT_EQ(bottom->Entries.size(), 3u);
  EXPECT_EQ(bottom->Entries[1].LayerIndex, kBottomLayer);
  EXPECT_EQ(bottom->Entries[1].SizeY, 650000);
  pad.TopShape = 3;
  EXPECT_EQ(translator.PadToPadStack(pad)->Entries.size(), 4u);
}

// A via whose host answers are set in memory; it notes every question about
// a layer ("R1" reaches layer 1?, "S1" size on it, "C39" connects to the
// plane?, "Y39" connection style).
class TMemoryVia : public TPcbVia {
 public:
  TMemoryVia() : TPcbVia(1) {}
  std::int32_t GetSizeOnLayer(Layer L) const override {
    Asked.push_back("S" + std::to_string(L));
    const auto found = Sizes.find(L);
    return found == Sizes.end() ? 0 : found->second;
  }
  std::uint8_t GetStackMode() const override { return StackMode; }
  std::int32_t GetPowerPlaneExpansion() const override { return Clearance; }
  std::unique_ptr<TViaLayerAnswers> LayerAnswers() const override { return std::make_unique<TAnswers>(*this); }

  std::uint8_t StackMode = 2;
  std::int32_t Clearance = 100000;
  std::map<Layer, std::int32_t> Sizes;
  bool Known = true;                          // the host gave the via's interface
  std::vector<Layer> Out;                     // layers the via does not reach
  std::map<Layer, std::int32_t> Connections;  // plane -> connection style
  mutable std::vector<std::string> Asked;

 private:
  class TAnswers : public TViaLayerAnswers {
   public:
    explicit TAnswers(const TMemoryVia& via) : FVia(via) {}
    bool Known() const override { return FVia.Known; }
    bool ReachesLayer(Layer L) override {
      FVia.Asked.push_back("R" + std::to_string(L));
      return std::find(FVia.Out.begin(), FVia.Out.end(), L) == FVia.Out.end();
    }
    bool ConnectsToPlane(Layer L) override {
      FVia.Asked.push_back("C" + std::to_string(L));
      return FVia.Connections.count(L) != 0;
    }
    std::int32_t ConnectionStyle(Layer L) override {
      FVia.Asked.push_back("Y" + std::to_string(L));
      return FVia.Connections.at(L);
    }

   private:
    const TMemoryVia& FVia;
  };
};

// Vias built in memory on a board whose stack (top, two planes, bottom) is
// set in memory: the padstack follows the layers the via reaches in stack
// order, and the via is asked about one layer after the other.
TEST_F(Table, ViasFollowTheStackTheyReachAskedLayerByLayer) {
  HypLayerNames[40] = "Plane_Two";
  TBoard board(0);
  const Layer order[] = {kTopLayer, 39, 40, kBottomLayer};
  for (std::size_t i = 0; i < 4; ++i) {
    TLayerObject& layer = *board.Layers[order[i]];
    layer.PrevLayer = i == 0 ? 0 : order[i - 1];
    layer.NextLayer = i == 3 ? 0 : order[i + 1];
  }
  struct TCase {
    const char* what;
    std::function<void(TMemoryVia&)> set;
    std::vector<std::string> lines;  // the entry lines of the section
    std::vector<std::string> asked;
  };
  const std::vector<TCase> cases = {
      {"each signal layer takes the X size there, nothing where it is 0; planes not connected get anti-pads",
       [](TMemoryVia& v) {
         v.Sizes = {{kTopLayer, 300000}, {39, 240000}, {40, 240000}};
       },
       {"  (Top_Layer, 0, 0.0300, 0.0300, 0, M)", "  (Power_Plane, 0, 0.0240, 0.0240, 0, A)",
        "  (Plane_Two, 0, 0.0240, 0.0240, 0, A)"},
       {"R1", "S1", "R39", "C39", "S39", "R40", "C40", "S40", "R32", "S32"}},
      {"a thermal relief of the drill, a direct connection writes nothing, an unreached layer is not asked further",
       [](TMemoryVia& v) {
         v.Sizes = {{kTopLayer, 240000}, {kBottomLayer, 240000}};
         v.Connections = {{39, 1}, {40, 2}};
         v.Out = {kBottomLayer};
       },
       {"  (Top_Layer, 0, 0.0240, 0.0240, 0, M)", "  (Power_Plane, 0, 0.0120, 0.0120, 0, 0, 0.0100, 0.0100, 0, T)"},
       {"R1", "S1", "R39", "C39", "Y39", "R40", "C40", "Y40", "R32"}},
      {"without the via's answers: its span in stack order, and nothing on its planes",
       [](TMemoryVia& v) {
         v.Known = false;
         v.LowLayer = kTopLayer;
         v.HighLayer = 39;
         v.Sizes = {{kTopLayer, 200000}, {39, 200000}};
       },
       {"  (Top_Layer, 0, 0.0200, 0.0200, 0, M)"},
       {"S1"}},
      {"a simple through via: MDEF and ADEF, no layer asked",
       [](TMemoryVia& v) {
         v.StackMode = 0;
         v.LowLayer = kTopLayer;
         v.HighLayer = kBottomLayer;
         v.Size = 240000;
       },
       {"  (MDEF, 0, 0.0240, 0.0240, 0, M)", "  (ADEF, 0, 0.0340, 0.0340, 0, A)"},
       {}},
  };
  for (const TCase& c : cases) {
    TTranslator translator(&board);
    TMemoryVia via;
    via.HoleSize = 120000;
    c.set(via);
    std::unique_ptr<TPadStack> p = translator.ViaToPadStack(via);
    ASSERT_TRUE(p) << c.what;
    p->Name = "0";
    std::vector<std::string> lines = tqtest::HypLines(Written(*p));
    ASSERT_GE(lines.size(), 2u) << c.what;
    EXPECT_EQ(lines.front(), "{PADSTACK=0, 0.0120") << c.what;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end() - 1), c.lines) << c.what;
    EXPECT_EQ(via.Asked, c.asked) << c.what;
  }
}

}  // namespace
