#include "platform/Platform.h"

#define WIN32_LEAN_AND_MEAN
#include <float.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace platform {
namespace {

// The system's text for an error code, without line breaks or a closing
// full stop; "error N" when the system has none.
std::string SystemText(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string t = n > 0 && text != nullptr ? std::string(text, n) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!t.empty() && (t.back() == '\r' || t.back() == '\n' || t.back() == ' ' || t.back() == '.')) t.pop_back();
  return t.empty() ? "error " + std::to_string(code) : t;
}

// The system's text for an error code, with the context it happened in.
std::string WindowsError(DWORD code, const std::string& context) { return context + ": " + SystemText(code); }

std::string DirectoryOf(const std::string& path) {
  std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string(".\\") : path.substr(0, cut + 1);
}

// Gives the new file the attributes of the file it replaces that replacing
// it would otherwise lose (a moved file keeps its own). Read-only is not
// taken over: a read-only destination cannot be replaced anyway.
void TakeAttributesOf(const std::string& target, const std::string& file) {
  const DWORD kept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD old = GetFileAttributesA(target.c_str());
  if (old == INVALID_FILE_ATTRIBUTES || (old & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  const DWORD attributes = old & kept;
  SetFileAttributesA(file.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

ModuleHandle FindLoadedModule(const char* name) {
  return name == nullptr ? nullptr : reinterpret_cast<ModuleHandle>(GetModuleHandleA(name));
}

void* FindExport(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void* FindMainProgramExport(const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), name));
}

std::string TempDirectory() {
  char buf[256] = {};
  DWORD n = GetTempPathA(255, buf);
  if (n == 0 || n > 255) return {};
  return std::string(buf, n);
}

std::string CreateUniqueTempFile(const std::string& directory, const char* prefix) {
  if (directory.empty()) return {};
  char buf[MAX_PATH + 1] = {};
  if (GetTempFileNameA(directory.c_str(), prefix, 0, buf) == 0) return {};
  return buf;
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool PathExists(const std::string& path) {
  return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string& path) { return !path.empty() && DeleteFileA(path.c_str()) != 0; }

PathState ProbePath(const std::string& path, std::string* reason) {
  if (path.empty()) return PathState::Missing;
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return PathState::Exists;
  const DWORD err = GetLastError();
  if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return PathState::Missing;
  if (reason != nullptr) *reason = SystemText(err);
  return PathState::Refused;
}

bool IsReadOnlyFile(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

SmallFileRead ReadSmallRegularFile(const std::string& path, std::size_t maxBytes, std::string& content) {
  content.clear();
  if (path.empty()) return SmallFileRead::Missing;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // Only what exists there and cannot be read is unreadable (held open
    // exclusively, a directory); a name the file system refuses (a
    // character outside the code page became "?", a '"') holds nothing.
    const DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return SmallFileRead::Missing;
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? SmallFileRead::Unreadable
                                                                       : SmallFileRead::Missing;
  }
  SmallFileRead result = SmallFileRead::Read;
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) ||
      static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
    result = SmallFileRead::Unreadable;
  } else {
    char buf[4096];
    for (;;) {
      DWORD n = 0;
      if (!ReadFile(file, buf, sizeof buf, &n, nullptr)) {
        result = SmallFileRead::Unreadable;
        break;
      }
      if (n == 0) break;
      content.append(buf, n);
      if (content.size() > maxBytes) {
        result = SmallFileRead::Unreadable;
        break;
      }
    }
  }
  CloseHandle(file);
  if (result != SmallFileRead::Read) content.clear();
  return result;
}

bool MoveOverFile(const std::string& from, const std::string& to, std::string* errorText) {
  TakeAttributesOf(to, from);
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  if (errorText != nullptr) *errorText = WindowsError(GetLastError(), "cannot move " + from + " to " + to);
  return false;
}

bool CopyOverFile(const std::string& from, const std::string& to, std::string* errorText) {
  std::string staging = CreateUniqueTempFile(DirectoryOf(to), "tqc");
  if (staging.empty()) {
    if (errorText != nullptr) *errorText = WindowsError(GetLastError(), "cannot create a file beside " + to);
    return false;
  }
  if (!CopyFileA(from.c_str(), staging.c_str(), FALSE)) {
    DWORD err = GetLastError();
    DeleteFileA(staging.c_str());
    if (errorText != nullptr) *errorText = WindowsError(err, "cannot copy " + from + " to " + staging);
    return false;
  }
  TakeAttributesOf(to, staging);
  if (!MoveFileExA(staging.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD err = GetLastError();
    DeleteFileA(staging.c_str());
    if (errorText != nullptr) *errorText = WindowsError(err, "cannot move " + staging + " to " + to);
    return false;
  }
  return true;
}

namespace {

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::wstring WideName(const std::string& name) {
  const int n = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), n);
  return wide;
}

}  // namespace

