#include "sim/board/BoardReader.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "sim/board/HostText.h"
#include "sim/board/Units.h"

namespace sim {
namespace {

// Default sizes of the objects a document leaves them out of.
constexpr std::int32_t kDefaultPadSize = 600000;         // 60 mil
constexpr std::int32_t kDefaultViaSize = 500000;         // 50 mil
constexpr std::int32_t kDefaultViaHole = 280000;         // 28 mil
constexpr std::int32_t kDefaultLineWidth = 100000;       // 10 mil
constexpr std::int32_t kDefaultTextHeight = 600000;      // 60 mil
constexpr std::int32_t kDefaultPlaneClearance = 200000;  // 20 mil
constexpr std::int32_t kDefaultCoreHeight = 620000;      // 62 mil

template <typename T>
void Append(Record& r, T value) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
  r.insert(r.end(), p, p + sizeof value);
}

std::vector<double> Numbers(const Node& n, std::size_t count) {
  n.ExpectArray("numbers");
  if (n.Size() != count) n.Fail("expected " + std::to_string(count) + " numbers");
  std::vector<double> out;
  for (std::size_t i = 0; i < n.Size(); ++i) out.push_back(n.Item(i).Real());
  return out;
}

// Where an element of a top-level list was, for a fault that names it.
std::string ListPlace(const char* list, std::size_t index) {
  return "/" + std::string(list) + "/" + std::to_string(index);
}

}  // namespace

const char* ObjectListName(ObjectList list) {
  static const char* const kNames[kObjectListCount] = {"nets", "classes", "components", "pads",  "vias",   "tracks",
                                                       "arcs", "outline", "texts",      "fills", "objects"};
  return kNames[static_cast<int>(list)];
}

const char* BoardReader::ListWhat(ObjectList list) {
  static const char* const kWhat[kObjectListCount] = {
      "the nets",  "object classes", "the components", "the pads",
      "the vias",  "the tracks",     "the arcs",       "the board outline (tracks and arcs on the keep-out layer)",
      "the texts", "the fills",      "other objects"};
  return kWhat[static_cast<int>(list)];
}

FieldList BoardReader::DocumentFields() {
  static constexpr std::string_view kFields[] = {
      "description", "board",   "layers", "layerNames", "layerPairs", "externalDielectrics",
      "rules",       "options", "nets",   "classes",    "components", "pads",
      "vias",        "tracks",  "arcs",   "texts",      "fills",      "objects",
      "outline"};
  return kFields;
}

// --- References.

LayerNumber BoardReader::Layer(const Node& n, int low, int high, bool stackNames) const {
  int layer = -1;
  if (n.value().is_number()) {
    layer = static_cast<int>(n.Integer(-1000000, 1000000));
  } else if (n.value().is_string()) {
    const std::string& text = n.value().get_ref<const std::string&>();
    if (auto parsed = ParseLayerName(text)) {
      layer = *parsed;
    } else {
      // The name a document gave a stack layer.
      for (int l = 1; stackNames && l <= kLastLayer && layer < 0; ++l)
        if ((board_.layers[l].inStack || board_.layers[l].named) && board_.layers[l].name == text) layer = l;
      if (layer < 0)
        n.Fail("no layer is named \"" + text +
               "\" (write a layer number, a name such as \"TopLayer\", \"MidLayer1\", "
               "\"InternalPlane1\", \"KeepOutLayer\", \"MultiLayer\", or the name of a stack layer)");
    }
  } else {
    n.Fail("expected a layer (a name such as \"TopLayer\" or a number 1..82), found " + TypeName(n.value()));
  }
  if (layer < low || layer > high)
    n.Fail("layer " + std::to_string(layer) + " is out of range (" + std::to_string(low) + ".." + std::to_string(high) +
           ")");
  return static_cast<LayerNumber>(layer);
}

// The layer of a track, arc, text or fill: any layer 1..82, or an extended
// signal, plane or mechanical layer ("MidLayer40", "Mechanical20").
LayerCode BoardReader::ObjectLayer(const Node& n) const {
  if (!n.value().is_string()) return Layer(n);
  // The few names a board's objects use, as read last.
  const std::string& text = n.value().get_ref<const std::string&>();
  for (const auto& [name, code] : objectLayers_)
    if (name == text) return code;
  const std::optional<LayerCode> extended = ParseExtendedLayerName(text);
  const LayerCode code = extended ? *extended : Layer(n);
  if (objectLayers_.size() == kObjectLayersKept) objectLayers_.erase(objectLayers_.begin());
  objectLayers_.emplace_back(text, code);
  return code;
}

