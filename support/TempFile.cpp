#include "support/TempFile.h"

#include "platform/Platform.h"

void TTempFile::Remove() noexcept {
  if (path_.empty()) return;
  platform::RemoveFile(path_);
  path_.clear();
}
