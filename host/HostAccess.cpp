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
// The workspace module's entry point, remembered once found. The workspace
// itself is asked for afresh on every use: the host may replace it, and we
// hold no reference that would keep the old one valid.
GetWorkspace_t g_getWorkspace = nullptr;

ClientAPI_GetClientInterface_t LookUpClientExport() {
  return reinterpret_cast<ClientAPI_GetClientInterface_t>(platform::FindMainProgramExport(kClientInterfaceExport));
}

// The host program's client export is looked up when the library is loaded.
// It is called on first use, not here: at load the system holds its loader
// lock, under which the host's code must not be run.
ClientAPI_GetClientInterface_t g_getClient = LookUpClientExport();

}  // namespace

EHostError::EHostError(const std::string& operation, THostResult result)
    : std::runtime_error("The host reported a failure (" + ResultText(result) + ") in " + operation), result_(result) {}

IHostClient* HostClient() {
  if (g_client != nullptr) return g_client;
  if (g_getClient == nullptr) g_getClient = LookUpClientExport();
  if (g_getClient != nullptr) g_client = g_getClient();
  return g_client;
}

THostRef<IPcbServer> GetPcbServer() {
  THostRef<IPcbServer> server;
  IHostClient* client = HostClient();
  if (client == nullptr) return server;
  THostRef<IHostServerModule> module;
  CheckHost(client->GetServerModule(u"PCB", module.Receive()), THostOperation::IHostClient_GetServerModule);
  if (!module) return server;
  CheckHost(module->QueryInterface(IID_IPcbServer, server.ReceiveVoid()),
            THostOperation::IHostServerModule_QueryInterface);
  return server;
}

THostRef<IPcbBoard> GetCurrentBoardInterface(IPcbServer* server) {
  THostRef<IPcbBoard> board;
  if (server == nullptr) return board;
  CheckHost(server->GetCurrentBoard(board.Receive()), THostOperation::IPcbServer_GetCurrentBoard);
  return board;
}

IHostWorkspace* HostWorkspace() {
  if (g_getWorkspace == nullptr) {
    platform::ModuleHandle module = platform::FindLoadedModule(kWorkspaceModuleName);
    g_getWorkspace = reinterpret_cast<GetWorkspace_t>(platform::FindExport(module, kWorkspaceExport));
  }
  return g_getWorkspace != nullptr ? g_getWorkspace() : nullptr;
}
