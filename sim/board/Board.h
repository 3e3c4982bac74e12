#pragma once
// The board document of the simulated host: everything the editor holds about
// one board and answers through its PCB server library and its object
// interfaces. Lengths are host units (1/10000 mil), angles degrees, texts the
// host's single-byte text (ISO-8859-1).
//
// Every object has a stable nonzero handle. The board keeps, beside the
// objects, an index by kind, an index by kind and layer code and the members
// of every net and component, so that the server can answer an iterator in
// time proportional to what it yields. Change an object's net or owning
// component only through SetNet and SetComponent, which keep those indexes
// right; after changing an object's layer, a via's span or reach, the layer
// stack or yieldPerLayer any other way, call Changed(): the index by layer is
// built again when it is next used.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sim/board/Layers.h"

namespace sim {

using Handle = std::int32_t;
using LayerCode = std::uint32_t;

enum class Kind : std::uint8_t {
  Arc = 1,
  Pad = 2,
  Via = 3,
  Track = 4,
  Text = 5,
  Fill = 6,
  FromTo = 7,
  Net = 8,
  Component = 9,
  Polygon = 10,
  Region = 11,
  ComponentBody = 12,
  Dimension = 13,
  Coordinate = 14,
  ObjectClass = 15,
  Rule = 16,
  ManualFromTo = 17,
  DifferentialPair = 18,
  Violation = 19,
  Embedded = 20,
  EmbeddedBoard = 21,
  SplitPlane = 22,
  Board = 25,
  BoardOutline = 26,
};

// "arc", "pad", ..., "boardOutline"; empty for a number that names no kind.
std::string_view KindName(Kind kind);
// The kind with that name (as KindName gives it, letter case ignored).
std::optional<Kind> ParseKindName(std::string_view name);

// Host shape codes of pads and vias.
inline constexpr std::uint8_t kShapeRound = 1;
inline constexpr std::uint8_t kShapeRectangle = 2;
inline constexpr std::uint8_t kShapeOctagon = 3;
inline constexpr std::uint8_t kShapeRoundedRectangle = 9;

// Connection styles of a via to a plane, and the rule kind of the power-plane
// clearance.
inline constexpr std::int32_t kPlaneStyleNone = 0;
inline constexpr std::int32_t kPlaneStyleRelief = 1;
inline constexpr std::int32_t kPlaneStyleDirect = 2;
inline constexpr std::uint8_t kRuleKindPowerPlaneClearance = 12;

inline constexpr Handle kBoardHandle = 1000;
inline constexpr Handle kFirstObjectHandle = 1001;

// Bytes that the host keeps for an object and gives back unchanged: values the
// editor uses for its own purposes, written by a caller in set mode.
using Record = std::vector<std::uint8_t>;

// Keys of the board records that a board document can preset, each the
// host's values in the order the server passes them (native byte order):
// 14 doubles of grids, then int32 values of the option blocks. The server
// keeps every other record under keys of 0x10000 and above.
enum BoardRecordKey : std::uint32_t {
  kRecordGrids = 1,
  kRecordOutputOptions = 2,
  kRecordGerberOptions = 3,
  kRecordPrinterOptions = 4,
  kRecordPlacerOptions = 5,
  kRecordChangeOrderOptions = 6,
};

// The option blocks of a board document's "options" member: the member's
// name, the record that holds the block, and its number of int32 values.
struct OptionBlock {
  const char* name;
  BoardRecordKey record;
  std::size_t values;
};
inline constexpr OptionBlock kOptionBlocks[] = {{"output", kRecordOutputOptions, 24},
                                                {"gerber", kRecordGerberOptions, 19},
                                                {"printer", kRecordPrinterOptions, 26},
                                                {"placer", kRecordPlacerOptions, 6},
                                                {"changeOrder", kRecordChangeOrderOptions, 2}};

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  Handle handle = 0;
  Kind kind;
  std::uint16_t flags = 0;
  std::uint16_t hostWord = 0;
  std::uint8_t hostByte = 0;
  std::uint8_t bitField2 = 0;
  std::uint16_t bitField3 = 0;
  LayerCode layer = 0;
  // Net and owning component: read freely, change through Board::SetNet and
  // Board::SetComponent.
  Handle net = 0;
  Handle component = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  // The object's own power-plane clearance rule (a Rule object), 0 for the
  // board's.
  Handle planeRule = 0;
  // Kept values, one record per key (the server's choice of key).
  std::map<std::uint32_t, Record> records;
};

