// Board documents read as a stream: whatever the order of a document's parts,
// the board (its objects, their handles) and the faults are those of reading
// the parts in the reader's order.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "sim/board/BoardJson.h"
#include "sim/generator/BoardGenerator.h"

namespace {

using namespace sim;

// Everything that tells two boards apart: the saved document and the kind of
// every handle.
std::string Fingerprint(const Board& b) {
  std::string kinds;
  for (std::size_t i = 0; i < b.ObjectCount(); ++i)
    kinds += std::string(KindName(b.Find(kFirstObjectHandle + static_cast<Handle>(i))->kind)) + " ";
  return kinds + "\n" + SaveBoardText(b);
}

std::string Document(const std::vector<std::pair<std::string, std::string>>& parts) {
  std::string doc = "{";
  for (const auto& [key, value] : parts) doc += (doc.size() > 1 ? ",\n\"" : "\n\"") + key + "\": " + value;
  return doc + "}";
}

std::string LoadError(const std::string& json) {
  try {
    LoadBoardText(json, "test.json");
  } catch (const BoardError& e) {
    return e.what();
  }
  return "(loaded)";
}

// Every part that refers to another or makes objects whose handles depend on
// the order: stack names used by objects, rules made on first use by pads and
// vias, nets, components and their pads.
const std::vector<std::pair<std::string, std::string>> kSections = {
    {"description", R"("order test")"},
    {"board", R"({"text": "B", "currentLayer": "MidLayer1"})"},
    {"layers", R"([{"layer": "TopLayer", "name": "Front"}, {"layer": "InternalPlane1", "net": "GND"},
                   {"layer": "MidLayer1", "name": "Inner"}, {"layer": "BottomLayer"}])"},
    {"layerNames", R"({"Mechanical1": "Outline"})"},
    {"layerPairs", R"([["Front", "Inner"]])"},
    {"externalDielectrics", R"({"top": {"height": "1mil"}})"},
    {"rules", R"({"planeExpansion": "15mil", "planeConnectStyle": "direct"})"},
    {"options", R"({"yieldPerLayer": true})"},
    {"nets", R"(["GND", "A"])"},
    {"classes", R"([{"name": "Power", "members": ["GND"]}])"},
    {"components", R"([{"designator": "U1", "pads": [{"net": "A", "planeExpansion": "9mil"}, {"layer": "Inner"}]}])"},
    {"pads", R"([{"net": "GND", "hole": "30mil", "planeExpansion": "8mil"}])"},
    {"vias", R"([{"net": "GND", "planes": [{"layer": "InternalPlane1"}], "planeExpansion": "9mil"},
                 {"planeExpansion": "7mil"}])"},
    {"tracks", R"([{"layer": "Inner", "net": "A", "component": "U1"}, {"layer": "Outline"}])"},
    {"arcs", R"([{"layer": "Front", "radius": "5mil"}])"},
    {"outline", R"([{"x1": 0, "y1": 0, "x2": 10, "y2": 0}, {"radius": "1mil"}])"},
    {"texts", R"([{"text": "T", "layer": "Front"}])"},
    {"fills", R"([{"layer": "Inner", "net": "A"}])"},
    {"objects", R"([{"kind": "region", "layer": "Front"}])"},
};

