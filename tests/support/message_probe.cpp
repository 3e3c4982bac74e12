// Shows one modal message the way the library does: "error TEXT" or
// "warning TEXT". Used by the tests of test mode, natively and under wine.
#include <cstdio>
#include <cstring>

#include "support/Rt_Util.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tq-message-probe error|warning TEXT\n");
    return 2;
  }
  if (std::strcmp(argv[1], "warning") == 0)
    ShowWarningMessage(argv[2]);
  else
    ShowErrorMessage(argv[2]);
  return 0;
}
