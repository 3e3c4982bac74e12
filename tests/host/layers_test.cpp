#include <gtest/gtest.h>

#include "host/RT_PCB.h"

namespace {

TEST(Layers, ClassicNumbersRoundTripThroughTheirCodes) {
  for (int n = 0; n <= 82; ++n) {
    EXPECT_EQ(LayerToLayerCode(n), static_cast<LayerCode>(n)) << n;
    EXPECT_EQ(LayerCodeToLayer(LayerToLayerCode(n)), n) << n;
  }
  EXPECT_EQ(LayerToLayerCode(83), 0u);
  EXPECT_EQ(LayerToLayerCode(-1), 0u);
  EXPECT_EQ(LayerToLayerCode(255), 0u);
}

TEST(Layers, ExtendedCodesCollapseOntoTheLastClassicLayerOfTheirKind) {
  EXPECT_EQ(SignalLayerCode(32), 0x01010020u);
  EXPECT_EQ(LayerCodeName(SignalLayerCode(32)), "Mid Layer 31");
  EXPECT_EQ(LayerCodeToLayer(SignalLayerCode(32)), 31);
  EXPECT_EQ(LayerCodeToLayer(SignalLayerCode(65534)), 31);
  EXPECT_EQ(MechanicalLayerCode(17), 0x04000011u);
  EXPECT_EQ(LayerCodeName(MechanicalLayerCode(17)), "Mechanical Layer 17");
  EXPECT_EQ(LayerCodeToLayer(MechanicalLayerCode(17)), 72);
  EXPECT_EQ(InternalPlaneLayerCode(17), 0x01040011u);
  EXPECT_EQ(LayerCodeName(InternalPlaneLayerCode(17)), "Internal Plane 17");
  EXPECT_EQ(LayerCodeToLayer(InternalPlaneLayerCode(300)), 54);
  EXPECT_EQ(SignalLayerCode(0), kSignalLayersCode);  // the class code
  EXPECT_EQ(SignalLayerCode(65535), 32u);
  EXPECT_EQ(MidLayerCode(30), 31u);
  EXPECT_EQ(LayerCodeToLayer(0x00010018u), 0);  // display layers have no Layer
}

TEST(Layers, ConstructorsRaiseOutsideTheirRanges) {
  try {
    SignalLayerCode(65536);
    FAIL() << "no exception";
  } catch (const ELayerException& e) {
    EXPECT_STREQ(e.what(), "Creating SignalLayer(65536)");
  }
  EXPECT_THROW(
      {
        try {
          InternalPlaneLayerCode(0);
        } catch (const ELayerException& e) {
          EXPECT_STREQ(e.what(), "Creating InternalPlaneLayer(0)");
          throw;
        }
      },
      ELayerException);
  EXPECT_THROW(MechanicalLayerCode(65536), ELayerException);
  EXPECT_THROW(MechanicalLayerCode(0), ELayerException);
  EXPECT_THROW(MidLayerCode(UINT64_MAX), ELayerException);
  EXPECT_NO_THROW(InternalPlaneLayerCode(65535));
}

TEST(Layers, KindsIndexesAndNames) {
  EXPECT_EQ(LayerCodeName(0), "No Layer");
  EXPECT_EQ(LayerDisplayName(0), "Any Layer");
  EXPECT_EQ(LayerDisplayName(1), "Top Layer");
  EXPECT_EQ(LayerDisplayName(2), "Mid Layer 1");
  EXPECT_EQ(LayerDisplayName(31), "Mid Layer 30");
  EXPECT_EQ(LayerDisplayName(32), "Bottom Layer");
  EXPECT_EQ(LayerDisplayName(38), "Bottom Solder Mask");
  EXPECT_EQ(LayerDisplayName(39), "Internal Plane 1");
  EXPECT_EQ(LayerDisplayName(56), "Keep Out Layer");
  EXPECT_EQ(LayerDisplayName(72), "Mechanical Layer 16");
  EXPECT_EQ(LayerDisplayName(76), "BackGround");
  EXPECT_EQ(LayerDisplayName(82), "Via Hole Layer");
  EXPECT_EQ(GetLayerKind(83), 0);
  EXPECT_EQ(LayerCodeName(83), "No Layer");
  EXPECT_EQ(LayerCodeName(0x02000000u), "");  // a class code without a name
  EXPECT_EQ(LayerCodeName(kAllLayersCode), "All Layers");
  EXPECT_EQ(LayerCodeName(kMidLayersCode), "Mid Layers");
  EXPECT_EQ(LayerCodeName(0x0001001Au), "DRC Details");
  EXPECT_EQ(GetLayerKind(0x00010019u), 25);
  EXPECT_EQ(LayerCodeIndex(32), 65535u);
  EXPECT_EQ(LayerCodeIndex(0x0120u), 0x0120u);  // low byte 32, but not the bottom code
  EXPECT_EQ(LayerCodeName(0x0120u), "Mid Layer 287");
  EXPECT_EQ(LayerCodeToLayer(0x0120u), 31);
  EXPECT_EQ(LayerCodeIndex(40), 2u);
  EXPECT_EQ(LayerCodeIndex(60), 4u);
  EXPECT_TRUE(IsDesignLayerCode(74));
  EXPECT_FALSE(IsDesignLayerCode(75));
  EXPECT_FALSE(IsDesignLayerCode(0));
  EXPECT_TRUE(IsDesignLayerCode(InternalPlaneLayerCode(20)));
  EXPECT_EQ(LayerKindName(200), "No Layer");
}

TEST(Layers, KeyNames) {
  EXPECT_EQ(LayerKeyName(1), "TopLayer");
  EXPECT_EQ(LayerKeyName(2), "MidLayer1");
  EXPECT_EQ(LayerKeyName(32), "BottomLayer");
  EXPECT_EQ(LayerKeyName(39), "InternalPlane1");
  EXPECT_EQ(LayerKeyName(57), "Mechanical1");
  EXPECT_EQ(LayerKeyName(76), "BackGroundLayer");
  EXPECT_EQ(LayerKeyName(82), "ViaHoleLayer");
  for (int n = 0; n <= 82; ++n) EXPECT_LE(LayerKeyName(static_cast<Layer>(n)).size(), 20u);
  EXPECT_EQ(LayerKeyName(83), "");
}

TEST(LayerSet, HoldsElevenBytesOfMembers) {
  LayerSet s{0, 56, 87};
  EXPECT_TRUE(s.Contains(0));
  EXPECT_TRUE(s.Contains(56));
  EXPECT_TRUE(s.Contains(87));
  EXPECT_FALSE(s.Contains(88));
  EXPECT_FALSE(s.Contains(-1));
  s.Exclude(56);
  EXPECT_FALSE(s.Contains(56));
  LayerSet r = LayerSet::Range(1, 75);
  EXPECT_FALSE(r.Contains(0));
  EXPECT_TRUE(r.Contains(75));
  EXPECT_FALSE(r.Contains(76));
}

}  // namespace
