// Saving board documents: the board as the document that LoadBoardText reads
// back to the same board.
#include <array>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "sim/board/BoardJson.h"
#include "sim/board/HostText.h"
#include "sim/board/Units.h"

namespace sim {
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

  // The document, one section after the other in the order a saved document
  // has always had them.
  ojson Save() const {
    ojson doc;
    doc["board"] = BoardJson();
    doc["layers"] = LayersJson();
    if (ojson names = LayerNamesJson(); !names.empty()) doc["layerNames"] = names;
    doc["layerPairs"] = LayerPairsJson();
    doc["externalDielectrics"] = ExternalDielectricsJson();
    doc["rules"] = RulesJson();
    if (ojson options = OptionsJson(); !options.empty()) doc["options"] = options;
    ObjectLists(doc);
    return doc;
  }

  ojson BoardJson() const {
    return {{"text", Txt(board.text)},
            {"currentLayer",
             LayerJson(board.currentLayer <= kLastLayer ? static_cast<int>(board.currentLayer) : kTopLayer)},
            {"splitPlaneMode", board.splitPlaneMode}};
  }

  ojson LayersJson() const {
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
    return layers;
  }

  ojson LayerNamesJson() const {
    ojson names = ojson::object();
    for (int l = 1; l <= kLastLayer; ++l)
      if (board.layers[l].named && !board.layers[l].inStack) names[LayerKeyName(l)] = Txt(board.layers[l].name);
    return names;
  }

  ojson LayerPairsJson() const {
    ojson pairs = ojson::array();
    for (const LayerPair& p : board.layerPairs)
      if (p.first >= 1 && p.first <= kLastLayer && p.second >= 1 && p.second <= kLastLayer)
        pairs.push_back(ojson::array({LayerJson(static_cast<int>(p.first)), LayerJson(static_cast<int>(p.second))}));
    return pairs;
  }

  ojson ExternalDielectricsJson() const {
    const ExternalDielectric& t = board.topDielectric;
    const ExternalDielectric& b = board.bottomDielectric;
    return {{"top", DielectricJson(t.height, t.constant, t.material, t.type)},
            {"bottom", DielectricJson(b.height, b.constant, b.material, b.type)}};
  }

  ojson RulesJson() const {
    ojson rules;
    const auto* rule = board.FindAs<Rule>(board.planeRule, Kind::Rule);
    rules["planeExpansion"] = rule != nullptr ? Len(rule->value) : ojson(nullptr);
    rules["planeConnectStyle"] = board.planeConnectStyle;
    return rules;
  }

  // The object lists, each object in its list in handle order. Rules are
  // saved with their users; a component's texts and pads with it.
  void ObjectLists(ojson& doc) const {
    enum List : std::uint8_t { Nets, Classes, Components, Pads, Vias, Tracks, Arcs, Texts, Fills, Objects, kCount };
    static constexpr const char* kNames[kCount] = {"nets",   "classes", "components", "pads",  "vias",
                                                   "tracks", "arcs",    "texts",      "fills", "objects"};
    std::array<ojson, kCount> lists;
    lists.fill(ojson::array());
    for (std::size_t i = 0; i < board.ObjectCount(); ++i) {
      const Object& o = *board.Find(kFirstObjectHandle + static_cast<Handle>(i));
      const auto add = [&](List list, ojson j) { lists[list].push_back(std::move(j)); };
      switch (o.kind) {
        case Kind::Net:
          add(Nets, Txt(static_cast<const Net&>(o).name));
          break;
        case Kind::ObjectClass:
          add(Classes, ClassJson(static_cast<const ObjectClass&>(o)));
          break;
        case Kind::Component:
          add(Components, ComponentJson(static_cast<const Component&>(o)));
          break;
        case Kind::Pad:
          if (o.component == 0) add(Pads, PadJson(static_cast<const Pad&>(o), true));
          break;
        case Kind::Via:
          add(Vias, ViaJson(static_cast<const Via&>(o)));
          break;
        case Kind::Track:
          add(Tracks, TrackJson(static_cast<const Track&>(o)));
          break;
        case Kind::Arc:
          add(Arcs, ArcJson(static_cast<const Arc&>(o)));
          break;
        case Kind::Text:
          if (!IsComponentText(static_cast<const Text&>(o))) add(Texts, TextJson(static_cast<const Text&>(o)));
          break;
        case Kind::Fill:
          add(Fills, FillJson(static_cast<const Fill&>(o)));
          break;
        case Kind::Rule:
          break;
        default:
          add(Objects, OtherJson(o));
      }
    }
    for (int l = 0; l < kCount; ++l) doc[kNames[l]] = std::move(lists[l]);
  }