struct PadShape {
  std::uint8_t shape = kShapeRound;
  std::int32_t xSize = 0;
  std::int32_t ySize = 0;
  std::uint8_t cornerPercent = 0;
  friend bool operator==(const PadShape&, const PadShape&) = default;
};

// What a pad's layer-by-layer stack sets for one layer; unset values come from
// the pad's top, inner or bottom shape.
struct PadLayerOverride {
  LayerNumber layer = 0;
  std::optional<std::uint8_t> shape;
  std::optional<std::int32_t> xSize;
  std::optional<std::int32_t> ySize;
  std::optional<std::int32_t> cornerRadius;
  std::optional<std::uint8_t> cornerPercent;
};

// A pad's answer for one layer.
struct PadOnLayer {
  std::uint8_t shape = 0;
  std::int32_t xSize = 0;
  std::int32_t ySize = 0;
  std::int32_t cornerRadius = 0;
  std::uint8_t cornerPercent = 0;
};

struct Pad : Object {
  Pad() : Object(Kind::Pad) {}
  std::string name;
  PadShape top, mid, bottom;
  std::int32_t hole = 0;
  double rotation = 0;
  std::uint8_t stackMode = 0;                    // 0 simple, 1 top-middle-bottom, 2 layer by layer
  std::vector<PadLayerOverride> layerOverrides;  // sorted by layer
  std::optional<std::uint8_t> planeConnection;   // unset: derived from the planes' nets
  std::uint8_t sideFlag1 = 0;
  std::uint8_t sideFlag2 = 0;

  PadLayerOverride& OverrideFor(LayerNumber onLayer);
};

struct ViaPlaneConnection {
  LayerNumber layer = 0;
  bool connects = false;
  std::int32_t style = kPlaneStyleNone;
};

struct Via : Object {
  Via() : Object(Kind::Via) {}
  std::int32_t size = 0;
  std::int32_t hole = 0;
  LayerNumber lowLayer = kTopLayer;
  LayerNumber highLayer = kBottomLayer;
  std::uint8_t stackMode = 0;
  std::vector<std::pair<LayerNumber, std::int32_t>> sizeOverrides;
  // The Y size the host answers on a layer where it differs from the X size.
  std::vector<std::pair<LayerNumber, std::int32_t>> ySizeOverrides;
  std::vector<std::pair<LayerNumber, std::uint8_t>> shapeOverrides;
  std::vector<ViaPlaneConnection> planeOverrides;
  std::optional<std::vector<LayerNumber>> reaches;  // unset: the stack layers of its span
  std::uint8_t sideFlag1 = 0;
  std::uint8_t sideFlag2 = 0;
};

struct Track : Object {
  Track() : Object(Kind::Track) {}
  std::int32_t x2 = 0;
  std::int32_t y2 = 0;
  std::int32_t width = 0;
};

struct Arc : Object {
  Arc() : Object(Kind::Arc) {}
  std::int32_t radius = 0;
  double startAngle = 0;
  double endAngle = 0;
  std::int32_t width = 0;
};

struct Text : Object {
  Text() : Object(Kind::Text) {}
  std::string text;
  std::int32_t height = 0;
  std::int32_t width = 0;
  double rotation = 0;
};

