// Loading board documents. A document is read as a stream of the parser's
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
#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <vector>

#include "sim/board/BoardJson.h"
#include "sim/board/BoardReader.h"

namespace sim {
namespace {

// "[json.exception.parse_error.101] parse error at line 3, column 5: ..." ->
// "parse error at line 3, column 5: ..."
std::string ParseErrorText(const std::string& what) {
  const std::size_t end = what.find("] ");
  return end == std::string::npos ? what : what.substr(end + 2);
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

// The parser's event handler: reads a document in stream order (see the top
// of this file), or finds that it must be read as a whole.
class StreamLoader {
 public:
  using number_integer_t = DocumentJson::number_integer_t;
  using number_unsigned_t = DocumentJson::number_unsigned_t;
  using number_float_t = DocumentJson::number_float_t;
  using string_t = DocumentJson::string_t;
  using binary_t = DocumentJson::binary_t;

  StreamLoader(Board& board, const std::string& source) : reader_(board), source_(source), root_(null_, source_) {}
  // Its nodes refer to its members.
  StreamLoader(const StreamLoader&) = delete;
  StreamLoader& operator=(const StreamLoader&) = delete;

  // After the parse: true when the document must be read as a whole.
  bool mustReadWhole() const { return whole_; }
  // After a parse that returned true: the remaining steps; throws the fault
  // found.
  void Finish() {
    if (!fault_) Guard([&] { EndSteps(); });
    if (fault_) throw BoardError(*fault_);
  }
  // After a parse that returned false (and not for a whole reading).
  [[noreturn]] void FailSyntax() const { throw BoardError(source_ + ": not a JSON document: " + syntax_); }

  // --- The parser's events.
  bool null() { return Scalar(DocumentJson(nullptr)); }
  bool boolean(bool v) { return Scalar(DocumentJson(v)); }
  bool number_integer(number_integer_t v) { return Scalar(DocumentJson(v)); }
  bool number_unsigned(number_unsigned_t v) { return Scalar(DocumentJson(v)); }
  bool number_float(number_float_t v, const string_t&) { return Scalar(DocumentJson(v)); }
  bool string(string_t& v) { return Scalar(DocumentJson(v)); }
  bool binary(binary_t&) { return true; }  // not in JSON text
  bool start_object(std::size_t) { return Open(true); }
  bool start_array(std::size_t) { return Open(false); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool key(string_t& k) {
    if (builder_.Active()) {
      builder_.Key(k);
      return true;
    }
    return TopKey(k);
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
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

  bool Scalar(DocumentJson&& v) {
    if (builder_.Active()) return builder_.Scalar(std::move(v)) ? Built() : true;
    Begin();
    return builder_.Scalar(std::move(v)) ? Built() : true;
  }
  bool Open(bool object) {
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
    if (builder_.Active()) return builder_.Close() ? Built() : true;
    if (at_ == At::List) {
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
  const DocumentJson null_;
  const Node root_;
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

// A file read in pieces, as the characters the parser asks for one at a time:
// the document is never held whole.
class FilePieces {
 public:
  explicit FilePieces(std::istream& in) : in_(in), buffer_(1 << 20) {}

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

 private:
  bool Refill() {
    in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    next_ = buffer_.data();
    end_ = next_ + in_.gcount();
    return next_ != end_;
  }

  std::istream& in_;
  std::vector<char> buffer_;
  const char* next_ = nullptr;
  const char* end_ = nullptr;
};

// The document read as a whole and handed to the reader in its order.
template <typename Input>
std::unique_ptr<Board> LoadWhole(Input&& input, const std::string& sourceName) {
  DocumentJson document;
  try {
    document = DocumentJson::parse(std::forward<Input>(input), nullptr, /*allow_exceptions=*/true,
                                   /*ignore_comments=*/true);
  } catch (const DocumentJson::exception& e) {
    throw BoardError(sourceName + ": not a JSON document: " + ParseErrorText(e.what()));
  }
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
template <typename Iterator>
std::unique_ptr<Board> LoadStream(Iterator first, Iterator last, const std::string& sourceName) {
  auto board = std::make_unique<Board>();
  StreamLoader loader(*board, sourceName);
  const bool parsed = DocumentJson::sax_parse(first, last, &loader, nlohmann::detail::input_format_t::json,
                                              /*strict=*/true, /*ignore_comments=*/true);
  if (loader.mustReadWhole()) return nullptr;
  if (!parsed) loader.FailSyntax();
  loader.Finish();
  return board;
}

}  // namespace

std::unique_ptr<Board> LoadBoardText(std::string_view text, const std::string& sourceName) {
  if (auto board = LoadStream(text.data(), text.data() + text.size(), sourceName)) return board;
  return LoadWhole(text, sourceName);
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
  FilePieces pieces(in);
  std::unique_ptr<Board> board = LoadStream(FilePieces::Iterator(pieces), FilePieces::Iterator(), path);
  if (in.bad()) throw BoardError(path + ": cannot read the board document");
  if (board) return board;
  std::ifstream again(path, std::ios::binary);
  if (!again) throw BoardError(path + ": cannot open the board document");
  board = LoadWhole(again, path);
  if (again.bad()) throw BoardError(path + ": cannot read the board document");
  return board;
}

}  // namespace sim
