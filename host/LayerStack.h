#pragma once
// The layer stack of the host's current board, walked through the host's
// object interfaces (PCB server, board, layer stack, layer objects) from its
// first layer to its last, as the host presents it. The STACKUP section and
// the padstacks of vias walk it.
//
// Every failing interface call raises EHostError.
#include <cstdint>
#include <utility>

#include "host/HostAccess.h"
#include "host/HostInterfaces.h"

// The object kind the host reports for a board.
inline constexpr std::uint8_t kBoardObjectKind = 25;

// A real stack holds far fewer layers: a walk that reaches this many is a
// host whose NextLayer never ends, and raises EHostError.
inline constexpr int kMaxStackLayers = 1000;

// The layer stack of the current board; empty when there is no PCB server,
// no current board, or the board interface reports another kind of object.
THostRef<IPcbLayerStack> CurrentLayerStack();

// Calls visit(layer, number) for each layer of the stack, first to last, with
// the layer number the layer object reports (which may lie outside 0..82).
template <typename Visit>
void ForEachStackLayer(IPcbLayerStack& stack, Visit&& visit) {
  THostRef<IPcbLayer> layer;
  CheckHost(stack.FirstLayer(layer.Receive()), THostOperation::IPcbLayerStack_FirstLayer);
  for (int count = 0; layer; ++count) {
    if (count == kMaxStackLayers)
      throw EHostError(
          std::string(HostOperationName(THostOperation::IPcbLayerStack_NextLayer)) + " (the layer stack does not end)",
          kHostFail);
    std::uint8_t number = 0;
    CheckHost(layer->GetLayerNumber(&number), THostOperation::IPcbLayer_GetLayerNumber);
    visit(*layer.get(), number);
    THostRef<IPcbLayer> next;
    CheckHost(stack.NextLayer(layer.get(), next.Receive()), THostOperation::IPcbLayerStack_NextLayer);
    layer = std::move(next);
  }
}
