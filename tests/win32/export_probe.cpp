// A small caller of the exporter library: loads it the way the host does,
// asks for its description, checks the format name and exports to a file,
// then checks the file's frame. Built natively and for Windows, where the
// tests run it under wine. Usage: tq-export-probe LIBRARY OUT.hyp
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "host/CallConv.h"
#include "host/CountedString.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
static void* Load(const char* path) { return reinterpret_cast<void*>(LoadLibraryA(path)); }
static void* Find(void* lib, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name));
}
#else
#include <dlfcn.h>
static void* Load(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void* Find(void* lib, const char* name) { return dlsym(lib, name); }
#endif

using Describe_t = const char*(TQ_STDCALL*)();
using Recognised_t = std::uint8_t(TQ_STDCALL*)(const TShortString*);
using Export_t = std::uint8_t(TQ_STDCALL*)(const TShortString*, const TShortString*);

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tq-export-probe LIBRARY OUT.hyp\n");
    return 2;
  }
  void* lib = Load(argv[1]);
  if (lib == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", argv[1]);
    return 2;
  }
  auto describe = reinterpret_cast<Describe_t>(Find(lib, "GetPcbExporterDescription"));
  auto recognised = reinterpret_cast<Recognised_t>(Find(lib, "RecognisedPcbFormat"));
  auto exportFile = reinterpret_cast<Export_t>(Find(lib, "ExportFileFromPcb"));
  if (describe == nullptr || recognised == nullptr || exportFile == nullptr) {
    std::fprintf(stderr, "the library lacks one of the three exports\n");
    return 2;
  }
  const std::string format = describe();
  std::printf("format: %s\n", format.c_str());
  TShortString formatName(format), wrongName("HyperLynx File (*.hyp)"), fileName(argv[2]);
  if (recognised(&formatName) != 1 || recognised(&wrongName) != 0) {
    std::fprintf(stderr, "format recognition is wrong\n");
    return 1;
  }
  if (exportFile(&fileName, &wrongName) != 0) {
    std::fprintf(stderr, "an unrecognised format was exported\n");
    return 1;
  }
  if (exportFile(&fileName, &formatName) != 1) {
    std::fprintf(stderr, "the export failed\n");
    return 1;
  }
  std::ifstream in(argv[2], std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string content = ss.str();
  const std::string last = "{END}\r\n";
  if (content.rfind("{VERSION=2.14}\r\n", 0) != 0 || content.size() < last.size() ||
      content.compare(content.size() - last.size(), last.size(), last) != 0) {
    std::fprintf(stderr, "the written file has no proper frame\n");
    return 1;
  }
  std::printf("wrote %s (%u bytes)\n", argv[2], static_cast<unsigned>(content.size()));
  return 0;
}