Handle BoardReader::NetRef(const Node& n) const {
  // An ASCII name is its own host text: looked up as it stands.
  if (n.value().is_string()) {
    const std::string& text = n.value().get_ref<const std::string&>();
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      if (auto it = netsByName_.find(std::string_view(text)); it != netsByName_.end()) return it->second.first;
  }
  const std::string name = n.Text();
  auto it = netsByName_.find(name);
  if (it == netsByName_.end()) n.Fail("no net is named \"" + FromHostText(name) + "\" (declare it in /nets)");
  return it->second.first;
}

Handle BoardReader::ComponentRef(const Node& n) const {
  const std::string name = n.Text();
  auto it = componentsByName_.find(name);
  if (it == componentsByName_.end())
    n.Fail("no component has the designator \"" + FromHostText(name) + "\" (declare it in /components)");
  return it->second.first;
}

Handle BoardReader::PlaneRule(std::int32_t value) {
  auto it = rulesByValue_.find(value);
  if (it != rulesByValue_.end()) return it->second;
  auto rule = std::make_unique<Rule>();
  rule->value = value;
  const Handle h = board_.Add(std::move(rule)).handle;
  rulesByValue_[value] = h;
  return h;
}

// --- Elements read flat.

FieldList ListFields(ObjectList list) {
  static constexpr std::string_view kTrack[] = {"x1", "y1", "x2", "y2", "width", "layer", "net", "component"};
  static constexpr std::string_view kArc[] = {"x",     "y",     "radius", "startAngle", "endAngle",
                                              "width", "layer", "net",    "component"};
  static constexpr std::string_view kVia[] = {"x",  "y",         "net",    "size",   "hole",    "from",
                                              "to", "stackMode", "layers", "planes", "reaches", "planeExpansion"};
  static constexpr std::string_view kComponent[] = {"designator", "comment",  "footprint", "x",
                                                    "y",          "rotation", "side",      "pads"};
  static constexpr std::string_view kPad[] = {
      "name",          "x",   "y",   "layer",  "net",      "component", "hole",   "shape",           "size",
      "cornerPercent", "top", "mid", "bottom", "rotation", "stackMode", "layers", "planeConnection", "planeExpansion"};
  static_assert(std::size(kPad) <= FlatElement::kMaxFields);
  switch (list) {
    case ObjectList::Components:
      return kComponent;
    case ObjectList::Pads:
      return kPad;
    case ObjectList::Tracks:
      return kTrack;
    case ObjectList::Arcs:
      return kArc;
    case ObjectList::Vias:
      return kVia;
    default:
      return {};
  }
}

FlatElement::FlatElement(FieldList fields, const Node& self) : fields_(fields), self_(self) {
  byCode_.fill(kNoField);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    std::uint8_t& at = byCode_[Code(fields_[i])];
    at = at == kNoField ? static_cast<std::uint8_t>(i) : kShared;
  }
}

void FlatElement::Clear() {
  set_ = 0;
  next_ = 0;
  unknownCount_ = 0;
  childrenField_ = kMaxFields;
}

void FlatElement::AllowOnly(FieldList known) const {
  // Mostly all of the list's own names.
  if (unknownCount_ == 0 && known.data() == fields_.data()) return;
  std::uint32_t allowed = 0;
  for (std::string_view k : known) {
    const std::size_t i = Find(k);
    if (i != kMaxFields) allowed |= 1U << i;
  }
  // The first member in the element's order that is not allowed, as a Node
  // of the same members would name it.
  std::uint32_t first = std::numeric_limits<std::uint32_t>::max();
  std::string_view name;
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (IsSet(i) && (allowed >> i & 1U) == 0 && order_[i] < first) {
      first = order_[i];
      name = fields_[i];
    }
  for (std::size_t u = 0; u < unknownCount_; ++u)
    if (unknown_[u].second < first) {
      first = unknown_[u].second;
      name = unknown_[u].first;
    }
  if (first == std::numeric_limits<std::uint32_t>::max()) return;
  static const DocumentJson kNothing;
  FailUnknownField(Node(kNothing, self_, name), known);
}

Node FlatElement::Child(std::string_view key) const {
  std::optional<Node> n = Get(key);
  if (!n) Fail("needs \"" + std::string(key) + "\"");
  return *n;
}

void BoardReader::ListElement(ObjectList list, const FlatElement& item) {
  switch (list) {
    case ObjectList::Components:
      return AddComponent(item);
    case ObjectList::Pads:
      return AddPad(item, nullptr);
    case ObjectList::Tracks:
      return AddTrack(item, std::nullopt);
    case ObjectList::Arcs:
      return AddArc(item, std::nullopt);
    case ObjectList::Vias:
      return AddVia(item);
    default:
      item.Fail("not read flat");
  }
}

// Net, owning component: fields that many objects share.
template <typename Item>
void BoardReader::Common(const Item& n, Object& o, Handle ownerComponent) {
  if (auto net = n.Get("net")) board_.SetNet(o, NetRef(*net));
  if (auto component = n.Get("component")) {
    if (ownerComponent != 0) component->Fail("a pad inside a component belongs to that component");
    board_.SetComponent(o, ComponentRef(*component));
  } else if (ownerComponent != 0) {
    board_.SetComponent(o, ownerComponent);
  }
}

