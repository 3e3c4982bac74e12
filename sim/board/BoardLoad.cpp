// Loading board documents. A document is read as a stream of a JSON parser's
// events: the small parts (the board's values, the stack, the rules, the
// options) are kept as values until they are needed, and every element of an
// object list becomes the board's object as soon as it has been read, so a
// large board never exists as a whole JSON tree.
//
// The reader takes a document's parts in a fixed order (BoardReader.h). A
// document whose parts come in another order than that one (an object list
// before the stack, "objects" before "fills", a member twice) cannot be taken
// element by element: its reading goes on to the end of the text without
// taking anything more (so that a text that is not JSON is still told as
// such), and the document is read again as a whole and handed to the reader
// in that order, as small documents are anyway. Either way the board and the
// faults are the same: a fault found while reading in stream order before
// such a second reading is not reported, since the reading in order decides.
//
// Two parsers give the events, both through their public interfaces to one
// handler (StreamLoader). rapidjson's SAX reader is the fast one and reads
// every document first. A text it refuses (not JSON, or one it might take
// otherwise than nlohmann-json does, or a number its scan gives up on) is
// read again, as a whole, by nlohmann-json's reader, whose messages (line,
// column and what was expected) are the ones a bad document is told. So a
// document is read at most twice.
//
// Numbers reach the loader as their text and become values by one
// conversion (JsonNumber below), exact in every case: neither parser's own
// conversion of a double is used (nlohmann-json's whole numbers, which its
// reader converts exactly itself, come as values). A number beyond a
// double's range, and nesting deeper than kMaxNesting, stop the reading with
// the place: the value's JSON pointer, its line and its column.
//
// The elements of the lists with most objects (FlatElement) are read
// straight from rapidjson's events into their members' places, without a
// value for the element; the reader reads them by name with the same
// function as an element of a document read whole.
#include <rapidjson/error/error.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "sim/board/BoardJson.h"
#include "sim/board/BoardReader.h"

namespace sim {
namespace {
class TextPieces;
}  // namespace
}  // namespace sim

// The loader's input stream is a few pointers: rapidjson's reader may scan
// from a copy of it (its documented trait for custom streams).
template <>
struct rapidjson::StreamTraits<sim::TextPieces> {
  enum { copyOptimization = 1 };
};

namespace sim {
namespace {

// "[json.exception.parse_error.101] parse error at line 3, column 5: ..." ->
// "parse error at line 3, column 5: ..."
std::string ParseErrorText(const std::string& what) {
  const std::size_t end = what.find("] ");
  return end == std::string::npos ? what : what.substr(end + 2);
}

// How deep a document may nest: a board document needs six levels; the
// parsers and the reader stop before any of them could run out of stack.
constexpr std::size_t kMaxNesting = 256;

// The decimal exponent of the first nonzero digit of a JSON number's text
// (-3 for 0.00123, 2 for 1.5e2); nothing when every digit is 0. The
// written exponent is cut at 10^15, far beyond any text's length, so the
// digits before or after the point always count in full.
std::optional<long long> LeadingExponent(std::string_view text) {
  const std::size_t e = text.find_first_of("eE");
  const std::string_view mantissa = text.substr(0, e);
  const std::size_t digit = mantissa.find_first_of("123456789");
  if (digit == std::string_view::npos) return std::nullopt;
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  long long exponent =
      digit < point ? static_cast<long long>(point - digit - 1) : -static_cast<long long>(digit - point);
  if (e != std::string_view::npos) {
    std::string_view power = text.substr(e + 1);
    const bool below = power.front() == '-';
    if (power.front() == '+' || below) power.remove_prefix(1);
    constexpr long long kCut = 1000000000000000LL;
    long long magnitude = 0;
    for (const char c : power) magnitude = std::min(magnitude * 10 + (c - '0'), kCut);
    exponent += below ? -magnitude : magnitude;
  }
  return exponent;
}

// A whole number's text as a 64-bit number: signed when negative; nothing
// when it does not fit.
std::optional<DocumentJson> WholeJsonNumber(const char* first, const char* last) {
  if (*first == '-') {
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec == std::errc() && end == last) return DocumentJson(v);
    return std::nullopt;
  }
  std::uint64_t v = 0;
  const auto [end, ec] = std::from_chars(first, last, v);
  if (ec == std::errc() && end == last) return DocumentJson(v);
  return std::nullopt;
}

// A JSON number's text as the value nlohmann-json reads it: a whole number
// that fits 64 bits stays whole (signed when negative), any other number is
// the double nearest to it. std::from_chars is exact; a number too small for
// a double is the nearest double, 0 or -0, as strtod rounds it; a number too
// large for one is refused (nothing).
std::optional<DocumentJson> JsonNumber(std::string_view text) {
  const char* const first = text.data();
  const char* const last = first + text.size();
  // Most numbers: up to 18 digits, which no 64-bit number overflows.
  const bool negative = text.front() == '-';
  std::uint64_t digits = 0;
  const char* p = first + (negative ? 1 : 0);
  for (; p != last && static_cast<unsigned>(*p - '0') <= 9; ++p) digits = digits * 10 + static_cast<unsigned>(*p - '0');
  if (p == last && text.size() <= 18)
    return negative ? DocumentJson(-static_cast<std::int64_t>(digits)) : DocumentJson(digits);
  if (std::none_of(first, last, [](char c) { return c == '.' || c == 'e' || c == 'E'; }))
    if (std::optional<DocumentJson> whole = WholeJsonNumber(first, last)) return whole;
  double d = 0;
  const auto [end, ec] = std::from_chars(first, last, d);
  if (end != last) return std::nullopt;
  if (ec == std::errc()) return DocumentJson(d);
  // Out of range: too small when its first digit stands after the point.
  const std::optional<long long> exponent = LeadingExponent(text);
  if (!exponent || *exponent < 0) return DocumentJson(negative ? -0.0 : 0.0);
  return std::nullopt;
}

// Where the parser stands in the document: the JSON pointer of the value
// being read and the depth, kept as the events come.
class DocumentPlace {
 public:
  // False when the value opened would nest deeper than kMaxNesting.
  bool Open(bool array) {
    if (depth_ == kMaxNesting) return false;
    if (depth_ == frames_.size()) frames_.emplace_back();
    Frame& f = frames_[depth_++];
    f.array = array;
    f.index = 0;
    return true;
  }
  void Key(std::string_view key) { frames_[depth_ - 1].key.assign(key); }
  // A value is complete (a scalar, or after Close).
  void Done() {
    if (depth_ != 0 && frames_[depth_ - 1].array) ++frames_[depth_ - 1].index;
  }
  void Close() {
    --depth_;
    Done();
  }
  // The pointer of the value being read; "/" for the document itself.
  std::string Pointer() const {
    std::string out;
    for (std::size_t i = 0; i < depth_; ++i)
      out += "/" + (frames_[i].array ? std::to_string(frames_[i].index) : EscapePointerToken(frames_[i].key));
    return out.empty() ? "/" : out;
  }

