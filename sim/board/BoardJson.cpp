#include "sim/board/BoardJson.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sim/board/Units.h"

namespace sim {
namespace {

// The document as read: objects keep their members in one array each (in the
// document's order), which costs a large board document about half the memory
// and allocations of a tree per object.
using json = nlohmann::ordered_json;

// Default sizes of the objects a document leaves them out of.
constexpr std::int32_t kDefaultPadSize = 600000;         // 60 mil
constexpr std::int32_t kDefaultViaSize = 500000;         // 50 mil
constexpr std::int32_t kDefaultViaHole = 280000;         // 28 mil
constexpr std::int32_t kDefaultLineWidth = 100000;       // 10 mil
constexpr std::int32_t kDefaultTextHeight = 600000;      // 60 mil
constexpr std::int32_t kDefaultPlaneClearance = 200000;  // 20 mil
constexpr std::int32_t kDefaultCoreHeight = 620000;      // 62 mil

std::string TypeName(const json& j) {
  switch (j.type()) {
    case json::value_t::null:
      return "null";
    case json::value_t::object:
      return "an object";
    case json::value_t::array:
      return "an array";
    case json::value_t::string:
      return "the text " + j.dump();
    case json::value_t::boolean:
      return j.get<bool>() ? "true" : "false";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
    case json::value_t::number_float:
      return "the number " + j.dump();
    default:
      return "something else";
  }
}

std::string EscapePointerToken(std::string_view key) {
  std::string out;
  for (char c : key) {
    if (c == '~')
      out += "~0";
    else if (c == '/')
      out += "~1";
    else
      out += c;
  }
  return out;
}

// UTF-8 text of a document as the host's single-byte text (ISO-8859-1).
// Nothing when a character lies beyond U+00FF.
std::optional<std::string> ToHostText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      const unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
      if (code > 0xFF) return std::nullopt;
      out += static_cast<char>(code);
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string FromHostText(std::string_view text) {
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// One value of the document with its place, for reading and for saying what
// is wrong with it.
class Node {
 public:
  Node(const json& value, std::string path, const std::string& source)
      : value_(value), path_(std::move(path)), source_(source) {}

  const json& value() const { return value_; }
  const std::string& path() const { return path_; }

  [[noreturn]] void Fail(const std::string& what) const {
    throw BoardError(source_ + ": " + (path_.empty() ? std::string("/") : path_) + ": " + what);
  }

  // --- Structure.
  void ExpectObject(const char* what) const {
    if (!value_.is_object()) Fail("expected " + std::string(what) + " (a JSON object), found " + TypeName(value_));
  }
  void ExpectArray(const char* what) const {
    if (!value_.is_array()) Fail("expected " + std::string(what) + " (a JSON array), found " + TypeName(value_));
  }
  // Rejects any field not in the list: a misspelt field would otherwise be
  // silently left at its default.
  void AllowOnly(std::initializer_list<std::string_view> known) const {
    for (auto it = value_.begin(); it != value_.end(); ++it) {
      if (std::find(known.begin(), known.end(), it.key()) != known.end()) continue;
      std::string list;
      for (std::string_view k : known) list += (list.empty() ? "" : ", ") + std::string(k);
      Child(it.key()).Fail("unknown field (known here: " + list + ")");
    }
  }
  bool Has(std::string_view key) const { return value_.is_object() && value_.contains(key); }
  Node Child(std::string_view key) const {
    return Node(value_.at(std::string(key)), path_ + "/" + EscapePointerToken(key), source_);
  }
  std::optional<Node> Get(std::string_view key) const {
    if (!Has(key)) return std::nullopt;
    return Child(key);
  }
  std::size_t Size() const { return value_.size(); }
  Node Item(std::size_t index) const { return Node(value_.at(index), path_ + "/" + std::to_string(index), source_); }

  // --- Values.
  std::int32_t Length() const {
    if (value_.is_number_integer()) {
      const auto big = value_.is_number_unsigned() ? static_cast<long double>(value_.get<std::uint64_t>())
                                                   : static_cast<long double>(value_.get<std::int64_t>());
      if (big < std::numeric_limits<std::int32_t>::min() || big > std::numeric_limits<std::int32_t>::max())
        Fail(value_.dump() + " host units do not fit in 32 bits");
      return static_cast<std::int32_t>(big);
    }
    if (value_.is_number_float()) {
      const double d = value_.get<double>();
      if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 2147483647.0)
        Fail(
            "a number without a unit counts host units (1/10000 mil) and must be a whole number in 32 bits; "
            "found " +
            value_.dump() + " (write e.g. \"1.5mil\")");
      return static_cast<std::int32_t>(d);
    }
    if (value_.is_string()) {
      const LengthReading r = ParseLength(value_.get<std::string>());
      if (!r.value) Fail(r.error);
      return *r.value;
    }
    Fail("expected a length such as \"10mil\", \"0.254mm\" or a whole number of host units, found " + TypeName(value_));
  }
  std::int32_t Size0() const {
    const std::int32_t v = Length();
    if (v < 0) Fail("a size cannot be negative");
    return v;
  }
  double Angle() const {
    if (value_.is_number()) {
      const double d = value_.get<double>();
      if (!std::isfinite(d)) Fail("the angle is not a finite number");
      return d;
    }
    if (value_.is_string()) {
      if (auto a = ParseAngle(value_.get<std::string>())) return *a;
      Fail("\"" + value_.get<std::string>() + "\" is not an angle in degrees (write e.g. 90 or \"45.5deg\")");
    }
    Fail("expected an angle in degrees, found " + TypeName(value_));
  }
  double Real() const {
    if (!value_.is_number()) Fail("expected a number, found " + TypeName(value_));
    const double d = value_.get<double>();
    if (!std::isfinite(d)) Fail("the number is not finite");
    return d;
  }
  std::int64_t Integer(std::int64_t low, std::int64_t high) const {
    if (value_.is_number_float()) {
      const double d = value_.get<double>();
      if (std::isfinite(d) && d == std::floor(d) && d >= static_cast<double>(low) && d <= static_cast<double>(high))
        return static_cast<std::int64_t>(d);
    } else if (value_.is_number_unsigned()) {
      const auto u = value_.get<std::uint64_t>();
      if (u <= static_cast<std::uint64_t>(high) && static_cast<std::int64_t>(u) >= low)
        return static_cast<std::int64_t>(u);
    } else if (value_.is_number_integer()) {
      const auto i = value_.get<std::int64_t>();
      if (i >= low && i <= high) return i;
    } else {
      Fail("expected a whole number, found " + TypeName(value_));
    }
    Fail(value_.dump() + " is out of range (" + std::to_string(low) + ".." + std::to_string(high) + ")");
  }
  bool Bool() const {
    if (!value_.is_boolean()) Fail("expected true or false, found " + TypeName(value_));
    return value_.get<bool>();
  }
  std::string Text() const {
    if (!value_.is_string()) Fail("expected a text, found " + TypeName(value_));
    std::optional<std::string> host = ToHostText(value_.get<std::string>());
    if (!host) Fail("the text holds a character that the host's single-byte text (ISO-8859-1) cannot hold");
    return *host;
  }
  std::string NonEmptyText() const {
    std::string t = Text();
    if (t.empty()) Fail("the text must not be empty");
    return t;
  }

 private:
  const json& value_;
  std::string path_;
  const std::string& source_;
};

struct Reader {
  const std::string& source;
  Board& board;
  std::map<std::string, std::pair<Handle, std::string>> netsByName;  // name -> handle, where declared
  std::map<std::string, std::pair<Handle, std::string>> componentsByName;
  std::map<std::int32_t, Handle> rulesByValue;

