// The library's three exports, the only entry points the host calls.
#include <cstdint>
#include <string>

#include "exporter/Tarnquil.h"
#include "host/CallConv.h"
#include "host/CountedString.h"
#include "host/Export.h"
#include "platform/Platform.h"

namespace {

std::string Copy(const TShortString* text) { return text == nullptr ? std::string() : text->str(); }

struct ExportArguments {
  const TShortString* fileName;
  const TShortString* formatName;
};

// One export run; everything it builds is gone when it returns or raises.
std::uint8_t RunExportAtBoundary(const void* context) {
  const auto* arguments = static_cast<const ExportArguments*>(context);
  platform::ExtendedPrecisionScope precision;
  return RunExport(Copy(arguments->fileName), Copy(arguments->formatName)) ? 1 : 0;
}

}  // namespace

extern "C" TQ_EXPORT const char* TQ_STDCALL GetPcbExporterDescription() { return kFormatName; }

extern "C" TQ_EXPORT std::uint8_t TQ_STDCALL RecognisedPcbFormat(const TShortString* formatName) {
  const std::string name = Copy(formatName);
  return IsRecognisedFormat(name) ? 1 : 0;
}

// A host error leaves through RunAtHostBoundary, which on Windows turns it into
// a structured exception; this frame holds nothing with a destructor.
extern "C" TQ_EXPORT std::uint8_t TQ_STDCALL ExportFileFromPcb(const TShortString* fileName,
                                                               const TShortString* formatName) {
  const ExportArguments arguments{fileName, formatName};
  return platform::RunAtHostBoundary(&RunExportAtBoundary, &arguments);
}