 private:
  struct Frame {
    bool array = false;
    std::size_t index = 0;
    std::string key;
  };
  std::vector<Frame> frames_;
  std::size_t depth_ = 0;
};

// The faults that stop the reading, with their place.
std::string NumberRangeFault(std::string_view number) {
  return "number overflow parsing '" + std::string(number) + "' (beyond a double's range)";
}
std::string NestingFault() {
  return "nesting deeper than " + std::to_string(kMaxNesting) + " levels (a board document needs six)";
}

// The parts of a document beside the object lists.
enum class Section : std::uint8_t {
  Description,
  Board,
  Layers,
  LayerNames,
  LayerPairs,
  ExternalDielectrics,
  Rules,
  Options,
  List,  // one of the object lists
  Unknown,
};

struct SectionName {
  const char* name;
  Section section;
};
constexpr SectionName kSections[] = {{"description", Section::Description},
                                     {"board", Section::Board},
                                     {"layers", Section::Layers},
                                     {"layerNames", Section::LayerNames},
                                     {"layerPairs", Section::LayerPairs},
                                     {"externalDielectrics", Section::ExternalDielectrics},
                                     {"rules", Section::Rules},
                                     {"options", Section::Options}};

// A text read as the characters the parser asks for one at a time: a file
// in pieces, never held whole, or a text in memory. It counts the characters
// taken, for the place of a fault.
class FilePieces {
 public:
  explicit FilePieces(std::istream& in) : in_(&in), buffer_(1 << 20) {}
  FilePieces(const char* begin, const char* end) : text_(begin), next_(begin), end_(end), base_(begin) {}

  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    Iterator() = default;
    explicit Iterator(FilePieces& file) : file_(&file) {}
    const char& operator*() const { return *file_->next_; }
    Iterator& operator++() {
      ++file_->next_;
      return *this;
    }
    // Only the end is compared with: equal when no character is left.
    bool operator==(const Iterator& other) const { return AtEnd() == other.AtEnd(); }

   private:
    bool AtEnd() const { return file_ == nullptr || (file_->next_ == file_->end_ && !file_->Refill()); }
    FilePieces* file_ = nullptr;
  };
  Iterator begin() { return Iterator(*this); }
  static Iterator end() { return {}; }

