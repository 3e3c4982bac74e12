#include <dlfcn.h>

#include "platform/Platform.h"
#if defined(__i386__) || defined(__x86_64__)
#include <fpu_control.h>
#endif
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace platform {
namespace {

// "Brondel.dll" -> "libBrondel.so"; other names are used as they are.
std::string SharedObjectName(const char* name) {
  std::string n(name);
  if (n.size() > 4) {
    std::string ext = n.substr(n.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".dll") return "lib" + n.substr(0, n.size() - 4) + ".so";
  }
  return n;
}

std::string ErrnoText(int err, const std::string& context) { return context + ": " + std::strerror(err); }

// The file that writing to `path` would change: symbolic links are followed
// (also a last one that points to nothing yet), so that a destination that
// is a link has its target replaced, not the link itself.
std::string FinalTarget(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(current.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return current;
    link.resize(static_cast<std::size_t>(n));
    if (link[0] == '/') {
      current = link;
    } else {
      const std::size_t cut = current.find_last_of('/');
      current = (cut == std::string::npos ? std::string() : current.substr(0, cut + 1)) + link;
    }
  }
  return current;  // a loop of links: rename then fails with the system's reason
}

// The process's file creation mask, read without changing it.
mode_t CurrentUmask() {
  if (FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status) != nullptr)
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return static_cast<mode_t>(mask);
  }
  return 022;
}

// Gives the new file the permission bits of the file it replaces, or those
// of a newly created file (0666 less the umask) where there is none yet; the
// temporary file was made private (0600). Best effort: a failure leaves it.
void TakePermissionsOf(const std::string& target, const std::string& file) {
  struct stat st {};
  const mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  chmod(file.c_str(), mode);
}

}  // namespace

ModuleHandle FindLoadedModule(const char* name) {
  if (name == nullptr) return nullptr;
  void* handle = dlopen(SharedObjectName(name).c_str(), RTLD_NOW | RTLD_NOLOAD);
  // RTLD_NOLOAD still counts a reference; give it back so that we never keep
  // the module loaded ourselves.
  if (handle != nullptr) dlclose(handle);
  return handle;
}

void* FindExport(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return dlsym(module, name);
}

void* FindMainProgramExport(const char* name) {
  void* self = dlopen(nullptr, RTLD_NOW);
  if (self == nullptr) return nullptr;
  void* address = dlsym(self, name);
  dlclose(self);
  return address;
}

std::string TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string d = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (d.size() > 254) return {};
  if (d.back() != '/') d += '/';
  return d;
}

std::string CreateUniqueTempFile(const std::string& directory, const char* prefix) {
  if (directory.empty()) return {};
  std::string pattern = directory;
  if (pattern.back() != '/') pattern += '/';
  pattern += std::string(prefix).substr(0, 3) + "XXXXXX";
  std::string buffer = pattern;
  int fd = mkstemp(buffer.data());
  if (fd < 0) return {};
  close(fd);
  return buffer;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool RemoveFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

PathState ProbePath(const std::string& path, std::string* reason) {
  struct stat st {};
  if (!path.empty() && stat(path.c_str(), &st) == 0) return PathState::Exists;
  const int err = path.empty() ? ENOENT : errno;
  // A link that leads nowhere yet is a name that writing can take.
  if (err == ENOENT || err == ENOTDIR) return PathState::Missing;
  if (reason != nullptr) *reason = std::strerror(err);
  return PathState::Refused;
}

bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if ((st.st_mode & 0222) == 0) return true;  // marked read-only, also for the superuser
  return access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

SmallFileRead ReadSmallRegularFile(const std::string& path, std::size_t maxBytes, std::string& content) {
  content.clear();
  if (path.empty()) return SmallFileRead::Missing;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    // Only what exists there and cannot be read is unreadable; a name that
    // cannot be looked up holds nothing.
    struct stat st {};
    return errno != ENOENT && lstat(path.c_str(), &st) == 0 ? SmallFileRead::Unreadable : SmallFileRead::Missing;
  }
  struct stat st {};
  SmallFileRead result = SmallFileRead::Read;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    result = SmallFileRead::Unreadable;
  } else {
    char buf[4096];
    for (;;) {
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result = SmallFileRead::Unreadable;
        break;
      }
      if (n == 0) break;
      content.append(buf, static_cast<std::size_t>(n));
      if (content.size() > maxBytes) {  // grew while we read
        result = SmallFileRead::Unreadable;
        break;
      }
    }
  }
  close(fd);
  if (result != SmallFileRead::Read) content.clear();
  return result;
}