template <typename Item>
void BoardReader::Point(const Item& n, const char* xKey, const char* yKey, std::int32_t& x, std::int32_t& y) {
  if (auto v = n.Get(xKey)) x = v->Length();
  if (auto v = n.Get(yKey)) y = v->Length();
}

// --- The board's own values and the stack.

void BoardReader::Description(const Node& n) {
  if (!n.value().is_string()) n.Fail("expected a text");
}

void BoardReader::BoardSection(const Node& n) {
  n.ExpectObject("the board's own values");
  n.AllowOnly({"text", "currentLayer", "splitPlaneMode"});
  if (auto v = n.Get("text")) board_.text = v->Text();
  // The current layer is one of the classic layers by number or key name,
  // whatever the stack calls its layers.
  if (auto v = n.Get("currentLayer")) board_.currentLayer = Layer(*v, 0, kLastLayer, /*stackNames=*/false);
  if (auto v = n.Get("splitPlaneMode")) board_.splitPlaneMode = static_cast<std::uint8_t>(v->Integer(0, 255));
}

Dielectric BoardReader::ReadDielectric(const Node& n, Dielectric d) const {
  n.ExpectObject("a dielectric");
  n.AllowOnly({"height", "constant", "material", "type"});
  if (auto v = n.Get("height")) d.height = v->Size0();
  if (auto v = n.Get("constant")) d.constant = v->Real();
  if (auto v = n.Get("material")) d.material = v->Text();
  if (auto v = n.Get("type")) d.type = static_cast<std::uint8_t>(v->Integer(0, 255));
  return d;
}

// The stack: numbers and names first (so that objects can name stack layers),
// plane nets once the nets are known (PlaneNets).
void BoardReader::LayersSection(const std::optional<Node>& n) {
  objectLayers_.clear();
  std::vector<LayerNumber> order;
  if (!n) {
    order = {kTopLayer, kBottomLayer};
    board_.SetStack(order);
    board_.layers[kTopLayer].dielectric.height = kDefaultCoreHeight;
    return;
  }
  n->ExpectArray("the layer stack, top first");
  std::map<int, std::string> seenAt;
  std::map<std::string, std::string> namesAt;
  for (std::size_t i = 0; i < n->Size(); ++i) {
    const Node item = n->Item(i);
    item.ExpectObject("a stack layer");
    item.AllowOnly({"layer", "name", "copper", "dielectric", "net", "present"});
    if (!item.Has("layer")) item.Fail("a stack layer needs \"layer\" (e.g. \"TopLayer\" or 39)");
    const Node layerNode = item.Child("layer");
    const LayerNumber layer = Layer(layerNode);
    if (auto prev = seenAt.find(layer); prev != seenAt.end())
      layerNode.Fail("layer " + LayerKeyName(layer) + " is in the stack twice (first at " + prev->second + ")");
    seenAt[layer] = layerNode.path();
    order.push_back(layer);
    LayerEntry& e = board_.layers[layer];
    if (!IsElectricalLayer(layer)) e.copper = 0;
    if (auto v = item.Get("name")) e.name = v->NonEmptyText();
    if (auto prev = namesAt.find(e.name); prev != namesAt.end())
      item.Fail("two stack layers are named \"" + FromHostText(e.name) + "\" (the other at " + prev->second + ")");
    namesAt[e.name] = item.path();
    if (auto v = item.Get("copper")) e.copper = v->Size0();
    if (auto v = item.Get("dielectric")) e.dielectric = ReadDielectric(*v, e.dielectric);
    if (auto v = item.Get("net"); v && !IsPlaneLayer(layer))
      v->Fail("only an internal plane (InternalPlane1..16) has a net");
  }
  board_.SetStack(order);
  for (std::size_t i = 0; i < n->Size(); ++i) {
    const Node item = n->Item(i);
    if (auto v = item.Get("present")) board_.layers[order[i]].present = v->Bool();
  }
}

void BoardReader::PlaneNets(const std::optional<Node>& layers) {
  if (!layers) return;
  for (std::size_t i = 0; i < layers->Size(); ++i) {
    const Node item = layers->Item(i);
    if (auto v = item.Get("net")) {
      NetRef(*v);
      board_.layers[Layer(item.Child("layer"))].planeNet = v->Text();
    }
  }
}

void BoardReader::LayerNames(const Node& n) {
  objectLayers_.clear();
  n.ExpectObject("names of layers outside the stack, by layer");
  for (auto it = n.value().begin(); it != n.value().end(); ++it) {
    const Node item(it.value(), n, it.key());
    const std::optional<LayerNumber> layer = ParseLayerName(it.key());
    if (!layer || *layer == 0) item.Fail("\"" + it.key() + "\" names no layer (write e.g. \"Mechanical1\")");
    if (board_.layers[*layer].inStack)
      item.Fail("layer " + LayerKeyName(*layer) + " is a stack layer; name it in /layers");
    board_.layers[*layer].name = item.NonEmptyText();
    board_.layers[*layer].named = true;
    board_.layers[*layer].present = true;
  }
}

