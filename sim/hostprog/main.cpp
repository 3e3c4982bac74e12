// quorvex-host: the simulated PCB editor. It loads the simulated host's PCB
// server library and workspace module, opens a board document, loads an
// exporter library the way the editor does and lets it export the board.
//
//   quorvex-host --version
//   quorvex-host formats [--library PATH]
//   quorvex-host export BOARD.json OUT.hyp [--format NAME] [--library PATH] [--temp-dir DIR]
//                developer options: [--fail CALL[:N]]... [--no-board] [--hold] [--trace FILE]
//                [--hostile-strings] [--x87-precision 53|64] [--omit-entry NAME]...
//                [--pause-before-commit FILE]
//   quorvex-host calls
//   quorvex-host generate [--seed S] [--components N] [--distinct-pads N] OUT.json
//
// Exit codes: see kExitCodes below (they are also printed by --help).
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/CountedString.h"
#include "host/Export.h"
#include "host/HostOperations.h"
#include "sim/SimControl.h"
#include "sim/common/HostObject.h"
#include "sim/generator/BoardGenerator.h"
#include "sim/hostprog/ExportHiding.h"
#include "sim/hostprog/HostPlatform.h"
#include "sim/hostprog/ProgressLine.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitNotExported = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitHostError = 3;
constexpr int kExitNotReceived = 4;

constexpr const char* kExitCodes =
    "Exit codes of export:\n"
    "  0  the destination holds the new export; one line names it and counts its nets, pins, vias,\n"
    "     padstacks and devices\n"
    "  1  no export took place: a module or an export of the library is missing, the format is not\n"
    "     recognised, or the exporter answered false (it could not start: no temporary file). In test\n"
    "     mode every message of the exporter also ends the program with 1, the destination untouched\n"
    "  2  bad input: the command line, a name the system's code page cannot hold (Windows), the board\n"
    "     document, an unknown --fail operation\n"
    "  3  the exporter raised a host error: the destination is untouched\n"
    "  4  the export ran but the destination did not receive it (held by another program, read-only,\n"
    "     a name the file system refuses, a failed move, a write error, the temporary file removed,\n"
    "     cut short or replaced by another program), or a destination there before the run is gone:\n"
    "     the exporter's message or the message list says why\n"
    "\n"
    "Messages: the exporter shows its errors and warnings as dialogs. Where no dialog can be shown (no\n"
    "display, as under wine without one) each goes to standard error as one line \"[Error] ...\" or\n"
    "\"[Warning] ...\" and the export goes on as after OK. Test mode, for scripts: with the registry\n"
    "key HKEY_LOCAL_MACHINE\\Software\\Quorvex\\TestMode present (wine: wine reg add\n"
    "'HKLM\\Software\\Quorvex\\TestMode' /f; Linux: the directory\n"
    "HKEY_LOCAL_MACHINE/Software/Quorvex/TestMode under $QUORVEX_REGISTRY_ROOT, by default\n"
    "~/.config/quorvex/registry) no dialog is shown: the first message is written to standard output\n"
    "as \"ShowDialogWithCaption with<caption> <message>\" and the program ends with exit code 1.\n"
    "\n"
    "File names: relative or absolute; under wine also absolute Linux names (/home/designer/board.hyp).\n";

// The heading of the options that simulate faults and other hosts, for
// developers and tests.
constexpr const char* kDeveloperOptions = "Developer options (faults and other hosts, for tests)";

constexpr const char* kDefaultFormat = "HyperLynx File (*.HYP)";

using GetDescription_t = const char*(TQ_STDCALL*)();
using RecognisedFormat_t = std::uint8_t(TQ_STDCALL*)(const TShortString*);
using ExportFile_t = std::uint8_t(TQ_STDCALL*)(const TShortString*, const TShortString*);

