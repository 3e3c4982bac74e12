#include <gtest/gtest.h>

#include "exporter/Tarnquil.h"
#include "hyp/HypLayerNames.h"

namespace {

TEST(HypLayerNames, WithoutAHostTheDefaultNamesAreUsed) {
  HypLayerNames.fill("stale");
  BuildHypLayerNames();
  EXPECT_EQ(GetHypLayerName(0), "Any_Layer");
  EXPECT_EQ(GetHypLayerName(1), "Top_Layer");
  EXPECT_EQ(GetHypLayerName(2), "Mid_Layer_1");
  EXPECT_EQ(GetHypLayerName(32), "Bottom_Layer");
  EXPECT_EQ(GetHypLayerName(39), "Internal_Plane_1");
  EXPECT_EQ(GetHypLayerName(56), "signal");
  EXPECT_EQ(GetHypLayerName(74), "signal");
  EXPECT_EQ(GetHypLayerName(82), "Via_Hole_Layer");
  EXPECT_EQ(GetHypLayerName(83), "");  // outside the table: empty, never out of bounds
  EXPECT_EQ(GetHypLayerName(-1), "");
  for (const std::string& name : HypLayerNames) EXPECT_NE(name, "stale");
}

TEST(HypLayerNames, SpacesBecomeUnderscoresNothingElseChanges) {
  EXPECT_EQ(MakeHypLayerName("Top  Layer"), "Top__Layer");
  EXPECT_EQ(MakeHypLayerName("GND (plane)"), "GND_(plane)");
  EXPECT_EQ(MakeHypLayerName(""), "");
  EXPECT_EQ(MakeHypLayerName(std::string(300, 'x')).size(), 255u);
}

}  // namespace
