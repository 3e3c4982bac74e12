// Any bytes as a board document: the loader either builds a board or raises
// std::exception with a reason; a board it builds saves and loads again to
// the same document. A lone carriage return at the end leaves the text to
// the reference parser's reading: it must build the same board, or refuse
// the text too.
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
  // (After a zero byte the return would be text of its own.)
  if (text.find('\0') == std::string::npos) {
    try {
      if (sim::SaveBoardText(*sim::LoadBoardText(text + "\r", "fuzz.json")) != saved) std::abort();
    } catch (const std::exception&) {
      std::abort();  // one reading took what the other refused
    }
  }
  std::unique_ptr<sim::Board> again;
  try {
    again = sim::LoadBoardText(saved, "saved.json");
  } catch (const std::exception&) {
    std::abort();  // what the host saved, it must be able to load
  }
  if (sim::SaveBoardText(*again) != saved) std::abort();
  return 0;
}
