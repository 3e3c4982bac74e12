// Shows one modal message the way the library does: "error TEXT" or
// "warning TEXT". Used by the tests of test mode, natively and under wine.
// "dialog error|warning TEXT" shows the dialog itself, past test mode, and
// prints its modal result ("result N"): where no dialog can be shown the
// message must reach standard error all the same.
#include <cstdio>
#include <cstring>

#include "platform/Platform.h"
#include "support/Rt_Util.h"

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "dialog") == 0 && argc < 4)) {
    std::fprintf(stderr, "usage: tq-message-probe [dialog] error|warning TEXT\n");
    return 2;
  }
  if (std::strcmp(argv[1], "dialog") == 0) {
    const bool warning = std::strcmp(argv[2], "warning") == 0;
    const int result =
        platform::ShowModalMessage(warning ? platform::MessageKind::Warning : platform::MessageKind::Error,
                                   warning ? "Warning" : "Error", argv[3]);
    std::printf("result %d\n", result);
    return 0;
  }
  if (std::strcmp(argv[1], "warning") == 0)
    ShowWarningMessage(argv[2]);
  else
    ShowErrorMessage(argv[2]);
  return 0;
}
