#pragma once
// The export run behind the library's three exports.
#include <string>
#include <string_view>
#include <vector>

class THyperlynxTranslator;

// The one format this library writes; it is also the format's description.
inline constexpr const char* kFormatName = "HyperLynx File (*.HYP)";

// True when the name is exactly the format's name (byte for byte).
bool IsRecognisedFormat(std::string_view formatName);

// Fills HypLayerNames from the host's layer stack, with the default layer
// names where the host gives none. True when the host has a current board
// interface.
bool BuildHypLayerNames();

// The warning of a run whose reads from the host failed (host/ReadFailures.h):
// how many, what could not be read, that the file may lack it, and which
// entry points failed.
std::string ReadFailureWarning(const std::string& fileName);

// The lines a written document leaves in the host's message list, one per
// kind of thing the file could not hold as the board has it: designators and
// pad names that held a point, an outline written edge first or with ends
// joined, an outline that does not close. Each names the count and the
// first case. Empty for a board that needed none of it.
std::vector<std::string> ExportNotes(const THyperlynxTranslator& driver);

// One export run to fileName. False when the format is not recognised or the
// document could not be written completely; true when a run was carried out
// (a locked destination is reported to the user, not through the result).
// A failure of a host interface call raises EHostError after the temporary
// file has been removed; the destination is then untouched. When reads from
// the host failed, a warning says so before the commit; the ExportNotes of
// the document go to the host's message list before the commit too.
bool RunExport(const std::string& fileName, std::string_view formatName);