// The Sim_ functions the program uses, found in the two modules.
struct SimulatedHost {
  hostprog::Module pcb = nullptr;
  hostprog::Module workspace = nullptr;
  decltype(&Sim_LoadBoardFile) loadBoardFile = nullptr;
  decltype(&Sim_SetNoCurrentBoard) setNoCurrentBoard = nullptr;
  decltype(&Sim_GetClientInterface) getClient = nullptr;
  decltype(&Sim_SetProgressCallback) setProgressCallback = nullptr;
  decltype(&Sim_FailCall) failCall = nullptr;
  decltype(&Sim_ListCalls) listCalls = nullptr;
  decltype(&Sim_SetCallTrace) setCallTrace = nullptr;
  decltype(&Sim_WriteTraceLine) writeTraceLine = nullptr;
  decltype(&Sim_Workspace_SetCallTrace) workspaceSetCallTrace = nullptr;
  decltype(&Sim_SetHostileStrings) setHostileStrings = nullptr;
  decltype(&Sim_Workspace_FailCall) workspaceFailCall = nullptr;
  decltype(&Sim_Workspace_ListCalls) workspaceListCalls = nullptr;
  decltype(&Sim_Workspace_GetMessageCount) messageCount = nullptr;
  decltype(&Sim_Workspace_GetMessageText) messageText = nullptr;
  decltype(&Sim_Workspace_GetMessageNumber) messageNumber = nullptr;
};

SimulatedHost g_host;

template <typename F>
bool Find(hostprog::Module module, const char* name, F& function, std::string* missing) {
  function = reinterpret_cast<F>(hostprog::ModuleSymbol(module, name));
  if (function == nullptr) *missing += std::string(missing->empty() ? "" : ", ") + name;
  return function != nullptr;
}

// Loads a module from the program's own directory, or else from the system's
// search path.
hostprog::Module OpenBeside(const char* file, bool global, std::string* error) {
  std::string firstError;
  if (hostprog::Module m = hostprog::OpenModule(hostprog::ProgramDirectory() + file, global, &firstError)) return m;
  if (hostprog::Module m = hostprog::OpenModule(file, global, error)) return m;
  *error = firstError;
  return nullptr;
}

// Loads the PCB server library, or a copy of it that lacks the named exports
// (so that the exporter finds those entry points missing, as it would with an
// older server).
hostprog::Module OpenPcbServer(const std::vector<std::string>& omitted, std::string* error) {
  if (omitted.empty()) return OpenBeside(hostprog::kPcbServerFile, true, error);
  std::error_code ec;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path(ec) / ("quorvex-host-" + std::to_string(hostprog::ProcessId()));
  std::filesystem::create_directories(dir, ec);
  std::string module = hostprog::ProgramDirectory() + hostprog::kPcbServerFile;
  for (const std::string& name : omitted) {
    module = CopyModuleWithoutExport(module, name, dir.string(), error);
    if (module.empty()) return nullptr;
  }
  hostprog::Module m = hostprog::OpenModule(module, true, error);
  // The loaded copy stays mapped; where the system allows, its file goes now.
  std::filesystem::remove_all(dir, ec);
  return m;
}

bool LoadSimulatedHost(const std::vector<std::string>& omitted = {}) {
  std::string error;
  g_host.pcb = OpenPcbServer(omitted, &error);
  if (g_host.pcb == nullptr) {
    std::cerr << "cannot load " << hostprog::kPcbServerFile << ": " << error << "\n";
    return false;
  }
  g_host.workspace = OpenBeside(hostprog::kWorkspaceFile, true, &error);
  if (g_host.workspace == nullptr) {
    std::cerr << "cannot load " << hostprog::kWorkspaceFile << ": " << error << "\n";
    return false;
  }
  std::string missing;
  Find(g_host.pcb, "Sim_LoadBoardFile", g_host.loadBoardFile, &missing);
  Find(g_host.pcb, "Sim_SetNoCurrentBoard", g_host.setNoCurrentBoard, &missing);
  Find(g_host.pcb, "Sim_GetClientInterface", g_host.getClient, &missing);
  Find(g_host.pcb, "Sim_SetProgressCallback", g_host.setProgressCallback, &missing);
  Find(g_host.pcb, "Sim_FailCall", g_host.failCall, &missing);
  Find(g_host.pcb, "Sim_ListCalls", g_host.listCalls, &missing);
  Find(g_host.pcb, "Sim_SetCallTrace", g_host.setCallTrace, &missing);
  Find(g_host.pcb, "Sim_WriteTraceLine", g_host.writeTraceLine, &missing);
  Find(g_host.workspace, "Sim_Workspace_SetCallTrace", g_host.workspaceSetCallTrace, &missing);
  Find(g_host.pcb, "Sim_SetHostileStrings", g_host.setHostileStrings, &missing);
  Find(g_host.workspace, "Sim_Workspace_FailCall", g_host.workspaceFailCall, &missing);
  Find(g_host.workspace, "Sim_Workspace_ListCalls", g_host.workspaceListCalls, &missing);
  Find(g_host.workspace, "Sim_Workspace_GetMessageCount", g_host.messageCount, &missing);
  Find(g_host.workspace, "Sim_Workspace_GetMessageText", g_host.messageText, &missing);
  Find(g_host.workspace, "Sim_Workspace_GetMessageNumber", g_host.messageNumber, &missing);
  if (!missing.empty()) {
    std::cerr << "the simulated host's modules lack " << missing << "\n";
    return false;
  }
  return true;
}

