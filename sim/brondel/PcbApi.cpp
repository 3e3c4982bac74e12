// The entry points of the PCB server library that the exporter calls,
// answered from the current board document.
//
// Every query answers 0 on success and 1 when it cannot: no board, a handle
// that names no object of the query's kind, a layer outside 0..82, or a mode
// other than 0 (set) and 1 (query). A query that fails writes nothing. In set
// mode a net or component handle that names no such object fails the whole
// query before anything is stored.
#include "host/PcbApi.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "host/Export.h"
#include "sim/board/Board.h"
#include "sim/brondel/Exchange.h"
#include "sim/brondel/HostState.h"

// The entry points are defined here under the names SimImpl_PcbApi_...; the
// exported names are gates in front of them (Gates.cpp), which trace the
// calls and make chosen ones fail.
#include "sim/brondel/PcbApiImplNames.inc"
#define SIM_PCBAPI(ret) ret TQ_STDCALL

namespace sim {
namespace {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kFailed = 1;

// Keys of the records the server keeps per object or for the board.
enum RecordKey : std::uint32_t {
  kKeyPad = 0x100,
  kKeyVia,
  kKeyTrack,
  kKeyArc,
  kKeyFill,
  kKeyRegion,
  kKeyText,
  kKeyTrueType,
  kKeyBarCode,
  kKeyPolygon,
  kKeySplitPlane,
  kKeyComponent,
  kKeyComponentEx,
  kKeySourceLinks,
  kKey3DModel,
  kKeyNet,
  kKeyClass,
  kKeyFromTo,
  kKeyManualFromTo,
  kKeyCoordinate,
  kKeyDimension,
  kKeyExtDimension,
  kKeyReferenceCount,
  kKeyEmbedded,
  kKeyEmbeddedBoard,
  kKeyRule,
  kKeyViolation,
  kKeyBoard,
  // Keys with an index in the low 16 bits.
  kKeyLayerInfo = 0x10000,
  kKeyPlotLayer = 0x20000,
  kKeyFlipLayer = 0x30000,
  kKeyPlotterPen = 0x40000,
  kKeyCompositeLayer = 0x50000,
  kKeyReference = 0x60000,
};

bool ModeOk(TMode mode) { return mode == 0 || mode == 1; }
bool LayerOk(int layer) { return layer >= 0 && layer <= kLastLayer; }

Board* BoardFor(THandle handle) {
  Board* b = CurrentBoard();
  return b != nullptr && handle == b->handle() ? b : nullptr;
}

Object* ObjectFor(THandle handle) {
  Board* b = CurrentBoard();
  return b != nullptr ? b->Find(handle) : nullptr;
}

template <typename T>
T* Get(THandle handle, Kind kind) {
  Board* b = CurrentBoard();
  return b != nullptr ? b->FindAs<T>(handle, kind) : nullptr;
}

Object* GetAnyOf(THandle handle, std::initializer_list<Kind> kinds) {
  Object* o = ObjectFor(handle);
  return o != nullptr && std::find(kinds.begin(), kinds.end(), o->kind) != kinds.end() ? o : nullptr;
}

// In set mode, a net and a component handle must name a net and a component
// (or be 0) before anything is stored.
bool RefsOk(TMode mode, const THandle* net, const THandle* component) {
  if (mode != 0) return true;
  const Board& b = *CurrentBoard();
  if (net != nullptr && LoadFrom(net) != 0 && !b.IsNet(LoadFrom(net))) return false;
  if (component != nullptr && LoadFrom(component) != 0 && !b.IsComponent(LoadFrom(component))) return false;
  return true;
}

// Net and owning component go through the board, which keeps the members of
// nets and components.
void ExchangeNet(Exchange& ex, Object& o, THandle* net) {
  if (net == nullptr) return;
  if (ex.Setting())
    CurrentBoard()->SetNet(o, LoadFrom(net));
  else
    StoreTo(net, o.net);
}
void ExchangeComponent(Exchange& ex, Object& o, THandle* component) {
  if (component == nullptr) return;
  if (ex.Setting())
    CurrentBoard()->SetComponent(o, LoadFrom(component));
  else
    StoreTo(component, o.component);
}

// The common header of the primitive queries: Flags, HostWord, LayerCode,
// NetHandle, HostByte, ComponentHandle.
void ExchangeHeader(Exchange& ex, Object& o, std::uint16_t* flags, std::uint16_t* hostWord, TLayerCode* layer,
                    THandle* net, std::uint8_t* hostByte, THandle* component) {
  ex.Field(flags, o.flags).Field(hostWord, o.hostWord).Field(layer, o.layer);
  ExchangeNet(ex, o, net);
  ex.Field(hostByte, o.hostByte);
  ExchangeComponent(ex, o, component);
}

void Notify(std::int32_t event) {
  HostState& s = State();
  if (s.progressCallback != nullptr)
    s.progressCallback(s.progressContext, event, s.progress.caption.c_str(), s.progress.total, s.progress.steps);
}

}  // namespace
}  // namespace sim

using namespace sim;

// ---------------------------------------------------------------------------
// Board, progress, iteration.

SIM_PCBAPI(THandle) PcbApi_GetCurrentBoardHandle() {
  Board* b = CurrentBoard();
  return b != nullptr ? b->handle() : 0;
}

SIM_PCBAPI(void) PcbApi_Percent_Init(const TShortString* caption, std::int32_t total) {
  Progress& p = State().progress;
  p.caption = caption != nullptr ? caption->str() : std::string();
  p.total = total;
  p.steps = 0;
  ++p.opened;
  Notify(0);
}

SIM_PCBAPI(void) PcbApi_Percent_Update() {
  ++State().progress.steps;
  Notify(1);
}

SIM_PCBAPI(void) PcbApi_Percent_Finish() {
  ++State().progress.closed;
  Notify(2);
}

