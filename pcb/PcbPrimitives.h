#pragma once
// The primitives (pad, via, track, arc, fill, text), the component and the
// net: the board objects of PcbPrimitives.cpp. Layout rules: PcbObject.h.
#include <array>
#include <cstdint>
#include <memory>

#include "pcb/PcbObject.h"

// The host's interfaces and their owner (host/HostAccess.h); the model's
// headers only name them.
template <typename T>
class THostRef;
struct IPcbVia;

#pragma pack(push, 1)

// A pad (kind 2): the sizes and shapes of its three classic layer groups, and
// the per-layer values of the host's padstack, one entry per Layer 0..82.
class TPcbPad : public TPCBObject {
 public:
  // When the per-layer values are read from the host.
  enum class TLayerReading : std::uint8_t {
    // With the query, every layer in order (the reading protocol).
    WithTheQuery,
    // One layer the first time a per-layer operation asks for it, all of
    // them before the pad is written back: the same answers, without the
    // 332 host calls for a pad whose per-layer values nobody asks for. The
    // arrays and the three corner percentages hold what has been read so
    // far; LoadAllLayers() completes them.
    OnDemand,
  };

  explicit TPcbPad(THandle handle, TLayerReading reading = TLayerReading::WithTheQuery);

  // QueryPad, then the padstack mode and the per-layer values. Reading fills
  // the per-layer arrays and derives the three corner percentages (layer 1,
  // the last of layers 2..31, layer 32). Writing sends the per-layer values
  // with padstack mode 2, otherwise only the three corner percentages for
  // every layer whose shape is a rounded rectangle. A failing QueryPad ends
  // the exchange at once with its result.
  std::int32_t Query(TMode Mode) override;
  bool GetSideFlag1() const override;
  void SetSideFlag1(bool Value) override;
  bool GetSideFlag2() const override;
  void SetSideFlag2(bool Value) override;
  std::int32_t GetTopXSize() const override;
  std::int32_t GetTopYSize() const override;
  std::int32_t GetMidXSize() const override;
  std::int32_t GetMidYSize() const override;
  std::int32_t GetBotXSize() const override;
  std::int32_t GetBotYSize() const override;
  std::int32_t GetHoleSize() const override;
  std::uint8_t GetTopShape() const override;
  std::uint8_t GetMidShape() const override;
  std::uint8_t GetBotShape() const override;
  std::string GetName() const override;
  double GetRotation() const override;
  // Per-layer values straight from the arrays (no layer filter); 0 for a
  // layer number above 82.
  std::int32_t GetXSizeOnLayer(Layer L) const override;
  std::int32_t GetYSizeOnLayer(Layer L) const override;
  std::uint8_t GetShapeOnLayer(Layer L) const override;
  std::int32_t GetWidthOnLayer(Layer L) const override;  // the smaller size
  // Corners of the pad's shape on layer L grown by E, about (X, Y)
  // (GetCorner1XOnLayer(L, E) ... GetCorner4YOnLayer(L, E)).
#define TQ_LAYER_VALUE(result, Name)
#define TQ_LAYER_CORNER(Name, axis, index) std::int32_t Get##Name##OnLayer(Layer L, std::int32_t E) const override;
#include "pcb/LayerValues.inc"
#undef TQ_LAYER_VALUE
#undef TQ_LAYER_CORNER
  // The two ends of the pad's centre line on layer L (the line along its
  // longer side, shortened by half the shorter size at both ends); the
  // centre for a square pad.
  std::int32_t GetXOnLayer(Layer L) const override;
  std::int32_t GetYOnLayer(Layer L) const override;
  std::int32_t GetX2OnLayer(Layer L) const override;
  std::int32_t GetY2OnLayer(Layer L) const override;
  void SetTopXSize(std::int32_t Value) override;
  void SetTopYSize(std::int32_t Value) override;
  void SetMidXSize(std::int32_t Value) override;
  void SetMidYSize(std::int32_t Value) override;
  void SetBotXSize(std::int32_t Value) override;
  void SetBotYSize(std::int32_t Value) override;
  void SetHoleSize(std::int32_t Value) override;
  void SetTopShape(std::uint8_t Value) override;
  void SetMidShape(std::uint8_t Value) override;
  void SetBotShape(std::uint8_t Value) override;
  void SetName(std::string_view Value) override;  // keeps at most 20 characters
  void SetRotation(double Value) override;
  // 153. The corner radius on layer L; 0 above 82.
  virtual std::int32_t GetCornerRadiusOnLayer(Layer L) const;

