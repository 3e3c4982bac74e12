#include "support/Rt_Util.h"

#include <cmath>

#include "platform/Platform.h"
#include "support/TempFile.h"
#include "support/TextOutput.h"

std::int32_t IndentLevel = 0;

std::string IndentString(std::int32_t n) {
  return n > 0 ? std::string(static_cast<std::size_t>(n), ' ') : std::string();
}

std::string MakeTempFileName() {
  std::string name = platform::CreateUniqueTempFile(platform::TempDirectory(), "tqh");
  if (name.size() > 255) {
    // A name we could not carry would leave an orphan behind: give it back.
    platform::RemoveFile(name);
    return {};
  }
  return name;
}

namespace {

int ShowDialogWithCaption(platform::MessageKind kind, const std::string& message, const std::string& caption) {
  if (platform::LocalMachineKeyExists(kTestModeKey)) {
    // The process ends here without unwinding: no temporary file may stay
    // (closed first: an open file cannot be removed on Windows).
    TTextOutput::AbandonAll();
    RemoveLiveTempFiles();
    platform::WriteStandardOutput("ShowDialogWithCaption with" + caption + " " + message + "\n");
    platform::FlushStandardOutput();
    platform::EndProcess(1);
  }
  return platform::ShowModalMessage(kind, caption, message);
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Rounds to the nearest integer, ties to even, whatever the current mode,
// without reading or switching the rounding mode (switching it is slow on
// some C runtimes). Gives what nearbyint gives in round-to-nearest, including
// the sign of a zero result; NaN and infinities come back unchanged.
double RoundHalfEven(double v) {
  // From 2^52 on every double is a whole number.
  if (!(std::fabs(v) < 4503599627370496.0)) return v;
  double whole = std::floor(v);
  const double fraction = v - whole;  // exact
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return whole == 0.0 ? std::copysign(0.0, v) : whole;
}

}  // namespace

int ShowErrorMessage(const std::string& message, const std::string& caption) {
  return ShowDialogWithCaption(platform::MessageKind::Error, message, caption);
}

int ShowWarningMessage(const std::string& message, const std::string& caption) {
  return ShowDialogWithCaption(platform::MessageKind::Warning, message, caption);
}

bool TextEqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

std::string ComputerNameText() { return platform::ComputerName(); }
std::string UserNameText() { return platform::UserName(); }

double DegreesToRadians(double x) {
  const long double pi = 3.141592653589793238462643383279502884L;
  return static_cast<double>(static_cast<long double>(x) * (pi / 180.0L));
}

double MilsToHostUnits(double x) { return x * 10000.0; }

std::int32_t MilsToHostUnitsRounded(double x) {
  const double r = RoundHalfEven(x * 10000.0);
  if (!(r >= -2147483648.0)) return INT32_MIN;  // also NaN
  if (r > 2147483647.0) return INT32_MAX;
  return static_cast<std::int32_t>(r);
}

double HostUnitsToMils(std::int32_t n) { return RoundToMicroMil(static_cast<double>(n) / 10000.0); }

double RoundToMicroMil(double v) {
  const double t = std::trunc(v);
  double f = v - t;
  f = RoundHalfEven(f * 1000.0) / 1000.0;
  return t + f;
}

std::int32_t MinInt(std::int32_t a, std::int32_t b) { return b < a ? b : a; }
std::int32_t MaxInt(std::int32_t a, std::int32_t b) { return b > a ? b : a; }
