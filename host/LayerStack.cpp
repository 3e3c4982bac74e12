#include "host/LayerStack.h"

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