  // The plane clearance of the dominant power-plane expansion rule; 0 when
  // there is none.
  std::int32_t GetPowerPlaneExpansion() const;
  // The pad's connection style to the internal planes, as the host reports it.
  std::uint8_t GetPlaneConnection() const;

  std::int32_t TopXSize = 0;
  std::int32_t TopYSize = 0;
  std::int32_t MidXSize = 0;
  std::int32_t MidYSize = 0;
  std::int32_t BotXSize = 0;
  std::int32_t BotYSize = 0;
  std::int32_t HoleSize = 0;
  std::uint8_t TopShape = 0;
  std::uint8_t MidShape = 0;
  std::uint8_t BotShape = 0;
  std::uint8_t TopCornerPercent = 0;
  std::uint8_t MidCornerPercent = 0;
  std::uint8_t BotCornerPercent = 0;
  TString20 Name;
  std::uint8_t PadByte1 = 0;
  double Rotation = 0.0;
  std::uint8_t PadByte2 = 0;
  TString20 PadText1;
  TString20 PadText2;
  std::int32_t PadValue1 = 0;
  TString20 PadText3;
  std::int32_t XSizeOnLayer[kPadLayerCount] = {};
  std::int32_t YSizeOnLayer[kPadLayerCount] = {};
  std::uint8_t ShapeOnLayer[kPadLayerCount] = {};
  std::int32_t CornerRadiusOnLayer[kPadLayerCount] = {};
  std::uint8_t CornerPercentOnLayer[kPadLayerCount] = {};
  std::uint8_t PadStackMode = 0;  // 2 = sizes and shapes set layer by layer
  std::uint8_t PadByte3 = 0;
  std::uint8_t PadByte4 = 0;
  std::int32_t PadValue2 = 0;
  std::int32_t PadValue3 = 0;
  std::int32_t PadValue4 = 0;
  std::uint8_t PadEightBytes[8] = {};
  std::int32_t PadValue5 = 0;
  std::uint8_t SideFlag1 = 0;
  std::uint8_t SideFlag2 = 0;

  // Reads every layer not read yet (nothing for a pad read with its query).
  void LoadAllLayers() const;

 private:
  pcbgeom::TCorners CornersOnLayer(Layer L, std::int32_t E) const;
  // Reads the per-layer values of layer L when they are still to be read;
  // false above 82, where the arrays have no entry.
  bool ReadPadLayer(Layer L) const;
  // X1, Y1, X2, Y2 of the pad's centre line on layer L.
  std::array<std::int32_t, 4> CentreLineOnLayer(Layer L) const;
  // The four per-layer values of layer L from the host, once.
  void LoadLayer(Layer L) const;
  void ExchangeLayer(TMode Mode, Layer L);

  TLayerReading FLayerReading;
  // Layers whose values are still to be read (OnDemand after a query).
  mutable std::uint8_t FLayerPending[kPadLayerCount] = {};
};

// The pad class that the padstack table creates; it reads its per-layer
// values on demand.
class TPad : public TPcbPad {
 public:
  explicit TPad(THandle handle) : TPcbPad(handle, TLayerReading::OnDemand) {}
  std::int32_t PadTableValue = 0;  // not exchanged with the host
};

// A via (kind 3).
// What a via answers about the layers of a stack. A failing question
// raises EHostError.
class TViaLayerAnswers {
 public:
  virtual ~TViaLayerAnswers() = default;
  // Whether the via can answer at all: without the host's via interface it
  // cannot, and every question answers false (or 0).
  virtual bool Known() const = 0;
  // Whether the via's span reaches the layer.
  virtual bool ReachesLayer(Layer L) = 0;
  // Whether the via connects to the plane on the layer.
  virtual bool ConnectsToPlane(Layer L) = 0;
  // How it connects there: 1 a thermal relief, 2 directly; other values
  // name no style.
  virtual std::int32_t ConnectionStyle(Layer L) = 0;
};

class TPcbVia : public TPCBObject {
 public:
  explicit TPcbVia(THandle handle);

  // QueryVia; the layer travels as a Layer byte and comes back through SetLayer.
  std::int32_t Query(TMode Mode) override;
  bool GetSideFlag1() const override;
  void SetSideFlag1(bool Value) override;
  bool GetSideFlag2() const override;
  void SetSideFlag2(bool Value) override;
  std::int32_t GetSize() const override;
  void SetSize(std::int32_t Value) override;
  std::int32_t GetHoleSize() const override;
  void SetHoleSize(std::int32_t Value) override;
  Layer GetLowLayer() const override;
  Layer GetHighLayer() const override;
  void SetLowLayer(Layer Value) override;
  void SetHighLayer(Layer Value) override;
  // Asked from the host on every call: the X size, or the shape, on layer L;
  // 0 when the host reports a failure or writes nothing.
  std::int32_t GetSizeOnLayer(Layer L) const override;
  std::uint8_t GetShapeOnLayer(Layer L) const override;

