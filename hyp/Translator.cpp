#include "hyp/Translator.h"

#include "host/RT_PCB.h"
#include "hyp/HypLayerNames.h"
#include "hyp/NumberFormat.h"
#include "pcb/PcbIteration.h"
#include "pcb/Pcbclass.h"
#include "support/Rt_Util.h"

namespace {

std::string LayerName(const TPCBObject& object) { return GetHypLayerName(object.GetLayer()); }

}  // namespace

TTranslator::TTranslator(TBoard* board) : FBoard(board) {}

std::uint8_t TTranslator::ConvertToHyperlynxLayer(int layer) {
  if (layer >= kTopLayer && layer <= kBottomLayer) return static_cast<std::uint8_t>(layer);
  if (layer >= kInternalPlane1 && layer <= kInternalPlane16) return static_cast<std::uint8_t>(layer - 6);
  ShowErrorMessage("Error in ConvertToHyperlynxLayer", "Error");
  return kPadStackNoLayer;
}

std::string TTranslator::TranslateTrackToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kTrackObject) return {};
  return CutTo255("SEG X1=" + FormatLength(object.GetX()) + " Y1=" + FormatLength(object.GetY()) +
                  " X2=" + FormatLength(object.GetX2()) + " Y2=" + FormatLength(object.GetY2()) +
                  " W=" + FormatLength(object.GetWidth()) + " L=" + LayerName(object));
}

std::string TTranslator::TranslateArcToString(const TPCBObject& object) {
  const auto* arc = dynamic_cast<const TPcbArc*>(&object);
  if (object.GetObjectKind() != kArcObject || arc == nullptr) return {};
  return CutTo255("ARC X1=" + FormatLength(arc->GetEndX()) + " Y1=" + FormatLength(arc->GetEndY()) +
                  " X2=" + FormatLength(arc->GetStartX()) + " Y2=" + FormatLength(arc->GetStartY()) +
                  " XC=" + FormatLength(arc->GetX()) + " YC=" + FormatLength(arc->GetY()) +
                  " R=" + FormatLength(arc->GetRadius()) + " W=" + FormatLength(arc->GetLineWidth()) +
                  " L=" + LayerName(*arc));
}

std::string TTranslator::TranslatePadToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kPadObject) return {};
  const std::string padStack = PadStackName(object, "Error in TTranslator.TranslatePadToString");
  const std::string at = "X=" + FormatLength(object.GetX()) + " Y=" + FormatLength(object.GetY());
  if (object.GetComponentHandle() == 0) return CutTo255("VIA " + at + " P=" + padStack);
  return CutTo255("PIN " + at + " R=" + GetPinReference(object) + " P=" + padStack);
}

std::string TTranslator::TranslateViaToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kViaObject) return {};
  const std::string padStack = PadStackName(object, "Error in TTranslator.TranslateViaToString");
  return CutTo255("VIA X=" + FormatLength(object.GetX()) + " Y=" + FormatLength(object.GetY()) + " P=" + padStack);
}

std::string TTranslator::TranslatePerimeterTrackToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kTrackObject) return {};
  return CutTo255("PERIMETER_SEGMENT X1=" + FormatLength(object.GetX()) + " Y1=" + FormatLength(object.GetY()) +
                  " X2=" + FormatLength(object.GetX2()) + " Y2=" + FormatLength(object.GetY2()));
}

std::string TTranslator::TranslatePerimeterArcToString(const TPCBObject& object) {
  const auto* arc = dynamic_cast<const TPcbArc*>(&object);
  if (object.GetObjectKind() != kArcObject || arc == nullptr) return {};
  return CutTo255("PERIMETER_ARC X1=" + FormatLength(arc->GetStartX()) + " Y1=" + FormatLength(arc->GetStartY()) +
                  " X2=" + FormatLength(arc->GetEndX()) + " Y2=" + FormatLength(arc->GetEndY()) +
                  " XC=" + FormatLength(arc->GetX()) + " YC=" + FormatLength(arc->GetY()) +
                  " R=" + FormatLength(arc->GetRadius()));
}

std::string TTranslator::PadStackName(const TPCBObject& object, const char* errorMessage) {
  std::string name;
  if (!OnFindPadStack || !LookUpPadStack(object, name)) {
    ShowErrorMessage(errorMessage, "Error");
    name.clear();
  }
  return name;
}

bool TTranslator::LookUpPadStack(const TPCBObject& object, std::string& name) {
  // Builds the object's padstack (PadToPadStack for pads, ViaToPadStack for
  // vias), hands it to OnFindPadStack and takes the name the lookup copied
  // in. The builders come with the padstack table; until they exist no
  // padstack can be built and nothing is found.
  static_cast<void>(object);
  static_cast<void>(name);
  return false;
}
