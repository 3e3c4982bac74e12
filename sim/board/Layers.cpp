#include "sim/board/Layers.h"

#include <cctype>

namespace sim {
namespace {

struct FixedLayerNames {
  int layer;
  const char* key;
  const char* display;
};

// Layers whose names carry no number; the numbered ranges are built in code.
constexpr FixedLayerNames kFixedNames[] = {
    {0, "NoLayer", "No Layer"},
    {1, "TopLayer", "Top Layer"},
    {32, "BottomLayer", "Bottom Layer"},
    {33, "TopOverlay", "Top Overlay"},
    {34, "BottomOverlay", "Bottom Overlay"},
    {35, "TopPaste", "Top Paste"},
    {36, "BottomPaste", "Bottom Paste"},
    {37, "TopSolder", "Top Solder Mask"},
    {38, "BottomSolder", "Bottom Solder Mask"},
    {55, "DrillGuide", "Drill Guide"},
    {56, "KeepOutLayer", "Keep Out Layer"},
    {73, "DrillDrawing", "Drill Drawing"},
    {74, "MultiLayer", "Multi Layer"},
    {75, "ConnectLayer", "Connect Layer"},
    {76, "BackGroundLayer", "BackGround"},
    {77, "DRCErrorLayer", "DRC Errors"},
    {78, "HighlightLayer", "Highlight Layer"},
    {79, "GridColor1", "Grid Color 1"},
    {80, "GridColor10", "Grid Color 10"},
    {81, "PadHoleLayer", "Pad Hole Layer"},
    {82, "ViaHoleLayer", "Via Hole Layer"},
};

const FixedLayerNames* FixedNames(int layer) {
  for (const FixedLayerNames& n : kFixedNames)
    if (n.layer == layer) return &n;
  return nullptr;
}

std::string Folded(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string LayerKeyName(int layer) {
  if (layer < 0 || layer > kLastLayer) return {};
  if (const FixedLayerNames* n = FixedNames(layer)) return n->key;
  if (layer >= 2 && layer <= 31) return "MidLayer" + std::to_string(layer - 1);
  if (IsPlaneLayer(layer)) return "InternalPlane" + std::to_string(layer - 38);
  return "Mechanical" + std::to_string(layer - 56);  // 57..72
}

std::string LayerDisplayName(int layer) {
  if (layer < 0 || layer > kLastLayer) return {};
  if (const FixedLayerNames* n = FixedNames(layer)) return n->display;
  if (layer >= 2 && layer <= 31) return "Mid Layer " + std::to_string(layer - 1);
  if (IsPlaneLayer(layer)) return "Internal Plane " + std::to_string(layer - 38);
  return "Mechanical Layer " + std::to_string(layer - 56);
}

std::optional<LayerNumber> ParseLayerName(std::string_view text) {
  if (!text.empty() && text.size() <= 2 && std::isdigit(static_cast<unsigned char>(text[0])) &&
      std::isdigit(static_cast<unsigned char>(text.back()))) {
    int n = 0;
    for (char c : text) n = n * 10 + (c - '0');
    if (n <= kLastLayer) return static_cast<LayerNumber>(n);
    return std::nullopt;
  }
  const std::string wanted = Folded(text);
  if (wanted.empty()) return std::nullopt;
  for (int layer = 0; layer <= kLastLayer; ++layer)
    if (Folded(LayerKeyName(layer)) == wanted || Folded(LayerDisplayName(layer)) == wanted)
      return static_cast<LayerNumber>(layer);
  return std::nullopt;
}

}  // namespace sim