  // As TPcbPad::GetPowerPlaneExpansion.
  virtual std::int32_t GetPowerPlaneExpansion() const;
  // The host's interface of this via; empty when there is no PCB server.
  // A failing interface call raises EHostError.
  THostRef<IPcbVia> GetViaInterface() const;
  // The via's stack mode, asked from the host on every call: 0 for a via
  // with the same size on every layer; 0 when the host writes nothing.
  virtual std::uint8_t GetStackMode() const;
  // The via's answers about the layers of a stack, from the host's via
  // interface (taken when they are made, released with them). Each
  // question goes to the host when it is asked, so a caller decides which
  // layers to ask about and in which order.
  virtual std::unique_ptr<TViaLayerAnswers> LayerAnswers() const;

  std::int32_t Size = 0;      // via diameter
  std::int32_t HoleSize = 0;  // drill diameter
  std::uint8_t LowLayer = 0;  // Layer numbers of the span's ends, as reported
  std::uint8_t HighLayer = 0;
  std::uint8_t SideFlag1 = 0;
  std::uint8_t SideFlag2 = 0;
};

// A straight track segment (kind 4) from (X, Y) to (X2, Y2).
class TPcbTrack : public TPCBObject {
 public:
  explicit TPcbTrack(THandle handle);

  std::int32_t Query(TMode Mode) override;
  void MoveBy(std::int32_t DX, std::int32_t DY) override;
  std::int32_t GetX2() const override;
  std::int32_t GetY2() const override;
  std::int32_t GetWidth() const override;
  std::int32_t GetExtraValue1() const override;
  std::int32_t GetExtraValue2() const override;
  std::int32_t GetExtraValue3() const override;
  void SetX2(std::int32_t Value) override;
  void SetY2(std::int32_t Value) override;
  void SetWidth(std::int32_t Value) override;
  void SetExtraValue1(std::int32_t Value) override;
  void SetExtraValue2(std::int32_t Value) override;
  void SetExtraValue3(std::int32_t Value) override;

  std::int32_t X2 = 0;
  std::int32_t Y2 = 0;
  std::int32_t Width = 0;
  std::int32_t ExtraValue1 = 0;
  std::int32_t ExtraValue2 = 0;
  std::int32_t ExtraValue3 = 0;
};

// An arc (kind 1) about its centre (X, Y), counter-clockwise from StartAngle
// to EndAngle (degrees).
class TPcbArc : public TPCBObject {
 public:
  explicit TPcbArc(THandle handle);

  std::int32_t Query(TMode Mode) override;
  std::int32_t GetRadius() const override;
  double GetStartAngle() const override;
  double GetEndAngle() const override;
  std::int32_t GetLineWidth() const override;
  std::int32_t GetExtraValue1() const override;
  void SetRadius(std::int32_t Value) override;
  void SetStartAngle(double Value) override;
  void SetEndAngle(double Value) override;
  void SetLineWidth(std::int32_t Value) override;
  void SetExtraValue1(std::int32_t Value) override;

  // The arc's end points: the angle brought into [0, 360], then
  // round(cos/sin(angle) * Radius) + centre, ties to even. The X and Y of
  // one end share one sine-cosine computation: the object keeps the last
  // one of each end, for the angle it was computed from.
  std::int32_t GetStartX() const;
  std::int32_t GetStartY() const;
  std::int32_t GetEndX() const;
  std::int32_t GetEndY() const;

  std::int32_t Radius = 0;
  double StartAngle = 0.0;
  double EndAngle = 0.0;
  std::int32_t LineWidth = 0;
  std::int32_t ExtraValue1 = 0;

 private:
  // The sine and cosine of each end's angle, and the angle (its bits) they
  // belong to; recomputed whenever the angle has changed. Plain fields, read
  // and written by value: the record is packed, so nothing may refer to them.
  pcbgeom::TSinCos StartSinCos() const;
  pcbgeom::TSinCos EndSinCos() const;
  mutable bool FStartKept = false;
  mutable bool FEndKept = false;
  mutable double FStartKeptDegrees = 0.0;
  mutable double FEndKeptDegrees = 0.0;
  mutable long double FStartSin = 0.0L;
  mutable long double FStartCos = 0.0L;
  mutable long double FEndSin = 0.0L;
  mutable long double FEndCos = 0.0L;
};

// A filled rectangle (kind 6) from corner (X, Y) to corner (X2, Y2), turned by
// Rotation about its centre.
class TPcbFill : public TPCBObject {
 public:
  explicit TPcbFill(THandle handle);

