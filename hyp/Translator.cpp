#include "hyp/Translator.h"

#include <utility>

#include "host/RT_PCB.h"
#include "hyp/HypLayerNames.h"
#include "hyp/HypText.h"
#include "hyp/NumberFormat.h"
#include "hyp/PadStack.h"
#include "pcb/PcbIteration.h"
#include "pcb/Pcbclass.h"
#include "support/Rt_Util.h"

namespace {

// The layer of a track or arc as the value after " L=".
std::string LayerName(const TPCBObject& object) { return HypValue(GetHypLayerName(object.GetLayer())); }

}  // namespace

TTranslator::TTranslator(TBoard* board) : FBoard(board) {}

std::uint8_t TTranslator::ConvertToHyperlynxLayer(int layer) {
  if (layer >= kTopLayer && layer <= kBottomLayer) return static_cast<std::uint8_t>(layer);
  if (layer >= kInternalPlane1 && layer <= kInternalPlane16) return static_cast<std::uint8_t>(layer - 6);
  ShowErrorMessage("Error in ConvertToHyperlynxLayer", "Error");
  return kPadStackNoLayer;
}

namespace {

// "X1= Y1= X2= Y2=" of a straight segment.
std::string SegmentText(const TPCBObject& segment) {
  return "X1=" + FormatLength(segment.GetX()) + " Y1=" + FormatLength(segment.GetY()) +
         " X2=" + FormatLength(segment.GetX2()) + " Y2=" + FormatLength(segment.GetY2());
}

// "X1= Y1= X2= Y2= XC= YC= R=" of an arc; the net records list its end point
// first, the outline records its start point.
std::string ArcText(const TPcbArc& arc, bool startFirst) {
  std::int32_t x1 = arc.GetStartX(), y1 = arc.GetStartY(), x2 = arc.GetEndX(), y2 = arc.GetEndY();
  if (!startFirst) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  return "X1=" + FormatLength(x1) + " Y1=" + FormatLength(y1) + " X2=" + FormatLength(x2) + " Y2=" + FormatLength(y2) +
         " XC=" + FormatLength(arc.GetX()) + " YC=" + FormatLength(arc.GetY()) + " R=" + FormatLength(arc.GetRadius());
}

// "X= Y=" of a pad or via.
std::string PointText(const TPCBObject& object) {
  return "X=" + FormatLength(object.GetX()) + " Y=" + FormatLength(object.GetY());
}

const TPcbArc* AsArc(const TPCBObject& object) {
  return object.GetObjectKind() == kArcObject ? dynamic_cast<const TPcbArc*>(&object) : nullptr;
}

}  // namespace

std::string TTranslator::TranslateTrackToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kTrackObject) return {};
  return CutFragment("SEG " + SegmentText(object) + " W=" + FormatLength(object.GetWidth()) + " L=" + LayerName(object));
}

std::string TTranslator::TranslateArcToString(const TPCBObject& object) {
  const TPcbArc* arc = AsArc(object);
  if (arc == nullptr) return {};
  return CutFragment("ARC " + ArcText(*arc, false) + " W=" + FormatLength(arc->GetLineWidth()) + " L=" + LayerName(*arc));
}

std::string TTranslator::TranslatePadToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kPadObject) return {};
  const std::string padStack = PadStackName(object, "Error in TTranslator.TranslatePadToString");
  if (object.GetComponentHandle() == 0) return CutTo255("VIA " + PointText(object) + " P=" + padStack);
  return CutFragment("PIN " + PointText(object) + " R=" + HypValue(GetPinReference(object)) + " P=" + padStack);
}

std::string TTranslator::TranslateViaToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kViaObject) return {};
  const std::string padStack = PadStackName(object, "Error in TTranslator.TranslateViaToString");
  return CutTo255("VIA " + PointText(object) + " P=" + padStack);
}

std::string TTranslator::TranslatePerimeterTrackToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kTrackObject) return {};
  return CutTo255("PERIMETER_SEGMENT " + SegmentText(object));
}

std::string TTranslator::TranslatePerimeterArcToString(const TPCBObject& object) {
  const TPcbArc* arc = AsArc(object);
  if (arc == nullptr) return {};
  return CutTo255("PERIMETER_ARC " + ArcText(*arc, true));
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
  std::unique_ptr<TPadStack> padStack =
      object.GetObjectKind() == kPadObject ? PadToPadStack(object) : ViaToPadStack(object);
  if (!padStack || !OnFindPadStack(*padStack)) return false;
  name = padStack->Name;
  return true;
}

namespace {

constexpr const char* kDevicePrefixes[kDeviceClassCount] = {"? REF=", "IC REF=", "R REF=", "C REF=",
                                                            "J REF=", "L REF=",  "CR REF=", "BD REF="};

}  // namespace

std::string TTranslator::TranslateDeviceToString(const TPCBObject& object, TDeviceClass deviceClass) {
  if (object.GetObjectKind() != kComponentObject) return {};
  return CutFragment(kDevicePrefixes[static_cast<int>(deviceClass)] + HypValue(object.GetName()) + " L=" +
                     LayerName(object));
}
