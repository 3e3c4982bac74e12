#include "exporter/HyperlynxTranslator.h"

#include "host/CountedString.h"
#include "support/Rt_Util.h"

THyperlynxTranslator::THyperlynxTranslator(const std::string& fileName) : FFileName(CutTo255(fileName)) {
  FTempFileName = MakeTempFileName();
  if (FTempFileName.empty()) throw ETempFileUnavailable();
  if (!FOutput.Open(FTempFileName)) throw ETempFileUnavailable();
}

THyperlynxTranslator::~THyperlynxTranslator() = default;

void THyperlynxTranslator::WriteHeader() { WriteLine(IndentString(IndentLevel) + "{VERSION=2.14}"); }

void THyperlynxTranslator::WriteUnits() {
  WriteLine("");
  WriteLine(IndentString(IndentLevel) + "{" + "UNITS=ENGLISH " + "LENGTH" + IndentString(IndentLevel) + "}");
}

void THyperlynxTranslator::WriteBoard() {
  WriteLine("");
  WriteLine(IndentString(IndentLevel) + "{BOARD ");
  IndentLevel += 2;
  IndentLevel -= 2;
  WriteLine(IndentString(IndentLevel) + "}");
}

void THyperlynxTranslator::WriteEnd() { WriteLine(IndentString(IndentLevel) + "{END}"); }
