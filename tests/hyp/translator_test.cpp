// The primitive translator: layer conversion, settings and fragments.
#include "hyp/Translator.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "hyp/HypLayerNames.h"
#include "pcb/Pcbclass.h"

namespace {

using tqtest::StderrOf;

constexpr const char* kLayerMessage = "[Error] Error in ConvertToHyperlynxLayer\n";

TEST(ConvertToHyperlynxLayer, MapsSignalLayersAndPlanes) {
  std::string messages = StderrOf([] {
    EXPECT_EQ(TTranslator::ConvertToHyperlynxLayer(1), 1);
    EXPECT_EQ(TTranslator::ConvertToHyperlynxLayer(32), 32);
    EXPECT_EQ(TTranslator::ConvertToHyperlynxLayer(39), 33);
    EXPECT_EQ(TTranslator::ConvertToHyperlynxLayer(54), 48);
  });
  EXPECT_EQ(messages, "");
}

TEST(ConvertToHyperlynxLayer, ReportsEveryOtherLayerOnceAndGivesZero) {
  for (int layer : {0, 33, 38, 55, 74, 82, 255}) {
    std::uint8_t index = 99;
    EXPECT_EQ(StderrOf([&] { index = TTranslator::ConvertToHyperlynxLayer(layer); }), kLayerMessage) << layer;
    EXPECT_EQ(index, 0) << layer;
  }
}

TEST(TTranslator, StartsWithTheStackupDefaults) {
  TTranslator translator;
  EXPECT_EQ(translator.SignalPlating, 0);
  EXPECT_EQ(translator.SignalResistivity.str(), "1.724e-8");
  EXPECT_EQ(translator.SignalMaterial.str(), "COPPER");
  EXPECT_EQ(translator.PlaneResistivity.str(), "1.724e-8");
  EXPECT_EQ(translator.PlaneMaterial.str(), "COPPER");
  EXPECT_FALSE(translator.OnFindPadStack);
  // The materials hold 20 characters.
  translator.SignalMaterial.Assign(std::string(25, 'X'));
  EXPECT_EQ(translator.SignalMaterial.str(), std::string(20, 'X'));
}

// Fragments are built from objects whose fields are set directly; nothing
// here asks a host.
class Fragments : public ::testing::Test {
 protected:
  void SetUp() override {
    HypLayerNames.fill("");
    HypLayerNames[1] = "Top_Layer";
    HypLayerNames[32] = "Bottom_Layer";
    track_.X = 12500000;
    track_.Y = 5000000;
    track_.X2 = 15000000;
    track_.Y2 = 5000000;
    track_.Width = 100000;
    track_.SetLayer(1);
    arc_.Radius = 1000000;
    arc_.StartAngle = 0;
    arc_.EndAngle = 90;
    arc_.LineWidth = 50000;
    arc_.SetLayer(32);
  }

