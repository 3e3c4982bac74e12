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

// The member names of an element of `list`, for the lists whose elements
// are objects of a fixed set of members; empty for the others.
FieldList ListFields(ObjectList list);

struct FlatChild;

// An element of an object list as the values of its members, each in the
// place of its name among the names the list's elements may have: what the
// loader reads straight from the parser's events for the lists of the most
// objects (tracks, arcs, vias, components with their pads, and pads), without
// a value for the element. The reader reads it by the members' names, as it
// reads a Node of the same element, so that both check the same things; a
// member that is an array or object is kept as its value, and a component's
// pads as flat elements of their own (FlatChild).
class FlatElement {
 public:
  static constexpr std::size_t kMaxFields = 20;

  // `self` is the element's node (its place; its value is not read).
  FlatElement(FieldList fields, const Node& self);
  FlatElement(const FlatElement&) = delete;
  FlatElement& operator=(const FlatElement&) = delete;
  void Clear();
  // The place of `name` among the fields; kMaxFields when it is none.
  [[gnu::always_inline]] std::size_t Find(std::string_view name) const {
    const std::uint8_t at = byCode_[Code(name)];
    if (at == kNoField) return kMaxFields;
    if (at != kShared) return Same(fields_[at], name) ? at : kMaxFields;
    for (std::size_t i = 0; i < fields_.size(); ++i)
      if (Same(fields_[i], name)) return i;
    return kMaxFields;
  }
  bool IsSet(std::size_t field) const { return (set_ >> field & 1U) != 0; }
  // The member in place `field`, which is set.
  Node Member(std::size_t field) const { return Node(values_[field], self_, fields_[field]); }
  // True when the field, not set, holds a text from an element before.
  bool IsKept(std::size_t field) const { return !IsSet(field) && values_[field].is_string(); }
  // The value of the member in place `field`, which the document gives
  // (again, when it gives it twice: the last counts, as in any JSON object).
  DocumentJson& Set(std::size_t field) {
    if (!IsSet(field)) order_[field] = next_++;
    set_ |= 1U << field;
    if (field == childrenField_) childrenField_ = kMaxFields;
    return values_[field];
  }
  // A member whose name is none of the fields.
  void SetUnknown(std::string_view name) {
    if (unknownCount_ == unknown_.size()) unknown_.emplace_back();
    unknown_[unknownCount_].first.assign(name);
    unknown_[unknownCount_++].second = next_++;
  }
  // The member in place `field` is an array whose first `count` elements
  // are `children`, at the place `node`.
  void SetChildren(std::size_t field, const std::deque<FlatChild>& children, const Node& node) {
    Set(field) = nullptr;
    childrenField_ = field;
    children_ = &children;
    childrenNode_ = &node;
    childCount_ = 0;
  }
  void SetChildCount(std::size_t count) { childCount_ = count; }

  // --- As the reader reads an element (Node's functions of the same names).
  void ExpectObject(const char*) const {}
  void AllowOnly(FieldList known) const;
  void AllowOnly(std::initializer_list<std::string_view> known) const {
    AllowOnly(FieldList(known.begin(), known.size()));
  }
  bool Has(std::string_view key) const { return IsSet(Find(key)); }
  [[gnu::always_inline]] std::optional<Node> Get(std::string_view key) const {
    const std::size_t i = Find(key);
    if (!IsSet(i)) return std::nullopt;
    return Member(i);
  }
  Node Child(std::string_view key) const;
  template <typename F>
  void EachElement(std::string_view key, const char* what, F each) const;
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
  // Names are short: compared in place (the reader's names are mostly the
  // very texts of the fields).
  static bool Same(std::string_view field, std::string_view name) {
    if (field.size() != name.size()) return false;
    if (field.data() == name.data()) return true;
    for (std::size_t i = 0; i < field.size(); ++i)
      if (field[i] != name[i]) return false;
    return true;
  }
  static constexpr std::uint8_t kNoField = 0xFF, kShared = 0xFE;

  FieldList fields_;
  // The field of each code; kShared where two share it (found by a search).
  std::array<std::uint8_t, kCodes> byCode_{};
  const Node& self_;
  std::array<DocumentJson, kMaxFields> values_;
  std::uint32_t set_ = 0;
  // Where each member set, and each unknown one, stands in the element.
  std::array<std::uint32_t, kMaxFields> order_{};
  std::uint32_t next_ = 0;
  std::vector<std::pair<std::string, std::uint32_t>> unknown_;
  std::size_t unknownCount_ = 0;
  std::size_t childrenField_ = kMaxFields;
  const std::deque<FlatChild>* children_ = nullptr;
  const Node* childrenNode_ = nullptr;
  std::size_t childCount_ = 0;
};

// An element of a flat element's array member (a component's pad): read flat
// when it is an object, else kept as its value for the reader to refuse.
struct FlatChild {
  FlatChild(const DocumentJson& null, const Node& parent, FieldList fields)
      : node(null, parent, std::size_t{0}), flat(fields, node) {}
  Node node;
  FlatElement flat;
  DocumentJson value;
  bool isObject = true;
};

template <typename F>
void FlatElement::EachElement(std::string_view key, const char* what, F each) const {
  const std::size_t field = Find(key);
  if (!IsSet(field)) return;
  if (field != childrenField_) {
    // Not an array of elements read flat: a value, which the node reads.
    const Node member = Member(field);
    member.EachElement(what, each);
    return;
  }
  for (std::size_t i = 0; i < childCount_; ++i) {
    const FlatChild& child = (*children_)[i];
    if (child.isObject)
      each(child.flat);
    else
      each(Node(child.value, *childrenNode_, i));
  }
}

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
  // An element read flat (ListFields): by the same function as a Node of
  // the same members, so the same object or the same fault.
  void ListElement(ObjectList list, const FlatElement& item);
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

  // One function for each kind of element; Item: a Node or a FlatElement.
  void AddNet(const Node& item);
  void AddClass(const Node& item);
  template <typename Item>
  void AddComponent(const Item& item);
  // A component without its pads.
  template <typename Item>
  Component& ReadComponent(const Item& item);
  template <typename Item>
  void AddPad(const Item& n, Component* owner);
  template <typename Item>
  void AddVia(const Item& item);
  template <typename Item>
  void AddTrack(const Item& n, std::optional<LayerNumber> fixedLayer);
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