void BoardReader::LayerPairs(const std::optional<Node>& n) {
  if (!n) {
    std::vector<LayerNumber> signals;
    for (LayerNumber l : board_.StackOrder())
      if (IsSignalLayer(l)) signals.push_back(l);
    if (signals.size() >= 2) board_.layerPairs.push_back({signals.front(), signals.back(), 0, 0});
    return;
  }
  n->ExpectArray("drill layer pairs");
  for (std::size_t i = 0; i < n->Size(); ++i) {
    const Node pair = n->Item(i);
    if (!pair.value().is_array() || pair.Size() != 2) pair.Fail("a layer pair is an array of two layers");
    board_.layerPairs.push_back({Layer(pair.Item(0)), Layer(pair.Item(1)), 0, 0});
  }
}

void BoardReader::ExternalDielectrics(const Node& n) {
  n.ExpectObject("the dielectrics outside the copper");
  n.AllowOnly({"top", "bottom"});
  for (const char* side : {"top", "bottom"}) {
    auto v = n.Get(side);
    if (!v) continue;
    ExternalDielectric& d = std::strcmp(side, "top") == 0 ? board_.topDielectric : board_.bottomDielectric;
    Dielectric in{d.height, d.constant, d.material, d.type};
    in = ReadDielectric(*v, in);
    d = {in.material, in.type, in.constant, in.height};
  }
}

void BoardReader::Rules(const std::optional<Node>& n) {
  std::optional<std::int32_t> clearance = kDefaultPlaneClearance;
  if (n) {
    n->ExpectObject("board-wide rules");
    n->AllowOnly({"planeExpansion", "planeConnectStyle"});
    if (auto v = n->Get("planeExpansion")) clearance = v->value().is_null() ? std::nullopt : std::optional(v->Length());
    if (auto v = n->Get("planeConnectStyle")) board_.planeConnectStyle = PlaneStyle(*v);
  }
  if (clearance) board_.planeRule = PlaneRule(*clearance);
}

std::int32_t BoardReader::PlaneStyle(const Node& n) {
  if (n.value().is_number()) return static_cast<std::int32_t>(n.Integer(0, 255));
  const std::string s = n.value().is_string() ? n.value().get<std::string>() : std::string();
  if (s == "relief") return kPlaneStyleRelief;
  if (s == "direct") return kPlaneStyleDirect;
  if (s == "none") return kPlaneStyleNone;
  n.Fail("expected a connection style: \"relief\", \"direct\", \"none\" or a host style number, found " +
         TypeName(n.value()));
}

void BoardReader::Options(const Node& n) {
  n.ExpectObject("the board's option values");
  n.AllowOnly({"grids", "output", "gerber", "printer", "placer", "changeOrder", "yieldPerLayer"});
  if (auto v = n.Get("yieldPerLayer")) board_.yieldPerLayer = v->Bool();
  if (auto v = n.Get("grids")) {
    Record r;
    for (double d : Numbers(*v, 14)) Append(r, d);
    board_.records[kRecordGrids] = r;
  }
  for (const OptionBlock& block : kOptionBlocks) {
    auto v = n.Get(block.name);
    if (!v) continue;
    Record r;
    v->ExpectArray("option values");
    if (v->Size() != block.values) v->Fail("expected " + std::to_string(block.values) + " values");
    for (std::size_t i = 0; i < v->Size(); ++i)
      Append(r, static_cast<std::int32_t>(v->Item(i).Integer(std::numeric_limits<std::int32_t>::min(),
                                                             std::numeric_limits<std::int32_t>::max())));
    board_.records[block.record] = r;
  }
}

// --- The object lists.

void BoardReader::List(ObjectList list, const Node& n) {
  n.ExpectArray(ListWhat(list));
  for (std::size_t i = 0; i < n.Size(); ++i) ListElement(list, n.Item(i));
}

void BoardReader::ListElement(ObjectList list, const Node& item) {
  switch (list) {
    case ObjectList::Nets:
      return AddNet(item);
    case ObjectList::Classes:
      return AddClass(item);
    case ObjectList::Components:
      return AddComponent(item);
    case ObjectList::Pads:
      return AddPad(item, nullptr);
    case ObjectList::Vias:
      return AddVia(item);
    case ObjectList::Tracks:
      return AddTrack(item, std::nullopt);
    case ObjectList::Arcs:
      return AddArc(item, std::nullopt);
    case ObjectList::Outline:
      return AddOutline(item);
    case ObjectList::Texts:
      return AddFreeText(item);
    case ObjectList::Fills:
      return AddFill(item);
    case ObjectList::Objects:
      return AddObject(item);
  }
}

