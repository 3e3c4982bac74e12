#pragma once
// Running the Windows build under wine from the native tests. All runs share
// one throw-away wine prefix inside the build directory, created on first
// use, with test mode switched on so that a modal message can never wait
// for a user who is not there.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"

namespace tqtest {

inline std::string Win32Bin() { return TQ_WIN32_BIN; }

// Why the Windows build cannot be run here, or empty when it can.
inline std::string WineUnavailableReason() {
  if (Win32Bin().empty() || !std::filesystem::exists(Win32Bin() + "/Tarnquil.dll"))
    return "the Windows build is missing (build the win32 preset first)";
  if (RunCommand("command -v wine").exitCode != 0) return "wine is not installed";
  return {};
}

inline std::string WinePrefix() { return std::string(TQ_BINARY_DIR) + "/wineprefix"; }

// The environment in front of every wine command line.
inline std::string WineEnv() {
  return "WINEPREFIX=" + Quote(WinePrefix()) + " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY= ";
}

// Creates the prefix once (under a lock, tests may run in parallel).
inline bool EnsureWinePrefix() {
  std::filesystem::create_directories(TQ_BINARY_DIR);
  const std::string lockPath = std::string(TQ_BINARY_DIR) + "/wineprefix.lock";
  int fd = ::open(lockPath.c_str(), O_CREAT | O_RDWR, 0644);
  if (fd < 0) return false;
  flock(fd, LOCK_EX);
  bool ok = std::filesystem::exists(WinePrefix() + "/.tq-ready");
  if (!ok) {
    RunResult boot =
        RunCommand(WineEnv() + "wineboot -i && " + WineEnv() +
                   "wine reg add 'HKLM\\Software\\Quorvex\\TestMode' /f && " + WineEnv() + "wineserver -w");
    ok = boot.exitCode == 0;
    if (ok) WriteFile(WinePrefix() + "/.tq-ready", "");
  }
  flock(fd, LOCK_UN);
  ::close(fd);
  return ok;
}

// Runs a Windows program of the build under wine.
inline RunResult RunWine(const std::string& program, const std::string& arguments) {
  return RunCommand(WineEnv() + "wine " + Quote(Win32Bin() + "/" + program) + " " + arguments);
}

#define TQ_REQUIRE_WINE()                                                            \
  do {                                                                               \
    const std::string reason = ::tqtest::WineUnavailableReason();                    \
    if (!reason.empty()) GTEST_SKIP() << reason;                                     \
    ASSERT_TRUE(::tqtest::EnsureWinePrefix()) << "the wine prefix cannot be set up"; \
  } while (0)

}  // namespace tqtest