template <typename List>
std::string AllText(List list) {
  std::string text(static_cast<std::size_t>(list(nullptr, 0)) + 1, '\0');
  text.resize(static_cast<std::size_t>(list(text.data(), static_cast<std::int32_t>(text.size()))));
  return text;
}

std::string OperationList() { return AllText(g_host.listCalls) + AllText(g_host.workspaceListCalls); }

// --fail CALL[:N]: the operation fails after N successful calls (0 when N is
// left out). The operation's own name holds "::", so only a last ":" followed
// by digits counts as N.
bool ArmFailure(const std::string& option) {
  std::string call = option;
  std::int32_t successes = 0;
  const std::size_t colon = option.find_last_of(':');
  if (colon != std::string::npos && colon > 0 && colon + 1 < option.size() && option[colon - 1] != ':' &&
      option.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
    if (option.size() - colon - 1 > 9) {
      std::cerr << "--fail " << option << ": the count is too large\n";
      return false;
    }
    call = option.substr(0, colon);
    successes = std::stoi(option.substr(colon + 1));
  }
  THostOperation op{};
  const bool workspace =
      FindHostOperation(call, &op) && kHostOperations[static_cast<int>(op)].module == THostModule::Workspace;
  const std::int32_t armed =
      workspace ? g_host.workspaceFailCall(call.c_str(), successes) : g_host.failCall(call.c_str(), successes);
  if (armed == 0) {
    std::cerr << "--fail " << option << ": no such operation; the simulated host has:\n" << OperationList();
    return false;
  }
  return true;
}

// The progress display: one line redrawn in place, only when what it shows
// changes.
hostprog::TProgressLine g_progress;

void OnProgress(void*, std::int32_t event, const char* caption, std::int32_t total, std::int32_t count) {
  const hostprog::TOutputLock lock;
  const std::string text = g_progress.Event(event, caption, total, count, hostprog::TProgressLine::Clock::now());
  if (text.empty()) return;
  hostprog::Print(stdout, text);
  std::fflush(stdout);
  // The next drawing waits from here: a terminal that draws slowly is not
  // kept busy drawing.
  g_progress.Drawn(hostprog::TProgressLine::Clock::now());
}

// A message of the exporter is about to reach standard error (called with
// the output lock held): the progress line ends first.
void BeforeMessage() {
  const std::string end = g_progress.Interrupt();
  if (end.empty()) return;
  std::fwrite(end.data(), 1, end.size(), stdout);
  std::fflush(stdout);
}

// What the exported file holds, counted from its lines.
struct THypCounts {
  int nets = 0, pins = 0, vias = 0, padstacks = 0, devices = 0;
};

