// The board objects that the export reads: pads, vias, tracks, arcs, fills,
// texts, components and nets.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "host/HostAccess.h"
#include "host/PCBProcs.h"
#include "host/ReadFailures.h"
#include "pcb/Pcbclass.h"

namespace {

// The rule kind of the power-plane expansion rule.
constexpr std::uint8_t kPowerPlaneExpansionRule = 12;

bool IsPadLayer(Layer L) { return L < kPadLayerCount; }

std::int32_t PowerPlaneExpansionOf(THandle handle) {
  const THandle rule = PcbApi_FindDominantRuleForObject(handle, kPowerPlaneExpansionRule);
  if (rule == 0) return 0;
  std::int32_t value = 0;
  PcbApi_QueryRulePowerPlaneExpansionRule(1, rule, &value);
  return value;
}

struct TLine {
  std::int32_t X1, Y1, X2, Y2;
};

}  // namespace

// ---------------------------------------------------------------------------
// TPcbPad

TPcbPad::TPcbPad(THandle handle, TLayerReading reading) : TPCBObject(handle), FLayerReading(reading) {
  ObjectKind = kPadObject;
}

std::int32_t TPcbPad::Query(TMode Mode) {
  if (Mode != 1) LoadAllLayers();  // write back what the host holds, not zeros
  QueryBitFields(Mode);
  // The four texts are 20-character fields; the host gets 256-byte buffers.
  TShortStringExchange name(Name), text1(PadText1), text2(PadText2), text3(PadText3);
  const std::int32_t result = PcbApi_QueryPad(
      Mode, Handle, &Flags, &HostWord, &LayerCode, &NetHandle, &HostByte, &ComponentHandle, &X, &Y, &TopXSize,
      &TopYSize, &MidXSize, &MidYSize, &BotXSize, &BotYSize, &HoleSize, &TopShape, &MidShape, &BotShape, name.get(),
      &PadByte1, &PadByte2, &Rotation, text1.get(), text2.get(), &PadValue1, text3.get(), &PadByte3, &PadByte4,
      &PadValue2, PadEightBytes, &PadValue3, &PadValue4, &PadValue5, &SideFlag1, &SideFlag2);
  for (auto* text : {&name, &text1, &text2, &text3}) text->CopyBack();
  if (result != 0) return result;
  PcbApi_QueryPadStackMode(Mode, Handle, &PadStackMode);
  if (Mode == 1 && FLayerReading == TLayerReading::OnDemand) {
    for (std::uint8_t& pending : FLayerPending) pending = 1;
    return 0;
  }
  // The per-layer calls take no mode; their results are not used.
  for (int i = 0; i < kPadLayerCount; ++i) ExchangeLayer(Mode, static_cast<Layer>(i));
  return 0;
}

void TPcbPad::ExchangeLayer(TMode Mode, Layer L) {
  const int i = L;
  if (Mode == 1) {
    PcbApi_QueryPadOrViaShapeOnLayer(Handle, L, &ShapeOnLayer[i]);
    PcbApi_QueryPadOrViaSizeOnLayer(Handle, L, &XSizeOnLayer[i], &YSizeOnLayer[i]);
    PcbApi_QueryPadCornerRadiusOnLayer(Handle, L, &CornerRadiusOnLayer[i]);
    PcbApi_QueryPadCRPercentageOnLayer(Handle, L, &CornerPercentOnLayer[i]);
    if (L == kTopLayer)
      TopCornerPercent = CornerPercentOnLayer[i];
    else if (L >= 2 && L <= 31)
      MidCornerPercent = CornerPercentOnLayer[i];  // the last inner layer wins
    else if (L == kBottomLayer)
      BotCornerPercent = CornerPercentOnLayer[i];
  } else if (PadStackMode == 2) {
    PcbApi_SetPadShapeOnLayer(Handle, L, ShapeOnLayer[i]);
    PcbApi_SetPadSizeOnLayer(Handle, L, XSizeOnLayer[i], YSizeOnLayer[i]);
    PcbApi_SetCRPctOnLayer(Handle, L, CornerPercentOnLayer[i]);
  } else if (ShapeOnLayer[i] == kRoundedRectangleShape) {
    PcbApi_SetCRPctOnLayer(Handle, kTopLayer, TopCornerPercent);
    PcbApi_SetCRPctOnLayer(Handle, kBottomLayer, BotCornerPercent);
    PcbApi_SetCRPctOnLayer(Handle, 2, MidCornerPercent);
  }
}

