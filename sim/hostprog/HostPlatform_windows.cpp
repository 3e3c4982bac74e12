#include <float.h>
#include <windows.h>
// after windows.h
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

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

namespace {

// A wide text in the ANSI code page, exactly: false when a character has no
// byte of its own there (no best-fit look-alike is taken). Where the code
// page is UTF-8 every character has its bytes (the best-fit flags are not
// taken there): only a text that is not whole (a lone surrogate) is refused.
bool ToCodePage(const std::wstring& text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  if (GetACP() == CP_UTF8) {
    const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    out->resize(static_cast<std::size_t>(n));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), out->data(),
                               n, nullptr, nullptr) == n;
  }
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, &lossy);
  if (n <= 0 || lossy) return false;
  out->resize(static_cast<std::size_t>(n));
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), out->data(), n, nullptr,
                      &lossy);
  return !lossy;
}

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Under wine, the Windows name of an absolute Linux name ("/home/x" ->
// "Z:\home\x"); empty elsewhere, or for any other name. wine's kernel32
// has the conversion; on Windows it is not there.
std::string WindowsNameOfLinuxName(const std::string& path) {
  if (path.size() < 2 || path[0] != '/' || path[1] == '/') return {};
  using Convert = WCHAR*(CDECL*)(const char*);
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (convert == nullptr) return {};
  // wine takes the Linux name in UTF-8; ours is in the code page.
  WCHAR* dos = convert(Utf8(Widen(path, CP_ACP)).c_str());
  if (dos == nullptr) return {};
  std::string name;
  const bool exact = ToCodePage(dos, &name);
  HeapFree(GetProcessHeap(), 0, dos);
  return exact ? name : std::string();
}

}  // namespace

std::string SystemName(const std::string& path) {
  const std::string windows = WindowsNameOfLinuxName(path);
  return windows.empty() ? path : windows;
}

std::string AbsolutePath(const std::string& path) {
  // No std::filesystem round trip here: with this runtime it reads a narrow
  // name byte by byte but writes it back as UTF-8, which the ANSI calls of
  // the exporter would then misread ("\xDC" would come back as "\xC3\x9C").
  char buffer[MAX_PATH + 1] = {};
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

bool CommandLineArguments(int, char**, std::vector<std::string>* arguments, std::string* error) {
  arguments->clear();
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    *error = "the command line cannot be read";
    return false;
  }
  bool ok = true;
  for (int i = 1; i < count && ok; ++i) {
    std::string argument;
    ok = ToCodePage(wide[i], &argument);
    if (ok)
      arguments->push_back(argument);
    else
      *error = "the argument \"" + Utf8(wide[i]) + "\" holds characters that the system's code page (" +
               std::to_string(GetACP()) +
               ") cannot hold; the exporter would receive another name. Choose a name without them";
  }
  LocalFree(wide);
  return ok;
}

std::string FileIdentity(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  if (!known || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {};
  return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
         std::to_string(info.nFileIndexLow);
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

std::string LibraryVersion(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> info(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return {};
  struct Translation {
    WORD language, codePage;
  }* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation))
    return {};
  char key[64];
  std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\ProductVersion", translations[0].language,
                translations[0].codePage);
  char* text = nullptr;
  if (!VerQueryValueA(info.data(), key, reinterpret_cast<void**>(&text), &length) || text == nullptr) return {};
  return std::string(text);
}

int TerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void Print(std::FILE* stream, const std::string& text, TextForm form) {
  const UINT codePage = form == TextForm::Utf8 ? CP_UTF8 : CP_ACP;
  HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    // What the C runtime holds goes first, so that the order stays.
    std::fflush(stream);
    const std::wstring wide = Widen(text, codePage);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  const std::string bytes = form == TextForm::Utf8 ? text : Utf8(Widen(text, CP_ACP));
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

namespace {

// The output lock; a critical section made on first use.
CRITICAL_SECTION* OutputLock() {
  static CRITICAL_SECTION* lock = [] {
    static CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    return &section;
  }();
  return lock;
}

int g_savedStderr = -1;
int g_passageRead = -1;
HANDLE g_savedStderrHandle = nullptr;
HANDLE g_passer = nullptr;
void (*g_beforeMessage)() = nullptr;

DWORD WINAPI PassOn(void*) {
  char buffer[4096];
  for (;;) {
    const int n = _read(g_passageRead, buffer, sizeof buffer);
    if (n <= 0) return 0;
    EnterCriticalSection(OutputLock());
    g_beforeMessage();
    _write(g_savedStderr, buffer, static_cast<unsigned>(n));
    LeaveCriticalSection(OutputLock());
  }
}

}  // namespace

TOutputLock::TOutputLock() { EnterCriticalSection(OutputLock()); }
TOutputLock::~TOutputLock() { LeaveCriticalSection(OutputLock()); }

// The exporter shares the C runtime (msvcrt.dll) and so its descriptor 2.
bool PassStandardError(void (*before)()) {
  int ends[2];
  if (g_savedStderr >= 0 || _pipe(ends, 65536, _O_BINARY | _O_NOINHERIT) != 0) return false;
  std::fflush(stderr);
  g_savedStderr = _dup(2);
  if (g_savedStderr < 0 || _dup2(ends[1], 2) != 0) {
    if (g_savedStderr >= 0) _close(g_savedStderr);
    g_savedStderr = -1;
    _close(ends[0]);
    _close(ends[1]);
    return false;
  }
  _close(ends[1]);
  g_savedStderrHandle = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_ERROR_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(2)));
  g_passageRead = ends[0];
  g_beforeMessage = before;
  g_passer = CreateThread(nullptr, 0, PassOn, nullptr, 0, nullptr);
  if (g_passer == nullptr) {
    EndStandardErrorPassage();
    return false;
  }
  return true;
}

void EndStandardErrorPassage() {
  if (g_savedStderr < 0) return;
  std::fflush(stderr);
  _dup2(g_savedStderr, 2);
  SetStdHandle(STD_ERROR_HANDLE, g_savedStderrHandle);
  if (g_passer != nullptr) {
    WaitForSingleObject(g_passer, INFINITE);
    CloseHandle(g_passer);
    g_passer = nullptr;
  }
  _close(g_passageRead);
  _close(g_savedStderr);
  g_savedStderr = g_passageRead = -1;
}

void PauseUntil(const std::string& ready, const std::string& go) {
  HANDLE file = CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  for (int i = 0; i < 1200 && GetFileAttributesA(go.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
}

void SetTemporaryDirectory(const std::string& directory) {
  SetEnvironmentVariableA("TMP", directory.c_str());
  SetEnvironmentVariableA("TEMP", directory.c_str());
}

bool StandardOutputIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void EndProcess(int exitCode) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(exitCode));
}

void CatchHostErrors(void (*report)(const char*)) {
  g_report = report;
  AddVectoredExceptionHandler(1, OnException);
}

}  // namespace hostprog
