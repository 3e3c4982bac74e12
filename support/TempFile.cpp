#include "support/TempFile.h"

#include <algorithm>
#include <vector>

#include "platform/Platform.h"

namespace {

// The files of the live owners; a run has one or two.
std::vector<std::string>& LiveFiles() {
  static std::vector<std::string> files;
  return files;
}

}  // namespace

void TTempFile::Track(const std::string& path) {
  if (!path.empty()) LiveFiles().push_back(path);
}

void TTempFile::Untrack(const std::string& path) noexcept {
  if (path.empty()) return;
  std::vector<std::string>& files = LiveFiles();
  auto it = std::find(files.begin(), files.end(), path);
  if (it != files.end()) files.erase(it);
}

void TTempFile::Remove() noexcept {
  if (path_.empty()) return;
  platform::RemoveFile(path_);
  Untrack(path_);
  path_.clear();
}

void RemoveLiveTempFiles() noexcept {
  for (const std::string& path : LiveFiles()) platform::RemoveFile(path);
  LiveFiles().clear();
}
