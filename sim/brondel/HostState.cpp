#include "sim/brondel/HostState.h"

namespace sim {

HostState::HostState()
    : failures({
          "IHostClient::GetServerModule",
          "IHostClient::GetDocumentForPath",
          "IHostServerModule::QueryInterface",
          "IHostDocument::BeginChange",
          "IHostDocument::EndChange",
          "IPcbServer::GetCurrentBoard",
          "IPcbServer::GetInterfaceForHandle",
          "IPcbBoard::GetObjectKind",
          "IPcbBoard::GetLayerStack",
          "IPcbLayerStack::FirstLayer",
          "IPcbLayerStack::NextLayer",
          "IPcbLayerStack::LayerForCode",
          "IPcbLayer::GetLayerNumber",
          "IPcbLayer::GetName",
          "IPcbLayer::GetCopperThickness",
          "IPcbLayer::GetDielectric",
          "IPcbLayer::GetIsPresent",
          "IPcbDielectric::GetHeight",
          "IPcbDielectric::GetConstant",
          "IPcbDielectric::GetMaterial",
          "IPcbVia::ReachesLayer",
          "IPcbVia::ConnectsToPlane",
          "IPcbVia::ConnectionStyle",
  // The entry points the exporter calls.
#define TQ_PCBAPI_FN(ret, name, def, params) #name,
#include "host/PcbApiUsed.inc"
#undef TQ_PCBAPI_FN
      }) {}

void HostState::Reset() {
  noCurrentBoard = false;
  progress = Progress{};
  iterators.clear();
  failures.Clear();
  documentsAvailable = true;
  hostileStrings = false;
  documentLog.clear();
}

bool EntryFails(const char* name) {
  HostState& s = State();
  const bool fails = s.failures.Fails(name);
  if (s.trace != nullptr) std::fprintf(s.trace, "%s%s\n", name, fails ? " (failed)" : "");
  return fails;
}

HostState& State() {
  static HostState state;
  return state;
}

Board* CurrentBoard() {
  HostState& s = State();
  return s.noCurrentBoard ? nullptr : s.board.get();
}

std::shared_ptr<Board> CurrentBoardShared() {
  HostState& s = State();
  return s.noCurrentBoard ? nullptr : s.board;
}

std::int32_t& OutstandingReferences() {
  static std::int32_t count = 0;
  return count;
}

}  // namespace sim