  // --- References.
  LayerNumber Layer(const Node& n, int low = 1, int high = kLastLayer) const {
    int layer = -1;
    if (n.value().is_number()) {
      layer = static_cast<int>(n.Integer(-1000000, 1000000));
    } else if (n.value().is_string()) {
      const std::string text = n.value().get<std::string>();
      if (auto parsed = ParseLayerName(text)) {
        layer = *parsed;
      } else {
        // The name a document gave a stack layer.
        for (int l = 1; l <= kLastLayer && layer < 0; ++l)
          if ((board.layers[l].inStack || board.layers[l].named) && board.layers[l].name == text) layer = l;
        if (layer < 0)
          n.Fail("no layer is named \"" + text +
                 "\" (write a layer number, a name such as \"TopLayer\", \"MidLayer1\", "
                 "\"InternalPlane1\", \"KeepOutLayer\", \"MultiLayer\", or the name of a stack layer)");
      }
    } else {
      n.Fail("expected a layer (a name such as \"TopLayer\" or a number 1..82), found " + TypeName(n.value()));
    }
    if (layer < low || layer > high)
      n.Fail("layer " + std::to_string(layer) + " is out of range (" + std::to_string(low) + ".." +
             std::to_string(high) + ")");
    return static_cast<LayerNumber>(layer);
  }
  // The layer of a track, arc, text or fill: any layer 1..82, or an extended
  // signal, plane or mechanical layer ("MidLayer40", "Mechanical20").
  LayerCode ObjectLayer(const Node& n) const {
    if (n.value().is_string())
      if (auto code = ParseExtendedLayerName(n.value().get<std::string>())) return *code;
    return Layer(n);
  }
  Handle NetRef(const Node& n) const {
    const std::string name = n.Text();
    auto it = netsByName.find(name);
    if (it == netsByName.end()) n.Fail("no net is named \"" + FromHostText(name) + "\" (declare it in /nets)");
    return it->second.first;
  }
  Handle ComponentRef(const Node& n) const {
    const std::string name = n.Text();
    auto it = componentsByName.find(name);
    if (it == componentsByName.end())
      n.Fail("no component has the designator \"" + FromHostText(name) + "\" (declare it in /components)");
    return it->second.first;
  }
  Handle PlaneRule(std::int32_t value) {
    auto it = rulesByValue.find(value);
    if (it != rulesByValue.end()) return it->second;
    auto rule = std::make_unique<Rule>();
    rule->value = value;
    const Handle h = board.Add(std::move(rule)).handle;
    rulesByValue[value] = h;
    return h;
  }

  // Net, owning component, plane clearance: fields that many objects share.
  void Common(const Node& n, Object& o, Handle ownerComponent) {
    if (auto net = n.Get("net")) board.SetNet(o, NetRef(*net));
    if (auto component = n.Get("component")) {
      if (ownerComponent != 0) component->Fail("a pad inside a component belongs to that component");
      board.SetComponent(o, ComponentRef(*component));
    } else if (ownerComponent != 0) {
      board.SetComponent(o, ownerComponent);
    }
  }
  void Point(const Node& n, const char* xKey, const char* yKey, std::int32_t& x, std::int32_t& y) const {
    if (auto v = n.Get(xKey)) x = v->Length();
    if (auto v = n.Get(yKey)) y = v->Length();
  }

  // --- Sections.
  void BoardSection(const Node& n) {
    n.ExpectObject("the board's own values");
    n.AllowOnly({"text", "currentLayer", "splitPlaneMode"});
    if (auto v = n.Get("text")) board.text = v->Text();
    if (auto v = n.Get("currentLayer")) board.currentLayer = Layer(*v, 0);
    if (auto v = n.Get("splitPlaneMode")) board.splitPlaneMode = static_cast<std::uint8_t>(v->Integer(0, 255));
  }

