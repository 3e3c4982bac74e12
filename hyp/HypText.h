#pragma once
// Names inside HYP records. Layer names, materials, designators, pin
// references, padstack names and net names come from the board as the
// designer typed them, but a HYP reader takes a value only as a run of
// characters without blanks and without the format's punctuation, or as a
// text between double quotes. The functions here turn a name into a value
// that every reader takes back as the same name, and keep the 255-character
// cut of a record from leaving a quoted value open. docs/hyp-names.md gives
// the rule and the reasons.
#include <string>
#include <string_view>

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

// A record text cut after 255 characters, as every fragment is. When the cut
// falls inside a quoted value, the value is shortened so that its closing
// quote is the 255th character (a value whose opening quote would be the
// 255th character is left out, quote and all). Expects every double quote of
// `fragment` to come from HypValue.
std::string CutFragment(std::string_view fragment);
