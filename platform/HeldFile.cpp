// What the held files of both systems share: knowing every held file of the
// process, and handing one on.
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace platform {
namespace {

// The held files of the process; a run has one.
std::vector<HeldFile*>& Held() {
  static std::vector<HeldFile*> files;
  return files;
}

}  // namespace

HeldFile::HeldFile(HeldFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNone)),
      path_(std::exchange(other.path_, std::string())),
      written_(std::exchange(other.written_, 0)) {
  other.Untrack();
  if (IsOpen()) Track();
}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kNone);
    path_ = std::exchange(other.path_, std::string());
    written_ = std::exchange(other.written_, 0);
    other.Untrack();
    if (IsOpen()) Track();
  }
  return *this;
}

void HeldFile::Track() { Held().push_back(this); }

void HeldFile::Adopt(std::intptr_t handle, const std::string& path) {
  handle_ = handle;
  path_ = path;
  written_ = 0;
  Track();
}

void HeldFile::Untrack() noexcept {
  std::vector<HeldFile*>& held = Held();
  held.erase(std::remove(held.begin(), held.end(), this), held.end());
}

void HeldFile::CloseAll() noexcept {
  // Close() takes each one off the list.
  while (!Held().empty()) Held().back()->Close();
}

}  // namespace platform
