#include "exporter/HyperlynxTranslator.h"

#include <algorithm>
#include <unordered_set>

#include "host/CountedString.h"
#include "host/ReadFailures.h"
#include "hyp/HypLayerNames.h"
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

  FCounted = CountWalks();
  ProgressTotal = FCounted.allPadsAndVias + FCounted.nets + FCounted.components;
  FProgress.emplace(CutTo255("Saving " + FFileName + " (HyperLynx)"), ProgressTotal);

  FTranslator = std::make_unique<TTranslator>(FBoard.get());
  FPadStackList = std::make_unique<TPadStackList>(*FTranslator, *FBoard, FOutput);
  FNetWriter = std::make_unique<TNetWriter>(*FTranslator, *FBoard, FOutput);
  FDeviceWriter = std::make_unique<TDeviceWriter>(*FTranslator, *FBoard, FOutput);
}

THyperlynxTranslator::~THyperlynxTranslator() = default;

THyperlynxTranslator::TCounted THyperlynxTranslator::CountWalks() {
  // One visit of the four counted kinds, made kind by kind (the same calls
  // in the same order), so that each writer's share is known; then what the
  // outline's walks and the padstack table's walk can meet.
  static_assert(kCountedKinds == KindSetOf({kPadObject, kViaObject, kNetObject, kComponentObject}));
  TCounted counted;
  counted.allPadsAndVias = FBoard->CountObjects(kPadKinds);
  counted.allPadsAndVias += FBoard->CountObjects(kViaKinds);
  counted.nets = FBoard->CountObjects(kNetKinds);
  counted.components = FBoard->CountObjects(kComponentKinds);
  const LayerSet keepOut{kKeepOutLayer};
  counted.outline = FBoard->CountDistinctObjects(kTrackKinds, keepOut);
  counted.outline += FBoard->CountDistinctObjects(kArcKinds, keepOut);
  counted.padsAndVias = FBoard->CountDistinctObjects(TPadStackList::kVisitedKinds, TPadStackList::VisitedLayers());
  return counted;
}

bool THyperlynxTranslator::WalksEndedEarly() {
  if (FWalked.components != FCounted.components || FWalked.nets != FCounted.nets ||
      FWalked.padsAndVias != FCounted.padsAndVias || FWalked.outline != FCounted.outline)
    return true;
  // The walk of every layer yields each object that a walk of some layers
  // yields: more on some layers means the walk of every layer ended early.
  if (FCounted.padsAndVias > FCounted.allPadsAndVias) return true;
  // A net's member walks have no count of their own: a host whose walks
  // stop answering from some call on shows in the counts made again.
  const TCounted again = CountWalks();
  return again.allPadsAndVias != FCounted.allPadsAndVias || again.nets != FCounted.nets ||
         again.components != FCounted.components || again.outline != FCounted.outline ||
         again.padsAndVias != FCounted.padsAndVias;
}

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
  // The padstack table's walk has met every pin: their names are given
  // together, before the first NET section names one.
  FTranslator->Names().ClaimPadNames();
  const std::int32_t afterPadStacks = ProgressSteps();
  WriteNets();
  FWalked.nets = ProgressSteps() - afterPadStacks;
  WriteEnd();
}

void THyperlynxTranslator::CountLeftOutCopper() {
  FLeftOut = TLeftOutCopper();
  std::unordered_set<THandle> seen;
  const auto count = [&](TObjectKind kind, const char* what, std::int32_t& counter) {
    const auto walk = [&](int layer) {
      IterateObjects(
          *FBoard, KindSetOf({kind}), LayerSet{layer},
          [&](THandle handle) {
            if (handle == 0 || !seen.insert(handle).second) return;
            ++counter;
            if (FLeftOut.example.empty())
              FLeftOut.example = std::string(what) + " on " + HypLayerNames[static_cast<std::size_t>(layer)];
          },
          0);
    };
    for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) walk(layer);
    for (int layer = kInternalPlane1; layer <= kInternalPlane16; ++layer) walk(layer);
  };
  // Kind by kind in the order of their codes, as every walk of the run.
  count(kFillObject, "a fill", FLeftOut.fills);
  count(kPolyObject, "a polygon", FLeftOut.polygons);
  count(kRegionObject, "a region", FLeftOut.regions);
}

void THyperlynxTranslator::WriteHeader() { WriteLine(IndentString(IndentLevel) + "{VERSION=2.14}"); }

void THyperlynxTranslator::WriteUnits() {
  WriteLine("");
  WriteLine(IndentString(IndentLevel) + "{" + "UNITS=ENGLISH " + "LENGTH" + IndentString(IndentLevel) + "}");
}

void THyperlynxTranslator::WriteBoard() {
  WriteLine("");
  // The outline is read whole before it is written: the edge goes first,
  // loose pieces last, and ends less than 10 micrometres apart are joined
  // (hyp/Outline.h).
  FOutline.clear();
  FOutline.reserve(static_cast<std::size_t>(std::max(FCounted.outline, 0)));
  const LayerSet keepOut{kKeepOutLayer};
  IterateObjects(*FBoard, kTrackKinds, keepOut, BindMethod<&THyperlynxTranslator::AddOutlineSegment>(*this), 0);
  IterateObjects(*FBoard, kArcKinds, keepOut, BindMethod<&THyperlynxTranslator::AddOutlineArc>(*this), 0);
  FWalked.outline = static_cast<std::int32_t>(FOutline.size());
  FOutlineNotes = TOutlineNotes();
  const std::vector<std::size_t> order = ArrangeOutline(FOutline, FOutlineNotes);
  WriteSection(FOutput, "BOARD " + HypLineText(FBoard->BoardText.str()), [&] {
    for (std::size_t i : order) FOutput.WriteRecord(IndentLevel, TTranslator::PerimeterPieceText(FOutline[i]));
  });
  // Not held through the rest of the document.
  std::vector<TOutlinePiece>().swap(FOutline);
}

void THyperlynxTranslator::AddOutlineSegment(THandle handle) {
  TPcbTrack track(handle);
  track.Query(1);
  if (auto piece = TTranslator::OutlinePieceOf(track)) FOutline.push_back(*piece);
}

void THyperlynxTranslator::AddOutlineArc(THandle handle) {
  TPcbArc arc(handle);
  arc.Query(1);
  if (auto piece = TTranslator::OutlinePieceOf(arc)) FOutline.push_back(*piece);
}

void THyperlynxTranslator::WriteEnd() { WriteLine(IndentString(IndentLevel) + "{END}"); }