struct Fill : Object {
  Fill() : Object(Kind::Fill) {}
  std::int32_t x2 = 0;
  std::int32_t y2 = 0;
  double rotation = 0;
};

struct Component : Object {
  Component() : Object(Kind::Component) {}
  std::string footprint;
  double rotation = 0;
  Handle designator = 0;  // its designator text object
  Handle comment = 0;     // its comment text object
  std::int32_t channelOffset = 0;
  std::int32_t componentKind = 0;
};

struct Net : Object {
  Net() : Object(Kind::Net) {}
  std::string name;
};

struct ObjectClass : Object {
  ObjectClass() : Object(Kind::ObjectClass) {}
  std::string name;
  std::vector<std::string> members;
};

struct Rule : Object {
  Rule() : Object(Kind::Rule) {}
  std::uint8_t ruleKind = kRuleKindPowerPlaneClearance;
  std::int32_t value = 0;
};

struct Dielectric {
  std::int32_t height = 126000;
  double constant = 4.8;
  std::string material = "FR-4";
  std::uint8_t type = 1;
};

// The host's entry for one layer number. Layers that are not part of the
// stack still have an entry (with their default name).
struct LayerEntry {
  std::string name;
  std::int32_t copper = 14000;
  Dielectric dielectric;
  std::string planeNet = "(No Net)";
  bool inStack = false;
  bool present = false;
  bool named = false;  // the document gave this non-stack layer a name
  LayerNumber prev = 0;
  LayerNumber next = 0;
  std::uint8_t byte1 = 0;
  std::uint8_t byte2 = 0;
  std::uint16_t extra = 0;
};

struct LayerPair {
  LayerCode first = 0;
  LayerCode second = 0;
  std::uint8_t byte1 = 0;
  std::uint8_t byte2 = 0;
};

struct ExternalDielectric {
  std::string material = "Solder Resist";
  std::uint8_t type = 3;
  double constant = 3.5;
  std::int32_t height = 4000;
};

struct Rect {
  std::int32_t left = 0, bottom = 0, right = 0, top = 0;
};

class Board {
 public:
  Board();
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  Handle handle() const { return kBoardHandle; }

  // --- The board's own values.
  std::string text;
  LayerCode currentLayer = kTopLayer;
  std::uint8_t splitPlaneMode = 0;
  std::array<std::int32_t, 6> values{};  // kept, not interpreted
  std::array<std::uint8_t, 2> bytes{};   // kept, not interpreted
  std::array<LayerEntry, kLayerCount> layers;
  std::vector<LayerPair> layerPairs;
  ExternalDielectric topDielectric, bottomDielectric;
  Handle planeRule = 0;  // the board-wide power-plane clearance rule, 0 for none
  std::int32_t planeConnectStyle = kPlaneStyleRelief;
  std::map<std::uint32_t, Record> records;
  // How the host answers an iterator on one layer: when set, a multi-layer
  // pad or via is yielded also on every layer it touches (pads: every signal
  // and plane layer of the stack; vias: the layers it reaches), as a real
  // editor may. Unset, every object is yielded on its own layer only.
  bool yieldPerLayer = false;

  // --- The layer stack.
  // Layers in stack order, top first: from the lowest-numbered stack layer
  // without a previous layer along the next links. Ends at a broken or
  // circular link.
  std::vector<LayerNumber> StackOrder() const;
  // Makes exactly these layers the stack, in this order, linked both ways and
  // present.
  void SetStack(const std::vector<LayerNumber>& order);
  // The entry for a layer; the entry of layer 0 for a number outside 0..82.
  LayerEntry& Layer(int layer);
  const LayerEntry& Layer(int layer) const;

