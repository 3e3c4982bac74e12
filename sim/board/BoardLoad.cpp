// Loading board documents. A document is read as a stream of a JSON parser's
// events: the small parts (the board's values, the stack, the rules, the
// options) are kept as values until they are needed, and every element of an
// object list becomes the board's object as soon as it has been read, so a
// large board never exists as a whole JSON tree.
//
// The reader takes a document's parts in a fixed order (BoardReader.h). A
// document whose parts come in another order than that one (an object list
// before the stack, "objects" before "fills", a member twice) cannot be taken
// element by element: it is read again as a whole and handed to the reader in
// that order, as small documents are anyway. Either way the board and the
// faults are the same: a text that is not JSON is reported as such even when
// a fault of its contents comes first, and a fault found while reading in
// stream order before such a second reading is not reported, since the
// reading in order decides.
//
// Two parsers give the events. rapidjson's reader is the fast one and reads
// every document first. A text it does not take as JSON, or might take
// otherwise than nlohmann-json does, is read again from its beginning by
// nlohmann-json's, whose messages (line, column and what was expected) are
// the ones a bad document is told; so a bad text costs a second reading and
// a good one never does.
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
// value for the element. An element that is not plain, or has a fault, gives
// that reading up, and the document is read again without it.
#include <rapidjson/error/error.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <sstream>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "sim/board/BoardJson.h"
#include "sim/board/BoardReader.h"

namespace sim {
// The allocator that names the loader's own stack for rapidjson's reader.
struct ReaderStackAllocator : rapidjson::CrtAllocator {};
}  // namespace sim

// rapidjson's reader keeps the text of a string or number on a stack of its
// own. Its stack (1.1.0) allocates on the first push and checks for room by
// adding to its null pointer before that, which is undefined behaviour. The
// loader's reader takes this stack instead: the same operations the reader
// uses, on a buffer that exists from the start.
template <>
class rapidjson::internal::Stack<sim::ReaderStackAllocator> {
 public:
  Stack(sim::ReaderStackAllocator*, std::size_t capacity) { Grow(capacity); }
  ~Stack() { std::free(bottom_); }
  Stack(const Stack&) = delete;
  Stack& operator=(const Stack&) = delete;

  void Clear() { top_ = bottom_; }
  template <typename T>
  [[gnu::always_inline]] T* Push(std::size_t count = 1) {
    const std::size_t size = sizeof(T) * count;
    if (static_cast<std::size_t>(end_ - top_) < size) Grow(size);
    T* const pushed = reinterpret_cast<T*>(top_);
    top_ += size;
    return pushed;
  }
  template <typename T>
  T* Pop(std::size_t count) {
    top_ -= sizeof(T) * count;
    return reinterpret_cast<T*>(top_);
  }
  template <typename T>
  T* Top() {
    return reinterpret_cast<T*>(top_ - sizeof(T));
  }
  std::size_t GetSize() const { return static_cast<std::size_t>(top_ - bottom_); }
  bool Empty() const { return top_ == bottom_; }

 private:
  // Room for `more` bytes beyond the top, at least twice the room before.
  [[gnu::noinline]] void Grow(std::size_t more) {
    const std::size_t size = GetSize();
    const std::size_t capacity = std::max(size + more, 2 * static_cast<std::size_t>(end_ - bottom_));
    char* const grown = static_cast<char*>(std::realloc(bottom_, std::max<std::size_t>(capacity, 1)));
    if (grown == nullptr) throw std::bad_alloc();
    bottom_ = grown;
    top_ = grown + size;
    end_ = grown + capacity;
  }

