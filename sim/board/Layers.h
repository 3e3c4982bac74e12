#pragma once
// The simulated host's own vocabulary of layers: the 83 classic layer numbers
// (0..82), their key names ("TopLayer", "MidLayer1", "InternalPlane1", ...)
// and the names the editor shows ("Top Layer", "Mid Layer 1", ...). For the
// classic layers a layer's code is its number.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/RT_PCB.h"

namespace sim {

// The host's layer numbers, shared with the exporter's layer vocabulary.
using LayerNumber = Layer;
using ::kBottomLayer;
using ::kKeepOutLayer;
using ::kLayerCount;
using ::kMultiLayer;
using ::kNoLayer;
using ::kTopLayer;
inline constexpr LayerNumber kTopOverlay = 33;
inline constexpr LayerNumber kBottomOverlay = 34;
inline constexpr LayerNumber kFirstPlane = kInternalPlane1;
inline constexpr LayerNumber kLastPlane = kInternalPlane16;
inline constexpr LayerNumber kLastLayer = kMaxLayer;

using ::IsSignalLayer;
inline constexpr bool IsPlaneLayer(int layer) { return layer >= kFirstPlane && layer <= kLastPlane; }
inline constexpr bool IsElectricalLayer(int layer) { return IsSignalLayer(layer) || IsPlaneLayer(layer); }

// "TopLayer", "MidLayer1" .. "MidLayer30", "InternalPlane1", ...; empty text
// outside 0..82.
std::string LayerKeyName(int layer);
// "Top Layer", "Mid Layer 1", "Internal Plane 1", "Keep Out Layer", ...;
// empty text outside 0..82.
std::string LayerDisplayName(int layer);

// A layer named by its key name or its display name, letter case and spaces
// ignored ("TopLayer", "top layer", "Internal Plane 2"), or by its number
// written in decimal ("39"). Nothing for anything else.
std::optional<LayerNumber> ParseLayerName(std::string_view text);

// The layers beyond the classic range that objects may lie on: extended
// signal layers "MidLayer31" .. "MidLayer65533" (code SignalLayerCode(n + 1)),
// extended planes "InternalPlane17" .. "InternalPlane65535" and extended
// mechanical layers "Mechanical17" .. "Mechanical65535" (letter case and
// spaces ignored). Nothing for anything else, the classic names included.
std::optional<LayerCode> ParseExtendedLayerName(std::string_view text);
// The key name of an object's layer code: the classic key name for 0..82,
// the names above for the extended codes; empty text for any other code.
std::string ObjectLayerName(LayerCode code);

}  // namespace sim
