// The host's object interfaces: the way from the client to the layer stack,
// via answers, references, failures on demand, documents and the workspace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimTestBoard.h"
#include "host/PcbApi.h"
#include "sim/common/HostObject.h"

extern "C" IHostWorkspace* TQ_STDCALL GetWorkspace();
extern "C" THandle TQ_STDCALL PcbApi_CreateIterator(THandle, TObjectKindByte, std::uint8_t, TLayerCode);
extern "C" THandle TQ_STDCALL PcbApi_GetFirstObject(THandle);
extern "C" THandle TQ_STDCALL PcbApi_GetNextObject(THandle);
extern "C" std::int32_t TQ_STDCALL PcbApi_DestroyIterator(THandle);

namespace {

using simtest::SimTest;

// Owns one reference for the length of a test.
template <typename T>
struct Ref {
  T* p = nullptr;
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() {
    if (p != nullptr) p->Release();
  }
  T** out() { return &p; }
  void** outVoid() { return reinterpret_cast<void**>(&p); }
  T* operator->() const { return p; }
};

Ref<IPcbServer>* Server(Ref<IPcbServer>* server) {
  Ref<IHostServerModule> module;
  EXPECT_EQ(Sim_GetClientInterface()->GetServerModule(u"PCB", module.out()), kHostOk);
  EXPECT_EQ(module->QueryInterface(IID_IPcbServer, server->outVoid()), kHostOk);
  return server;
}

std::string Name(IPcbLayer* layer) {
  char16_t buffer[64];
  EXPECT_EQ(layer->GetName(buffer, 64), kHostOk);
  std::string out;
  for (const char16_t* c = buffer; *c != 0; ++c) out += static_cast<char>(*c);
  return out;
}

std::vector<THandle> Vias() {
  std::vector<THandle> out;
  const THandle it = PcbApi_CreateIterator(Sim_GetBoardHandle(), 3, 0, 0);
  for (THandle h = PcbApi_GetFirstObject(it); h != 0; h = PcbApi_GetNextObject(it)) out.push_back(h);
  PcbApi_DestroyIterator(it);
  return out;
}

TEST_F(SimTest, LayerStackWalkFromTheClient) {
  {
    Ref<IPcbServer> server;
    Server(&server);
    Ref<IPcbBoard> board;
    ASSERT_EQ(server->GetCurrentBoard(board.out()), kHostOk);
    std::uint8_t kind = 0;
    EXPECT_EQ(board->GetObjectKind(&kind), kHostOk);
    EXPECT_EQ(kind, 25);
    Ref<IPcbLayerStack> stack;
    ASSERT_EQ(board->GetLayerStack(stack.out()), kHostOk);

    std::vector<std::string> seen;
    IPcbLayer* layer = nullptr;
    ASSERT_EQ(stack->FirstLayer(&layer), kHostOk);
    while (layer != nullptr) {
      std::uint8_t number = 0, present = 0;
      std::int32_t copper = 0, height = 0;
      double constant = 0;
      layer->GetLayerNumber(&number);
      layer->GetIsPresent(&present);
      layer->GetCopperThickness(&copper);
      Ref<IPcbDielectric> dielectric;
      ASSERT_EQ(layer->GetDielectric(dielectric.out()), kHostOk);
      dielectric->GetHeight(&height);
      dielectric->GetConstant(&constant);
      seen.push_back(std::to_string(number) + " " + Name(layer) + " " + std::to_string(copper) + " " +
                     std::to_string(present) + " " + std::to_string(height));
      IPcbLayer* next = nullptr;
      ASSERT_EQ(stack->NextLayer(layer, &next), kHostOk);
      layer->Release();
      layer = next;
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1 Top Layer 14000 1 80000", "39 GND Plane 7000 1 126000",
                                              "40 VCC Plane 14000 0 126000", "32 Bottom Layer 14000 1 126000"}));
    EXPECT_GT(Sim_GetOutstandingReferences(), 0);
  }
  EXPECT_EQ(Sim_GetOutstandingReferences(), 0);
}