  Dielectric ReadDielectric(const Node& n, Dielectric d) const {
    n.ExpectObject("a dielectric");
    n.AllowOnly({"height", "constant", "material", "type"});
    if (auto v = n.Get("height")) d.height = v->Size0();
    if (auto v = n.Get("constant")) d.constant = v->Real();
    if (auto v = n.Get("material")) d.material = v->Text();
    if (auto v = n.Get("type")) d.type = static_cast<std::uint8_t>(v->Integer(0, 255));
    return d;
  }

  // The stack: numbers and names first (so that objects can name stack
  // layers), plane nets once the nets are known.
  void LayersSection(const std::optional<Node>& n) {
    std::vector<LayerNumber> order;
    if (!n) {
      order = {kTopLayer, kBottomLayer};
      board.SetStack(order);
      board.layers[kTopLayer].dielectric.height = kDefaultCoreHeight;
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
      LayerEntry& e = board.layers[layer];
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
    board.SetStack(order);
    for (std::size_t i = 0; i < n->Size(); ++i)
      if (auto v = n->Item(i).Get("present")) board.layers[order[i]].present = v->Bool();
  }

  void PlaneNets(const std::optional<Node>& n) {
    if (!n) return;
    for (std::size_t i = 0; i < n->Size(); ++i) {
      if (auto v = n->Item(i).Get("net")) {
        NetRef(*v);
        board.layers[Layer(n->Item(i).Child("layer"))].planeNet = v->Text();
      }
    }
  }

  void LayerNames(const Node& n) {
    n.ExpectObject("names of layers outside the stack, by layer");
    for (auto it = n.value().begin(); it != n.value().end(); ++it) {
      const Node item = n.Child(it.key());
      const std::optional<LayerNumber> layer = ParseLayerName(it.key());
      if (!layer || *layer == 0) item.Fail("\"" + it.key() + "\" names no layer (write e.g. \"Mechanical1\")");
      if (board.layers[*layer].inStack)
        item.Fail("layer " + LayerKeyName(*layer) + " is a stack layer; name it in /layers");
      board.layers[*layer].name = item.NonEmptyText();
      board.layers[*layer].named = true;
      board.layers[*layer].present = true;
    }
  }

  void LayerPairs(const std::optional<Node>& n) {
    if (!n) {
      std::vector<LayerNumber> signals;
      for (LayerNumber l : board.StackOrder())
        if (IsSignalLayer(l)) signals.push_back(l);
      if (signals.size() >= 2) board.layerPairs.push_back({signals.front(), signals.back(), 0, 0});
      return;
    }
    n->ExpectArray("drill layer pairs");
    for (std::size_t i = 0; i < n->Size(); ++i) {
      const Node pair = n->Item(i);
      if (!pair.value().is_array() || pair.Size() != 2) pair.Fail("a layer pair is an array of two layers");
      board.layerPairs.push_back({Layer(pair.Item(0)), Layer(pair.Item(1)), 0, 0});
    }
  }

  void ExternalDielectrics(const Node& n) {
    n.ExpectObject("the dielectrics outside the copper");
    n.AllowOnly({"top", "bottom"});
    for (const char* side : {"top", "bottom"}) {
      auto v = n.Get(side);
      if (!v) continue;
      ExternalDielectric& d = std::strcmp(side, "top") == 0 ? board.topDielectric : board.bottomDielectric;
      Dielectric in{d.height, d.constant, d.material, d.type};
      in = ReadDielectric(*v, in);
      d = {in.material, in.type, in.constant, in.height};
    }
  }

  void Rules(const std::optional<Node>& n) {
    std::optional<std::int32_t> clearance = kDefaultPlaneClearance;
    if (n) {
      n->ExpectObject("board-wide rules");
      n->AllowOnly({"planeExpansion", "planeConnectStyle"});
      if (auto v = n->Get("planeExpansion"))
        clearance = v->value().is_null() ? std::nullopt : std::optional(v->Length());
      if (auto v = n->Get("planeConnectStyle")) board.planeConnectStyle = PlaneStyle(*v);
    }
    if (clearance) board.planeRule = PlaneRule(*clearance);
  }

  static std::int32_t PlaneStyle(const Node& n) {
    if (n.value().is_number()) return static_cast<std::int32_t>(n.Integer(0, 255));
    const std::string s = n.value().is_string() ? n.value().get<std::string>() : std::string();
    if (s == "relief") return kPlaneStyleRelief;
    if (s == "direct") return kPlaneStyleDirect;
    if (s == "none") return kPlaneStyleNone;
    n.Fail("expected a connection style: \"relief\", \"direct\", \"none\" or a host style number, found " +
           TypeName(n.value()));
  }

  void Options(const Node& n) {
    n.ExpectObject("the board's option values");
    n.AllowOnly({"grids", "output", "gerber", "printer", "placer", "changeOrder", "yieldPerLayer"});
    if (auto v = n.Get("yieldPerLayer")) board.yieldPerLayer = v->Bool();
    if (auto v = n.Get("grids")) {
      Record r;
      for (double d : Numbers(*v, 14)) Append(r, d);
      board.records[kRecordGrids] = r;
    }
    const std::pair<const char*, std::pair<BoardRecordKey, std::size_t>> blocks[] = {
        {"output", {kRecordOutputOptions, 24}},
        {"gerber", {kRecordGerberOptions, 19}},
        {"printer", {kRecordPrinterOptions, 26}},
        {"placer", {kRecordPlacerOptions, 6}},
        {"changeOrder", {kRecordChangeOrderOptions, 2}}};
    for (const auto& [key, block] : blocks) {
      auto v = n.Get(key);
      if (!v) continue;
      Record r;
      v->ExpectArray("option values");
      if (v->Size() != block.second) v->Fail("expected " + std::to_string(block.second) + " values");
      for (std::size_t i = 0; i < v->Size(); ++i)
        Append(r, static_cast<std::int32_t>(v->Item(i).Integer(std::numeric_limits<std::int32_t>::min(),
                                                               std::numeric_limits<std::int32_t>::max())));
      board.records[block.first] = r;
    }
  }
  static std::vector<double> Numbers(const Node& n, std::size_t count) {
    n.ExpectArray("numbers");
    if (n.Size() != count) n.Fail("expected " + std::to_string(count) + " numbers");
    std::vector<double> out;
    for (std::size_t i = 0; i < n.Size(); ++i) out.push_back(n.Item(i).Real());
    return out;
  }
  template <typename T>
  static void Append(Record& r, T value) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
    r.insert(r.end(), p, p + sizeof value);
  }

