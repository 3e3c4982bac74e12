#pragma once
// The one way a section of the HYP document is written: its opening line
// "{" + head at the current indentation, its inner lines two spaces deeper,
// and the closing line "}" at the opening's indentation. BOARD, STACKUP,
// DEVICES, every PADSTACK and every NET are written through it.
#include <string>
#include <string_view>
#include <utility>

#include "hyp/HypText.h"
#include "support/Rt_Util.h"
#include "support/TextOutput.h"

// How much of the opening line is kept: all of it, or what a record holds
// (kHypRecordCapacity characters, indentation included).
enum class TOpeningLine { Whole, Cut };

// Writes the opening line, calls body() with IndentLevel raised by 2 and
// writes the closing line. When body() raises, IndentLevel is restored and
// no closing line is written: the run discards the whole file then.
template <typename TBody>
void WriteSection(TTextOutput& output, std::string_view head, TBody&& body,
                  TOpeningLine opening = TOpeningLine::Whole) {
  std::string line = IndentString(IndentLevel);
  line += '{';
  line += head;
  output.WriteLine(opening == TOpeningLine::Cut ? CutFragment(line) : line);
  {
    TIndentScope inner;
    std::forward<TBody>(body)();
  }
  output.WriteLine(IndentString(IndentLevel) + "}");
}
