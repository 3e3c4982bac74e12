#pragma once
// What a board document's parts mean: the reader that turns each part of a
// document into the board's values and objects. The loader (BoardLoad.cpp)
// hands it the parts in the order below, a whole part at a time or one
// element of a list at a time; the reader checks each value and names the
// place of a fault (BoardError).
//
// The order of the steps is the order of the objects' handles and of what
// later parts may refer to:
//   Description, BoardSection, ExternalDielectrics   (anywhere)
//   LayersSection, LayerNames                        (the stack and its names)
//   nets                                             (objects from here on)
//   PlaneNets, Rules                                 (once the nets are known)
//   classes, components, pads, vias, tracks, arcs, outline, texts, fills,
//   objects                                          (in this order)
//   LayerPairs, Options                              (at the end)
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "sim/board/Board.h"
#include "sim/board/DocumentNode.h"

namespace sim {

// The lists of a document whose elements become objects, in the order they
// are read.
enum class ObjectList : std::uint8_t {
  Nets,
  Classes,
  Components,
  Pads,
  Vias,
  Tracks,
  Arcs,
  Outline,
  Texts,
  Fills,
  Objects,
};
inline constexpr int kObjectListCount = 11;
// "nets", "classes", ...: the list's member name in the document.
const char* ObjectListName(ObjectList list);

// An element of an object list as the values of its members, each a
// scalar, in the places of the names that the list's elements may have: what
// the loader reads straight from the parser's events for the lists of the
// most objects (tracks, arcs, vias, components and their pads), without a
// value for the element.
class FlatElement {
 public:
  static constexpr std::size_t kMaxFields = 16;
  // The member names of an element of `list` read flat; empty for a list
  // whose elements are not read so. A component's "pads" are pads read flat
  // (PadFields), each handed beside it.
  static FieldList Fields(ObjectList list);
  static FieldList PadFields();

  // `self` is the element's node (its place; its value is not read).
  FlatElement(FieldList fields, const Node& self);
  void Clear() { set_ = 0; }
  // The place of `name` among the fields; kMaxFields when it is none.
  std::size_t Find(std::string_view name) const;
  bool IsSet(std::size_t field) const { return (set_ >> field & 1U) != 0; }
  // The member in place `field`, which is set.
  Node Member(std::size_t field) const { return Node(values_[field], self_, fields_[field]); }
  // True when the field, not set, holds a text from an element before.
  bool IsKept(std::size_t field) const { return !IsSet(field) && values_[field].is_string(); }
  DocumentJson& Set(std::size_t field) {
    set_ |= 1U << field;
    return values_[field];
  }

  // --- As the reader reads an element (Node's functions of the same names).
  void ExpectObject(const char*) const {}
  void AllowOnly(std::initializer_list<std::string_view> known) const;
  bool Has(std::string_view key) const { return IsSet(Find(key)); }
  std::optional<Node> Get(std::string_view key) const;
  Node Child(std::string_view key) const;
  [[noreturn]] void Fail(const std::string& what) const { self_.Fail(what); }

 private:
  // A name's length and first and last letters, mixed: the place in
  // byCode_ where its field stands.
  static std::size_t Code(std::string_view name) {
    return name.empty() ? 0
                        : (name.size() * 7 + static_cast<unsigned char>(name.front()) * 3 +
                           static_cast<unsigned char>(name.back())) %
                              kCodes;
  }
  static constexpr std::size_t kCodes = 64;
  static constexpr std::uint8_t kNoField = 0xFF, kShared = 0xFE;

  FieldList fields_;
  // The field of each code; kShared where two share it (found by a search).
  std::array<std::uint8_t, kCodes> byCode_{};
  const Node& self_;
  std::array<DocumentJson, kMaxFields> values_;
  std::uint32_t set_ = 0;
};

class BoardReader {
 public:
  explicit BoardReader(Board& board) : board_(board) {}

  // The member names that a document may have.
  static FieldList DocumentFields();
  // The whole document at once, in the order above.
  void Document(const Node& root);

  // --- The steps; a part the document leaves out is passed as nothing.
  static void Description(const Node& n);
  void BoardSection(const Node& n);
  void ExternalDielectrics(const Node& n);
  void LayersSection(const std::optional<Node>& n);
  void LayerNames(const Node& n);
  void PlaneNets(const std::optional<Node>& layers);
  void Rules(const std::optional<Node>& n);
  void LayerPairs(const std::optional<Node>& n);
  void Options(const Node& n);
  // A whole object list, or one element of it.
  void List(ObjectList list, const Node& n);
  void ListElement(ObjectList list, const Node& item);
  // An element read flat: the object ListElement makes of the same members.
  // A fault is thrown as ListElement throws it, though not necessarily the
  // one ListElement would name first.
  void ListElement(ObjectList list, const FlatElement& item);
  // A component read flat and the first `padCount` of `pads`, its pads.
  void FlatComponent(const FlatElement& item, const std::deque<FlatElement>& pads, std::size_t padCount);
  static const char* ListWhat(ObjectList list);

 private:
  LayerNumber Layer(const Node& n, int low = 1, int high = kLastLayer, bool stackNames = true) const;
  LayerCode ObjectLayer(const Node& n) const;
  Handle NetRef(const Node& n) const;
  Handle ComponentRef(const Node& n) const;
  Handle PlaneRule(std::int32_t value);
  // Item: a Node or a FlatElement.
  template <typename Item>
  void Common(const Item& n, Object& o, Handle ownerComponent);
  template <typename Item>
  static void Point(const Item& n, const char* xKey, const char* yKey, std::int32_t& x, std::int32_t& y);
  Dielectric ReadDielectric(const Node& n, Dielectric d) const;
  static std::int32_t PlaneStyle(const Node& n);
  static std::uint8_t Shape(const Node& n);
  static std::uint8_t StackMode(const Node& n);
  static void ReadSize(const Node& n, std::int32_t& x, std::int32_t& y);
  PadShape ReadPadShape(const Node& n, PadShape s) const;
  std::uint8_t PadPlaneConnection(const Node& n) const;
  Handle AddText(const std::string& text, const Component& owner, LayerNumber layer);

  void AddNet(const Node& item);
  void AddClass(const Node& item);
  void AddComponent(const Node& item);
  // A component without its pads.
  template <typename Item>
  Component& ReadComponent(const Item& item);
  template <typename Item>
  void AddPad(const Item& n, Component* owner);
  void AddVia(const Node& item);
  void AddTrack(const Node& n, std::optional<LayerNumber> fixedLayer);
  void AddFlatTrack(const FlatElement& item);
  void AddFlatVia(const FlatElement& item);
  template <typename Item>
  void AddArc(const Item& n, std::optional<LayerNumber> fixedLayer);
  void AddOutline(const Node& item);
  void AddFreeText(const Node& item);
  void AddFill(const Node& item);
  void AddObject(const Node& item);

  // Names found also as views (a hash and an equality for both).
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };

  Board& board_;
  // Nets and components by name, with where in their list they were
  // declared.
  std::unordered_map<std::string, std::pair<Handle, std::size_t>, NameHash, std::equal_to<>> netsByName_;
  std::unordered_map<std::string, std::pair<Handle, std::size_t>> componentsByName_;
  std::map<std::int32_t, Handle> rulesByValue_;
  // The layers of objects by the names last read (ObjectLayer); the names
  // mean the same from the first object on.
  static constexpr std::size_t kObjectLayersKept = 8;
  mutable std::vector<std::pair<std::string, LayerCode>> objectLayers_;
};

}  // namespace sim