  void Nets(const Node& n) {
    n.ExpectArray("the nets");
    for (std::size_t i = 0; i < n.Size(); ++i) {
      const Node item = n.Item(i);
      std::string name;
      if (item.value().is_object()) {
        item.AllowOnly({"name"});
        if (!item.Has("name")) item.Fail("a net needs \"name\"");
        name = item.Child("name").NonEmptyText();
      } else {
        name = item.NonEmptyText();
      }
      if (auto prev = netsByName.find(name); prev != netsByName.end())
        item.Fail("a second net is named \"" + FromHostText(name) + "\" (the first at " + prev->second.second + ")");
      auto net = std::make_unique<Net>();
      net->name = name;
      netsByName[name] = {board.Add(std::move(net)).handle, item.path()};
    }
  }

  void Classes(const Node& n) {
    n.ExpectArray("object classes");
    for (std::size_t i = 0; i < n.Size(); ++i) {
      const Node item = n.Item(i);
      item.ExpectObject("an object class");
      item.AllowOnly({"name", "members"});
      auto c = std::make_unique<ObjectClass>();
      if (!item.Has("name")) item.Fail("a class needs \"name\"");
      c->name = item.Child("name").NonEmptyText();
      if (auto members = item.Get("members")) {
        members->ExpectArray("the member names");
        for (std::size_t m = 0; m < members->Size(); ++m) c->members.push_back(members->Item(m).Text());
      }
      board.Add(std::move(c));
    }
  }

  Handle AddText(const std::string& text, const Component& owner, LayerNumber layer) {
    auto t = std::make_unique<Text>();
    t->text = text;
    t->x = owner.x;
    t->y = owner.y;
    t->height = kDefaultTextHeight;
    t->width = kDefaultLineWidth;
    t->layer = layer;
    t->component = owner.handle;
    return board.Add(std::move(t)).handle;
  }

  void Components(const Node& n) {
    n.ExpectArray("the components");
    for (std::size_t i = 0; i < n.Size(); ++i) {
      const Node item = n.Item(i);
      item.ExpectObject("a component");
      item.AllowOnly({"designator", "comment", "footprint", "x", "y", "rotation", "side", "pads"});
      if (!item.Has("designator")) item.Fail("a component needs \"designator\"");
      const std::string designator = item.Child("designator").NonEmptyText();
      if (auto prev = componentsByName.find(designator); prev != componentsByName.end())
        item.Child("designator")
            .Fail("a second component has the designator \"" + FromHostText(designator) + "\" (the first at " +
                  prev->second.second + ")");
      auto c = std::make_unique<Component>();
      c->layer = kTopLayer;
      if (auto v = item.Get("side")) {
        const std::string side = v->value().is_string() ? v->value().get<std::string>() : std::string();
        if (side == "bottom")
          c->layer = kBottomLayer;
        else if (side != "top")
          v->Fail("expected \"top\" or \"bottom\", found " + TypeName(v->value()));
      }
      Point(item, "x", "y", c->x, c->y);
      if (auto v = item.Get("rotation")) c->rotation = v->Angle();
      if (auto v = item.Get("footprint")) c->footprint = v->Text();
      const std::string comment = item.Has("comment") ? item.Child("comment").Text() : std::string();
      Component& comp = board.Add(std::move(c));
      componentsByName[designator] = {comp.handle, item.path()};
      const bool bottom = comp.layer == kBottomLayer;
      comp.designator = AddText(designator, comp, bottom ? kBottomOverlay : kTopOverlay);
      comp.comment = AddText(comment, comp, bottom ? kBottomOverlay : kTopOverlay);
      if (auto pads = item.Get("pads")) {
        pads->ExpectArray("the component's pads");
        for (std::size_t p = 0; p < pads->Size(); ++p) AddPad(pads->Item(p), &comp);
      }
    }
  }

