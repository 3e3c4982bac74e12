#pragma once
// Operating-system services: the only place that includes <windows.h> or
// POSIX headers. One source per system (Platform_windows.cpp,
// Platform_posix.cpp) is picked by the build; callers hold no #ifdef.
//
// On Linux some services have stand-ins, written down in docs/platform.md:
//  - module names of the form "Name.dll" map to the shared object "libName.so";
//  - the registry is a directory tree under $QUORVEX_REGISTRY_ROOT;
//  - a modal message is written to standard error ("[CAPTION] MESSAGE", as the
//    Windows build does where no dialog can be shown) and answered with OK.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using ModuleHandle = void*;

// A module that is already loaded in this process, or nullptr. Never loads.
ModuleHandle FindLoadedModule(const char* name);
// The address that a module exports under a name, or nullptr.
void* FindExport(ModuleHandle module, const char* name);
// The address that the main program exports under a name, or nullptr.
void* FindMainProgramExport(const char* name);

// The system's directory for temporary files, with its trailing separator;
// empty when the system refuses.
std::string TempDirectory();
// Creates a new, empty, uniquely named file in a directory, its name starting
// with a three-letter prefix; returns its full name, or empty text on failure.
std::string CreateUniqueTempFile(const std::string& directory, const char* prefix);

// A regular file exists at path.
bool FileExists(const std::string& path);
// Anything (file, directory, ...) exists at path.
bool PathExists(const std::string& path);
bool RemoveFile(const std::string& path);

// What the file system says about a name.
enum class PathState {
  Exists,   // something (a file, a directory, a link) is there
  Missing,  // nothing is there, also when a directory on the way is missing
  Refused,  // the name itself is refused: characters the file system does
            // not take, a name too long, a directory on the way that may
            // not be searched
};
// reason (when given) receives the system's reason for Refused, without a
// closing full stop.
PathState ProbePath(const std::string& path, std::string* reason);

// A file exists at path (a link followed) and may not be written: on
// Windows its read-only attribute; on Linux none of its write permission
// bits is set, or this process may not write it, or its file system is
// mounted read-only.
bool IsReadOnlyFile(const std::string& path);

enum class SmallFileRead {
  Read,        // content holds the whole file
  Missing,     // nothing exists at path (or can exist: a name the file
               // system refuses)
  Unreadable,  // something exists at path but is not a regular file (a
               // FIFO, a device, a directory), is held open exclusively,
               // cannot be read, or is larger than maxBytes
};
// Reads a small regular file whole. Never blocks on what is not a regular
// file: a FIFO or a device at path is Unreadable without being waited for.
SmallFileRead ReadSmallRegularFile(const std::string& path, std::size_t maxBytes, std::string& content);
// Puts `from` at `to` so that `to` names either its old or its new complete
// content at every moment. Fails (and leaves both files as they were) when the
// two lie on different volumes. errorText receives the system's reason.
// What replacing keeps of the destination: on Linux its permission bits (a
// new destination gets 0666 less the umask), and a destination that is a
// symbolic link stays one, its target replaced; on Windows its attributes
// (hidden, system, archive, not indexed).
bool MoveOverFile(const std::string& from, const std::string& to, std::string* errorText);
// Copies `from` next to `to` and then replaces `to` with the copy in one step;
// `from` is left in place. Used where MoveOverFile cannot cross volumes.
bool CopyOverFile(const std::string& from, const std::string& to, std::string* errorText);

// The file an export writes, held open by this process from the moment it
// is opened until it is committed or closed. On Windows other programs may
// read it while it is held but not write, remove or rename it; Linux has no
// such hold, so the commit asks StillTheFileWritten before it moves it.
// Move-only. Every held file is known, so that a process that ends without
// unwinding (test mode) can let go of them first (CloseAll).
class HeldFile {
 public:
  HeldFile() = default;
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  HeldFile(HeldFile&& other) noexcept;
  HeldFile& operator=(HeldFile&& other) noexcept;
  ~HeldFile() { Close(); }

