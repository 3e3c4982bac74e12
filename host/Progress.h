#pragma once
// The host's progress display of one export: opened with its caption and the
// number of steps it counts through, advanced one step at a time, closed when
// its owner goes. Without the PCB server's entry points nothing is shown, and
// the steps are counted all the same (host/ReadFailures.h).
#include <cstdint>
#include <string_view>

class TProgressDisplay {
 public:
  // Opens the display (at most 255 characters of the caption are shown).
  TProgressDisplay(std::string_view caption, std::int32_t total);
  TProgressDisplay(const TProgressDisplay&) = delete;
  TProgressDisplay& operator=(const TProgressDisplay&) = delete;
  // Closes the display.
  ~TProgressDisplay();
};

// One step of the display: one component, pad, via or net visited.
void ProgressStep();
