// Any bytes as the lock file beside a document: reading it must neither
// crash nor wait, and a lock it reports must carry the three values.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "output/RT_FileOwnership.h"

namespace {

// One document per fuzzing process, in the fastest temporary directory.
const std::string& Document() {
  static const std::string doc = [] {
    const char* dir = std::getenv("TQ_FUZZ_DIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/tq-fuzz-" + std::to_string(::getpid()) + ".hyp";
  }();
  return doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string lock = LockFileName(Document());
  if (std::FILE* f = std::fopen(lock.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  TFileOwnershipDetails details;
  bool complete = false, unreadable = false;
  try {
    complete = ReadLockFile(Document(), details);
  } catch (const std::exception&) {
    unreadable = true;  // too large to be a lock file
  }
  if (complete && (details.ComputerName.empty() || details.UserName.empty() || details.ProcessID.empty())) std::abort();
  std::string computer, user;
  const bool held = IsLockedByOther(Document(), computer, user);
  // The ownership test reads what the reader read: held when unreadable, free
  // when incomplete, and the lock's own names when complete.
  if (unreadable && !(held && computer.empty() && user.empty())) std::abort();
  if (!unreadable && !complete && held) std::abort();
  if (complete && (computer != details.ComputerName || user != details.UserName)) std::abort();
  std::remove(lock.c_str());
  return 0;
}
