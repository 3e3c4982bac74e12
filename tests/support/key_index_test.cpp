// The padstack table's index from handles: the same answers as a node-based
// map on keys of every kind a host hands out.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

#include "support/KeyIndex.h"

namespace {

TEST(KeyIndex, AnswersAsAMapDoesForAnyKeys) {
  std::mt19937 random(7);
  std::vector<std::int32_t> keys = {0, -1, 1, INT32_MIN, INT32_MAX};
  // Consecutive numbers, aligned addresses (low bits all zero), arbitrary
  // values, and keys that repeat.
  for (std::int32_t i = 1; i <= 3000; ++i) keys.push_back(i);
  for (std::int32_t i = 0; i < 3000; ++i) keys.push_back(0x10000000 + i * 64);
  for (int i = 0; i < 3000; ++i) keys.push_back(static_cast<std::int32_t>(random()));
  for (int i = 0; i < 1000; ++i) keys.push_back(keys[random() % keys.size()]);

  TKeyIndex index;
  std::unordered_map<std::int32_t, std::uint32_t> reference;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const auto value = static_cast<std::uint32_t>(i);
    EXPECT_EQ(index.Emplace(keys[i], value), reference.emplace(keys[i], value).second) << keys[i];
  }
  EXPECT_EQ(index.Size(), reference.size());
  for (const auto& [key, value] : reference) {
    const std::uint32_t* found = index.Find(key);
    ASSERT_NE(found, nullptr) << key;
    EXPECT_EQ(*found, value) << key;  // the first value given for the key
  }
  for (std::int32_t missing : {2, 3, 0x10000000 + 32, 5000}) {
    if (reference.count(missing) == 0) {
      EXPECT_EQ(index.Find(missing), nullptr) << missing;
    }
  }
}

TEST(KeyIndex, AnEmptyIndexFindsNothing) {
  const TKeyIndex index;
  EXPECT_EQ(index.Find(0), nullptr);
  EXPECT_EQ(index.Find(12), nullptr);
  EXPECT_EQ(index.Size(), 0u);
}

}  // namespace
