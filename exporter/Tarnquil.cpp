#include "exporter/Tarnquil.h"

#include <array>
#include <memory>

#include "exporter/HyperlynxTranslator.h"
#include "host/RT_PCB.h"
#include "host/ReadFailures.h"
#include "host/StackReads.h"
#include "hyp/HypLayerNames.h"
#include "output/RT_FileOwnership.h"
#include "pcb/PcbBoard.h"
#include "platform/Platform.h"
#include "support/Rt_Util.h"

bool IsRecognisedFormat(std::string_view formatName) { return formatName == kFormatName; }

bool BuildHypLayerNames() {
  const THostLayerNames host = ReadHostLayerNames();
  std::array<std::string, kLayerCount> names;
  for (int i = 0; i < kLayerCount; ++i) {
    const auto index = static_cast<std::size_t>(i);
    if (i == kKeepOutLayer || i == kMultiLayer)
      names[index] = "signal";
    else if (host.Names[index])
      names[index] = platform::WideToSingleByte(*host.Names[index]);
    else
      names[index] = LayerDisplayName(LayerToLayerCode(i));
  }
  SetHypLayerNames(names);
  return host.HasBoard;
}

std::string ReadFailureWarning(const std::string& fileName) {
  const std::int32_t count = ReadFailureCount();
  // What is missing comes first, in the designer's words; the entry points
  // are there for a support question.
  return std::to_string(count) + (count == 1 ? " read" : " reads") +
         " from the PCB server failed: " + ReadFailureSubjects() + ". The file " + fileName +
         " may lack them. For support: " + ReadFailureList() + ".";
}

bool RunExport(const std::string& fileName, std::string_view formatName) {
  if (!IsRecognisedFormat(formatName)) return false;
  IndentLevel = 0;
  ResetReadFailures();

  std::unique_ptr<THyperlynxTranslator> driver;
  try {
    driver = std::make_unique<THyperlynxTranslator>(fileName);
  } catch (const ETempFileUnavailable& e) {
    ShowErrorMessage(std::string(e.what()) + " The file " + fileName + " was not written.");
    return false;
  }
  // Whatever ends the run early, freeing the driver closes the output and
  // removes the temporary file; the destination is left untouched.
  // A host whose PCB server has a board open but whose entry point named none
  // failed to name it: nothing of the board was read.
  if (BuildHypLayerNames() && driver->Board().Handle == 0) NoteCurrentBoardUnnamed();
  driver->WriteDocument();
  // The end of a walk is the only answer a walk gives: a walk the host ended
  // early shows as fewer objects than the run counted at its start.
  if (driver->WalksEndedEarly()) NoteWalksEndedEarly();

  // From here on the run is complete: whatever keeps the export from the
  // destination is told to the user by a message of its own, and the host
  // learns only that the run took place.
  if (!driver->CloseOutput()) {
    driver.reset();
    ShowErrorMessage("The export could not be written completely (is the disk full?). The file " + fileName +
                     " was not changed.");
    return true;
  }
  // Reads the host failed are told before the commit: the user learns that
  // the file may be incomplete before it replaces the destination, and in
  // test mode (where the message ends the process) the destination is left
  // untouched and the temporary file removed.
  if (ReadFailureCount() > 0) ShowWarningMessage(ReadFailureWarning(fileName));
  // The commit takes the temporary file over and cleans up after itself;
  // whatever it raises goes to the host after the driver is freed.
  CommitOutputFile(driver->ReleaseTempFile(), fileName);
  driver.reset();
  return true;
}