  // The characters taken so far.
  std::size_t Taken() const { return taken_ + static_cast<std::size_t>(next_ - base_); }
  // After a reading that ended at a zero byte (the last character taken):
  // its place when anything but zero bytes follows it.
  std::optional<std::size_t> TextAfterZero() {
    const std::size_t zero = Taken() - 1;
    for (Iterator it = begin(); it != end(); ++it)
      if (*it != '\0') return zero;
    return std::nullopt;
  }
  // "line 3, column 5" of the character at `offset` (both counted from 1, as
  // the parser's own messages count them).
  std::string LineColumn(std::size_t offset) {
    std::size_t line = 1, column = 1;
    const auto count = [&](const char* p, std::size_t n) {
      for (std::size_t i = 0; i < n; ++i, ++column)
        if (p[i] == '\n') {
          ++line;
          column = 0;
        }
    };
    if (in_ == nullptr) {
      count(text_, offset);
    } else {
      in_->clear();
      in_->seekg(0);
      while (offset != 0) {
        in_->read(buffer_.data(), static_cast<std::streamsize>(std::min(offset, buffer_.size())));
        const auto got = static_cast<std::size_t>(in_->gcount());
        if (got == 0) break;
        count(buffer_.data(), got);
        offset -= got;
      }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
  }

 private:
  bool Refill() {
    if (in_ == nullptr) return false;
    taken_ += static_cast<std::size_t>(end_ - base_);
    in_->read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    base_ = next_ = buffer_.data();
    end_ = next_ + in_->gcount();
    return next_ != end_;
  }

  std::istream* in_ = nullptr;
  const char* text_ = nullptr;
  std::vector<char> buffer_;
  const char* next_ = nullptr;
  const char* end_ = nullptr;
  const char* base_ = nullptr;
  std::size_t taken_ = 0;
};

// One value of the document built from the parser's events into a place
// given (a value of its own, or a member of an element read flat), or only
// passed over (after a fault, when nothing is read any more).
class ValueBuilder {
 public:
  bool Active() const { return active_; }
  DocumentJson& value() { return *target_; }
  DocumentJson& own() { return own_; }

  void Begin(DocumentJson& target, bool skip) {
    active_ = true;
    skip_ = skip;
    depth_ = 0;
    target_ = &target;
    stack_.clear();
  }
  // A scalar; true when it completes the value.
  bool Scalar(DocumentJson&& v) {
    if (!skip_) Place(std::move(v));
    return depth_ == 0 ? Done() : false;
  }
  void Open(bool object) {
    ++depth_;
    if (skip_) return;
    DocumentJson& placed = Place(DocumentJson(object ? DocumentJson::value_t::object : DocumentJson::value_t::array));
    stack_.push_back(&placed);
  }
  void Key(const std::string& key) {
    if (!skip_) slot_ = &(*stack_.back())[key];
  }
  // True when it completes the value.
  bool Close() {
    --depth_;
    if (!skip_) stack_.pop_back();
    return depth_ == 0 ? Done() : false;
  }

 private:
  DocumentJson& Place(DocumentJson&& v) {
    if (stack_.empty()) {
      // An object or array takes the place of the last one of its kind: its
      // storage is kept from one element to the next.
      DocumentJson& t = *target_;
      if (v.is_object() && t.is_object())
        t.get_ref<DocumentJson::object_t&>().clear();
      else if (v.is_array() && t.is_array())
        t.get_ref<DocumentJson::array_t&>().clear();
      else
        t = std::move(v);
      return t;
    }
    DocumentJson& parent = *stack_.back();
    if (parent.is_array()) {
      parent.push_back(std::move(v));
      return parent.back();
    }
    *slot_ = std::move(v);
    return *slot_;
  }
  bool Done() {
    active_ = false;
    return true;
  }

  bool active_ = false;
  bool skip_ = false;
  std::size_t depth_ = 0;
  DocumentJson own_;
  DocumentJson* target_ = &own_;
  std::vector<DocumentJson*> stack_;
  DocumentJson* slot_ = nullptr;
};

// The value types of nlohmann-json's reader events.
struct DocumentEventTypes {
  using number_integer_t = DocumentJson::number_integer_t;
  using number_unsigned_t = DocumentJson::number_unsigned_t;
  using number_float_t = DocumentJson::number_float_t;
  using string_t = DocumentJson::string_t;
  using binary_t = DocumentJson::binary_t;
};

// The parsers' event handler. In stream mode it reads a document in stream
// order (see the top of this file), or finds that it must be read as a
// whole; in whole mode it builds the document's value and hands it to the
// reader at once.
class StreamLoader : public DocumentEventTypes {
 public:
  enum class Mode : std::uint8_t { Stream, Whole };

  // `input` is the text nlohmann-json's reader takes, for the place of a
  // fault; rapidjson's events (FastEvents) come without it.
  StreamLoader(Board& board, const std::string& source, FilePieces* input, Mode mode)
      : reader_(board),
        source_(source),
        input_(input),
        mode_(mode),
        root_(null_, source_),
        listNode_(null_, root_, ""),
        elementNode_(null_, listNode_, std::size_t{0}),
        padsNode_(null_, elementNode_, "pads") {}
  // Its nodes refer to its members.
  StreamLoader(const StreamLoader&) = delete;
  StreamLoader& operator=(const StreamLoader&) = delete;

  // After the parse: true when the document must be read as a whole.
  bool mustReadWhole() const { return whole_; }
  // After a parse that returned true: the remaining steps; throws the fault
  // found.
  void Finish() {
    if (mode_ == Mode::Stream && !fault_) Guard([&] { EndSteps(); });
    if (fault_) throw BoardError(*fault_);
  }
  // After a parse that returned false (nlohmann-json's reader): the fault
  // that stopped the reading.
  [[noreturn]] void FailSyntax() const {
    if (stop_) throw BoardError(*stop_);
    throw BoardError(source_ + ": not a JSON document: " + syntax_);
  }

