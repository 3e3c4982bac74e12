#include "host/HostAccess.h"

#include <cstdio>

#include "platform/Platform.h"

namespace {

std::string ResultText(THostResult result) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(result));
  return buf;
}

IHostClient* g_client = nullptr;
IHostWorkspace* g_workspace = nullptr;

IHostClient* LookUpClient() {
  auto get = reinterpret_cast<ClientAPI_GetClientInterface_t>(platform::FindMainProgramExport(kClientInterfaceExport));
  return get != nullptr ? get() : nullptr;
}

// The client is obtained when the library is loaded.
struct ClientAtLoad {
  ClientAtLoad() { g_client = LookUpClient(); }
} g_clientAtLoad;

}  // namespace

EHostError::EHostError(const std::string& operation, THostResult result)
    : std::runtime_error("The host reported a failure (" + ResultText(result) + ") in " + operation),
      result_(result) {}

IHostClient* HostClient() {
  if (g_client == nullptr) g_client = LookUpClient();
  return g_client;
}

THostRef<IPcbServer> GetPcbServer() {
  THostRef<IPcbServer> server;
  IHostClient* client = HostClient();
  if (client == nullptr) return server;
  THostRef<IHostServerModule> module;
  CheckHost(client->GetServerModule(u"PCB", module.Receive()), "IHostClient::GetServerModule");
  if (!module) return server;
  CheckHost(module->QueryInterface(IID_IPcbServer, server.ReceiveVoid()), "IHostServerModule::QueryInterface");
  return server;
}

THostRef<IPcbBoard> GetCurrentBoardInterface(IPcbServer* server) {
  THostRef<IPcbBoard> board;
  if (server == nullptr) return board;
  CheckHost(server->GetCurrentBoard(board.Receive()), "IPcbServer::GetCurrentBoard");
  return board;
}

IHostWorkspace* HostWorkspace() {
  if (g_workspace != nullptr) return g_workspace;
  platform::ModuleHandle module = platform::FindLoadedModule(kWorkspaceModuleName);
  auto get = reinterpret_cast<GetWorkspace_t>(platform::FindExport(module, kWorkspaceExport));
  if (get != nullptr) g_workspace = get();
  return g_workspace;
}