void TPcbPad::LoadLayer(Layer L) const {
  if (L >= kPadLayerCount || FLayerPending[L] == 0) return;
  FLayerPending[L] = 0;
  // The object is never const itself: only this operation is.
  const_cast<TPcbPad*>(this)->ExchangeLayer(1, L);
}

void TPcbPad::LoadAllLayers() const {
  // In layer order, so that the last inner layer sets the middle percentage.
  for (int i = 0; i < kPadLayerCount; ++i) LoadLayer(static_cast<Layer>(i));
}

bool TPcbPad::GetSideFlag1() const { return SideFlag1 != 0; }
void TPcbPad::SetSideFlag1(bool Value) { SideFlag1 = Value ? 1 : 0; }
bool TPcbPad::GetSideFlag2() const { return SideFlag2 != 0; }
void TPcbPad::SetSideFlag2(bool Value) { SideFlag2 = Value ? 1 : 0; }
std::int32_t TPcbPad::GetTopXSize() const { return TopXSize; }
std::int32_t TPcbPad::GetTopYSize() const { return TopYSize; }
std::int32_t TPcbPad::GetMidXSize() const { return MidXSize; }
std::int32_t TPcbPad::GetMidYSize() const { return MidYSize; }
std::int32_t TPcbPad::GetBotXSize() const { return BotXSize; }
std::int32_t TPcbPad::GetBotYSize() const { return BotYSize; }
std::int32_t TPcbPad::GetHoleSize() const { return HoleSize; }
std::uint8_t TPcbPad::GetTopShape() const { return TopShape; }
std::uint8_t TPcbPad::GetMidShape() const { return MidShape; }
std::uint8_t TPcbPad::GetBotShape() const { return BotShape; }
std::string TPcbPad::GetName() const { return Name.str(); }
double TPcbPad::GetRotation() const { return Rotation; }
void TPcbPad::SetTopXSize(std::int32_t Value) { TopXSize = Value; }
void TPcbPad::SetTopYSize(std::int32_t Value) { TopYSize = Value; }
void TPcbPad::SetMidXSize(std::int32_t Value) { MidXSize = Value; }
void TPcbPad::SetMidYSize(std::int32_t Value) { MidYSize = Value; }
void TPcbPad::SetBotXSize(std::int32_t Value) { BotXSize = Value; }
void TPcbPad::SetBotYSize(std::int32_t Value) { BotYSize = Value; }
void TPcbPad::SetHoleSize(std::int32_t Value) { HoleSize = Value; }
void TPcbPad::SetTopShape(std::uint8_t Value) { TopShape = Value; }
void TPcbPad::SetMidShape(std::uint8_t Value) { MidShape = Value; }
void TPcbPad::SetBotShape(std::uint8_t Value) { BotShape = Value; }
void TPcbPad::SetName(std::string_view Value) { Name.Assign(Value); }
void TPcbPad::SetRotation(double Value) { Rotation = Value; }

bool TPcbPad::ReadPadLayer(Layer L) const {
  LoadLayer(L);
  return IsPadLayer(L);
}

std::int32_t TPcbPad::GetXSizeOnLayer(Layer L) const { return ReadPadLayer(L) ? XSizeOnLayer[L] : 0; }
std::int32_t TPcbPad::GetYSizeOnLayer(Layer L) const { return ReadPadLayer(L) ? YSizeOnLayer[L] : 0; }
std::uint8_t TPcbPad::GetShapeOnLayer(Layer L) const { return ReadPadLayer(L) ? ShapeOnLayer[L] : 0; }
std::int32_t TPcbPad::GetWidthOnLayer(Layer L) const {
  if (!ReadPadLayer(L)) return 0;
  const std::int32_t xs = XSizeOnLayer[L];  // copied: the record is packed
  const std::int32_t ys = YSizeOnLayer[L];
  return std::min(xs, ys);
}
std::int32_t TPcbPad::GetCornerRadiusOnLayer(Layer L) const { return ReadPadLayer(L) ? CornerRadiusOnLayer[L] : 0; }