void BoardReader::AddNet(const Node& item) {
  std::string name;
  if (item.value().is_object()) {
    item.AllowOnly({"name"});
    if (!item.Has("name")) item.Fail("a net needs \"name\"");
    name = item.Child("name").NonEmptyText();
  } else {
    name = item.NonEmptyText();
  }
  const std::size_t index = board_.OfKind(static_cast<std::uint8_t>(Kind::Net)).size();
  if (auto prev = netsByName_.find(name); prev != netsByName_.end())
    item.Fail("a second net is named \"" + FromHostText(name) + "\" (the first at " +
              ListPlace("nets", prev->second.second) + ")");
  auto net = std::make_unique<Net>();
  net->name = name;
  netsByName_.emplace(std::move(name), std::pair(board_.Add(std::move(net)).handle, index));
}

void BoardReader::AddClass(const Node& item) {
  item.ExpectObject("an object class");
  item.AllowOnly({"name", "members"});
  auto c = std::make_unique<ObjectClass>();
  if (!item.Has("name")) item.Fail("a class needs \"name\"");
  c->name = item.Child("name").NonEmptyText();
  if (auto members = item.Get("members")) {
    members->ExpectArray("the member names");
    for (std::size_t m = 0; m < members->Size(); ++m) c->members.push_back(members->Item(m).Text());
  }
  board_.Add(std::move(c));
}

Handle BoardReader::AddText(const std::string& text, const Component& owner, LayerNumber layer) {
  auto t = std::make_unique<Text>();
  t->text = text;
  t->x = owner.x;
  t->y = owner.y;
  t->height = kDefaultTextHeight;
  t->width = kDefaultLineWidth;
  t->layer = layer;
  t->component = owner.handle;
  return board_.Add(std::move(t)).handle;
}

template <typename Item>
void BoardReader::AddComponent(const Item& item) {
  Component& comp = ReadComponent(item);
  item.EachElement("pads", "the component's pads", [&](const auto& pad) { AddPad(pad, &comp); });
}

template <typename Item>
Component& BoardReader::ReadComponent(const Item& item) {
  item.ExpectObject("a component");
  item.AllowOnly(ListFields(ObjectList::Components));
  if (!item.Has("designator")) item.Fail("a component needs \"designator\"");
  const Node designatorNode = item.Child("designator");
  std::string designator = designatorNode.NonEmptyText();
  if (auto prev = componentsByName_.find(designator); prev != componentsByName_.end())
    designatorNode.Fail("a second component has the designator \"" + FromHostText(designator) + "\" (the first at " +
                        ListPlace("components", prev->second.second) + ")");
  auto c = std::make_unique<Component>();
  c->layer = kTopLayer;
  if (auto v = item.Get("side")) {
    const std::string side = v->value().is_string() ? v->value().template get<std::string>() : std::string();
    if (side == "bottom")
      c->layer = kBottomLayer;
    else if (side != "top")
      v->Fail("expected \"top\" or \"bottom\", found " + TypeName(v->value()));
  }
  Point(item, "x", "y", c->x, c->y);
  if (auto v = item.Get("rotation")) c->rotation = v->Angle();
  if (auto v = item.Get("footprint")) c->footprint = v->Text();
  const std::string comment = item.Has("comment") ? item.Child("comment").Text() : std::string();
  const std::size_t index = board_.OfKind(static_cast<std::uint8_t>(Kind::Component)).size();
  Component& comp = board_.Add(std::move(c));
  const bool bottom = comp.layer == kBottomLayer;
  comp.designator = AddText(designator, comp, bottom ? kBottomOverlay : kTopOverlay);
  comp.comment = AddText(comment, comp, bottom ? kBottomOverlay : kTopOverlay);
  componentsByName_.emplace(std::move(designator), std::pair(comp.handle, index));
  return comp;
}

PadShape BoardReader::ReadPadShape(const Node& n, PadShape s) const {
  n.ExpectObject("a pad shape");
  n.AllowOnly({"shape", "size", "cornerPercent"});
  if (auto v = n.Get("shape")) s.shape = Shape(*v);
  if (auto v = n.Get("size")) ReadSize(*v, s.xSize, s.ySize);
  if (auto v = n.Get("cornerPercent")) s.cornerPercent = static_cast<std::uint8_t>(v->Integer(0, 100));
  return s;
}

std::uint8_t BoardReader::Shape(const Node& n) {
  if (n.value().is_number()) return static_cast<std::uint8_t>(n.Integer(0, 255));
  const std::string s = n.value().is_string() ? n.value().get<std::string>() : std::string();
  if (s == "round") return kShapeRound;
  if (s == "rectangle") return kShapeRectangle;
  if (s == "octagon") return kShapeOctagon;
  if (s == "roundedRectangle") return kShapeRoundedRectangle;
  n.Fail(
      "expected a shape: \"round\", \"rectangle\", \"octagon\", \"roundedRectangle\" or a host shape number, found " +
      TypeName(n.value()));
}