  PadShape ReadPadShape(const Node& n, PadShape s) const {
    n.ExpectObject("a pad shape");
    n.AllowOnly({"shape", "size", "cornerPercent"});
    if (auto v = n.Get("shape")) s.shape = Shape(*v);
    if (auto v = n.Get("size")) ReadSize(*v, s.xSize, s.ySize);
    if (auto v = n.Get("cornerPercent")) s.cornerPercent = static_cast<std::uint8_t>(v->Integer(0, 100));
    return s;
  }
  static std::uint8_t Shape(const Node& n) {
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
  static void ReadSize(const Node& n, std::int32_t& x, std::int32_t& y) {
    if (n.value().is_array()) {
      if (n.Size() != 2) n.Fail("a size is one length or an array of two (x and y)");
      x = n.Item(0).Size0();
      y = n.Item(1).Size0();
    } else {
      x = y = n.Size0();
    }
  }

  void AddPad(const Node& n, Component* owner) {
    n.ExpectObject("a pad");
    n.AllowOnly({"name", "x", "y", "layer", "net", "component", "hole", "shape", "size", "cornerPercent", "top", "mid",
                 "bottom", "rotation", "stackMode", "layers", "planeConnection", "planeExpansion"});
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
    p.top = n.Has("top") ? ReadPadShape(n.Child("top"), all) : all;
    p.mid = n.Has("mid") ? ReadPadShape(n.Child("mid"), all) : all;
    p.bottom = n.Has("bottom") ? ReadPadShape(n.Child("bottom"), all) : all;
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
    p.layer = n.Has("layer") ? Layer(n.Child("layer")) : (p.hole > 0 ? kMultiLayer : side);
    if (auto v = n.Get("planeConnection")) p.planeConnection = PadPlaneConnection(*v);
    if (auto v = n.Get("planeExpansion")) p.planeRule = PlaneRule(v->Length());
    Common(n, p, owner != nullptr ? owner->handle : 0);
    board.Add(std::move(pad));
  }
  static std::uint8_t StackMode(const Node& n) {
    if (n.value().is_number()) return static_cast<std::uint8_t>(n.Integer(0, 255));
    const std::string s = n.value().is_string() ? n.value().get<std::string>() : std::string();
    if (s == "simple") return 0;
    if (s == "topMiddleBottom") return 1;
    if (s == "fullStack") return 2;
    n.Fail("expected a stack mode: \"simple\", \"topMiddleBottom\", \"fullStack\" or a host number, found " +
           TypeName(n.value()));
  }
  std::uint8_t PadPlaneConnection(const Node& n) const {
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

  void Vias(const Node& n) {
    n.ExpectArray("the vias");
    for (std::size_t i = 0; i < n.Size(); ++i) {
      const Node item = n.Item(i);
      item.ExpectObject("a via");
      item.AllowOnly({"x", "y", "net", "size", "hole", "from", "to", "stackMode", "layers", "planes", "reaches",
                      "planeExpansion"});
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
                                       : (c.connects ? board.planeConnectStyle : kPlaneStyleNone);
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
      board.Add(std::move(via));
    }
  }

  // Tracks and arcs of the document's track and arc lists, and of the
  // outline (always on the keep-out layer).
  void AddTrack(const Node& n, std::optional<LayerNumber> fixedLayer) {
    n.ExpectObject("a track");
    if (fixedLayer)
      n.AllowOnly({"x1", "y1", "x2", "y2", "width"});
    else
      n.AllowOnly({"x1", "y1", "x2", "y2", "width", "layer", "net", "component"});
    auto t = std::make_unique<Track>();
    Point(n, "x1", "y1", t->x, t->y);
    Point(n, "x2", "y2", t->x2, t->y2);
    t->width = n.Has("width") ? n.Child("width").Size0() : kDefaultLineWidth;
    t->layer = fixedLayer ? *fixedLayer : (n.Has("layer") ? ObjectLayer(n.Child("layer")) : kTopLayer);
    Common(n, *t, 0);
    board.Add(std::move(t));
  }
  void AddArc(const Node& n, std::optional<LayerNumber> fixedLayer) {
    n.ExpectObject("an arc");
    if (fixedLayer)
      n.AllowOnly({"x", "y", "radius", "startAngle", "endAngle", "width"});
    else
      n.AllowOnly({"x", "y", "radius", "startAngle", "endAngle", "width", "layer", "net", "component"});
    auto a = std::make_unique<Arc>();
    Point(n, "x", "y", a->x, a->y);
    if (auto v = n.Get("radius")) a->radius = v->Size0();
    if (auto v = n.Get("startAngle")) a->startAngle = v->Angle();
    a->endAngle = n.Has("endAngle") ? n.Child("endAngle").Angle() : 360.0;
    a->width = n.Has("width") ? n.Child("width").Size0() : kDefaultLineWidth;
    a->layer = fixedLayer ? *fixedLayer : (n.Has("layer") ? ObjectLayer(n.Child("layer")) : kTopLayer);
    Common(n, *a, 0);
    board.Add(std::move(a));
  }
  void Outline(const Node& n) {
    n.ExpectArray("the board outline (tracks and arcs on the keep-out layer)");
    for (std::size_t i = 0; i < n.Size(); ++i) {
      const Node item = n.Item(i);
      if (item.Has("radius"))
        AddArc(item, kKeepOutLayer);
      else
        AddTrack(item, kKeepOutLayer);
    }
  }

  void Texts(const Node& n) {
    n.ExpectArray("the texts");
    for (std::size_t i = 0; i < n.Size(); ++i) {
      const Node item = n.Item(i);
      item.ExpectObject("a text");
      item.AllowOnly({"x", "y", "text", "height", "width", "rotation", "layer", "component"});
      auto t = std::make_unique<Text>();
      Point(item, "x", "y", t->x, t->y);
      if (auto v = item.Get("text")) t->text = v->Text();
      t->height = item.Has("height") ? item.Child("height").Size0() : kDefaultTextHeight;
      t->width = item.Has("width") ? item.Child("width").Size0() : kDefaultLineWidth;
      if (auto v = item.Get("rotation")) t->rotation = v->Angle();
      t->layer = item.Has("layer") ? ObjectLayer(item.Child("layer")) : kTopOverlay;
      Common(item, *t, 0);
      board.Add(std::move(t));
    }
  }

  void Fills(const Node& n) {
    n.ExpectArray("the fills");
    for (std::size_t i = 0; i < n.Size(); ++i) {
      const Node item = n.Item(i);
      item.ExpectObject("a fill");
      item.AllowOnly({"x1", "y1", "x2", "y2", "rotation", "layer", "net", "component"});
      auto f = std::make_unique<Fill>();
      Point(item, "x1", "y1", f->x, f->y);
      Point(item, "x2", "y2", f->x2, f->y2);
      if (auto v = item.Get("rotation")) f->rotation = v->Angle();
      f->layer = item.Has("layer") ? ObjectLayer(item.Child("layer")) : kTopLayer;
      Common(item, *f, 0);
      board.Add(std::move(f));
    }
  }

  // Objects of the kinds that have no list of their own: regions, polygons,
  // split planes, dimensions, bodies and the like.
  void Objects(const Node& n) {
    n.ExpectArray("other objects");
    for (std::size_t i = 0; i < n.Size(); ++i) {
      const Node item = n.Item(i);
      item.ExpectObject("an object");
      item.AllowOnly({"kind", "x", "y", "layer", "net", "component"});
      if (!item.Has("kind")) item.Fail("an object needs \"kind\" (e.g. \"region\", \"polygon\", \"splitPlane\")");
      const Node kindNode = item.Child("kind");
      std::optional<Kind> kind;
      if (kindNode.value().is_string())
        kind = ParseKindName(kindNode.value().get<std::string>());
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
      board.Add(std::move(o));
    }
  }

  void Document(const Node& root) {
    root.ExpectObject("a board document");
    root.AllowOnly({"description", "board", "layers", "layerNames", "layerPairs", "externalDielectrics", "rules",
                    "options", "nets", "classes", "components", "pads", "vias", "tracks", "arcs", "texts", "fills",
                    "objects", "outline"});
    if (auto v = root.Get("description"); v && !v->value().is_string()) v->Fail("expected a text");
    if (auto v = root.Get("board")) BoardSection(*v);
    LayersSection(root.Get("layers"));
    if (auto v = root.Get("layerNames")) LayerNames(*v);
    if (auto v = root.Get("externalDielectrics")) ExternalDielectrics(*v);
    if (auto v = root.Get("nets")) Nets(*v);
    PlaneNets(root.Get("layers"));
    Rules(root.Get("rules"));
    if (auto v = root.Get("classes")) Classes(*v);
    if (auto v = root.Get("components")) Components(*v);
    if (auto v = root.Get("pads")) {
      v->ExpectArray("the pads");
      for (std::size_t i = 0; i < v->Size(); ++i) AddPad(v->Item(i), nullptr);
    }
    if (auto v = root.Get("vias")) Vias(*v);
    if (auto v = root.Get("tracks")) {
      v->ExpectArray("the tracks");
      for (std::size_t i = 0; i < v->Size(); ++i) AddTrack(v->Item(i), std::nullopt);
    }
    if (auto v = root.Get("arcs")) {
      v->ExpectArray("the arcs");
      for (std::size_t i = 0; i < v->Size(); ++i) AddArc(v->Item(i), std::nullopt);
    }
    if (auto v = root.Get("outline")) Outline(*v);
    if (auto v = root.Get("texts")) Texts(*v);
    if (auto v = root.Get("fills")) Fills(*v);
    if (auto v = root.Get("objects")) Objects(*v);
    LayerPairs(root.Get("layerPairs"));
    if (auto v = root.Get("options")) Options(*v);
  }
};

// "[json.exception.parse_error.101] parse error at line 3, column 5: ..." ->
// "parse error at line 3, column 5: ..."
std::string ParseErrorText(const std::string& what) {
  const std::size_t end = what.find("] ");
  return end == std::string::npos ? what : what.substr(end + 2);
}

}  // namespace

std::unique_ptr<Board> LoadBoardText(std::string_view text, const std::string& sourceName) {
  json document;
  try {
    document = json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/true, /*ignore_comments=*/true);
  } catch (const json::exception& e) {
    throw BoardError(sourceName + ": not a JSON document: " + ParseErrorText(e.what()));
  }
  auto board = std::make_unique<Board>();
  Reader reader{sourceName, *board, {}, {}, {}};
  try {
    reader.Document(Node(document, "", sourceName));
  } catch (const json::exception& e) {
    // Only a fault of the reader itself gets here; still name the document.
    throw BoardError(sourceName + ": " + ParseErrorText(e.what()));
  }
  return board;
}

std::unique_ptr<Board> LoadBoardFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BoardError(path + ": cannot open the board document");
  // Read in one piece into one string: a large document is not copied.
  std::string text;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > 0) {
    if (size > static_cast<std::streamoff>(std::numeric_limits<std::streamsize>::max()))
      throw BoardError(path + ": the board document is too large");
    text.resize(static_cast<std::size_t>(size));
    in.read(text.data(), static_cast<std::streamsize>(size));
    if (in.gcount() != static_cast<std::streamsize>(size)) throw BoardError(path + ": cannot read the board document");
  } else {  // a stream without a size (a pipe): read to its end
    in.clear();
    std::ostringstream rest;
    rest << in.rdbuf();
    text = rest.str();
  }
  if (in.bad()) throw BoardError(path + ": cannot read the board document");
  return LoadBoardText(text, path);
}