  // --- The parser's events.
  bool null() { return Scalar(DocumentJson(nullptr)); }
  bool boolean(bool v) { return Scalar(DocumentJson(v)); }
  // A number as JsonNumber reads its text (rapidjson's), or nlohmann-json's
  // whole numbers, which it reads exactly itself.
  bool number(DocumentJson&& v) { return Scalar(std::move(v)); }
  bool number_integer(number_integer_t v) { return Scalar(DocumentJson(v)); }
  bool number_unsigned(number_unsigned_t v) { return Scalar(DocumentJson(v)); }
  bool number_float(number_float_t, const string_t& text) {
    // Its own reader refuses a number beyond a double's range first.
    std::optional<DocumentJson> v = JsonNumber(text);
    if (!v) return Stop(NumberRangeFault(text), input_->Taken() - text.size());
    return Scalar(std::move(*v));
  }
  bool string(string_t& v) { return FlatText(v) || Scalar(DocumentJson(std::move(v))); }
  bool binary(binary_t&) { return true; }  // not in JSON text
  bool start_object(std::size_t) { return Open(true); }
  bool start_array(std::size_t) { return Open(false); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool key(string_t& k) {
    if (input_ != nullptr) place_.Key(k);
    if (builder_.Active()) {
      builder_.Key(k);
      return true;
    }
    if (flat_ != nullptr) return FlatKey(k) || UnknownKey(k);
    return TopKey(k);
  }
  bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& e) {
    // 406: a number beyond a double's range; `position` is just after it.
    if (e.id == 406) return Stop(NumberRangeFault(token), position - token.size());
    syntax_ = ParseErrorText(e.what());
    return false;
  }

  // --- The same for a member of an element read flat, without a copy of
  // its name or text.
  bool Flat() const { return flat_ != nullptr && !builder_.Active(); }
  // False when the name is none of the element's fields (UnknownKey).
  bool FlatKey(std::string_view k) {
    field_ = flat_->Find(k);
    return field_ != FlatElement::kMaxFields;
  }
  bool UnknownKey(std::string_view k) {
    field_ = FlatElement::kMaxFields;
    flat_->SetUnknown(k);
    return true;
  }
  // True when the text was taken (a flat element's text, which takes the
  // place of the last element's and keeps its storage).
  bool FlatText(std::string_view v) {
    if (!Flat() || InPadList() || field_ == FlatElement::kMaxFields || !flat_->IsKept(field_)) return false;
    flat_->Set(field_).get_ref<std::string&>().assign(v);
    return true;
  }

 private:
  // Where the next event belongs.
  enum class At : std::uint8_t { Start, Top, SectionValue, List, End };
  // What the value being built is.
  enum class Building : std::uint8_t { Root, Section, Element, FlatMember, PadValue };

  template <typename F>
  void Guard(F step) {
    if (fault_) return;
    try {
      step();
    } catch (const BoardError& e) {
      fault_ = e.what();
    } catch (const nlohmann::json::exception& e) {
      // Only a fault of the reader itself gets here; still name the document.
      fault_ = source_ + ": " + ParseErrorText(e.what());
    }
  }

  // Stops the reading at a fault of the text at `offset`, with its place.
  bool Stop(const std::string& what, std::size_t offset) {
    stop_ = source_ + ": " + place_.Pointer() + ": " + what + " at " + input_->LineColumn(offset);
    return false;
  }

  bool Scalar(DocumentJson&& v) {
    if (input_ != nullptr) place_.Done();
    if (builder_.Active()) {
      if (builder_.Scalar(std::move(v))) Built();
    } else if (flat_ != nullptr) {
      if (InPadList()) {
        FlatChild& pad = NextPad();
        pad.isObject = false;
        pad.value = std::move(v);
        ++padCount_;
      } else if (field_ != FlatElement::kMaxFields) {
        flat_->Set(field_) = std::move(v);
      }
    } else {
      Begin();
      if (builder_.Scalar(std::move(v))) Built();
    }
    return true;
  }
  bool Open(bool object) {
    // Just after its bracket (nlohmann-json's reader reads no further
    // before the event); rapidjson's events never come this deep.
    if (input_ != nullptr && !place_.Open(!object)) return Stop(NestingFault(), input_->Taken() - 1);
    if (builder_.Active()) {
      builder_.Open(object);
      return true;
    }
    if (flat_ != nullptr) return FlatOpen(object);
    if (at_ == At::List && object && !fault_ && !whole_ && !ListFields(list_).empty()) {
      StartFlat();
      return true;
    }
    if (at_ == At::Start && object && mode_ == Mode::Stream) {
      at_ = At::Top;
      return true;
    }
    if (at_ == At::SectionValue && !object && section_ == Section::List) {
      at_ = At::List;
      element_ = 0;
      return true;
    }
    Begin();
    builder_.Open(object);
    return true;
  }
  bool Close() {
    if (input_ != nullptr) place_.Close();
    if (builder_.Active()) {
      if (builder_.Close()) Built();
    } else if (flat_ != nullptr) {
      FlatClose();
    } else if (at_ == At::List) {
      at_ = At::Top;
    } else if (at_ == At::Top) {
      at_ = At::End;
    }
    return true;
  }
  // A value begins outside the builder and outside an element read flat.
  void Begin() {
    building_ = at_ == At::Start ? Building::Root : at_ == At::List ? Building::Element : Building::Section;
    builder_.Begin(builder_.own(),
                   fault_.has_value() || (building_ == Building::Section && section_ == Section::Unknown));
  }