  // --- Objects.
  template <typename T>
  T& Add(std::unique_ptr<T> object) {
    T& ref = *object;
    AddObject(std::move(object));
    return ref;
  }
  Object* Find(Handle handle);
  const Object* Find(Handle handle) const;
  template <typename T>
  T* FindAs(Handle handle, Kind kind) {
    Object* o = Find(handle);
    return o != nullptr && o->kind == kind ? static_cast<T*>(o) : nullptr;
  }
  template <typename T>
  const T* FindAs(Handle handle, Kind kind) const {
    const Object* o = Find(handle);
    return o != nullptr && o->kind == kind ? static_cast<const T*>(o) : nullptr;
  }
  std::size_t ObjectCount() const { return objects_.size(); }
  // Handles of all objects of a kind, in handle order.
  const std::vector<Handle>& OfKind(std::uint8_t kind) const;
  // Handles of the objects of a kind that an iterator over the whole board on
  // `layer` yields (YieldsOnLayer), in handle order; all of the kind for
  // layer 0.
  const std::vector<Handle>& OnLayer(std::uint8_t kind, LayerCode layer) const;
  // Handles of the objects that belong to a net or a component, in handle
  // order.
  const std::vector<Handle>& MembersOf(Handle container) const;
  // Makes the index by layer be built again on its next use.
  void Changed() { ++revision_; }
  // Move an object to another net or component (0 for none). False, and
  // nothing changed, when the handle names no net (component).
  bool SetNet(Object& object, Handle net);
  bool SetComponent(Object& object, Handle component);
  bool IsNet(Handle h) const;
  bool IsComponent(Handle h) const;
  // The first net of that name, or 0.
  Handle FindNet(std::string_view name) const;
  std::string NetName(Handle net) const;

  // --- The host's answers that follow from the document.
  // A pad's shape, size and corner on one layer (0..82).
  PadOnLayer PadLayer(const Pad& pad, int layer) const;
  // The plane connection code of a pad: the set value, or for a multi-layer
  // pad on a board with planes among InternalPlane1..4, 3k-2 (relief) or 3k-1
  // (direct) for the k-th of those planes whose net is the pad's net, 3 when
  // none is; 0 otherwise.
  std::uint8_t PadPlaneConnection(const Pad& pad) const;
  // A via's size and shape on one layer (0..82).
  std::int32_t ViaSize(const Via& via, int layer) const;
  // The Y size on a layer: ViaSize unless the document gives another.
  std::int32_t ViaYSize(const Via& via, int layer) const;
  std::uint8_t ViaShape(const Via& via, int layer) const;
  bool ViaReaches(const Via& via, int layer) const;
  // Whether an iterator on `layer` yields the object: its own layer, or with
  // yieldPerLayer a layer that a multi-layer pad or via touches.
  bool YieldsOnLayer(const Object& object, LayerCode layer) const;
  // Whether a via connects to a plane layer and how.
  ViaPlaneConnection ViaPlane(const Via& via, int layer) const;
  // The dominant power-plane clearance rule of an object: its own or the
  // board's; 0 for none.
  Handle PlaneRuleFor(const Object& object) const;
  Rect Bounds(const Object& object) const;

 private:
  void AddObject(std::unique_ptr<Object> object);
  void Link(Handle container, Handle member);
  void Unlink(Handle container, Handle member);
  // A via's reach with the stack's positions at hand (ViaReaches).
  bool ViaReachesAt(const Via& via, int layer, const std::array<int, 256>& position, int stackSize) const;
  void IndexLayers(std::uint8_t kind) const;

  // The handles of one kind on each layer code, for the revision it was
  // built at.
  struct LayerIndex {
    std::uint64_t revision = ~std::uint64_t{0};
    std::unordered_map<LayerCode, std::vector<Handle>> lists;
  };

  std::vector<std::unique_ptr<Object>> objects_;  // index = handle - kFirstObjectHandle
  std::array<std::vector<Handle>, 128> byKind_;
  mutable std::array<LayerIndex, 128> byLayer_;
  std::uint64_t revision_ = 0;
  std::unordered_map<Handle, std::vector<Handle>> members_;
};

}  // namespace sim
