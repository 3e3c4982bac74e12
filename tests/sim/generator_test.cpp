// Generated boards: the same seed gives the same document, and the document
// is a board the simulated host loads, with the make-up of a real design.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "sim/generator/BoardGenerator.h"

namespace {

TEST(BoardGenerator, TheSameSeedGivesTheSameDocument) {
  const std::string a = sim::GenerateBoardDocument({.seed = 5, .components = 50});
  EXPECT_EQ(a, sim::GenerateBoardDocument({.seed = 5, .components = 50}));
  EXPECT_NE(a, sim::GenerateBoardDocument({.seed = 6, .components = 50}));
}

TEST(BoardGenerator, BoardsHaveTheProportionsOfRealDesigns) {
  const nlohmann::json board = nlohmann::json::parse(sim::GenerateBoardDocument({.seed = 3, .components = 1000}));
  std::size_t pads = 0;
  std::set<std::string> geometries;
  for (const auto& component : board["components"])
    for (const auto& pad : component["pads"]) {
      ++pads;
      geometries.insert(pad["shape"].dump() + pad["size"].dump() + pad.value("hole", nlohmann::json(0)).dump());
    }
  EXPECT_EQ(board["components"].size(), 1000u);
  EXPECT_EQ(board["nets"].size(), 3000u);
  EXPECT_NEAR(static_cast<double>(pads), 6000.0, 1000.0);
  EXPECT_GE(geometries.size(), 10u);
  EXPECT_LE(geometries.size(), 60u);
  EXPECT_NEAR(static_cast<double>(board["tracks"].size()), 60000.0, 5000.0);
  EXPECT_NEAR(static_cast<double>(board["vias"].size()), 8000.0, 1500.0);
  EXPECT_NEAR(static_cast<double>(board["arcs"].size()), 2000.0, 500.0);
  std::size_t copper = 0, planes = 0;
  for (const auto& layer : board["layers"]) {
    ++copper;
    if (layer["layer"].get<std::string>().rfind("InternalPlane", 0) == 0) ++planes;
  }
  EXPECT_GE(copper, 4u);
  EXPECT_LE(copper, 12u);
  EXPECT_GE(planes, 2u);
}

// For boards with many distinct padstacks: the pads take the sizes in turn,
// and nothing else of the board changes.
TEST(BoardGenerator, DistinctPadsGiveAsManyPadGeometries) {
  const auto geometries = [](const nlohmann::json& board) {
    std::set<std::string> g;
    for (const auto& component : board["components"])
      for (const auto& pad : component["pads"]) g.insert(pad["size"].dump());
    return g.size();
  };
  const nlohmann::json plain = nlohmann::json::parse(sim::GenerateBoardDocument({.seed = 3, .components = 200}));
  const nlohmann::json many =
      nlohmann::json::parse(sim::GenerateBoardDocument({.seed = 3, .components = 200, .distinctPads = 1000}));
  EXPECT_EQ(geometries(many), 1000u);
  EXPECT_EQ(many["tracks"], plain["tracks"]);
  EXPECT_EQ(many["vias"], plain["vias"]);
  EXPECT_EQ(many["components"].size(), plain["components"].size());
}

}  // namespace