THypCounts CountHypFile(const std::string& path) {
  THypCounts counts;
  std::ifstream in(path.c_str(), std::ios::binary);
  bool inDevices = false;
  for (std::string line; std::getline(in, line);) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    const std::string_view text = std::string_view(line).substr(start);
    auto starts = [&](std::string_view key) { return text.substr(0, key.size()) == key; };
    if (inDevices) {
      if (starts("}")) inDevices = false;
      if (starts("(")) ++counts.devices;
      continue;
    }
    if (starts("{DEVICES")) inDevices = true;
    if (starts("{NET=")) ++counts.nets;
    if (starts("(PIN ")) ++counts.pins;
    if (starts("(VIA ")) ++counts.vias;
    if (starts("{PADSTACK=")) ++counts.padstacks;
  }
  return counts;
}

void PrintMessages() {
  static const char* const kTextNames[] = {"label", "text", "source", "document", "command", "parameters"};
  const std::int32_t count = g_host.messageCount();
  for (std::int32_t i = 0; i < count; ++i) {
    std::string texts[6];
    for (int f = 0; f < 6; ++f)
      texts[f] = AllText([&](char* b, std::int32_t c) { return g_host.messageText(i, f, b, c); });
    std::string lines = "message " + std::to_string(i + 1) + ": " + texts[0] + " " + texts[1] + "\n";
    for (int f = 2; f < 6; ++f) lines += std::string("  ") + kTextNames[f] + "=" + texts[f] + "\n";
    hostprog::Print(stdout, lines, hostprog::TextForm::Utf8);
    std::printf("  image=%d extra=%d,%d,%d\n", static_cast<int>(g_host.messageNumber(i, 0)),
                static_cast<int>(g_host.messageNumber(i, 1)), static_cast<int>(g_host.messageNumber(i, 2)),
                static_cast<int>(g_host.messageNumber(i, 3)));
  }
  std::fflush(stdout);
}

// The lock the host holds on the destination while it exports (--hold). A
// host error ends the process without unwinding, so it is released there.
class TDocumentLock;
std::unique_ptr<TDocumentLock> g_lock;
void ReleaseDocumentLock();

[[noreturn]] void ReportHostError(const char* message) {
  hostprog::EndStandardErrorPassage();
  ReleaseDocumentLock();
  if (g_host.setCallTrace != nullptr) g_host.setCallTrace(nullptr);
  if (g_progress.Open()) std::printf("\n");
  std::fflush(stdout);
  std::fprintf(stderr, "host error: %s\n", message);
  std::fflush(stderr);
  PrintMessages();
  hostprog::EndProcess(kExitHostError);
}

struct Exporter {
  hostprog::Module module = nullptr;
  GetDescription_t describe = nullptr;
  RecognisedFormat_t recognise = nullptr;
  ExportFile_t exportFile = nullptr;
};

bool LoadExporter(const std::string& libraryOption, Exporter* exporter) {
  const std::string path =
      libraryOption.empty() ? hostprog::ProgramDirectory() + hostprog::kExporterFile : libraryOption;
  std::string error;
  exporter->module = hostprog::OpenModule(path, false, &error);
  if (exporter->module == nullptr) {
    std::cerr << "cannot load the exporter library " << path << ": " << error << "\n";
    return false;
  }
  std::string missing;
  Find(exporter->module, "GetPcbExporterDescription", exporter->describe, &missing);
  Find(exporter->module, "RecognisedPcbFormat", exporter->recognise, &missing);
  Find(exporter->module, "ExportFileFromPcb", exporter->exportFile, &missing);
  if (!missing.empty()) {
    std::cerr << "the exporter library " << path << " does not export " << missing << "\n";
    return false;
  }
  return true;
}

int RunFormats(const std::string& library) {
  if (!LoadSimulatedHost()) return kExitNotExported;
  Exporter exporter;
  if (!LoadExporter(library, &exporter)) return kExitNotExported;
  const char* description = exporter.describe();
  std::printf("%s\n", description != nullptr ? description : "");
  return kExitDone;
}

int RunCalls() {
  if (!LoadSimulatedHost()) return kExitNotExported;
  std::printf("%s", OperationList().c_str());
  return kExitDone;
}

