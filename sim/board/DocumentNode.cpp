#include "sim/board/DocumentNode.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sim/board/BoardJson.h"
#include "sim/board/HostText.h"
#include "sim/board/Units.h"

namespace sim {

std::string TypeName(const DocumentJson& j) {
  switch (j.type()) {
    case DocumentJson::value_t::null:
      return "null";
    case DocumentJson::value_t::object:
      return "an object";
    case DocumentJson::value_t::array:
      return "an array";
    case DocumentJson::value_t::string:
      return "the text " + j.dump();
    case DocumentJson::value_t::boolean:
      return j.get<bool>() ? "true" : "false";
    case DocumentJson::value_t::number_integer:
    case DocumentJson::value_t::number_unsigned:
    case DocumentJson::value_t::number_float:
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

std::string Node::path() const {
  if (parent_ == nullptr) return std::string();
  return parent_->path() + "/" + (byIndex_ ? std::to_string(index_) : EscapePointerToken(key_));
}

void Node::Fail(const std::string& what) const {
  const std::string place = path();
  throw BoardError(*source_ + ": " + (place.empty() ? std::string("/") : place) + ": " + what);
}

void FailUnknownField(const Node& member, FieldList known) {
  std::string list;
  for (std::string_view k : known) list += (list.empty() ? "" : ", ") + std::string(k);
  member.Fail("unknown field (known here: " + list + ")");
}

void Node::ExpectObject(const char* what) const {
  if (!value_->is_object()) Fail("expected " + std::string(what) + " (a JSON object), found " + TypeName(*value_));
}

void Node::ExpectArray(const char* what) const {
  if (!value_->is_array()) Fail("expected " + std::string(what) + " (a JSON array), found " + TypeName(*value_));
}

void Node::AllowOnly(FieldList known) const {
  for (auto it = value_->begin(); it != value_->end(); ++it)
    if (std::find(known.begin(), known.end(), it.key()) == known.end())
      FailUnknownField(Node(it.value(), *this, it.key()), known);
}

Node Node::Child(std::string_view key) const {
  const auto it = value_->find(key);
  if (it == value_->end()) Fail("needs \"" + std::string(key) + "\"");
  return Node(it.value(), *this, it.key());
}

std::optional<Node> Node::Get(std::string_view key) const {
  if (!value_->is_object()) return std::nullopt;
  const auto it = value_->find(key);
  if (it == value_->end()) return std::nullopt;
  return Node(it.value(), *this, it.key());
}

std::int32_t Node::Length() const {
  const DocumentJson& v = *value_;
  if (v.is_number_unsigned()) {  // the most common: a coordinate in host units
    const auto u = v.get<std::uint64_t>();
    if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return static_cast<std::int32_t>(u);
  }
  if (v.is_number_integer()) {
    const auto big = v.is_number_unsigned() ? static_cast<long double>(v.get<std::uint64_t>())
                                            : static_cast<long double>(v.get<std::int64_t>());
    if (big < std::numeric_limits<std::int32_t>::min() || big > std::numeric_limits<std::int32_t>::max())
      Fail(v.dump() + " host units do not fit in 32 bits");
    return static_cast<std::int32_t>(big);
  }
  if (v.is_number_float()) {
    const double d = v.get<double>();
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 2147483647.0)
      Fail(
          "a number without a unit counts host units (1/10000 mil) and must be a whole number in 32 bits; "
          "found " +
          v.dump() + " (write e.g. \"1.5mil\")");
    return static_cast<std::int32_t>(d);
  }
  if (v.is_string()) {
    const LengthReading r = ParseLength(v.get_ref<const std::string&>());
    if (!r.value) Fail(r.error);
    return *r.value;
  }
  Fail("expected a length such as \"10mil\", \"0.254mm\" or a whole number of host units, found " + TypeName(v));
}

std::int32_t Node::Size0() const {
  const std::int32_t v = Length();
  if (v < 0) Fail("a size cannot be negative");
  return v;
}

double Node::Angle() const {
  const DocumentJson& v = *value_;
  if (v.is_number()) {
    const double d = v.get<double>();
    if (!std::isfinite(d)) Fail("the angle is not a finite number");
    return d;
  }
  if (v.is_string()) {
    if (auto a = ParseAngle(v.get_ref<const std::string&>())) return *a;
    Fail("\"" + v.get<std::string>() + "\" is not an angle in degrees (write e.g. 90 or \"45.5deg\")");
  }
  Fail("expected an angle in degrees, found " + TypeName(v));
}

double Node::Real() const {
  if (!value_->is_number()) Fail("expected a number, found " + TypeName(*value_));
  const double d = value_->get<double>();
  if (!std::isfinite(d)) Fail("the number is not finite");
  return d;
}

std::int64_t Node::Integer(std::int64_t low, std::int64_t high) const {
  const DocumentJson& v = *value_;
  if (v.is_number_float()) {
    const double d = v.get<double>();
    if (std::isfinite(d) && d == std::floor(d) && d >= static_cast<double>(low) && d <= static_cast<double>(high))
      return static_cast<std::int64_t>(d);
  } else if (v.is_number_unsigned()) {
    const auto u = v.get<std::uint64_t>();
    if (u <= static_cast<std::uint64_t>(high) && static_cast<std::int64_t>(u) >= low)
      return static_cast<std::int64_t>(u);
  } else if (v.is_number_integer()) {
    const auto i = v.get<std::int64_t>();
    if (i >= low && i <= high) return i;
  } else {
    Fail("expected a whole number, found " + TypeName(v));
  }
  Fail(v.dump() + " is out of range (" + std::to_string(low) + ".." + std::to_string(high) + ")");
}

bool Node::Bool() const {
  if (!value_->is_boolean()) Fail("expected true or false, found " + TypeName(*value_));
  return value_->get<bool>();
}

std::string Node::Text() const {
  if (!value_->is_string()) Fail("expected a text, found " + TypeName(*value_));
  std::optional<std::string> host = ToHostText(value_->get_ref<const std::string&>());
  if (!host) Fail("the text holds a character that the host's single-byte text (ISO-8859-1) cannot hold");
  return *host;
}

std::string Node::NonEmptyText() const {
  std::string t = Text();
  if (t.empty()) Fail("the text must not be empty");
  return t;
}

}  // namespace sim
