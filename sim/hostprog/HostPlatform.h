#pragma once
// The operating-system services of the host program: loading modules, its own
// directory, the terminal, and the way a library's host error arrives.
#include <cstdio>
#include <string>
#include <vector>

namespace hostprog {

// The host program's own version (generated at every build).
extern const char* const kHostVersion;

// The version an exporter library names in its file, read without loading
// it (Windows: its version resource's product version; Linux: its section
// .tarnquil_version); empty when it names none or cannot be read.
std::string LibraryVersion(const std::string& path);

using Module = void*;

// File names of the modules beside the host program.
extern const char* const kPcbServerFile;  // Brondel.dll / libBrondel.so
extern const char* const kWorkspaceFile;  // WorkspaceManager.DLL / libWorkspaceManager.so
extern const char* const kExporterFile;   // Tarnquil.dll / libTarnquil.so

// Loads a module by path. `global`: its names serve modules loaded later
// (Linux; Windows has no such distinction). nullptr with the system's reason.
Module OpenModule(const std::string& path, bool global, std::string* error);
void* ModuleSymbol(Module module, const char* name);

// The directory of the running program, with its trailing separator.
std::string ProgramDirectory();

// Standard output is a terminal the progress line may be drawn on. On
// Windows a console (which wine gives a program on a terminal), not merely a
// character device: wine reports /dev/null as one.
bool StandardOutputIsTerminal();

// The width of the terminal standard output is on, in columns; 0 when it is
// not known.
int TerminalWidth();

// The form of a text the program prints.
enum class TextForm {
  System,  // the system's single-byte form: names as the exporter has them
  Utf8,
};
// Writes text to `stream` (standard output or standard error) so that the
// user reads the names in it as they gave them: on Windows a console gets
// it as wide text, anything else as UTF-8; on Linux it passes unchanged.
void Print(std::FILE* stream, const std::string& text, TextForm form = TextForm::System);

// From now on everything the process writes to standard error (the
// exporter's messages) passes through a thread of the program, which calls
// `before` and then writes the piece to the real standard error, both while
// holding the output lock (TOutputLock). False when that cannot be set up
// (standard error then stays as it is). EndStandardErrorPassage writes what
// is left and gives standard error back; it may be called when no passage
// was set up.
bool PassStandardError(void (*before)());
void EndStandardErrorPassage();
// Held while the program draws on standard output, so that a message passed
// on from standard error never falls into a drawing.
class TOutputLock {
 public:
  TOutputLock();
  TOutputLock(const TOutputLock&) = delete;
  TOutputLock& operator=(const TOutputLock&) = delete;
  ~TOutputLock();
};

// The program's arguments after its name, in the system's single-byte form.
// On Windows they are taken as the system gives them (wide) and converted to
// the ANSI code page exactly: an argument holding a character the code page
// cannot hold is refused (false, `error` says which), never turned into a
// look-alike ("ℂ.hyp" would name an existing "C.hyp"). On Linux they pass as
// they are.
bool CommandLineArguments(int argc, char** argv, std::vector<std::string>* arguments, std::string* error);

// What tells one file from another at a name: "" when no regular file is
// there. A file moved over the name gives another identity.
std::string FileIdentity(const std::string& path);

unsigned long ProcessId();
std::string ComputerName();
std::string UserName();

// Sets the precision of the x87 floating-point unit for this thread, as hosts
// built with some compilers do (53: double, 64: extended); false where there
// is no x87 unit.
bool SetX87Precision(int bits);

// The absolute form of a file name as the command line gave it, in the
// system's own single-byte form (Windows: the ANSI code page, which is what
// the exporter's file name is in); empty when it cannot be made. Expects a
// name that SystemName has made the system's own.
std::string AbsolutePath(const std::string& path);
// A file name as the command line gave it, as the system's calls take it:
// under wine an absolute Linux name becomes the Windows name wine gives it;
// every other name stays as it is.
std::string SystemName(const std::string& path);
// Removes a file named in that form; false when it could not be removed.
bool RemoveFile(const std::string& path);

// Creates the file `ready` and waits until the file `go` exists, at most two
// minutes; for tests that act while the host waits.
void PauseUntil(const std::string& ready, const std::string& go);

// Makes `directory` the temporary directory of this process from now on.
void SetTemporaryDirectory(const std::string& directory);

// On Windows a library reports a host error as a structured exception with
// code 0xE0544E51 whose one argument points to the message; from now on such
// an exception ends the process through `report` (which must not return). On
// Linux the error arrives as a C++ exception, and this does nothing.
void CatchHostErrors(void (*report)(const char* message));

// Ends the process with an exit code, also from inside the handler above.
[[noreturn]] void EndProcess(int exitCode);

}  // namespace hostprog
