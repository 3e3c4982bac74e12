#pragma once
// What the export reads of the host's current board through its object
// interfaces, handed over as plain values: the layers of the stack with
// their copper and dielectric, and the names the host gives its layers.
// Every failing interface call raises EHostError (host/HostAccess.h); what
// was handed over before stays handed over.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "host/RT_PCB.h"

// One layer of the host's stack as the host describes it.
struct TStackLayerValues {
  std::uint8_t Number = 0;  // 0..82
  std::int32_t CopperThickness = 0;
  bool HasDielectric = false;  // the host gave a dielectric object
  // The dielectric beneath the layer; 0 and empty without one.
  std::int32_t DielectricHeight = 0;
  double DielectricConstant = 0.0;
  std::u16string DielectricMaterial;
};

// Walks the layer stack of the current board from its first layer to its
// last and hands each layer's values to visit, one layer after the other: a
// layer's values are all read (thickness, dielectric, then the dielectric's
// height, constant and material) before visit sees them, and before the next
// layer is asked for. A layer whose number lies outside 0..82 is passed over
// unread. False, with no visit, when there is no stack to walk (no PCB
// server, no current board, or the board reports another kind of object).
bool ReadStackLayers(const std::function<void(const TStackLayerValues&)>& visit);

// The names of the layers as the host gives them, by layer number.
struct THostLayerNames {
  // Whether the host's PCB server has a current board.
  bool HasBoard = false;
  // Empty where the board's layer stack has no layer object for the layer
  // (or there is no stack), and for the keep-out and multi layers, which are
  // not asked for.
  std::array<std::optional<std::u16string>, kLayerCount> Names;
};

// Asks the current board's layer stack for the layer object of every layer
// 0..82 in turn (but the keep-out and multi layers) and reads its name.
THostLayerNames ReadHostLayerNames();
