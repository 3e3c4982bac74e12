#pragma once
// The binding to the host's PCB server library and one wrapper per entry
// point that the exporter calls.
//
// The library is never loaded or freed by us: it is looked up among the
// modules already loaded in the process, and the entry points of
// PcbApiNames.inc are bound by name in that order. Every wrapper binds again first while the module
// is absent (so a library loaded after us is picked up at the next call),
// returns a fixed default without calling anything when its entry point is
// not bound, and otherwise calls the entry point. Wrappers never raise.
#include <cstddef>
#include <string_view>

#include "host/PcbApi.h"
#include "host/RT_PCB.h"

// Binds (again) all entry points; called when the library is loaded.
void BindPcbApi();
// Whether the host's PCB server module was found.
bool PcbApiModuleFound();
// The bound address of the entry point with the given binding index, binding
// again first while the module is absent; nullptr when not bound.
void* BoundEntryPoint(std::size_t index);
// The binding index of a name, or kPcbApiNameCount when unknown.
std::size_t PcbApiIndexOf(std::string_view name);
// The name at a binding index.
const char* PcbApiNameAt(std::size_t index);

// Wrappers whose arguments differ from their entry points.
// The iterator takes a Layer and passes its LayerCode.
THandle PcbApi_CreateIterator(THandle container, TObjectKindByte kind, std::uint8_t filter, Layer layer);
// The board's current layer travels as a LayerCode; the wrapper converts it
// there and back in both modes.
std::int32_t PcbApi_QueryBoard(TMode mode, THandle board, std::int32_t* value1, TShortString* text, std::uint8_t* byte1,
                               std::int32_t* value2, std::int32_t* value3, std::int32_t* value4, std::int32_t* value5,
                               std::uint8_t* byte2, Layer* currentLayer, std::int32_t* value6);
// Texts are copied into a 256-byte buffer whose address is passed.
void PcbApi_Percent_Init(std::string_view caption, std::int32_t total);
std::int32_t PcbApi_AddMemberToClass(THandle objectClass, std::string_view member);
// Counts the step (host/ReadFailures.h) whether or not the entry point is bound.
void PcbApi_Percent_Update();
// Empty first; then at most 254 characters of what the host writes.
void PcbApi_GetDesignatorDisplayString(TCountedString<254>& result, THandle object);
// The one wrapper that does not bind again while the module is absent.
std::int32_t PcbApi_QueryDefaultPCB3DModel(TMode mode, THandle component, TShortString* model);

// The plain wrappers, made by the build from PcbApiUsed.inc.
#define TQ_PCBPROCS_DECLARE
#include "host/PCBProcsWrappers.inc"
#undef TQ_PCBPROCS_DECLARE