// ---------------------------------------------------------------------------
// Saving.
namespace {

using ojson = nlohmann::ordered_json;

ojson LayerJson(int layer) { return LayerKeyName(layer); }
ojson Len(std::int32_t v) { return FormatLengthMil(v); }
ojson Txt(const std::string& host) { return FromHostText(host); }

ojson DielectricJson(std::int32_t height, double constant, const std::string& material, std::uint8_t type) {
  return ojson{{"height", Len(height)}, {"constant", constant}, {"material", Txt(material)}, {"type", type}};
}

ojson PadShapeJson(const PadShape& s) {
  return ojson{
      {"shape", s.shape}, {"size", ojson::array({Len(s.xSize), Len(s.ySize)})}, {"cornerPercent", s.cornerPercent}};
}

struct Writer {
  const Board& board;

  std::string NetOf(const Object& o) const { return board.NetName(o.net); }
  std::string DesignatorOf(Handle component) const {
    const auto* c = board.FindAs<Component>(component, Kind::Component);
    const auto* t = c != nullptr ? board.FindAs<Text>(c->designator, Kind::Text) : nullptr;
    return t != nullptr ? t->text : std::string();
  }
  void Common(ojson& j, const Object& o, bool withComponent) const {
    if (o.net != 0) j["net"] = Txt(NetOf(o));
    if (withComponent && o.component != 0) j["component"] = Txt(DesignatorOf(o.component));
    if (o.planeRule != 0)
      if (const auto* r = board.FindAs<Rule>(o.planeRule, Kind::Rule)) j["planeExpansion"] = Len(r->value);
  }

