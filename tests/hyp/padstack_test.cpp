// Padstacks without a host: equality, naming and lookup in the table, the
// section text, and the pad builder on pads whose values are set directly.
#include "hyp/PadStack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

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

}  // namespace
