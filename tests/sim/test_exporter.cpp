// An exporter library of the tests' own, loaded by the host program in place
// of the real one. It walks the same boundary in a few lines: the client from
// the host program's export, the stack through the PCB server, the nets
// through the server library's entry points, the progress display, and the
// workspace's message list. The format name chooses what it does:
//   "Sim Test"         writes the stack and the nets into the file
//   "Sim Test Message" does that and adds a message to the message list
//   "Sim Test False"   answers false
//   "Sim Test Throw"   raises a host error
//   "Sim Test Nothing" answers true and writes nothing (a destination that
//                      did not receive the export)
#include <dlfcn.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "host/CountedString.h"
#include "host/PcbApi.h"
#include "sim/common/HostObject.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

template <typename F>
F Entry(const char* name) {
  void* module = dlopen("libBrondel.so", RTLD_NOW | RTLD_NOLOAD);
  void* address = module != nullptr ? dlsym(module, name) : nullptr;
  if (module != nullptr) dlclose(module);
  if (address == nullptr) throw std::runtime_error(std::string("no entry point ") + name);
  return reinterpret_cast<F>(address);
}

void Check(THostResult result, const char* what) {
  if (result != kHostOk) throw std::runtime_error(std::string("the host failed ") + what);
}

std::string Narrow(const char16_t* text) {
  std::string out;
  for (; *text != 0; ++text) out += static_cast<char>(*text);
  return out;
}

std::string StackText() {
  auto client = reinterpret_cast<ClientAPI_GetClientInterface_t>(dlsym(RTLD_DEFAULT, kClientInterfaceExport));
  if (client == nullptr || client() == nullptr) throw std::runtime_error("no client");
  IHostServerModule* module = nullptr;
  Check(client()->GetServerModule(u"PCB", &module), "GetServerModule");
  IPcbServer* server = nullptr;
  Check(module->QueryInterface(IID_IPcbServer, reinterpret_cast<void**>(&server)), "QueryInterface");
  module->Release();
  IPcbBoard* board = nullptr;
  Check(server->GetCurrentBoard(&board), "GetCurrentBoard");
  server->Release();
  if (board == nullptr) return "no board\n";
  IPcbLayerStack* stack = nullptr;
  Check(board->GetLayerStack(&stack), "GetLayerStack");
  board->Release();
  std::string text;
  IPcbLayer* layer = nullptr;
  Check(stack->FirstLayer(&layer), "FirstLayer");
  while (layer != nullptr) {
    char16_t name[256];
    Check(layer->GetName(name, 256), "GetName");
    text += "layer " + Narrow(name) + "\n";
    IPcbLayer* next = nullptr;
    const THostResult result = stack->NextLayer(layer, &next);
    layer->Release();
    if (result != kHostOk) stack->Release();
    Check(result, "NextLayer");
    layer = next;
  }
  stack->Release();
  return text;
}

}  // namespace

EXPORT const char* GetPcbExporterDescription() { return "Sim Test"; }

EXPORT std::uint8_t RecognisedPcbFormat(const TShortString* format) {
  return format->view().rfind("Sim Test", 0) == 0 ? 1 : 0;
}

EXPORT std::uint8_t ExportFileFromPcb(const TShortString* fileName, const TShortString* format) {
  const std::string what = format->str();
  if (what == "Sim Test False") return 0;
  if (what == "Sim Test Nothing") return 1;
  if (what == "Sim Test Throw") throw std::runtime_error("the test exporter gives up");

  std::string text = StackText();
  const THandle board = Entry<PcbApi_GetCurrentBoardHandle_t>("PcbApi_GetCurrentBoardHandle")();
  const THandle it = Entry<PcbApi_CreateIterator_t>("PcbApi_CreateIterator")(board, 8, 0, 0);
  const TShortString caption("Saving " + fileName->str());
  Entry<PcbApi_Percent_Init_t>("PcbApi_Percent_Init")(&caption, 3);
  for (THandle net = Entry<PcbApi_GetFirstObject_t>("PcbApi_GetFirstObject")(it); net != 0;
       net = Entry<PcbApi_GetNextObject_t>("PcbApi_GetNextObject")(it)) {
    TShortString name;
    Entry<PcbApi_QueryNet_t>("PcbApi_QueryNet")(1, net, nullptr, &name, nullptr, nullptr);
    text += "net " + name.str() + "\n";
    Entry<PcbApi_Percent_Update_t>("PcbApi_Percent_Update")();
  }
  Entry<PcbApi_DestroyIterator_t>("PcbApi_DestroyIterator")(it);
  Entry<PcbApi_Percent_Finish_t>("PcbApi_Percent_Finish")();

  if (what == "Sim Test Message") {
    void* workspaceModule = dlopen("libWorkspaceManager.so", RTLD_NOW | RTLD_NOLOAD);
    auto getWorkspace = reinterpret_cast<GetWorkspace_t>(dlsym(workspaceModule, kWorkspaceExport));
    dlclose(workspaceModule);
    IHostMessageList* list = nullptr;
    Check(getWorkspace()->GetMessageList(&list), "GetMessageList");
    const THostResult result = list->AddMessage(u"[Test]", u"hello", u"Sim Test", u"doc", u"cmd", u"p=1", 73, 0, 0, 0);
    list->Release();
    Check(result, "AddMessage");
  }
  std::FILE* out = std::fopen(fileName->str().c_str(), "wb");
  if (out == nullptr) return 0;
  std::fputs(text.c_str(), out);
  std::fclose(out);
  return 1;
}
