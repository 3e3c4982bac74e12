#include "host/RT_PCB.h"

namespace {

constexpr std::uint32_t Tag(LayerCode code) { return code >> 16; }
constexpr std::uint32_t LowByte(LayerCode code) { return code & 0xFFu; }
constexpr std::uint32_t Low16(LayerCode code) { return code & 0xFFFFu; }

bool IsSignal(LayerCode code) {
  if (IsClassLayerCode(code)) return false;
  return Tag(code) == 0x0101u || (Tag(code) == 0 && LowByte(code) >= 1 && LowByte(code) <= 32);
}
bool IsPlane(LayerCode code) {
  if (IsClassLayerCode(code)) return false;
  return Tag(code) == 0x0104u || (Tag(code) == 0 && LowByte(code) >= 39 && LowByte(code) <= 54);
}
bool IsMechanical(LayerCode code) {
  if (IsClassLayerCode(code)) return false;
  return Tag(code) == 0x0400u || (Tag(code) == 0 && LowByte(code) >= 57 && LowByte(code) <= 72);
}

const char* const kKindNames[27] = {
    "No Layer",       "Top Layer",         "Mid Layer ",    "Bottom Layer",  "Internal Plane ", "Mechanical Layer ",
    "Top Overlay",    "Bottom Overlay",    "Top Paste",     "Bottom Paste",  "Top Solder Mask", "Bottom Solder Mask",
    "Drill Guide",    "Keep Out Layer",    "Drill Drawing", "Multi Layer",   "Connect Layer",   "BackGround",
    "DRC Errors",     "Highlight Layer",   "Grid Color 1",  "Grid Color 10", "Pad Hole Layer",  "Via Hole Layer",
    "Top Pad Master", "Bottom Pad Master", "DRC Details"};

}  // namespace

bool IsClassLayerCode(LayerCode code) { return code != 0 && Low16(code) == 0; }

LayerCode SignalLayerCode(std::uint64_t n) {
  if (n > 65535) throw ELayerException("Creating SignalLayer(" + std::to_string(n) + ")");
  if (n == 1) return 1;
  if (n == 65535) return 32;
  if (n >= 2 && n <= 31) return static_cast<LayerCode>(n);
  return 0x01010000u + static_cast<LayerCode>(n);
}

LayerCode MidLayerCode(std::uint64_t m) {
  // m + 1 cannot wrap: any m that large is out of range anyway.
  if (m >= 65535) throw ELayerException("Creating SignalLayer(" + std::to_string(m + 1) + ")");
  return SignalLayerCode(m + 1);
}

LayerCode InternalPlaneLayerCode(std::uint64_t n) {
  if (n == 0 || n > 65535) throw ELayerException("Creating InternalPlaneLayer(" + std::to_string(n) + ")");
  if (n <= 16) return static_cast<LayerCode>(n + 38);
  return 0x01040000u + static_cast<LayerCode>(n);
}

LayerCode MechanicalLayerCode(std::uint64_t n) {
  if (n == 0 || n > 65535) throw ELayerException("Creating MechanicalLayer(" + std::to_string(n) + ")");
  if (n <= 16) return static_cast<LayerCode>(n + 56);
  return 0x04000000u + static_cast<LayerCode>(n);
}

LayerCode LayerToLayerCode(int layer) {
  if (layer < 0 || layer > kMaxLayer) return 0;
  if (layer == 0) return 0;
  if (layer == 1) return SignalLayerCode(1);
  if (layer <= 31) return MidLayerCode(static_cast<std::uint64_t>(layer - 1));
  if (layer == 32) return SignalLayerCode(65535);
  if (layer >= 39 && layer <= 54) return InternalPlaneLayerCode(static_cast<std::uint64_t>(layer - 38));
  if (layer >= 57 && layer <= 72) return MechanicalLayerCode(static_cast<std::uint64_t>(layer - 56));
  return static_cast<LayerCode>(layer);
}

LayerKind GetLayerKind(LayerCode code) {
  if (IsSignal(code)) {
    if (code == 1) return 1;
    if (code == 32) return 3;
    return 2;
  }
  if (IsPlane(code)) return 4;
  if (IsMechanical(code)) return 5;
  if ((code >> 24) != 0) return 0;
  if (((code >> 16) & 0xFFu) != 0) return static_cast<LayerKind>(LowByte(code));
  const std::uint32_t low = LowByte(code);
  if (low >= 33 && low <= 38) return static_cast<LayerKind>(low - 33 + 6);
  if (low == 55) return 12;
  if (low == 56) return 13;
  if (low >= 73 && low <= 82) return static_cast<LayerKind>(low - 73 + 14);
  return 0;
}