  char* bottom_ = nullptr;
  char* top_ = nullptr;
  char* end_ = nullptr;
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
// (-3 for 0.00123, 2 for 1.5e2); nothing when every digit is 0. Exponents far
// beyond a double's range are cut at 100000.
std::optional<long> LeadingExponent(std::string_view text) {
  const std::size_t e = text.find_first_of("eE");
  const std::string_view mantissa = text.substr(0, e);
  const std::size_t digit = mantissa.find_first_of("123456789");
  if (digit == std::string_view::npos) return std::nullopt;
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  long exponent = digit < point ? static_cast<long>(point - digit - 1) : -static_cast<long>(digit - point);
  if (e != std::string_view::npos) {
    std::string_view power = text.substr(e + 1);
    const bool below = power.front() == '-';
    if (power.front() == '+' || below) power.remove_prefix(1);
    long magnitude = 0;
    for (const char c : power) magnitude = std::min(magnitude * 10 + (c - '0'), 100000L);
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
  const std::optional<long> exponent = LeadingExponent(text);
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

// One value of the document built from the parser's events, or only passed
// over (after a fault, when nothing is read any more).
class ValueBuilder {
 public:
  bool Active() const { return active_; }
  DocumentJson& value() { return value_; }

  void Begin(bool skip) {
    active_ = true;
    skip_ = skip;
    depth_ = 0;
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
      // An element's members take the place of the last element's: its
      // storage is kept from one element to the next.
      if (v.is_object() && value_.is_object())
        value_.get_ref<DocumentJson::object_t&>().clear();
      else
        value_ = std::move(v);
      return value_;
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
  DocumentJson value_;
  std::vector<DocumentJson*> stack_;
  DocumentJson* slot_ = nullptr;
};

// The value types of nlohmann-json's reader events, as both event handlers
// below take them.
struct DocumentEventTypes {
  using number_integer_t = DocumentJson::number_integer_t;
  using number_unsigned_t = DocumentJson::number_unsigned_t;
  using number_float_t = DocumentJson::number_float_t;
  using string_t = DocumentJson::string_t;
  using binary_t = DocumentJson::binary_t;
};

// The parser's event handler: reads a document in stream order (see the top
// of this file), or finds that it must be read as a whole.
class StreamLoader : public DocumentEventTypes {
 public:
  // `input` is the text nlohmann-json's reader takes, for the place of a
  // fault; rapidjson's events (FastEvents) come without it.
  // `flat`: the elements of the lists that FlatElement reads are read
  // straight from the events; an element that is not plain (a member
  // unknown or given twice, a nested value) or has a fault gives the
  // reading up (Abandoned), for a reading without it to take.
  StreamLoader(Board& board, const std::string& source, FilePieces* input = nullptr, bool flat = false)
      : reader_(board),
        source_(source),
        input_(input),
        flatReading_(flat),
        root_(null_, source_),
        listNode_(null_, root_, ""),
        elementNode_(null_, listNode_, std::size_t{0}) {}
  // Its nodes refer to its members.
  StreamLoader(const StreamLoader&) = delete;
  StreamLoader& operator=(const StreamLoader&) = delete;

  // After the parse: true when the document must be read as a whole.
  bool mustReadWhole() const { return whole_; }
  // After the parse: true when a flat reading gave up.
  bool Abandoned() const { return abandoned_; }
  // After a parse that returned true: the remaining steps; throws the fault
  // found.
  void Finish() {
    if (!fault_) Guard([&] { EndSteps(); });
    if (fault_) throw BoardError(*fault_);
  }
  // After a parse that returned false (and not for a whole reading): the
  // fault that stopped the reading.
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
  // --- The same for an element read flat, without a copy of the text.
  bool Flat() const { return flat_ != nullptr; }
  bool FlatKey(std::string_view k) {
    field_ = flat_->Find(k);
    return (field_ != FlatElement::kMaxFields && !flat_->IsSet(field_)) || Abandon();
  }
  // True when the text was taken (a flat element's text, which takes the
  // place of the last element's and keeps its storage).
  bool FlatText(std::string_view v) {
    if (flat_ == nullptr || inSize_ || !flat_->IsKept(field_)) return false;
    flat_->Set(field_).get_ref<std::string&>().assign(v);
    return true;
  }

  bool key(string_t& k) {
    if (input_ != nullptr) place_.Key(k);
    if (flat_) return FlatKey(k);
    if (builder_.Active()) {
      builder_.Key(k);
      return true;
    }
    return TopKey(k);
  }
  bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& e) {
    // 406: a number beyond a double's range; `position` is just after it.
    if (e.id == 406) return Stop(NumberRangeFault(token), position - token.size());
    syntax_ = ParseErrorText(e.what());
    return false;
  }

 private:
  // Where the next event belongs.
  enum class At : std::uint8_t { Start, Top, SectionValue, List, End };
  // What the value being built is.
  enum class Building : std::uint8_t { Root, Section, Element };

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

  bool Abandon() {
    abandoned_ = true;
    return false;
  }

  bool Scalar(DocumentJson&& v) {
    if (flat_) {
      if (inSize_) {
        flat_->Set(field_).push_back(std::move(v));
        return true;
      }
      // Directly in a component's pads: not a pad read flat.
      if (inPads_ && flat_ == &*flatElement_) return Abandon();
      flat_->Set(field_) = std::move(v);
      return true;
    }
    if (!builder_.Active()) Begin();
    if (builder_.Scalar(std::move(v))) Built();
    if (input_ != nullptr) place_.Done();
    return true;
  }
  bool Open(bool object) {
    // Just after its bracket (nlohmann-json's reader reads no further
    // before the event); rapidjson's events never come this deep.
    if (input_ != nullptr && !place_.Open(!object)) return Stop(NestingFault(), input_->Taken() - 1);
    if (flat_) return FlatOpen(object);
    if (at_ == At::List && object && flatReading_ && !builder_.Active() && !fault_ &&
        !FlatElement::Fields(list_).empty()) {
      if (!flatElement_ || flatList_ != list_) flatElement_.emplace(FlatElement::Fields(list_), elementNode_);
      flatList_ = list_;
      flat_ = &*flatElement_;
      return true;
    }
    if (builder_.Active()) {
      builder_.Open(object);
      return true;
    }
    if (at_ == At::Start && object) {
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
    if (flat_) return FlatClose();
    if (builder_.Active()) {
      if (builder_.Close()) Built();
    } else if (at_ == At::List) {
      at_ = At::Top;
    } else if (at_ == At::Top) {
      at_ = At::End;
    }
    return true;
  }
  // A value begins outside the builder.
  void Begin() {
    building_ = at_ == At::Start ? Building::Root : at_ == At::List ? Building::Element : Building::Section;
    builder_.Begin(fault_.has_value() || (building_ == Building::Section && section_ == Section::Unknown));
  }

  // An array or object inside a flat element: a component's pads, a pad
  // in them, a pad's size of two lengths; nothing else.
  bool FlatOpen(bool object) {
    FlatElement& element = *flatElement_;
    if (flat_ == &element && !inPads_ && !object && list_ == ObjectList::Components && field_ == kPadsField) {
      inPads_ = true;
      element.Set(field_) = nullptr;
      padCount_ = 0;
      return true;
    }
    if (flat_ == &element && inPads_ && object) {
      if (padCount_ == pads_.size()) {
        padNodes_.emplace_back(null_, elementNode_, std::size_t{0});
        pads_.emplace_back(FlatElement::PadFields(), padNodes_.back());
      }
      flat_ = &pads_[padCount_];
      flat_->Clear();
      return true;
    }
    if (flat_ != &element && !inSize_ && !object && field_ == kPadSizeField) {
      inSize_ = true;
      DocumentJson& size = flat_->Set(field_);
      if (size.is_array())
        size.clear();
      else
        size = DocumentJson::array();
      return true;
    }
    return Abandon();
  }
  bool FlatClose() {
    if (inSize_) {
      inSize_ = false;
    } else if (flat_ != &*flatElement_) {  // a pad
      flat_ = &*flatElement_;
      ++padCount_;
    } else if (inPads_) {
      inPads_ = false;
    } else {
      return FlatBuilt();
    }
    return true;
  }

  // A flat element is complete.
  bool FlatBuilt() {
    listNode_ = Node(null_, root_, ObjectListName(list_));
    elementNode_ = Node(null_, listNode_, element_);
    try {
      if (list_ == ObjectList::Components)
        reader_.FlatComponent(*flat_, pads_, padCount_);
      else
        reader_.ListElement(list_, *flat_);
    } catch (const BoardError&) {
      return Abandon();
    }
    padCount_ = 0;
    flat_->Clear();
    flat_ = nullptr;
    ++element_;
    return true;
  }

  // A value is complete.
  bool Built() {
    DocumentJson& value = builder_.value();
    switch (building_) {
      case Building::Root:
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
    }
    return true;
  }

  bool TopKey(const std::string& key) {
    at_ = At::SectionValue;
    section_ = Section::Unknown;
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
  bool ReadWhole() {
    whole_ = true;
    return false;
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
  const bool flatReading_;
  DocumentPlace place_;
  std::optional<std::string> stop_;
  const DocumentJson null_;
  const Node root_;
  // The list and the element being read flat, for the places of its
  // faults.
  Node listNode_;
  Node elementNode_;
  std::optional<FlatElement> flatElement_;
  ObjectList flatList_ = ObjectList::Nets;
  FlatElement* flat_ = nullptr;  // while an element (or one of its pads) is read flat
  std::size_t field_ = 0;
  // A component's pads read flat, and the places of their faults (not read:
  // a fault gives the flat reading up).
  static constexpr std::size_t kPadsField = 7, kPadSizeField = 7;
  std::deque<Node> padNodes_;
  std::deque<FlatElement> pads_;
  std::size_t padCount_ = 0;
  bool inPads_ = false;  // in a component's "pads"
  bool inSize_ = false;  // in a pad's "size"
  bool abandoned_ = false;
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

// A text as rapidjson's reader takes it (its input stream), in pieces: a
// file's read one after another, or a text in memory copied piece by piece,
// each piece followed by a zero character that the reader takes for the end.
// The text's end is told apart from a zero character in it by where the
// reading stopped (AtEnd). A line comment ends at a line feed for this reader
// and also at a lone carriage return for nlohmann-json's, so a text with a
// lone carriage return is left to nlohmann-json (LoneReturn).
class TextPieces {
 public:
  using Ch = char;

  // A text in memory.
  TextPieces(const char* begin, const char* end) : text_(begin), textEnd_(end), buffer_(kPiece + 1) { Start(); }
  // A file, from where it stands.
  explicit TextPieces(std::istream& in) : in_(&in), buffer_(kPiece + 1) { Start(); }

  [[gnu::always_inline]] Ch Peek() const { return *next_; }
  [[gnu::always_inline]] Ch Take() {
    const Ch c = *next_;
    if (next_ != end_ && ++next_ == end_) Refill();
    return c;
  }
  std::size_t Tell() const { return taken_ + static_cast<std::size_t>(next_ - buffer_.data()); }

  // The characters from the next one on, in this piece, up to the first
  // that ends or escapes a string or is a control character (the piece's
  // end is a zero character); then that character.
  std::string_view PlainRun() const {
    const char* p = next_;
    while (static_cast<unsigned char>(*p) >= 0x20 && *p != '"' && *p != '\\') ++p;
    return {next_, static_cast<std::size_t>(p - next_)};
  }
  char After(std::string_view run) const { return run.data()[run.size()]; }
  // Takes n characters, as n calls of Take.
  void Skip(std::size_t n) {
    next_ += n;
    if (next_ == end_) Refill();
  }

  // True when the reading stopped at the end of the text.
  bool AtEnd() const { return next_ == end_; }
  bool LoneReturn() const { return loneReturn_; }

  // Only for reading in place, which this text is not.
  Ch* PutBegin() { return nullptr; }
  void Put(Ch) {}
  void Flush() {}
  std::size_t PutEnd(Ch*) { return 0; }

 private:
  static constexpr std::size_t kPiece = std::size_t{1} << 20;

  void Start() {
    next_ = end_ = buffer_.data();
    Refill();
    // A whole byte order mark, as nlohmann-json passes over it (a part of
    // one is left to the reader, which rejects it).
    if (end_ - next_ >= 3 && std::memcmp(next_, "\xEF\xBB\xBF", 3) == 0)
      for (int i = 0; i < 3; ++i) Take();
  }
  [[gnu::noinline]] void Refill() {
    char* const piece = buffer_.data();
    // The last character of the piece before, for a return at its end.
    const bool returnBefore = end_ != piece && end_[-1] == '\r';
    taken_ += static_cast<std::size_t>(end_ - piece);
    std::size_t got = 0;
    if (in_ != nullptr) {
      in_->read(piece, static_cast<std::streamsize>(kPiece));
      got = static_cast<std::size_t>(in_->gcount());
    } else {
      got = std::min(kPiece, static_cast<std::size_t>(textEnd_ - text_));
      std::memcpy(piece, text_, got);
      text_ += got;
    }
    next_ = piece;
    end_ = piece + got;
    *end_ = '\0';
    if (returnBefore && (got == 0 || *piece != '\n')) loneReturn_ = true;
    FindLoneReturn();
  }
  // A carriage return not followed by a line feed in the piece (one at its
  // end is judged with the next piece).
  void FindLoneReturn() {
    for (const char* p = next_; p != end_; ++p) {
      p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end_ - p)));
      if (p == nullptr) return;
      if (p + 1 != end_ && p[1] != '\n') loneReturn_ = true;
    }
  }

  std::istream* in_ = nullptr;
  const char* text_ = nullptr;
  const char* textEnd_ = nullptr;
  std::vector<char> buffer_;
  char* next_ = nullptr;
  char* end_ = nullptr;
  std::size_t taken_ = 0;
  bool loneReturn_ = false;
};

// rapidjson's reader passes over white space with this (found for the
// loader's text by its type), which the compiler puts inline.
inline void SkipWhitespace(TextPieces& is) {
  for (char c = is.Peek(); c == ' ' || c == '\n' || c == '\r' || c == '\t'; c = is.Peek()) is.Take();
}

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
  // A whole number of up to 18 digits, which its scan has read exactly (as
  // JsonNumber reads one: signed when negative).
  bool WholeNumber(bool negative, std::uint64_t digits) {
    return loader_.number(negative ? DocumentJson(-static_cast<std::int64_t>(digits)) : DocumentJson(digits));
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
    // A flat element's names are the list's own (ASCII), or give it up.
    if (loader_.Flat()) return loader_.FlatKey(std::string_view(s, n));
    if (!ValidUtf8(s, n)) return Refuse();
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

}  // namespace
}  // namespace sim

// rapidjson's reader copies every string, character by character; the
// loader's reader hands a string without escapes that lies in one piece of
// the text as it stands there, and copies the others as rapidjson does.
template <>
template <>
void rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, sim::ReaderStackAllocator>::ParseString<
    sim::kFastFlags, sim::TextPieces, sim::FastEvents>(sim::TextPieces& is, sim::FastEvents& handler, bool isKey) {
  is.Take();  // the opening quote
  bool taken = false;
  const std::string_view run = is.PlainRun();
  if (is.After(run) == '"') {
    // Handed before the piece can be refilled.
    const auto length = static_cast<SizeType>(run.size());
    taken = isKey ? handler.Key(run.data(), length, false) : handler.String(run.data(), length, false);
    is.Skip(run.size() + 1);
  } else {
    StackStream<char> copy(stack_);
    ParseStringToStream<sim::kFastFlags, UTF8<>, UTF8<>>(is, copy);
    RAPIDJSON_PARSE_ERROR_EARLY_RETURN_VOID;
    const auto length = static_cast<SizeType>(copy.Length()) - 1;
    const char* const text = copy.Pop();
    taken = isKey ? handler.Key(text, length, true) : handler.String(text, length, true);
  }
  if (!taken) RAPIDJSON_PARSE_ERROR(kParseErrorTermination, is.Tell());
}

// rapidjson's reader scans a number as its text only after working out its
// value, then copies the text; the loader, which converts the text itself,
// takes it from this scan of the number's grammar alone
// (-?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?), an error where the
// reader's own has one.
template <>
template <>
void rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, sim::ReaderStackAllocator>::ParseNumber<
    sim::kFastFlags, sim::TextPieces, sim::FastEvents>(sim::TextPieces& is, sim::FastEvents& handler) {
  const std::size_t start = is.Tell();
  std::array<char, 64> small{};
  std::string large;  // a number longer than `small`
  std::size_t n = 0;
  const auto put = [&](char c) {
    if (n < small.size()) {
      small[n++] = c;
      return;
    }
    if (large.empty()) large.assign(small.data(), n);
    large += c;
    ++n;
  };
  const auto take = [&] { put(is.Take()); };
  const auto digit = [&] { return is.Peek() >= '0' && is.Peek() <= '9'; };
  const auto digits = [&] {
    while (digit()) take();
  };
  // A whole number of up to 18 digits is read as it is scanned; any other
  // number is kept as its text.
  const bool negative = is.Peek() == '-';
  if (negative) is.Take();
  std::uint64_t whole = 0;
  bool more = false;  // a 19th digit follows
  if (is.Peek() == '0') {
    is.Take();
  } else if (digit()) {
    for (int count = 0; digit() && count < 18; ++count) whole = whole * 10 + static_cast<unsigned>(is.Take() - '0');
    more = digit();
  } else {
    RAPIDJSON_PARSE_ERROR(kParseErrorValueInvalid, is.Tell());
  }
  if (!more && is.Peek() != '.' && is.Peek() != 'e' && is.Peek() != 'E') {
    if (!handler.WholeNumber(negative, whole)) RAPIDJSON_PARSE_ERROR(kParseErrorTermination, start);
    return;
  }
  // The text read so far, spelt again (it has no leading zeros).
  if (negative) put('-');
  std::array<char, 20> spelt{};
  const auto [spentEnd, spellError] = std::to_chars(spelt.data(), spelt.data() + spelt.size(), whole);
  (void)spellError;
  for (const char* c = spelt.data(); c != spentEnd; ++c) put(*c);
  if (more) digits();
  if (is.Peek() == '.') {
    take();
    if (!digit()) RAPIDJSON_PARSE_ERROR(kParseErrorNumberMissFraction, is.Tell());
    digits();
  }
  if (is.Peek() == 'e' || is.Peek() == 'E') {
    take();
    if (is.Peek() == '+' || is.Peek() == '-') take();
    if (!digit()) RAPIDJSON_PARSE_ERROR(kParseErrorNumberMissExponent, is.Tell());
    digits();
  }
  const char* const text = n <= small.size() ? small.data() : large.data();
  if (!handler.RawNumber(text, static_cast<SizeType>(n), true)) RAPIDJSON_PARSE_ERROR(kParseErrorTermination, start);
}

namespace sim {
namespace {

// How the fast reading of a document ended.
enum class FastEnd : std::uint8_t {
  Board,      // read: the board, or the fault found in it
  ReadWhole,  // its parts are out of the reader's order
  Refused,    // left to nlohmann-json
  Abandoned,  // an element read flat was not plain, or had a fault
};

// The document read in stream order by rapidjson's reader; the board when it
// ends in FastEnd::Board.
FastEnd LoadFast(TextPieces& text, const std::string& sourceName, std::unique_ptr<Board>& result, bool flat) {
  auto board = std::make_unique<Board>();
  StreamLoader loader(*board, sourceName, nullptr, flat);
  FastEvents events(loader);
  rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, ReaderStackAllocator> reader;
  const rapidjson::ParseResult parsed = reader.Parse<kFastFlags>(text, events);
  if (loader.Abandoned()) return FastEnd::Abandoned;
  if (loader.mustReadWhole()) return FastEnd::ReadWhole;
  if (parsed.IsError() || events.Refused() || !text.AtEnd() || text.LoneReturn()) return FastEnd::Refused;
  loader.Finish();
  result = std::move(board);
  return FastEnd::Board;
}

// nlohmann-json's tree of a whole document, built from its reader's events
// with the same checks as the stream reading: numbers by JsonNumber, the
// nesting limited, both faults said with their place.
class WholeDocument : public DocumentEventTypes {
 public:
  WholeDocument(DocumentJson& document, const std::string& source, FilePieces& input)
      : tree_(document), source_(source), input_(input) {}

  bool null() { return Done(tree_.null()); }
  bool boolean(bool v) { return Done(tree_.boolean(v)); }
  bool number_integer(number_integer_t v) { return Done(tree_.number_integer(v)); }
  bool number_unsigned(number_unsigned_t v) { return Done(tree_.number_unsigned(v)); }
  bool number_float(number_float_t, const string_t& text) {
    const std::optional<DocumentJson> v = JsonNumber(text);
    if (!v) Stop(NumberRangeFault(text), input_.Taken() - text.size());
    return Done(tree_.number_float(v->get<double>(), text));
  }
  bool string(string_t& v) { return Done(tree_.string(v)); }
  bool binary(binary_t& v) { return tree_.binary(v); }
  bool start_object(std::size_t n) { return Open(false) && tree_.start_object(n); }
  bool start_array(std::size_t n) { return Open(true) && tree_.start_array(n); }
  bool end_object() {
    place_.Close();
    return tree_.end_object();
  }
  bool end_array() {
    place_.Close();
    return tree_.end_array();
  }
  bool key(string_t& k) {
    place_.Key(k);
    return tree_.key(k);
  }
  bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& e) {
    if (e.id == 406) Stop(NumberRangeFault(token), position - token.size());
    throw BoardError(source_ + ": not a JSON document: " + ParseErrorText(e.what()));
  }

 private:
  bool Done(bool result) {
    place_.Done();
    return result;
  }
  bool Open(bool array) {
    if (!place_.Open(array)) Stop(NestingFault(), input_.Taken() - 1);
    return true;
  }
  [[noreturn]] void Stop(const std::string& what, std::size_t offset) {
    throw BoardError(source_ + ": " + place_.Pointer() + ": " + what + " at " + input_.LineColumn(offset));
  }

  nlohmann::detail::json_sax_dom_parser<DocumentJson> tree_;
  const std::string& source_;
  FilePieces& input_;
  DocumentPlace place_;
};

// The document read as a whole and handed to the reader in its order.
std::unique_ptr<Board> LoadWhole(FilePieces& input, const std::string& sourceName) {
  DocumentJson document;
  WholeDocument events(document, sourceName, input);
  DocumentJson::sax_parse(input.begin(), FilePieces::end(), &events, nlohmann::detail::input_format_t::json,
                          /*strict=*/true, /*ignore_comments=*/true);
  auto board = std::make_unique<Board>();
  BoardReader reader(*board);
  try {
    reader.Document(Node(document, sourceName));
  } catch (const DocumentJson::exception& e) {
    // Only a fault of the reader itself gets here; still name the document.
    throw BoardError(sourceName + ": " + ParseErrorText(e.what()));
  }
  return board;
}

// The document read in stream order; nothing when it must be read as a
// whole.
std::unique_ptr<Board> LoadStream(FilePieces& input, const std::string& sourceName) {
  auto board = std::make_unique<Board>();
  StreamLoader loader(*board, sourceName, &input);
  const bool parsed =
      DocumentJson::sax_parse(input.begin(), FilePieces::end(), &loader, nlohmann::detail::input_format_t::json,
                              /*strict=*/true, /*ignore_comments=*/true);
  if (loader.mustReadWhole()) return nullptr;
  if (!parsed) loader.FailSyntax();
  loader.Finish();
  return board;
}

}  // namespace

std::unique_ptr<Board> LoadBoardText(std::string_view text, const std::string& sourceName) {
  std::unique_ptr<Board> board;
  TextPieces pieces(text.data(), text.data() + text.size());
  FastEnd end = LoadFast(pieces, sourceName, board, /*flat=*/true);
  if (end == FastEnd::Abandoned) {
    TextPieces again(text.data(), text.data() + text.size());
    end = LoadFast(again, sourceName, board, /*flat=*/false);
  }
  if (end == FastEnd::Board) return board;
  if (end == FastEnd::Refused) {
    FilePieces again(text.data(), text.data() + text.size());
    if ((board = LoadStream(again, sourceName))) return board;
  }
  FilePieces whole(text.data(), text.data() + text.size());
  return LoadWhole(whole, sourceName);
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
  TextPieces pieces(in);
  FastEnd end = LoadFast(pieces, path, board, /*flat=*/true);
  checked(in);
  if (end == FastEnd::Abandoned) {
    std::ifstream again = reopen();
    TextPieces piecesAgain(again);
    end = LoadFast(piecesAgain, path, board, /*flat=*/false);
    checked(again);
  }
  if (end == FastEnd::Board) return board;
  if (end == FastEnd::Refused) {
    std::ifstream again = reopen();
    FilePieces slow(again);
    board = LoadStream(slow, path);
    checked(again);
    if (board) return board;
  }
  std::ifstream whole = reopen();
  FilePieces wholePieces(whole);
  board = LoadWhole(wholePieces, path);
  checked(whole);
  return board;
}

}  // namespace sim
