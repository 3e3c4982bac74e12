#pragma once
// The state of the simulated host behind its PCB server library: the current
// board document, the progress display, live iterators, the failure switch of
// the object interfaces and the log of the objects for file paths.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/SimControl.h"
#include "sim/board/Board.h"
#include "sim/common/FailureSwitch.h"
#include "sim/common/OperationCalls.h"

namespace sim {

struct Progress {
  std::string caption;
  std::int32_t total = 0;
  std::int32_t steps = 0;
  std::int32_t opened = 0;
  std::int32_t closed = 0;
};

struct Iterator {
  std::vector<Handle> handles;
  std::size_t next = 0;
};

struct HostState {
  HostState();

  // The loaded board; shared with the interface objects made from it, which
  // keep it alive should another board be loaded meanwhile.
  std::shared_ptr<Board> board;
  bool noCurrentBoard = false;

  Progress progress;
  Sim_ProgressCallback progressCallback = nullptr;
  void* progressContext = nullptr;

  std::unordered_map<Handle, Iterator> iterators;
  Handle nextIterator = 0x70000001;

  FailureSwitch failures;
  bool documentsAvailable = true;
  // Texts written in query mode fill all 255 characters of a counted string,
  // whatever the capacity of the parameter's type (Sim_SetHostileStrings).
  bool hostileStrings = false;
  std::string documentLog;

  // The call trace of the entry points (Sim_SetCallTrace), or none.
  std::FILE* trace = nullptr;

  // Failures, counts, progress, iterators, log and flags to their start.
  void Reset();
};

// The one state of the library; inline so that every call site checks it in
// place (the entry-point gates reach it on every call).
inline HostState& State() {
  static HostState state;
  return state;
}

// The board the host has open, or nullptr.
inline Board* CurrentBoard() {
  HostState& s = State();
  return s.noCurrentBoard ? nullptr : s.board.get();
}
std::shared_ptr<Board> CurrentBoardShared();

// References handed out by the interface objects and not yet released.
std::int32_t& OutstandingReferences();

// Writes one line to the call trace, when there is one.
void TraceLine(const std::string& line);

// Counts and traces a call of an interface operation answered here, with
// the arguments the trace shows; true when it is to fail.
template <typename... Args>
bool Fails(THostOperation op, const Args&... args) {
  HostState& s = State();
  const bool fails = s.failures.Fails(ModuleOperationId(op));
  if (s.trace != nullptr) TraceLine(CallText(op, fails, args...));
  return fails;
}

// The entry points the exporter calls, numbered in the order of their list;
// the gates in front of them pass their number.
enum class Entry : int {
#define TQ_PCBAPI_FN(ret, name, def, params) name,
#include "host/PcbApiUsed.inc"
#undef TQ_PCBAPI_FN
};

// The number of interface operations answered here; the entry points follow
// them in the failure switch's list.
inline constexpr int kInterfaceOperationCount = ModuleOperationCount(THostModule::Pcb);

// Writes one call of the operation numbered `id` to the call trace.
void TraceCall(int id, bool failed);

// Counts and traces a call of an entry point; true when it is to fail.
inline bool EntryFails(Entry entry) {
  HostState& s = State();
  const int id = kInterfaceOperationCount + static_cast<int>(entry);
  const bool fails = s.failures.Fails(id);
  if (s.trace != nullptr) TraceCall(id, fails);
  return fails;
}

}  // namespace sim