  ojson PadJson(const Pad& p, bool withComponent) const {
    ojson j{{"name", Txt(p.name)},
            {"x", Len(p.x)},
            {"y", Len(p.y)},
            {"layer", LayerJson(static_cast<int>(p.layer))},
            {"hole", Len(p.hole)},
            {"rotation", p.rotation},
            {"top", PadShapeJson(p.top)},
            {"mid", PadShapeJson(p.mid)},
            {"bottom", PadShapeJson(p.bottom)},
            {"stackMode", p.stackMode}};
    if (!p.layerOverrides.empty()) {
      ojson layers = ojson::array();
      for (const PadLayerOverride& o : p.layerOverrides) {
        ojson e{{"layer", LayerJson(o.layer)}};
        if (o.shape) e["shape"] = *o.shape;
        if (o.xSize || o.ySize) e["size"] = ojson::array({Len(o.xSize.value_or(0)), Len(o.ySize.value_or(0))});
        if (o.cornerRadius) e["cornerRadius"] = Len(*o.cornerRadius);
        if (o.cornerPercent) e["cornerPercent"] = *o.cornerPercent;
        layers.push_back(e);
      }
      j["layers"] = layers;
    }
    if (p.planeConnection) j["planeConnection"] = *p.planeConnection;
    Common(j, p, withComponent);
    return j;
  }

  ojson Save() const {
    ojson doc;
    doc["board"] = {{"text", Txt(board.text)},
                    {"currentLayer",
                     LayerJson(board.currentLayer <= kLastLayer ? static_cast<int>(board.currentLayer) : kTopLayer)},
                    {"splitPlaneMode", board.splitPlaneMode}};
    ojson layers = ojson::array();
    for (LayerNumber l : board.StackOrder()) {
      const LayerEntry& e = board.layers[l];
      ojson j{{"layer", LayerJson(l)},
              {"name", Txt(e.name)},
              {"copper", Len(e.copper)},
              {"dielectric",
               DielectricJson(e.dielectric.height, e.dielectric.constant, e.dielectric.material, e.dielectric.type)}};
      if (IsPlaneLayer(l) && board.FindNet(e.planeNet) != 0) j["net"] = Txt(e.planeNet);
      if (!e.present) j["present"] = false;
      layers.push_back(j);
    }
    doc["layers"] = layers;
    ojson names = ojson::object();
    for (int l = 1; l <= kLastLayer; ++l)
      if (board.layers[l].named && !board.layers[l].inStack) names[LayerKeyName(l)] = Txt(board.layers[l].name);
    if (!names.empty()) doc["layerNames"] = names;
    ojson pairs = ojson::array();
    for (const LayerPair& p : board.layerPairs)
      if (p.first >= 1 && p.first <= kLastLayer && p.second >= 1 && p.second <= kLastLayer)
        pairs.push_back(ojson::array({LayerJson(static_cast<int>(p.first)), LayerJson(static_cast<int>(p.second))}));
    doc["layerPairs"] = pairs;
    const ExternalDielectric& t = board.topDielectric;
    const ExternalDielectric& b = board.bottomDielectric;
    doc["externalDielectrics"] = {{"top", DielectricJson(t.height, t.constant, t.material, t.type)},
                                  {"bottom", DielectricJson(b.height, b.constant, b.material, b.type)}};
    ojson rules;
    const auto* rule = board.FindAs<Rule>(board.planeRule, Kind::Rule);
    rules["planeExpansion"] = rule != nullptr ? Len(rule->value) : ojson(nullptr);
    rules["planeConnectStyle"] = board.planeConnectStyle;
    doc["rules"] = rules;
    SaveOptions(doc);

    ojson nets = ojson::array(), classes = ojson::array(), components = ojson::array(), pads = ojson::array(),
          vias = ojson::array(), tracks = ojson::array(), arcs = ojson::array(), texts = ojson::array(),
          fills = ojson::array(), objects = ojson::array();
    for (std::size_t i = 0; i < board.ObjectCount(); ++i) {
      const Object& o = *board.Find(kFirstObjectHandle + static_cast<Handle>(i));
      switch (o.kind) {
        case Kind::Net:
          nets.push_back(Txt(static_cast<const Net&>(o).name));
          break;
        case Kind::ObjectClass: {
          const auto& c = static_cast<const ObjectClass&>(o);
          ojson members = ojson::array();
          for (const std::string& m : c.members) members.push_back(Txt(m));
          classes.push_back({{"name", Txt(c.name)}, {"members", members}});
          break;
        }
        case Kind::Component:
          components.push_back(ComponentJson(static_cast<const Component&>(o)));
          break;
        case Kind::Pad:
          if (o.component == 0) pads.push_back(PadJson(static_cast<const Pad&>(o), true));
          break;
        case Kind::Via:
          vias.push_back(ViaJson(static_cast<const Via&>(o)));
          break;
        case Kind::Track: {
          const auto& tr = static_cast<const Track&>(o);
          ojson j{{"x1", Len(tr.x)},  {"y1", Len(tr.y)},        {"x2", Len(tr.x2)},
                  {"y2", Len(tr.y2)}, {"width", Len(tr.width)}, {"layer", ObjectLayerName(tr.layer)}};
          Common(j, tr, true);
          tracks.push_back(j);
          break;
        }
        case Kind::Arc: {
          const auto& a = static_cast<const Arc&>(o);
          ojson j{{"x", Len(a.x)},
                  {"y", Len(a.y)},
                  {"radius", Len(a.radius)},
                  {"startAngle", a.startAngle},
                  {"endAngle", a.endAngle},
                  {"width", Len(a.width)},
                  {"layer", ObjectLayerName(a.layer)}};
          Common(j, a, true);
          arcs.push_back(j);
          break;
        }
        case Kind::Text: {
          const auto& tx = static_cast<const Text&>(o);
          const auto* owner = board.FindAs<Component>(tx.component, Kind::Component);
          if (owner != nullptr && (owner->designator == tx.handle || owner->comment == tx.handle)) break;
          ojson j{{"x", Len(tx.x)},
                  {"y", Len(tx.y)},
                  {"text", Txt(tx.text)},
                  {"height", Len(tx.height)},
                  {"width", Len(tx.width)},
                  {"rotation", tx.rotation},
                  {"layer", ObjectLayerName(tx.layer)}};
          Common(j, tx, true);
          texts.push_back(j);
          break;
        }
        case Kind::Fill: {
          const auto& f = static_cast<const Fill&>(o);
          ojson j{{"x1", Len(f.x)},  {"y1", Len(f.y)},         {"x2", Len(f.x2)},
                  {"y2", Len(f.y2)}, {"rotation", f.rotation}, {"layer", ObjectLayerName(f.layer)}};
          Common(j, f, true);
          fills.push_back(j);
          break;
        }
        case Kind::Rule:
          break;  // saved with their users
        default: {
          ojson j{{"kind",
                   KindName(o.kind).empty() ? ojson(static_cast<int>(o.kind)) : ojson(std::string(KindName(o.kind)))},
                  {"x", Len(o.x)},
                  {"y", Len(o.y)}};
          if (o.layer >= 1 && o.layer <= kLastLayer) j["layer"] = LayerJson(static_cast<int>(o.layer));
          Common(j, o, true);
          objects.push_back(j);
        }
      }
    }
    doc["nets"] = nets;
    doc["classes"] = classes;
    doc["components"] = components;
    doc["pads"] = pads;
    doc["vias"] = vias;
    doc["tracks"] = tracks;
    doc["arcs"] = arcs;
    doc["texts"] = texts;
    doc["fills"] = fills;
    doc["objects"] = objects;
    return doc;
  }

