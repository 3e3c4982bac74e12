#pragma once
// The host program's progress display: one line redrawn in place on the
// terminal. The exporter advances the display once per object (tens of
// thousands of times on a large board), and a terminal may take far longer to
// draw a line than the exporter takes for an object (wine's console draws
// each character), so the line is drawn only when what it shows changes: a
// new display, or another percentage, and that at most a few times a second.
#include <chrono>
#include <cstdint>
#include <string>

namespace hostprog {

class TProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  // The least time between two drawings of the same display.
  static constexpr std::chrono::milliseconds kInterval{500};

  // What to write to the terminal for one event of the host's display (0
  // opened, 1 one step done, 2 closed), given the display's caption, total
  // and steps done; empty when the line stays as it is.
  std::string Event(std::int32_t event, const char* caption, std::int32_t total, std::int32_t count,
                    Clock::time_point now);

  // A line is on the terminal without its line end.
  bool Open() const { return open_; }

 private:
  std::string Draw(const char* caption, std::int32_t total, std::int32_t count, Clock::time_point now);

  bool open_ = false;
  int shownPercent_ = -1;
  Clock::time_point drawnAt_{};
};

}  // namespace hostprog