  std::int32_t Query(TMode Mode) override;
  void MoveBy(std::int32_t DX, std::int32_t DY) override;
  std::int32_t GetX2() const override;
  std::int32_t GetY2() const override;
  std::int32_t GetExtraValue1() const override;
  double GetRotation() const override;
  void SetX2(std::int32_t Value) override;
  void SetY2(std::int32_t Value) override;
  void SetExtraValue1(std::int32_t Value) override;
  void SetRotation(double Value) override;

  std::int32_t X2 = 0;
  std::int32_t Y2 = 0;
  std::int32_t ExtraValue1 = 0;
  double Rotation = 0.0;
};

// A text (kind 5), among them the designators and comments of components.
class TPcbText : public TPCBObject {
 public:
  explicit TPcbText(THandle handle);

  // QueryText, the TrueType info (whose result is the result), the display
  // string, and the bar code info (a result of 1 there makes the result 1).
  std::int32_t Query(TMode Mode) override;
  std::int32_t GetSize() const override;  // the height
  std::int32_t GetTextValue() const override;
  double GetRotation() const override;
  bool GetTextFlag() const override;
  std::string GetText() const override;
  std::int32_t GetWidth() const override;      // the stroke width
  std::int32_t GetLineWidth() const override;  // the stroke width
  std::int32_t GetExtraValue2() const override;
  std::int32_t GetExtraValue3() const override;
  void SetSize(std::int32_t Value) override;
  void SetTextValue(std::int32_t Value) override;
  void SetRotation(double Value) override;
  void SetTextFlag(bool Value) override;
  void SetText(std::string_view Value) override;  // keeps at most 254 characters
  void SetLineWidth(std::int32_t Value) override;
  void SetExtraValue2(std::int32_t Value) override;
  void SetExtraValue3(std::int32_t Value) override;

  std::int32_t Height = 0;
  std::int32_t TextValue = 0;
  double Rotation = 0.0;
  std::uint8_t TextFlag = 0;
  TShortString Text;
  std::int32_t LineWidth = 0;
  std::int32_t ExtraValue2 = 0;
  std::int32_t ExtraValue3 = 0;
  TCountedString<254> DisplayText;
  std::uint8_t UseTrueType = 0;
  TShortString FontName;  // "Arial" until read
  std::uint8_t TrueTypeByte1 = 0;
  std::uint8_t TrueTypeByte2 = 0;
  std::uint8_t TrueTypeByte3 = 0;
  std::int32_t TrueTypeValue = 200000;  // 20 mil
  std::uint8_t BarCodeByte1 = 0;
  std::uint8_t BarCodeByte2 = 0;
  std::uint8_t BarCodeByte3 = 0;
  std::uint8_t BarCodeByte4 = 0;
};

// A component (kind 9).
class TPcbComponent : public TPcbGroupObject {
 public:
  explicit TPcbComponent(THandle handle);

  // Channel offset, kind, QueryComponent (whose result is the result; the
  // layer travels as a Layer byte), the extended values, the eight source
  // links and the default 3D model.
  std::int32_t Query(TMode Mode) override;
  // The designator: the text of the designator object, read afresh each call.
  std::string GetName() const override;
  double GetRotation() const override;

  std::int32_t ChannelOffset = 0;
  std::int32_t ComponentKind = 0;
  THandle DesignatorHandle = 0;  // the designator's text object
  THandle CommentHandle = 0;     // the comment's text object
  TString250 ComponentText;
  std::uint8_t ComponentByte1 = 0;
  std::uint8_t ComponentByte2 = 0;
  std::int32_t ComponentValue1 = 0;
  double Rotation = 0.0;
  std::uint8_t ComponentByte3 = 0;
  std::int32_t ComponentValue2 = 0;
  std::uint8_t ComponentByte4 = 0;
  std::uint8_t ComponentByte5 = 0;
  std::int32_t ComponentValue3 = 0;
  TShortString SourceLinks[8];
  TShortString Default3DModel;
};

// A net (kind 8).
class TPcbNet : public TPcbGroupObject {
 public:
  explicit TPcbNet(THandle handle);

  std::int32_t Query(TMode Mode) override;
  std::string GetName() const override;

  TShortString Name;
  std::uint8_t NetByte1 = 0;
  std::uint8_t NetByte2 = 0;
};

// The net class that iteration works on: a net with the callback field that
// IterateObjects stores before each call.
class TNet : public TPcbNet {
 public:
  explicit TNet(THandle handle) : TPcbNet(handle) {}
  TIterationCallback Callback;  // not exchanged with the host
};

#pragma pack(pop)
