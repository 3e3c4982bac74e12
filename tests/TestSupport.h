#pragma once
// Helpers shared by the tests: scratch directories, file contents, running
// programs, capturing standard error, and switching the registry stand-in
// (and so test mode) per test.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tqtest {

namespace fs = std::filesystem;

// A fresh directory under the system's temporary directory, removed again at
// the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "tqtest-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    char* made = mkdtemp(buf.data());
    path_ = made != nullptr ? fs::path(made) : fs::path();
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

// Lines of a HYP file without their CR LF; fails the caller's check when a
// line ends otherwise (the result then holds "<bad line end>").
inline std::vector<std::string> HypLines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back("<bad line end>" + content.substr(start));
      break;
    }
    std::string line = content.substr(start, end - start);
    if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos) line = "<bad line end>" + line;
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

// A HYP value without the double quotes around it, if it has them.
inline std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

// Redirects a standard C stream (stdout or stderr) into a temporary file for
// the lifetime of the object, at the level of its file descriptor: C stdio,
// unbuffered iostreams (std::cerr) and plain write() calls are all caught.
// Output() ends the capture and returns what was written; the destructor ends
// it too, so a statement that throws leaves the stream as it was.
class StreamCapture {
 public:
  explicit StreamCapture(std::FILE* stream) : stream_(stream), fd_(fileno(stream)), file_(std::tmpfile()) {
    std::fflush(stream_);
    if (file_ == nullptr) return;
    saved_ = dup(fd_);
    if (saved_ >= 0 && dup2(fileno(file_), fd_) < 0) Stop();
  }
  StreamCapture(const StreamCapture&) = delete;
  StreamCapture& operator=(const StreamCapture&) = delete;
  ~StreamCapture() {
    Stop();
    if (file_ != nullptr) std::fclose(file_);
  }

  std::string Output() {
    Stop();
    std::string text;
    if (file_ == nullptr) return text;
    std::rewind(file_);
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file_)) > 0) text.append(buf, n);
    return text;
  }

 private:
  void Stop() {
    if (saved_ < 0) return;
    std::fflush(stream_);
    dup2(saved_, fd_);
    close(saved_);
    saved_ = -1;
  }

  std::FILE* stream_;
  int fd_;
  std::FILE* file_;
  int saved_ = -1;
};

// Runs f and returns what it wrote to standard error (where the modal
// messages go on Linux). Checks inside f report as usual.
template <typename F>
std::string StderrOf(F&& f) {
  StreamCapture capture(stderr);
  f();
  return capture.Output();
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      had_ = true;
      old_ = old;
    }
    setenv(name, value.c_str(), 1);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    if (had_)
      setenv(name_.c_str(), old_.c_str(), 1);
    else
      unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

// An empty registry stand-in (test mode off) for the lifetime of the object;
// TurnOnTestMode() creates the test-mode key in it.
class ScopedRegistry {
 public:
  ScopedRegistry() : env_("QUORVEX_REGISTRY_ROOT", dir_.path().string()) {}
  void TurnOnTestMode() { fs::create_directories(dir_.path() / "HKEY_LOCAL_MACHINE/Software/Quorvex/TestMode"); }
  std::string root() const { return dir_.path().string(); }

 private:
  ScratchDir dir_;
  ScopedEnv env_;
};

// The export's temporary files in a directory (name prefix "tqh", "TQH" as
// the Windows build writes it).
inline int ExportTempFilesIn(const fs::path& dir) {
  int n = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("tqh", 0) == 0 || name.rfind("TQH", 0) == 0) ++n;
  }
  return n;
}

struct RunResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

// Runs a shell command line, capturing its output.
inline RunResult RunCommand(const std::string& commandLine) {
  RunResult result;
  std::FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) result.output.append(buf, n);
  int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

}  // namespace tqtest
