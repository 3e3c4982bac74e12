#pragma once
// The export driver of one run: owns the temporary output file, the board
// model read from the host, the primitive translator and the three section
// writers (devices, padstacks, nets), holds the order of the document's
// parts (WriteDocument), and writes the frame of the HYP document (version,
// units, BOARD, end) and the STACKUP section.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/PcbApi.h"
#include "host/Progress.h"
#include "hyp/DeviceWriter.h"
#include "hyp/NetWriter.h"
#include "hyp/Outline.h"
#include "hyp/PadStack.h"
#include "hyp/Translator.h"
#include "pcb/PcbBoard.h"
#include "support/TempFile.h"
#include "support/TextOutput.h"

// Raised by the driver's constructor when no temporary file can be created.
class ETempFileUnavailable : public std::runtime_error {
 public:
  ETempFileUnavailable() : std::runtime_error("No temporary file could be created for the export.") {}
};

// The number of objects the host's progress display counts through (pads,
// vias, nets and components), counted afresh by each driver.
extern std::int32_t ProgressTotal;

class THyperlynxTranslator {
 public:
  // Creates the temporary file and opens it as the output (raises
  // ETempFileUnavailable when that is impossible), reads the whole board from
  // the host, counts the objects for the host's progress display, opens the
  // display and creates the translator, the padstack table, the net writer
  // and the device writer. When a step after the opening raises, the
  // members release what was built (the progress display is closed) and the
  // error propagates.
  explicit THyperlynxTranslator(const std::string& fileName);
  THyperlynxTranslator(const THyperlynxTranslator&) = delete;
  THyperlynxTranslator& operator=(const THyperlynxTranslator&) = delete;
  // Frees the device writer, the net writer, the padstack table and the
  // translator, ends the progress display, frees the board. Does not close
  // the output: the run closes it before the commit.
  ~THyperlynxTranslator();

  // The whole document, part by part in the order of the file.
  void WriteDocument();

  // The parts of the document. Each part after the first starts with an
  // empty line; each section is written through WriteSection.
  void WriteHeader();
  void WriteUnits();
  void WriteBoard();
  void WriteStackup();
  void WriteDevices() { FDeviceWriter->Write(); }
  void WritePadStacks() { FPadStackList->WriteAll(); }
  void WriteNets() { FNetWriter->Write(); }
  void WriteEnd();

  // Callbacks of the board iteration: one outline segment or arc, read and
  // kept until the whole outline is known.
  void AddOutlineSegment(THandle handle);
  void AddOutlineArc(THandle handle);
  // What WriteBoard had to do to the outline (the written order, joined
  // ends, ends that meet nothing).
  const TOutlineNotes& OutlineNotes() const { return FOutlineNotes; }

  // The copper areas on signal and plane layers that the file leaves out
  // (fills, polygons, regions: the file holds the members of nets only),
  // counted through the host's walks of those layers after the document;
  // the first one met is told by its kind and layer.
  struct TLeftOutCopper {
    std::int32_t fills = 0;
    std::int32_t polygons = 0;
    std::int32_t regions = 0;
    std::string example;  // "a fill on Top_Layer"
  };
  void CountLeftOutCopper();
  const TLeftOutCopper& LeftOutCopper() const { return FLeftOut; }

  // Closes the host's progress display now rather than when the driver goes.
  void EndProgress() { FProgress.reset(); }

  // Ends the output; true when everything written reached the file. The
  // file stays held open for the commit.
  bool CloseOutput() { return FOutput.Finish(); }

  // What each walk of WriteDocument can meet, counted at the start: the
  // components, the nets, the outline's keep-out tracks and arcs, and the
  // pads and vias the padstack table visits (each once however often the
  // host yields it); and every pad and via, for the progress display.
  struct TCounted {
    std::int32_t padsAndVias = 0;
    std::int32_t allPadsAndVias = 0;
    std::int32_t nets = 0;
    std::int32_t components = 0;
    std::int32_t outline = 0;
  };
  const TCounted& Counted() const { return FCounted; }
  // Whether a walk of WriteDocument met another number of objects than was
  // counted at the start, or the counts made again after the document
  // differ: the end of a walk is the only answer a walk gives, so a walk the
  // host ended early shows this way (a net's member walks through the counts
  // made again). Makes the counts again when the walks agree.
  bool WalksEndedEarly();

  const std::string& TempFileName() const { return FTempFileName.Path(); }
  // Hands the written file on to the commit, still held open; the driver no
  // longer removes it.
  platform::HeldFile ReleaseOutputFile() {
    FTempFileName.Release();
    return FOutput.HandOver();
  }
  const std::string& FileName() const { return FFileName; }
  TTextOutput& Output() { return FOutput; }
  TBoard& Board() { return *FBoard; }
  TTranslator& Translator() { return *FTranslator; }
  const TTranslator& Translator() const { return *FTranslator; }
  TPadStackList& PadStackList() { return *FPadStackList; }
  TNetWriter& NetWriter() { return *FNetWriter; }
  TDeviceWriter& DeviceWriter() { return *FDeviceWriter; }

 private:
  void WriteLine(const std::string& text) { FOutput.WriteLine(text); }

  // Declared before the output, so that the output is closed before the
  // file is removed.
  TTempFile FTempFileName;
  std::string FFileName;
  TTextOutput FOutput;
  // Freed in the reverse order: the writers and the translator, then the
  // progress display is closed, then the board is freed.
  std::unique_ptr<TBoard> FBoard;
  std::optional<TProgressDisplay> FProgress;
  std::unique_ptr<TTranslator> FTranslator;
  std::unique_ptr<TPadStackList> FPadStackList;
  std::unique_ptr<TNetWriter> FNetWriter;
  std::unique_ptr<TDeviceWriter> FDeviceWriter;
  TCounted FCounted;
  TCounted FWalked;  // what WriteDocument's walks met
  std::vector<TOutlinePiece> FOutline;
  TOutlineNotes FOutlineNotes;
  TLeftOutCopper FLeftOut;

  TCounted CountWalks();
};
