#include <dlfcn.h>

#include "sim/hostprog/HostPlatform.h"
#if defined(__i386__) || defined(__x86_64__)
#include <fpu_control.h>
#endif
#include <elf.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace hostprog {

const char* const kPcbServerFile = "libBrondel.so";
const char* const kWorkspaceFile = "libWorkspaceManager.so";
const char* const kExporterFile = "libTarnquil.so";

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(path, ec).string();
  return ec ? std::string() : absolute;
}

std::string SystemName(const std::string& path) { return path; }

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool CommandLineArguments(int argc, char** argv, std::vector<std::string>* arguments, std::string*) {
  arguments->assign(argv + std::min(argc, 1), argv + argc);
  return true;
}

std::string FileIdentity(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

Module OpenModule(const std::string& path, bool global, std::string* error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | (global ? RTLD_GLOBAL : RTLD_LOCAL));
  if (module == nullptr && error != nullptr) {
    const char* reason = dlerror();
    *error = reason != nullptr ? reason : "unknown reason";
  }
  return module;
}

void* ModuleSymbol(Module module, const char* name) { return module != nullptr ? dlsym(module, name) : nullptr; }

std::string ProgramDirectory() {
  char buffer[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n <= 0) return "./";
  std::string path(buffer, static_cast<std::size_t>(n));
  return path.substr(0, path.find_last_of('/') + 1);
}

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

std::string ComputerName() {
  char buffer[258] = {};
  return gethostname(buffer, 257) == 0 ? std::string(buffer) : std::string();
}

std::string UserName() {
  const passwd* pw = getpwuid(geteuid());
  return pw != nullptr && pw->pw_name != nullptr ? std::string(pw->pw_name) : std::string();
}

bool SetX87Precision(int bits) {
#if defined(__i386__) || defined(__x86_64__)
  fpu_control_t cw;
  _FPU_GETCW(cw);
  cw = static_cast<fpu_control_t>((cw & ~_FPU_EXTENDED) | (bits == 53 ? _FPU_DOUBLE : _FPU_EXTENDED));
  _FPU_SETCW(cw);
  return true;
#else
  (void)bits;
  return false;
#endif
}

namespace {

// The text of an ELF file's section of that name, read through its section
// headers; empty when there is none.
template <typename Header, typename Section>
std::string ElfSection(std::ifstream& in, const char* wanted) {
  Header header{};
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(&header), sizeof header) || header.e_shentsize != sizeof(Section) ||
      header.e_shstrndx >= header.e_shnum)
    return {};
  std::vector<Section> sections(header.e_shnum);
  in.seekg(static_cast<std::streamoff>(header.e_shoff));
  if (!in.read(reinterpret_cast<char*>(sections.data()),
               static_cast<std::streamsize>(sections.size() * sizeof(Section))))
    return {};
  auto read = [&](const Section& section) {
    std::string text(std::min<std::size_t>(section.sh_size, 4096), '\0');
    in.seekg(static_cast<std::streamoff>(section.sh_offset));
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size()))) return std::string();
    return text;
  };
  const std::string names = read(sections[header.e_shstrndx]);
  for (const Section& section : sections) {
    if (section.sh_name >= names.size() || std::string(names.c_str() + section.sh_name) != wanted) continue;
    const std::string text = read(section);
    return text.substr(0, text.find('\0'));
  }
  return {};
}

}  // namespace

std::string LibraryVersion(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char ident[EI_NIDENT] = {};
  if (!in.read(reinterpret_cast<char*>(ident), EI_NIDENT) || std::string(reinterpret_cast<char*>(ident), 4) != ELFMAG)
    return {};
  return ident[EI_CLASS] == ELFCLASS64 ? ElfSection<Elf64_Ehdr, Elf64_Shdr>(in, ".tarnquil_version")
                                       : ElfSection<Elf32_Ehdr, Elf32_Shdr>(in, ".tarnquil_version");
}

int TerminalWidth() {
  winsize size{};
  return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

void Print(std::FILE* stream, const std::string& text, TextForm) { std::fwrite(text.data(), 1, text.size(), stream); }

namespace {

std::mutex g_outputMutex;
int g_savedStderr = -1;
int g_passageRead = -1;
std::thread g_passer;
void (*g_beforeMessage)() = nullptr;

void WriteAll(int fd, const char* data, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void PassOn() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(g_passageRead, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    const std::lock_guard<std::mutex> lock(g_outputMutex);
    g_beforeMessage();
    WriteAll(g_savedStderr, buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

TOutputLock::TOutputLock() { g_outputMutex.lock(); }
TOutputLock::~TOutputLock() { g_outputMutex.unlock(); }

bool PassStandardError(void (*before)()) {
  int ends[2];
  if (g_savedStderr >= 0 || pipe(ends) != 0) return false;
  std::fflush(stderr);
  g_savedStderr = dup(STDERR_FILENO);
  if (g_savedStderr < 0 || dup2(ends[1], STDERR_FILENO) < 0) {
    if (g_savedStderr >= 0) close(g_savedStderr);
    g_savedStderr = -1;
    close(ends[0]);
    close(ends[1]);
    return false;
  }
  close(ends[1]);  // standard error is now the passage's only writer
  g_passageRead = ends[0];
  g_beforeMessage = before;
  g_passer = std::thread(PassOn);
  return true;
}

void EndStandardErrorPassage() {
  if (g_savedStderr < 0) return;
  std::fflush(stderr);
  // The passage's last writer goes: the thread reads to its end and stops.
  dup2(g_savedStderr, STDERR_FILENO);
  g_passer.join();
  close(g_passageRead);
  close(g_savedStderr);
  g_savedStderr = g_passageRead = -1;
}

void PauseUntil(const std::string& ready, const std::string& go) {
  std::ofstream(ready).close();
  for (int i = 0; i < 1200 && !std::filesystem::exists(go); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void SetTemporaryDirectory(const std::string& directory) { setenv("TMPDIR", directory.c_str(), 1); }

void CatchHostErrors(void (*)(const char*)) {}

void EndProcess(int exitCode) {
  std::fflush(nullptr);
  std::exit(exitCode);
}

}  // namespace hostprog
