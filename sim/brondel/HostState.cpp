#include "sim/brondel/HostState.h"

#include <iterator>

namespace sim {

namespace {

// The interface operations that can be made to fail; the entry points follow
// them in the failure switch's list.
const char* const kInterfaceOperations[] = {
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
};
static_assert(std::size(kInterfaceOperations) == kInterfaceOperationCount);

std::vector<std::string> Operations() {
  std::vector<std::string> list(std::begin(kInterfaceOperations), std::end(kInterfaceOperations));
#define TQ_PCBAPI_FN(ret, name, def, params) list.emplace_back(#name);
#include "host/PcbApiUsed.inc"
#undef TQ_PCBAPI_FN
  return list;
}

}  // namespace

HostState::HostState() : failures(Operations()) {}

void HostState::Reset() {
  noCurrentBoard = false;
  progress = Progress{};
  iterators.clear();
  failures.Clear();
  documentsAvailable = true;
  hostileStrings = false;
  documentLog.clear();
}

void TraceCall(int id, bool failed) {
  HostState& s = State();
  std::fprintf(s.trace, "%s%s\n", s.failures.Name(id).c_str(), failed ? " (failed)" : "");
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