struct ExportOptions {
  std::string board;
  std::string output;
  std::string format = kDefaultFormat;
  std::string library;
  std::vector<std::string> failures;
  std::vector<std::string> omitted;
  std::string tempDirectory;
  bool noBoard = false;
  bool holdDocument = false;
  bool hostileStrings = false;
  std::string trace;
  int x87Precision = 0;
};

// The editor keeps a lock file beside every document it has open ("~$" +
// name + "_loc" with the lines ComputerName, UserName and ProcessID). With
// --hold the host holds the destination this way while it exports to it.
class TDocumentLock {
 public:
  explicit TDocumentLock(const std::string& document) {
    const std::size_t cut = document.find_last_of("\\/") + 1;
    path_ = document.substr(0, cut) + "~$" + document.substr(cut) + "_loc";
    std::ofstream out(path_, std::ios::binary);
    out << "ComputerName=" << hostprog::ComputerName() << "\r\nUserName=" << hostprog::UserName()
        << "\r\nProcessID=" << hostprog::ProcessId() << "\r\n";
  }
  TDocumentLock(const TDocumentLock&) = delete;
  TDocumentLock& operator=(const TDocumentLock&) = delete;
  ~TDocumentLock() { hostprog::RemoveFile(path_); }

 private:
  std::string path_;
};

void ReleaseDocumentLock() { g_lock.reset(); }

int RunExport(const ExportOptions& options) {
  if (!LoadSimulatedHost(options.omitted)) return kExitNotExported;
  if (!options.tempDirectory.empty()) hostprog::SetTemporaryDirectory(options.tempDirectory);
  std::string error(1024, '\0');
  if (g_host.loadBoardFile(options.board.c_str(), error.data(), static_cast<std::int32_t>(error.size())) == 0) {
    std::cerr << error.c_str() << "\n";
    return kExitBadInput;
  }
  if (options.noBoard) g_host.setNoCurrentBoard(1);
  for (const std::string& failure : options.failures)
    if (!ArmFailure(failure)) return kExitBadInput;
  if (options.hostileStrings) g_host.setHostileStrings(1);
  if (!options.trace.empty()) {
    if (g_host.setCallTrace(options.trace.c_str()) == 0) {
      std::cerr << "cannot write the call trace to " << options.trace << "\n";
      return kExitBadInput;
    }
    g_host.workspaceSetCallTrace(g_host.writeTraceLine);
  }

  const std::string destination = hostprog::AbsolutePath(options.output);
  const std::string previous = hostprog::FileIdentity(destination);
  if (destination.empty() || destination.size() > TShortString::kCapacity) {
    hostprog::Print(stderr, "the output file name " + options.output + " is " +
                                (destination.empty() ? "not usable" : "longer than 255 characters") + "\n");
    return kExitBadInput;
  }

  Exporter exporter;
  if (!LoadExporter(options.library, &exporter)) return kExitNotExported;
  const TShortString format(options.format);
  const TShortString fileName(destination);
  if (exporter.recognise(&format) == 0) {
    std::cerr << "the exporter does not recognise the format \"" << options.format << "\"\n";
    return kExitNotExported;
  }
  if (options.x87Precision != 0 && !hostprog::SetX87Precision(options.x87Precision)) {
    std::cerr << "this machine has no x87 unit to set\n";
    return kExitBadInput;
  }
  if (options.holdDocument) g_lock = std::make_unique<TDocumentLock>(destination);
  if (hostprog::StandardOutputIsTerminal()) {
    g_progress.SetWidth(hostprog::TerminalWidth());
    g_host.setProgressCallback(OnProgress, nullptr);
    // A message of the exporter ends the progress line first.
    hostprog::PassStandardError(BeforeMessage);
  }
  hostprog::CatchHostErrors(ReportHostError);
  std::uint8_t exported = 0;
  try {
    exported = exporter.exportFile(&fileName, &format);
  } catch (const std::exception& e) {
    ReportHostError(e.what());
  } catch (...) {
    ReportHostError("an exception that is not a std::exception");
  }
  hostprog::EndStandardErrorPassage();
  g_host.setProgressCallback(nullptr, nullptr);
  g_host.setCallTrace(nullptr);
  ReleaseDocumentLock();
  PrintMessages();
  if (exported == 0) {
    std::cerr << "the exporter reported that it did not export the board\n";
    return kExitNotExported;
  }
  // The result says only that the run took place. Every replacement puts a
  // new file at the destination, so the same file there (or none) means it
  // did not receive the export; the exporter has told the user why.
  const std::string now = hostprog::FileIdentity(destination);
  if (now.empty() || now == previous) {
    std::fflush(stdout);
    hostprog::Print(stderr, "the destination " + destination + " did not receive the export\n");
    return kExitNotReceived;
  }
  const THypCounts c = CountHypFile(destination);
  hostprog::Print(stdout, "exported to " + destination + ": " + std::to_string(c.nets) + " nets, " +
                              std::to_string(c.pins) + " pins, " + std::to_string(c.vias) + " vias, " +
                              std::to_string(c.padstacks) + " padstacks, " + std::to_string(c.devices) + " devices\n");
  return kExitDone;
}