pcbgeom::TCorners TPcbPad::CornersOnLayer(Layer L, std::int32_t E) const {
  LoadLayer(L);
  if (!IsPadLayer(L)) return pcbgeom::TCorners{};
  const std::int64_t grow = 2 * static_cast<std::int64_t>(E);
  const std::int64_t w = static_cast<std::int64_t>(XSizeOnLayer[L]) + grow;
  const std::int64_t h = static_cast<std::int64_t>(YSizeOnLayer[L]) + grow;
  // A pad of height 0 turns with its rotation like any other pad.
  return pcbgeom::RectangleCorners(X, Y, w, h, Rotation, pcbgeom::TFlatRectangle::Turned);
}

#define TQ_LAYER_VALUE(result, Name)
#define TQ_LAYER_CORNER(Name, axis, index) \
  std::int32_t TPcbPad::Get##Name##OnLayer(Layer L, std::int32_t E) const { return CornersOnLayer(L, E).axis[index]; }
#include "pcb/LayerValues.inc"
#undef TQ_LAYER_VALUE
#undef TQ_LAYER_CORNER

namespace {

// The centre line of a pad shape of sizes xs, ys at (x, y) turned by
// rotation: along the longer side, shortened by half the shorter size at
// both ends. A rotation that is not finite counts as 0.
TLine PadCentreLine(std::int32_t x, std::int32_t y, std::int32_t xs, std::int32_t ys, double rotation) {
  const std::int64_t b = xs / 2;
  const std::int64_t c = ys / 2;
  if (b == c) return TLine{x, y, x, y};
  const long double cx = x;
  const long double cy = y;
  if (c < b) {
    const long double a = pcbgeom::Radians(pcbgeom::FiniteDegrees(rotation));
    const long double d = static_cast<long double>(b - c);
    const pcbgeom::TSinCos t = pcbgeom::SinCos(a);
    const long double dx = t.Cos * d;
    const long double dy = t.Sin * d;
    return TLine{pcbgeom::RoundHalfEven(cx - dx), pcbgeom::RoundHalfEven(cy - dy), pcbgeom::RoundHalfEven(cx + dx),
                 pcbgeom::RoundHalfEven(cy + dy)};
  }
  const long double a = pcbgeom::Radians(90.0L - pcbgeom::FiniteDegrees(rotation));
  const long double d = static_cast<long double>(c - b);
  const pcbgeom::TSinCos t = pcbgeom::SinCos(a);
  const long double dx = t.Cos * d;
  const long double dy = t.Sin * d;
  return TLine{pcbgeom::RoundHalfEven(cx - dx), pcbgeom::RoundHalfEven(cy + dy), pcbgeom::RoundHalfEven(cx + dx),
               pcbgeom::RoundHalfEven(cy - dy)};
}

TLine PadCentreLineOnLayer(const TPcbPad& pad, Layer L) {
  if (!IsPadLayer(L)) return TLine{0, 0, 0, 0};
  return PadCentreLine(pad.X, pad.Y, pad.XSizeOnLayer[L], pad.YSizeOnLayer[L], pad.Rotation);
}

}  // namespace

std::array<std::int32_t, 4> TPcbPad::CentreLineOnLayer(Layer L) const {
  LoadLayer(L);
  const TLine line = PadCentreLineOnLayer(*this, L);
  return {line.X1, line.Y1, line.X2, line.Y2};
}

std::int32_t TPcbPad::GetXOnLayer(Layer L) const { return CentreLineOnLayer(L)[0]; }
std::int32_t TPcbPad::GetYOnLayer(Layer L) const { return CentreLineOnLayer(L)[1]; }
std::int32_t TPcbPad::GetX2OnLayer(Layer L) const { return CentreLineOnLayer(L)[2]; }
std::int32_t TPcbPad::GetY2OnLayer(Layer L) const { return CentreLineOnLayer(L)[3]; }