TEST_F(SimTest, LayerForCodeAnswersEveryClassicLayer) {
  Ref<IPcbServer> server;
  Server(&server);
  Ref<IPcbBoard> board;
  server->GetCurrentBoard(board.out());
  Ref<IPcbLayerStack> stack;
  board->GetLayerStack(stack.out());
  {
    Ref<IPcbLayer> top, mech, none, beyond;
    ASSERT_EQ(stack->LayerForCode(1, top.out()), kHostOk);
    EXPECT_EQ(Name(top.p), "Top Layer");
    ASSERT_EQ(stack->LayerForCode(57, mech.out()), kHostOk);
    EXPECT_EQ(Name(mech.p), "Mechanical Layer 1");
    std::uint8_t present = 1;
    mech->GetIsPresent(&present);
    EXPECT_EQ(present, 0);
    EXPECT_EQ(stack->LayerForCode(0, none.out()), kHostOk);
    EXPECT_EQ(none.p, nullptr);
    EXPECT_EQ(stack->LayerForCode(0x01010020, beyond.out()), kHostOk);
    EXPECT_EQ(beyond.p, nullptr);

    // Names are cut to the buffer and always terminated.
    char16_t small[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(top->GetName(small, 4), kHostOk);
    EXPECT_EQ(std::u16string(small), u"Top");
    EXPECT_EQ(top->GetName(small, 0), kHostFail);
  }
}

TEST_F(SimTest, NextLayerNeedsALayerOfThisStack) {
  Ref<IPcbServer> server;
  Server(&server);
  Ref<IPcbBoard> board;
  server->GetCurrentBoard(board.out());
  Ref<IPcbLayerStack> stack;
  board->GetLayerStack(stack.out());
  Ref<IPcbLayer> next;
  EXPECT_EQ(stack->NextLayer(nullptr, next.out()), kHostFail);
  // A layer of a board that has been replaced meanwhile.
  Ref<IPcbLayer> top;
  stack->FirstLayer(top.out());
  Load(simtest::kBoard);
  Ref<IPcbBoard> newBoard;
  server->GetCurrentBoard(newBoard.out());
  Ref<IPcbLayerStack> newStack;
  newBoard->GetLayerStack(newStack.out());
  EXPECT_EQ(newStack->NextLayer(top.p, next.out()), kHostFail);
  // The old objects still answer from the board they were made for.
  EXPECT_EQ(Name(top.p), "Top Layer");
}

TEST_F(SimTest, ViaInterfaceAnswersReachAndPlaneConnection) {
  Ref<IPcbServer> server;
  Server(&server);
  const std::vector<THandle> vias = Vias();
  ASSERT_EQ(vias.size(), 2u);
  Ref<IPcbVia> gnd, blind;
  ASSERT_EQ(server->GetInterfaceForHandle(vias[0], IID_IPcbVia, gnd.outVoid()), kHostOk);
  ASSERT_EQ(server->GetInterfaceForHandle(vias[1], IID_IPcbVia, blind.outVoid()), kHostOk);
  ASSERT_NE(gnd.p, nullptr);
  auto reaches = [](IPcbVia* via, std::uint32_t code) {
    std::uint8_t r = 9;
    EXPECT_EQ(via->ReachesLayer(code, &r), kHostOk);
    return r;
  };
  EXPECT_EQ(reaches(gnd.p, 40), 1);
  EXPECT_EQ(reaches(blind.p, 1), 1);
  EXPECT_EQ(reaches(blind.p, 39), 1);
  EXPECT_EQ(reaches(blind.p, 40), 0);
  EXPECT_EQ(reaches(blind.p, 32), 0);
  std::uint8_t connects = 9;
  std::int32_t style = 9;
  gnd->ConnectsToPlane(39, &connects);
  gnd->ConnectionStyle(39, &style);
  EXPECT_EQ(connects, 1);
  EXPECT_EQ(style, 1);
  gnd->ConnectsToPlane(40, &connects);
  gnd->ConnectionStyle(40, &style);
  EXPECT_EQ(connects, 0);
  EXPECT_EQ(style, 0);

  // Only vias have a via interface, only the board a board interface.
  Ref<IPcbVia> notVia;
  Ref<IPcbBoard> board, notBoard;
  EXPECT_EQ(server->GetInterfaceForHandle(Net("GND"), IID_IPcbVia, notVia.outVoid()), kHostOk);
  EXPECT_EQ(notVia.p, nullptr);
  EXPECT_EQ(server->GetInterfaceForHandle(Board(), IID_IPcbBoard, board.outVoid()), kHostOk);
  EXPECT_NE(board.p, nullptr);
  EXPECT_EQ(server->GetInterfaceForHandle(vias[0], IID_IPcbBoard, notBoard.outVoid()), kHostOk);
  EXPECT_EQ(notBoard.p, nullptr);
  void* other = &style;
  EXPECT_EQ(gnd->QueryInterface(IID_IPcbBoard, &other), kHostNoInterface);
  EXPECT_EQ(other, nullptr);
}

TEST_F(SimTest, ReferencesBalanceAndStrayReleasesShow) {
  {
    Ref<IPcbServer> server;
    Server(&server);
    Ref<IPcbBoard> board;
    server->GetCurrentBoard(board.out());
    Ref<IHostServerModule> unknown;
    ASSERT_EQ(board->QueryInterface(sim::kIidUnknown, unknown.outVoid()), kHostOk);
    EXPECT_EQ(Sim_GetOutstandingReferences(), 3);
  }
  EXPECT_EQ(Sim_GetOutstandingReferences(), 0);
  // The client is borrowed; releasing it is one release too many.
  Sim_GetClientInterface()->Release();
  EXPECT_EQ(Sim_GetOutstandingReferences(), -1);
  Sim_GetClientInterface()->AddRef();
}

TEST_F(SimTest, ChosenCallsFailAfterTheirSuccesses) {
  EXPECT_EQ(Sim_FailCall("IPcbLayerStack::NextLayer", 1), 1);
  EXPECT_EQ(Sim_FailCall("IPcbLayerStack::Nothing", 1), 0);
  Ref<IPcbServer> server;
  Server(&server);
  Ref<IPcbBoard> board;
  server->GetCurrentBoard(board.out());
  Ref<IPcbLayerStack> stack;
  board->GetLayerStack(stack.out());
  Ref<IPcbLayer> first, second, third;
  stack->FirstLayer(first.out());
  EXPECT_EQ(stack->NextLayer(first.p, second.out()), kHostOk);
  third.p = reinterpret_cast<IPcbLayer*>(&stack);  // must be cleared by the failing call
  EXPECT_EQ(stack->NextLayer(second.p, third.out()), kHostFail);
  EXPECT_EQ(third.p, nullptr);
  EXPECT_EQ(stack->NextLayer(second.p, third.out()), kHostFail);
  EXPECT_EQ(Sim_GetCallCount("IPcbLayerStack::NextLayer"), 3);
  Sim_ClearFailures();
  EXPECT_EQ(stack->NextLayer(second.p, third.out()), kHostOk);
  EXPECT_EQ(Sim_GetCallCount("IPcbLayerStack::NextLayer"), 1);

  std::string list(2048, '\0');
  list.resize(static_cast<std::size_t>(Sim_ListCalls(list.data(), static_cast<std::int32_t>(list.size()))));
  EXPECT_NE(list.find("IPcbVia::ConnectionStyle\n"), std::string::npos);
}

TEST_F(SimTest, ObjectsForPathsRecordTheirBrackets) {
  IHostClient* client = Sim_GetClientInterface();
  {
    Ref<IHostDocument> document;
    ASSERT_EQ(client->GetDocumentForPath(u"/tmp/b\u00e4.hyp", document.out()), kHostOk);
    EXPECT_EQ(document->BeginChange(), kHostOk);
    Sim_FailCall("IHostDocument::EndChange", 0);
    EXPECT_EQ(document->EndChange(), kHostFail);
  }
  char log[128];
  Sim_GetDocumentLog(log, sizeof log);
  EXPECT_EQ(std::string(log), "begin /tmp/b\xC3\xA4.hyp\nend /tmp/b\xC3\xA4.hyp (failed)\n");
  Sim_SetDocumentsAvailable(0);
  Ref<IHostDocument> none;
  EXPECT_EQ(client->GetDocumentForPath(u"/x", none.out()), kHostOk);
  EXPECT_EQ(none.p, nullptr);
  Ref<IHostServerModule> other;
  EXPECT_EQ(client->GetServerModule(u"SCH", other.out()), kHostOk);
  EXPECT_EQ(other.p, nullptr);
  EXPECT_EQ(Sim_GetOutstandingReferences(), 0);
}

TEST_F(SimTest, WithoutACurrentBoardTheServerHasNone) {
  Sim_SetNoCurrentBoard(1);
  Ref<IPcbServer> server;
  Server(&server);
  Ref<IPcbBoard> board;
  EXPECT_EQ(server->GetCurrentBoard(board.out()), kHostOk);
  EXPECT_EQ(board.p, nullptr);
  EXPECT_EQ(server->GetInterfaceForHandle(1000, IID_IPcbBoard, board.outVoid()), kHostOk);
  EXPECT_EQ(board.p, nullptr);
}

TEST_F(SimTest, WorkspaceRecordsMessagesWithAllTheirArguments) {
  IHostWorkspace* workspace = GetWorkspace();
  ASSERT_NE(workspace, nullptr);
  {
    Ref<IHostMessageList> list;
    ASSERT_EQ(workspace->GetMessageList(list.out()), kHostOk);
    EXPECT_EQ(list->AddMessage(u"[Locked File]", u"Main.hyp is used", u"Quorvex Designer", u"/b/Main.hyp",
                               u"WorkspaceManager:OpenObject", u"FileName=/b/Main.hyp", 73, 1, 2, 3),
              kHostOk);
    EXPECT_EQ(list->AddMessage(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0), kHostOk);
    Sim_Workspace_FailCall("IHostMessageList::AddMessage", 0);
    EXPECT_EQ(list->AddMessage(u"x", u"x", u"x", u"x", u"x", u"x", 0, 0, 0, 0), kHostFail);
    EXPECT_EQ(Sim_Workspace_GetOutstandingReferences(), 1);
  }
  EXPECT_EQ(Sim_Workspace_GetOutstandingReferences(), 0);
  ASSERT_EQ(Sim_Workspace_GetMessageCount(), 2);
  char text[64];
  const char* expected[] = {
      "[Locked File]",       "Main.hyp is used", "Quorvex Designer", "/b/Main.hyp", "WorkspaceManager:OpenObject",
      "FileName=/b/Main.hyp"};
  for (int field = 0; field < 6; ++field) {
    Sim_Workspace_GetMessageText(0, field, text, sizeof text);
    EXPECT_STREQ(text, expected[field]);
  }
  EXPECT_EQ(Sim_Workspace_GetMessageNumber(0, 0) * 1000 + Sim_Workspace_GetMessageNumber(0, 3), 73003);
  Sim_Workspace_GetMessageText(1, 1, text, sizeof text);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(Sim_Workspace_GetMessageText(7, 0, text, sizeof text), 0);

  Sim_Workspace_SetMessageListAvailable(0);
  Ref<IHostMessageList> none;
  EXPECT_EQ(workspace->GetMessageList(none.out()), kHostOk);
  EXPECT_EQ(none.p, nullptr);
  Sim_Workspace_SetAvailable(0);
  EXPECT_EQ(GetWorkspace(), nullptr);
}

}  // namespace
