#pragma once
// The simulated host's own vocabulary of layers: the 83 classic layer numbers
// (0..82), their key names ("TopLayer", "MidLayer1", "InternalPlane1", ...)
// and the names the editor shows ("Top Layer", "Mid Layer 1", ...). For the
// classic layers a layer's code is its number.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

using LayerNumber = std::uint8_t;

inline constexpr LayerNumber kNoLayer = 0;
inline constexpr LayerNumber kTopLayer = 1;
inline constexpr LayerNumber kBottomLayer = 32;
inline constexpr LayerNumber kTopOverlay = 33;
inline constexpr LayerNumber kBottomOverlay = 34;
inline constexpr LayerNumber kFirstPlane = 39;
inline constexpr LayerNumber kLastPlane = 54;
inline constexpr LayerNumber kKeepOutLayer = 56;
inline constexpr LayerNumber kMultiLayer = 74;
inline constexpr LayerNumber kLastLayer = 82;
inline constexpr int kLayerCount = 83;

inline constexpr bool IsSignalLayer(int layer) { return layer >= 1 && layer <= 32; }
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

}  // namespace sim
