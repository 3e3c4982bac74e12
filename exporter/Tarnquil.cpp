#include "exporter/Tarnquil.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

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

namespace {

// "1 designator holds" or "2 designators hold": a count and its words.
std::string Counted(std::size_t n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::vector<std::string> ExportNotes(const THyperlynxTranslator& driver) {
  std::vector<std::string> notes;
  const TTranslator::TRenames& renames = driver.Translator().Renames();
  if (renames.Designators > 0)
    notes.push_back(
        Counted(renames.Designators, "designator holds a point and is", "designators hold a point and are") +
        " written with '_' (" + renames.DesignatorExample + ")");
  if (renames.PadNames > 0)
    notes.push_back(Counted(renames.PadNames, "pad name holds a point and is", "pad names hold a point and are") +
                    " written with '_' (" + renames.PadNameExample + ")");
  const TOutlineNotes& outline = driver.OutlineNotes();
  if (outline.Moved > 0)
    notes.push_back("the board outline is written before its cut-outs: " +
                    Counted(outline.Moved, "piece of the edge comes", "pieces of the edge come") + " first (from " +
                    outline.MovedExample + ")");
  if (outline.Stray > 0)
    notes.push_back("the board outline's loose pieces are written after its closed loops: " +
                    Counted(outline.Stray, "piece comes", "pieces come") + " last (from " + outline.StrayExample + ")");
  if (outline.Joined > 0)
    notes.push_back(Counted(outline.Joined, "outline end", "outline ends") + " less than 0.01 mm from another end " +
                    (outline.Joined == 1 ? "is" : "are") + " written as that end (" + outline.JoinedExample + ")");
  if (outline.Open > 0)
    notes.push_back("the board outline does not close: an end at " + outline.OpenExample + " meets nothing" +
                    (outline.Open > 1 ? " (" + std::to_string(outline.Open) + " such ends)" : std::string()));
  if (outline.Branches > 0)
    notes.push_back("the board outline branches: " + std::to_string(outline.BranchEnds) + " ends meet at " +
                    outline.BranchExample +
                    (outline.Branches > 1 ? " (" + std::to_string(outline.Branches) + " such points)" : std::string()));
  return notes;
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
  // The display ends before anything is said about the file, so that no
  // message is told while the host still shows the run going on.
  driver->EndProgress();

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
  for (const std::string& note : ExportNotes(*driver)) ReportExportNote(fileName, note);
  // The commit takes the temporary file over and cleans up after itself;
  // whatever it raises goes to the host after the driver is freed.
  CommitOutputFile(driver->ReleaseOutputFile(), fileName);
  driver.reset();
  return true;
}
