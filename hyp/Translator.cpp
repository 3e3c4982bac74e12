#include "hyp/Translator.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "host/RT_PCB.h"
#include "hyp/HypLayerNames.h"
#include "hyp/HypText.h"
#include "hyp/NumberFormat.h"
#include "hyp/PadStack.h"
#include "pcb/PcbIteration.h"
#include "pcb/Pcbclass.h"
#include "support/Rt_Util.h"

TTranslator::TTranslator(TBoard* board) : FBoard(board) {}

std::uint8_t TTranslator::ConvertToHyperlynxLayer(int layer) {
  if (layer >= kTopLayer && layer <= kBottomLayer) return static_cast<std::uint8_t>(layer);
  if (layer >= kInternalPlane1 && layer <= kInternalPlane16) return static_cast<std::uint8_t>(layer - 6);
  ShowErrorMessage("Error in ConvertToHyperlynxLayer", "Error");
  return kPadStackNoLayer;
}

namespace {

// One record's text, built in one buffer.
class TRecordText {
 public:
  explicit TRecordText(std::string_view head) {
    text_.reserve(160);
    text_ = head;
  }
  TRecordText& Length(std::string_view label, std::int32_t value) {
    text_ += label;
    text_ += FormatLength(value);
    return *this;
  }
  TRecordText& Text(std::string_view label, std::string_view value) {
    text_ += label;
    text_ += value;
    return *this;
  }
  // "X1= Y1= X2= Y2=" of a straight segment.
  TRecordText& Segment(const TPCBObject& segment) {
    return Length("X1=", segment.GetX())
        .Length(" Y1=", segment.GetY())
        .Length(" X2=", segment.GetX2())
        .Length(" Y2=", segment.GetY2());
  }
  // "X1= Y1= X2= Y2= XC= YC= R=" of an arc of a net, its end point first
  // (the outline's records list the start point first: PerimeterPieceText).
  TRecordText& Arc(const TPcbArc& arc) {
    return Length("X1=", arc.GetEndX())
        .Length(" Y1=", arc.GetEndY())
        .Length(" X2=", arc.GetStartX())
        .Length(" Y2=", arc.GetStartY())
        .Length(" XC=", arc.GetX())
        .Length(" YC=", arc.GetY())
        .Length(" R=", arc.GetRadius());
  }
  // "X= Y=" of a pad or via.
  TRecordText& Point(const TPCBObject& object) { return Length("X=", object.GetX()).Length(" Y=", object.GetY()); }
  // At most kHypRecordCapacity characters, no quoted value left open.
  std::string Cut() { return text_.size() <= kHypRecordCapacity ? std::move(text_) : CutFragment(text_); }

 private:
  std::string text_;
};

// "VIA X= Y= P=": the record of a via and of a free pad.
std::string ViaRecord(const TPCBObject& object, std::string_view padStack) {
  return TRecordText("VIA ").Point(object).Text(" P=", padStack).Cut();
}

const TPcbArc* AsArc(const TPCBObject& object) {
  return object.GetObjectKind() == kArcObject ? dynamic_cast<const TPcbArc*>(&object) : nullptr;
}

}  // namespace

const std::string& TTranslator::LayerValue(const TPCBObject& object) {
  const std::size_t layer = object.GetLayer();
  if (layer >= HypLayerNames.size()) return FLayerValues[0].second;  // never: layers are 0..82
  // Made again only when the run's table has changed since.
  auto& [name, value] = FLayerValues[layer];
  if (name != HypLayerNames[layer] || value.empty()) {
    name = HypLayerNames[layer];
    value = HypValue(name);
  }
  return value;
}

std::string TTranslator::TranslateTrackToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kTrackObject) return {};
  return TRecordText("SEG ").Segment(object).Length(" W=", object.GetWidth()).Text(" L=", LayerValue(object)).Cut();
}

std::string TTranslator::TranslateArcToString(const TPCBObject& object) {
  const TPcbArc* arc = AsArc(object);
  if (arc == nullptr) return {};
  return TRecordText("ARC ").Arc(*arc).Length(" W=", arc->GetLineWidth()).Text(" L=", LayerValue(*arc)).Cut();
}

std::string TTranslator::TranslatePadToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kPadObject) return {};
  const std::string padStack = HypValue(PadStackName(object, "Error in TTranslator.TranslatePadToString"));
  if (object.GetComponentHandle() == 0) return ViaRecord(object, padStack);
  const std::string pad = FNames.PadName(object.GetComponentHandle(), object.GetName());
  const std::string reference = JoinPinReference(Designator(object.GetComponentHandle()), pad);
  return TRecordText("PIN ").Point(object).Text(" R=", HypValue(reference)).Text(" P=", padStack).Cut();
}

