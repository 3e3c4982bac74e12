#pragma once
// Small stateless helpers shared by the exporter: indentation of HYP lines,
// temporary file names, modal messages, text comparison, names of the
// computer and the user, and unit conversions. None of them raises.
#include <cstdint>
#include <string>
#include <string_view>

// The current indentation of HYP lines, in spaces. An export run sets it to 0
// before anything is written; a writer that opens a section raises it by 2
// for the inner lines and lowers it again before the closing line.
extern std::int32_t IndentLevel;

// n spaces; empty for n <= 0.
std::string IndentString(std::int32_t n);

// Raises IndentLevel by 2 for the inner lines of a section and lowers it
// again however the section ends (also when a host call raises).
class TIndentScope {
 public:
  TIndentScope() { IndentLevel += 2; }
  TIndentScope(const TIndentScope&) = delete;
  TIndentScope& operator=(const TIndentScope&) = delete;
  ~TIndentScope() { IndentLevel -= 2; }
};

// A new, empty, uniquely named file in the system's temporary directory
// (at most 255 characters); empty text when the system refuses.
std::string MakeTempFileName();

// The registry key whose existence turns test mode on.
inline constexpr const char* kTestModeKey = "\\Software\\Quorvex\\TestMode";

// Modal messages with a single OK button. In test mode no dialog is shown:
// the line "ShowDialogWithCaption with" + caption + " " + message goes to the
// standard output and the process ends with exit code 1.
int ShowErrorMessage(const std::string& message, const std::string& caption = "Error");
int ShowWarningMessage(const std::string& message, const std::string& caption = "Warning");

// Equal texts, comparing A..Z and a..z without regard to case and every
// other character exactly.
bool TextEqualsIgnoreCase(std::string_view a, std::string_view b);

std::string ComputerNameText();
std::string UserNameText();

double DegreesToRadians(double x);
double MilsToHostUnits(double x);
std::int32_t MilsToHostUnitsRounded(double x);
double HostUnitsToMils(std::int32_t n);
// Rounds the fraction of v to 0.001 (ties to even), keeping the whole part.
double RoundToMicroMil(double v);
std::int32_t MinInt(std::int32_t a, std::int32_t b);
std::int32_t MaxInt(std::int32_t a, std::int32_t b);
