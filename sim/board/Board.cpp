#include "sim/board/Board.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <utility>

namespace sim {
namespace {

constexpr std::pair<Kind, std::string_view> kKindNames[] = {
    {Kind::Arc, "arc"},
    {Kind::Pad, "pad"},
    {Kind::Via, "via"},
    {Kind::Track, "track"},
    {Kind::Text, "text"},
    {Kind::Fill, "fill"},
    {Kind::FromTo, "fromTo"},
    {Kind::Net, "net"},
    {Kind::Component, "component"},
    {Kind::Polygon, "polygon"},
    {Kind::Region, "region"},
    {Kind::ComponentBody, "componentBody"},
    {Kind::Dimension, "dimension"},
    {Kind::Coordinate, "coordinate"},
    {Kind::ObjectClass, "class"},
    {Kind::Rule, "rule"},
    {Kind::ManualFromTo, "manualFromTo"},
    {Kind::DifferentialPair, "differentialPair"},
    {Kind::Violation, "violation"},
    {Kind::Embedded, "embedded"},
    {Kind::EmbeddedBoard, "embeddedBoard"},
    {Kind::SplitPlane, "splitPlane"},
    {Kind::Board, "board"},
    {Kind::BoardOutline, "boardOutline"},
};

const std::vector<Handle> kNoHandles;

std::int32_t Clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

Rect Around(std::int64_t x, std::int64_t y, std::int64_t half) {
  return {Clamp32(x - half), Clamp32(y - half), Clamp32(x + half), Clamp32(y + half)};
}

Rect Union(const Rect& a, const Rect& b) {
  return {std::min(a.left, b.left), std::min(a.bottom, b.bottom), std::max(a.right, b.right), std::max(a.top, b.top)};
}

}  // namespace

std::string_view KindName(Kind kind) {
  for (const auto& [k, name] : kKindNames)
    if (k == kind) return name;
  return {};
}

std::optional<Kind> ParseKindName(std::string_view name) {
  for (const auto& [k, n] : kKindNames) {
    if (n.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < n.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(n[i])) == std::tolower(static_cast<unsigned char>(name[i]));
    if (same) return k;
  }
  return std::nullopt;
}

PadLayerOverride& Pad::OverrideFor(LayerNumber onLayer) {
  auto it = std::lower_bound(layerOverrides.begin(), layerOverrides.end(), onLayer,
                             [](const PadLayerOverride& o, LayerNumber l) { return o.layer < l; });
  if (it == layerOverrides.end() || it->layer != onLayer) {
    PadLayerOverride fresh;
    fresh.layer = onLayer;
    it = layerOverrides.insert(it, fresh);
  }
  return *it;
}

Board::Board() {
  for (int l = 0; l < kLayerCount; ++l) {
    layers[l].name = LayerDisplayName(l);
    if (!IsElectricalLayer(l)) layers[l].copper = 0;
  }
}

LayerEntry& Board::Layer(int layer) { return layers[(layer >= 0 && layer < kLayerCount) ? layer : 0]; }
const LayerEntry& Board::Layer(int layer) const { return layers[(layer >= 0 && layer < kLayerCount) ? layer : 0]; }

std::vector<LayerNumber> Board::StackOrder() const {
  std::vector<LayerNumber> order;
  int head = 0;
  for (int l = 1; l < kLayerCount && head == 0; ++l)
    if (layers[l].inStack && layers[l].prev == 0) head = l;
  std::array<bool, kLayerCount> seen{};
  for (int l = head; l > 0 && l < kLayerCount && layers[l].inStack && !seen[l]; l = layers[l].next) {
    seen[l] = true;
    order.push_back(static_cast<LayerNumber>(l));
  }
  return order;
}

void Board::SetStack(const std::vector<LayerNumber>& order) {
  for (LayerEntry& e : layers) {
    e.inStack = false;
    e.prev = e.next = 0;
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    LayerEntry& e = Layer(order[i]);
    e.inStack = true;
    e.present = true;
    e.prev = i > 0 ? order[i - 1] : 0;
    e.next = i + 1 < order.size() ? order[i + 1] : 0;
  }
  Changed();
}

void Board::AddObject(std::unique_ptr<Object> object) {
  object->handle = kFirstObjectHandle + static_cast<Handle>(objects_.size());
  Object& o = *object;
  const Handle net = std::exchange(o.net, 0);
  const Handle component = std::exchange(o.component, 0);
  objects_.push_back(std::move(object));
  byKind_[static_cast<std::uint8_t>(o.kind) & 0x7F].push_back(o.handle);
  Changed();
  if (net != 0) SetNet(o, net);
  if (component != 0) SetComponent(o, component);
}

Object* Board::Find(Handle handle) {
  const std::int64_t index = static_cast<std::int64_t>(handle) - kFirstObjectHandle;
  if (index < 0 || index >= static_cast<std::int64_t>(objects_.size())) return nullptr;
  return objects_[static_cast<std::size_t>(index)].get();
}

const Object* Board::Find(Handle handle) const { return const_cast<Board*>(this)->Find(handle); }

const std::vector<Handle>& Board::OfKind(std::uint8_t kind) const { return kind < 128 ? byKind_[kind] : kNoHandles; }

const std::vector<Handle>& Board::OnLayer(std::uint8_t kind, LayerCode layer) const {
  if (layer == 0 || kind >= 128) return OfKind(kind);
  if (byLayer_[kind].revision != revision_) IndexLayers(kind);
  const auto& lists = byLayer_[kind].lists;
  auto it = lists.find(layer);
  return it == lists.end() ? kNoHandles : it->second;
}

void Board::IndexLayers(std::uint8_t kind) const {
  LayerIndex& index = byLayer_[kind];
  index.lists.clear();
  const bool multiLayerKind =
      kind == static_cast<std::uint8_t>(Kind::Pad) || kind == static_cast<std::uint8_t>(Kind::Via);
  std::array<int, 256> position{};
  int stackSize = 0;
  if (yieldPerLayer && multiLayerKind) {
    const std::vector<LayerNumber> order = StackOrder();
    stackSize = static_cast<int>(order.size());
    position.fill(stackSize);
    for (int i = 0; i < stackSize; ++i) position[order[static_cast<std::size_t>(i)]] = i;
  }
  // Handle order within every list: the objects are visited in handle order
  // and each one is added to every list that yields it.
  for (Handle h : byKind_[kind]) {
    const Object& o = *Find(h);
    index.lists[o.layer].push_back(h);
    if (!yieldPerLayer || !multiLayerKind || o.layer != kMultiLayer) continue;
    for (int l = 1; l < kLayerCount; ++l) {
      if (l == kMultiLayer || !IsElectricalLayer(l)) continue;
      const bool yields = o.kind == Kind::Pad ? layers[static_cast<std::size_t>(l)].inStack
                                              : ViaReachesAt(static_cast<const Via&>(o), l, position, stackSize);
      if (yields) index.lists[static_cast<LayerCode>(l)].push_back(h);
    }
  }
  index.revision = revision_;
}

const std::vector<Handle>& Board::MembersOf(Handle container) const {
  auto it = members_.find(container);
  return it == members_.end() ? kNoHandles : it->second;
}

void Board::Link(Handle container, Handle member) {
  std::vector<Handle>& list = members_[container];
  list.insert(std::lower_bound(list.begin(), list.end(), member), member);
}

void Board::Unlink(Handle container, Handle member) {
  auto it = members_.find(container);
  if (it == members_.end()) return;
  std::vector<Handle>& list = it->second;
  auto pos = std::lower_bound(list.begin(), list.end(), member);
  if (pos != list.end() && *pos == member) list.erase(pos);
}

bool Board::IsNet(Handle h) const { return FindAs<Net>(h, Kind::Net) != nullptr; }
bool Board::IsComponent(Handle h) const { return FindAs<Component>(h, Kind::Component) != nullptr; }

bool Board::SetNet(Object& object, Handle net) {
  if (net != 0 && !IsNet(net)) return false;
  if (object.handle == 0) {  // not added yet: AddObject links it
    object.net = net;
    return true;
  }
  if (object.net == net) return true;
  if (object.net != 0) Unlink(object.net, object.handle);
  object.net = net;
  if (net != 0) Link(net, object.handle);
  return true;
}

bool Board::SetComponent(Object& object, Handle component) {
  if (component != 0 && (!IsComponent(component) || component == object.handle)) return false;
  if (object.handle == 0) {
    object.component = component;
    return true;
  }
  if (object.component == component) return true;
  if (object.component != 0) Unlink(object.component, object.handle);
  object.component = component;
  if (component != 0) Link(component, object.handle);
  return true;
}

Handle Board::FindNet(std::string_view name) const {
  for (Handle h : OfKind(static_cast<std::uint8_t>(Kind::Net))) {
    const auto* n = FindAs<Net>(h, Kind::Net);
    if (n != nullptr && n->name == name) return h;
  }
  return 0;
}

std::string Board::NetName(Handle net) const {
  const auto* n = FindAs<Net>(net, Kind::Net);
  return n != nullptr ? n->name : std::string();
}

PadOnLayer Board::PadLayer(const Pad& pad, int layer) const {
  PadOnLayer r;
  const PadShape* base = nullptr;
  if (layer == kTopLayer) {
    base = &pad.top;
  } else if (layer == kBottomLayer) {
    base = &pad.bottom;
  } else if (IsSignalLayer(layer)) {
    base = &pad.mid;
  }
  if (base != nullptr) {
    r.shape = base->shape;
    r.xSize = base->xSize;
    r.ySize = base->ySize;
    r.cornerPercent = base->cornerPercent;
  }
  std::optional<std::int32_t> radius;
  for (const PadLayerOverride& o : pad.layerOverrides) {
    if (o.layer != layer) continue;
    r.shape = o.shape.value_or(r.shape);
    r.xSize = o.xSize.value_or(r.xSize);
    r.ySize = o.ySize.value_or(r.ySize);
    r.cornerPercent = o.cornerPercent.value_or(r.cornerPercent);
    radius = o.cornerRadius;
  }
  if (radius) {
    r.cornerRadius = *radius;
  } else if (r.shape == kShapeRoundedRectangle) {
    // The corner radius that the percentage gives: a share of half the
    // shorter side.
    const std::int64_t shorter = std::min(r.xSize, r.ySize);
    r.cornerRadius = static_cast<std::int32_t>((shorter * r.cornerPercent + 100) / 200);
  }
  return r;
}

std::uint8_t Board::PadPlaneConnection(const Pad& pad) const {
  if (pad.planeConnection) return *pad.planeConnection;
  if (pad.layer != kMultiLayer) return 0;
  bool anyPlane = false;
  const std::string net = pad.net != 0 ? NetName(pad.net) : std::string();
  for (int k = 1; k <= 4; ++k) {
    const LayerEntry& plane = layers[kFirstPlane + k - 1];
    if (!plane.inStack) continue;
    anyPlane = true;
    if (pad.net != 0 && plane.planeNet == net)
      return static_cast<std::uint8_t>(planeConnectStyle == kPlaneStyleDirect ? 3 * k - 1 : 3 * k - 2);
  }
  return anyPlane ? 3 : 0;
}

std::int32_t Board::ViaSize(const Via& via, int layer) const {
  for (const auto& [l, size] : via.sizeOverrides)
    if (l == layer) return size;
  return IsElectricalLayer(layer) ? via.size : 0;
}

std::int32_t Board::ViaYSize(const Via& via, int layer) const {
  for (const auto& [l, size] : via.ySizeOverrides)
    if (l == layer) return size;
  return ViaSize(via, layer);
}

std::uint8_t Board::ViaShape(const Via& via, int layer) const {
  for (const auto& [l, shape] : via.shapeOverrides)
    if (l == layer) return shape;
  return IsElectricalLayer(layer) ? kShapeRound : 0;
}

bool Board::ViaReaches(const Via& via, int layer) const {
  if (via.reaches) return std::find(via.reaches->begin(), via.reaches->end(), layer) != via.reaches->end();
  if (layer <= 0 || layer >= kLayerCount || !layers[layer].inStack) return false;
  const std::vector<LayerNumber> order = StackOrder();
  std::array<int, 256> position{};
  position.fill(static_cast<int>(order.size()));
  for (std::size_t i = 0; i < order.size(); ++i) position[order[i]] = static_cast<int>(i);
  return ViaReachesAt(via, layer, position, static_cast<int>(order.size()));
}

bool Board::ViaReachesAt(const Via& via, int layer, const std::array<int, 256>& position, int size) const {
  if (via.reaches) return std::find(via.reaches->begin(), via.reaches->end(), layer) != via.reaches->end();
  if (layer <= 0 || layer >= kLayerCount || !layers[layer].inStack) return false;
  const int low = position[via.lowLayer], high = position[via.highLayer],
            at = position[static_cast<std::size_t>(layer)];
  if (low < size && high < size) return at >= std::min(low, high) && at <= std::max(low, high) && at < size;
  // An end outside the stack: the signal layers between the two numbers.
  return IsSignalLayer(layer) && layer >= std::min(via.lowLayer, via.highLayer) &&
         layer <= std::max(via.lowLayer, via.highLayer);
}

bool Board::YieldsOnLayer(const Object& object, LayerCode layer) const {
  if (object.layer == layer) return true;
  if (!yieldPerLayer || object.layer != kMultiLayer || !IsElectricalLayer(static_cast<int>(layer))) return false;
  const int number = static_cast<int>(layer);
  if (object.kind == Kind::Pad) return layers[static_cast<std::size_t>(number)].inStack;
  if (object.kind == Kind::Via) return ViaReaches(static_cast<const Via&>(object), number);
  return false;
}

ViaPlaneConnection Board::ViaPlane(const Via& via, int layer) const {
  for (const ViaPlaneConnection& c : via.planeOverrides)
    if (c.layer == layer) return c;
  ViaPlaneConnection c;
  c.layer = static_cast<LayerNumber>(layer);
  c.connects =
      via.net != 0 && IsPlaneLayer(layer) && layers[layer].inStack && layers[layer].planeNet == NetName(via.net);
  c.style = c.connects ? planeConnectStyle : kPlaneStyleNone;
  return c;
}

Handle Board::PlaneRuleFor(const Object& object) const { return object.planeRule != 0 ? object.planeRule : planeRule; }

Rect Board::Bounds(const Object& object) const {
  switch (object.kind) {
    case Kind::Track: {
      const auto& t = static_cast<const Track&>(object);
      const std::int64_t half = t.width / 2;
      return {Clamp32(std::min<std::int64_t>(t.x, t.x2) - half), Clamp32(std::min<std::int64_t>(t.y, t.y2) - half),
              Clamp32(std::max<std::int64_t>(t.x, t.x2) + half), Clamp32(std::max<std::int64_t>(t.y, t.y2) + half)};
    }
    case Kind::Arc: {
      const auto& a = static_cast<const Arc&>(object);
      return Around(a.x, a.y, static_cast<std::int64_t>(a.radius) + a.width / 2);
    }
    case Kind::Pad: {
      const auto& p = static_cast<const Pad&>(object);
      std::int64_t extent = 0;
      for (const PadShape* s : {&p.top, &p.mid, &p.bottom})
        extent = std::max<std::int64_t>({extent, s->xSize, s->ySize});
      for (const PadLayerOverride& o : p.layerOverrides)
        extent = std::max<std::int64_t>({extent, o.xSize.value_or(0), o.ySize.value_or(0)});
      // Half the diagonal covers every rotation.
      return Around(p.x, p.y, static_cast<std::int64_t>(std::ceil(static_cast<double>(extent) * 0.7071067811865476)));
    }
    case Kind::Via: {
      const auto& v = static_cast<const Via&>(object);
      return Around(v.x, v.y, v.size / 2);
    }
    case Kind::Fill: {
      const auto& f = static_cast<const Fill&>(object);
      return {std::min(f.x, f.x2), std::min(f.y, f.y2), std::max(f.x, f.x2), std::max(f.y, f.y2)};
    }
    case Kind::Text: {
      const auto& t = static_cast<const Text&>(object);
      const std::int64_t length = static_cast<std::int64_t>(t.height) * static_cast<std::int64_t>(t.text.size());
      return {t.x, t.y, Clamp32(t.x + length), Clamp32(static_cast<std::int64_t>(t.y) + t.height)};
    }
    case Kind::Net:
    case Kind::Component: {
      const std::vector<Handle>& members = MembersOf(object.handle);
      std::optional<Rect> r;
      if (object.kind == Kind::Component) r = Rect{object.x, object.y, object.x, object.y};
      for (Handle h : members) {
        const Object* m = Find(h);
        // Nets and components inside one another add nothing (and cannot loop).
        if (m == nullptr || m->kind == Kind::Net || m->kind == Kind::Component) continue;
        r = r ? Union(*r, Bounds(*m)) : Bounds(*m);
      }
      return r.value_or(Rect{});
    }
    default:
      return {object.x, object.y, object.x, object.y};
  }
}

}  // namespace sim
