#include "platform/Platform.h"

#include <dlfcn.h>
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

std::string ErrnoText(int err, const std::string& context) {
  return context + ": " + std::strerror(err);
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

bool MoveOverFile(const std::string& from, const std::string& to, std::string* errorText) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  if (errorText != nullptr) *errorText = ErrnoText(errno, "cannot move " + from + " to " + to);
  return false;
}

bool CopyOverFile(const std::string& from, const std::string& to, std::string* errorText) {
  auto fail = [&](const std::string& what) {
    if (errorText != nullptr) *errorText = ErrnoText(errno, what);
    return false;
  };
  // The copy goes into the destination's directory first, so that the final
  // step is a rename within one volume.
  std::string dir = to.substr(0, to.find_last_of('/') + 1);
  std::string staging = CreateUniqueTempFile(dir.empty() ? "./" : dir, "tqc");
  if (staging.empty()) return fail("cannot create a file beside " + to);
  FILE* in = std::fopen(from.c_str(), "rb");
  if (in == nullptr) {
    unlink(staging.c_str());
    return fail("cannot read " + from);
  }
  FILE* out = std::fopen(staging.c_str(), "wb");
  if (out == nullptr) {
    std::fclose(in);
    unlink(staging.c_str());
    return fail("cannot write " + staging);
  }
  char buf[65536];
  bool ok = true;
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) {
    if (std::fwrite(buf, 1, n, out) != n) {
      ok = false;
      break;
    }
  }
  if (std::ferror(in)) ok = false;
  std::fclose(in);
  if (std::fflush(out) != 0 || fsync(fileno(out)) != 0) ok = false;
  if (std::fclose(out) != 0) ok = false;
  if (!ok) {
    int err = errno;
    unlink(staging.c_str());
    errno = err;
    return fail("cannot copy " + from + " to " + staging);
  }
  if (rename(staging.c_str(), to.c_str()) != 0) {
    int err = errno;
    unlink(staging.c_str());
    errno = err;
    return fail("cannot move " + staging + " to " + to);
  }
  return true;
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
  // No desktop here: the message goes to standard error and counts as
  // answered with OK, so that a run never waits for a user.
  std::fprintf(stderr, "[%s] %s: %s\n", kind == MessageKind::Error ? "error dialog" : "warning dialog",
               caption.c_str(), message.c_str());
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

std::uint8_t RunAtHostBoundary(std::uint8_t (*body)(const void* context), const void* context) {
  return body(context);
}

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