bool HeldFile::Open(const std::string& path) {
  Close();
  if (path.empty()) return false;
  // Others may read the file while it is held, but neither write, remove nor
  // rename it; DELETE lets this process move it through the handle.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  Adopt(reinterpret_cast<std::intptr_t>(file), path);
  return true;
}

bool HeldFile::Write(const char* data, std::size_t size) {
  if (!IsOpen()) return false;
  for (std::size_t done = 0; done < size;) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD n = 0;
    if (!WriteFile(AsHandle(handle_), data + done, chunk, &n, nullptr) || n == 0) return false;
    done += n;
    written_ += n;
  }
  return true;
}

bool HeldFile::StillTheFileWritten(std::string* reason) const {
  auto no = [&](const std::string& what) {
    if (reason != nullptr) *reason = what;
    return false;
  };
  BY_HANDLE_FILE_INFORMATION held{}, named{};
  if (!IsOpen() || !GetFileInformationByHandle(AsHandle(handle_), &held)) return no("it is gone");
  // Attributes only: no share mode stands in the way of that.
  HANDLE file = CreateFileA(path_.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    return no(err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND
                  ? "it is gone"
                  : "it cannot be looked at: " + SystemText(err));
  }
  const bool known = GetFileInformationByHandle(file, &named) != 0;
  CloseHandle(file);
  if (!known) return no("another file stands in its place");
  if ((named.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return no("a link stands in its place");
  if (named.dwVolumeSerialNumber != held.dwVolumeSerialNumber || named.nFileIndexHigh != held.nFileIndexHigh ||
      named.nFileIndexLow != held.nFileIndexLow || (named.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return no("another file stands in its place");
  if (named.nNumberOfLinks != 1) return no("it has another name as well");
  const std::uint64_t size = (static_cast<std::uint64_t>(named.nFileSizeHigh) << 32) | named.nFileSizeLow;
  if (size != written_)
    return no("it holds " + std::to_string(size) + " bytes, not the " + std::to_string(written_) + " written");
  return true;
}

bool HeldFile::MoveTo(const std::string& to, std::string* errorText) {
  if (!IsOpen()) {
    if (errorText != nullptr) *errorText = "cannot move " + path_ + ": it is not open";
    return false;
  }
  TakeAttributesOf(to, path_);
  FlushFileBuffers(AsHandle(handle_));
  // The rename goes through the handle: it moves the file written, whatever
  // its name has come to name meanwhile.
  const std::wstring target = WideName(to);
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + (target.size() + 1) * sizeof(wchar_t), 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::copy(target.begin(), target.end(), info->FileName);
  if (!SetFileInformationByHandle(AsHandle(handle_), FileRenameInfo, info, static_cast<DWORD>(buffer.size()))) {
    if (errorText != nullptr) *errorText = WindowsError(GetLastError(), "cannot move " + path_ + " to " + to);
    return false;
  }
  Close();
  return true;
}

bool HeldFile::CopyTo(const std::string& to, std::string* errorText) {
  auto fail = [&](DWORD err, const std::string& what) {
    if (errorText != nullptr) *errorText = WindowsError(err, what);
    return false;
  };
  if (!IsOpen()) return fail(ERROR_INVALID_HANDLE, "cannot copy " + path_);
  std::string staging = CreateUniqueTempFile(DirectoryOf(to), "tqc");
  if (staging.empty()) return fail(GetLastError(), "cannot create a file beside " + to);
  HANDLE out =
      CreateFileA(staging.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    DeleteFileA(staging.c_str());
    return fail(err, "cannot write " + staging);
  }
  // What the held file holds, read through its own handle from its start.
  LARGE_INTEGER start{};
  bool copied = SetFilePointerEx(AsHandle(handle_), start, nullptr, FILE_BEGIN) != 0;
  std::vector<char> buf(65536);
  for (DWORD n = 0; copied;) {
    copied = ReadFile(AsHandle(handle_), buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr) != 0;
    if (!copied || n == 0) break;
    DWORD w = 0;
    copied = WriteFile(out, buf.data(), n, &w, nullptr) != 0 && w == n;
  }
  DWORD err = copied ? ERROR_SUCCESS : GetLastError();
  if (copied && !FlushFileBuffers(out)) {
    copied = false;
    err = GetLastError();
  }
  CloseHandle(out);
  if (!copied) {
    DeleteFileA(staging.c_str());
    return fail(err, "cannot copy " + path_ + " to " + staging);
  }
  TakeAttributesOf(to, staging);
  if (!MoveFileExA(staging.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    err = GetLastError();
    DeleteFileA(staging.c_str());
    return fail(err, "cannot move " + staging + " to " + to);
  }
  return true;
}

void HeldFile::Remove() {
  if (IsOpen()) {
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    SetFileInformationByHandle(AsHandle(handle_), FileDispositionInfo, &dispose, sizeof dispose);
  }
  Close();
}

void HeldFile::Close() noexcept {
  if (IsOpen()) CloseHandle(AsHandle(handle_));
  handle_ = kNone;
  path_.clear();
  written_ = 0;
  Untrack();
}

bool LocalMachineKeyExists(const char* subKey) {
  std::string key(subKey);
  while (!key.empty() && key[0] == '\\') key.erase(0, 1);
  HKEY handle = nullptr;
  const LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle);
  if (status == ERROR_SUCCESS) RegCloseKey(handle);
  // A key we may not read exists all the same.
  return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

namespace {
// Centres the message box on the screen when it is about to be shown.
HHOOK g_centreHook = nullptr;
LRESULT CALLBACK CentreMessageBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    RECT r{};
    if (GetWindowRect(box, &r)) {
      int w = r.right - r.left, h = r.bottom - r.top;
      SetWindowPos(box, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UnhookWindowsHookEx(g_centreHook);
    g_centreHook = nullptr;
    return 0;
  }
  return CallNextHookEx(g_centreHook, code, wParam, lParam);
}
}  // namespace

int ShowModalMessage(MessageKind kind, const std::string& caption, const std::string& message) {
  g_centreHook = SetWindowsHookExA(WH_CBT, CentreMessageBox, nullptr, GetCurrentThreadId());
  UINT type = MB_OK | MB_TASKMODAL | (kind == MessageKind::Error ? MB_ICONERROR : MB_ICONWARNING);
  int result = MessageBoxA(nullptr, message.c_str(), caption.c_str(), type);
  if (g_centreHook != nullptr) {
    UnhookWindowsHookEx(g_centreHook);
    g_centreHook = nullptr;
  }
  // No dialog could be shown (no display: wine gives -1, Windows 0). The
  // message goes where the user of a console can still read it, and the run
  // goes on as after OK.
  if (result <= 0) {
    const std::string line = "[" + caption + "] " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    result = IDOK;
  }
  return result;
}

ExtendedPrecisionScope::ExtendedPrecisionScope() : saved_(_controlfp(0, 0)) { _controlfp(_PC_64, _MCW_PC); }
ExtendedPrecisionScope::~ExtendedPrecisionScope() { _controlfp(saved_, _MCW_PC); }

namespace {

// The message of the last error raised to the host; the structured exception
// carries its address.
std::string g_hostErrorText;

// Runs body and catches what it raises into g_hostErrorText. Every C++ frame
// with a destructor and every handler ends in here, before the structured
// exception is raised.
bool RunCatching(std::uint8_t (*body)(const void*), const void* context, std::uint8_t* result) noexcept {
  try {
    *result = body(context);
    return true;
  } catch (const std::exception& e) {
    g_hostErrorText = e.what();
  } catch (...) {
    g_hostErrorText = "unknown error";
  }
  return false;
}

[[noreturn]] void RaiseHostError() {
  ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(g_hostErrorText.c_str());
  RaiseException(kHostErrorExceptionCode, EXCEPTION_NONCONTINUABLE, 1, &argument);
  std::terminate();  // not reached: the exception is not continuable
}

}  // namespace

std::uint8_t RunAtHostBoundary(std::uint8_t (*body)(const void* context), const void* context) {
  std::uint8_t result = 0;
  if (!RunCatching(body, context, &result)) RaiseHostError();
  return result;
}

std::string ComputerName() {
  char buf[258] = {};
  DWORD size = 257;
  if (!GetComputerNameA(buf, &size)) return {};
  return std::string(buf, size);
}

std::string UserName() {
  char buf[258] = {};
  DWORD size = 257;
  if (!GetUserNameA(buf, &size) || size == 0) return {};
  return std::string(buf, size - 1);  // size counts the terminator
}

std::uint32_t ProcessId() { return GetCurrentProcessId(); }

void WriteStandardOutput(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }
void FlushStandardOutput() { std::fflush(stdout); }
void EndProcess(int exitCode) {
  std::fflush(nullptr);
  ::ExitProcess(static_cast<UINT>(exitCode));
}

std::string WideToSingleByte(std::u16string_view text) {
  if (text.empty()) return {};
  const wchar_t* w = reinterpret_cast<const wchar_t*>(text.data());
  int n = WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string SingleByteToWide(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

}  // namespace platform
