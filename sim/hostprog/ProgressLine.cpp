#include "sim/hostprog/ProgressLine.h"

#include <algorithm>

namespace hostprog {
namespace {

int Share(std::int32_t total, std::int32_t count, int of) {
  if (total <= 0) return 0;
  return static_cast<int>(static_cast<long long>(std::clamp(count, 0, total)) * of / total);
}

bool Continues(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

int Columns(const std::string& text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return !Continues(c); }));
}

}  // namespace

std::string FitCaption(const std::string& caption, int room) {
  if (Columns(caption) <= room) return caption;
  // The path: from the start of the word that holds its first separator to
  // its last separator (a folder's name may hold spaces).
  std::string text = caption;
  const std::size_t first = text.find_first_of("/\\");
  if (first != std::string::npos) {
    const std::size_t start = text.rfind(' ', first);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    text.erase(from, text.find_last_of("/\\") + 1 - from);
  }
  if (Columns(text) <= room) return text;
  if (room < 4) return {};
  std::size_t cut = 0;
  for (int columns = 0; cut < text.size(); ++cut) {
    if (!Continues(text[cut]) && ++columns > room - 3) break;
  }
  return text.substr(0, cut) + "...";
}

std::string TProgressLine::Draw(const char* caption, std::int32_t total, std::int32_t count, Clock::time_point now) {
  const int done = Share(total, count, kBarWidth);
  shownPercent_ = Share(total, count, 100);
  drawnAt_ = now;
  ended_ = false;
  std::string percent = std::to_string(shownPercent_);
  percent.insert(0, 3 - std::min<std::size_t>(3, percent.size()), ' ');
  // Caption, " [", the bar, "] ", "NNN%", one column left free.
  const int room = columns_ - 1 - (kBarWidth + 8);
  return "\r" + FitCaption(caption != nullptr ? caption : "", room) + " [" +
         std::string(static_cast<std::size_t>(done), '#') +
         std::string(static_cast<std::size_t>(kBarWidth - done), '.') + "] " + percent + "%";
}

std::string TProgressLine::Event(std::int32_t event, const char* caption, std::int32_t total, std::int32_t count,
                                 Clock::time_point now) {
  if (event == 0) {  // a new display: always shown
    const std::string end = Open() ? "\n" : "";
    open_ = true;
    return end + Draw(caption, total, count, now);
  }
  if (!open_) return {};
  const bool changed = Share(total, count, 100) != shownPercent_;
  if (event == 2) {  // the last state stays on the terminal, ended
    const bool drawn = changed || ended_;
    open_ = false;
    return (drawn ? Draw(caption, total, count, now) : std::string()) + "\n";
  }
  // After a message the line is drawn again at the next step.
  if (!ended_ && (!changed || now - drawnAt_ < kInterval)) return {};
  return Draw(caption, total, count, now);
}

std::string TProgressLine::Interrupt() {
  if (!Open()) return {};
  ended_ = true;
  return "\n";
}

}  // namespace hostprog
