// The Sim_ exports of the PCB server library (see sim/SimControl.h).
#include <cstdio>
#include <memory>
#include <string>

#include "sim/SimControl.h"
#include "sim/board/BoardJson.h"
#include "sim/brondel/HostState.h"
#include "sim/brondel/Interfaces.h"
#include "sim/common/WideText.h"

using namespace sim;

namespace {

template <typename Load>
std::int32_t LoadWith(Load load, char* error, std::int32_t capacity) {
  try {
    std::unique_ptr<Board> board = load();
    HostState& s = State();
    s.board = std::move(board);
    s.iterators.clear();
    CopyToBuffer("", error, capacity);
    return 1;
  } catch (const std::exception& e) {
    CopyToBuffer(e.what(), error, capacity);
    return 0;
  }
}

}  // namespace

TQ_EXPORT int32_t Sim_LoadBoardFile(const char* path, char* error, int32_t capacity) {
  const std::string name = path != nullptr ? path : "";
  return LoadWith([&] { return LoadBoardFile(name); }, error, capacity);
}

TQ_EXPORT int32_t Sim_LoadBoardText(const char* json, const char* sourceName, char* error, int32_t capacity) {
  const std::string text = json != nullptr ? json : "";
  const std::string source = sourceName != nullptr ? sourceName : "(board text)";
  return LoadWith([&] { return LoadBoardText(text, source); }, error, capacity);
}

TQ_EXPORT int32_t Sim_SaveBoardFile(const char* path, char* error, int32_t capacity) {
  const Board* board = State().board.get();
  if (board == nullptr) {
    CopyToBuffer("no board is loaded", error, capacity);
    return 0;
  }
  try {
    SaveBoardFile(*board, path != nullptr ? path : "");
    CopyToBuffer("", error, capacity);
    return 1;
  } catch (const std::exception& e) {
    CopyToBuffer(e.what(), error, capacity);
    return 0;
  }
}

TQ_EXPORT void Sim_ClearBoard(void) {
  State().board.reset();
  State().iterators.clear();
}

TQ_EXPORT void Sim_SetNoCurrentBoard(int32_t none) { State().noCurrentBoard = none != 0; }

TQ_EXPORT int32_t Sim_GetBoardHandle(void) {
  const Board* b = CurrentBoard();
  return b != nullptr ? b->handle() : 0;
}

TQ_EXPORT int32_t Sim_FindObject(int32_t kind, const char* name) {
  const Board* b = CurrentBoard();
  if (b == nullptr || name == nullptr) return 0;
  const std::string wanted = name;
  if (kind == static_cast<int32_t>(Kind::Net)) return b->FindNet(wanted);
  if (kind == static_cast<int32_t>(Kind::Component)) {
    for (Handle h : b->OfKind(static_cast<std::uint8_t>(Kind::Component))) {
      const auto* c = b->FindAs<Component>(h, Kind::Component);
      const auto* t = b->FindAs<Text>(c->designator, Kind::Text);
      if (t != nullptr && t->text == wanted) return h;
    }
  }
  return 0;
}

TQ_EXPORT void Sim_SetProgressCallback(Sim_ProgressCallback callback, void* context) {
  State().progressCallback = callback;
  State().progressContext = context;
}

TQ_EXPORT int32_t Sim_GetProgress(int32_t* total, int32_t* steps, int32_t* opened, int32_t* closed, char* caption,
                                  int32_t capacity) {
  const Progress& p = State().progress;
  if (total != nullptr) *total = p.total;
  if (steps != nullptr) *steps = p.steps;
  if (opened != nullptr) *opened = p.opened;
  if (closed != nullptr) *closed = p.closed;
  return CopyToBuffer(p.caption, caption, capacity);
}

TQ_EXPORT IHostClient* Sim_GetClientInterface(void) { return TheClient(); }

TQ_EXPORT void Sim_SetDocumentsAvailable(int32_t available) { State().documentsAvailable = available != 0; }

TQ_EXPORT int32_t Sim_GetDocumentLog(char* buffer, int32_t capacity) {
  return CopyToBuffer(State().documentLog, buffer, capacity);
}

TQ_EXPORT int32_t Sim_FailCall(const char* call, int32_t successes) {
  return call != nullptr && State().failures.Arm(call, successes) ? 1 : 0;
}

TQ_EXPORT void Sim_ClearFailures(void) { State().failures.Clear(); }

TQ_EXPORT int32_t Sim_GetCallCount(const char* call) { return call != nullptr ? State().failures.Calls(call) : 0; }

TQ_EXPORT int32_t Sim_ListCalls(char* buffer, int32_t capacity) {
  std::string list;
  for (const std::string& op : State().failures.Operations()) list += op + "\n";
  return CopyToBuffer(list, buffer, capacity);
}

TQ_EXPORT int32_t Sim_SetCallTrace(const char* path) {
  HostState& s = State();
  if (s.trace != nullptr) std::fclose(s.trace);
  s.trace = nullptr;
  if (path == nullptr || *path == '\0') return 1;
  s.trace = std::fopen(path, "wb");
  return s.trace != nullptr ? 1 : 0;
}

TQ_EXPORT void Sim_WriteTraceLine(const char* line) {
  if (line != nullptr) TraceLine(line);
}

TQ_EXPORT void Sim_SetHostileStrings(int32_t hostile) { State().hostileStrings = hostile != 0; }

TQ_EXPORT int32_t Sim_GetOutstandingReferences(void) { return OutstandingReferences(); }

TQ_EXPORT int32_t Sim_GetLiveIterators(void) { return static_cast<int32_t>(State().iterators.size()); }

TQ_EXPORT void Sim_Reset(void) { State().Reset(); }