void BoardReader::ReadSize(const Node& n, std::int32_t& x, std::int32_t& y) {
  if (n.value().is_array()) {
    if (n.Size() != 2) n.Fail("a size is one length or an array of two (x and y)");
    x = n.Item(0).Size0();
    y = n.Item(1).Size0();
  } else {
    x = y = n.Size0();
  }
}

template <typename Item>
void BoardReader::AddPad(const Item& n, Component* owner) {
  n.ExpectObject("a pad");
  n.AllowOnly(ListFields(ObjectList::Pads));
  auto pad = std::make_unique<Pad>();
  Pad& p = *pad;
  if (auto v = n.Get("name")) p.name = v->Text();
  Point(n, "x", "y", p.x, p.y);
  if (auto v = n.Get("hole")) p.hole = v->Size0();
  if (auto v = n.Get("rotation")) p.rotation = v->Angle();
  PadShape all{kShapeRound, kDefaultPadSize, kDefaultPadSize, 0};
  if (auto v = n.Get("shape")) all.shape = Shape(*v);
  if (auto v = n.Get("size")) ReadSize(*v, all.xSize, all.ySize);
  if (auto v = n.Get("cornerPercent")) all.cornerPercent = static_cast<std::uint8_t>(v->Integer(0, 100));
  const auto shapeOf = [&](const char* key) {
    const std::optional<Node> v = n.Get(key);
    return v ? ReadPadShape(*v, all) : all;
  };
  p.top = shapeOf("top");
  p.mid = shapeOf("mid");
  p.bottom = shapeOf("bottom");
  if (auto v = n.Get("layers")) {
    v->ExpectArray("the pad's layer-by-layer shapes");
    for (std::size_t i = 0; i < v->Size(); ++i) {
      const Node item = v->Item(i);
      item.ExpectObject("a pad's shape on one layer");
      item.AllowOnly({"layer", "shape", "size", "cornerRadius", "cornerPercent"});
      if (!item.Has("layer")) item.Fail("needs \"layer\"");
      PadLayerOverride& o = p.OverrideFor(Layer(item.Child("layer")));
      if (auto s = item.Get("shape")) o.shape = Shape(*s);
      if (auto s = item.Get("size")) {
        std::int32_t x = 0, y = 0;
        ReadSize(*s, x, y);
        o.xSize = x;
        o.ySize = y;
      }
      if (auto s = item.Get("cornerRadius")) o.cornerRadius = s->Size0();
      if (auto s = item.Get("cornerPercent")) o.cornerPercent = static_cast<std::uint8_t>(s->Integer(0, 100));
    }
  }
  p.stackMode = !p.layerOverrides.empty() ? 2 : (p.top == p.mid && p.mid == p.bottom) ? 0 : 1;
  if (auto v = n.Get("stackMode")) p.stackMode = StackMode(*v);
  const LayerNumber side = owner != nullptr && owner->layer == kBottomLayer ? kBottomLayer : kTopLayer;
  if (auto v = n.Get("layer"))
    p.layer = Layer(*v);
  else
    p.layer = p.hole > 0 ? kMultiLayer : side;
  if (auto v = n.Get("planeConnection")) p.planeConnection = PadPlaneConnection(*v);
  if (auto v = n.Get("planeExpansion")) p.planeRule = PlaneRule(v->Length());
  Common(n, p, owner != nullptr ? owner->handle : 0);
  board_.Add(std::move(pad));
}

std::uint8_t BoardReader::StackMode(const Node& n) {
  if (n.value().is_number()) return static_cast<std::uint8_t>(n.Integer(0, 255));
  const std::string s = n.value().is_string() ? n.value().get<std::string>() : std::string();
  if (s == "simple") return 0;
  if (s == "topMiddleBottom") return 1;
  if (s == "fullStack") return 2;
  n.Fail("expected a stack mode: \"simple\", \"topMiddleBottom\", \"fullStack\" or a host number, found " +
         TypeName(n.value()));
}

std::uint8_t BoardReader::PadPlaneConnection(const Node& n) const {
  if (n.value().is_number()) return static_cast<std::uint8_t>(n.Integer(0, 255));
  n.ExpectObject("a plane connection (a host code, or {\"plane\", \"style\"})");
  n.AllowOnly({"plane", "style"});
  if (!n.Has("plane")) n.Fail("needs \"plane\" (InternalPlane1..4)");
  const int k = Layer(n.Child("plane"), kFirstPlane, kFirstPlane + 3) - kFirstPlane + 1;
  const std::int32_t style = n.Has("style") ? PlaneStyle(n.Child("style")) : kPlaneStyleRelief;
  if (style == kPlaneStyleRelief) return static_cast<std::uint8_t>(3 * k - 2);
  if (style == kPlaneStyleDirect) return static_cast<std::uint8_t>(3 * k - 1);
  return static_cast<std::uint8_t>(3 * k);
}

