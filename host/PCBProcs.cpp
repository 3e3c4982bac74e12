#include "host/PCBProcs.h"

#include "host/ReadFailures.h"
#include "platform/Platform.h"

namespace {

platform::ModuleHandle g_module = nullptr;
void* g_entryPoints[kPcbApiNameCount] = {};

// Binds once when the library is loaded.
struct BindAtLoad {
  BindAtLoad() { BindPcbApi(); }
} g_bindAtLoad;

void* EntryPointNoRebind(std::size_t index) { return index < kPcbApiNameCount ? g_entryPoints[index] : nullptr; }

std::size_t IndexOf(const char* name) { return PcbApiIndexOf(name); }

}  // namespace

void BindPcbApi() {
  g_module = platform::FindLoadedModule(kPcbServerModuleName);
  for (std::size_t i = 0; i < kPcbApiNameCount; ++i)
    g_entryPoints[i] = g_module != nullptr ? platform::FindExport(g_module, kPcbApiNames[i]) : nullptr;
}

bool PcbApiModuleFound() { return g_module != nullptr; }

void* BoundEntryPoint(std::size_t index) {
  if (g_module == nullptr) BindPcbApi();
  return EntryPointNoRebind(index);
}

std::size_t PcbApiIndexOf(std::string_view name) {
  for (std::size_t i = 0; i < kPcbApiNameCount; ++i)
    if (name == kPcbApiNames[i]) return i;
  return kPcbApiNameCount;
}

const char* PcbApiNameAt(std::size_t index) { return index < kPcbApiNameCount ? kPcbApiNames[index] : ""; }

THandle PcbApi_CreateIterator(THandle container, TObjectKindByte kind, std::uint8_t filter, Layer layer) {
  static const std::size_t index = IndexOf("PcbApi_CreateIterator");
  auto fn = reinterpret_cast<PcbApi_CreateIterator_t>(BoundEntryPoint(index));
  if (fn == nullptr) return 0;
  const THandle iterator = fn(container, kind, filter, LayerToLayerCode(layer));
  // An iterator the host could not create: its walk yields nothing. Each is
  // a list of its own (a kind, a layer), whatever its container.
  if (iterator == 0 && container != 0) NoteReadFailure(index);
  return iterator;
}

std::int32_t PcbApi_QueryBoard(TMode mode, THandle board, std::int32_t* value1, TShortString* text, std::uint8_t* byte1,
                               std::int32_t* value2, std::int32_t* value3, std::int32_t* value4, std::int32_t* value5,
                               std::uint8_t* byte2, Layer* currentLayer, std::int32_t* value6) {
  static const std::size_t index = IndexOf("PcbApi_QueryBoard");
  auto fn = reinterpret_cast<PcbApi_QueryBoard_t>(BoundEntryPoint(index));
  if (fn == nullptr) return 0;
  TLayerCode code = LayerToLayerCode(*currentLayer);
  const std::int32_t result =
      fn(mode, board, value1, text, byte1, value2, value3, value4, value5, byte2, &code, value6);
  *currentLayer = LayerCodeToLayer(code);
  if (result != 0 && board != 0) NoteReadFailure(index, board);
  return result;
}

void PcbApi_Percent_Init(std::string_view caption, std::int32_t total) {
  static const std::size_t index = IndexOf("PcbApi_Percent_Init");
  auto fn = reinterpret_cast<PcbApi_Percent_Init_t>(BoundEntryPoint(index));
  if (fn == nullptr) return;
  TShortString buffer(caption);
  fn(&buffer, total);
}

void PcbApi_Percent_Update() {
  static const std::size_t index = IndexOf("PcbApi_Percent_Update");
  NoteProgressStep();
  auto fn = reinterpret_cast<PcbApi_Percent_Update_t>(BoundEntryPoint(index));
  if (fn != nullptr) fn();
}

std::int32_t PcbApi_AddMemberToClass(THandle objectClass, std::string_view member) {
  static const std::size_t index = IndexOf("PcbApi_AddMemberToClass");
  auto fn = reinterpret_cast<PcbApi_AddMemberToClass_t>(BoundEntryPoint(index));
  if (fn == nullptr) return 1;
  TShortString buffer(member);
  const std::int32_t result = fn(objectClass, &buffer);
  if (result != 0 && objectClass != 0) NoteReadFailure(index, objectClass);
  return result;
}

void PcbApi_GetDesignatorDisplayString(TCountedString<254>& result, THandle object) {
  static const std::size_t index = IndexOf("PcbApi_GetDesignatorDisplayString");
  result.Clear();
  auto fn = reinterpret_cast<PcbApi_GetDesignatorDisplayString_t>(BoundEntryPoint(index));
  if (fn == nullptr) return;
  TShortString buffer;
  fn(&buffer, object);
  result.Assign(buffer.view());
}

std::int32_t PcbApi_QueryDefaultPCB3DModel(TMode mode, THandle component, TShortString* model) {
  static const std::size_t index = IndexOf("PcbApi_QueryDefaultPCB3DModel");
  auto fn = reinterpret_cast<PcbApi_QueryDefaultPCB3DModel_t>(EntryPointNoRebind(index));
  if (fn == nullptr) return 0;
  const std::int32_t result = fn(mode, component, model);
  if (result != 0 && component != 0) NoteReadFailure(index, component);
  return result;
}

#include "host/PCBProcsWrappers.inc"
