#include "host/LayerStack.h"

#include "host/RT_PCB.h"
#include "host/StackReads.h"

THostRef<IPcbLayerStack> CurrentLayerStack() {
  THostRef<IPcbLayerStack> stack;
  THostRef<IPcbServer> server = GetPcbServer();
  THostRef<IPcbBoard> board = GetCurrentBoardInterface(server.get());
  if (!board) return stack;
  std::uint8_t kind = 0;
  CheckHost(board->GetObjectKind(&kind), THostOperation::IPcbBoard_GetObjectKind);
  if (kind == kBoardObjectKind)
    CheckHost(board->GetLayerStack(stack.Receive()), THostOperation::IPcbBoard_GetLayerStack);
  return stack;
}

bool ReadStackLayers(const std::function<void(const TStackLayerValues&)>& visit) {
  THostRef<IPcbLayerStack> stack = CurrentLayerStack();
  if (!stack) return false;
  ForEachStackLayer(*stack.get(), [&](IPcbLayer& layer, std::uint8_t number) {
    if (number >= kLayerCount) return;
    TStackLayerValues values;
    values.Number = number;
    CheckHost(layer.GetCopperThickness(&values.CopperThickness), THostOperation::IPcbLayer_GetCopperThickness);
    THostRef<IPcbDielectric> dielectric;
    CheckHost(layer.GetDielectric(dielectric.Receive()), THostOperation::IPcbLayer_GetDielectric);
    values.HasDielectric = static_cast<bool>(dielectric);
    if (dielectric) {
      CheckHost(dielectric->GetHeight(&values.DielectricHeight), THostOperation::IPcbDielectric_GetHeight);
      CheckHost(dielectric->GetConstant(&values.DielectricConstant), THostOperation::IPcbDielectric_GetConstant);
      values.DielectricMaterial = ReadHostText(
          [&](char16_t* buffer, std::int32_t capacity) { return dielectric->GetMaterial(buffer, capacity); },
          THostOperation::IPcbDielectric_GetMaterial);
    }
    visit(values);
  });
  return true;
}

THostLayerNames ReadHostLayerNames() {
  THostLayerNames names;
  THostRef<IPcbServer> server = GetPcbServer();
  THostRef<IPcbBoard> board = GetCurrentBoardInterface(server.get());
  THostRef<IPcbLayerStack> stack;
  if (board) CheckHost(board->GetLayerStack(stack.Receive()), THostOperation::IPcbBoard_GetLayerStack);
  names.HasBoard = static_cast<bool>(board);
  for (int i = 0; i < kLayerCount; ++i) {
    if (i == kKeepOutLayer || i == kMultiLayer) continue;
    THostRef<IPcbLayer> layer;
    if (stack)
      CheckHost(stack->LayerForCode(LayerToLayerCode(i), layer.Receive()), THostOperation::IPcbLayerStack_LayerForCode);
    if (layer)
      names.Names[static_cast<std::size_t>(i)] =
          ReadHostText([&](char16_t* buffer, std::int32_t capacity) { return layer->GetName(buffer, capacity); },
                       THostOperation::IPcbLayer_GetName);
  }
  return names;
}