std::int32_t TPcbPad::GetPowerPlaneExpansion() const { return PowerPlaneExpansionOf(Handle); }

std::uint8_t TPcbPad::GetPlaneConnection() const {
  std::uint8_t style = 0;
  PcbApi_QueryPad_PwrGnd(Handle, &style);
  return style;
}

// ---------------------------------------------------------------------------
// TPcbVia

TPcbVia::TPcbVia(THandle handle) : TPCBObject(handle) { ObjectKind = kViaObject; }

std::int32_t TPcbVia::Query(TMode Mode) {
  QueryBitFields(Mode);
  TLayerByte layer = GetLayer();
  const std::int32_t result =
      PcbApi_QueryVia(Mode, Handle, &Flags, &HostWord, &layer, &NetHandle, &HostByte, &ComponentHandle, &X, &Y, &Size,
                      &HoleSize, &LowLayer, &HighLayer, &SideFlag1, &SideFlag2);
  SetLayer(layer);
  return result;
}

bool TPcbVia::GetSideFlag1() const { return SideFlag1 != 0; }
void TPcbVia::SetSideFlag1(bool Value) { SideFlag1 = Value ? 1 : 0; }
bool TPcbVia::GetSideFlag2() const { return SideFlag2 != 0; }
void TPcbVia::SetSideFlag2(bool Value) { SideFlag2 = Value ? 1 : 0; }
std::int32_t TPcbVia::GetSize() const { return Size; }
void TPcbVia::SetSize(std::int32_t Value) { Size = Value; }
std::int32_t TPcbVia::GetHoleSize() const { return HoleSize; }
void TPcbVia::SetHoleSize(std::int32_t Value) { HoleSize = Value; }
Layer TPcbVia::GetLowLayer() const { return LowLayer; }
Layer TPcbVia::GetHighLayer() const { return HighLayer; }
void TPcbVia::SetLowLayer(Layer Value) { LowLayer = Value; }
void TPcbVia::SetHighLayer(Layer Value) { HighLayer = Value; }

std::int32_t TPcbVia::GetSizeOnLayer(Layer L) const {
  TReadFailureIsAnswer noSize;  // a via without a size on a layer
  std::int32_t xs = 0;
  std::int32_t ys = 0;
  if (PcbApi_QueryPadOrViaSizeOnLayer(Handle, L, &xs, &ys) != 0) return 0;
  return xs;
}

std::uint8_t TPcbVia::GetShapeOnLayer(Layer L) const {
  TReadFailureIsAnswer noShape;  // a via without a shape on a layer
  std::uint8_t shape = 0;
  if (PcbApi_QueryPadOrViaShapeOnLayer(Handle, L, &shape) != 0) return 0;
  return shape;
}

std::int32_t TPcbVia::GetPowerPlaneExpansion() const { return PowerPlaneExpansionOf(Handle); }

THostRef<IPcbVia> TPcbVia::GetViaInterface() const {
  THostRef<IPcbVia> via;
  THostRef<IPcbServer> server = GetPcbServer();
  if (!server) return via;
  CheckHost(server->GetInterfaceForHandle(Handle, IID_IPcbVia, via.ReceiveVoid()),
            THostOperation::IPcbServer_GetInterfaceForHandle);
  return via;
}

namespace {

// The answers of the host's via interface, one interface call per question.
class THostViaAnswers final : public TViaLayerAnswers {
 public:
  explicit THostViaAnswers(THostRef<IPcbVia> via) : FVia(std::move(via)) {}
  bool Known() const override { return static_cast<bool>(FVia); }
  bool ReachesLayer(Layer L) override {
    if (!FVia) return false;
    std::uint8_t answer = 0;
    CheckHost(FVia->ReachesLayer(LayerToLayerCode(L), &answer), THostOperation::IPcbVia_ReachesLayer);
    return answer != 0;
  }
  bool ConnectsToPlane(Layer L) override {
    if (!FVia) return false;
    std::uint8_t connects = 0;
    CheckHost(FVia->ConnectsToPlane(LayerToLayerCode(L), &connects), THostOperation::IPcbVia_ConnectsToPlane);
    return connects != 0;
  }
  std::int32_t ConnectionStyle(Layer L) override {
    if (!FVia) return 0;
    std::int32_t style = 0;
    CheckHost(FVia->ConnectionStyle(LayerToLayerCode(L), &style), THostOperation::IPcbVia_ConnectionStyle);
    return style;
  }