  // --- Elements read flat.
  void StartFlat() {
    listNode_ = Node(null_, root_, ObjectListName(list_));
    elementNode_ = Node(null_, listNode_, element_);
    if (!flatElement_ || flatList_ != list_) flatElement_.emplace(ListFields(list_), elementNode_);
    flatList_ = list_;
    flat_ = &*flatElement_;
    flat_->Clear();
    field_ = FlatElement::kMaxFields;
    padCount_ = 0;
    inPads_ = false;
  }
  // Directly in a component's list of pads.
  bool InPadList() const { return inPads_ && flat_ == &*flatElement_; }
  FlatChild& NextPad() {
    if (padCount_ == pads_.size()) pads_.emplace_back(null_, padsNode_, ListFields(ObjectList::Pads));
    FlatChild& pad = pads_[padCount_];
    pad.node = Node(null_, padsNode_, padCount_);
    return pad;
  }
  // An array or object inside an element read flat: a component's pads, a
  // pad in them, or any other member's value.
  bool FlatOpen(bool object) {
    FlatElement& element = *flatElement_;
    if (InPadList()) {
      FlatChild& pad = NextPad();
      pad.isObject = object;
      if (object) {
        flat_ = &pad.flat;
        flat_->Clear();
        field_ = FlatElement::kMaxFields;
      } else {
        building_ = Building::PadValue;
        builder_.Begin(pad.value, false);
        builder_.Open(false);
      }
      return true;
    }
    if (flat_ == &element && list_ == ObjectList::Components && !object && field_ == element.Find("pads")) {
      element.SetChildren(field_, pads_, padsNode_);
      inPads_ = true;
      padCount_ = 0;
      return true;
    }
    building_ = Building::FlatMember;
    if (field_ == FlatElement::kMaxFields)
      builder_.Begin(builder_.own(), true);  // an unknown member's value
    else
      builder_.Begin(flat_->Set(field_), false);
    builder_.Open(object);
    return true;
  }
  void FlatClose() {
    FlatElement& element = *flatElement_;
    if (flat_ != &element) {  // a pad
      flat_ = &element;
      ++padCount_;
    } else if (inPads_) {
      inPads_ = false;
      element.SetChildCount(padCount_);
    } else {
      Guard([&] { reader_.ListElement(list_, element); });
      flat_ = nullptr;
      ++element_;
    }
  }

  // A value is complete.
  void Built() {
    DocumentJson& value = builder_.value();
    switch (building_) {
      case Building::Root:
        if (mode_ == Mode::Whole)
          Guard([&] { reader_.Document(Node(value, source_)); });
        else
          Guard([&] { Node(value, source_).ExpectObject("a board document"); });
        at_ = At::End;
        break;
      case Building::Element:
        Guard([&] {
          const Node list(null_, root_, ObjectListName(list_));
          reader_.ListElement(list_, Node(value, list, element_));
        });
        ++element_;
        break;
      case Building::Section:
        Guard([&] { SectionValue(value); });
        at_ = At::Top;
        break;
      case Building::FlatMember:
        break;
      case Building::PadValue:
        ++padCount_;
        break;
    }
  }

  bool TopKey(const std::string& key) {
    at_ = At::SectionValue;
    section_ = Section::Unknown;
    if (whole_) return true;  // passed over: the reading as a whole decides
    for (const SectionName& p : kSections)
      if (key == p.name) section_ = p.section;
    for (int l = 0; l < kObjectListCount && section_ == Section::Unknown; ++l) {
      if (key == ObjectListName(static_cast<ObjectList>(l))) {
        section_ = Section::List;
        list_ = static_cast<ObjectList>(l);
      }
    }
    if (section_ == Section::Unknown) {
      Guard([&] { FailUnknownField(Node(null_, root_, key), BoardReader::DocumentFields()); });
      return true;
    }
    // What can only be read in the reader's order.
    const std::size_t seen =
        section_ == Section::List ? 16 + static_cast<std::size_t>(list_) : static_cast<std::size_t>(section_);
    if (seen_[seen]) return ReadWhole();
    seen_[seen] = true;
    if ((section_ == Section::Layers || section_ == Section::LayerNames) && objectsBegun_) return ReadWhole();
    if (section_ == Section::Rules && rulesRead_) return ReadWhole();
    if (section_ == Section::List) {
      if (objectsBegun_ && list_ < lastList_) return ReadWhole();
      const bool begin = !objectsBegun_;
      const bool rules = list_ > ObjectList::Nets && !rulesRead_;
      objectsBegun_ = true;
      rulesRead_ = rulesRead_ || rules;
      lastList_ = list_;
      Guard([&] {
        if (begin) StackSteps();
        if (rules) RulesSteps();
      });
    }
    return true;
  }
  // The rest of the text is only parsed: its syntax decides which reading
  // comes next.
  bool ReadWhole() {
    whole_ = true;
    section_ = Section::Unknown;
    return true;
  }