  // Opens the file at path for writing and reading, emptying it (creating
  // it where there is none).
  // False when it cannot be opened (nothing is then held).
  bool Open(const std::string& path);
  bool IsOpen() const { return handle_ != kNone; }
  const std::string& Path() const { return path_; }
  // Appends to the file; false when not all of it was written.
  bool Write(const char* data, std::size_t size);
  // The bytes written since Open.
  std::uint64_t Written() const { return written_; }

  // Whether the name the file was opened by still names this very file,
  // as written: the same file identity (device and inode; volume serial and
  // file index), a regular file reached by no link, with no other name, of
  // the size written. `reason` (when given) receives, where it does not, what
  // happened to it: "it is gone", "another file stands in its place", "a
  // link stands in its place", "it has another name as well", "it holds N
  // bytes, not the M written".
  bool StillTheFileWritten(std::string* reason) const;
  // Puts the held file at `to`, as MoveOverFile does, and lets go of it;
  // where it cannot, the file stays held. On Windows the file is moved through the handle it is held
  // by; on Linux by its name, which StillTheFileWritten has just checked.
  bool MoveTo(const std::string& to, std::string* errorText);
  // Copies what the held file holds (read through its handle) next to `to`
  // and replaces `to` with the copy in one step, as CopyOverFile does; the
  // file stays held.
  bool CopyTo(const std::string& to, std::string* errorText);
  // Removes the file written (through its handle on Windows; on Linux by its
  // name where that still names it: what another program put there is not
  // ours to remove) and lets go of it.
  void Remove();
  // Lets go of the file; it stays where it is.
  void Close() noexcept;
  // Lets go of every held file of the process.
  static void CloseAll() noexcept;

 private:
  static constexpr std::intptr_t kNone = -1;
  void Track();
  void Untrack() noexcept;
  // Takes a file just opened for writing: held, tracked, nothing written yet.
  void Adopt(std::intptr_t handle, const std::string& path);
  std::intptr_t handle_ = kNone;  // a file descriptor, or a HANDLE
  std::string path_;
  std::uint64_t written_ = 0;
};

// Whether a key exists under HKEY_LOCAL_MACHINE (path with backslashes).
bool LocalMachineKeyExists(const char* subKey);

enum class MessageKind { Error, Warning };
// Shows a modal message with one OK button, centred on the screen, and
// returns its modal result (1 = OK). Where no dialog can be shown (no
// display), the line "[CAPTION] MESSAGE" goes to standard error instead and
// the result is OK.
int ShowModalMessage(MessageKind kind, const std::string& caption, const std::string& message);

// Runs the x87 floating-point unit at extended (64-bit) precision while the
// object lives and gives the caller's setting back afterwards. The exports
// run under one: hosts built with some compilers lower the precision to 53
// bits, which would change the library's extended-precision results.
class ExtendedPrecisionScope {
 public:
  ExtendedPrecisionScope();
  ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
  ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;
  ~ExtendedPrecisionScope();

 private:
  unsigned saved_ = 0;
};

// Runs body(context) where the library returns to the host and hands its
// result back. An exception that body raises must reach the host, whatever
// language the host is written in:
//  - on Windows a C++ exception cannot unwind out of the DLL, so its message
//    is kept and raised as a structured exception with code
//    kHostErrorExceptionCode, not continuable, whose one argument is the
//    address of the message text (valid until the next failure). It is
//    raised after body's frames are gone and no C++ handler is active, so
//    body must own everything it builds (the caller's frame holds nothing
//    with a destructor).
//  - on Linux the host is a C++ program and the exception passes unchanged.
inline constexpr std::uint32_t kHostErrorExceptionCode = 0xE0544E51;
std::uint8_t RunAtHostBoundary(std::uint8_t (*body)(const void* context), const void* context);

std::string ComputerName();  // empty when it cannot be read
std::string UserName();      // empty when it cannot be read
std::uint32_t ProcessId();

void WriteStandardOutput(std::string_view text);
void FlushStandardOutput();
[[noreturn]] void EndProcess(int exitCode);

// Conversions between the host's wide texts and single-byte texts in the
// system code page (Linux: ISO-8859-1, other characters become '?').
std::string WideToSingleByte(std::u16string_view text);
std::u16string SingleByteToWide(std::string_view text);

}  // namespace platform