SIM_PCBAPI(THandle)
PcbApi_CreateIterator(THandle container, TObjectKindByte kind, std::uint8_t /*filter*/, TLayerCode layer) {
  Board* b = CurrentBoard();
  if (b == nullptr) return 0;
  const std::uint8_t wanted = kind & 0x7F;
  Iterator it;
  if (container == b->handle()) {
    // The board's index answers in the time of what it yields.
    it.handles = b->OnLayer(wanted, layer);
  } else if (b->IsNet(container) || b->IsComponent(container)) {
    for (Handle h : b->MembersOf(container)) {
      const Object* o = b->Find(h);
      if (o != nullptr && static_cast<std::uint8_t>(o->kind) == wanted && (layer == 0 || b->YieldsOnLayer(*o, layer)))
        it.handles.push_back(h);
    }
  } else {
    return 0;
  }
  HostState& s = State();
  const THandle handle = s.nextIterator++;
  s.iterators.emplace(handle, std::move(it));
  return handle;
}

SIM_PCBAPI(THandle) PcbApi_GetFirstObject(THandle iterator) {
  auto& iterators = State().iterators;
  auto it = iterators.find(iterator);
  if (it == iterators.end()) return 0;
  it->second.next = 0;
  return it->second.handles.empty() ? 0 : it->second.handles[it->second.next++];
}

SIM_PCBAPI(THandle) PcbApi_GetNextObject(THandle iterator) {
  auto& iterators = State().iterators;
  auto it = iterators.find(iterator);
  if (it == iterators.end() || it->second.next >= it->second.handles.size()) return 0;
  return it->second.handles[it->second.next++];
}

SIM_PCBAPI(std::int32_t) PcbApi_DestroyIterator(THandle iterator) {
  return State().iterators.erase(iterator) == 1 ? kOk : kFailed;
}

SIM_PCBAPI(TObjectKindByte) PcbApi_GetObjectIdFromObjectHandle(THandle handle) {
  if (BoardFor(handle) != nullptr) return static_cast<TObjectKindByte>(Kind::Board);
  const Object* o = ObjectFor(handle);
  return o != nullptr ? static_cast<TObjectKindByte>(o->kind) : 0;
}

// ---------------------------------------------------------------------------
// The board's own values.

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoard(TMode mode, THandle handle, std::int32_t* v1, TShortString* text, std::uint8_t* b1, std::int32_t* v2,
                  std::int32_t* v3, std::int32_t* v4, std::int32_t* v5, std::uint8_t* b2, TLayerCode* currentLayer,
                  std::int32_t* v6) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode)) return kFailed;
  Exchange ex(mode, RecordFor(b->records, kKeyBoard, mode));
  ex.Field(v1, b->values[0]).Text(text, b->text).Field(b1, b->bytes[0]);
  ex.Field(v2, b->values[1]).Field(v3, b->values[2]).Field(v4, b->values[3]).Field(v5, b->values[4]);
  ex.Field(b2, b->bytes[1]).Field(currentLayer, b->currentLayer).Field(v6, b->values[5]);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardLayerInfo(TMode mode, THandle handle, TLayerByte layer, std::uint8_t* b1, std::uint8_t* b2,
                           std::int32_t* value) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode) || !LayerOk(layer)) return kFailed;
  Exchange(mode, RecordFor(b->records, kKeyLayerInfo + layer, mode)).Keep(b1).Keep(b2).Keep(value);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryBoardSplitPlaneMode(TMode mode, THandle handle, std::uint8_t* value) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode).Field(value, b->splitPlaneMode);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryBoardLayerPairsCount(THandle handle, std::int32_t* count, TMode mode) {
  constexpr std::int32_t kMostPairs = 4096;
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode) || count == nullptr) return kFailed;
  if (mode == 1) {
    StoreTo(count, b->layerPairs.size());
  } else {
    const std::int32_t wanted = LoadFrom(count);
    if (wanted < 0 || wanted > kMostPairs) return kFailed;
    b->layerPairs.resize(static_cast<std::size_t>(wanted));
  }
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardLayerPairAt(TMode mode, THandle handle, std::int32_t index, TLayerCode* first, TLayerCode* second,
                             std::uint8_t* byte2, std::uint8_t* byte1) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode) || index < 0 || index >= static_cast<std::int32_t>(b->layerPairs.size()))
    return kFailed;
  LayerPair& p = b->layerPairs[static_cast<std::size_t>(index)];
  Exchange(mode).Field(first, p.first).Field(second, p.second).Field(byte2, p.byte2).Field(byte1, p.byte1);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardExternalDielectrics(TMode mode, THandle handle, TShortString* topMaterial, std::uint8_t* topType,
                                     double* topConstant, std::int32_t* topHeight, TShortString* bottomMaterial,
                                     std::uint8_t* bottomType, double* bottomConstant, std::int32_t* bottomHeight) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode)) return kFailed;
  Exchange ex(mode);
  ExternalDielectric& t = b->topDielectric;
  ExternalDielectric& d = b->bottomDielectric;
  ex.Text(topMaterial, t.material).Field(topType, t.type).Field(topConstant, t.constant).Field(topHeight, t.height);
  ex.Text(bottomMaterial, d.material)
      .Field(bottomType, d.type)
      .Field(bottomConstant, d.constant)
      .Field(bottomHeight, d.height);
  return kOk;
}