  // The stack and its names, before the first object list.
  void StackSteps() {
    reader_.LayersSection(Kept(layers_, "layers"));
    if (layerNames_) reader_.LayerNames(*Kept(layerNames_, "layerNames"));
  }
  // Once the nets are known: the planes' nets and the rules.
  void RulesSteps() {
    reader_.PlaneNets(Kept(layers_, "layers"));
    reader_.Rules(Kept(rules_, "rules"));
  }
  void EndSteps() {
    if (!objectsBegun_) StackSteps();
    if (!rulesRead_) RulesSteps();
    reader_.LayerPairs(Kept(layerPairs_, "layerPairs"));
    if (options_) reader_.Options(*Kept(options_, "options"));
  }
  // A kept part as a node of the document.
  std::optional<Node> Kept(const std::optional<DocumentJson>& value, const char* name) const {
    if (!value) return std::nullopt;
    return Node(*value, root_, name);
  }

  // A part other than an object list's elements is complete.
  void SectionValue(DocumentJson& value) {
    switch (section_) {
      case Section::Description:
        BoardReader::Description(Node(value, root_, "description"));
        break;
      case Section::Board:
        reader_.BoardSection(Node(value, root_, "board"));
        break;
      case Section::ExternalDielectrics:
        reader_.ExternalDielectrics(Node(value, root_, "externalDielectrics"));
        break;
      case Section::Layers:
        layers_ = std::move(value);
        break;
      case Section::LayerNames:
        layerNames_ = std::move(value);
        break;
      case Section::LayerPairs:
        layerPairs_ = std::move(value);
        break;
      case Section::Rules:
        rules_ = std::move(value);
        break;
      case Section::Options:
        options_ = std::move(value);
        break;
      case Section::List:  // not an array: the reader says so
        reader_.List(list_, Node(value, root_, ObjectListName(list_)));
        break;
      case Section::Unknown:
        break;
    }
  }

  BoardReader reader_;
  const std::string& source_;
  FilePieces* input_;
  const Mode mode_;
  DocumentPlace place_;
  std::optional<std::string> stop_;
  const DocumentJson null_;
  const Node root_;
  // The list, the element and the pads being read flat, for the places of
  // their faults.
  Node listNode_;
  Node elementNode_;
  const Node padsNode_;
  std::optional<FlatElement> flatElement_;
  ObjectList flatList_ = ObjectList::Nets;
  FlatElement* flat_ = nullptr;  // while an element (or one of its pads) is read flat
  std::size_t field_ = FlatElement::kMaxFields;
  // A component's pads read flat.
  std::deque<FlatChild> pads_;
  std::size_t padCount_ = 0;
  bool inPads_ = false;  // in a component's "pads"
  ValueBuilder builder_;
  At at_ = At::Start;
  Building building_ = Building::Root;
  Section section_ = Section::Unknown;
  ObjectList list_ = ObjectList::Nets;
  ObjectList lastList_ = ObjectList::Nets;
  std::size_t element_ = 0;
  std::array<bool, 32> seen_{};
  bool objectsBegun_ = false;
  bool rulesRead_ = false;
  bool whole_ = false;
  std::optional<DocumentJson> layers_, layerNames_, layerPairs_, rules_, options_;
  std::optional<std::string> fault_;
  std::string syntax_;
};

// A text as rapidjson's reader takes it, in pieces: a file's read one after
// another, or a text in memory copied piece by piece, each piece followed by
// a zero character that the reader takes for the end. The text's end is told
// apart from a zero character in it by where the reading stopped. A line
// comment ends at a line feed for this reader and also at a lone carriage
// return for nlohmann-json's, so a text with a lone carriage return is left
// to nlohmann-json (LoneReturn).
class TextSource {
 public:
  // A text in memory.
  TextSource(const char* begin, const char* end) : text_(begin), textEnd_(end), buffer_(kPiece + 1) {}
  // A file, from where it stands.
  explicit TextSource(std::istream& in) : in_(&in), buffer_(kPiece + 1) {}
  TextSource(const TextSource&) = delete;
  TextSource& operator=(const TextSource&) = delete;

  bool LoneReturn() const { return loneReturn_; }
  // The characters before the piece.
  std::size_t Before() const { return taken_; }
  const char* Piece() const { return buffer_.data(); }

