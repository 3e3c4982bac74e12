#pragma once
// The operating-system services of the host program: loading modules, its own
// directory, the terminal, and the way a library's host error arrives.
#include <string>

namespace hostprog {

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

bool StandardOutputIsTerminal();

unsigned long ProcessId();
std::string ComputerName();
std::string UserName();

// Sets the precision of the x87 floating-point unit for this thread, as hosts
// built with some compilers do (53: double, 64: extended); false where there
// is no x87 unit.
bool SetX87Precision(int bits);

// The absolute form of a file name as the command line gave it, in the
// system's own single-byte form (Windows: the ANSI code page, which is what
// the exporter's file name is in); empty when it cannot be made.
std::string AbsolutePath(const std::string& path);
// Removes a file named in that form; false when it could not be removed.
bool RemoveFile(const std::string& path);

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
