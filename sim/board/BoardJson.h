#pragma once
// Board documents: the JSON form of a board that people write and read
// (docs/board-format.md describes it).
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sim/board/Board.h"

namespace sim {

// A document that cannot be read. The text names the document, the place in
// it as a JSON pointer (or line and column for text that is not JSON) and
// what is wrong: "board.json: /pads/3/x: unknown unit ...".
class BoardError : public std::runtime_error {
 public:
  explicit BoardError(const std::string& message) : std::runtime_error(message) {}
};

// Reads a board document from a file, or from text that came from
// sourceName. The document is taken as a stream: a file is read in pieces
// and no tree of the whole document is made, unless its parts come out of
// the reader's order (docs/board-format.md). Throws BoardError; never reads
// outside the given text.
std::unique_ptr<Board> LoadBoardFile(const std::string& path);
std::unique_ptr<Board> LoadBoardText(std::string_view json, const std::string& sourceName);

// Writes a board as a document that LoadBoardText reads back to the same
// board (records that a caller stored in set mode are not part of it, except
// the board's option values).
std::string SaveBoardText(const Board& board);
// Throws BoardError when the file cannot be written.
void SaveBoardFile(const Board& board, const std::string& path);

}  // namespace sim