// Writes a generated board document.
int RunGenerate(const sim::GeneratorOptions& options, const std::string& file) {
  std::ofstream out(std::filesystem::path(file), std::ios::binary);
  out << sim::GenerateBoardDocument(options);
  out.close();
  if (!out) {
    std::cerr << "quorvex-host: cannot write " << file << "\n";
    return kExitBadInput;
  }
  return kExitDone;
}

}  // namespace

namespace {

// With --pause-before-commit FILE the host stops where the exporter asks it
// for the destination's document, which the commit does after the export
// is written and just before it moves it: the host creates FILE.ready and
// goes on once FILE.go exists (or after two minutes), so that a test can
// change the temporary file meanwhile, as another program might.
std::string g_pauseFile;

class TPausingClient final : public IHostClient {
 public:
  THostResult TQ_STDCALL QueryInterface(const TGuid& iid, void** out) override {
    return Inner()->QueryInterface(iid, out);
  }
  std::uint32_t TQ_STDCALL AddRef() override { return Inner()->AddRef(); }
  std::uint32_t TQ_STDCALL Release() override { return Inner()->Release(); }
  THostResult TQ_STDCALL GetServerModule(const char16_t* name, IHostServerModule** module) override {
    return Inner()->GetServerModule(name, module);
  }
  THostResult TQ_STDCALL GetDocumentForPath(const char16_t* path, IHostDocument** document) override {
    hostprog::PauseUntil(g_pauseFile + ".ready", g_pauseFile + ".go");
    return Inner()->GetDocumentForPath(path, document);
  }

 private:
  static IHostClient* Inner() { return g_host.getClient(); }
};

}  // namespace

// The host application's client interface, as the editor exports it to the
// libraries it loads. Borrowed: no reference is added.
extern "C" TQ_EXPORT IHostClient* TQ_STDCALL ClientAPI_GetClientInterface() {
  static TPausingClient pausing;
  if (g_host.getClient == nullptr || g_host.getClient() == nullptr) return nullptr;
  return g_pauseFile.empty() ? g_host.getClient() : &pausing;
}
static_assert(std::is_same_v<decltype(&ClientAPI_GetClientInterface), ClientAPI_GetClientInterface_t>,
              "ClientAPI_GetClientInterface differs from its declaration");