bool MoveOverFile(const std::string& from, const std::string& toName, std::string* errorText) {
  const std::string to = FinalTarget(toName);
  TakePermissionsOf(to, from);
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  if (errorText != nullptr) *errorText = ErrnoText(errno, "cannot move " + from + " to " + to);
  return false;
}

namespace {

// A file beside the destination, removed unless it was moved into place.
class TStagingFile {
 public:
  explicit TStagingFile(std::string path) : path_(std::move(path)) {}
  TStagingFile(const TStagingFile&) = delete;
  TStagingFile& operator=(const TStagingFile&) = delete;
  ~TStagingFile() {
    if (!path_.empty()) {
      const int err = errno;  // the error being reported stays the one reported
      unlink(path_.c_str());
      errno = err;
    }
  }
  const std::string& path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

// The whole of the file open as `in`, from its start, into `out`; false on
// any read, write or sync error.
bool CopyDescriptor(int in, int out) {
  char buf[65536];
  off_t at = 0;
  for (;;) {
    const ssize_t n = pread(in, buf, sizeof buf, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(out, buf + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += w;
    }
    at += n;
  }
  return fsync(out) == 0;
}

// Copies the file open as `in` next to `toName`'s final target and then
// replaces that target with the copy in one step; `from` names the file in
// messages.
bool CopyIntoPlace(int in, const std::string& from, const std::string& toName, std::string* errorText) {
  const std::string to = FinalTarget(toName);
  auto fail = [&](const std::string& what) {
    if (errorText != nullptr) *errorText = ErrnoText(errno, what);
    return false;
  };
  // The copy goes into the destination's directory first, so that the final
  // step is a rename within one volume.
  const std::string dir = to.substr(0, to.find_last_of('/') + 1);
  TStagingFile staging(CreateUniqueTempFile(dir.empty() ? "./" : dir, "tqc"));
  if (staging.path().empty()) return fail("cannot create a file beside " + to);
  const int out = open(staging.path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (out < 0) return fail("cannot write " + staging.path());
  const bool copied = CopyDescriptor(in, out);
  const int err = errno;
  if (close(out) != 0 || !copied) {
    if (copied) errno = err;
    return fail("cannot copy " + from + " to " + staging.path());
  }
  TakePermissionsOf(to, staging.path());
  if (rename(staging.path().c_str(), to.c_str()) != 0) return fail("cannot move " + staging.path() + " to " + to);
  staging.Keep();
  return true;
}

}  // namespace

bool CopyOverFile(const std::string& from, const std::string& toName, std::string* errorText) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    if (errorText != nullptr) *errorText = ErrnoText(errno, "cannot read " + from);
    return false;
  }
  const bool copied = CopyIntoPlace(in, from, toName, errorText);
  close(in);
  return copied;
}

bool HeldFile::Open(const std::string& path) {
  Close();
  if (path.empty()) return false;
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  Adopt(fd, path);
  return true;
}

bool HeldFile::Write(const char* data, std::size_t size) {
  if (!IsOpen()) return false;
  const int fd = static_cast<int>(handle_);
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
    written_ += static_cast<std::uint64_t>(n);
  }
  return true;
}

bool HeldFile::StillTheFileWritten(std::string* reason) const {
  auto no = [&](const std::string& what) {
    if (reason != nullptr) *reason = what;
    return false;
  };
  struct stat held {
  }, named{};
  if (!IsOpen() || fstat(static_cast<int>(handle_), &held) != 0) return no("it is gone");
  if (lstat(path_.c_str(), &named) != 0) return no("it is gone");
  if (S_ISLNK(named.st_mode)) return no("a link stands in its place");
  if (named.st_dev != held.st_dev || named.st_ino != held.st_ino || !S_ISREG(named.st_mode))
    return no("another file stands in its place");
  if (named.st_nlink != 1) return no("it has another name as well");
  if (static_cast<std::uint64_t>(named.st_size) != written_)
    return no("it holds " + std::to_string(named.st_size) + " bytes, not the " + std::to_string(written_) + " written");
  return true;
}

