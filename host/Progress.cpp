#include "host/Progress.h"

#include "host/PCBProcs.h"

TProgressDisplay::TProgressDisplay(std::string_view caption, std::int32_t total) {
  PcbApi_Percent_Init(caption, total);
}

TProgressDisplay::~TProgressDisplay() { PcbApi_Percent_Finish(); }

void ProgressStep() { PcbApi_Percent_Update(); }