int main(int argc, char** argv) {
  CLI::App app{"quorvex-host: the simulated PCB editor that runs an exporter library", "quorvex-host"};
  app.set_version_flag("--version", [] {
    const std::string library = hostprog::ProgramDirectory() + hostprog::kExporterFile;
    const std::string version = hostprog::LibraryVersion(library);
    return std::string("quorvex-host ") + hostprog::kHostVersion + "\nexporter library " + library + ": " +
           (version.empty() ? "names no version" : version);
  });
  app.require_subcommand(1);
  // An absolute Linux name begins with "/", which would otherwise be taken
  // for an option on Windows. Set before the subcommands, which take it over.
  app.allow_windows_style_options(false);
  app.footer(kExitCodes);

  std::string formatsLibrary;
  CLI::App* formats = app.add_subcommand("formats", "Print the description of the exporter library's format");
  formats->add_option("--library", formatsLibrary, "The exporter library (default: beside this program)");

  ExportOptions options;
  CLI::App* exportCommand = app.add_subcommand("export", "Export a board document through the exporter library");
  exportCommand->footer(kExitCodes);
  exportCommand->add_option("BOARD", options.board, "The board document (JSON)")->required();
  exportCommand->add_option("OUT", options.output, "The file to export to")->required();
  exportCommand->add_option("--format", options.format, "The format name passed to the exporter")
      ->capture_default_str();
  exportCommand->add_option("--library", options.library, "The exporter library (default: beside this program)");
  exportCommand
      ->add_option("--fail", options.failures,
                   "Make an interface operation or a PcbApi_ entry point fail after N successful "
                   "calls (CALL or CALL:N; see the calls command)")
      ->group(kDeveloperOptions);
  exportCommand
      ->add_option("--trace", options.trace,
                   "Write every call of an entry point or an interface operation to this file, one a line")
      ->group(kDeveloperOptions);
  exportCommand
      ->add_flag("--hostile-strings", options.hostileStrings,
                 "Fill every text the host answers to 255 characters, whatever the buffer's type")
      ->group(kDeveloperOptions);
  exportCommand->add_flag("--no-board", options.noBoard, "Behave as if no board were open")->group(kDeveloperOptions);
  exportCommand
      ->add_flag("--hold", options.holdDocument,
                 "Hold the destination open as the editor does (a lock file naming this process)")
      ->group(kDeveloperOptions);
  exportCommand
      ->add_option("--x87-precision", options.x87Precision,
                   "Run the export with the x87 unit at this precision (53 or 64 bits)")
      ->check(CLI::IsMember({53, 64}))
      ->group(kDeveloperOptions);
  exportCommand
      ->add_option("--omit-entry", options.omitted,
                   "Run with a PCB server library that lacks this entry point (repeatable)")
      ->group(kDeveloperOptions);
  exportCommand->add_option("--temp-dir", options.tempDirectory,
                            "The temporary directory the exporter sees (TMPDIR, or TMP and TEMP on Windows)");
  exportCommand
      ->add_option("--pause-before-commit", g_pauseFile,
                   "Before the exporter moves its finished file, create FILE.ready and wait until FILE.go "
                   "exists (at most two minutes)")
      ->group(kDeveloperOptions);

  CLI::App* calls = app.add_subcommand("calls", "List the operations and entry points that --fail can make fail");

  sim::GeneratorOptions generated;
  std::string generatedFile;
  CLI::App* generate = app.add_subcommand("generate", "Write a generated board document of realistic make-up");
  generate->add_option("--seed", generated.seed, "The seed; the same seed gives the same board")->capture_default_str();
  generate->add_option("--components", generated.components, "The number of components")
      ->capture_default_str()
      ->check(CLI::Range(1, 200000));
  generate
      ->add_option("--distinct-pads", generated.distinctPads,
                   "Give the components' pads this many distinct sizes in turn (0: the footprints' own few)")
      ->capture_default_str()
      ->check(CLI::Range(0, 1000000));
  generate->add_option("OUT", generatedFile, "The board document to write (JSON)")->required();

  std::vector<std::string> arguments;
  std::string refused;
  if (!hostprog::CommandLineArguments(argc, argv, &arguments, &refused)) {
    std::cerr << "quorvex-host: " << refused << "\n";
    return kExitBadInput;
  }
  try {
    std::reverse(arguments.begin(), arguments.end());  // as CLI11 takes them
    app.parse(arguments);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitDone : kExitBadInput;
  }
  for (std::string* name : {&options.board, &options.output, &options.library, &options.trace, &options.tempDirectory,
                            &g_pauseFile, &formatsLibrary, &generatedFile})
    *name = hostprog::SystemName(*name);
  if (formats->parsed()) return RunFormats(formatsLibrary);
  if (calls->parsed()) return RunCalls();
  if (generate->parsed()) return RunGenerate(generated, generatedFile);
  return RunExport(options);
}
