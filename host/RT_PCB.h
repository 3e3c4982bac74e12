#pragma once
// Layers in their two forms: the Layer number (a byte 0..82) that the object
// model, the layer stack and the per-layer host queries use, and the host's
// 32-bit LayerCode used by the iterator, the board's current layer and the
// layer every object carries. For the 83 classic layers the code equals the
// number; further codes name extended signal, plane and mechanical layers,
// three display layers and six layer classes.
#include <cstdint>
#include <stdexcept>
#include <string>

using Layer = std::uint8_t;
using LayerCode = std::uint32_t;
using LayerKind = std::uint8_t;

inline constexpr Layer kNoLayer = 0;
inline constexpr Layer kTopLayer = 1;
inline constexpr Layer kBottomLayer = 32;
inline constexpr Layer kInternalPlane1 = 39;
inline constexpr Layer kInternalPlane16 = 54;
inline constexpr Layer kKeepOutLayer = 56;
inline constexpr Layer kMultiLayer = 74;
inline constexpr Layer kMaxLayer = 82;
inline constexpr int kLayerCount = 83;  // 0..82

// The 32 signal layers, top to bottom (1..32): copper that carries tracks.
inline constexpr bool IsSignalLayer(int layer) { return layer >= kTopLayer && layer <= kBottomLayer; }

// Class codes (nonzero, low 16 bits zero).
inline constexpr LayerCode kAllLayersCode = 0xFFFF0000u;
inline constexpr LayerCode kElectricalLayersCode = 0x01000000u;
inline constexpr LayerCode kSignalLayersCode = 0x01010000u;
inline constexpr LayerCode kMidLayersCode = 0x01020000u;
inline constexpr LayerCode kInternalPlaneLayersCode = 0x01040000u;
inline constexpr LayerCode kMechanicalLayersCode = 0x04000000u;

// Raised by the layer-code constructors for numbers outside their range.
class ELayerException : public std::runtime_error {
 public:
  explicit ELayerException(const std::string& message) : std::runtime_error(message) {}
};

// n for 0 <= n <= 82, 0 for any other number.
LayerCode LayerToLayerCode(int layer);
// The Layer that a code stands for; extended layers collapse onto the last
// classic layer of their kind.
Layer LayerCodeToLayer(LayerCode code);

LayerCode SignalLayerCode(std::uint64_t n);
LayerCode MidLayerCode(std::uint64_t m);
LayerCode InternalPlaneLayerCode(std::uint64_t n);
LayerCode MechanicalLayerCode(std::uint64_t n);

bool IsClassLayerCode(LayerCode code);
LayerKind GetLayerKind(LayerCode code);
std::uint32_t LayerCodeIndex(LayerCode code);
bool IsDesignLayerCode(LayerCode code);

// Names.
std::string LayerKeyName(Layer layer);  // "TopLayer", "MidLayer1", ...; empty above 82
std::string LayerKindName(LayerKind kind);
std::string LayerCodeName(LayerCode code);
// "Any Layer" for code 0, otherwise LayerCodeName cut to 255 characters.
std::string LayerDisplayName(LayerCode code);

// A set of Layer numbers in 11 bytes: layer n is bit (n mod 8) of byte
// (n div 8). Members above 82 can be stored but are never visited.
class LayerSet {
 public:
  static constexpr int kCapacity = 88;
  LayerSet() = default;
  LayerSet(std::initializer_list<int> layers) {
    for (int l : layers) Include(l);
  }
  static LayerSet Range(int first, int last) {
    LayerSet s;
    for (int l = first; l <= last; ++l) s.Include(l);
    return s;
  }
  void Include(int layer) {
    if (layer >= 0 && layer < kCapacity) bytes_[layer / 8] |= static_cast<std::uint8_t>(1u << (layer % 8));
  }
  void Exclude(int layer) {
    if (layer >= 0 && layer < kCapacity) bytes_[layer / 8] &= static_cast<std::uint8_t>(~(1u << (layer % 8)));
  }
  bool Contains(int layer) const {
    return layer >= 0 && layer < kCapacity && (bytes_[layer / 8] & (1u << (layer % 8))) != 0;
  }

 private:
  std::uint8_t bytes_[11] = {};
};
static_assert(sizeof(LayerSet) == 11, "a layer set is 11 bytes");