  ojson ComponentJson(const Component& c) const {
    const auto* comment = board.FindAs<Text>(c.comment, Kind::Text);
    ojson j{{"designator", Txt(DesignatorOf(c.handle))},
            {"comment", Txt(comment != nullptr ? comment->text : std::string())},
            {"footprint", Txt(c.footprint)},
            {"x", Len(c.x)},
            {"y", Len(c.y)},
            {"rotation", c.rotation},
            {"side", c.layer == kBottomLayer ? "bottom" : "top"}};
    ojson pads = ojson::array();
    for (Handle h : board.MembersOf(c.handle))
      if (const auto* p = board.FindAs<Pad>(h, Kind::Pad)) pads.push_back(PadJson(*p, false));
    j["pads"] = pads;
    return j;
  }

  ojson ViaJson(const Via& v) const {
    ojson j{{"x", Len(v.x)},
            {"y", Len(v.y)},
            {"size", Len(v.size)},
            {"hole", Len(v.hole)},
            {"from", LayerJson(v.lowLayer)},
            {"to", LayerJson(v.highLayer)},
            {"stackMode", v.stackMode}};
    if (!v.sizeOverrides.empty() || !v.ySizeOverrides.empty() || !v.shapeOverrides.empty()) {
      ojson layers = ojson::array();
      for (const auto& [l, size] : v.sizeOverrides) layers.push_back({{"layer", LayerJson(l)}, {"size", Len(size)}});
      for (const auto& [l, size] : v.ySizeOverrides) layers.push_back({{"layer", LayerJson(l)}, {"ySize", Len(size)}});
      for (const auto& [l, shape] : v.shapeOverrides) layers.push_back({{"layer", LayerJson(l)}, {"shape", shape}});
      j["layers"] = layers;
    }
    if (!v.planeOverrides.empty()) {
      ojson planes = ojson::array();
      for (const ViaPlaneConnection& c : v.planeOverrides)
        planes.push_back({{"layer", LayerJson(c.layer)}, {"connects", c.connects}, {"style", c.style}});
      j["planes"] = planes;
    }
    if (v.reaches) {
      ojson reaches = ojson::array();
      for (LayerNumber l : *v.reaches) reaches.push_back(LayerJson(l));
      j["reaches"] = reaches;
    }
    Common(j, v, false);
    return j;
  }

  void SaveOptions(ojson& doc) const {
    ojson options = ojson::object();
    if (auto it = board.records.find(kRecordGrids);
        it != board.records.end() && it->second.size() == 14 * sizeof(double)) {
      ojson grids = ojson::array();
      for (std::size_t i = 0; i < 14; ++i) {
        double d = 0;
        std::memcpy(&d, it->second.data() + i * sizeof d, sizeof d);
        grids.push_back(d);
      }
      options["grids"] = grids;
    }
    const std::pair<const char*, std::pair<BoardRecordKey, std::size_t>> blocks[] = {
        {"output", {kRecordOutputOptions, 24}},
        {"gerber", {kRecordGerberOptions, 19}},
        {"printer", {kRecordPrinterOptions, 26}},
        {"placer", {kRecordPlacerOptions, 6}},
        {"changeOrder", {kRecordChangeOrderOptions, 2}}};
    for (const auto& [key, block] : blocks) {
      auto it = board.records.find(block.first);
      if (it == board.records.end() || it->second.size() != block.second * sizeof(std::int32_t)) continue;
      ojson values = ojson::array();
      for (std::size_t i = 0; i < block.second; ++i) {
        std::int32_t v = 0;
        std::memcpy(&v, it->second.data() + i * sizeof v, sizeof v);
        values.push_back(v);
      }
      options[key] = values;
    }
    if (board.yieldPerLayer) options["yieldPerLayer"] = true;
    if (!options.empty()) doc["options"] = options;
  }
};

}  // namespace

std::string SaveBoardText(const Board& board) { return Writer{board}.Save().dump(2) + "\n"; }

void SaveBoardFile(const Board& board, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw BoardError(path + ": cannot create the file");
  out << SaveBoardText(board);
  out.close();
  if (!out) throw BoardError(path + ": cannot write the file");
}

}  // namespace sim
