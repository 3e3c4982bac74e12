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

// The names of one kind of object in one file (nets, layers, designators):
// different objects get different names, whatever replacing, cleaning or
// shortening made of them, so that a reader never takes two objects for one.
class THypNameSpace {
 public:
  // The name an object is written under: `name` (as HypLineText gives it)
  // shortened to fit `capacity` (FitName); when an earlier object of this
  // space was given that name, the first of "_2", "_3", ... that makes it
  // free is added, shortening the name before it where the capacity asks.
  // One hash lookup for a name that is free.
  std::string Claim(std::string name, std::size_t capacity = static_cast<std::size_t>(-1));

 private:
  std::unordered_set<std::string> FTaken;
};