 private:
  THostRef<IPcbVia> FVia;
};

}  // namespace

std::uint8_t TPcbVia::GetStackMode() const {
  std::uint8_t mode = 0;
  PcbApi_QueryViaStackMode(1, Handle, &mode);
  return mode;
}

std::unique_ptr<TViaLayerAnswers> TPcbVia::LayerAnswers() const {
  return std::make_unique<THostViaAnswers>(GetViaInterface());
}

// ---------------------------------------------------------------------------
// TPcbTrack

TPcbTrack::TPcbTrack(THandle handle) : TPCBObject(handle) { ObjectKind = kTrackObject; }

std::int32_t TPcbTrack::Query(TMode Mode) {
  QueryBitFields(Mode);
  return PcbApi_QueryTrack(Mode, Handle, &Flags, &HostWord, &LayerCode, &NetHandle, &HostByte, &ComponentHandle, &X, &Y,
                           &X2, &Y2, &Width, &ExtraValue1, &ExtraValue2, &ExtraValue3);
}

void TPcbTrack::MoveBy(std::int32_t DX, std::int32_t DY) {
  TPCBObject::MoveBy(DX, DY);
  X2 = pcbgeom::SaturatingAdd(X2, DX);
  Y2 = pcbgeom::SaturatingAdd(Y2, DY);
}

std::int32_t TPcbTrack::GetX2() const { return X2; }
std::int32_t TPcbTrack::GetY2() const { return Y2; }
std::int32_t TPcbTrack::GetWidth() const { return Width; }
std::int32_t TPcbTrack::GetExtraValue1() const { return ExtraValue1; }
std::int32_t TPcbTrack::GetExtraValue2() const { return ExtraValue2; }
std::int32_t TPcbTrack::GetExtraValue3() const { return ExtraValue3; }
void TPcbTrack::SetX2(std::int32_t Value) { X2 = Value; }
void TPcbTrack::SetY2(std::int32_t Value) { Y2 = Value; }
void TPcbTrack::SetWidth(std::int32_t Value) { Width = Value; }
void TPcbTrack::SetExtraValue1(std::int32_t Value) { ExtraValue1 = Value; }
void TPcbTrack::SetExtraValue2(std::int32_t Value) { ExtraValue2 = Value; }
void TPcbTrack::SetExtraValue3(std::int32_t Value) { ExtraValue3 = Value; }

// ---------------------------------------------------------------------------
// TPcbArc

TPcbArc::TPcbArc(THandle handle) : TPCBObject(handle) { ObjectKind = kArcObject; }

std::int32_t TPcbArc::Query(TMode Mode) {
  QueryBitFields(Mode);
  return PcbApi_QueryArc(Mode, Handle, &Flags, &HostWord, &LayerCode, &NetHandle, &HostByte, &ComponentHandle, &X, &Y,
                         &Radius, &StartAngle, &EndAngle, &LineWidth, &ExtraValue1);
}

std::int32_t TPcbArc::GetRadius() const { return Radius; }
double TPcbArc::GetStartAngle() const { return StartAngle; }
double TPcbArc::GetEndAngle() const { return EndAngle; }
std::int32_t TPcbArc::GetLineWidth() const { return LineWidth; }
std::int32_t TPcbArc::GetExtraValue1() const { return ExtraValue1; }
void TPcbArc::SetRadius(std::int32_t Value) { Radius = Value; }
void TPcbArc::SetStartAngle(double Value) { StartAngle = Value; }
void TPcbArc::SetEndAngle(double Value) { EndAngle = Value; }
void TPcbArc::SetLineWidth(std::int32_t Value) { LineWidth = Value; }
void TPcbArc::SetExtraValue1(std::int32_t Value) { ExtraValue1 = Value; }

