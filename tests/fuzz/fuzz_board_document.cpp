// Any bytes as a board document: the loader either builds a board or raises
// std::exception with a reason; a board it builds saves and loads again to
// the same document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "sim/board/Board.h"
#include "sim/board/BoardJson.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<sim::Board> board;
  try {
    board = sim::LoadBoardText(text, "fuzz.json");
  } catch (const std::exception& e) {
    if (std::string(e.what()).empty()) std::abort();  // every refusal says why
    return 0;
  }
  const std::string saved = sim::SaveBoardText(*board);
  std::unique_ptr<sim::Board> again;
  try {
    again = sim::LoadBoardText(saved, "saved.json");
  } catch (const std::exception&) {
    std::abort();  // what the host saved, it must be able to load
  }
  if (sim::SaveBoardText(*again) != saved) std::abort();
  return 0;
}
