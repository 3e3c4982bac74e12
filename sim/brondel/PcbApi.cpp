// The entry points of the PCB server library that the exporter calls,
// answered from the current board document.
//
// Every query answers 0 on success and 1 when it cannot: no board, a handle
// that names no object of the query's kind, a layer outside 0..82, or a mode
// other than 0 (set) and 1 (query). A query that fails writes nothing. In set
// mode a net or component handle that names no such object fails the whole
// query before anything is stored.
//
// Most entry points are one of a few shapes of query (Query, IndexedQuery,
// LayerQuery, ...): what differs from one to the next is the object asked
// about, the record that keeps the values the board does not model, and
// what the host does with each value parameter (a step: Model, Keep, NetRef,
// ...). Those are listed in the table in namespace sim::answer; the rest are
// written out below it. The exported entry points are the gates at the end of
// this file, which the build makes from host/PcbApiUsed.inc: each writes its
// call to the trace, makes an armed call fail (an error result, nothing
// written) and otherwise gives the answer of the same name.
#include "host/PcbApi.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "host/Export.h"
#include "sim/board/Board.h"
#include "sim/brondel/Exchange.h"
#include "sim/brondel/HostState.h"

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

void Notify(std::int32_t event) {
  HostState& s = State();
  if (s.progressCallback != nullptr)
    s.progressCallback(s.progressContext, event, s.progress.caption.c_str(), s.progress.total, s.progress.steps);
}

// ---------------------------------------------------------------------------
// What a query answers about, found by the handle it is given.

// An object of one of the kinds (of any kind when none is given), as T.
template <typename T, Kind... kinds>
struct Of {
  static T* Find(THandle handle) {
    Object* o = ObjectFor(handle);
    if (o == nullptr || (sizeof...(kinds) != 0 && ((o->kind != kinds) && ...))) return nullptr;
    return static_cast<T*>(o);
  }
};
using AnyObject = Of<Object>;

// The board itself.
struct TheBoard {
  static Board* Find(THandle handle) { return BoardFor(handle); }
};

// Where a query keeps the values the board does not model: nowhere (it has
// none), or the record of its object under a key.
struct NoRecord {
  template <typename T>
  Exchange Open(TMode mode, T& /*object*/) const {
    return Exchange(mode);
  }
};
struct KeyedRecord {
  std::uint32_t key;
  template <typename T>
  Exchange Open(TMode mode, T& object) const {
    return Exchange(mode, RecordFor(object.records, key, mode));
  }
};
template <std::uint32_t recordKey>
struct InRecord : KeyedRecord {
  InRecord() : KeyedRecord{recordKey} {}
};

// ---------------------------------------------------------------------------
// The steps: what the host does with one value parameter of a query.

// A step that takes any value in set mode.
struct AnyValue {
  static bool Accepts(TMode /*mode*/, const void* /*value*/) { return true; }
};

// The member that `path` (members and array indexes) reaches from `from`.
template <auto first, auto... rest, typename T>
auto& Reach(T& from) {
  auto& next = [&]() -> auto& {
    if constexpr (std::is_member_object_pointer_v<decltype(first)>)
      return from.*first;
    else
      return from[first];
  }
  ();
  if constexpr (sizeof...(rest) == 0)
    return next;
  else
    return Reach<rest...>(next);
}

// A value the board models: the member that `path` reaches from the object
// (a text, a value of the parameter's type, or one of another width).
template <auto... path>
struct Model : AnyValue {
  template <typename T, typename P>
  static void Run(Exchange& ex, T& object, P* value) {
    auto& model = Reach<path...>(object);
    using M = std::remove_reference_t<decltype(model)>;
    if constexpr (std::is_same_v<M, std::string>)
      ex.Text(value, model);
    else if constexpr (std::is_same_v<M, P>)
      ex.Field(value, model);
    else
      ex.Cast(value, model);
  }
};

// A value the host keeps in the query's record without a model field.
struct Keep : AnyValue {
  template <typename T, typename P>
  static void Run(Exchange& ex, T& /*object*/, P* value) {
    ex.Keep(value);
  }
};