TEST(SimDocumentStream, AnyOrderOfThePartsGivesTheSameBoard) {
  const std::string expected = Fingerprint(*LoadBoardText(Document(kSections), "test.json"));
  auto reversed = kSections;
  std::reverse(reversed.begin(), reversed.end());
  auto objectsFirst = kSections;  // the object lists before the stack and rules
  std::rotate(objectsFirst.begin(), objectsFirst.begin() + 8, objectsFirst.end());
  auto rulesLast = kSections;  // the rules after the last object list
  std::rotate(rulesLast.begin() + 6, rulesLast.begin() + 7, rulesLast.end());
  auto listsSwapped = kSections;  // two object lists out of their order
  std::swap(listsSwapped[13], listsSwapped[16]);
  auto settingsLate = kSections;  // the parts without objects after the lists
  std::stable_partition(settingsLate.begin(), settingsLate.end(), [](const auto& p) {
    return p.first != "board" && p.first != "options" && p.first != "layerPairs" && p.first != "description" &&
           p.first != "externalDielectrics";
  });
  const std::pair<const char*, std::vector<std::pair<std::string, std::string>>> orders[] = {
      {"reversed", reversed},
      {"objects first", objectsFirst},
      {"rules last", rulesLast},
      {"lists swapped", listsSwapped},
      {"settings late", settingsLate}};
  for (const auto& [name, parts] : orders) {
    EXPECT_EQ(Fingerprint(*LoadBoardText(Document(parts), "test.json")), expected) << name;
  }
  // From a file, in the reader's order and out of it.
  tqtest::ScratchDir dir;
  for (const auto& parts : {kSections, reversed}) {
    tqtest::WriteFile(dir / "board.json", Document(parts));
    EXPECT_EQ(Fingerprint(*LoadBoardFile(dir / "board.json")), expected);
  }
}

TEST(SimDocumentStream, FaultsAreThoseOfReadingInOrder) {
  const std::pair<const char*, const char*> cases[] = {
      // Names declared after their first use: not a fault.
      {R"({"tracks": [{"layer": "Inner"}], "layers": [{"layer": 1}, {"layer": 2, "name": "Inner"}, {"layer": 32}]})",
       "(loaded)"},
      {R"({"pads": [{"net": "VCC"}], "nets": ["VCC"]})", "(loaded)"},
      // A member given twice counts as its last value.
      {R"({"nets": ["A"], "tracks": [{"net": "B"}], "nets": ["B"]})", "(loaded)"},
      {R"({"nets": ["A"], "tracks": [], "nets": ["B"], "vias": [{"net": "A"}]})", "/vias/0/net: no net is named \"A\""},
      // A text that is not JSON is that, whatever fault comes before it.
      {R"({"nets": ["A"], "tracks": [{"net": "B"}], "x": [1,})", "test.json: not a JSON document: parse error"},
      {R"({"nets": 5, "tracks": [}])", "test.json: not a JSON document: parse error"},
      // Faults found element by element name their element.
      {R"({"nets": ["A"], "tracks": [{}, {"net": "B"}]})", "test.json: /tracks/1/net: no net is named \"B\""},
      {R"({"layers": [{"layer": 1}], "tracks": 3})", "test.json: /tracks: expected the tracks (a JSON array)"},
      {R"({"nets": ["A"], "tracks": [], "layers": [{"layer": "Top"}]})", "test.json: /layers/0/layer: no layer"},
      {R"({"nets": ["A"], "wires": [], "tracks": [{"net": "B"}]})", "test.json: /wires: unknown field"},
      {R"({"board": {"currentLayer": "Inner"}, "layers": [{"layer": 1, "name": "Inner"}]})",
       "test.json: /board/currentLayer: no layer is named \"Inner\""},
      {R"("board")", "test.json: /: expected a board document (a JSON object), found the text \"board\""},
  };
  for (const auto& [doc, expected] : cases)
    EXPECT_NE(LoadError(doc).find(expected), std::string::npos) << doc << "\n" << LoadError(doc);
}

TEST(SimDocumentStream, AGeneratedBoardReadInPiecesIsTheBoardReadWhole) {
  // Over a megabyte: the file is read in more than one piece.
  const std::string text = GenerateBoardDocument({.seed = 2, .components = 200});
  ASSERT_GT(text.size(), std::size_t{1} << 20);
  tqtest::ScratchDir dir;
  tqtest::WriteFile(dir / "board.json", text);
  const std::string streamed = Fingerprint(*LoadBoardFile(dir / "board.json"));
  EXPECT_EQ(Fingerprint(*LoadBoardText(text, "generated.json")), streamed);
  // Layer names after the object lists make the document be read whole.
  const std::string whole = text.substr(0, text.rfind('}')) + ", \"layerNames\": {}}\n";
  EXPECT_EQ(Fingerprint(*LoadBoardText(whole, "generated.json")), streamed);
}

