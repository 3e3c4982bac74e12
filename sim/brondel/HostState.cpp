#include "sim/brondel/HostState.h"

namespace sim {

namespace {

std::vector<std::string> Operations() {
  // The operations first, numbered as ModuleOperationId numbers them; the
  // entry points follow.
  std::vector<std::string> list = ModuleOperations(THostModule::Pcb);
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

void TraceLine(const std::string& line) {
  HostState& s = State();
  if (s.trace != nullptr) std::fprintf(s.trace, "%s\n", line.c_str());
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
