#include "sim/hostprog/ProgressLine.h"

#include <algorithm>

namespace hostprog {
namespace {

constexpr int kWidth = 30;

int Share(std::int32_t total, std::int32_t count, int of) {
  if (total <= 0) return 0;
  return static_cast<int>(static_cast<long long>(std::clamp(count, 0, total)) * of / total);
}

}  // namespace

std::string TProgressLine::Draw(const char* caption, std::int32_t total, std::int32_t count, Clock::time_point now) {
  const int done = Share(total, count, kWidth);
  shownPercent_ = Share(total, count, 100);
  drawnAt_ = now;
  std::string percent = std::to_string(shownPercent_);
  percent.insert(0, 3 - std::min<std::size_t>(3, percent.size()), ' ');
  return "\r" + std::string(caption != nullptr ? caption : "") + " [" +
         std::string(static_cast<std::size_t>(done), '#') + std::string(static_cast<std::size_t>(kWidth - done), '.') +
         "] " + percent + "%";
}

std::string TProgressLine::Event(std::int32_t event, const char* caption, std::int32_t total, std::int32_t count,
                                 Clock::time_point now) {
  if (event == 0) {  // a new display: always shown
    const std::string end = open_ ? "\n" : "";
    open_ = true;
    return end + Draw(caption, total, count, now);
  }
  if (!open_) return {};
  const bool changed = Share(total, count, 100) != shownPercent_;
  if (event == 2) {  // the last state stays on the terminal, ended
    open_ = false;
    return (changed ? Draw(caption, total, count, now) : std::string()) + "\n";
  }
  if (!changed || now - drawnAt_ < kInterval) return {};
  return Draw(caption, total, count, now);
}

}  // namespace hostprog