namespace {
// A board query whose values the host only keeps, in one record.
template <typename... T>
std::int32_t KeepBoardValues(TMode mode, THandle handle, std::uint32_t key, T*... values) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode)) return kFailed;
  Exchange ex(mode, RecordFor(b->records, key, mode));
  (ex.Keep(values), ...);
  return kOk;
}
}  // namespace

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardGridsEx(TMode mode, THandle handle, double* g1, double* g2, double* g3, double* g4, double* g5,
                         double* g6, double* g7, double* g8, double* g9, double* g10, double* g11, double* g12,
                         double* g13, double* g14) {
  return KeepBoardValues(mode, handle, kRecordGrids, g1, g2, g3, g4, g5, g6, g7, g8, g9, g10, g11, g12, g13, g14);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardEngineeringChangeOrderOptions(TMode mode, THandle handle, std::int32_t* v1, std::int32_t* v2) {
  return KeepBoardValues(mode, handle, kRecordChangeOrderOptions, v1, v2);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardOutputOptions(TMode mode, THandle handle, std::int32_t* v1, std::int32_t* v2, std::int32_t* v3,
                               std::int32_t* v4, std::int32_t* v5, std::int32_t* v6, std::int32_t* v7, std::int32_t* v8,
                               std::int32_t* v9, std::int32_t* v10, std::int32_t* v11, std::int32_t* v12,
                               std::int32_t* v13, std::int32_t* v14, std::int32_t* v15, std::int32_t* v16,
                               std::int32_t* v17, std::int32_t* v18, std::int32_t* v19, std::int32_t* v20,
                               std::int32_t* v21, std::int32_t* v22, std::int32_t* v23, std::int32_t* v24) {
  return KeepBoardValues(mode, handle, kRecordOutputOptions, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13,
                         v14, v15, v16, v17, v18, v19, v20, v21, v22, v23, v24);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardOutputOptionsPlotLayers(TMode mode, THandle handle, std::uint8_t index, std::uint8_t* value) {
  return KeepBoardValues(mode, handle, kKeyPlotLayer + index, value);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardOutputOptionsFlipLayers(TMode mode, THandle handle, std::uint8_t index, std::uint8_t* value) {
  return KeepBoardValues(mode, handle, kKeyFlipLayer + index, value);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardAdvancedPlacerOptions(TMode mode, THandle handle, std::int32_t* v1, std::int32_t* v2, std::int32_t* v3,
                                       std::int32_t* v4, std::int32_t* v5, std::int32_t* v6) {
  return KeepBoardValues(mode, handle, kRecordPlacerOptions, v1, v2, v3, v4, v5, v6);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardGerberOptions(TMode mode, THandle handle, std::int32_t* v1, std::int32_t* v2, std::int32_t* v3,
                               std::int32_t* v4, std::int32_t* v5, std::int32_t* v6, std::int32_t* v7, std::int32_t* v8,
                               std::int32_t* v9, std::int32_t* v10, std::int32_t* v11, std::int32_t* v12,
                               std::int32_t* v13, std::int32_t* v14, std::int32_t* v15, std::int32_t* v16,
                               std::int32_t* v17, std::int32_t* v18, std::int32_t* v19) {
  return KeepBoardValues(mode, handle, kRecordGerberOptions, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13,
                         v14, v15, v16, v17, v18, v19);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardPrinterOptions(TMode mode, THandle handle, std::int32_t* v1, std::int32_t* v2, std::int32_t* v3,
                                std::int32_t* v4, std::int32_t* v5, std::int32_t* v6, std::int32_t* v7,
                                std::int32_t* v8, std::int32_t* v9, std::int32_t* v10, std::int32_t* v11,
                                std::int32_t* v12, std::int32_t* v13, std::int32_t* v14, std::int32_t* v15,
                                std::int32_t* v16, std::int32_t* v17, std::int32_t* v18, std::int32_t* v19,
                                std::int32_t* v20, std::int32_t* v21, std::int32_t* v22, std::int32_t* v23,
                                std::int32_t* v24, std::int32_t* v25, std::int32_t* v26) {
  return KeepBoardValues(mode, handle, kRecordPrinterOptions, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13,
                         v14, v15, v16, v17, v18, v19, v20, v21, v22, v23, v24, v25, v26);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardPrinterOptionsPlotterPen(TMode mode, THandle handle, std::int32_t index, std::int32_t* v1,
                                          std::int32_t* v2) {
  if (index < 0 || index > 0xFFFF) return kFailed;
  return KeepBoardValues(mode, handle, kKeyPlotterPen + static_cast<std::uint32_t>(index), v1, v2);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBoardPrinterOptionsCompositeLayer(TMode mode, THandle handle, TLayerByte layer, std::int32_t* v1,
                                              std::int32_t* v2, std::int32_t* v3, std::uint8_t* b1) {
  return KeepBoardValues(mode, handle, kKeyCompositeLayer + layer, v1, v2, v3, b1);
}

// ---------------------------------------------------------------------------
// Layers.

namespace {
// The values that the layer and plane queries share; prev and next are the
// stack's links, which set mode rewrites.
bool ExchangeLayer(Exchange& ex, LayerEntry& e, TShortString* name, std::int32_t* copper, std::uint8_t* b1,
                   std::uint8_t* b2, TLayerByte* prev, TLayerByte* next) {
  if (ex.Setting() && ((prev != nullptr && !LayerOk(*prev)) || (next != nullptr && !LayerOk(*next)))) return false;
  ex.Text(name, e.name).Field(copper, e.copper).Field(b1, e.byte1).Field(b2, e.byte2);
  ex.Field(prev, e.prev).Field(next, e.next);
  if (ex.Setting() && (e.prev != 0 || e.next != 0)) e.inStack = true;
  return true;
}
}  // namespace

SIM_PCBAPI(std::int32_t)
PcbApi_QueryLayer(TMode mode, TLayerByte layer, THandle handle, TShortString* name, std::int32_t* copper,
                  std::uint8_t* b1, std::uint8_t* b2, TLayerByte* prev, TLayerByte* next, std::uint16_t* extra) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode) || layer < 1 || layer > kLastLayer) return kFailed;
  LayerEntry& e = b->layers[layer];
  Exchange ex(mode);
  if (!ExchangeLayer(ex, e, name, copper, b1, b2, prev, next)) return kFailed;
  ex.Field(extra, e.extra);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryInternalPlane(TMode mode, TLayerByte layer, THandle handle, TShortString* name, std::int32_t* copper,
                          std::uint8_t* b1, std::uint8_t* b2, TLayerByte* prev, TLayerByte* next,
                          TShortString* planeNet) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode) || layer < 1 || layer > kLastLayer) return kFailed;
  LayerEntry& e = b->layers[layer];
  Exchange ex(mode);
  if (!ExchangeLayer(ex, e, name, copper, b1, b2, prev, next)) return kFailed;
  ex.Text(planeNet, e.planeNet);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryLayerDielectric(TMode mode, TLayerByte layer, THandle handle, TShortString* material, std::uint8_t* type,
                            double* constant, std::int32_t* height) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode) || layer < 1 || layer > kLastLayer) return kFailed;
  Dielectric& d = b->layers[layer].dielectric;
  Exchange(mode).Text(material, d.material).Field(type, d.type).Field(constant, d.constant).Field(height, d.height);
  return kOk;
}

// ---------------------------------------------------------------------------
// Any object.

SIM_PCBAPI(std::int32_t)
PcbApi_QueryPrimitive(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerCode* layer,
                      THandle* net, THandle* component, std::uint8_t* hostByte) {
  Object* o = ObjectFor(handle);
  if (o == nullptr || !ModeOk(mode) || !RefsOk(mode, net, component)) return kFailed;
  Exchange ex(mode);
  ex.Field(flags, o->flags).Field(hostWord, o->hostWord).Field(layer, o->layer);
  ExchangeNet(ex, *o, net);
  ExchangeComponent(ex, *o, component);
  ex.Field(hostByte, o->hostByte);
  return kOk;
}

SIM_PCBAPI(void) PcbApi_GetObjectBitField2(TMode mode, THandle handle, std::uint8_t* value) {
  Object* o = ObjectFor(handle);
  if (o == nullptr || !ModeOk(mode)) return;
  Exchange(mode).Field(value, o->bitField2);
}

SIM_PCBAPI(void) PcbApi_GetObjectBitField3(TMode mode, THandle handle, std::uint16_t* value) {
  Object* o = ObjectFor(handle);
  if (o == nullptr || !ModeOk(mode)) return;
  Exchange(mode).Field(value, o->bitField3);
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryObjectBoundingRectangle(THandle handle, std::int32_t* left, std::int32_t* bottom, std::int32_t* right,
                                    std::int32_t* top) {
  const Object* o = ObjectFor(handle);
  if (o == nullptr) return kFailed;
  const Rect r = CurrentBoard()->Bounds(*o);
  if (left != nullptr) StoreTo(left, r.left);
  if (bottom != nullptr) StoreTo(bottom, r.bottom);
  if (right != nullptr) StoreTo(right, r.right);
  if (top != nullptr) StoreTo(top, r.top);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryObjectImport_FromUser(THandle handle) {
  return ObjectFor(handle) != nullptr ? kOk : kFailed;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryObjectGraphicallyInvalidate(THandle handle) {
  return ObjectFor(handle) != nullptr ? kOk : kFailed;
}

// ---------------------------------------------------------------------------
// Pads.

SIM_PCBAPI(std::int32_t)
PcbApi_QueryPad(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerCode* layer,
                THandle* net, std::uint8_t* hostByte, THandle* component, std::int32_t* x, std::int32_t* y,
                std::int32_t* topX, std::int32_t* topY, std::int32_t* midX, std::int32_t* midY, std::int32_t* botX,
                std::int32_t* botY, std::int32_t* hole, std::uint8_t* topShape, std::uint8_t* midShape,
                std::uint8_t* botShape, TShortString* name, std::uint8_t* padByte1, std::uint8_t* padByte2,
                double* rotation, TShortString* padText1, TShortString* padText2, std::int32_t* padValue1,
                TShortString* padText3, std::uint8_t* padByte3, std::uint8_t* padByte4, std::int32_t* padValue2,
                std::uint8_t* padEightBytes, std::int32_t* padValue3, std::int32_t* padValue4, std::int32_t* padValue5,
                std::uint8_t* sideFlag1, std::uint8_t* sideFlag2) {
  Pad* p = Get<Pad>(handle, Kind::Pad);
  if (p == nullptr || !ModeOk(mode) || !RefsOk(mode, net, component)) return kFailed;
  Exchange ex(mode, RecordFor(p->records, kKeyPad, mode));
  ExchangeHeader(ex, *p, flags, hostWord, layer, net, hostByte, component);
  ex.Field(x, p->x).Field(y, p->y);
  ex.Field(topX, p->top.xSize).Field(topY, p->top.ySize).Field(midX, p->mid.xSize).Field(midY, p->mid.ySize);
  ex.Field(botX, p->bottom.xSize).Field(botY, p->bottom.ySize).Field(hole, p->hole);
  ex.Field(topShape, p->top.shape).Field(midShape, p->mid.shape).Field(botShape, p->bottom.shape);
  ex.Text(name, p->name).Keep(padByte1).Keep(padByte2).Field(rotation, p->rotation);
  ex.Keep(padText1).Keep(padText2).Keep(padValue1).Keep(padText3).Keep(padByte3).Keep(padByte4).Keep(padValue2);
  ex.Bytes(padEightBytes, 8).Keep(padValue3).Keep(padValue4).Keep(padValue5);
  ex.Field(sideFlag1, p->sideFlag1).Field(sideFlag2, p->sideFlag2);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryPadStackMode(TMode mode, THandle handle, std::uint8_t* stackMode) {
  Pad* p = Get<Pad>(handle, Kind::Pad);
  if (p == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode).Field(stackMode, p->stackMode);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryPadOrViaShapeOnLayer(THandle handle, TLayerByte layer, std::uint8_t* shape) {
  if (!LayerOk(layer) || shape == nullptr) return kFailed;
  if (const Pad* p = Get<Pad>(handle, Kind::Pad)) {
    *shape = CurrentBoard()->PadLayer(*p, layer).shape;
  } else if (const Via* v = Get<Via>(handle, Kind::Via)) {
    *shape = CurrentBoard()->ViaShape(*v, layer);
  } else {
    return kFailed;
  }
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryPadOrViaSizeOnLayer(THandle handle, TLayerByte layer, std::int32_t* xSize, std::int32_t* ySize) {
  if (!LayerOk(layer)) return kFailed;
  std::int32_t sx = 0, sy = 0;
  if (const Pad* p = Get<Pad>(handle, Kind::Pad)) {
    const PadOnLayer on = CurrentBoard()->PadLayer(*p, layer);
    sx = on.xSize;
    sy = on.ySize;
  } else if (const Via* v = Get<Via>(handle, Kind::Via)) {
    sx = CurrentBoard()->ViaSize(*v, layer);
    sy = CurrentBoard()->ViaYSize(*v, layer);
  } else {
    return kFailed;
  }
  if (xSize != nullptr) StoreTo(xSize, sx);
  if (ySize != nullptr) StoreTo(ySize, sy);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryPadCornerRadiusOnLayer(THandle handle, TLayerByte layer, std::int32_t* radius) {
  const Pad* p = Get<Pad>(handle, Kind::Pad);
  if (p == nullptr || !LayerOk(layer) || radius == nullptr) return kFailed;
  StoreTo(radius, CurrentBoard()->PadLayer(*p, layer).cornerRadius);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryPadCRPercentageOnLayer(THandle handle, TLayerByte layer, std::uint8_t* percent) {
  const Pad* p = Get<Pad>(handle, Kind::Pad);
  if (p == nullptr || !LayerOk(layer) || percent == nullptr) return kFailed;
  *percent = CurrentBoard()->PadLayer(*p, layer).cornerPercent;
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_SetPadShapeOnLayer(THandle handle, TLayerByte layer, std::uint8_t shape) {
  Pad* p = Get<Pad>(handle, Kind::Pad);
  if (p == nullptr || !LayerOk(layer)) return kFailed;
  p->OverrideFor(layer).shape = shape;
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_SetPadSizeOnLayer(THandle handle, TLayerByte layer, std::int32_t xSize, std::int32_t ySize) {
  Pad* p = Get<Pad>(handle, Kind::Pad);
  if (p == nullptr || !LayerOk(layer)) return kFailed;
  PadLayerOverride& o = p->OverrideFor(layer);
  o.xSize = xSize;
  o.ySize = ySize;
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_SetCRPctOnLayer(THandle handle, TLayerByte layer, std::uint8_t percent) {
  Pad* p = Get<Pad>(handle, Kind::Pad);
  if (p == nullptr || !LayerOk(layer)) return kFailed;
  p->OverrideFor(layer).cornerPercent = percent;
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryPad_PwrGnd(THandle handle, std::uint8_t* connection) {
  const Pad* p = Get<Pad>(handle, Kind::Pad);
  if (p == nullptr || connection == nullptr) return kFailed;
  *connection = CurrentBoard()->PadPlaneConnection(*p);
  return kOk;
}

// ---------------------------------------------------------------------------
// Rules.

SIM_PCBAPI(THandle) PcbApi_FindDominantRuleForObject(THandle handle, std::uint8_t ruleKind) {
  const Object* o = ObjectFor(handle);
  if (o == nullptr || ruleKind != kRuleKindPowerPlaneClearance) return 0;
  return CurrentBoard()->PlaneRuleFor(*o);
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryRulePowerPlaneExpansionRule(TMode mode, THandle handle, std::int32_t* value) {
  Rule* r = Get<Rule>(handle, Kind::Rule);
  if (r == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode).Field(value, r->value);
  return kOk;
}

// ---------------------------------------------------------------------------
// Vias.

SIM_PCBAPI(std::int32_t)
PcbApi_QueryVia(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerByte* layer,
                THandle* net, std::uint8_t* hostByte, THandle* component, std::int32_t* x, std::int32_t* y,
                std::int32_t* size, std::int32_t* hole, TLayerByte* lowLayer, TLayerByte* highLayer,
                std::uint8_t* sideFlag1, std::uint8_t* sideFlag2) {
  Via* v = Get<Via>(handle, Kind::Via);
  if (v == nullptr || !ModeOk(mode) || !RefsOk(mode, net, component)) return kFailed;
  Exchange ex(mode);
  ex.Field(flags, v->flags).Field(hostWord, v->hostWord).Cast(layer, v->layer);
  ExchangeNet(ex, *v, net);
  ex.Field(hostByte, v->hostByte);
  ExchangeComponent(ex, *v, component);
  ex.Field(x, v->x).Field(y, v->y).Field(size, v->size).Field(hole, v->hole);
  ex.Field(lowLayer, v->lowLayer)
      .Field(highLayer, v->highLayer)
      .Field(sideFlag1, v->sideFlag1)
      .Field(sideFlag2, v->sideFlag2);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryViaStackMode(TMode mode, THandle handle, std::uint8_t* stackMode) {
  Via* v = Get<Via>(handle, Kind::Via);
  if (v == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode).Field(stackMode, v->stackMode);
  return kOk;
}

// ---------------------------------------------------------------------------
// Tracks, arcs, fills, regions, texts.

SIM_PCBAPI(std::int32_t)
PcbApi_QueryTrack(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerCode* layer,
                  THandle* net, std::uint8_t* hostByte, THandle* component, std::int32_t* x, std::int32_t* y,
                  std::int32_t* x2, std::int32_t* y2, std::int32_t* width, std::int32_t* extra1, std::int32_t* extra2,
                  std::int32_t* extra3) {
  Track* t = Get<Track>(handle, Kind::Track);
  if (t == nullptr || !ModeOk(mode) || !RefsOk(mode, net, component)) return kFailed;
  Exchange ex(mode, RecordFor(t->records, kKeyTrack, mode));
  ExchangeHeader(ex, *t, flags, hostWord, layer, net, hostByte, component);
  ex.Field(x, t->x).Field(y, t->y).Field(x2, t->x2).Field(y2, t->y2).Field(width, t->width);
  ex.Keep(extra1).Keep(extra2).Keep(extra3);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryArc(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerCode* layer,
                THandle* net, std::uint8_t* hostByte, THandle* component, std::int32_t* x, std::int32_t* y,
                std::int32_t* radius, double* startAngle, double* endAngle, std::int32_t* width, std::int32_t* extra1) {
  Arc* a = Get<Arc>(handle, Kind::Arc);
  if (a == nullptr || !ModeOk(mode) || !RefsOk(mode, net, component)) return kFailed;
  Exchange ex(mode, RecordFor(a->records, kKeyArc, mode));
  ExchangeHeader(ex, *a, flags, hostWord, layer, net, hostByte, component);
  ex.Field(x, a->x).Field(y, a->y).Field(radius, a->radius).Field(startAngle, a->startAngle);
  ex.Field(endAngle, a->endAngle).Field(width, a->width).Keep(extra1);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryFill(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerCode* layer,
                 THandle* net, std::uint8_t* hostByte, THandle* component, std::int32_t* x, std::int32_t* y,
                 std::int32_t* x2, std::int32_t* y2, std::int32_t* extra1, double* rotation) {
  Fill* f = Get<Fill>(handle, Kind::Fill);
  if (f == nullptr || !ModeOk(mode) || !RefsOk(mode, net, component)) return kFailed;
  Exchange ex(mode, RecordFor(f->records, kKeyFill, mode));
  ExchangeHeader(ex, *f, flags, hostWord, layer, net, hostByte, component);
  ex.Field(x, f->x).Field(y, f->y).Field(x2, f->x2).Field(y2, f->y2).Keep(extra1).Field(rotation, f->rotation);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryRegion(TMode mode, THandle handle, std::uint8_t* regionByte, std::uint16_t* flags, std::uint16_t* hostWord,
                   TLayerCode* layer, THandle* net, std::uint8_t* hostByte, THandle* component, std::int32_t* v6,
                   std::int32_t* v5, std::int32_t* v1, std::int32_t* v2, std::int32_t* v3, std::int32_t* v4) {
  Object* o = Get<Object>(handle, Kind::Region);
  if (o == nullptr || !ModeOk(mode) || !RefsOk(mode, net, component)) return kFailed;
  Exchange ex(mode, RecordFor(o->records, kKeyRegion, mode));
  ex.Keep(regionByte);
  ExchangeHeader(ex, *o, flags, hostWord, layer, net, hostByte, component);
  ex.Keep(v6).Keep(v5).Keep(v1).Keep(v2).Keep(v3).Keep(v4);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryText(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerCode* layer,
                 THandle* net, std::uint8_t* hostByte, THandle* component, std::int32_t* x, std::int32_t* y,
                 std::int32_t* height, std::int32_t* textValue, double* rotation, std::uint8_t* textFlag,
                 TShortString* text, std::int32_t* lineWidth, std::int32_t* extra2, std::int32_t* extra3) {
  Text* t = Get<Text>(handle, Kind::Text);
  if (t == nullptr || !ModeOk(mode) || !RefsOk(mode, net, component)) return kFailed;
  Exchange ex(mode, RecordFor(t->records, kKeyText, mode));
  ExchangeHeader(ex, *t, flags, hostWord, layer, net, hostByte, component);
  ex.Field(x, t->x).Field(y, t->y).Field(height, t->height).Keep(textValue).Field(rotation, t->rotation);
  ex.Keep(textFlag).Text(text, t->text).Field(lineWidth, t->width).Keep(extra2).Keep(extra3);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryTrueTypeTextInfo(TMode mode, THandle handle, std::uint8_t* useTrueType, TShortString* fontName,
                             std::uint8_t* b1, std::uint8_t* b2, std::uint8_t* b3, std::int32_t* value) {
  Text* t = Get<Text>(handle, Kind::Text);
  if (t == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(t->records, kKeyTrueType, mode))
      .Keep(useTrueType)
      .Keep(fontName)
      .Keep(b1)
      .Keep(b2)
      .Keep(b3)
      .Keep(value);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryBarCodeTextInfo(TMode mode, THandle handle, std::uint8_t* b1, std::uint8_t* b2, std::uint8_t* b3,
                            std::uint8_t* b4) {
  Text* t = Get<Text>(handle, Kind::Text);
  if (t == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(t->records, kKeyBarCode, mode)).Keep(b1).Keep(b2).Keep(b3).Keep(b4);
  return kOk;
}

SIM_PCBAPI(void) PcbApi_GetDesignatorDisplayString(TShortString* result, THandle handle) {
  if (result == nullptr) return;
  const Text* t = Get<Text>(handle, Kind::Text);
  AssignText(result, t != nullptr ? t->text : std::string());
}

// ---------------------------------------------------------------------------
// Polygons and split planes.

SIM_PCBAPI(std::int32_t)
PcbApi_QueryPolygon(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerCode* layer,
                    THandle* net, std::uint8_t* hostByte, std::uint8_t* b2, std::uint8_t* b3, std::uint8_t* b4,
                    std::int32_t* i1, std::int32_t* i2, std::uint8_t* t1, std::uint8_t* t2, std::int32_t* i3,
                    std::uint8_t* b1, std::int32_t* i4, std::uint8_t* outline) {
  Object* o = GetAnyOf(handle, {Kind::Polygon, Kind::BoardOutline});
  if (o == nullptr || !ModeOk(mode) || !RefsOk(mode, net, nullptr)) return kFailed;
  Exchange ex(mode, RecordFor(o->records, kKeyPolygon, mode));
  ex.Field(flags, o->flags).Field(hostWord, o->hostWord).Field(layer, o->layer);
  ExchangeNet(ex, *o, net);
  ex.Field(hostByte, o->hostByte)
      .Keep(b2)
      .Keep(b3)
      .Keep(b4)
      .Keep(i1)
      .Keep(i2)
      .Keep(t1)
      .Keep(t2)
      .Keep(i3)
      .Keep(b1)
      .Keep(i4);
  ex.Bytes(outline, kPolygonOutlineBytes);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QuerySplitPlane(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerCode* layer,
                       THandle* net, std::uint8_t* hostByte, std::uint8_t* trailing, std::int32_t* value,
                       std::uint8_t* outline) {
  Object* o = Get<Object>(handle, Kind::SplitPlane);
  if (o == nullptr || !ModeOk(mode) || !RefsOk(mode, net, nullptr)) return kFailed;
  Exchange ex(mode, RecordFor(o->records, kKeySplitPlane, mode));
  ex.Field(flags, o->flags).Field(hostWord, o->hostWord).Field(layer, o->layer);
  ExchangeNet(ex, *o, net);
  ex.Field(hostByte, o->hostByte).Keep(trailing).Keep(value).Bytes(outline, kPolygonOutlineBytes);
  return kOk;
}

// ---------------------------------------------------------------------------
// Components.

SIM_PCBAPI(std::int32_t)
PcbApi_QueryComponent(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, TLayerByte* layer,
                      std::uint8_t* hostByte, THandle* designator, THandle* comment, TShortString* componentText,
                      std::uint8_t* b1, std::uint8_t* b2, std::int32_t* x, std::int32_t* y, std::int32_t* value1,
                      double* rotation, std::uint8_t* b3) {
  Component* c = Get<Component>(handle, Kind::Component);
  if (c == nullptr || !ModeOk(mode)) return kFailed;
  // The designator and comment are text objects (or none).
  const Board& b = *CurrentBoard();
  for (const THandle* text : {designator, comment})
    if (mode == 0 && text != nullptr && LoadFrom(text) != 0 && b.FindAs<Text>(LoadFrom(text), Kind::Text) == nullptr)
      return kFailed;
  Exchange ex(mode, RecordFor(c->records, kKeyComponent, mode));
  ex.Field(flags, c->flags).Field(hostWord, c->hostWord).Cast(layer, c->layer).Field(hostByte, c->hostByte);
  ex.Field(designator, c->designator).Field(comment, c->comment).Text(componentText, c->footprint);
  ex.Keep(b1).Keep(b2).Field(x, c->x).Field(y, c->y).Keep(value1).Field(rotation, c->rotation).Keep(b3);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryComponentEx(TMode mode, THandle handle, std::int32_t* v2, std::uint8_t* b4, std::uint8_t* b5,
                        std::int32_t* v3) {
  Component* c = Get<Component>(handle, Kind::Component);
  if (c == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(c->records, kKeyComponentEx, mode)).Keep(v2).Keep(b4).Keep(b5).Keep(v3);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryComponentSourceLinks(TMode mode, THandle handle, TShortString* s1, TShortString* s2, TShortString* s3,
                                 TShortString* s4, TShortString* s5, TShortString* s6, TShortString* s7,
                                 TShortString* s8) {
  Component* c = Get<Component>(handle, Kind::Component);
  if (c == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(c->records, kKeySourceLinks, mode))
      .Keep(s1)
      .Keep(s2)
      .Keep(s3)
      .Keep(s4)
      .Keep(s5)
      .Keep(s6)
      .Keep(s7)
      .Keep(s8);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryDefaultPCB3DModel(TMode mode, THandle handle, TShortString* model) {
  Component* c = Get<Component>(handle, Kind::Component);
  if (c == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(c->records, kKey3DModel, mode)).Keep(model);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryComponentChannelOffset(TMode mode, THandle handle, std::int32_t* offset) {
  Component* c = Get<Component>(handle, Kind::Component);
  if (c == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode).Field(offset, c->channelOffset);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_QueryComponentKind(TMode mode, THandle handle, std::int32_t* kind) {
  Component* c = Get<Component>(handle, Kind::Component);
  if (c == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode).Field(kind, c->componentKind);
  return kOk;
}

// ---------------------------------------------------------------------------
// Nets and classes.

SIM_PCBAPI(std::int32_t)
PcbApi_QueryNet(TMode mode, THandle handle, std::uint16_t* hostWord, TShortString* name, std::uint8_t* b1,
                std::uint8_t* b2) {
  Net* n = Get<Net>(handle, Kind::Net);
  if (n == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(n->records, kKeyNet, mode))
      .Field(hostWord, n->hostWord)
      .Text(name, n->name)
      .Keep(b1)
      .Keep(b2);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryClass(TMode mode, THandle handle, std::uint16_t* hostWord, std::uint8_t* b1, std::uint8_t* b2,
                  TShortString* name) {
  ObjectClass* c = Get<ObjectClass>(handle, Kind::ObjectClass);
  if (c == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(c->records, kKeyClass, mode))
      .Field(hostWord, c->hostWord)
      .Keep(b1)
      .Keep(b2)
      .Text(name, c->name);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_GetMemberFromClassAt(THandle handle, std::int32_t index, TShortString* member) {
  const ObjectClass* c = Get<ObjectClass>(handle, Kind::ObjectClass);
  if (c == nullptr || index < 0 || index >= static_cast<std::int32_t>(c->members.size())) return kFailed;
  if (member != nullptr) AssignText(member, c->members[static_cast<std::size_t>(index)]);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_AddMemberToClass(THandle handle, const TShortString* member) {
  ObjectClass* c = Get<ObjectClass>(handle, Kind::ObjectClass);
  if (c == nullptr || member == nullptr) return kFailed;
  c->members.push_back(member->str());
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_RemoveAllMembersFromClass(THandle handle) {
  ObjectClass* c = Get<ObjectClass>(handle, Kind::ObjectClass);
  if (c == nullptr) return kFailed;
  c->members.clear();
  return kOk;
}

// ---------------------------------------------------------------------------
// Connections, coordinates, dimensions.

SIM_PCBAPI(std::int32_t)
PcbApi_QueryFromTo(TMode mode, THandle handle, std::uint16_t* hostWord, std::int32_t* x, std::int32_t* y,
                   std::uint8_t* flag1, std::int32_t* x2, std::int32_t* y2, std::uint8_t* flag2, THandle* net) {
  Object* o = Get<Object>(handle, Kind::FromTo);
  if (o == nullptr || !ModeOk(mode) || !RefsOk(mode, net, nullptr)) return kFailed;
  Exchange ex(mode, RecordFor(o->records, kKeyFromTo, mode));
  ex.Field(hostWord, o->hostWord).Field(x, o->x).Field(y, o->y).Keep(flag1).Keep(x2).Keep(y2).Keep(flag2);
  ExchangeNet(ex, *o, net);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryManualFromTo(TMode mode, THandle handle, std::uint16_t* hostWord, TShortString* s1, TShortString* s2,
                         TShortString* s3, std::int32_t* value) {
  Object* o = Get<Object>(handle, Kind::ManualFromTo);
  if (o == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(o->records, kKeyManualFromTo, mode))
      .Field(hostWord, o->hostWord)
      .Keep(s1)
      .Keep(s2)
      .Keep(s3)
      .Keep(value);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryCoordinate(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord,
                       std::uint8_t* hostByte, std::int32_t* x, std::int32_t* y, TLayerCode* layer, std::int32_t* v1,
                       std::int32_t* v2, std::int32_t* v3, std::int32_t* v4, std::int32_t* v5, std::int32_t* v6) {
  Object* o = Get<Object>(handle, Kind::Coordinate);
  if (o == nullptr || !ModeOk(mode)) return kFailed;
  Exchange ex(mode, RecordFor(o->records, kKeyCoordinate, mode));
  ex.Field(flags, o->flags).Field(hostWord, o->hostWord).Field(hostByte, o->hostByte).Field(x, o->x).Field(y, o->y);
  ex.Field(layer, o->layer).Keep(v1).Keep(v2).Keep(v3).Keep(v4).Keep(v5).Keep(v6);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryDimension(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord, std::uint8_t* hostByte,
                      std::int32_t* x, std::int32_t* y, std::int32_t* r2, std::int32_t* r3, TLayerCode* layer,
                      std::int32_t* r4, std::int32_t* r5, std::int32_t* r6, std::int32_t* r7, std::int32_t* r8,
                      std::uint8_t* finalByte) {
  Object* o = Get<Object>(handle, Kind::Dimension);
  if (o == nullptr || !ModeOk(mode)) return kFailed;
  Exchange ex(mode, RecordFor(o->records, kKeyDimension, mode));
  ex.Field(flags, o->flags).Field(hostWord, o->hostWord).Field(hostByte, o->hostByte).Field(x, o->x).Field(y, o->y);
  ex.Keep(r2).Keep(r3).Field(layer, o->layer).Keep(r4).Keep(r5).Keep(r6).Keep(r7).Keep(r8).Keep(finalByte);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryExtDimension(TMode mode, THandle handle, std::uint8_t* b1, std::int32_t* i1, TDimensionRecord* record,
                         std::int32_t* i2, std::uint8_t* b2, std::int32_t* i3, TShortString* s1, std::uint8_t* b3,
                         std::int32_t* i4, TShortString* s2, TShortString* s3, std::uint8_t* eightBytes,
                         std::int32_t* i5, std::int32_t* i6, std::int32_t* i7, std::uint8_t* b4, std::int32_t* i8,
                         std::int32_t* i9, std::int32_t* i10) {
  Object* o = Get<Object>(handle, Kind::Dimension);
  if (o == nullptr || !ModeOk(mode)) return kFailed;
  Exchange ex(mode, RecordFor(o->records, kKeyExtDimension, mode));
  ex.Keep(b1).Keep(i1).Keep(record).Keep(i2).Keep(b2).Keep(i3).Keep(s1).Keep(b3).Keep(i4).Keep(s2).Keep(s3);
  ex.Bytes(eightBytes, 8).Keep(i5).Keep(i6).Keep(i7).Keep(b4).Keep(i8).Keep(i9).Keep(i10);
  return kOk;
}

SIM_PCBAPI(std::int32_t) PcbApi_References_Count(TMode mode, THandle handle, std::int32_t* count) {
  Object* o = Get<Object>(handle, Kind::Dimension);
  if (o == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(o->records, kKeyReferenceCount, mode)).Keep(count);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_References_At(TMode mode, THandle handle, std::int32_t index, std::int32_t* v1, std::int32_t* v2,
                     std::int32_t* v3, std::int32_t* v4) {
  Object* o = Get<Object>(handle, Kind::Dimension);
  if (o == nullptr || !ModeOk(mode) || index < 0 || index > 0xFFFF) return kFailed;
  Exchange(mode, RecordFor(o->records, kKeyReference + static_cast<std::uint32_t>(index), mode))
      .Keep(v1)
      .Keep(v2)
      .Keep(v3)
      .Keep(v4);
  return kOk;
}

// ---------------------------------------------------------------------------
// Embedded objects, rules, violations.

SIM_PCBAPI(std::int32_t) PcbApi_QueryEmbedded(TMode mode, THandle handle, TShortString* text, std::uint8_t* data) {
  Object* o = Get<Object>(handle, Kind::Embedded);
  if (o == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(o->records, kKeyEmbedded, mode)).Keep(text).Bytes(data, kEmbeddedDataBytes);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryEmbeddedBoard(TMode mode, THandle handle, std::uint16_t* flags, std::uint16_t* hostWord,
                          std::uint8_t* hostByte, std::int32_t* x, std::int32_t* y, TShortString* text,
                          std::int32_t* v1, std::int32_t* v2, std::int32_t* v3, std::int32_t* v4,
                          std::uint8_t* eightBytes, std::uint8_t* textFlag, std::uint8_t* lastByte) {
  Object* o = Get<Object>(handle, Kind::EmbeddedBoard);
  if (o == nullptr || !ModeOk(mode)) return kFailed;
  Exchange ex(mode, RecordFor(o->records, kKeyEmbeddedBoard, mode));
  ex.Field(flags, o->flags).Field(hostWord, o->hostWord).Field(hostByte, o->hostByte).Field(x, o->x).Field(y, o->y);
  ex.Keep(text).Keep(v1).Keep(v2).Keep(v3).Keep(v4).Bytes(eightBytes, 8).Keep(textFlag).Keep(lastByte);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryRule(TMode mode, THandle handle, std::uint8_t* b1, std::uint8_t* b2, std::uint8_t* b3, std::uint8_t* b4,
                 std::uint8_t* b5, std::uint8_t* b6, std::uint8_t* b7, TShortString* s1, TShortString* s2,
                 TShortString* s3, TShortString* s4, std::uint8_t* b8, std::uint8_t* b9, std::int32_t* i1,
                 std::int32_t* i2, std::int32_t* i3, std::int32_t* i4, TShortString* s5, TShortString* s6,
                 TShortString* s7, TShortString* s8, TShortString* s9, TShortString* s10) {
  Rule* r = Get<Rule>(handle, Kind::Rule);
  if (r == nullptr || !ModeOk(mode)) return kFailed;
  Exchange ex(mode, RecordFor(r->records, kKeyRule, mode));
  ex.Keep(b1).Keep(b2).Keep(b3).Keep(b4).Keep(b5).Keep(b6).Keep(b7).Keep(s1).Keep(s2).Keep(s3).Keep(s4).Keep(b8).Keep(
      b9);
  ex.Keep(i1).Keep(i2).Keep(i3).Keep(i4).Keep(s5).Keep(s6).Keep(s7).Keep(s8).Keep(s9).Keep(s10);
  return kOk;
}

SIM_PCBAPI(std::int32_t)
PcbApi_QueryViolation(TMode mode, THandle handle, TShortString* s1, TShortString* s2, std::int32_t* v1,
                      std::int32_t* v2, std::int32_t* v3) {
  Object* o = Get<Object>(handle, Kind::Violation);
  if (o == nullptr || !ModeOk(mode)) return kFailed;
  Exchange(mode, RecordFor(o->records, kKeyViolation, mode)).Keep(s1).Keep(s2).Keep(v1).Keep(v2).Keep(v3);
  return kOk;
}

// Each implementation has exactly the signature the exporter binds its entry
// point with.
#define TQ_PCBAPI_FN(ret, name, def, params) \
  static_assert(std::is_same_v<decltype(&name), name##_t>, #name " differs from its declaration in PcbApiUsed.inc");
#include "host/PcbApiUsed.inc"
#undef TQ_PCBAPI_FN
