#pragma once
// The simulated host in a test process: its PCB server library and its
// workspace module are loaded by their full paths (the binding then finds
// them among the loaded modules at its next call), and its control exports
// are reached by name. A test program that needs the host's client interface
// defines ClientAPI_GetClientInterface itself (TQ_DEFINE_CLIENT_API below).
#include <dlfcn.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "host/CallConv.h"
#include "host/HostInterfaces.h"

namespace tqtest {

class SimHost {
 public:
  static SimHost& Get() {
    static SimHost host;
    return host;
  }
  static bool Loaded() { return loaded_; }

  // Loads a board document held in memory; raises with the host's reason.
  void Load(const std::string& json, const char* sourceName = "test-board.json") {
    char error[512] = {};
    if (loadText(json.c_str(), sourceName, error, sizeof error) != 1) throw std::runtime_error(error);
  }
  std::string DocumentLog() { return Text(documentLog); }
  std::string MessageText(std::int32_t index, std::int32_t field) {
    return Text([&](char* b, std::int32_t c) { return messageText(index, field, b, c); });
  }

  std::int32_t (*loadText)(const char*, const char*, char*,
                           std::int32_t) = Entry<decltype(loadText)>("Sim_LoadBoardText");
  void (*reset)() = Entry<decltype(reset)>("Sim_Reset");
  std::int32_t (*findObject)(std::int32_t, const char*) = Entry<decltype(findObject)>("Sim_FindObject");
  std::int32_t (*boardHandle)() = Entry<decltype(boardHandle)>("Sim_GetBoardHandle");
  void (*noCurrentBoard)(std::int32_t) = Entry<decltype(noCurrentBoard)>("Sim_SetNoCurrentBoard");
  std::int32_t (*liveIterators)() = Entry<decltype(liveIterators)>("Sim_GetLiveIterators");
  IHostClient* (*client)() = Entry<decltype(client)>("Sim_GetClientInterface");
  std::int32_t (*failCall)(const char*, std::int32_t) = Entry<decltype(failCall)>("Sim_FailCall");
  void (*clearFailures)() = Entry<decltype(clearFailures)>("Sim_ClearFailures");
  std::int32_t (*callTrace)(const char*) = Entry<decltype(callTrace)>("Sim_SetCallTrace");
  void (*hostileStrings)(std::int32_t) = Entry<decltype(hostileStrings)>("Sim_SetHostileStrings");
  std::int32_t (*outstanding)() = Entry<decltype(outstanding)>("Sim_GetOutstandingReferences");
  std::int32_t (*documentLog)(char*, std::int32_t) = Entry<decltype(documentLog)>("Sim_GetDocumentLog");
  std::int32_t (*progress)(std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*, char*,
                           std::int32_t) = Entry<decltype(progress)>("Sim_GetProgress");
  void (*progressCallback)(void (*)(void*, std::int32_t, const char*, std::int32_t, std::int32_t),
                           void*) = Entry<decltype(progressCallback)>("Sim_SetProgressCallback");
  std::int32_t (*messageCount)() = WorkspaceEntry<decltype(messageCount)>("Sim_Workspace_GetMessageCount");
  std::int32_t (*messageText)(std::int32_t, std::int32_t, char*,
                              std::int32_t) = WorkspaceEntry<decltype(messageText)>("Sim_Workspace_GetMessageText");
  std::int32_t (*messageNumber)(std::int32_t, std::int32_t) =
      WorkspaceEntry<decltype(messageNumber)>("Sim_Workspace_GetMessageNumber");
  void (*workspaceReplace)() = WorkspaceEntry<decltype(workspaceReplace)>("Sim_Workspace_Replace");
  std::int32_t (*workspaceStaleCalls)() = WorkspaceEntry<decltype(workspaceStaleCalls)>("Sim_Workspace_GetStaleCalls");
  void (*workspaceReset)() = WorkspaceEntry<decltype(workspaceReset)>("Sim_Workspace_Reset");
  std::int32_t (*workspaceFailCall)(const char*, std::int32_t) =
      WorkspaceEntry<decltype(workspaceFailCall)>("Sim_Workspace_FailCall");

 private:
  SimHost() { loaded_ = true; }

  static void* Open(const char* path) {
    void* module = dlopen(path, RTLD_NOW | RTLD_GLOBAL);
    if (module == nullptr) throw std::runtime_error(dlerror());
    return module;
  }
  static void* PcbServer() {
    static void* module = Open(TQ_BIN_DIR "/libBrondel.so");
    return module;
  }
  static void* Workspace() {
    static void* module = Open(TQ_BIN_DIR "/libWorkspaceManager.so");
    return module;
  }
  template <typename F>
  static F Symbol(void* module, const char* name) {
    void* p = dlsym(module, name);
    if (p == nullptr) throw std::runtime_error(std::string("the simulated host lacks ") + name);
    return reinterpret_cast<F>(p);
  }
  template <typename F>
  static F Entry(const char* name) {
    return Symbol<F>(PcbServer(), name);
  }
  template <typename F>
  static F WorkspaceEntry(const char* name) {
    return Symbol<F>(Workspace(), name);
  }
  template <typename List>
  static std::string Text(List list) {
    std::string text(static_cast<std::size_t>(list(nullptr, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(list(text.data(), static_cast<std::int32_t>(text.size()))));
    return text;
  }

  static inline bool loaded_ = false;
};

}  // namespace tqtest

// Hands out the simulated host's client, as the host program does; the
// library looks the client up again until there is one.
#define TQ_DEFINE_CLIENT_API()                                                                               \
  extern "C" __attribute__((visibility("default"))) IHostClient* TQ_STDCALL ClientAPI_GetClientInterface() { \
    return ::tqtest::SimHost::Loaded() ? ::tqtest::SimHost::Get().client() : nullptr;                        \
  }