// "/0/0/..." n times.
std::string Zeros(std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += "/0";
  return out;
}

// The document's text is read by a fast parser, and again by the reference
// parser whenever the fast one rejects it or might read it otherwise. A lone
// carriage return in the text leaves it to the reference parser from the
// start, so every text here, read from memory and from a file, must load as
// the same text followed by one, and its outcome must hold `expected`.
TEST(SimDocumentStream, TheFastParserReadsEveryTextAsTheReferenceParserDoes) {
  const auto outcome = [](auto load) {
    try {
      return "(loaded)\n" + Fingerprint(*load());
    } catch (const BoardError& e) {
      return std::string(e.what());
    }
  };
  const auto constant = [](const std::string& number) {
    return R"({"externalDielectrics": {"top": {"constant": )" + number + "}}}";
  };
  const auto padX = [](const std::string& number) { return R"({"pads": [{"x": )" + number + "}]}"; };
  const auto text = [](const std::string& value) { return R"({"board": {"text": ")" + value + "\"}}"; };
  // A line comment whose lone return ends the last byte of the first 1 MiB
  // piece of a file.
  std::string boundary = R"({"description": "a"})";
  boundary += std::string((std::size_t{1} << 20) - boundary.size() - 4, ' ') + "//c\r}\n";
  // A text that the end of the first piece cuts in two.
  const std::string straddling = text(std::string(std::size_t{1} << 20, 'a'));
  const std::pair<std::string, std::string> cases[] = {
      // Numbers: the same doubles, signed and unsigned whole numbers, and
      // numbers too large for either.
      {constant("4.8"), "\"constant\": 4.8"},
      {constant("0.1"), "\"constant\": 0.1"},
      {constant("2.2250738585072011e-308"), "(loaded)"},
      {constant("1.7976931348623157e308"), "(loaded)"},
      {constant("1e-400"), "(loaded)"},
      {constant("9007199254740993"), "(loaded)"},
      {constant("123456789012345678901234567890"), "(loaded)"},
      {constant("-0"), "(loaded)"},
      {constant("1e400"),
       "t.json: /externalDielectrics/top/constant: number overflow parsing '1e400' (beyond a double's range) at "
       "line 1, column 46"},
      // Numbers that a parser's own conversion got wrong: read exactly,
      // too small ones as 0 (or -0), too large ones refused where they stand.
      {constant("-0e42"), "\"constant\": -0.0,"},
      {constant("8.404615950342630321087704e-332"), "\"constant\": 0.0,"},
      {constant("-1e-400"), "\"constant\": -0.0,"},
      {constant("4.9e-324"), "\"constant\": 5e-324,"},
      {constant("0e400"), "\"constant\": 0.0,"},
      {constant("42761574365373014330e299"), "/top/constant: number overflow parsing '42761574365373014330e299'"},
      {constant("-1.7976931348623159e308"), "number overflow parsing '-1.7976931348623159e308'"},
      {constant("1.7976931348623158e308"), "\"constant\": 1.7976931348623157e+308,"},
      {padX("0e-26"), "(loaded)"},
      {"{\n\"pads\": [{},\n {\"x\": 1, \"y\": 1e999}]}",
       "t.json: /pads/1/y: number overflow parsing '1e999' (beyond "
       "a double's range) at line 3, column 16"},
      // Out of the reader's order: read as a whole, with the same checks.
      {R"({"tracks": [], "layers": [{"layer": 1, "name": 2e308}]})", "t.json: /layers/0/name: number overflow"},
      {padX("-2147483648"), "(loaded)"},
      {padX("2147483648"), "/pads/0/x"},
      {padX("18446744073709551615"), "/pads/0/x"},
      {padX("18446744073709551616"), "/pads/0/x"},
      {padX("-9223372036854775809"), "/pads/0/x"},
      {padX("-0.0"), "(loaded)"},
      {padX("01"), "not a JSON document"},
      {padX("-01"), "not a JSON document"},
      {padX("1."), "not a JSON document"},
      {padX("1.e5"), "not a JSON document"},
      {padX("-"), "not a JSON document"},
      {padX("1e"), "not a JSON document"},
      {padX("1E+"), "not a JSON document"},
      {padX(".5"), "not a JSON document"},
      {padX("+1"), "not a JSON document"},
      {padX("1.5E+3"), "(loaded)"},
      {padX("-0e-0"), "(loaded)"},
      // Numbers of any length: the digits before and after the point count
      // in full, however far the exponent reaches.
      {constant("1" + std::string(100000, '0') + "e-200000"), "\"constant\": 0.0,"},
      {constant("0." + std::string(100000, '0') + "1e200000"), "/top/constant: number overflow parsing '0.000"},
      {constant("0." + std::string(100000, '0') + "1e100100"), "\"constant\": 1e+99,"},
      // A list given twice counts with the last, in every reading.
      {R"({"nets": [], "tracks": [{"width": "5mil"}], "tracks": [{"width": "7mil"}]})", "\"width\": \"7mil\""},
      {R"({"tracks": [{"width": "5mil"}], "nets": [], "tracks": [{"width": "7mil"}]})", "\"width\": \"7mil\""},
      {constant(std::string(80, '1') + "e-70"), "(loaded)"},
      // Tracks, arcs and vias read straight from the events: members left
      // out, given twice or unknown, values of every form, and faults.
      {R"({"nets": ["A"], "components": [{"designator": "U1"}], "tracks": [{"net": "A", "width": "5mil", "layer": 2,
          "component": "U1", "x1": -3, "y2": "1in"}, {"x2": 7}]})",
       "(loaded)"},
      {R"({"tracks": [{"layer": "MidLayer40"}, {}]})", "(loaded)"},
      {R"({"tracks": [{"x1": 1, "width": 1}, {"x1": 2, "x1": 3}]})", "(loaded)"},
      {R"({"arcs": [{"radius": "1mil", "startAngle": 45.5, "endAngle": "90deg", "layer": "BottomLayer", "x": 1e3},
          {"radius": 3, "width": 0}, {}]})",
       "(loaded)"},
      {R"({"nets": ["A"], "vias": [{"from": 2, "to": "MidLayer3", "planeExpansion": "3mil", "stackMode": "simple",
          "net": "A"}, {"hole": "1mil"}, {"planeExpansion": "3mil"}, {"x": 5}]})",
       "(loaded)"},
      {R"({"vias": [{"size": 1}, {"planes": []}]})", "(loaded)"},
      {R"({"nets": ["A", "B"], "components": [{"pads": [{"name": "1", "size": [10, "2mil"], "net": "A", "hole": 5,
          "shape": "rectangle", "planeExpansion": "4mil", "planeConnection": 2}, {"x": 5, "size": "3mil"}],
          "designator": "U1", "side": "bottom", "comment": "c", "x": 1, "rotation": 90}, {"designator": "U2"},
          {"designator": "U3", "pads": [{"planeExpansion": "4mil", "net": "B", "stackMode": 1}]}]})",
       "(loaded)"},
      {R"({"components": [{"designator": "U1", "pads": [{"top": {"size": 1}}, {}]}, {"designator": "U2"}]})",
       "(loaded)"},
      {R"({"components": [{"designator": "U1", "pads": [{"size": [1, [2]]}]}]})", "t.json: /components/0/pads/0/size"},
      {R"({"components": [{"designator": "U1"}, {"designator": "U1"}]})", "t.json: /components/1/designator"},
      {R"({"components": [{"designator": "U1", "pads": [2]}]})", "t.json: /components/0/pads/0: expected a pad"},
      {R"({"components": [{"designator": "U1", "pads": [{"component": "U1"}]}]})",
       "t.json: /components/0/pads/0/component"},
      {R"({"tracks": [{}, {"net": "B", "wire": 1}]})", "t.json: /tracks/1/wire: unknown field"},
      {R"({"tracks": [{"layer": "Nope", "net": "B"}]})", "t.json: /tracks/0/layer: no layer is named \"Nope\""},
      {R"({"arcs": [{"width": -1, "startAngle": "x"}]})", "t.json: /arcs/0/startAngle"},
      {R"({"vias": [{"size": [1]}]})", "t.json: /vias/0/size: expected a length"},
      // Texts: escapes and UTF-8, and what is neither.
      {text(R"(a\u00e9\ud83d\ude00\n)"), "/board/text"},
      {text("caf\xC3\xA9"), "(loaded)"},
      {text(R"(\udc00)"), "not a JSON document"},
      {text(R"(\ud800x)"), "not a JSON document"},
      {text("\xC0\x80"), "not a JSON document"},
      {text("\xED\xA0\x80"), "not a JSON document"},
      {text("\xF4\x90\x80\x80"), "not a JSON document"},
      {text("\xE2\x82 "), "not a JSON document"},
      {text("a\tb"), "not a JSON document"},
      // What may stand around the document, and what may not.
      {"\xEF\xBB\xBF"
       R"({"description": "a"})",
       "(loaded)"},
      {"\xEF\xBB"
       R"({"description": "a"})",
       "not a JSON document"},
      {"/* c */ {\"description\": \"a\" // c\n}", "(loaded)"},
      {"{\"description\": \"a\"} // c\r}\n", "not a JSON document"},
      {boundary, "not a JSON document"},
      {straddling, "(loaded)"},
      // A zero byte ends the text; nothing but zero bytes may follow it.
      {std::string(R"({"description": "a"})") + '\0' + "]",
       "t.json: not a JSON document: text after a zero byte at line 1, column 21"},
      {std::string(R"({"description": "a)") + '\0' + "\"}", "not a JSON document"},
      // Nesting: 256 levels are read, one more is refused where it opens,
      // also when the text would end early.
      {R"({"description": )" + std::string(255, '[') + std::string(255, ']') + "}", "/description: expected a text"},
      {R"({"description": )" + std::string(256, '[') + std::string(256, ']') + "}",
       "t.json: /description" + Zeros(255) +
           ": nesting deeper than 256 levels (a board document needs six) at line "
           "1, column 272"},
      {std::string(100000, '['), "t.json: " + Zeros(256) + ": nesting deeper than 256 levels"},
      {R"({"tracks": [], "layers": [], "x": )" + std::string(300, '['), "t.json: /x/0/0/0/0"},
      {R"({"description": "a",})", "not a JSON document"},
      {R"({"description": "a"} {})", "not a JSON document"},
  };
  tqtest::ScratchDir dir;
  const std::string path = dir / "t.json";
  for (const auto& [doc, expected] : cases) {
    const std::string reference = outcome([&] { return LoadBoardText(doc + "\r", path); });
    EXPECT_NE(reference.find(expected), std::string::npos) << doc.substr(0, 80) << "\n" << reference;
    EXPECT_EQ(outcome([&] { return LoadBoardText(doc, path); }), reference) << doc.substr(0, 80);
    tqtest::WriteFile(path, doc);
    EXPECT_EQ(outcome([&] { return LoadBoardFile(path); }), reference) << doc.substr(0, 80);
  }
}