// A buffer of n bytes the host keeps in the query's record.
template <std::size_t n>
struct KeepBytes : AnyValue {
  template <typename T>
  static void Run(Exchange& ex, T& /*object*/, std::uint8_t* value) {
    ex.Bytes(value, n);
  }
};

// The group the object belongs to (its net, its owning component): in set
// mode 0 or such a group, set through the board, which keeps the groups'
// members.
template <Handle Object::*member, bool (Board::*isGroup)(Handle) const, bool (Board::*join)(Object&, Handle)>
struct GroupRef {
  static bool Accepts(TMode mode, const THandle* group) {
    return mode != 0 || group == nullptr || LoadFrom(group) == 0 || (CurrentBoard()->*isGroup)(LoadFrom(group));
  }
  static void Run(Exchange& ex, Object& object, THandle* group) {
    if (group == nullptr) return;
    if (ex.Setting())
      (CurrentBoard()->*join)(object, LoadFrom(group));
    else
      StoreTo(group, object.*member);
  }
};
using NetRef = GroupRef<&Object::net, &Board::IsNet, &Board::SetNet>;
using ComponentRef = GroupRef<&Object::component, &Board::IsComponent, &Board::SetComponent>;

// A handle of a text object (a component's designator or comment); in set
// mode 0 or a text.
template <auto member>
struct TextRef : Model<member> {
  static bool Accepts(TMode mode, const THandle* text) {
    return mode != 0 || text == nullptr || LoadFrom(text) == 0 ||
           CurrentBoard()->FindAs<Text>(LoadFrom(text), Kind::Text) != nullptr;
  }
};

// A link of the layer stack (the previous or next layer); in set mode a
// layer of 0..82.
template <auto member>
struct StackLink : Model<member> {
  static bool Accepts(TMode mode, const TLayerByte* layer) { return mode != 0 || layer == nullptr || LayerOk(*layer); }
};

// Steps in a row, as one: a list's steps take the list's place.
template <typename... Steps>
struct List {};

template <typename... Lists>
struct Join;
template <typename... A>
struct Join<List<A...>> {
  using Type = List<A...>;
};
template <typename... A, typename... B, typename... Rest>
struct Join<List<A...>, List<B...>, Rest...> : Join<List<A..., B...>, Rest...> {};

template <typename Step>
struct AsList {
  using Type = List<Step>;
};
template <typename... Steps>
struct AsList<List<Steps...>> {
  using Type = List<Steps...>;
};
template <typename... Steps>
using Flat = typename Join<List<>, typename AsList<Steps>::Type...>::Type;

// n values kept in a row.
template <std::size_t n, typename... Steps>
struct Repeat : Repeat<n - 1, Keep, Steps...> {};
template <typename... Steps>
struct Repeat<0, Steps...> {
  using Type = List<Steps...>;
};
template <std::size_t n>
using Kept = typename Repeat<n>::Type;

// The common header of the primitive queries: Flags, HostWord, LayerCode,
// NetHandle, HostByte, ComponentHandle.
using Header = List<Model<&Object::flags>, Model<&Object::hostWord>, Model<&Object::layer>, NetRef,
                    Model<&Object::hostByte>, ComponentRef>;

// Runs the steps on the object's values, one step per value, in order; false
// (and nothing done) when a step does not accept its value.
template <typename Record, typename T, typename... Steps, typename... P>
bool RunSteps(List<Steps...> /*steps*/, const Record& record, TMode mode, T& object, P... values) {
  static_assert(sizeof...(Steps) == sizeof...(P), "one step per value parameter");
  if (!(Steps::Accepts(mode, values) && ...)) return false;
  Exchange ex = record.Open(mode, object);
  (Steps::Run(ex, object, values), ...);
  return true;
}

// ---------------------------------------------------------------------------
// The shapes of the queries.

