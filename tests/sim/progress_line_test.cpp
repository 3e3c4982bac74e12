// The host program's progress line: drawn when what it shows changes, and
// then at most a few times a second, however often the exporter steps.
#include <gtest/gtest.h>

#include <string>

#include "sim/hostprog/ProgressLine.h"

namespace {

using hostprog::TProgressLine;
using std::chrono::milliseconds;

std::string Line(int percent, int hashes) {
  std::string p = std::to_string(percent);
  return "\rSaving b.hyp [" + std::string(static_cast<std::size_t>(hashes), '#') +
         std::string(static_cast<std::size_t>(30 - hashes), '.') + "] " + std::string(3 - p.size(), ' ') + p + "%";
}

// A row whose event is a message of the exporter about to be written.
constexpr int kMessage = -1;

TEST(ProgressLine, DrawsOnlyWhatChangesAndNotTooOften) {
  struct Step {
    int at;  // ms since the display opened
    int event;
    int total;
    int count;
    std::string written;
  };
  const Step steps[] = {
      {0, 0, 200, 0, Line(0, 0)},  // opened: always drawn
      {1, 1, 200, 1, ""},          // still 0%
      {2, 1, 200, 2, ""},          // 1%, but drawn only just now
      {499, 1, 200, 2, ""},
      {500, 1, 200, 2, Line(1, 0)},
      {510, 1, 200, 100, ""},
      {1000, 1, 200, 100, Line(50, 15)},
      {1900, 1, 200, 100, ""},  // nothing changed since
      {1901, 2, 200, 200, Line(100, 30) + "\n"},
      {1902, 1, 200, 200, ""},                                                  // closed: nothing more
      {1903, 0, 0, 0, "\rSaving b.hyp [..............................]   0%"},  // no total: no division
      {1904, 0, 10, 10, "\n" + Line(100, 30)},                                  // a new display ends the open line
      {1905, 2, 10, 10, "\n"},                                                  // shown as it ends: only the line end
      {1906, 1, 10, 10, ""},                                                    // closed: no line after it
      {1907, 0, 10, 25, Line(100, 30)},                                         // more steps than the total: 100%
      {2500, 1, 10, -3, Line(0, 0)},                                            // fewer than none: 0%
      {2501, 2, 10, 10, Line(100, 30) + "\n"},                                  // closed at 100%
      {2502, kMessage, 0, 0, ""},                                               // no line open: nothing to end
      {2503, 0, 10, 0, Line(0, 0)},
      {2504, kMessage, 0, 0, "\n"},  // a message ends the line first
      {2505, kMessage, 0, 0, ""},    // once
      {2506, 1, 10, 0, Line(0, 0)},  // drawn again below the message
      {2507, kMessage, 0, 0, "\n"},
      {2508, 2, 10, 0, Line(0, 0) + "\n"},  // and when it closes
  };
  TProgressLine line;
  const TProgressLine::Clock::time_point start{};
  for (const Step& s : steps) {
    const auto now = start + milliseconds(s.at);
    EXPECT_EQ(s.event == kMessage ? line.Interrupt() : line.Event(s.event, "Saving b.hyp", s.total, s.count, now),
              s.written)
        << "at " << s.at << " ms";
  }
}

// The gap is counted from the end of a drawing: a terminal that takes 400 ms
// to draw is given the full 500 ms before the next.
TEST(ProgressLine, WaitsFromTheEndOfADrawing) {
  TProgressLine line;
  const TProgressLine::Clock::time_point start{};
  ASSERT_EQ(line.Event(0, "Saving b.hyp", 100, 0, start), Line(0, 0));
  line.Drawn(start + milliseconds(400));
  EXPECT_EQ(line.Event(1, "Saving b.hyp", 100, 50, start + milliseconds(899)), "");
  EXPECT_EQ(line.Event(1, "Saving b.hyp", 100, 50, start + milliseconds(900)), Line(50, 15));
}

// The line keeps within the terminal's width less one column: a caption too
// long names the file without its folders, then is cut.
TEST(ProgressLine, FitsTheTerminal) {
  const std::string caption =
      "Saving /home/designer/My Boards/rev b/\xC3\x9C"
      "ber.hyp (HyperLynx)";
  const struct {
    int columns;
    std::string shown;
  } cases[] = {
      {200, caption},
      {80,
       "Saving \xC3\x9C"
       "ber.hyp (HyperLynx)"},  // 26 columns in 80 - 1 - 38
      {60,
       "Saving \xC3\x9C"
       "ber.hyp (H..."},  // 21 columns
      {40, ""},
  };
  for (const auto& c : cases) {
    TProgressLine line;
    line.SetWidth(c.columns);
    const std::string drawn = line.Event(0, caption.c_str(), 1, 0, {});
    EXPECT_EQ(drawn, "\r" + c.shown + " [" + std::string(30, '.') + "]   0%") << c.columns;
  }
}

// The exporter steps once per object: 89,000 steps in five seconds draw the
// line about ten times, not 89,000.
TEST(ProgressLine, ManyStepsDrawAFewTimesASecond) {
  TProgressLine line;
  const TProgressLine::Clock::time_point start{};
  constexpr int kSteps = 89000;
  int drawn = line.Event(0, "c", kSteps, 0, start).empty() ? 0 : 1;
  for (int i = 1; i <= kSteps; ++i)
    if (!line.Event(1, "c", kSteps, i, start + milliseconds(5000LL * i / kSteps)).empty()) ++drawn;
  EXPECT_FALSE(line.Event(2, "c", kSteps, kSteps, start + milliseconds(5001)).empty());
  EXPECT_GE(drawn, 5);
  EXPECT_LE(drawn, 5000 / TProgressLine::kInterval.count() + 1);
}

}  // namespace
