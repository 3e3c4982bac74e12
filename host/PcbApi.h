#pragma once
// The boundary to the host's PCB server library.
//
// Rules that hold for every entry point declared here:
//  - Calling convention: stdcall on Windows (TQ_STDCALL), arguments in the
//    order given in PcbApiUsed.inc.
//  - Handles are opaque 32-bit values naming one host object; 0 means none.
//  - Mode, object kind, layer and filter arguments are bytes; each takes a
//    32-bit argument position of which only the low byte carries the value.
//  - Mode 1 asks the host to fill the out-parameters, mode 0 asks it to take
//    the pointed-to values. A query result of 0 means success.
//  - Out-parameters point to storage that the caller owns; the host writes
//    each field through its own pointer with exactly the field's width.
//  - A counted string (CountedString.h) is passed as the address of a
//    256-byte buffer, and the host may fill all of it. A field of smaller
//    capacity (a pad's 20-character name) is never handed over directly: it
//    goes through a TShortString and is cut when copied back
//    (TShortStringExchange).
//  - Layers are LayerCode (32-bit) values for the iterator, the board's
//    current layer and the common object header, and Layer bytes elsewhere.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "host/CallConv.h"
#include "host/CountedString.h"

using THandle = std::int32_t;
using TLayerCode = std::uint32_t;
using TLayerByte = std::uint8_t;
using TMode = std::uint8_t;
using TObjectKindByte = std::uint8_t;
using TString20 = TCountedString<20>;
using TString250 = TCountedString<250>;

#pragma pack(push, 1)
// The eight-value record of a dimension object.
struct TDimensionRecord {
  std::int32_t Values[8];
};
#pragma pack(pop)

// Sizes of the opaque buffers that some queries fill.
inline constexpr std::size_t kPolygonOutlineBytes = 185037;
inline constexpr std::size_t kEmbeddedDataBytes = 4096;

// Every entry point of the host's PCB server library, in binding order.
inline constexpr const char* kPcbApiNames[] = {
#define TQ_PCBAPI_NAME(index, name) #name,
#include "host/PcbApiNames.inc"
#undef TQ_PCBAPI_NAME
};
inline constexpr std::size_t kPcbApiNameCount = std::size(kPcbApiNames);

// One pointer type per used entry point: PcbApi_Xxx_t. The arguments are a
// type and a parameter list, which parentheses would break.
// NOLINTNEXTLINE(bugprone-macro-parentheses)
#define TQ_PCBAPI_FN(ret, name, def, params) using name##_t = ret(TQ_STDCALL*) params;
#include "host/PcbApiUsed.inc"
#undef TQ_PCBAPI_FN

// The name of the host's PCB server module as the host loads it.
inline constexpr const char* kPcbServerModuleName = "Brondel.dll";
