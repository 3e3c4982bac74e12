#pragma once
// The host program's progress display: one line redrawn in place on the
// terminal. The exporter advances the display once per object (tens of
// thousands of times on a large board), and a terminal may take far longer to
// draw a line than the exporter takes for an object (wine's console draws
// each character), so the line is drawn only when what it shows changes: a
// new display, or another percentage, and that at most twice a second,
// counted from the end of the last drawing, so that slow drawings never run
// back to back. The line fits the terminal's width: a caption too long
// names the file without its folders, and is cut after that.
#include <chrono>
#include <cstdint>
#include <string>

namespace hostprog {

class TProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  // The least time from the end of one drawing to the next of the same
  // display.
  static constexpr std::chrono::milliseconds kInterval{500};
  // The bar's width in characters; a line is the caption, " [", the bar,
  // "] " and the percentage ("100%").
  static constexpr int kBarWidth = 30;

  // The terminal's width in columns (0: not known, taken as 80). The line
  // keeps to one column less, so that the terminal never wraps it.
  void SetWidth(int columns) { columns_ = columns > 0 ? columns : 80; }

  // What to write to the terminal for one event of the host's display (0
  // opened, 1 one step done, 2 closed), given the display's caption, total
  // and steps done; empty when the line stays as it is.
  std::string Event(std::int32_t event, const char* caption, std::int32_t total, std::int32_t count,
                    Clock::time_point now);
  // The text Event gave has reached the terminal at `end`: the next drawing
  // waits from then.
  void Drawn(Clock::time_point end) { drawnAt_ = end; }

  // A message is about to be written: what ends the line first (empty when
  // no line is open or it is already ended), so that the message stands on
  // a line of its own. The display goes on below the message, drawn afresh
  // at its next step.
  std::string Interrupt();

  // A line is on the terminal without its line end.
  bool Open() const { return open_ && !ended_; }

 private:
  std::string Draw(const char* caption, std::int32_t total, std::int32_t count, Clock::time_point now);

  bool open_ = false;
  bool ended_ = false;  // the open display's line has been ended by a message
  int shownPercent_ = -1;
  int columns_ = 80;
  Clock::time_point drawnAt_{};
};

// The caption in at most `room` columns: as it is where it fits; else with
// the file name its path ends in instead of the path; else that cut, ending
// in "...". A column is a character (a UTF-8 sequence counts once).
std::string FitCaption(const std::string& caption, int room);

}  // namespace hostprog