  // The next piece, after the one that ends at `end` (nullptr before the
  // first): its first character and its end (equal when nothing is left).
  [[gnu::noinline]] std::pair<char*, char*> Refill(const char* end) {
    char* const piece = buffer_.data();
    // The last character of the piece before, for a return at its end.
    const bool returnBefore = end != nullptr && end != piece && end[-1] == '\r';
    if (end != nullptr) taken_ += static_cast<std::size_t>(end - piece);
    std::size_t got = 0;
    if (in_ != nullptr) {
      in_->read(piece, static_cast<std::streamsize>(kPiece));
      got = static_cast<std::size_t>(in_->gcount());
    } else {
      got = std::min(kPiece, static_cast<std::size_t>(textEnd_ - text_));
      std::memcpy(piece, text_, got);
      text_ += got;
    }
    char* const pieceEnd = piece + got;
    *pieceEnd = '\0';
    if (returnBefore && (got == 0 || *piece != '\n')) loneReturn_ = true;
    // A carriage return not followed by a line feed in the piece (one at its
    // end is judged with the next piece).
    for (const char* p = piece; p != pieceEnd; ++p) {
      p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(pieceEnd - p)));
      if (p == nullptr) break;
      if (p + 1 != pieceEnd && p[1] != '\n') loneReturn_ = true;
    }
    return {piece, pieceEnd};
  }

 private:
  static constexpr std::size_t kPiece = std::size_t{1} << 20;

  std::istream* in_ = nullptr;
  const char* text_ = nullptr;
  const char* textEnd_ = nullptr;
  std::vector<char> buffer_;
  std::size_t taken_ = 0;
  bool loneReturn_ = false;
};

// rapidjson's input stream over a TextSource: where the reading stands. It
// is a copy of a few pointers, so the reader keeps a copy of its own while
// it scans a number, a string or white space (StreamTraits below).
class TextPieces {
 public:
  using Ch = char;

  explicit TextPieces(TextSource& source) : source_(&source) {
    std::tie(next_, end_) = source_->Refill(nullptr);
    // A whole byte order mark, as nlohmann-json passes over it (a part of
    // one is left to the reader, which rejects it).
    if (end_ - next_ >= 3 && std::memcmp(next_, "\xEF\xBB\xBF", 3) == 0)
      for (int i = 0; i < 3; ++i) Take();
  }

  // In every scan of the reader's: put inline.
  [[gnu::always_inline]] Ch Peek() const { return *next_; }
  [[gnu::always_inline]] Ch Take() {
    const Ch c = *next_;
    // (The new piece's bounds come back as values, so that the reader's copy
    // of this stream can stay in registers.)
    if (next_ != end_ && ++next_ == end_) std::tie(next_, end_) = source_->Refill(end_);
    return c;
  }
  std::size_t Tell() const { return source_->Before() + static_cast<std::size_t>(next_ - source_->Piece()); }

  // After a reading that stopped: true when only zero bytes, or nothing,
  // are left of the text.
  bool RestIsZeros() {
    for (; next_ != end_; Take())
      if (*next_ != '\0') return false;
    return true;
  }

  // Only for reading in place, which this text is not.
  Ch* PutBegin() { return nullptr; }
  void Put(Ch) {}
  void Flush() {}
  std::size_t PutEnd(Ch*) { return 0; }

 private:
  TextSource* source_;
  char* next_ = nullptr;
  char* end_ = nullptr;
};

// True when the n bytes at s are UTF-8 as nlohmann-json takes it: no
// surrogates, nothing above U+10FFFF, no longer form than needed.
bool ValidUtf8(const char* s, std::size_t n) {
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  const unsigned char* const end = p + n;
  while (p != end) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    const unsigned lead = *p;
    // The second byte's range and the count of bytes after the first.
    unsigned low = 0x80, high = 0xBF;
    std::size_t more = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      more = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      more = 2;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      more = 3;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) <= more || p[1] < low || p[1] > high) return false;
    for (std::size_t i = 2; i <= more; ++i)
      if ((p[i] & 0xC0U) != 0x80U) return false;
    p += more + 1;
  }
  return true;
}

// rapidjson's events handed to the loader as nlohmann-json's. The reader does
// not check the UTF-8 of the text (an escape such as \uDC00 also gives
// bytes that are none); a text or name that is not UTF-8 gives the document
// up (Refused), for nlohmann-json to say what is wrong.
class FastEvents {
 public:
  using Ch = char;
  using SizeType = rapidjson::SizeType;

  explicit FastEvents(StreamLoader& loader) : loader_(loader) {}
  bool Refused() const { return refused_; }

  bool Null() { return loader_.null(); }
  bool Bool(bool v) { return loader_.boolean(v); }
  // Numbers come as their text (kParseNumbersAsStringsFlag); one beyond a
  // double's range is left to nlohmann-json, whose reader says where it is.
  bool RawNumber(const Ch* s, SizeType n, bool) {
    std::optional<DocumentJson> v = JsonNumber(std::string_view(s, n));
    return v ? loader_.number(std::move(*v)) : Refuse();
  }
  // Not asked for: every number comes as text.
  bool Int(int) { return Refuse(); }
  bool Uint(unsigned) { return Refuse(); }
  bool Int64(std::int64_t) { return Refuse(); }
  bool Uint64(std::uint64_t) { return Refuse(); }
  bool Double(double) { return Refuse(); }
  bool String(const Ch* s, SizeType n, bool) {
    if (!ValidUtf8(s, n)) return Refuse();
    if (loader_.FlatText(std::string_view(s, n))) return true;
    text_.assign(s, n);
    return loader_.string(text_);
  }
  bool Key(const Ch* s, SizeType n, bool) {
    // A flat element's own names are ASCII: taken as they stand.
    if (loader_.Flat() && loader_.FlatKey(std::string_view(s, n))) return true;
    if (!ValidUtf8(s, n)) return Refuse();
    if (loader_.Flat()) return loader_.UnknownKey(std::string_view(s, n));
    text_.assign(s, n);
    return loader_.key(text_);
  }
  bool StartObject() { return Deeper() && loader_.start_object(0); }
  bool EndObject(SizeType) {
    --depth_;
    return loader_.end_object();
  }
  bool StartArray() { return Deeper() && loader_.start_array(0); }
  bool EndArray(SizeType) {
    --depth_;
    return loader_.end_array();
  }