bool HeldFile::MoveTo(const std::string& to, std::string* errorText) {
  const bool moved = MoveOverFile(path_, to, errorText);
  if (moved) Close();
  return moved;
}

bool HeldFile::CopyTo(const std::string& to, std::string* errorText) {
  if (!IsOpen()) {
    if (errorText != nullptr) *errorText = "cannot copy " + path_ + ": it is not open";
    return false;
  }
  return CopyIntoPlace(static_cast<int>(handle_), path_, to, errorText);
}

void HeldFile::Remove() {
  struct stat held {
  }, named{};
  if (IsOpen() && fstat(static_cast<int>(handle_), &held) == 0 && lstat(path_.c_str(), &named) == 0 &&
      held.st_dev == named.st_dev && held.st_ino == named.st_ino)
    unlink(path_.c_str());
  Close();
}

void HeldFile::Close() noexcept {
  if (IsOpen()) close(static_cast<int>(handle_));
  handle_ = kNone;
  path_.clear();
  written_ = 0;
  Untrack();
}

bool LocalMachineKeyExists(const char* subKey) {
  const char* root = std::getenv("QUORVEX_REGISTRY_ROOT");
  std::string path;
  if (root != nullptr && *root != '\0') {
    path = root;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr) return false;
    path = std::string(home) + "/.config/quorvex/registry";
  }
  path += "/HKEY_LOCAL_MACHINE";
  std::string key(subKey);
  if (!key.empty() && key[0] != '\\') path += '/';
  for (char c : key) path += (c == '\\') ? '/' : c;
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int ShowModalMessage(MessageKind kind, const std::string& caption, const std::string& message) {
  // No desktop here: the message goes to standard error, in the form the
  // Windows build uses where it cannot show a dialog, and counts as answered
  // with OK, so that a run never waits for a user.
  (void)kind;
  const std::string line = "[" + caption + "] " + message + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return 1;
}

#if defined(__i386__) || defined(__x86_64__)
ExtendedPrecisionScope::ExtendedPrecisionScope() {
  fpu_control_t cw;
  _FPU_GETCW(cw);
  saved_ = cw;
  fpu_control_t extended = static_cast<fpu_control_t>((cw & ~_FPU_EXTENDED) | _FPU_EXTENDED);
  _FPU_SETCW(extended);
}
ExtendedPrecisionScope::~ExtendedPrecisionScope() {
  fpu_control_t cw = static_cast<fpu_control_t>(saved_);
  _FPU_SETCW(cw);
}
#else
ExtendedPrecisionScope::ExtendedPrecisionScope() = default;
ExtendedPrecisionScope::~ExtendedPrecisionScope() = default;
#endif

std::uint8_t RunAtHostBoundary(std::uint8_t (*body)(const void* context), const void* context) { return body(context); }

std::string ComputerName() {
  char buf[258] = {};
  if (gethostname(buf, 257) != 0) return {};
  buf[257] = '\0';
  return buf;
}

std::string UserName() {
  struct passwd* pw = getpwuid(geteuid());
  if (pw != nullptr && pw->pw_name != nullptr) return std::string(pw->pw_name).substr(0, 256);
  const char* user = std::getenv("USER");
  return user != nullptr ? std::string(user).substr(0, 256) : std::string();
}

std::uint32_t ProcessId() { return static_cast<std::uint32_t>(getpid()); }

void WriteStandardOutput(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }
void FlushStandardOutput() { std::fflush(stdout); }
void EndProcess(int exitCode) {
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

std::string WideToSingleByte(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out += (c < 256) ? static_cast<char>(c) : '?';
  return out;
}

std::u16string SingleByteToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

}  // namespace platform
