// Names as HYP values: which names stay bare, which are quoted, what is
// replaced, and how the 255-character cut treats a quoted value.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "hyp/HypLayerNames.h"
#include "hyp/HypText.h"

namespace {

TEST(HypValue, LeavesOrdinaryNamesExactlyAsWritten) {
  for (const char* name :
       {"Top_Layer", "GND", "VCC_3V3_", "U1",   "U1.14", "R12",    "COPPER", "FR-4", "DE_GND_Plane", "Net_A_1",
        "0",         "17",  "+5V",      "3.3V", "N$12",  "USB_D+", "A-B/C",  "1e",   "e5",           "\xe4\xdf"})
    EXPECT_EQ(HypValue(name), name) << name;
}

TEST(HypValue, QuotesNamesWithBlanksOrPunctuation) {
  EXPECT_EQ(HypValue("FR-4 (Tg170)"), "\"FR-4 (Tg170)\"");
  EXPECT_EQ(HypValue("DE_L2(GND)"), "\"DE_L2(GND)\"");
  EXPECT_EQ(HypValue("U 1"), "\"U 1\"");
  EXPECT_EQ(HypValue("U 1.7"), "\"U 1.7\"");
  for (const char* name : {"A=B", "{x", "x}", "(x", "x)", "a,b", " ", "x "})
    EXPECT_EQ(HypValue(name), "\"" + std::string(name) + "\"") << name;
}

TEST(HypValue, QuotesTheEmptyNameAndNumbersWithAPointOrExponent) {
  EXPECT_EQ(HypValue(""), "\"\"");
  // A pin reference of designator 1 and pad 5 would be read as a number.
  for (const char* name : {"1.5", ".5", "1.", "-2.25", "+0.5", "2e3", "2E-3", "1.5e+7"})
    EXPECT_EQ(HypValue(name), "\"" + std::string(name) + "\"") << name;
  // A number with a unit, or a value that begins like one: a scale letter
  // right after the number.
  for (const char* name :
       {"1.5k.1", "4.7M", "2.2u", "1.0nH", "1.5mil", "1.a", "10k", "-1.5pF", "+2Gx", "1e3y.2", ".5m", "2N2222.1"})
    EXPECT_EQ(HypValue(name), "\"" + std::string(name) + "\"") << name;
  // Whole numbers are names in every field that takes a name; letters that
  // scale nothing make no unit.
  for (const char* name : {"5", "-5", "007", "1.5.2", "1e+", "1.e", ".", "-", "5V", "3.3V", "1.x", "12b", "k1.5"})
    EXPECT_EQ(HypValue(name), name) << name;
}

TEST(HypValue, ReplacesWhatNoValueCanCarry) {
  EXPECT_EQ(HypValue("say \"hi\""), "\"say _hi_\"");
  EXPECT_EQ(HypValue("\"Q\""), "_Q_");
  EXPECT_EQ(HypValue(std::string("A\0B", 3)), "A_B");
  EXPECT_EQ(HypValue("line\r\nbreak"), "line__break");
  EXPECT_EQ(HypValue("tab\there"), "tab_here");
  EXPECT_EQ(HypValue("del\x7f"), "del_");
  EXPECT_EQ(HypValue("\x1f (x)"), "\"_ (x)\"");
  EXPECT_EQ(HypLineText("board \"1\"\r\n(rev A)"), "board _1___(rev A)");
  EXPECT_TRUE(HypValueNeedsQuotes("a b"));
  EXPECT_FALSE(HypValueNeedsQuotes("a_b"));
}

TEST(CutFragment, CutsLikeACountedStringWhenNoQuotedValueIsCut) {
  const std::string shortText = "SEG L=\"a b\"";
  EXPECT_EQ(CutFragment(shortText), shortText);
  const std::string bare = "SEG L=" + std::string(300, 'x');
  EXPECT_EQ(CutFragment(bare), bare.substr(0, 255));
  // A quoted value that ends within the first 255 characters is kept whole.
  const std::string closed = "L=\"a b\" " + std::string(300, 'x');
  EXPECT_EQ(CutFragment(closed), closed.substr(0, 255));
}

TEST(CutFragment, ClosesAQuotedValueThatTheCutShortens) {
  const std::string prefix = "DIELECTRIC L=";
  const std::string fragment = prefix + HypValue(std::string(300, 'n') + " x");
  const std::string cut = CutFragment(fragment);
  ASSERT_EQ(cut.size(), 255u);
  EXPECT_EQ(cut, prefix + "\"" + std::string(255 - prefix.size() - 2, 'n') + "\"");
}

TEST(CutFragment, QuoteAtTheEdges) {
  // The opening quote is the 254th character: the value becomes "".
  const std::string a = std::string(253, 'a') + "\"b c\"";
  EXPECT_EQ(CutFragment(a), std::string(253, 'a') + "\"\"");
  // The opening quote would be the 255th character: the value is left out.
  const std::string b = std::string(254, 'a') + "\"b c\"";
  EXPECT_EQ(CutFragment(b), std::string(254, 'a'));
  // The closing quote is the 255th character: nothing to mend.
  const std::string c = std::string(250, 'a') + "\"b c\"" + "tail";
  EXPECT_EQ(CutFragment(c), c.substr(0, 255));
  // A second value opened after a closed one.
  const std::string d = "M=\"x y\" L=" + HypValue(std::string(300, 'z') + "(");
  const std::string cut = CutFragment(d);
  ASSERT_EQ(cut.size(), 255u);
  EXPECT_EQ(cut.substr(0, 11), "M=\"x y\" L=\"");
  EXPECT_EQ(cut.back(), '"');
}

TEST(THypNameSpace, DifferentObjectsNeverShareAName) {
  struct Case {
    std::vector<std::string> names;  // as HypLineText gives them, in claiming order
    std::size_t capacity;
    std::vector<std::string> written;
  };
  const std::string longName(30, 'x');
  const std::vector<Case> cases = {
      {{"A_B", "A_B", "A_B_2", "A_B"}, 255, {"A_B", "A_B_2", "A_B_2_2", "A_B_3"}},
      {{"VCC3V3", "GND", "VCC3V3"}, 255, {"VCC3V3", "GND", "VCC3V3_2"}},
      // Shortening makes the clash, and the suffix takes the end of the name.
      {{longName + "1", longName + "2"}, 30, {longName, std::string(28, 'x') + "_2"}},
      // A quoted name counts its quotes.
      {{"a b" + longName}, 10, {"a b" + std::string(5, 'x')}},
      {{"", ""}, 255, {"", "_2"}},
  };
  for (const Case& c : cases) {
    THypNameSpace space;
    for (std::size_t i = 0; i < c.names.size(); ++i) {
      const std::string got = space.Claim(c.names[i], c.capacity);
      EXPECT_EQ(got, c.written[i]) << i;
      EXPECT_LE(HypValueSize(got), c.capacity);
    }
  }
}

// Names given together: a name written as the design holds it is never the
// one that takes a suffix, whatever the order; a changed name takes its
// cleaned name where that is free, and only the names left over take
// suffixes, in the order given.
TEST(THypNameSpace, NamesAsDesignedAreClaimedBeforeChangedOnes) {
  struct Request {
    std::string design, cleaned;
  };
  struct Case {
    std::vector<Request> requests;
    std::size_t capacity;
    bool plain;
    std::vector<std::string> written;
    std::vector<int> flags;  // 1 shortened, 2 suffixed
  };
  const std::string x30(30, 'x');
  const std::vector<Case> cases = {
      // A dotted designator before and after a real one.
      {{{"RM1.1", "RM1_1"}, {"RM1_1", "RM1_1"}}, 255, false, {"RM1_1_2", "RM1_1"}, {2, 0}},
      {{{"RM1_1", "RM1_1"}, {"RM1.1", "RM1_1"}}, 255, false, {"RM1_1", "RM1_1_2"}, {0, 2}},
      // A real name that a suffix would have taken keeps it too.
      {{{"A\"B", "A_B"}, {"A_B", "A_B"}, {"A_B_2", "A_B_2"}}, 255, false, {"A_B_3", "A_B", "A_B_2"}, {2, 0, 0}},
      // Duplicates of a real name take suffixes after every changed name
      // has taken its own.
      {{{"U1", "U1"}, {"U1", "U1"}, {"U.2", "U_2"}, {"U1_2", "U1_2"}},
       255,
       false,
       {"U1", "U1_3", "U_2", "U1_2"},
       {0, 2, 0, 0}},
      // A cut is a change: the name that fits as it is comes first.
      {{{x30 + "1", x30 + "1"}, {x30, x30}}, 30, false, {std::string(28, 'x') + "_2", x30}, {3, 0}},
      // Pad names count their characters alone: "1.5" needs no quotes here.
      {{{"1.5", "1_5"},
        {"1_5", "1_5"},
        {"12345678901234567890", "12345678901234567890"},
        {"123456789012345678.0", "123456789012345678_0"},
        {"123456789012345678_0", "123456789012345678_0"}},
       20,
       true,
       {"1_5_2", "1_5", "12345678901234567890", "123456789012345678_2", "123456789012345678_0"},
       {2, 0, 0, 2, 0}},
  };
  for (const Case& c : cases) {
    THypNameSpace space(c.plain);
    std::vector<THypNameRequest> requests;
    for (const Request& r : c.requests) requests.push_back({r.design, r.cleaned, c.capacity});
    const std::vector<THypGivenName> given = space.ClaimAll(requests);
    ASSERT_EQ(given.size(), c.written.size());
    for (std::size_t i = 0; i < given.size(); ++i) {
      EXPECT_EQ(given[i].written, c.written[i]) << c.requests[i].design;
      EXPECT_EQ((given[i].shortened ? 1 : 0) + (given[i].suffixed ? 2 : 0), c.flags[i]) << c.requests[i].design;
    }
    // A name claimed later never takes one given.
    EXPECT_NE(space.Claim(c.written[0], c.capacity), c.written[0]);
  }
}

TEST(ShownName, ControlCharactersAreShownAsEscapes) {
  EXPECT_EQ(ShownName("U\"1"), "U\"1");
  EXPECT_EQ(ShownName(std::string("A\tB\r\n\x01\x7f.", 8)), "A\\tB\\r\\n\\x01\\x7F.");
}

// The longest beginning of the name whose value fits: shortening can take
// the quotes away or bring them in, and never removes more than it must.
TEST(FitName, KeepsTheLongestBeginningThatFits) {
  struct Case {
    const char* name;
    std::size_t capacity;
    const char* fitted;
  };
  const Case cases[] = {
      {"abcdef", 6, "abcdef"}, {"abcdef", 4, "abcd"}, {"abcd e", 8, "abcd e"}, {"abcd e", 7, "abcd "},
      {"abcd e", 5, "abcd"},   {"abcd e", 4, "abcd"}, {"ab cde", 7, "ab cd"},  {"ab cde", 4, "ab"},
      {"1.5abc", 4, "1."},     {"1.5abc", 6, "1.5a"}, {"1.5abc", 8, "1.5abc"}, {"1.5x", 3, "1"},
      {"a b", 1, "a"},         {" ab", 1, ""},        {"1.5x", 4, "1.5x"},     {"", 5, ""},
  };
  for (const Case& c : cases) {
    const std::string fitted = FitName(c.name, c.capacity);
    EXPECT_EQ(fitted, c.fitted) << c.name << " in " << c.capacity;
    EXPECT_LE(HypValueSize(fitted), std::max<std::size_t>(c.capacity, 2)) << c.name;
  }
}

// Every scale letter of docs/hyp-names.md, after a whole number and after a
// number with a point, makes a value that is quoted; a letter that scales
// nothing leaves it bare.
TEST(HypValue, EveryScaleLetterInEitherCaseQuotesTheNumberBeforeIt) {
  for (const char letter : std::string("YZEPTGMKkmuUnNpPfFazy")) {
    for (const std::string& name : {"10" + std::string(1, letter), "4.7" + std::string(1, letter) + "H"})
      EXPECT_EQ(HypValue(name), "\"" + name + "\"") << name;
  }
  for (const char letter : std::string("ABCDHIJLOQRSVWXbcdghijloqrstvwx"))
    EXPECT_EQ(HypValue("10" + std::string(1, letter)), "10" + std::string(1, letter)) << letter;
}

// Layers claim their names with the copper layers first, signal layers
// before planes, then the others in number order: a clash leaves the name
// with the layer that claims first, and a later layer gets the suffix.
TEST(SetHypLayerNames, SignalLayersClaimBeforePlanesAndPlanesBeforeTheRest) {
  struct Case {
    std::vector<std::pair<int, std::string>> names;  // layer, name as the host gives it
    std::vector<std::pair<int, std::string>> written;
  };
  const Case cases[] = {
      // A plane above a mid layer (2) in the stack, alike after the
      // spaces are replaced.
      {{{kInternalPlane1, "GND Plane"}, {2, "GND_Plane"}}, {{2, "GND_Plane"}, {kInternalPlane1, "GND_Plane_2"}}},
      // The bottom layer (32) before the first plane, a plane before an
      // layer (33) that has a lower number.
      {{{kInternalPlane1, "X"}, {kBottomLayer, "X"}, {33, "X"}},
       {{kBottomLayer, "X"}, {kInternalPlane1, "X_2"}, {33, "X_3"}}},
      // The last plane (54) before the first non-copper layer (0).
      {{{0, "Y"}, {kInternalPlane16, "Y"}, {31, "Y"}}, {{31, "Y"}, {kInternalPlane16, "Y_2"}, {0, "Y_3"}}},
  };
  for (const Case& c : cases) {
    std::array<std::string, kLayerCount> names;
    for (int layer = 0; layer < kLayerCount; ++layer)
      names[static_cast<std::size_t>(layer)] = "L" + std::to_string(layer);
    for (const auto& [layer, name] : c.names) names[static_cast<std::size_t>(layer)] = name;
    SetHypLayerNames(names);
    for (const auto& [layer, name] : c.written) EXPECT_EQ(GetHypLayerName(layer), name) << layer;
  }
}

}  // namespace