 private:
  // The reader goes one call deeper for each level: a text nested deeper
  // than kMaxNesting is left to nlohmann-json, which does not recurse and
  // says where, before the reader can run out of stack.
  bool Deeper() { return ++depth_ <= kMaxNesting || Refuse(); }
  bool Refuse() {
    refused_ = true;
    return false;
  }

  StreamLoader& loader_;
  std::string text_;
  std::size_t depth_ = 0;
  bool refused_ = false;
};

// Numbers as their text (the reader's own conversion of doubles is not
// exact); comments as nlohmann-json takes them.
constexpr unsigned kFastFlags = rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseCommentsFlag;

// How the fast reading of a document ended.
enum class FastEnd : std::uint8_t {
  Board,      // read: the board, or the fault found in it
  ReadWhole,  // its parts are out of the reader's order
  Refused,    // left to nlohmann-json
};

// The document read by rapidjson's reader, in stream order or whole; the
// board when it ends in FastEnd::Board.
FastEnd LoadFast(TextSource& source, const std::string& sourceName, StreamLoader::Mode mode,
                 std::unique_ptr<Board>& result) {
  TextPieces text(source);
  auto board = std::make_unique<Board>();
  StreamLoader loader(*board, sourceName, nullptr, mode);
  FastEvents events(loader);
  rapidjson::Reader reader;
  const rapidjson::ParseResult parsed = reader.Parse<kFastFlags>(text, events);
  // The reader stops at a zero byte as at the end of the text.
  if (parsed.IsError() || !text.RestIsZeros() || source.LoneReturn()) return FastEnd::Refused;
  if (loader.mustReadWhole()) return FastEnd::ReadWhole;
  loader.Finish();
  result = std::move(board);
  return FastEnd::Board;
}

// The document read as a whole by nlohmann-json's reader: what the fast
// reader refused, with the messages of its reader, the same checks and the
// places of the faults that stop a reading.
std::unique_ptr<Board> LoadReference(FilePieces& input, const std::string& sourceName) {
  auto board = std::make_unique<Board>();
  StreamLoader loader(*board, sourceName, &input, StreamLoader::Mode::Whole);
  const bool parsed =
      DocumentJson::sax_parse(input.begin(), FilePieces::end(), &loader, nlohmann::detail::input_format_t::json,
                              /*strict=*/true, /*ignore_comments=*/true);
  if (!parsed) loader.FailSyntax();
  // Its reader, too, ends the text at a zero byte; a document does not go
  // on after one.
  if (const std::optional<std::size_t> zero = input.TextAfterZero())
    throw BoardError(sourceName + ": not a JSON document: text after a zero byte at " + input.LineColumn(*zero));
  loader.Finish();
  return board;
}

}  // namespace

std::unique_ptr<Board> LoadBoardText(std::string_view text, const std::string& sourceName) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  std::unique_ptr<Board> board;
  TextSource pieces(begin, end);
  FastEnd how = LoadFast(pieces, sourceName, StreamLoader::Mode::Stream, board);
  if (how == FastEnd::ReadWhole) {
    TextSource again(begin, end);
    how = LoadFast(again, sourceName, StreamLoader::Mode::Whole, board);
  }
  if (how == FastEnd::Board) return board;
  FilePieces reference(begin, end);
  return LoadReference(reference, sourceName);
}

std::unique_ptr<Board> LoadBoardFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BoardError(path + ": cannot open the board document");
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size <= 0) {
    // A stream without a size (a pipe) cannot be read twice: read to its end.
    in.clear();
    std::ostringstream rest;
    rest << in.rdbuf();
    if (in.bad()) throw BoardError(path + ": cannot read the board document");
    return LoadBoardText(rest.str(), path);
  }
  // Each further reading opens the file again from its beginning.
  const auto checked = [&](std::ifstream& file) {
    if (file.bad()) throw BoardError(path + ": cannot read the board document");
  };
  const auto reopen = [&]() {
    std::ifstream again(path, std::ios::binary);
    if (!again) throw BoardError(path + ": cannot open the board document");
    return again;
  };
  std::unique_ptr<Board> board;
  TextSource pieces(in);
  FastEnd how = LoadFast(pieces, path, StreamLoader::Mode::Stream, board);
  checked(in);
  if (how == FastEnd::ReadWhole) {
    std::ifstream again = reopen();
    TextSource piecesAgain(again);
    how = LoadFast(piecesAgain, path, StreamLoader::Mode::Whole, board);
    checked(again);
  }
  if (how == FastEnd::Board) return board;
  std::ifstream reference = reopen();
  FilePieces referencePieces(reference);
  board = LoadReference(referencePieces, path);
  checked(reference);
  return board;
}

}  // namespace sim