  static ojson ClassJson(const ObjectClass& c) {
    ojson members = ojson::array();
    for (const std::string& m : c.members) members.push_back(Txt(m));
    return {{"name", Txt(c.name)}, {"members", members}};
  }

  ojson TrackJson(const Track& tr) const {
    ojson j{{"x1", Len(tr.x)},  {"y1", Len(tr.y)},        {"x2", Len(tr.x2)},
            {"y2", Len(tr.y2)}, {"width", Len(tr.width)}, {"layer", ObjectLayerName(tr.layer)}};
    Common(j, tr, true);
    return j;
  }

  ojson ArcJson(const Arc& a) const {
    ojson j{{"x", Len(a.x)},
            {"y", Len(a.y)},
            {"radius", Len(a.radius)},
            {"startAngle", a.startAngle},
            {"endAngle", a.endAngle},
            {"width", Len(a.width)},
            {"layer", ObjectLayerName(a.layer)}};
    Common(j, a, true);
    return j;
  }

  // A component's designator and comment, saved as the component's own
  // values.
  bool IsComponentText(const Text& tx) const {
    const auto* owner = board.FindAs<Component>(tx.component, Kind::Component);
    return owner != nullptr && (owner->designator == tx.handle || owner->comment == tx.handle);
  }

  ojson TextJson(const Text& tx) const {
    ojson j{{"x", Len(tx.x)},
            {"y", Len(tx.y)},
            {"text", Txt(tx.text)},
            {"height", Len(tx.height)},
            {"width", Len(tx.width)},
            {"rotation", tx.rotation},
            {"layer", ObjectLayerName(tx.layer)}};
    Common(j, tx, true);
    return j;
  }

  ojson FillJson(const Fill& f) const {
    ojson j{{"x1", Len(f.x)},  {"y1", Len(f.y)},         {"x2", Len(f.x2)},
            {"y2", Len(f.y2)}, {"rotation", f.rotation}, {"layer", ObjectLayerName(f.layer)}};
    Common(j, f, true);
    return j;
  }

  ojson OtherJson(const Object& o) const {
    ojson j{{"kind", KindName(o.kind).empty() ? ojson(static_cast<int>(o.kind)) : ojson(std::string(KindName(o.kind)))},
            {"x", Len(o.x)},
            {"y", Len(o.y)}};
    if (o.layer >= 1 && o.layer <= kLastLayer) j["layer"] = LayerJson(static_cast<int>(o.layer));
    Common(j, o, true);
    return j;
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

  ojson OptionsJson() const {
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
    for (const OptionBlock& block : kOptionBlocks) {
      auto it = board.records.find(block.record);
      if (it == board.records.end() || it->second.size() != block.values * sizeof(std::int32_t)) continue;
      ojson values = ojson::array();
      for (std::size_t i = 0; i < block.values; ++i) {
        std::int32_t v = 0;
        std::memcpy(&v, it->second.data() + i * sizeof v, sizeof v);
        values.push_back(v);
      }
      options[block.name] = values;
    }
    if (board.yieldPerLayer) options["yieldPerLayer"] = true;
    return options;
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