// (mode, handle, values...): the object the handle names, its values.
template <typename Find, typename Record, typename... Steps>
struct Query {
  template <typename... P>
  std::int32_t operator()(TMode mode, THandle handle, P... values) const {
    auto* object = Find::Find(handle);
    if (object == nullptr || !ModeOk(mode)) return kFailed;
    return RunSteps(Flat<Steps...>{}, Record{}, mode, *object, values...) ? kOk : kFailed;
  }
};

// The same without a result.
template <typename Find, typename... Steps>
struct Procedure {
  template <typename... P>
  void operator()(TMode mode, THandle handle, P... values) const {
    Query<Find, NoRecord, Steps...>{}(mode, handle, values...);
  }
};

// (mode, handle, index, values...): values kept in the record under the key
// base + index, for an index of 0..most.
template <typename Find, std::uint32_t base, std::int32_t most, typename... Steps>
struct IndexedQuery {
  template <typename I, typename... P>
  std::int32_t operator()(TMode mode, THandle handle, I index, P... values) const {
    const auto at = static_cast<std::int64_t>(index);
    auto* object = Find::Find(handle);
    if (at < 0 || at > most || object == nullptr || !ModeOk(mode)) return kFailed;
    const KeyedRecord record{base + static_cast<std::uint32_t>(at)};
    return RunSteps(Flat<Steps...>{}, record, mode, *object, values...) ? kOk : kFailed;
  }
};

// (mode, layer, handle, values...): the values of a layer of the board's
// stack (1..82), or of the layer's dielectric.
struct WholeLayer {
  static LayerEntry& Of(LayerEntry& layer) { return layer; }
  // A layer given a link in set mode is in the stack.
  static void Done(TMode mode, LayerEntry& layer) {
    if (mode == 0 && (layer.prev != 0 || layer.next != 0)) layer.inStack = true;
  }
};
struct LayerDielectric {
  static Dielectric& Of(LayerEntry& layer) { return layer.dielectric; }
  static void Done(TMode /*mode*/, Dielectric& /*dielectric*/) {}
};
template <typename Part, typename... Steps>
struct LayerQuery {
  template <typename... P>
  std::int32_t operator()(TMode mode, TLayerByte layer, THandle handle, P... values) const {
    Board* b = BoardFor(handle);
    if (b == nullptr || !ModeOk(mode) || layer < 1 || layer > kLastLayer) return kFailed;
    auto& part = Part::Of(b->layers[layer]);
    if (!RunSteps(Flat<Steps...>{}, NoRecord{}, mode, part, values...)) return kFailed;
    Part::Done(mode, part);
    return kOk;
  }
};

// (handle, layer, value): a pad's value on a layer, which must be asked for.
template <auto field>
struct PadOnLayerValue {
  template <typename V>
  std::int32_t operator()(THandle handle, TLayerByte layer, V* value) const {
    const Pad* p = Get<Pad>(handle, Kind::Pad);
    if (p == nullptr || !LayerOk(layer) || value == nullptr) return kFailed;
    StoreTo(value, CurrentBoard()->PadLayer(*p, layer).*field);
    return kOk;
  }
};

// (handle, layer, values...): sets a pad's values on a layer.
template <auto... fields>
struct SetPadOnLayer {
  template <typename... V>
  std::int32_t operator()(THandle handle, TLayerByte layer, V... values) const {
    Pad* p = Get<Pad>(handle, Kind::Pad);
    if (p == nullptr || !LayerOk(layer)) return kFailed;
    PadLayerOverride& o = p->OverrideFor(layer);
    ((o.*fields = values), ...);
    return kOk;
  }
};

// (handle): whether the handle names an object.
std::int32_t Exists(THandle handle) { return ObjectFor(handle) != nullptr ? kOk : kFailed; }

}  // namespace