  TTranslator translator_;
  TPcbTrack track_{0};
  TPcbArc arc_{0};
};

TEST_F(Fragments, TrackGivesSegAndPerimeterSegment) {
  EXPECT_EQ(translator_.TranslateTrackToString(track_),
            "SEG X1=1.2500 Y1=0.5000 X2=1.5000 Y2=0.5000 W=0.0100 L=Top_Layer");
  EXPECT_EQ(translator_.TranslatePerimeterTrackToString(track_),
            "PERIMETER_SEGMENT X1=1.2500 Y1=0.5000 X2=1.5000 Y2=0.5000");
}

TEST_F(Fragments, ArcListsTheEndPointFirstAndThePerimeterArcTheStartPoint) {
  EXPECT_EQ(translator_.TranslateArcToString(arc_),
            "ARC X1=0.0000 Y1=0.1000 X2=0.1000 Y2=0.0000 XC=0.0000 YC=0.0000 R=0.1000 W=0.0050 L=Bottom_Layer");
  EXPECT_EQ(translator_.TranslatePerimeterArcToString(arc_),
            "PERIMETER_ARC X1=0.1000 Y1=0.0000 X2=0.0000 Y2=0.1000 XC=0.0000 YC=0.0000 R=0.1000");
}

TEST_F(Fragments, LayerNamesThatAreNoBareWordsAreQuoted) {
  HypLayerNames[1] = "L2(GND)";
  HypLayerNames[32] = "A=B";
  EXPECT_EQ(translator_.TranslateTrackToString(track_),
            "SEG X1=1.2500 Y1=0.5000 X2=1.5000 Y2=0.5000 W=0.0100 L=\"L2(GND)\"");
  EXPECT_EQ(translator_.TranslateArcToString(arc_),
            "ARC X1=0.0000 Y1=0.1000 X2=0.1000 Y2=0.0000 XC=0.0000 YC=0.0000 R=0.1000 W=0.0050 L=\"A=B\"");
  // A name that the cut shortens keeps its closing quote.
  HypLayerNames[1] = std::string(250, 'n') + ")";
  const std::string text = translator_.TranslateTrackToString(track_);
  ASSERT_EQ(text.size(), 255u);
  EXPECT_EQ(text.substr(text.size() - 3), "nn\"");
  EXPECT_NE(text.find(" L=\"nnn"), std::string::npos);
}

TEST_F(Fragments, ObjectsOfAnotherKindGiveEmptyText) {
  TPcbVia via(0);
  TPcbPad pad(0);
  EXPECT_EQ(translator_.TranslateTrackToString(arc_), "");
  EXPECT_EQ(translator_.TranslatePerimeterTrackToString(via), "");
  EXPECT_EQ(translator_.TranslateArcToString(track_), "");
  EXPECT_EQ(translator_.TranslatePerimeterArcToString(pad), "");
  EXPECT_EQ(translator_.TranslateViaToString(pad), "");
  // Wrong kinds are refused before any padstack lookup: no message.
  EXPECT_EQ(StderrOf([&] { EXPECT_EQ(translator_.TranslatePadToString(via), ""); }), "");
  // The kind decides, not the class.
  track_.SetObjectKind(kArcObject);
  EXPECT_EQ(translator_.TranslateTrackToString(track_), "");
  EXPECT_EQ(translator_.TranslateArcToString(track_), "");
}

TEST_F(Fragments, PadsAndViasWithoutAPadstackAreReportedAndWrittenWithAnEmptyName) {
  TPcbPad pad(0);
  pad.X = 10000000;
  pad.Y = -2500000;
  pad.SetName("14");
  std::string text;
  EXPECT_EQ(StderrOf([&] { text = translator_.TranslatePadToString(pad); }),
            "[Error] Error in TTranslator.TranslatePadToString\n");
  EXPECT_EQ(text, "VIA X=1.0000 Y=-0.2500 P=\"\"");

  // With an owning component the pad is a pin. (No host here: the
  // component's designator reads as empty, and the reference ".14" would
  // read as a number, so it is quoted.)
  pad.ComponentHandle = 4711;
  StderrOf([&] { text = translator_.TranslatePadToString(pad); });
  EXPECT_EQ(text, "PIN X=1.0000 Y=-0.2500 R=\".14\" P=\"\"");

  TPcbVia via(0);
  via.X = 312500;
  EXPECT_EQ(StderrOf([&] { text = translator_.TranslateViaToString(via); }),
            "[Error] Error in TTranslator.TranslateViaToString\n");
  EXPECT_EQ(text, "VIA X=0.0313 Y=0.0000 P=\"\"");
}

TEST_F(Fragments, AreCutAfter255Characters) {
  HypLayerNames[1] = std::string(255, 'L');
  const std::string text = translator_.TranslateTrackToString(track_);
  ASSERT_EQ(text.size(), 255u);
  EXPECT_EQ(text.substr(0, 58), "SEG X1=1.2500 Y1=0.5000 X2=1.5000 Y2=0.5000 W=0.0100 L=LLL");
}

}  // namespace
