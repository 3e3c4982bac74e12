// The board, its layers and drill layer pairs.
#include "pcb/PcbBoard.h"

#include "host/HostAccess.h"
#include "host/LayerStack.h"
#include "host/PCBProcs.h"
#include "host/ReadFailures.h"

namespace {

const char* const kDefaultDielectric = "FR-4";
const char* const kNoNet = "(No Net)";

bool IsStackLayer(int L) { return L >= 1 && L <= kMaxLayer; }

}  // namespace

LayerSet ElectricalLayers() {
  LayerSet set = LayerSet::Range(kTopLayer, kBottomLayer);
  for (int L = kInternalPlane1; L <= kInternalPlane16; ++L) set.Include(L);
  return set;
}

// ---------------------------------------------------------------------------
// TLayerObject, TInternalPlane

TLayerObject::TLayerObject(THandle boardHandle, Layer layerNumber)
    : BoardHandle(boardHandle),
      LayerNumber(layerNumber),
      LayerName(LayerKeyName(layerNumber)),
      DielectricMaterial(kDefaultDielectric) {}

TLayerObject::~TLayerObject() = default;

std::int32_t TLayerObject::Query(TMode Mode) {
  const std::int32_t result = PcbApi_QueryLayer(Mode, LayerNumber, BoardHandle, &LayerName, &CopperThickness,
                                                &LayerByte1, &LayerByte2, &PrevLayer, &NextLayer, &LayerExtra);
  PcbApi_QueryLayerDielectric(Mode, LayerNumber, BoardHandle, &DielectricMaterial, &DielectricType, &DielectricConstant,
                              &DielectricHeight);
  return result;
}

TInternalPlane::TInternalPlane(THandle boardHandle, Layer layerNumber)
    : TLayerObject(boardHandle, layerNumber), PlaneNetName(kNoNet) {}

std::int32_t TInternalPlane::Query(TMode Mode) {
  const std::int32_t result =
      PcbApi_QueryInternalPlane(Mode, LayerNumber, BoardHandle, &LayerName, &CopperThickness, &LayerByte1, &LayerByte2,
                                &PrevLayer, &NextLayer, &PlaneNetName);
  PcbApi_QueryLayerDielectric(Mode, LayerNumber, BoardHandle, &DielectricMaterial, &DielectricType, &DielectricConstant,
                              &DielectricHeight);
  return result;
}

// ---------------------------------------------------------------------------
// TPcblayerPair

TPcblayerPair::TPcblayerPair() : LayerCode1(LayerToLayerCode(0)), LayerCode2(LayerToLayerCode(0)) {}

Layer TPcblayerPair::GetLayer1() const { return LayerCodeToLayer(LayerCode1); }
Layer TPcblayerPair::GetLayer2() const { return LayerCodeToLayer(LayerCode2); }
void TPcblayerPair::SetLayer1(Layer L) { LayerCode1 = LayerToLayerCode(L); }
void TPcblayerPair::SetLayer2(Layer L) { LayerCode2 = LayerToLayerCode(L); }

// ---------------------------------------------------------------------------
// TPcbBoard

TPcbBoard::TPcbBoard(THandle handle)
    : Handle(handle),
      TopDielectricMaterial(kDefaultDielectric),
      BottomDielectricMaterial(kDefaultDielectric),
      LayerPairs(new TLayerPairList()) {
  for (int L = 1; L <= kMaxLayer; ++L) {
    const Layer layer = static_cast<Layer>(L);
    if (L >= kInternalPlane1 && L <= kInternalPlane16)
      Layers[L].Reset(new TInternalPlane(handle, layer));
    else
      Layers[L].Reset(new TLayerObject(handle, layer));
  }
}

// The pairs first, then the layer objects.
TPcbBoard::~TPcbBoard() {
  LayerPairs.Reset();
  for (TPackedOwner<TLayerObject>& layer : Layers) layer.Reset();
}

TLayerObject* TPcbBoard::LayerObject(int L) const { return IsStackLayer(L) ? Layers[L].get() : nullptr; }

TLayerObject* TPcbBoard::FirstStackLayer() const {
  for (int L = 1; L <= kMaxLayer; ++L) {
    TLayerObject* layer = Layers[L].get();
    if (layer->PrevLayer == 0) return layer;
  }
  return nullptr;
}

