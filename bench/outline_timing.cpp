// Times whole export runs of a generated board inside one process, on both
// targets: the Windows build runs it under wine, so that the two builds'
// export speed can be compared without the cost of starting a host program
// and loading a large board document. The board's outline is N keep-out
// tracks and N keep-out arcs on an eight-layer stack, as in export_bench; or,
// with --generated, the generated board of C components of export_bench
// (seed 1).
//
//   tq-outline-timing N RUNS OUT.hyp [LIBRARY]
//   tq-outline-timing --generated C RUNS OUT.hyp [LIBRARY]
//
// Loads the simulated host's modules and the exporter (default: beside this
// program), loads the board once, exports it RUNS times to OUT.hyp and
// prints the fastest and the median run in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <vector>

#include "host/CountedString.h"
#include "host/Export.h"
#include "host/HostInterfaces.h"
#include "sim/SimControl.h"
#include "sim/generator/BoardGenerator.h"
#include "sim/hostprog/HostPlatform.h"

namespace {

using Export_t = std::uint8_t(TQ_STDCALL*)(const TShortString*, const TShortString*);

decltype(&Sim_GetClientInterface) g_getClient = nullptr;

void* Open(const std::string& file) {
  std::string error;
  void* m = hostprog::OpenModule(hostprog::ProgramDirectory() + file, true, &error);
  if (m == nullptr) std::fprintf(stderr, "cannot load %s: %s\n", file.c_str(), error.c_str());
  return m;
}

}  // namespace

// The host application's client interface, as the editor exports it.
extern "C" TQ_EXPORT IHostClient* TQ_STDCALL ClientAPI_GetClientInterface() {
  return g_getClient != nullptr ? g_getClient() : nullptr;
}
static_assert(std::is_same_v<decltype(&ClientAPI_GetClientInterface), ClientAPI_GetClientInterface_t>);

int main(int argc, char** argv) {
  const bool generated = argc > 1 && std::string(argv[1]) == "--generated";
  if (generated) {
    --argc;
    ++argv;
  }
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: tq-outline-timing [--generated] N RUNS OUT.hyp [LIBRARY]\n");
    return 2;
  }
  const int size = std::max(1, std::atoi(argv[1]));
  const int runs = std::max(1, std::atoi(argv[2]));
  const std::string out = std::filesystem::absolute(argv[3]).string();
  const std::string library = argc == 5 ? argv[4] : hostprog::ProgramDirectory() + hostprog::kExporterFile;

  void* pcb = Open(hostprog::kPcbServerFile);
  void* workspace = Open(hostprog::kWorkspaceFile);
  if (pcb == nullptr || workspace == nullptr) return 1;
  auto loadBoard = reinterpret_cast<decltype(&Sim_LoadBoardFile)>(hostprog::ModuleSymbol(pcb, "Sim_LoadBoardFile"));
  g_getClient =
      reinterpret_cast<decltype(&Sim_GetClientInterface)>(hostprog::ModuleSymbol(pcb, "Sim_GetClientInterface"));
  std::string error;
  void* exporter = hostprog::OpenModule(library, false, &error);
  if (loadBoard == nullptr || g_getClient == nullptr || exporter == nullptr) {
    std::fprintf(stderr, "cannot set up the host or the exporter %s: %s\n", library.c_str(), error.c_str());
    return 1;
  }
  auto exportFile = reinterpret_cast<Export_t>(hostprog::ModuleSymbol(exporter, "ExportFileFromPcb"));
  if (exportFile == nullptr) return 1;

  const std::string boardFile = out + ".board.json";
  std::ofstream(boardFile, std::ios::binary) << (generated ? sim::GenerateBoardDocument({.seed = 1, .components = size})
                                                           : sim::GenerateOutlineBoardDocument(size, 8));
  char loadError[512] = {};
  const std::int32_t loaded = loadBoard(boardFile.c_str(), loadError, sizeof loadError);
  std::filesystem::remove(boardFile);
  if (loaded == 0) {
    std::fprintf(stderr, "cannot load the board: %s\n", loadError);
    return 1;
  }

  const TShortString format("HyperLynx File (*.HYP)");
  const TShortString fileName(out);
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const std::uint8_t ok = exportFile(&fileName, &format);
    const auto end = std::chrono::steady_clock::now();
    if (ok == 0) {
      std::fprintf(stderr, "the export failed\n");
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%s %d, runs %d: fastest %.1f ms, median %.1f ms\n",
              generated ? "generated board, components" : "outline primitives", generated ? size : 2 * size, runs,
              ms.front(), ms[ms.size() / 2]);
  return 0;
}