template <typename Item>
void BoardReader::AddVia(const Item& item) {
  item.ExpectObject("a via");
  item.AllowOnly(ListFields(ObjectList::Vias));
  auto via = std::make_unique<Via>();
  Via& v = *via;
  v.layer = kMultiLayer;
  v.size = kDefaultViaSize;
  v.hole = kDefaultViaHole;
  Point(item, "x", "y", v.x, v.y);
  if (auto f = item.Get("size")) v.size = f->Size0();
  if (auto f = item.Get("hole")) v.hole = f->Size0();
  if (auto f = item.Get("from")) v.lowLayer = Layer(*f);
  if (auto f = item.Get("to")) v.highLayer = Layer(*f);
  if (auto f = item.Get("layers")) {
    f->ExpectArray("the via's sizes on single layers");
    for (std::size_t l = 0; l < f->Size(); ++l) {
      const Node entry = f->Item(l);
      entry.ExpectObject("a via's size on one layer");
      entry.AllowOnly({"layer", "size", "ySize", "shape"});
      if (!entry.Has("layer")) entry.Fail("needs \"layer\"");
      const LayerNumber layer = Layer(entry.Child("layer"));
      if (auto s = entry.Get("size")) v.sizeOverrides.emplace_back(layer, s->Size0());
      if (auto s = entry.Get("ySize")) v.ySizeOverrides.emplace_back(layer, s->Size0());
      if (auto s = entry.Get("shape")) v.shapeOverrides.emplace_back(layer, Shape(*s));
    }
  }
  v.stackMode = v.sizeOverrides.empty() && v.ySizeOverrides.empty() && v.shapeOverrides.empty() ? 0 : 2;
  if (auto f = item.Get("stackMode")) v.stackMode = StackMode(*f);
  if (auto f = item.Get("planes")) {
    f->ExpectArray("the via's plane connections");
    for (std::size_t l = 0; l < f->Size(); ++l) {
      const Node entry = f->Item(l);
      entry.ExpectObject("a via's connection to one plane");
      entry.AllowOnly({"layer", "connects", "style"});
      if (!entry.Has("layer")) entry.Fail("needs \"layer\"");
      ViaPlaneConnection c;
      c.layer = Layer(entry.Child("layer"), kFirstPlane, kLastPlane);
      c.connects = entry.Has("connects") ? entry.Child("connects").Bool() : true;
      c.style = entry.Has("style") ? PlaneStyle(entry.Child("style"))
                                   : (c.connects ? board_.planeConnectStyle : kPlaneStyleNone);
      v.planeOverrides.push_back(c);
    }
  }
  if (auto f = item.Get("reaches")) {
    f->ExpectArray("the layers the via reaches");
    std::vector<LayerNumber> reaches;
    for (std::size_t l = 0; l < f->Size(); ++l) reaches.push_back(Layer(f->Item(l)));
    v.reaches = reaches;
  }
  if (auto f = item.Get("planeExpansion")) v.planeRule = PlaneRule(f->Length());
  Common(item, v, 0);
  board_.Add(std::move(via));
}

// Tracks and arcs of the document's track and arc lists, and of the outline
// (always on the keep-out layer).
template <typename Item>
void BoardReader::AddTrack(const Item& n, std::optional<LayerNumber> fixedLayer) {
  n.ExpectObject("a track");
  if (fixedLayer)
    n.AllowOnly({"x1", "y1", "x2", "y2", "width"});
  else
    n.AllowOnly(ListFields(ObjectList::Tracks));
  auto t = std::make_unique<Track>();
  Point(n, "x1", "y1", t->x, t->y);
  Point(n, "x2", "y2", t->x2, t->y2);
  const std::optional<Node> width = n.Get("width");
  t->width = width ? width->Size0() : kDefaultLineWidth;
  const std::optional<Node> layer = fixedLayer ? std::nullopt : n.Get("layer");
  t->layer = fixedLayer ? *fixedLayer : (layer ? ObjectLayer(*layer) : kTopLayer);
  Common(n, *t, 0);
  board_.Add(std::move(t));
}