std::vector<Layer> TPcbBoard::StackLayers() const {
  std::vector<Layer> stack;
  THostRef<IPcbLayerStack> layerStack = CurrentLayerStack();
  if (layerStack) {
    ForEachStackLayer(*layerStack.get(), [&](IPcbLayer&, std::uint8_t number) { stack.push_back(number); });
  } else {
    for (const TLayerObject* l = FirstStackLayer(); l != nullptr && stack.size() <= kMaxLayer; l = NextStackLayer(l))
      stack.push_back(l->LayerNumber);
  }
  return stack;
}

THandle CurrentBoardHandle() { return PcbApi_GetCurrentBoardHandle(); }

void NoteCurrentBoardUnnamed() { NoteReadFailure(PcbApiIndexOf("PcbApi_GetCurrentBoardHandle")); }

TLayerObject* TPcbBoard::NextStackLayer(const TLayerObject* layer) const {
  if (layer == nullptr) return nullptr;
  const int next = layer->NextLayer;
  return next == 0 ? nullptr : LayerObject(next);
}

int TPcbBoard::StackPosition(const LayerSet& set, const TLayerObject* layer) const {
  if (layer == nullptr || !set.Contains(layer->LayerNumber)) return 0;
  int count = 0;
  bool passed = false;
  // The host's links may form a cycle: no chain is longer than the 82 layers.
  int steps = 0;
  for (const TLayerObject* current = FirstStackLayer(); current != nullptr && !passed && steps < kMaxLayer;
       current = NextStackLayer(current), ++steps) {
    if (set.Contains(current->LayerNumber)) ++count;
    passed = current == layer;
  }
  return count;
}

void TPcbBoard::NamePair(TPcblayerPair& pair) const {
  const LayerSet electrical = ElectricalLayers();
  const TLayerObject* a = LayerObject(pair.GetLayer2());
  const TLayerObject* b = LayerObject(pair.GetLayer1());
  // A layer without a layer object (layer 0) is named by the empty text.
  const std::string nameA = a != nullptr ? a->LayerName.str() : std::string();
  const std::string nameB = b != nullptr ? b->LayerName.str() : std::string();
  const int positionA = StackPosition(electrical, a);
  const int positionB = StackPosition(electrical, b);
  pair.Name.Assign(positionA <= positionB ? nameA + " - " + nameB : nameB + " - " + nameA);
}

void TPcbBoard::QueryLayerPairs(TMode Mode) {
  TLayerPairList& pairs = *LayerPairs;
  if (Mode == 1) {
    pairs.clear();
    std::int32_t count = 0;
    if (PcbApi_QueryBoardLayerPairsCount(Handle, &count, 1) != 0) count = 0;
    if (count > kMaxLayerPairs) count = kMaxLayerPairs;
    for (std::int32_t i = 0; i < count; ++i) {
      auto pair = std::make_unique<TPcblayerPair>();
      PcbApi_QueryBoardLayerPairAt(Mode, Handle, i, &pair->LayerCode1, &pair->LayerCode2, &pair->PairByte2,
                                   &pair->PairByte1);
      NamePair(*pair);
      pairs.push_back(std::move(pair));
    }
    return;
  }
  // Writing: the count goes with mode 0, whatever the mode asked for.
  std::int32_t count = static_cast<std::int32_t>(pairs.size());
  PcbApi_QueryBoardLayerPairsCount(Handle, &count, 0);
  std::int32_t index = 0;
  for (const std::unique_ptr<TPcblayerPair>& pair : pairs) {
    PcbApi_QueryBoardLayerPairAt(Mode, Handle, index++, &pair->LayerCode1, &pair->LayerCode2, &pair->PairByte2,
                                 &pair->PairByte1);
  }
}

