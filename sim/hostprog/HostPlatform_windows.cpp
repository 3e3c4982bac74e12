#include <float.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "sim/hostprog/HostPlatform.h"

namespace hostprog {
namespace {

constexpr DWORD kHostErrorCode = 0xE0544E51;
void (*g_report)(const char*) = nullptr;

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (record->ExceptionCode != kHostErrorCode || g_report == nullptr) return EXCEPTION_CONTINUE_SEARCH;
  const char* message =
      record->NumberParameters >= 1 ? reinterpret_cast<const char*>(record->ExceptionInformation[0]) : nullptr;
  g_report(message != nullptr ? message : "");
  return EXCEPTION_CONTINUE_SEARCH;  // not reached: report ends the process
}

}  // namespace

const char* const kPcbServerFile = "Brondel.dll";
const char* const kWorkspaceFile = "WorkspaceManager.DLL";
const char* const kExporterFile = "Tarnquil.dll";

std::string AbsolutePath(const std::string& path) {
  // No std::filesystem round trip here: with this runtime it reads a narrow
  // name byte by byte but writes it back as UTF-8, which the ANSI calls of
  // the exporter would then misread ("\xDC" would come back as "\xC3\x9C").
  char buffer[MAX_PATH + 1] = {};
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

Module OpenModule(const std::string& path, bool, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr && error != nullptr) {
    const DWORD code = GetLastError();
    char text[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                   sizeof text, nullptr);
    std::string reason(text, n);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
      reason.pop_back();
    *error = "error " + std::to_string(code) + (reason.empty() ? "" : ": " + reason);
  }
  return reinterpret_cast<Module>(module);
}

void* ModuleSymbol(Module module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

std::string ProgramDirectory() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path(buffer, n);
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? ".\\" : path.substr(0, slash + 1);
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

std::string ComputerName() {
  char buffer[258] = {};
  DWORD size = 257;
  return GetComputerNameA(buffer, &size) ? std::string(buffer, size) : std::string();
}

std::string UserName() {
  char buffer[258] = {};
  DWORD size = 257;
  return GetUserNameA(buffer, &size) && size > 0 ? std::string(buffer, size - 1) : std::string();
}

bool SetX87Precision(int bits) {
  _controlfp(bits == 53 ? _PC_53 : _PC_64, _MCW_PC);
  return true;
}

void SetTemporaryDirectory(const std::string& directory) {
  SetEnvironmentVariableA("TMP", directory.c_str());
  SetEnvironmentVariableA("TEMP", directory.c_str());
}

bool StandardOutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

void EndProcess(int exitCode) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(exitCode));
}

void CatchHostErrors(void (*report)(const char*)) {
  g_report = report;
  AddVectoredExceptionHandler(1, OnException);
}

}  // namespace hostprog
