#include "hyp/NetWriter.h"

#include "host/Progress.h"
#include "hyp/HypText.h"
#include "hyp/Section.h"
#include "pcb/PcbIteration.h"
#include "pcb/Pcbclass.h"
#include "support/Rt_Util.h"
#include "support/TextOutput.h"

TNetWriter::TNetWriter(TTranslator& translator, TBoard& board, TTextOutput& file)
    : FOutput(file),
      FBoard(board),
      FOnTrack([t = &translator](const TPCBObject& o) { return t->TranslateTrackToString(o); }),
      FOnArc([t = &translator](const TPCBObject& o) { return t->TranslateArcToString(o); }),
      FOnPad([t = &translator](const TPCBObject& o) { return t->TranslatePadToString(o); }),
      FOnVia([t = &translator](const TPCBObject& o) { return t->TranslateViaToString(o); }),
      FTranslator(translator) {}

void TNetWriter::Write() {
  FOutput.WriteLine("");
  FNets.clear();
  FNetNames.clear();
  IterateObjects(FBoard, kNetKinds, LayerSet{0}, BindMethod<&TNetWriter::AddNet>(*this), 0);
  // Two nets never share a name in the file, whatever the cleaning made of
  // their names: a reader would join them.
  const std::vector<std::string> written = FTranslator.Names().ClaimNetNames(FNetNames);
  for (std::size_t i = 0; i < FNets.size(); ++i) WriteNet(FNets[i], written[i]);
}

void TNetWriter::AddNet(THandle handle) {
  ProgressStep();
  TNet net(handle);
  net.Query(1);
  FNets.push_back(handle);
  FNetNames.push_back(net.GetName());
}

void TNetWriter::WriteNet(THandle handle, const std::string& name) {
  TNet net(handle);
  WriteSection(FOutput, "NET=" + HypValue(name), [&] {
    const LayerSet anyLayer{0};
    IterateObjects(net, kTrackKinds, anyLayer, BindMethod<&TNetWriter::WriteTrack>(*this), 0);
    IterateObjects(net, kArcKinds, anyLayer, BindMethod<&TNetWriter::WriteArc>(*this), 0);
    IterateObjects(net, kViaKinds, anyLayer, BindMethod<&TNetWriter::WriteVia>(*this), 0);
    IterateObjects(net, kPadKinds, anyLayer, BindMethod<&TNetWriter::WritePad>(*this), 0);
  });
}

template <typename TObject, typename... TArgs>
void TNetWriter::WriteMember(THandle handle, const TTranslateEvent& fragment, TArgs... args) {
  TObject object(handle, args...);
  object.Query(1);
  FOutput.WriteRecord(IndentLevel, fragment(object));
}

void TNetWriter::WriteTrack(THandle handle) { WriteMember<TPcbTrack>(handle, FOnTrack); }
void TNetWriter::WriteArc(THandle handle) { WriteMember<TPcbArc>(handle, FOnArc); }
void TNetWriter::WriteVia(THandle handle) { WriteMember<TPcbVia>(handle, FOnVia); }
// A pin line needs no per-layer value of the pad.
void TNetWriter::WritePad(THandle handle) { WriteMember<TPcbPad>(handle, FOnPad, TPcbPad::TLayerReading::OnDemand); }
