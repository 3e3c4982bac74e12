#include "exporter/HyperlynxTranslator.h"

#include "host/CountedString.h"
#include "host/ReadFailures.h"
#include "hyp/HypText.h"
#include "hyp/Section.h"
#include "pcb/PcbIteration.h"
#include "support/Rt_Util.h"

std::int32_t ProgressTotal = 0;

THyperlynxTranslator::THyperlynxTranslator(const std::string& fileName) : FFileName(CutTo255(fileName)) {
  FTempFileName = TTempFile(MakeTempFileName());
  if (FTempFileName.Path().empty() || !FOutput.Open(FTempFileName.Path())) throw ETempFileUnavailable();
  // Whatever raises from here on, the members undo what was built: the
  // writers go first, then the progress display is closed, then the board
  // is freed, the output closed and the temporary file removed.
  FBoard = std::make_unique<TBoard>(CurrentBoardHandle());
  FBoard->Query(1);
  ForgetSharedComponent();

  // One visit of the four counted kinds, made kind by kind (the same calls
  // in the same order), so that each writer's share is known.
  static_assert(kCountedKinds == KindSetOf({kPadObject, kViaObject, kNetObject, kComponentObject}));
  FCounted.padsAndVias = FBoard->CountObjects(kPadKinds);
  FCounted.padsAndVias += FBoard->CountObjects(kViaKinds);
  FCounted.nets = FBoard->CountObjects(kNetKinds);
  FCounted.components = FBoard->CountObjects(kComponentKinds);
  ProgressTotal = FCounted.padsAndVias + FCounted.nets + FCounted.components;
  FProgress.emplace(CutTo255("Saving " + FFileName + " (HyperLynx)"), ProgressTotal);

  FTranslator = std::make_unique<TTranslator>(FBoard.get());
  FPadStackList = std::make_unique<TPadStackList>(*FTranslator, *FBoard, FOutput);
  FNetWriter = std::make_unique<TNetWriter>(*FTranslator, *FBoard, FOutput);
  FDeviceWriter = std::make_unique<TDeviceWriter>(*FTranslator, *FBoard, FOutput);
  FOnPerimeterSegment = [t = FTranslator.get()](const TPCBObject& o) { return t->TranslatePerimeterTrackToString(o); };
  FOnPerimeterArc = [t = FTranslator.get()](const TPCBObject& o) { return t->TranslatePerimeterArcToString(o); };
}

THyperlynxTranslator::~THyperlynxTranslator() = default;

void THyperlynxTranslator::WriteDocument() {
  WriteHeader();
  WriteUnits();
  WriteBoard();
  WriteStackup();
  // The device and net writers take one progress step per component and
  // net; the padstack table counts each pad and via once, however often a
  // host yields it.
  const std::int32_t start = ProgressSteps();
  WriteDevices();
  FWalked.components = ProgressSteps() - start;
  WritePadStacks();
  FWalked.padsAndVias = static_cast<std::int32_t>(FPadStackList->ObjectCount());
  const std::int32_t afterPadStacks = ProgressSteps();
  WriteNets();
  FWalked.nets = ProgressSteps() - afterPadStacks;
  WriteEnd();
}

void THyperlynxTranslator::WriteHeader() { WriteLine(IndentString(IndentLevel) + "{VERSION=2.14}"); }

void THyperlynxTranslator::WriteUnits() {
  WriteLine("");
  WriteLine(IndentString(IndentLevel) + "{" + "UNITS=ENGLISH " + "LENGTH" + IndentString(IndentLevel) + "}");
}

void THyperlynxTranslator::WriteBoard() {
  WriteLine("");
  WriteSection(FOutput, "BOARD " + HypLineText(FBoard->BoardText.str()), [&] {
    const LayerSet keepOut{kKeepOutLayer};
    IterateObjects(*FBoard, kTrackKinds, keepOut, BindMethod<&THyperlynxTranslator::WriteBoardSegment>(*this), 0);
    IterateObjects(*FBoard, kArcKinds, keepOut, BindMethod<&THyperlynxTranslator::WriteBoardArc>(*this), 0);
  });
}

void THyperlynxTranslator::WriteBoardSegment(THandle handle) {
  TPcbTrack track(handle);
  track.Query(1);
  FOutput.WriteRecord(IndentLevel, FOnPerimeterSegment(track));
}

void THyperlynxTranslator::WriteBoardArc(THandle handle) {
  TPcbArc arc(handle);
  arc.Query(1);
  FOutput.WriteRecord(IndentLevel, FOnPerimeterArc(arc));
}

void THyperlynxTranslator::WriteEnd() { WriteLine(IndentString(IndentLevel) + "{END}"); }
