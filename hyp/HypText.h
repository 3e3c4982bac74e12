#pragma once
// Names inside HYP records. Layer names, materials, designators, pin
// references, padstack names and net names come from the board as the
// designer typed them, but a HYP reader takes a value only as a run of
// characters without blanks and without the format's punctuation, or as a
// text between double quotes. The functions here turn a name into a value
// that every reader takes back as the same name, and keep the cut of a
// record from leaving a quoted value open. docs/hyp-names.md gives the rule
// and the reasons.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The most characters of one HYP record text (a fragment between "(" and
// ")", or a section's opening line with its indentation) and of any text
// that goes into one. A longer record is cut after this many characters
// (CutFragment); every capacity of a name inside a record (layer names,
// designators, materials) is what its record leaves of this many. The
// host's counted strings hold as many characters, a rule of the host
// boundary (host/CountedString.h) that this one does not depend on.
inline constexpr std::size_t kHypRecordCapacity = 255;

// The character written in place of a character that no HYP value can carry:
// the double quote and the control characters (0..31 and 127).
inline constexpr char kHypReplacementChar = '_';

// `text` as the value of a HYP field (after "L=", "M=", "REF=", "R=", "P=",
// "{NET=", "{PADSTACK=" or as the layer of a padstack entry). Characters that
// no value can carry are replaced by kHypReplacementChar first. The result is
// the text itself when a reader takes it as a bare word, otherwise the whole
// text between double quotes: `FR-4 (Tg170)` gives `"FR-4 (Tg170)"`, `Top`
// stays `Top`, the empty text gives `""`.
std::string HypValue(std::string_view text);

// Whether HypValue puts `text` between double quotes.
bool HypValueNeedsQuotes(std::string_view text);

// `text` with every character that no HYP line can carry replaced by
// kHypReplacementChar, and nothing else changed: for free text that a reader
// skips to the end of its line (the board's text after "{BOARD ").
std::string HypLineText(std::string_view text);

// A record text cut after kHypRecordCapacity characters, as every fragment
// is. When the cut falls inside a quoted value, the value is shortened so
// that its closing quote is the last character kept (a value whose opening
// quote would be the last character kept is left out, quote and all).
// Expects every double quote of `fragment` to come from HypValue.
std::string CutFragment(std::string_view fragment);

// The number of characters HypValue gives for `name`, a text without
// characters that no value can carry.
std::size_t HypValueSize(std::string_view name);

// The longest beginning of `name` (a text without characters that no value
// can carry) whose HYP value takes at most `capacity` characters. Records
// that would be longer than kHypRecordCapacity give way in their names this
// way, never in the fields around them.
std::string FitName(std::string name, std::size_t capacity);

// How often the run made one kind of change to what the design holds, and
// the first case, for the line that tells it ("RM1.1 as RM1_1").
struct THypChangeTally {
  std::size_t Count = 0;
  std::string Example;
  void Add(const std::string& example) {
    if (Count++ == 0) Example = example;
  }
};

// A name of the design as a note of the run shows it: control characters,
// which no message line can carry, as "\t", "\r", "\n" or "\xNN"; every
// other character as it is (a double quote too: the designer finds `U"1`).
std::string ShownName(std::string_view name);

// One name to be given by THypNameSpace::ClaimAll.
struct THypNameRequest {
  std::string design;   // as the design holds it
  std::string cleaned;  // as the writer makes it before any cut or suffix
  std::size_t capacity = static_cast<std::size_t>(-1);
};

// What one name became.
struct THypGivenName {
  std::string written;
  bool shortened = false;  // the cleaned name did not fit its capacity
  bool suffixed = false;   // another object took the name first
};

// The names of one kind of object in one file (nets, layers, designators,
// the pad names of one component): different objects get different names,
// whatever replacing, cleaning or shortening made of them, so that a reader
// never takes two objects for one.
class THypNameSpace {
 public:
  // `plainSize`: capacities count the name's characters alone (a pad name,
  // which stands inside a pin reference); otherwise they count its HYP
  // value, quotes included.
  explicit THypNameSpace(bool plainSize = false) : FPlainSize(plainSize) {}

  // The name an object is written under: `name` (as HypLineText gives it)
  // shortened to fit `capacity` (FitName); when an earlier object of this
  // space was given that name, the first of "_2", "_3", ... that makes it
  // free is added, shortening the name before it where the capacity asks.
  // One hash lookup for a name that is free.
  std::string Claim(std::string name, std::size_t capacity = static_cast<std::size_t>(-1));

  // The names of many objects at once, in the order given: first every name
  // that is written as the design holds it takes that name, then every name
  // that had to change (a character replaced, a cut) takes its cleaned name
  // where it is still free, and only then do the names left over take
  // suffixes, in the order given. So a part really named RM1_1 keeps its
  // name whatever the host's order, and RM1.1 becomes RM1_1_2. Names
  // claimed later (Claim) come after these.
  std::vector<THypGivenName> ClaimAll(const std::vector<THypNameRequest>& requests);

 private:
  std::size_t Size(std::string_view name) const;
  std::string Fit(std::string name, std::size_t capacity) const;
  // `base` with the first free suffix, taken.
  std::string TakeWithSuffix(const std::string& base, std::size_t capacity);

  bool FPlainSize;
  std::unordered_set<std::string> FTaken;
};
