// The STACKUP section: the board's layer stack as the host presents it.
#include "exporter/HyperlynxTranslator.h"
#include "support/Rt_Util.h"

void THyperlynxTranslator::WriteStackup() {
  WriteLine("");
  WriteLine(IndentString(IndentLevel) + "{STACKUP");
  IndentLevel += 2;
  IndentLevel -= 2;
  WriteLine(IndentString(IndentLevel) + "}");
}

