#include <gtest/gtest.h>

#include <array>
#include <string>

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

// KeepOutLayer and MultiLayer write "signal" whatever the designer named
// another layer; a designer's "signal" gives way with the suffix, whether it
// names a copper layer (claimed before the others) or a mechanical one.
TEST(HypLayerNames, KeepOutAndMultiLayerKeepSignalAgainstADesignersLayer) {
  struct Case {
    int layer;
    const char* name;
  };
  for (const Case c : {Case{kTopLayer, "signal"}, Case{kInternalPlane1, "signal"}, Case{57, "signal"}}) {
    std::array<std::string, kLayerCount> names;
    for (int i = 0; i < kLayerCount; ++i) names[static_cast<std::size_t>(i)] = "L" + std::to_string(i);
    names[kKeepOutLayer] = names[kMultiLayer] = "signal";
    names[static_cast<std::size_t>(c.layer)] = c.name;
    SetHypLayerNames(names);
    EXPECT_EQ(GetHypLayerName(kKeepOutLayer), "signal") << c.layer;
    EXPECT_EQ(GetHypLayerName(kMultiLayer), "signal") << c.layer;
    EXPECT_EQ(GetHypLayerName(c.layer), "signal_2") << c.layer;
  }
}

TEST(HypLayerNames, SpacesBecomeUnderscoresNothingElseChanges) {
  EXPECT_EQ(MakeHypLayerName("Top  Layer"), "Top__Layer");
  EXPECT_EQ(MakeHypLayerName("GND (plane)"), "GND_(plane)");
  EXPECT_EQ(MakeHypLayerName(""), "");
  EXPECT_EQ(MakeHypLayerName(std::string(300, 'x')).size(), 255u);
}

}  // namespace