std::uint32_t LayerCodeIndex(LayerCode code) {
  if ((code >> 24) != 0) return Low16(code);
  if (Tag(code) == 0) {
    const std::uint32_t low = LowByte(code);
    if (low >= 57 && low <= 72) return Low16(code) - 56;
    if (low >= 1 && low <= 32) return code == 32 ? 65535u : Low16(code);
    if (low >= 39 && low <= 54) return Low16(code) - 38;
  }
  return GetLayerKind(code);
}

bool IsDesignLayerCode(LayerCode code) {
  const LayerKind kind = GetLayerKind(code);
  return kind >= 1 && kind <= 15;
}

Layer LayerCodeToLayer(LayerCode code) {
  const LayerKind kind = GetLayerKind(code);
  const std::uint32_t index = LayerCodeIndex(code);
  auto capped = [](std::uint32_t v, std::uint32_t cap) { return v < cap ? v : cap; };
  switch (kind) {
    case 0:
      return 0;
    case 1:
      return 1;
    case 2:
      return static_cast<Layer>(capped(index - 1, 30) + 1);
    case 3:
      return 32;
    case 4:
      return static_cast<Layer>(capped(index, 16) + 38);
    case 5:
      return static_cast<Layer>(capped(index, 16) + 56);
    case 12:
      return 55;
    case 13:
      return 56;
    default:
      break;
  }
  if (kind >= 6 && kind <= 11) return static_cast<Layer>(kind - 6 + 33);
  if (kind >= 14 && kind <= 23) return static_cast<Layer>(kind - 14 + 73);
  return 0;
}

std::string LayerKeyName(Layer layer) {
  static const char* const kFixed[] = {"TopOverlay",  "BottomOverlay", "TopPaste",
                                       "BottomPaste", "TopSolder",     "BottomSolder"};  // 33..38
  static const char* const kHigh[] = {"DrillDrawing",  "MultiLayer",     "ConnectLayer", "BackGroundLayer",
                                      "DRCErrorLayer", "HighlightLayer", "GridColor1",   "GridColor10",
                                      "PadHoleLayer",  "ViaHoleLayer"};  // 73..82
  if (layer == 0) return "NoLayer";
  if (layer == 1) return "TopLayer";
  if (layer <= 31) return "MidLayer" + std::to_string(layer - 1);
  if (layer == 32) return "BottomLayer";
  if (layer <= 38) return kFixed[layer - 33];
  if (layer <= 54) return "InternalPlane" + std::to_string(layer - 38);
  if (layer == 55) return "DrillGuide";
  if (layer == 56) return "KeepOutLayer";
  if (layer <= 72) return "Mechanical" + std::to_string(layer - 56);
  if (layer <= 82) return kHigh[layer - 73];
  return {};
}

std::string LayerKindName(LayerKind kind) { return kind <= 26 ? kKindNames[kind] : "No Layer"; }

std::string LayerCodeName(LayerCode code) {
  if (IsClassLayerCode(code)) {
    switch (code) {
      case kElectricalLayersCode:
        return "Electrical Layers";
      case kMechanicalLayersCode:
        return "Mechanical Layers";
      case kInternalPlaneLayersCode:
        return "Internal Plane Layers";
      case kSignalLayersCode:
        return "Signal Layers";
      case kAllLayersCode:
        return "All Layers";
      case kMidLayersCode:
        return "Mid Layers";
      default:
        return {};
    }
  }
  if (IsMechanical(code)) return "Mechanical Layer " + std::to_string(LayerCodeIndex(code));
  if (IsSignal(code) && code != 1 && code != 32) return "Mid Layer " + std::to_string(LayerCodeIndex(code) - 1);
  if (IsPlane(code)) return "Internal Plane " + std::to_string(LayerCodeIndex(code));
  return LayerKindName(GetLayerKind(code));
}

std::string LayerDisplayName(LayerCode code) {
  if (code == 0) return "Any Layer";
  std::string name = LayerCodeName(code);
  if (name.size() > 255) name.resize(255);
  return name;
}