namespace {

std::int32_t ArcPointCoordinate(std::int32_t centre, std::int32_t radius, long double sinOrCos) {
  return pcbgeom::SaturatingAdd(pcbgeom::RoundHalfEven(sinOrCos * static_cast<long double>(radius)), centre);
}

// Equal bits, so that a NaN angle (which counts as 0) is found again.
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

pcbgeom::TSinCos AngleSinCos(double degrees) {
  return pcbgeom::SinCos(pcbgeom::Radians(pcbgeom::NormaliseDegrees(degrees)));
}

}  // namespace

pcbgeom::TSinCos TPcbArc::StartSinCos() const {
  if (!FStartKept || !SameBits(FStartKeptDegrees, StartAngle)) {
    const pcbgeom::TSinCos v = AngleSinCos(StartAngle);
    FStartSin = v.Sin;
    FStartCos = v.Cos;
    FStartKeptDegrees = StartAngle;
    FStartKept = true;
  }
  return pcbgeom::TSinCos{FStartSin, FStartCos};
}

pcbgeom::TSinCos TPcbArc::EndSinCos() const {
  if (!FEndKept || !SameBits(FEndKeptDegrees, EndAngle)) {
    const pcbgeom::TSinCos v = AngleSinCos(EndAngle);
    FEndSin = v.Sin;
    FEndCos = v.Cos;
    FEndKeptDegrees = EndAngle;
    FEndKept = true;
  }
  return pcbgeom::TSinCos{FEndSin, FEndCos};
}

std::int32_t TPcbArc::GetStartX() const { return ArcPointCoordinate(X, Radius, StartSinCos().Cos); }
std::int32_t TPcbArc::GetStartY() const { return ArcPointCoordinate(Y, Radius, StartSinCos().Sin); }
std::int32_t TPcbArc::GetEndX() const { return ArcPointCoordinate(X, Radius, EndSinCos().Cos); }
std::int32_t TPcbArc::GetEndY() const { return ArcPointCoordinate(Y, Radius, EndSinCos().Sin); }

// ---------------------------------------------------------------------------
// TPcbFill

TPcbFill::TPcbFill(THandle handle) : TPCBObject(handle) { ObjectKind = kFillObject; }

std::int32_t TPcbFill::Query(TMode Mode) {
  QueryBitFields(Mode);
  return PcbApi_QueryFill(Mode, Handle, &Flags, &HostWord, &LayerCode, &NetHandle, &HostByte, &ComponentHandle, &X, &Y,
                          &X2, &Y2, &ExtraValue1, &Rotation);
}

void TPcbFill::MoveBy(std::int32_t DX, std::int32_t DY) {
  TPCBObject::MoveBy(DX, DY);
  X2 = pcbgeom::SaturatingAdd(X2, DX);
  Y2 = pcbgeom::SaturatingAdd(Y2, DY);
}

std::int32_t TPcbFill::GetX2() const { return X2; }
std::int32_t TPcbFill::GetY2() const { return Y2; }
std::int32_t TPcbFill::GetExtraValue1() const { return ExtraValue1; }
double TPcbFill::GetRotation() const { return Rotation; }
void TPcbFill::SetX2(std::int32_t Value) { X2 = Value; }
void TPcbFill::SetY2(std::int32_t Value) { Y2 = Value; }
void TPcbFill::SetExtraValue1(std::int32_t Value) { ExtraValue1 = Value; }
void TPcbFill::SetRotation(double Value) { Rotation = Value; }

// ---------------------------------------------------------------------------
// TPcbText

TPcbText::TPcbText(THandle handle) : TPCBObject(handle), FontName("Arial") { ObjectKind = kTextObject; }