// Each element of the table in every order of its members, with its list
// after "nets" (read element by element, straight from the parser's events)
// and before it (read again as a whole), and by the reference parser (a
// lone carriage return leaves the text to it): the same board or the same
// refusal each time.
TEST(SimDocumentStream, EveryReadingOfAnElementChecksTheSameThings) {
  struct Case {
    const char* list;
    std::vector<std::string> members;
    const char* expected;
  };
  const Case cases[] = {
      {"tracks", {R"("x1": 1)", R"("width": "5mil")", R"("layer": "MidLayer40")", R"("net": "A")"}, "(loaded)"},
      {"tracks", {R"("wrath": "5mil")", R"("x1": 1)", R"("net": "B")"}, "/tracks/0/wrath: unknown field"},
      {"tracks", {R"("x1": 1)", R"("x1": "2mil")", R"("y1": 2)"}, "(loaded)"},
      {"arcs", {R"("radius": "1mil")", R"("startAngle": "x")", R"("wrath": 1)"}, "/arcs/0/wrath: unknown field"},
      {"vias",
       {R"("net": "A")", R"("layers": [{"layer": "MidLayer1", "size": "20mil"}])", R"("planes": [])",
        R"("reaches": ["TopLayer"])"},
       "\"reaches\""},
      {"vias", {R"("layers": [{"layer": 1, "net": {}}])", R"("x": 1)"}, "/vias/0/layers/0/net: unknown field"},
      {"pads", {R"("net": {})", R"("x": 1)"}, "/pads/0/net: expected a text, found an object"},
      {"pads", {R"("foo": 1)", R"("bar": 2)", R"("x": 1)"}, ": unknown field"},
      {"pads", {R"("size": ["1mil", "2mil"])", R"("top": {"shape": "rectangle"})", R"("hole": "1mil")"}, "(loaded)"},
      {"components", {R"("designator": "U1")", R"("pads": null)"}, "/components/0/pads: expected the component's pads"},
      {"components", {R"("designator": "U1")", R"("pads": 5)"}, "/components/0/pads: expected the component's pads"},
      {"components", {R"("designator": "U1")", R"("pads": "x")"}, "/components/0/pads: expected the component's pads"},
      {"components", {R"("designator": "U1")", R"("pads": {})"}, "/components/0/pads: expected the component's pads"},
      {"components",
       {R"("designator": "U1")", R"("pads": [{"net": {}}])"},
       "/components/0/pads/0/net: expected a text"},
      {"components", {R"("designator": "U1")", R"("pads": [{}, 2])"}, "/components/0/pads/1: expected a pad"},
      {"components", {R"("designator": "U1")", R"("pads": [{}, [{}]])"}, "/components/0/pads/1: expected a pad"},
      {"components",
       {R"("designator": "U1")", R"("side": "bottom")",
        R"("pads": [{"net": "A", "size": [1, 2]}, {"top": {"size": 3}}])"},
       "(loaded)"},
      {"components", {R"("pads": [{"wrath": 1}])", R"("designator": "U1")", R"("x": "1 furlong")"}, "/components/0/x"},
  };
  const auto outcome = [](const std::string& doc) {
    try {
      return "(loaded)\n" + Fingerprint(*LoadBoardText(doc, "t.json"));
    } catch (const BoardError& e) {
      return std::string(e.what());
    }
  };
  for (const Case& c : cases) {
    std::vector<std::size_t> order(c.members.size());
    std::iota(order.begin(), order.end(), 0);
    do {
      std::string element;
      for (std::size_t i : order) element += (element.empty() ? "{" : ", ") + c.members[i];
      const std::string list = std::string("\"") + c.list + "\": [" + element + "}, " +
                               (std::string(c.list) == "components" ? R"({"designator": "U2"}])" : "{}]");
      const std::string nets = R"("nets": ["A", "B"])";
      const std::string inOrder = "{" + nets + ", " + list + "}";
      const std::string expected = outcome(inOrder);
      EXPECT_NE(expected.find(c.expected), std::string::npos) << inOrder << "\n" << expected;
      EXPECT_EQ(outcome("{" + list + ", " + nets + "}"), expected) << inOrder;
      EXPECT_EQ(outcome(inOrder + "\r"), expected) << inOrder;
    } while (std::next_permutation(order.begin(), order.end()));
  }
}

}  // namespace
