#include <dlfcn.h>
#include <gtest/gtest.h>

#include "host/PCBProcs.h"

namespace {

void* LoadFixture() { return dlopen(TQ_FIXTURE_DIR "/libBrondel.so", RTLD_NOW | RTLD_GLOBAL); }

// The tests run in order in one process: the fixture library is loaded only
// after the first test has seen the wrappers without it.
TEST(Binding, WithoutTheServerEveryWrapperGivesItsDefault) {
  EXPECT_FALSE(PcbApiModuleFound());
  EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), 0);
  std::uint8_t splitMode = 9;
  EXPECT_EQ(PcbApi_QueryBoardSplitPlaneMode(1, 1, &splitMode), 1);
  EXPECT_EQ(splitMode, 9);  // out-parameters stay as the caller set them
  std::int32_t count = 3;
  EXPECT_EQ(PcbApi_QueryBoardLayerPairsCount(1, &count, 1), 1);
  EXPECT_EQ(PcbApi_QueryManualFromTo(1, 1, nullptr, nullptr, nullptr, nullptr, nullptr), 1);
  TShortString member("x");
  EXPECT_EQ(PcbApi_GetMemberFromClassAt(1, 0, &member), 1);
  EXPECT_EQ(PcbApi_AddMemberToClass(1, "member"), 1);
  EXPECT_EQ(PcbApi_RemoveAllMembersFromClass(1), 1);
  EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(5), 0);
  TCountedString<254> display("old");
  PcbApi_GetDesignatorDisplayString(display, 1);
  EXPECT_EQ(display.view(), "");
  PcbApi_Percent_Init("ignored", 3);  // procedures do nothing
  EXPECT_EQ(PcbApi_CreateIterator(1, 4, 0, 56), 0);
}

TEST(Binding, AServerLoadedLaterIsBoundAtTheNextCall) {
  ASSERT_NE(LoadFixture(), nullptr) << dlerror();
  // This one wrapper never binds again by itself.
  TShortString model;
  EXPECT_EQ(PcbApi_QueryDefaultPCB3DModel(1, 1, &model), 0);
  EXPECT_EQ(model.view(), "");

  EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), 4242);
  EXPECT_TRUE(PcbApiModuleFound());
  EXPECT_EQ(PcbApi_QueryDefaultPCB3DModel(1, 1, &model), 5);
  EXPECT_EQ(model.view(), "model");

  // Names the server does not export keep their defaults; nothing is called.
  EXPECT_EQ(PcbApi_QueryTrack(1, 1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr),
            0);
  std::int32_t count = 3;
  EXPECT_EQ(PcbApi_QueryBoardLayerPairsCount(1, &count, 1), 1);
}

TEST(Binding, SpecialWrappersConvertCopyAndCut) {
  ASSERT_NE(LoadFixture(), nullptr) << dlerror();
  EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), 4242);
  PcbApi_Percent_Init("Saving " + std::string(300, 'x'), 12);
  auto caption = reinterpret_cast<const char* (*)()>(dlsym(RTLD_DEFAULT, "Fixture_Caption"));
  auto total = reinterpret_cast<std::int32_t (*)()>(dlsym(RTLD_DEFAULT, "Fixture_Total"));
  auto code = reinterpret_cast<TLayerCode (*)()>(dlsym(RTLD_DEFAULT, "Fixture_LastIteratorCode"));
  ASSERT_TRUE(caption && total && code);
  EXPECT_EQ(std::string(caption()).size(), 255u);
  EXPECT_EQ(total(), 12);

  EXPECT_EQ(PcbApi_CreateIterator(1, 4, 0, 32), 7);
  EXPECT_EQ(code(), 32u);
  PcbApi_CreateIterator(1, 4, 0, 83);  // not a layer: any layer
  EXPECT_EQ(code(), 0u);

  TCountedString<254> display;
  PcbApi_GetDesignatorDisplayString(display, 1);
  EXPECT_EQ(display.view(), std::string(254, 'D'));

  Layer current = 31;
  EXPECT_EQ(PcbApi_QueryBoard(1, 1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &current,
                              nullptr),
            0);
  EXPECT_EQ(current, 32);  // code 31 -> 32 in the host, back to Layer 32
}

TEST(Binding, NamesAreBoundInTheirFixedOrder) {
  EXPECT_EQ(PcbApiIndexOf("PcbApi_QueryFocusedPrimitive"), 0u);
  EXPECT_EQ(PcbApiIndexOf("PcbApi_GetCurrentBoardHandle"), 2u);
  EXPECT_EQ(PcbApiIndexOf("PCBAPI_GetUnaryRuleForPrimitive"), PcbApiIndexOf("PcbApi_TestTrack") + 1);
  EXPECT_EQ(PcbApiIndexOf("PcbApi_GetLayerPolygonShapesForOutputEx"), 277u);
  EXPECT_EQ(PcbApiIndexOf("PcbApi_NoSuchThing"), kPcbApiNameCount);
  EXPECT_STREQ(PcbApiNameAt(277), "PcbApi_GetLayerPolygonShapesForOutputEx");
}

}  // namespace
