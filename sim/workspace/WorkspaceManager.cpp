// The host's workspace module: GetWorkspace gives the workspace, whose
// message list records every message added to it; the Sim_Workspace_ exports
// read the messages back and make calls fail (see sim/SimControl.h).
#include <array>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "host/Export.h"
#include "sim/SimControl.h"
#include "sim/common/FailureSwitch.h"
#include "sim/common/HostObject.h"
#include "sim/common/OperationCalls.h"
#include "sim/common/WideText.h"

namespace sim {
namespace {

struct Message {
  std::array<std::string, 6> texts;       // label, text, source, document, command, parameters (UTF-8)
  std::array<std::int32_t, 4> numbers{};  // image index and the three further integers
};

struct WorkspaceState {
  std::vector<Message> messages;
  FailureSwitch failures{ModuleOperations(THostModule::Workspace)};
  // Where the call trace goes (Sim_Workspace_SetCallTrace), or nowhere.
  Sim_TraceWriter trace = nullptr;
  bool workspaceAvailable = true;
  bool listAvailable = true;
  // Calls made on a workspace after the host replaced it.
  std::int32_t staleCalls = 0;
};

WorkspaceState& State() {
  static WorkspaceState state;
  return state;
}

// Counts and traces a call; true when it is to fail.
template <typename... Args>
bool Fails(THostOperation op, const Args&... args) {
  WorkspaceState& s = State();
  const bool fails = s.failures.Fails(ModuleOperationId(op));
  if (s.trace != nullptr) s.trace(CallText(op, fails, args...).c_str());
  return fails;
}

class MessageList final : public HostObject<IHostMessageList> {
 public:
  MessageList() : HostObject(false) {}

  THostResult TQ_STDCALL AddMessage(const char16_t* label, const char16_t* text, const char16_t* source,
                                    const char16_t* document, const char16_t* command, const char16_t* parameters,
                                    std::int32_t imageIndex, std::int32_t extra1, std::int32_t extra2,
                                    std::int32_t extra3) override {
    if (Fails(THostOperation::IHostMessageList_AddMessage, label, text, source, document, command, parameters,
              imageIndex, extra1, extra2, extra3))
      return kHostFail;
    Message m;
    const char16_t* texts[] = {label, text, source, document, command, parameters};
    for (std::size_t i = 0; i < m.texts.size(); ++i) m.texts[i] = WideToUtf8(ReadWide(texts[i]));
    m.numbers = {imageIndex, extra1, extra2, extra3};
    State().messages.push_back(std::move(m));
    return kHostOk;
  }
};

class Workspace final : public HostObject<IHostWorkspace> {
 public:
  Workspace() : HostObject(false) {}

  THostResult TQ_STDCALL GetMessageList(IHostMessageList** list) override {
    if (list == nullptr) return kHostFail;
    *list = nullptr;
    if (retired_) {
      // A caller kept this workspace past its replacement: in the editor the
      // object would be gone. It is kept here only to tell.
      ++State().staleCalls;
      return kHostFail;
    }
    if (Fails(THostOperation::IHostWorkspace_GetMessageList)) return kHostFail;
    if (State().listAvailable) *list = list_.Share();
    return kHostOk;
  }
  void Retire() { retired_ = true; }

 private:
  MessageList list_;
  bool retired_ = false;
};

// The current workspace is the last one; those before it were replaced.
std::vector<std::unique_ptr<Workspace>>& Workspaces() {
  static std::vector<std::unique_ptr<Workspace>> all = [] {
    std::vector<std::unique_ptr<Workspace>> first;
    first.push_back(std::make_unique<Workspace>());
    return first;
  }();
  return all;
}

Workspace& TheWorkspace() { return *Workspaces().back(); }

const Message* MessageAt(std::int32_t index) {
  const auto& messages = State().messages;
  return index >= 0 && index < static_cast<std::int32_t>(messages.size()) ? &messages[static_cast<std::size_t>(index)]
                                                                          : nullptr;
}

}  // namespace

std::int32_t& OutstandingReferences() {
  static std::int32_t count = 0;
  return count;
}

}  // namespace sim

using namespace sim;

// Borrowed: the workspace lives as long as the module.
extern "C" TQ_EXPORT IHostWorkspace* TQ_STDCALL GetWorkspace() {
  return sim::State().workspaceAvailable ? &TheWorkspace() : nullptr;
}
static_assert(std::is_same_v<decltype(&GetWorkspace), GetWorkspace_t>, "GetWorkspace differs from its declaration");

TQ_EXPORT int32_t Sim_Workspace_GetMessageCount(void) { return static_cast<int32_t>(sim::State().messages.size()); }

TQ_EXPORT int32_t Sim_Workspace_GetMessageText(int32_t index, int32_t field, char* buffer, int32_t capacity) {
  const Message* m = MessageAt(index);
  if (m == nullptr || field < 0 || field >= static_cast<int32_t>(m->texts.size()))
    return CopyToBuffer("", buffer, capacity);
  return CopyToBuffer(m->texts[static_cast<std::size_t>(field)], buffer, capacity);
}

TQ_EXPORT int32_t Sim_Workspace_GetMessageNumber(int32_t index, int32_t field) {
  const Message* m = MessageAt(index);
  if (m == nullptr || field < 0 || field >= static_cast<int32_t>(m->numbers.size())) return 0;
  return m->numbers[static_cast<std::size_t>(field)];
}

TQ_EXPORT void Sim_Workspace_ClearMessages(void) { sim::State().messages.clear(); }

TQ_EXPORT void Sim_Workspace_Replace(void) {
  TheWorkspace().Retire();
  Workspaces().push_back(std::make_unique<Workspace>());
}

TQ_EXPORT int32_t Sim_Workspace_GetStaleCalls(void) { return sim::State().staleCalls; }

TQ_EXPORT void Sim_Workspace_SetAvailable(int32_t available) { sim::State().workspaceAvailable = available != 0; }

TQ_EXPORT void Sim_Workspace_SetMessageListAvailable(int32_t available) { sim::State().listAvailable = available != 0; }

TQ_EXPORT int32_t Sim_Workspace_FailCall(const char* call, int32_t successes) {
  return call != nullptr && sim::State().failures.Arm(call, successes) ? 1 : 0;
}

TQ_EXPORT void Sim_Workspace_SetCallTrace(Sim_TraceWriter writer) { sim::State().trace = writer; }

TQ_EXPORT void Sim_Workspace_ClearFailures(void) { sim::State().failures.Clear(); }

TQ_EXPORT int32_t Sim_Workspace_GetCallCount(const char* call) {
  return call != nullptr ? sim::State().failures.Calls(call) : 0;
}

TQ_EXPORT int32_t Sim_Workspace_ListCalls(char* buffer, int32_t capacity) {
  std::string list;
  for (const std::string& op : sim::State().failures.Operations()) list += op + "\n";
  return CopyToBuffer(list, buffer, capacity);
}

TQ_EXPORT int32_t Sim_Workspace_GetOutstandingReferences(void) { return OutstandingReferences(); }

TQ_EXPORT void Sim_Workspace_Reset(void) {
  WorkspaceState& s = sim::State();
  s.messages.clear();
  s.failures.Clear();
  s.workspaceAvailable = true;
  s.listAvailable = true;
  s.staleCalls = 0;
}