template <typename Item>
void BoardReader::AddArc(const Item& n, std::optional<LayerNumber> fixedLayer) {
  n.ExpectObject("an arc");
  if (fixedLayer)
    n.AllowOnly({"x", "y", "radius", "startAngle", "endAngle", "width"});
  else
    n.AllowOnly(ListFields(ObjectList::Arcs));
  auto a = std::make_unique<Arc>();
  Point(n, "x", "y", a->x, a->y);
  if (auto v = n.Get("radius")) a->radius = v->Size0();
  if (auto v = n.Get("startAngle")) a->startAngle = v->Angle();
  const std::optional<Node> end = n.Get("endAngle");
  a->endAngle = end ? end->Angle() : 360.0;
  const std::optional<Node> width = n.Get("width");
  a->width = width ? width->Size0() : kDefaultLineWidth;
  const std::optional<Node> layer = fixedLayer ? std::nullopt : n.Get("layer");
  a->layer = fixedLayer ? *fixedLayer : (layer ? ObjectLayer(*layer) : kTopLayer);
  Common(n, *a, 0);
  board_.Add(std::move(a));
}

void BoardReader::AddOutline(const Node& item) {
  if (item.Has("radius"))
    AddArc(item, kKeepOutLayer);
  else
    AddTrack(item, kKeepOutLayer);
}

void BoardReader::AddFreeText(const Node& item) {
  item.ExpectObject("a text");
  item.AllowOnly({"x", "y", "text", "height", "width", "rotation", "layer", "component"});
  auto t = std::make_unique<Text>();
  Point(item, "x", "y", t->x, t->y);
  if (auto v = item.Get("text")) t->text = v->Text();
  const std::optional<Node> height = item.Get("height");
  t->height = height ? height->Size0() : kDefaultTextHeight;
  const std::optional<Node> width = item.Get("width");
  t->width = width ? width->Size0() : kDefaultLineWidth;
  if (auto v = item.Get("rotation")) t->rotation = v->Angle();
  const std::optional<Node> layer = item.Get("layer");
  t->layer = layer ? ObjectLayer(*layer) : kTopOverlay;
  Common(item, *t, 0);
  board_.Add(std::move(t));
}

void BoardReader::AddFill(const Node& item) {
  item.ExpectObject("a fill");
  item.AllowOnly({"x1", "y1", "x2", "y2", "rotation", "layer", "net", "component"});
  auto f = std::make_unique<Fill>();
  Point(item, "x1", "y1", f->x, f->y);
  Point(item, "x2", "y2", f->x2, f->y2);
  if (auto v = item.Get("rotation")) f->rotation = v->Angle();
  const std::optional<Node> layer = item.Get("layer");
  f->layer = layer ? ObjectLayer(*layer) : kTopLayer;
  Common(item, *f, 0);
  board_.Add(std::move(f));
}

// Objects of the kinds that have no list of their own: regions, polygons,
// split planes, dimensions, bodies and the like.
void BoardReader::AddObject(const Node& item) {
  item.ExpectObject("an object");
  item.AllowOnly({"kind", "x", "y", "layer", "net", "component"});
  if (!item.Has("kind")) item.Fail("an object needs \"kind\" (e.g. \"region\", \"polygon\", \"splitPlane\")");
  const Node kindNode = item.Child("kind");
  std::optional<Kind> kind;
  if (kindNode.value().is_string())
    kind = ParseKindName(kindNode.value().get_ref<const std::string&>());
  else
    kind = static_cast<Kind>(kindNode.Integer(1, 127));
  constexpr Kind kOwnLists[] = {Kind::Arc, Kind::Pad,       Kind::Via,         Kind::Track, Kind::Text, Kind::Fill,
                                Kind::Net, Kind::Component, Kind::ObjectClass, Kind::Rule,  Kind::Board};
  if (!kind || std::find(std::begin(kOwnLists), std::end(kOwnLists), *kind) != std::end(kOwnLists))
    kindNode.Fail(
        "expected the kind of an object without a list of its own (such as \"region\", \"polygon\", "
        "\"splitPlane\", \"dimension\", \"componentBody\"), found " +
        TypeName(kindNode.value()));
  auto o = std::make_unique<Object>(*kind);
  Point(item, "x", "y", o->x, o->y);
  if (auto v = item.Get("layer")) o->layer = Layer(*v);
  Common(item, *o, 0);
  board_.Add(std::move(o));
}

// --- The whole document.

void BoardReader::Document(const Node& root) {
  root.ExpectObject("a board document");
  root.AllowOnly(DocumentFields());
  if (auto v = root.Get("description")) Description(*v);
  if (auto v = root.Get("board")) BoardSection(*v);
  const std::optional<Node> layers = root.Get("layers");
  LayersSection(layers);
  if (auto v = root.Get("layerNames")) LayerNames(*v);
  if (auto v = root.Get("externalDielectrics")) ExternalDielectrics(*v);
  for (int l = 0; l < kObjectListCount; ++l) {
    const auto list = static_cast<ObjectList>(l);
    if (list == ObjectList::Classes) {
      PlaneNets(layers);
      Rules(root.Get("rules"));
    }
    if (auto v = root.Get(ObjectListName(list))) List(list, *v);
  }
  LayerPairs(root.Get("layerPairs"));
  if (auto v = root.Get("options")) Options(*v);
}

}  // namespace sim
