#pragma once
// The host's single-byte text (ISO-8859-1) and the UTF-8 text of board
// documents, both ways.
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// UTF-8 text of a document as the host's text; nothing when a character lies
// beyond U+00FF.
std::optional<std::string> ToHostText(std::string_view utf8);
// The host's text as UTF-8.
std::string FromHostText(std::string_view text);

}  // namespace sim