// ---------------------------------------------------------------------------
// The answer of every entry point, under its name.
namespace answer {

// The board's own values.
constexpr Query<TheBoard, InRecord<kKeyBoard>, Model<&Board::values, 0>, Model<&Board::text>, Model<&Board::bytes, 0>,
                Model<&Board::values, 1>, Model<&Board::values, 2>, Model<&Board::values, 3>, Model<&Board::values, 4>,
                Model<&Board::bytes, 1>, Model<&Board::currentLayer>, Model<&Board::values, 5>>
    PcbApi_QueryBoard{};
constexpr IndexedQuery<TheBoard, kKeyLayerInfo, kLastLayer, Keep, Keep, Keep> PcbApi_QueryBoardLayerInfo{};
constexpr Query<TheBoard, NoRecord, Model<&Board::splitPlaneMode>> PcbApi_QueryBoardSplitPlaneMode{};
constexpr Query<TheBoard, NoRecord, Model<&Board::topDielectric, &ExternalDielectric::material>,
                Model<&Board::topDielectric, &ExternalDielectric::type>,
                Model<&Board::topDielectric, &ExternalDielectric::constant>,
                Model<&Board::topDielectric, &ExternalDielectric::height>,
                Model<&Board::bottomDielectric, &ExternalDielectric::material>,
                Model<&Board::bottomDielectric, &ExternalDielectric::type>,
                Model<&Board::bottomDielectric, &ExternalDielectric::constant>,
                Model<&Board::bottomDielectric, &ExternalDielectric::height>>
    PcbApi_QueryBoardExternalDielectrics{};
constexpr Query<TheBoard, InRecord<kRecordGrids>, Kept<14>> PcbApi_QueryBoardGridsEx{};
constexpr Query<TheBoard, InRecord<kRecordChangeOrderOptions>, Kept<2>>
    PcbApi_QueryBoardEngineeringChangeOrderOptions{};
constexpr Query<TheBoard, InRecord<kRecordOutputOptions>, Kept<24>> PcbApi_QueryBoardOutputOptions{};
constexpr IndexedQuery<TheBoard, kKeyPlotLayer, 0xFFFF, Keep> PcbApi_QueryBoardOutputOptionsPlotLayers{};
constexpr IndexedQuery<TheBoard, kKeyFlipLayer, 0xFFFF, Keep> PcbApi_QueryBoardOutputOptionsFlipLayers{};
constexpr Query<TheBoard, InRecord<kRecordPlacerOptions>, Kept<6>> PcbApi_QueryBoardAdvancedPlacerOptions{};
constexpr Query<TheBoard, InRecord<kRecordGerberOptions>, Kept<19>> PcbApi_QueryBoardGerberOptions{};
constexpr Query<TheBoard, InRecord<kRecordPrinterOptions>, Kept<26>> PcbApi_QueryBoardPrinterOptions{};
constexpr IndexedQuery<TheBoard, kKeyPlotterPen, 0xFFFF, Keep, Keep> PcbApi_QueryBoardPrinterOptionsPlotterPen{};
constexpr IndexedQuery<TheBoard, kKeyCompositeLayer, 0xFFFF, Keep, Keep, Keep, Keep>
    PcbApi_QueryBoardPrinterOptionsCompositeLayer{};

// Layers: the values the layer and plane queries share; prev and next are
// the stack's links.
using LayerValues = List<Model<&LayerEntry::name>, Model<&LayerEntry::copper>, Model<&LayerEntry::byte1>,
                         Model<&LayerEntry::byte2>, StackLink<&LayerEntry::prev>, StackLink<&LayerEntry::next>>;
constexpr LayerQuery<WholeLayer, LayerValues, Model<&LayerEntry::extra>> PcbApi_QueryLayer{};
constexpr LayerQuery<WholeLayer, LayerValues, Model<&LayerEntry::planeNet>> PcbApi_QueryInternalPlane{};
constexpr LayerQuery<LayerDielectric, Model<&Dielectric::material>, Model<&Dielectric::type>,
                     Model<&Dielectric::constant>, Model<&Dielectric::height>>
    PcbApi_QueryLayerDielectric{};

// Any object.
constexpr Query<AnyObject, NoRecord, Model<&Object::flags>, Model<&Object::hostWord>, Model<&Object::layer>, NetRef,
                ComponentRef, Model<&Object::hostByte>>
    PcbApi_QueryPrimitive{};
constexpr Procedure<AnyObject, Model<&Object::bitField2>> PcbApi_GetObjectBitField2{};
constexpr Procedure<AnyObject, Model<&Object::bitField3>> PcbApi_GetObjectBitField3{};
constexpr auto& PcbApi_QueryObjectImport_FromUser = Exists;
constexpr auto& PcbApi_QueryObjectGraphicallyInvalidate = Exists;

// Pads and vias.
constexpr Query<Of<Pad, Kind::Pad>, InRecord<kKeyPad>, Header, Model<&Pad::x>, Model<&Pad::y>,
                Model<&Pad::top, &PadShape::xSize>, Model<&Pad::top, &PadShape::ySize>,
                Model<&Pad::mid, &PadShape::xSize>, Model<&Pad::mid, &PadShape::ySize>,
                Model<&Pad::bottom, &PadShape::xSize>, Model<&Pad::bottom, &PadShape::ySize>, Model<&Pad::hole>,
                Model<&Pad::top, &PadShape::shape>, Model<&Pad::mid, &PadShape::shape>,
                Model<&Pad::bottom, &PadShape::shape>, Model<&Pad::name>, Keep, Keep, Model<&Pad::rotation>, Kept<7>,
                KeepBytes<8>, Kept<3>, Model<&Pad::sideFlag1>, Model<&Pad::sideFlag2>>
    PcbApi_QueryPad{};
constexpr Query<Of<Pad, Kind::Pad>, NoRecord, Model<&Pad::stackMode>> PcbApi_QueryPadStackMode{};
constexpr PadOnLayerValue<&PadOnLayer::cornerRadius> PcbApi_QueryPadCornerRadiusOnLayer{};
constexpr PadOnLayerValue<&PadOnLayer::cornerPercent> PcbApi_QueryPadCRPercentageOnLayer{};
constexpr SetPadOnLayer<&PadLayerOverride::shape> PcbApi_SetPadShapeOnLayer{};
constexpr SetPadOnLayer<&PadLayerOverride::xSize, &PadLayerOverride::ySize> PcbApi_SetPadSizeOnLayer{};
constexpr SetPadOnLayer<&PadLayerOverride::cornerPercent> PcbApi_SetCRPctOnLayer{};
constexpr Query<Of<Via, Kind::Via>, NoRecord, Header, Model<&Via::x>, Model<&Via::y>, Model<&Via::size>,
                Model<&Via::hole>, Model<&Via::lowLayer>, Model<&Via::highLayer>, Model<&Via::sideFlag1>,
                Model<&Via::sideFlag2>>
    PcbApi_QueryVia{};
constexpr Query<Of<Via, Kind::Via>, NoRecord, Model<&Via::stackMode>> PcbApi_QueryViaStackMode{};
constexpr Query<Of<Rule, Kind::Rule>, NoRecord, Model<&Rule::value>> PcbApi_QueryRulePowerPlaneExpansionRule{};

// Tracks, arcs, fills, regions, texts.
constexpr Query<Of<Track, Kind::Track>, InRecord<kKeyTrack>, Header, Model<&Track::x>, Model<&Track::y>,
                Model<&Track::x2>, Model<&Track::y2>, Model<&Track::width>, Kept<3>>
    PcbApi_QueryTrack{};
constexpr Query<Of<Arc, Kind::Arc>, InRecord<kKeyArc>, Header, Model<&Arc::x>, Model<&Arc::y>, Model<&Arc::radius>,
                Model<&Arc::startAngle>, Model<&Arc::endAngle>, Model<&Arc::width>, Keep>
    PcbApi_QueryArc{};
constexpr Query<Of<Fill, Kind::Fill>, InRecord<kKeyFill>, Header, Model<&Fill::x>, Model<&Fill::y>, Model<&Fill::x2>,
                Model<&Fill::y2>, Keep, Model<&Fill::rotation>>
    PcbApi_QueryFill{};
constexpr Query<Of<Object, Kind::Region>, InRecord<kKeyRegion>, Keep, Header, Kept<6>> PcbApi_QueryRegion{};
constexpr Query<Of<Text, Kind::Text>, InRecord<kKeyText>, Header, Model<&Text::x>, Model<&Text::y>,
                Model<&Text::height>, Keep, Model<&Text::rotation>, Keep, Model<&Text::text>, Model<&Text::width>,
                Kept<2>>
    PcbApi_QueryText{};
constexpr Query<Of<Text, Kind::Text>, InRecord<kKeyTrueType>, Kept<6>> PcbApi_QueryTrueTypeTextInfo{};
constexpr Query<Of<Text, Kind::Text>, InRecord<kKeyBarCode>, Kept<4>> PcbApi_QueryBarCodeTextInfo{};

// Polygons and split planes.
using PlaneHeader =
    List<Model<&Object::flags>, Model<&Object::hostWord>, Model<&Object::layer>, NetRef, Model<&Object::hostByte>>;
constexpr Query<Of<Object, Kind::Polygon, Kind::BoardOutline>, InRecord<kKeyPolygon>, PlaneHeader, Kept<10>,
                KeepBytes<kPolygonOutlineBytes>>
    PcbApi_QueryPolygon{};
constexpr Query<Of<Object, Kind::SplitPlane>, InRecord<kKeySplitPlane>, PlaneHeader, Kept<2>,
                KeepBytes<kPolygonOutlineBytes>>
    PcbApi_QuerySplitPlane{};

// Components.
constexpr Query<Of<Component, Kind::Component>, InRecord<kKeyComponent>, Model<&Component::flags>,
                Model<&Component::hostWord>, Model<&Component::layer>, Model<&Component::hostByte>,
                TextRef<&Component::designator>, TextRef<&Component::comment>, Model<&Component::footprint>, Kept<2>,
                Model<&Component::x>, Model<&Component::y>, Keep, Model<&Component::rotation>, Keep>
    PcbApi_QueryComponent{};
constexpr Query<Of<Component, Kind::Component>, InRecord<kKeyComponentEx>, Kept<4>> PcbApi_QueryComponentEx{};
constexpr Query<Of<Component, Kind::Component>, InRecord<kKeySourceLinks>, Kept<8>> PcbApi_QueryComponentSourceLinks{};
constexpr Query<Of<Component, Kind::Component>, InRecord<kKey3DModel>, Keep> PcbApi_QueryDefaultPCB3DModel{};
constexpr Query<Of<Component, Kind::Component>, NoRecord, Model<&Component::channelOffset>>
    PcbApi_QueryComponentChannelOffset{};
constexpr Query<Of<Component, Kind::Component>, NoRecord, Model<&Component::componentKind>> PcbApi_QueryComponentKind{};

// Nets and classes.
constexpr Query<Of<Net, Kind::Net>, InRecord<kKeyNet>, Model<&Net::hostWord>, Model<&Net::name>, Keep, Keep>
    PcbApi_QueryNet{};
constexpr Query<Of<ObjectClass, Kind::ObjectClass>, InRecord<kKeyClass>, Model<&ObjectClass::hostWord>, Keep, Keep,
                Model<&ObjectClass::name>>
    PcbApi_QueryClass{};

// Connections, coordinates, dimensions.
constexpr Query<Of<Object, Kind::FromTo>, InRecord<kKeyFromTo>, Model<&Object::hostWord>, Model<&Object::x>,
                Model<&Object::y>, Kept<4>, NetRef>
    PcbApi_QueryFromTo{};
constexpr Query<Of<Object, Kind::ManualFromTo>, InRecord<kKeyManualFromTo>, Model<&Object::hostWord>, Kept<4>>
    PcbApi_QueryManualFromTo{};
using PlacedHeader = List<Model<&Object::flags>, Model<&Object::hostWord>, Model<&Object::hostByte>, Model<&Object::x>,
                          Model<&Object::y>>;
constexpr Query<Of<Object, Kind::Coordinate>, InRecord<kKeyCoordinate>, PlacedHeader, Model<&Object::layer>, Kept<6>>
    PcbApi_QueryCoordinate{};
constexpr Query<Of<Object, Kind::Dimension>, InRecord<kKeyDimension>, PlacedHeader, Kept<2>, Model<&Object::layer>,
                Kept<6>>
    PcbApi_QueryDimension{};
constexpr Query<Of<Object, Kind::Dimension>, InRecord<kKeyExtDimension>, Kept<11>, KeepBytes<8>, Kept<7>>
    PcbApi_QueryExtDimension{};
constexpr Query<Of<Object, Kind::Dimension>, InRecord<kKeyReferenceCount>, Keep> PcbApi_References_Count{};
constexpr IndexedQuery<Of<Object, Kind::Dimension>, kKeyReference, 0xFFFF, Keep, Keep, Keep, Keep>
    PcbApi_References_At{};

// Embedded objects, rules, violations.
constexpr Query<Of<Object, Kind::Embedded>, InRecord<kKeyEmbedded>, Keep, KeepBytes<kEmbeddedDataBytes>>
    PcbApi_QueryEmbedded{};
constexpr Query<Of<Object, Kind::EmbeddedBoard>, InRecord<kKeyEmbeddedBoard>, PlacedHeader, Kept<5>, KeepBytes<8>,
                Kept<2>>
    PcbApi_QueryEmbeddedBoard{};
constexpr Query<Of<Rule, Kind::Rule>, InRecord<kKeyRule>, Kept<23>> PcbApi_QueryRule{};
constexpr Query<Of<Object, Kind::Violation>, InRecord<kKeyViolation>, Kept<5>> PcbApi_QueryViolation{};

// ---------------------------------------------------------------------------
// The entry points of shapes of their own.

THandle PcbApi_GetCurrentBoardHandle() {
  Board* b = CurrentBoard();
  return b != nullptr ? b->handle() : 0;
}

void PcbApi_Percent_Init(const TShortString* caption, std::int32_t total) {
  Progress& p = State().progress;
  p.caption = caption != nullptr ? caption->str() : std::string();
  p.total = total;
  p.steps = 0;
  ++p.opened;
  Notify(0);
}

void PcbApi_Percent_Update() {
  ++State().progress.steps;
  Notify(1);
}

void PcbApi_Percent_Finish() {
  ++State().progress.closed;
  Notify(2);
}

THandle PcbApi_CreateIterator(THandle container, TObjectKindByte kind, std::uint8_t /*filter*/, TLayerCode layer) {
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

THandle PcbApi_GetFirstObject(THandle iterator) {
  auto& iterators = State().iterators;
  auto it = iterators.find(iterator);
  if (it == iterators.end()) return 0;
  it->second.next = 0;
  return it->second.handles.empty() ? 0 : it->second.handles[it->second.next++];
}

THandle PcbApi_GetNextObject(THandle iterator) {
  auto& iterators = State().iterators;
  auto it = iterators.find(iterator);
  if (it == iterators.end() || it->second.next >= it->second.handles.size()) return 0;
  return it->second.handles[it->second.next++];
}

std::int32_t PcbApi_DestroyIterator(THandle iterator) { return State().iterators.erase(iterator) == 1 ? kOk : kFailed; }

TObjectKindByte PcbApi_GetObjectIdFromObjectHandle(THandle handle) {
  if (BoardFor(handle) != nullptr) return static_cast<TObjectKindByte>(Kind::Board);
  const Object* o = ObjectFor(handle);
  return o != nullptr ? static_cast<TObjectKindByte>(o->kind) : 0;
}

std::int32_t PcbApi_QueryBoardLayerPairsCount(THandle handle, std::int32_t* count, TMode mode) {
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

std::int32_t PcbApi_QueryBoardLayerPairAt(TMode mode, THandle handle, std::int32_t index, TLayerCode* first,
                                          TLayerCode* second, std::uint8_t* byte2, std::uint8_t* byte1) {
  Board* b = BoardFor(handle);
  if (b == nullptr || !ModeOk(mode) || index < 0 || index >= static_cast<std::int32_t>(b->layerPairs.size()))
    return kFailed;
  LayerPair& p = b->layerPairs[static_cast<std::size_t>(index)];
  Exchange(mode).Field(first, p.first).Field(second, p.second).Field(byte2, p.byte2).Field(byte1, p.byte1);
  return kOk;
}

std::int32_t PcbApi_QueryObjectBoundingRectangle(THandle handle, std::int32_t* left, std::int32_t* bottom,
                                                 std::int32_t* right, std::int32_t* top) {
  const Object* o = ObjectFor(handle);
  if (o == nullptr) return kFailed;
  const Rect r = CurrentBoard()->Bounds(*o);
  if (left != nullptr) StoreTo(left, r.left);
  if (bottom != nullptr) StoreTo(bottom, r.bottom);
  if (right != nullptr) StoreTo(right, r.right);
  if (top != nullptr) StoreTo(top, r.top);
  return kOk;
}

std::int32_t PcbApi_QueryPadOrViaShapeOnLayer(THandle handle, TLayerByte layer, std::uint8_t* shape) {
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

std::int32_t PcbApi_QueryPadOrViaSizeOnLayer(THandle handle, TLayerByte layer, std::int32_t* xSize,
                                             std::int32_t* ySize) {
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

std::int32_t PcbApi_QueryPad_PwrGnd(THandle handle, std::uint8_t* connection) {
  const Pad* p = Get<Pad>(handle, Kind::Pad);
  if (p == nullptr || connection == nullptr) return kFailed;
  *connection = CurrentBoard()->PadPlaneConnection(*p);
  return kOk;
}

THandle PcbApi_FindDominantRuleForObject(THandle handle, std::uint8_t ruleKind) {
  const Object* o = ObjectFor(handle);
  if (o == nullptr || ruleKind != kRuleKindPowerPlaneClearance) return 0;
  return CurrentBoard()->PlaneRuleFor(*o);
}

void PcbApi_GetDesignatorDisplayString(TShortString* result, THandle handle) {
  if (result == nullptr) return;
  const Text* t = Get<Text>(handle, Kind::Text);
  AssignText(result, t != nullptr ? t->text : std::string());
}

std::int32_t PcbApi_GetMemberFromClassAt(THandle handle, std::int32_t index, TShortString* member) {
  const ObjectClass* c = Get<ObjectClass>(handle, Kind::ObjectClass);
  if (c == nullptr || index < 0 || index >= static_cast<std::int32_t>(c->members.size())) return kFailed;
  if (member != nullptr) AssignText(member, c->members[static_cast<std::size_t>(index)]);
  return kOk;
}

std::int32_t PcbApi_AddMemberToClass(THandle handle, const TShortString* member) {
  ObjectClass* c = Get<ObjectClass>(handle, Kind::ObjectClass);
  if (c == nullptr || member == nullptr) return kFailed;
  c->members.push_back(member->str());
  return kOk;
}

std::int32_t PcbApi_RemoveAllMembersFromClass(THandle handle) {
  ObjectClass* c = Get<ObjectClass>(handle, Kind::ObjectClass);
  if (c == nullptr) return kFailed;
  c->members.clear();
  return kOk;
}

}  // namespace answer
}  // namespace sim

// The exported entry points: one gate per entry point of host/PcbApiUsed.inc
// (made by tools/gen_pcbprocs.py), each in front of its answer. A call armed
// to fail (Sim_FailCall with the entry point's name) gives an error result
// and writes nothing: 1 for a query, 0 (none) for a handle or an object kind,
// nothing for a procedure.
#define SIM_GATE(ret) extern "C" TQ_EXPORT ret TQ_STDCALL
#include "sim/brondel/PcbApiGates.inc"
#undef SIM_GATE

// Each gate has exactly the signature the exporter binds its entry point with.
#define TQ_PCBAPI_FN(ret, name, def, params) \
  static_assert(std::is_same_v<decltype(&name), name##_t>, #name " differs from its declaration in PcbApiUsed.inc");
#include "host/PcbApiUsed.inc"
#undef TQ_PCBAPI_FN