const std::string& TTranslator::Designator(THandle component) {
  if (const std::string* known = FNames.FindDesignator(component)) return *known;
  return FNames.ClaimDesignator(component, GetComponentDesignator(component), kDesignatorCapacity);
}

void TTranslator::NotePin(const TPCBObject& pad) {
  if (pad.GetObjectKind() != kPadObject || pad.GetComponentHandle() == 0 || pad.GetNetHandle() == 0) return;
  FNames.NotePin(pad.GetComponentHandle(), pad.GetName());
}

std::string TTranslator::TranslateViaToString(const TPCBObject& object) {
  if (object.GetObjectKind() != kViaObject) return {};
  return ViaRecord(object, HypValue(PadStackName(object, "Error in TTranslator.TranslateViaToString")));
}

namespace {

// One outline object's record as the BOARD section writes a piece whose
// ends were joined to nothing; empty for an object of another kind.
std::string LonePerimeterText(const TPCBObject& object, TObjectKind kind) {
  if (object.GetObjectKind() != kind) return {};
  std::optional<TOutlinePiece> piece = TTranslator::OutlinePieceOf(object);
  if (!piece) return {};
  SetPrintedEnds(*piece);
  return TTranslator::PerimeterPieceText(*piece);
}

}  // namespace

std::string TTranslator::TranslatePerimeterTrackToString(const TPCBObject& object) {
  return LonePerimeterText(object, kTrackObject);
}

std::string TTranslator::TranslatePerimeterArcToString(const TPCBObject& object) {
  return LonePerimeterText(object, kArcObject);
}

std::optional<TOutlinePiece> TTranslator::OutlinePieceOf(const TPCBObject& object) {
  TOutlinePiece piece;
  if (object.GetObjectKind() == kTrackObject) {
    piece.X1 = object.GetX(), piece.Y1 = object.GetY(), piece.X2 = object.GetX2(), piece.Y2 = object.GetY2();
    return piece;
  }
  const TPcbArc* arc = AsArc(object);
  if (arc == nullptr) return std::nullopt;
  piece.Arc = true;
  piece.X1 = arc->GetStartX(), piece.Y1 = arc->GetStartY(), piece.X2 = arc->GetEndX(), piece.Y2 = arc->GetEndY();
  piece.XC = arc->GetX(), piece.YC = arc->GetY(), piece.R = arc->GetRadius();
  piece.StartAngle = arc->GetStartAngle(), piece.EndAngle = arc->GetEndAngle();
  return piece;
}

std::string TTranslator::PerimeterPieceText(const TOutlinePiece& piece) {
  TRecordText text(piece.Arc ? "PERIMETER_ARC " : "PERIMETER_SEGMENT ");
  text.Text("X1=", PrintedLengthText(piece.Printed[0]))
      .Text(" Y1=", PrintedLengthText(piece.Printed[1]))
      .Text(" X2=", PrintedLengthText(piece.Printed[2]))
      .Text(" Y2=", PrintedLengthText(piece.Printed[3]));
  if (piece.Arc) text.Length(" XC=", piece.XC).Length(" YC=", piece.YC).Length(" R=", piece.R);
  return text.Cut();
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
  if (OnFindPadStackOf && OnFindPadStackOf(object.Handle, name)) return true;
  std::unique_ptr<TPadStack> padStack =
      object.GetObjectKind() == kPadObject ? PadToPadStack(object) : ViaToPadStack(object);
  if (!padStack || !OnFindPadStack(*padStack)) return false;
  name = padStack->Name;
  return true;
}

std::size_t TTranslator::DesignatorCapacity(TDeviceClass deviceClass, const TPCBObject& component) {
  const std::size_t used = kDeviceClassWords[static_cast<int>(deviceClass)].size() + sizeof(" REF=") - 1 +
                           sizeof(" L=") - 1 + LayerValue(component).size();
  return std::min(kHypRecordCapacity - std::min(kHypRecordCapacity, used), kDesignatorCapacity);
}

std::string TTranslator::TranslateDeviceToString(const TPCBObject& object, TDeviceClass deviceClass) {
  if (object.GetObjectKind() != kComponentObject) return {};
  // The designator gives way where the record would not fit; the pins of
  // the component name it as written here. The DEVICES section has named
  // its components already; a component met again keeps its name.
  const std::string* written = FNames.FindDesignator(object.Handle);
  if (written == nullptr)
    written = &FNames.ClaimDesignator(object.Handle, object.GetName(), DesignatorCapacity(deviceClass, object));
  return TRecordText(kDeviceClassWords[static_cast<int>(deviceClass)])
      .Text(" REF=", HypValue(*written))
      .Text(" L=", LayerValue(object))
      .Cut();
}
