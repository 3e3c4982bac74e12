// The library's three exports, the only entry points the host calls.
#include <cstdint>
#include <exception>
#include <string>

#include "exporter/Tarnquil.h"
#include "host/CallConv.h"
#include "host/CountedString.h"
#include "platform/Platform.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#define TQ_EXPORT extern "C"  // exported by name through Tarnquil.def
#else
#define TQ_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

std::string Copy(const TShortString* text) { return text == nullptr ? std::string() : text->str(); }

#if defined(_WIN32)
// A C++ exception cannot unwind out of this DLL into the host, and a host
// written in another language could not catch it anyway. Errors that must
// reach the host leave as a structured exception with this code; its one
// argument is the address of the message text (valid until the next run).
constexpr DWORD kHostErrorExceptionCode = 0xE0544E51;
std::string g_lastError;

// Raises the error held in g_lastError to the host.
[[noreturn]] void RaiseToHost() {
  ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(g_lastError.c_str());
  RaiseException(kHostErrorExceptionCode, EXCEPTION_NONCONTINUABLE, 1, &argument);
  std::terminate();  // not reached: the exception is not continuable
}
#endif

}  // namespace

TQ_EXPORT const char* TQ_STDCALL GetPcbExporterDescription() { return kFormatName; }

TQ_EXPORT std::uint8_t TQ_STDCALL RecognisedPcbFormat(const TShortString* formatName) {
  const std::string name = Copy(formatName);
  return IsRecognisedFormat(name) ? 1 : 0;
}

#if defined(_WIN32)
namespace {

// Runs the export and catches what it raises; the message goes to
// g_lastError. Everything with a destructor lives and dies in here, so that
// the structured exception raised afterwards unwinds no C++ frame.
bool RunCatching(const TShortString* fileName, const TShortString* formatName, std::uint8_t* result) {
  platform::ExtendedPrecisionScope precision;
  try {
    *result = RunExport(Copy(fileName), Copy(formatName)) ? 1 : 0;
    return true;
  } catch (const std::exception& e) {
    g_lastError = e.what();
  } catch (...) {
    g_lastError = "unknown error";
  }
  return false;
}

}  // namespace
#endif

TQ_EXPORT std::uint8_t TQ_STDCALL ExportFileFromPcb(const TShortString* fileName, const TShortString* formatName) {
#if defined(_WIN32)
  std::uint8_t result = 0;
  if (!RunCatching(fileName, formatName, &result)) RaiseToHost();
  return result;
#else
  platform::ExtendedPrecisionScope precision;
  return RunExport(Copy(fileName), Copy(formatName)) ? 1 : 0;
#endif
}
