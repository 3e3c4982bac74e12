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
#include "hyp/HypText.h"
#include "hyp/Names.h"
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

// The changes of the layer names the file holds, told with the others.
struct TLayerChanges {
  THypChangeTally replaced, shortened, suffixed;
};

TLayerChanges LayerChanges() {
  TLayerChanges changes;
  for (std::size_t i = 0; i < HypLayerNames.size(); ++i) {
    if (!HypLayerNamesWritten.test(i)) continue;
    const THypLayerNameChange& c = HypLayerNameChanges[i];
    if (c.replaced) changes.replaced.Add("layer " + ShownName(c.design) + " as " + HypLayerNames[i]);
    if (c.shortened)
      changes.shortened.Add("layer " + Abridged(ShownName(c.design)) + " as " + Abridged(HypLayerNames[i]));
    if (c.suffixed) changes.suffixed.Add(ShownName(c.design) + " as " + HypLayerNames[i]);
  }
  return changes;
}

// Two tallies of one kind: the counts added, the first case of the first.
THypChangeTally Joined(const THypChangeTally& first, const THypChangeTally& second) {
  THypChangeTally joined = first;
  joined.Count += second.Count;
  if (first.Count == 0) joined.Example = second.Example;
  return joined;
}

// "3 nets are written with a suffix ..." for each kind of name that took one.
void TellSuffixes(std::vector<std::string>& notes, const THypChangeTally& tally, const std::string& one,
                  const std::string& many) {
  if (tally.Count == 0) return;
  notes.push_back(Counted(tally.Count, one + " is", many + " are") +
                  " written with a suffix, as another takes the name in the file (" + tally.Example + ")");
}

// The lines about names: points, quotes and control characters, cuts,
// suffixes, and each designator written under another name.
void TellNames(std::vector<std::string>& notes, const THyperlynxTranslator& driver) {
  const THypNames::TChanges& changes = driver.Translator().Names().Changes();
  if (changes.DesignatorPoints.Count > 0)
    notes.push_back(
        Counted(changes.DesignatorPoints.Count, "designator holds a point and is", "designators hold a point and are") +
        " written with '_' (" + changes.DesignatorPoints.Example + ")");
  if (changes.PadNamePoints.Count > 0)
    notes.push_back(
        Counted(changes.PadNamePoints.Count, "pad name holds a point and is", "pad names hold a point and are") +
        " written with '_' (" + changes.PadNamePoints.Example + ")");
  const TLayerChanges layers = LayerChanges();
  const THypChangeTally replaced = Joined(layers.replaced, changes.Replaced);
  if (replaced.Count > 0)
    notes.push_back(Counted(replaced.Count, "name holds", "names hold") +
                    " a double quote or a control character, written '_' (" + replaced.Example + ")");
  const THypChangeTally shortened = Joined(layers.shortened, changes.Shortened);
  if (shortened.Count > 0)
    notes.push_back(Counted(shortened.Count, "name is", "names are") + " shortened to fit a record of " +
                    std::to_string(kHypRecordCapacity) + " characters (" + shortened.Example + ")");
  TellSuffixes(notes, changes.NetSuffixes, "net", "nets");
  TellSuffixes(notes, changes.DesignatorSuffixes, "designator", "designators");
  TellSuffixes(notes, layers.suffixed, "layer", "layers");
  TellSuffixes(notes, changes.PadNameSuffixes, "pad name", "pad names");
  // Parts lists and model assignments match by designator: each one the
  // file writes under another name is told.
  for (const std::string& line : changes.DesignatorLines) notes.push_back(line);
  if (changes.DesignatorsRenamed > changes.DesignatorLines.size())
    notes.push_back(Counted(changes.DesignatorsRenamed - changes.DesignatorLines.size(), "more designator is",
                            "more designators are") +
                    " written under another name");
  if (changes.PadShapes.Count > 0)
    notes.push_back(Counted(changes.PadShapes.Count, "pad is", "pads are") + " written as another shape (" +
                    driver.Translator().Names().PadShapeExample() + ")");
}

// The line about the copper areas the file leaves out, by kind.
void TellLeftOutCopper(std::vector<std::string>& notes, const THyperlynxTranslator& driver) {
  const THyperlynxTranslator::TLeftOutCopper& copper = driver.LeftOutCopper();
  const std::int32_t areas = copper.fills + copper.polygons + copper.regions;
  if (areas > 0) {
    std::string kinds;
    const auto kind = [&](std::int32_t n, const char* one, const char* many) {
      if (n == 0) return;
      kinds += (kinds.empty() ? "" : ", ") + Counted(static_cast<std::size_t>(n), one, many);
    };
    kind(copper.fills, "fill", "fills");
    kind(copper.polygons, "polygon", "polygons");
    kind(copper.regions, "region", "regions");
    notes.push_back(Counted(static_cast<std::size_t>(areas), "copper area", "copper areas") +
                    " on signal and plane layers " + (areas == 1 ? "is" : "are") + " not in the file (" + kinds +
                    "; the first " + copper.example + ")");
  }
}

// The lines about the outline's order, joined ends, open ends and branches.
void TellOutline(std::vector<std::string>& notes, const TOutlineNotes& outline) {
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
}

}  // namespace

std::vector<std::string> ExportNotes(const THyperlynxTranslator& driver) {
  std::vector<std::string> notes;
  TellNames(notes, driver);
  TellLeftOutCopper(notes, driver);
  TellOutline(notes, driver.OutlineNotes());
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
  driver->CountLeftOutCopper();
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
