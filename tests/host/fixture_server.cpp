// A stand-in for the host's PCB server library with only a handful of entry
// points, built as libBrondel.so in a directory of its own. The binding tests
// load it late and check what is bound and what falls back to defaults.
#include <cstring>

#include "host/PcbApi.h"

#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
char g_caption[257] = {};
std::int32_t g_total = -1;
TLayerCode g_lastIteratorCode = 0xFFFFFFFFu;
}  // namespace

FIXTURE_EXPORT THandle PcbApi_GetCurrentBoardHandle() { return 4242; }

FIXTURE_EXPORT void PcbApi_Percent_Init(const TShortString* caption, std::int32_t total) {
  std::memcpy(g_caption, caption, sizeof(TShortString));
  g_total = total;
}

FIXTURE_EXPORT THandle PcbApi_CreateIterator(THandle, TObjectKindByte, std::uint8_t, TLayerCode code) {
  g_lastIteratorCode = code;
  return 7;
}

// Writes a full 255-character text, more than the wrapper may keep.
FIXTURE_EXPORT void PcbApi_GetDesignatorDisplayString(TShortString* result, THandle) {
  result->Length = 255;
  std::memset(result->Chars, 'D', 255);
}

// Moves the board's current layer code on by one.
FIXTURE_EXPORT std::int32_t PcbApi_QueryBoard(TMode, THandle, std::int32_t*, TShortString*, std::uint8_t*,
                                              std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*, std::uint8_t*,
                                              TLayerCode* code, std::int32_t*) {
  *code = *code + 1;
  return 0;
}

FIXTURE_EXPORT std::int32_t PcbApi_QueryDefaultPCB3DModel(TMode, THandle, TShortString* model) {
  model->Assign("model");
  return 5;
}

// What the fixture saw, for the tests.
FIXTURE_EXPORT const char* Fixture_Caption() {
  static char text[256];
  std::memcpy(text, g_caption + 1, static_cast<unsigned char>(g_caption[0]));
  text[static_cast<unsigned char>(g_caption[0])] = '\0';
  return text;
}
FIXTURE_EXPORT std::int32_t Fixture_Total() { return g_total; }
FIXTURE_EXPORT TLayerCode Fixture_LastIteratorCode() { return g_lastIteratorCode; }
