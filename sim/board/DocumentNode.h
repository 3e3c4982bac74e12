#pragma once
// One value of a board document with its place in the document, for reading
// it and for saying what is wrong with it. A node refers to its value and to
// its parent node; the place (a JSON pointer) is spelt out only when a fault
// is reported, so reading a field costs no text. A node must not outlive the
// nodes it was made from.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sim {

// The document's values as read: objects keep their members in one array each,
// in the document's order.
using DocumentJson = nlohmann::ordered_json;
// The member names an object may have.
using FieldList = std::span<const std::string_view>;

// "an object", "the text \"x\"", "the number 3": how a fault names a value.
std::string TypeName(const DocumentJson& j);
// A member name as a JSON-pointer token ("~" and "/" escaped).
std::string EscapePointerToken(std::string_view key);

class Node {
 public:
  // The document itself.
  Node(const DocumentJson& value, const std::string& source) : value_(&value), source_(&source) {}
  // A member of the node `parent` (the key must outlive this node).
  Node(const DocumentJson& value, const Node& parent, std::string_view key)
      : value_(&value), parent_(&parent), key_(key), source_(parent.source_) {}
  // An element of the array node `parent`.
  Node(const DocumentJson& value, const Node& parent, std::size_t index)
      : value_(&value), parent_(&parent), index_(index), byIndex_(true), source_(parent.source_) {}

  const DocumentJson& value() const { return *value_; }
  // The JSON pointer of the value; empty for the document itself.
  std::string path() const;

  [[noreturn]] void Fail(const std::string& what) const;

  // --- Structure.
  void ExpectObject(const char* what) const;
  void ExpectArray(const char* what) const;
  // Rejects any member not in the list: a misspelt field would otherwise be
  // silently left at its default.
  void AllowOnly(FieldList known) const;
  void AllowOnly(std::initializer_list<std::string_view> known) const {
    AllowOnly(FieldList(known.begin(), known.size()));
  }
  bool Has(std::string_view key) const { return value_->is_object() && value_->contains(key); }
  // The member `key`, which must be there.
  Node Child(std::string_view key) const;
  std::optional<Node> Get(std::string_view key) const;
  std::size_t Size() const { return value_->size(); }
  Node Item(std::size_t index) const { return Node(value_->at(index), *this, index); }
  // Each element of this node, which must be an array (`what` says of what).
  template <typename F>
  void EachElement(const char* what, F each) const {
    ExpectArray(what);
    for (std::size_t i = 0; i < Size(); ++i) each(Item(i));
  }
  // Each element of the member `key`, when there is one.
  template <typename F>
  void EachElement(std::string_view key, const char* what, F each) const {
    if (const std::optional<Node> list = Get(key)) list->EachElement(what, each);
  }

  // --- Values.
  // A length in host units: a whole number, or a text with a unit.
  std::int32_t Length() const;
  // A length that cannot be negative.
  std::int32_t Size0() const;
  double Angle() const;
  double Real() const;
  std::int64_t Integer(std::int64_t low, std::int64_t high) const;
  bool Bool() const;
  // A text as the host's single-byte text.
  std::string Text() const;
  std::string NonEmptyText() const;

 private:
  const DocumentJson* value_;
  const Node* parent_ = nullptr;
  std::string_view key_;
  std::size_t index_ = 0;
  bool byIndex_ = false;
  const std::string* source_;
};

// The fault of a member that is not in `known`, said at `member`.
[[noreturn]] void FailUnknownField(const Node& member, FieldList known);

}  // namespace sim