std::int32_t TPcbBoard::Query(TMode Mode) {
  const std::int32_t result =
      PcbApi_QueryBoard(Mode, Handle, &BoardValue1, &BoardText, &BoardByte1, &BoardValue2, &BoardValue3, &BoardValue4,
                        &BoardValue5, &BoardByte2, &BoardLayer, &BoardValue6);

  for (int L = 1; L <= kMaxLayer; ++L) {
    std::uint8_t scratch = 0;
    PcbApi_QueryBoardLayerInfo(Mode, Handle, static_cast<TLayerByte>(L), &scratch, &scratch, &LayerInfo[L]);
  }
  for (int L = 1; L <= kMaxLayer; ++L) Layers[L]->Query(Mode);

  PcbApi_QueryBoardSplitPlaneMode(Mode, Handle, &SplitPlaneMode);

  double* g = GridValues;
  PcbApi_QueryBoardGridsEx(Mode, Handle, &g[0], &g[1], &g[2], &g[3], &g[4], &g[5], &g[6], &g[7], &g[8], &g[9], &g[10],
                           &g[11], &g[12], &g[13]);
  GridExtraValues[0] = GridValues[6];
  GridExtraValues[1] = GridValues[12];

  std::int32_t* o = OutputOptions;
  PcbApi_QueryBoardOutputOptions(Mode, Handle, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5], &o[6], &o[7], &o[8], &o[9],
                                 &o[10], &o[11], &o[12], &o[13], &o[14], &o[15], &o[16], &o[17], &o[18], &o[19], &o[20],
                                 &o[21], &o[22], &o[23]);
  for (int i = 1; i <= 109; ++i)
    PcbApi_QueryBoardOutputOptionsPlotLayers(Mode, Handle, static_cast<std::uint8_t>(i), &PlotLayers[i]);
  for (int i = 1; i <= 109; ++i)
    PcbApi_QueryBoardOutputOptionsFlipLayers(Mode, Handle, static_cast<std::uint8_t>(i), &FlipLayers[i]);

  std::int32_t* gb = GerberOptions;
  PcbApi_QueryBoardGerberOptions(Mode, Handle, &gb[0], &gb[1], &gb[2], &gb[3], &gb[4], &gb[5], &gb[6], &gb[7], &gb[8],
                                 &gb[9], &gb[10], &gb[11], &gb[12], &gb[13], &gb[14], &gb[15], &gb[16], &gb[17],
                                 &gb[18]);

  std::int32_t* p = PrinterOptions;
  PcbApi_QueryBoardPrinterOptions(Mode, Handle, &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6], &p[7], &p[8], &p[9],
                                  &p[10], &p[11], &p[12], &p[13], &p[14], &p[15], &p[16], &p[17], &p[18], &p[19],
                                  &p[20], &p[21], &p[22], &p[23], &p[24], &p[25]);
  for (int i = 1; i <= 8; ++i) {
    std::int32_t* pen = PlotterPens[i].Values;
    PcbApi_QueryBoardPrinterOptionsPlotterPen(Mode, Handle, i, &pen[0], &pen[1]);
  }
  for (int L = 1; L <= kMaxLayer; ++L) {
    TCompositeLayerEntry& entry = CompositeLayers[L];
    PcbApi_QueryBoardPrinterOptionsCompositeLayer(Mode, Handle, static_cast<TLayerByte>(L), &entry.Values[0],
                                                  &entry.Values[1], &entry.Values[2], &entry.Flag);
  }

  std::int32_t* a = PlacerOptions;
  PcbApi_QueryBoardAdvancedPlacerOptions(Mode, Handle, &a[0], &a[1], &a[2], &a[3], &a[4], &a[5]);
  PcbApi_QueryBoardEngineeringChangeOrderOptions(Mode, Handle, &ChangeOrderOptions[0], &ChangeOrderOptions[1]);

  QueryLayerPairs(Mode);

  PcbApi_QueryBoardExternalDielectrics(Mode, Handle, &TopDielectricMaterial, &TopDielectricType, &TopDielectricConstant,
                                       &TopDielectricHeight, &BottomDielectricMaterial, &BottomDielectricType,
                                       &BottomDielectricConstant, &BottomDielectricHeight);
  return result;
}

THostRef<IPcbBoard> TPcbBoard::GetBoardInterface() const {
  THostRef<IPcbBoard> board;
  THostRef<IPcbServer> server = GetPcbServer();
  if (!server) return board;
  CheckHost(server->GetInterfaceForHandle(Handle, IID_IPcbBoard, board.ReceiveVoid()),
            THostOperation::IPcbServer_GetInterfaceForHandle);
  return board;
}

bool TPcbBoard::IsLayerPresent(TLayerCode code) const {
  if (!IsDesignLayerCode(code)) return false;
  THostRef<IPcbBoard> board = GetBoardInterface();
  if (!board) return false;
  THostRef<IPcbLayerStack> stack;
  CheckHost(board->GetLayerStack(stack.Receive()), THostOperation::IPcbBoard_GetLayerStack);
  if (!stack) return false;
  THostRef<IPcbLayer> layer;
  CheckHost(stack->LayerForCode(code, layer.Receive()), THostOperation::IPcbLayerStack_LayerForCode);
  if (!layer) return false;
  std::uint8_t present = 0;
  CheckHost(layer->GetIsPresent(&present), THostOperation::IPcbLayer_GetIsPresent);
  return present != 0;
}