std::int32_t TPcbText::Query(TMode Mode) {
  QueryBitFields(Mode);
  PcbApi_QueryText(Mode, Handle, &Flags, &HostWord, &LayerCode, &NetHandle, &HostByte, &ComponentHandle, &X, &Y,
                   &Height, &TextValue, &Rotation, &TextFlag, &Text, &LineWidth, &ExtraValue2, &ExtraValue3);
  std::int32_t result = PcbApi_QueryTrueTypeTextInfo(Mode, Handle, &UseTrueType, &FontName, &TrueTypeByte1,
                                                     &TrueTypeByte2, &TrueTypeByte3, &TrueTypeValue);
  // Whatever the mode: the display text only ever comes from the host.
  PcbApi_GetDesignatorDisplayString(DisplayText, Handle);
  if (PcbApi_QueryBarCodeTextInfo(Mode, Handle, &BarCodeByte1, &BarCodeByte2, &BarCodeByte3, &BarCodeByte4) == 1)
    result = 1;
  return result;
}

std::int32_t TPcbText::GetSize() const { return Height; }
std::int32_t TPcbText::GetTextValue() const { return TextValue; }
double TPcbText::GetRotation() const { return Rotation; }
bool TPcbText::GetTextFlag() const { return TextFlag != 0; }
std::string TPcbText::GetText() const { return Text.str(); }
std::int32_t TPcbText::GetWidth() const { return LineWidth; }
std::int32_t TPcbText::GetLineWidth() const { return LineWidth; }
std::int32_t TPcbText::GetExtraValue2() const { return ExtraValue2; }
std::int32_t TPcbText::GetExtraValue3() const { return ExtraValue3; }
void TPcbText::SetSize(std::int32_t Value) { Height = Value; }
void TPcbText::SetTextValue(std::int32_t Value) { TextValue = Value; }
void TPcbText::SetRotation(double Value) { Rotation = Value; }
void TPcbText::SetTextFlag(bool Value) { TextFlag = Value ? 1 : 0; }
void TPcbText::SetText(std::string_view Value) {
  Text.Assign(Value.substr(0, std::min<std::size_t>(Value.size(), 254)));
}
void TPcbText::SetLineWidth(std::int32_t Value) { LineWidth = Value; }
void TPcbText::SetExtraValue2(std::int32_t Value) { ExtraValue2 = Value; }
void TPcbText::SetExtraValue3(std::int32_t Value) { ExtraValue3 = Value; }

// ---------------------------------------------------------------------------
// TPcbComponent

TPcbComponent::TPcbComponent(THandle handle) : TPcbGroupObject(handle) { ObjectKind = kComponentObject; }

std::int32_t TPcbComponent::Query(TMode Mode) {
  QueryBitFields(Mode);
  PcbApi_QueryComponentChannelOffset(Mode, Handle, &ChannelOffset);
  PcbApi_QueryComponentKind(Mode, Handle, &ComponentKind);
  TLayerByte layer = GetLayer();
  TShortStringExchange text(ComponentText);  // a 250-character field
  const std::int32_t result = PcbApi_QueryComponent(
      Mode, Handle, &Flags, &HostWord, &layer, &HostByte, &DesignatorHandle, &CommentHandle, text.get(),
      &ComponentByte1, &ComponentByte2, &X, &Y, &ComponentValue1, &Rotation, &ComponentByte3);
  text.CopyBack();
  SetLayer(layer);
  PcbApi_QueryComponentEx(Mode, Handle, &ComponentValue2, &ComponentByte4, &ComponentByte5, &ComponentValue3);
  PcbApi_QueryComponentSourceLinks(Mode, Handle, &SourceLinks[0], &SourceLinks[1], &SourceLinks[2], &SourceLinks[3],
                                   &SourceLinks[4], &SourceLinks[5], &SourceLinks[6], &SourceLinks[7]);
  PcbApi_QueryDefaultPCB3DModel(Mode, Handle, &Default3DModel);
  return result;
}

std::string TPcbComponent::GetName() const { return GetObjectText(DesignatorHandle); }
double TPcbComponent::GetRotation() const { return Rotation; }

// ---------------------------------------------------------------------------
// TPcbNet

TPcbNet::TPcbNet(THandle handle) : TPcbGroupObject(handle) { ObjectKind = kNetObject; }

std::int32_t TPcbNet::Query(TMode Mode) {
  QueryBitFields(Mode);
  return PcbApi_QueryNet(Mode, Handle, &HostWord, &Name, &NetByte1, &NetByte2);
}

std::string TPcbNet::GetName() const { return Name.str(); }
