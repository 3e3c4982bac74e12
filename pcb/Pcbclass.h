#pragma once
// The program's own copy of the objects of the board open in the host.
//
// Each object mirrors one object of the host's PCB server library and is named
// by the host's handle. Query(1) reads it: the host writes every field through
// its own pointer, with exactly the field's width; Query(0) hands the same
// fields back to the host. The copy keeps the host's values unchanged: lengths
// in host units (1/10000 mil), angles in degrees, the layer as a LayerCode.
//
// Layout rules:
//  - The records are packed (no alignment gaps) because the host writes each
//    field through a pointer of exactly that field's width.
//  - Only trivially copyable values are stored inline. What an object owns
//    (outline buffers, data blocks, member lists) lives on the heap behind a
//    TPackedOwner, so that a misaligned field never holds a non-trivial object.
//  - The order of the virtual operations below is the order every board object
//    shares; subclasses only replace entries, TPcbPad alone appends one.
//
// Objects live for one use: created for a handle (usually by CreatePcbObject),
// read, consulted and freed by their creator. They are not copyable and are
// used on the host's calling thread only.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "host/CountedString.h"
#include "host/HostAccess.h"
#include "host/PcbApi.h"
#include "host/RT_PCB.h"
#include "pcb/PcbGeometry.h"

// The host's object kind codes (only the low 7 bits are meaningful).
using TObjectKind = std::uint8_t;
inline constexpr TObjectKind kArcObject = 1;
inline constexpr TObjectKind kPadObject = 2;
inline constexpr TObjectKind kViaObject = 3;
inline constexpr TObjectKind kTrackObject = 4;
inline constexpr TObjectKind kTextObject = 5;
inline constexpr TObjectKind kFillObject = 6;
inline constexpr TObjectKind kFromToObject = 7;
inline constexpr TObjectKind kNetObject = 8;
inline constexpr TObjectKind kComponentObject = 9;
inline constexpr TObjectKind kPolyObject = 10;
inline constexpr TObjectKind kRegionObject = 11;
inline constexpr TObjectKind kComponentBodyObject = 12;
inline constexpr TObjectKind kDimensionObject = 13;
inline constexpr TObjectKind kCoordinateObject = 14;
inline constexpr TObjectKind kClassObject = 15;
inline constexpr TObjectKind kRuleObject = 16;
inline constexpr TObjectKind kManualFromToObject = 17;
inline constexpr TObjectKind kDifferentialPairObject = 18;
inline constexpr TObjectKind kViolationObject = 19;
inline constexpr TObjectKind kEmbeddedObject = 20;
inline constexpr TObjectKind kEmbeddedBoardObject = 21;
inline constexpr TObjectKind kSplitPlaneObject = 22;
inline constexpr TObjectKind kBoardOutlineObject = 26;

// A set of object kinds: bit k stands for kind k (kinds 0 to 31).
using TObjectKindSet = std::uint32_t;
constexpr TObjectKindSet KindSetOf(std::initializer_list<TObjectKind> kinds) {
  TObjectKindSet s = 0;
  for (TObjectKind k : kinds)
    if (k < 32) s |= TObjectKindSet{1} << k;
  return s;
}

// The host's shape code of a rounded rectangle, the one shape that carries a
// corner radius percentage.
inline constexpr std::uint8_t kRoundedRectangleShape = 9;
// Number of per-layer entries of a pad: one per Layer 0..82.
inline constexpr int kPadLayerCount = kLayerCount;

#pragma pack(push, 1)

// Sole owner of one heap object, for use as a field of a packed record: the
// holder itself has alignment 1, so it may sit at any offset. Move-only.
template <typename T>
class TPackedOwner {
 public:
  TPackedOwner() = default;
  explicit TPackedOwner(T* p) : p_(p) {}
  TPackedOwner(const TPackedOwner&) = delete;
  TPackedOwner& operator=(const TPackedOwner&) = delete;
  ~TPackedOwner() { delete p_; }
  void Reset(T* p = nullptr) {
    T* old = p_;
    p_ = p;
    delete old;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// The same for an array of bytes (outline buffers, data blocks).
template <>
class TPackedOwner<std::uint8_t[]> {
 public:
  TPackedOwner() = default;
  explicit TPackedOwner(std::size_t size) : p_(new std::uint8_t[size]()) {}
  TPackedOwner(const TPackedOwner&) = delete;
  TPackedOwner& operator=(const TPackedOwner&) = delete;
  ~TPackedOwner() { delete[] p_; }
  std::uint8_t* get() const { return p_; }

 private:
  std::uint8_t* p_ = nullptr;
};

// A bound method: an operation together with the object it operates on. The
// iteration of PcbIteration.h calls its callback in this form. Trivially
// copyable and without alignment needs, so it can be a field of a packed
// container. Code == nullptr is the empty callback, which does nothing.
struct TIterationCallback {
  void (*Code)(void* Object, THandle Handle) = nullptr;
  void* Object = nullptr;

  explicit operator bool() const { return Code != nullptr; }
  void operator()(THandle handle) const {
    if (Code != nullptr) Code(Object, handle);
  }
};

// Binds a member function void C::Method(THandle) to an object.
template <auto Method, typename C>
TIterationCallback BindMethod(C& object) {
  return TIterationCallback{[](void* o, THandle h) { (static_cast<C*>(o)->*Method)(h); }, &object};
}

// Binds any callable that takes a handle; the callable must outlive every use
// of the result (for a lambda passed to IterateObjects: the call itself).
template <typename F>
TIterationCallback BindCallable(F& callable) {
  return TIterationCallback{[](void* o, THandle h) { (*static_cast<F*>(o))(h); },
                            const_cast<void*>(static_cast<const void*>(std::addressof(callable)))};
}

// The base of every board object class.
class TPCBObject {
 public:
  // Stores the handle; the subclass stores its kind. Reads nothing: the caller
  // calls Query(1).
  explicit TPCBObject(THandle handle);
  TPCBObject(const TPCBObject&) = delete;
  TPCBObject& operator=(const TPCBObject&) = delete;
  virtual ~TPCBObject();

  // 1. Exchanges all fields with the host (mode 1 reads, 0 writes); returns
  // the host's result (0 = success). Runs the two bit-field exchanges first,
  // then the class's own query.
  virtual std::int32_t Query(TMode Mode);
  // 2. The host's bounding rectangle of the object, in four out-values.
  virtual std::int32_t GetBoundingRectangle(std::int32_t& A, std::int32_t& B, std::int32_t& C, std::int32_t& D) const;
  // 3. Moves the object's location (tracks and fills: both points).
  virtual void MoveBy(std::int32_t DX, std::int32_t DY);
  // 4. True when the host accepts the object from the user (result 0).
  virtual bool ImportFromUserOk();
  // 5. Asks the host to redraw the object; returns its result.
  virtual std::int32_t GraphicallyInvalidate();

  // 6 to 37: flag accessors. Setters change the copy only, except
  // SetFlagsBit3 and SetFlagsBit8Clear, which write the object back at once.
  virtual bool GetFlagsBit4() const;
  virtual bool GetBitField2Bit4() const;
  virtual bool GetBitField2Bit0() const;
  virtual bool GetBitField2Bit1() const;
  virtual bool GetBitField2Bit3() const;
  virtual bool GetBitField2Bit5() const;
  virtual bool GetBitField2Bit6() const;
  virtual void SetFlagsBit4(bool Value);
  virtual bool GetFlagsBit3() const;
  virtual void SetFlagsBit3(bool Value);
  virtual bool GetFlagsBit8Clear() const;
  virtual void SetFlagsBit8Clear(bool Value);
  virtual bool GetBitField3Any() const;
  virtual void SetBitField3Both(bool Value);
  virtual bool GetBitField3Bit1() const;
  virtual void SetBitField3Bit1(bool Value);
  virtual bool GetBitField3Bit2() const;
  virtual void SetBitField3Bit2(bool Value);
  virtual bool GetFlagsBit11() const;
  virtual void SetFlagsBit11(bool Value);
  virtual bool GetFlagsBit13() const;
  virtual void SetFlagsBit13(bool Value);
  virtual bool GetSideFlag1() const;
  virtual void SetSideFlag1(bool Value);
  virtual bool GetSideFlag2() const;
  virtual void SetSideFlag2(bool Value);
  virtual bool GetFlagsBit12() const;
  virtual void SetFlagsBit12(bool Value);
  virtual bool GetFlagsBit14() const;
  virtual void SetFlagsBit14(bool Value);
  virtual bool GetFlagsBit15() const;
  virtual void SetFlagsBit15(bool Value);

  // 38 to 84: getters. The base answers from its own fields or with 0.
  virtual THandle GetHandle() const;
  virtual TObjectKind GetObjectKind() const;
  virtual std::int32_t GetX() const;
  virtual std::int32_t GetY() const;
  virtual std::int32_t GetX2() const;
  virtual std::int32_t GetY2() const;
  virtual std::uint16_t GetFlags() const;
  virtual std::uint16_t GetHostWord() const;
  // The Layer number (0..82) of the object's LayerCode.
  virtual Layer GetLayer() const;
  virtual std::uint8_t GetHostByte() const;
  virtual THandle GetNetHandle() const;
  virtual THandle GetComponentHandle() const;
  virtual std::int32_t GetExtraValue1() const;
  virtual std::int32_t GetExtraValue2() const;
  virtual std::int32_t GetExtraValue3() const;
  virtual std::int32_t GetTopXSize() const;
  virtual std::int32_t GetTopYSize() const;
  virtual std::int32_t GetMidXSize() const;
  virtual std::int32_t GetMidYSize() const;
  virtual std::int32_t GetBotXSize() const;
  virtual std::int32_t GetBotYSize() const;
  virtual std::int32_t GetHoleSize() const;
  virtual std::uint8_t GetTopShape() const;
  virtual std::uint8_t GetMidShape() const;
  virtual std::uint8_t GetBotShape() const;
  virtual std::string GetName() const;
  virtual double GetRotation() const;
  virtual std::int32_t GetWidth() const;
  virtual std::uint8_t GetShape() const;
  virtual std::int32_t GetSize() const;
  virtual std::int32_t GetXSize() const;  // GetSize unless replaced
  virtual std::int32_t GetYSize() const;  // GetSize unless replaced
  virtual Layer GetLowLayer() const;
  virtual Layer GetHighLayer() const;
  virtual std::int32_t GetRadius() const;
  virtual double GetStartAngle() const;
  virtual double GetEndAngle() const;
  virtual std::int32_t GetLineWidth() const;
  // The four out-values of the host's bounding rectangle, asked afresh.
  virtual std::int32_t GetBound1() const;
  virtual std::int32_t GetBound2() const;
  virtual std::int32_t GetBound3() const;
  virtual std::int32_t GetBound4() const;
  virtual std::int32_t GetTextValue() const;
  virtual bool GetTextFlag() const;
  virtual std::string GetText() const;
  virtual bool GetConnectFlag1() const;
  virtual bool GetConnectFlag2() const;

  // 85 to 92: corners of the rectangle from (GetX, GetY) to (GetX2, GetY2),
  // grown by E on every side and turned by GetRotation about its centre.
  virtual std::int32_t GetCorner1X(std::int32_t E) const;
  virtual std::int32_t GetCorner1Y(std::int32_t E) const;
  virtual std::int32_t GetCorner2X(std::int32_t E) const;
  virtual std::int32_t GetCorner2Y(std::int32_t E) const;
  virtual std::int32_t GetCorner3X(std::int32_t E) const;
  virtual std::int32_t GetCorner3Y(std::int32_t E) const;
  virtual std::int32_t GetCorner4X(std::int32_t E) const;
  virtual std::int32_t GetCorner4Y(std::int32_t E) const;
  // 93 to 109: layer-filtered values. The base answers only for the layer
  // whose code is the object's LayerCode and 0 for every other layer; pads
  // answer from their per-layer arrays.
  virtual std::int32_t GetSizeOnLayer(Layer L) const;
  virtual std::int32_t GetXSizeOnLayer(Layer L) const;
  virtual std::int32_t GetYSizeOnLayer(Layer L) const;
  virtual std::uint8_t GetShapeOnLayer(Layer L) const;
  virtual std::int32_t GetWidthOnLayer(Layer L) const;
  virtual std::int32_t GetCorner1XOnLayer(Layer L, std::int32_t E) const;
  virtual std::int32_t GetCorner1YOnLayer(Layer L, std::int32_t E) const;
  virtual std::int32_t GetCorner2XOnLayer(Layer L, std::int32_t E) const;
  virtual std::int32_t GetCorner2YOnLayer(Layer L, std::int32_t E) const;
  virtual std::int32_t GetCorner3XOnLayer(Layer L, std::int32_t E) const;
  virtual std::int32_t GetCorner3YOnLayer(Layer L, std::int32_t E) const;
  virtual std::int32_t GetCorner4XOnLayer(Layer L, std::int32_t E) const;
  virtual std::int32_t GetCorner4YOnLayer(Layer L, std::int32_t E) const;
  virtual std::int32_t GetXOnLayer(Layer L) const;
  virtual std::int32_t GetYOnLayer(Layer L) const;
  virtual std::int32_t GetX2OnLayer(Layer L) const;
  virtual std::int32_t GetY2OnLayer(Layer L) const;

  // 110 to 152: setters, one per getter of 38 to 84 except the bounds. They
  // change the copy only; the host sees a change through a later Query(0).
  // The base stores what it has a field for and ignores the rest.
  virtual void SetHandle(THandle Value);
  virtual void SetObjectKind(TObjectKind Value);
  virtual void SetX(std::int32_t Value);
  virtual void SetY(std::int32_t Value);
  virtual void SetX2(std::int32_t Value);
  virtual void SetY2(std::int32_t Value);
  virtual void SetFlags(std::uint16_t Value);
  virtual void SetHostWord(std::uint16_t Value);
  // Stores LayerToLayerCode(Value) as the object's LayerCode.
  virtual void SetLayer(Layer Value);
  virtual void SetHostByte(std::uint8_t Value);
  virtual void SetNetHandle(THandle Value);
  virtual void SetComponentHandle(THandle Value);
  virtual void SetExtraValue1(std::int32_t Value);
  virtual void SetExtraValue2(std::int32_t Value);
  virtual void SetExtraValue3(std::int32_t Value);
  virtual void SetTopXSize(std::int32_t Value);
  virtual void SetTopYSize(std::int32_t Value);
  virtual void SetMidXSize(std::int32_t Value);
  virtual void SetMidYSize(std::int32_t Value);
  virtual void SetBotXSize(std::int32_t Value);
  virtual void SetBotYSize(std::int32_t Value);
  virtual void SetHoleSize(std::int32_t Value);
  virtual void SetTopShape(std::uint8_t Value);
  virtual void SetMidShape(std::uint8_t Value);
  virtual void SetBotShape(std::uint8_t Value);
  virtual void SetName(std::string_view Value);
  virtual void SetRotation(double Value);
  virtual void SetWidth(std::int32_t Value);
  virtual void SetShape(std::uint8_t Value);
  virtual void SetSize(std::int32_t Value);
  virtual void SetXSize(std::int32_t Value);
  virtual void SetYSize(std::int32_t Value);
  virtual void SetLowLayer(Layer Value);
  virtual void SetHighLayer(Layer Value);
  virtual void SetRadius(std::int32_t Value);
  virtual void SetStartAngle(double Value);
  virtual void SetEndAngle(double Value);
  virtual void SetLineWidth(std::int32_t Value);
  virtual void SetTextValue(std::int32_t Value);
  virtual void SetTextFlag(bool Value);
  virtual void SetText(std::string_view Value);
  virtual void SetConnectFlag1(bool Value);
  virtual void SetConnectFlag2(bool Value);

  // Fields, in the host's order and widths.
  THandle Handle = 0;          // 0 = no host object
  TObjectKind ObjectKind = 0;  // set by each class's constructor
  std::int32_t X = 0;          // location, first point or centre
  std::int32_t Y = 0;
  std::uint16_t Flags = 0;      // the host's flag word
  std::uint8_t BitField2 = 0;   // from PcbApi_GetObjectBitField2
  std::uint16_t BitField3 = 0;  // from PcbApi_GetObjectBitField3
  std::uint16_t HostWord = 0;   // reported first by every query; kept only
  std::uint8_t HostByte = 0;    // reported by the primitive queries; kept only
  THandle NetHandle = 0;        // 0 = no net
  THandle ComponentHandle = 0;  // 0 = free object
  TLayerCode LayerCode = 0;     // the host's LayerCode of the object's layer

 protected:
  // The exchange every Query starts with; the host's results are ignored.
  void QueryBitFields(TMode Mode);
  // Whether L names the object's own layer (the base's layer filter).
  bool IsOwnLayer(Layer L) const;
  // The corners of entries 85 to 92 for growth E.
  pcbgeom::TCorners Corners(std::int32_t E) const;
};

// A pad (kind 2): the sizes and shapes of its three classic layer groups, and
// the per-layer values of the host's padstack, one entry per Layer 0..82.
class TPcbPad : public TPCBObject {
 public:
  explicit TPcbPad(THandle handle);

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
  // Corners of the pad's shape on layer L grown by E, about (X, Y).
  std::int32_t GetCorner1XOnLayer(Layer L, std::int32_t E) const override;
  std::int32_t GetCorner1YOnLayer(Layer L, std::int32_t E) const override;
  std::int32_t GetCorner2XOnLayer(Layer L, std::int32_t E) const override;
  std::int32_t GetCorner2YOnLayer(Layer L, std::int32_t E) const override;
  std::int32_t GetCorner3XOnLayer(Layer L, std::int32_t E) const override;
  std::int32_t GetCorner3YOnLayer(Layer L, std::int32_t E) const override;
  std::int32_t GetCorner4XOnLayer(Layer L, std::int32_t E) const override;
  std::int32_t GetCorner4YOnLayer(Layer L, std::int32_t E) const override;
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

 private:
  pcbgeom::TCorners CornersOnLayer(Layer L, std::int32_t E) const;
};

// The pad class that the padstack table creates.
class TPad : public TPcbPad {
 public:
  explicit TPad(THandle handle) : TPcbPad(handle) {}
  std::int32_t PadTableValue = 0;  // not exchanged with the host
};

// A via (kind 3).
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
  std::int32_t GetPowerPlaneExpansion() const;
  // The host's interface of this via; empty when there is no PCB server.
  // A failing interface call raises EHostError.
  THostRef<IPcbVia> GetViaInterface() const;

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

// The base of the objects that group others. Adds nothing.
class TPcbGroupObject : public TPCBObject {
 public:
  using TPCBObject::TPCBObject;
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

// A region (kind 11).
class TPCBRegion : public TPCBObject {
 public:
  explicit TPCBRegion(THandle handle);
  std::int32_t Query(TMode Mode) override;

  std::int32_t RegionValue1 = 0;
  std::int32_t RegionValue2 = 0;
  std::int32_t RegionValue3 = 0;
  std::int32_t RegionValue4 = 0;
  std::uint8_t RegionByte = 0;
  std::int32_t RegionValue5 = 0;
  std::int32_t RegionValue6 = 0;
};

// A from-to connection (kind 7) from (X, Y) to (X2, Y2).
class TPcbFromTo : public TPCBObject {
 public:
  explicit TPcbFromTo(THandle handle);

  std::int32_t Query(TMode Mode) override;
  std::int32_t GetX2() const override;
  std::int32_t GetY2() const override;
  bool GetConnectFlag1() const override;
  bool GetConnectFlag2() const override;
  void SetX2(std::int32_t Value) override;
  void SetY2(std::int32_t Value) override;
  void SetConnectFlag1(bool Value) override;
  void SetConnectFlag2(bool Value) override;

  std::int32_t X2 = 0;
  std::int32_t Y2 = 0;
  std::uint8_t ConnectFlag1 = 0;
  std::uint8_t ConnectFlag2 = 0;
};

// A manual from-to (kind 17).
class TPcbManualFromTo : public TPCBObject {
 public:
  explicit TPcbManualFromTo(THandle handle);
  std::int32_t Query(TMode Mode) override;

  TShortString FromToText1;
  TShortString FromToText2;
  TShortString FromToText3;
  std::int32_t FromToValue = 0;
};

// A component body (kind 12); exchanged like a plain primitive.
class TPcbComponentBody : public TPCBObject {
 public:
  explicit TPcbComponentBody(THandle handle);
};

// A differential pair (kind 18); exchanged like a plain primitive.
class TPcbDifferentialPair : public TPCBObject {
 public:
  explicit TPcbDifferentialPair(THandle handle);
};

// A coordinate marker (kind 14).
class TPcbCoordinate : public TPcbGroupObject {
 public:
  explicit TPcbCoordinate(THandle handle);
  std::int32_t Query(TMode Mode) override;

  std::int32_t CoordinateValues[6] = {};
};

// One reference of a dimension.
struct TDimensionReference {
  std::int32_t Values[4];
};

inline constexpr int kDimensionReferenceCapacity = 200;

// A dimension (kind 13). Its table holds at most 200 references; the count
// is kept as the host reports it, and only the first 200 references (at most)
// are ever exchanged.
class TPcbDimension : public TPcbGroupObject {
 public:
  explicit TPcbDimension(THandle handle);
  // QueryDimension, the reference count and references, QueryExtDimension;
  // the result is the bitwise and of the two dimension queries' results.
  std::int32_t Query(TMode Mode) override;
  // Number of table entries that the count covers: 0..200.
  int ReferencesInTable() const;

  std::uint8_t DimensionByte1 = 8;
  std::int32_t DimensionValue1 = 0;
  TDimensionRecord Record = {};
  std::int32_t DimensionValue2 = 0;
  std::uint8_t DimensionByte2 = 0;
  std::int32_t DimensionValue3 = 0;
  TShortString DimensionText1;
  std::uint8_t DimensionByte3 = 0;
  std::int32_t DimensionValue4 = 0;
  TShortString DimensionText2;
  TShortString DimensionText3;
  std::uint8_t DimensionEightBytes[8] = {};
  std::int32_t DimensionValue5 = 0;
  std::int32_t DimensionValue6 = 0;
  std::int32_t DimensionValue7 = 0;
  std::uint8_t DimensionByte4 = 0;
  std::int32_t DimensionValue8 = 0;
  std::int32_t DimensionValue9 = 0;
  std::int32_t DimensionValue10 = 0;
  std::uint8_t DimensionByte5 = 0;
  TDimensionReference References[kDimensionReferenceCapacity] = {};
  std::int32_t ReferenceCount = 0;  // as the host reports it
};

// A polygon pour (kind 10). The host fills its outline buffer of 185037
// bytes, which the object owns on the heap.
class TPcbPolygon : public TPcbGroupObject {
 public:
  explicit TPcbPolygon(THandle handle);
  std::int32_t Query(TMode Mode) override;

  std::uint8_t PolygonByte1 = 0;
  std::uint8_t PolygonByte2 = 0;
  std::uint8_t PolygonByte3 = 0;
  std::uint8_t PolygonByte4 = 0;
  std::int32_t PolygonValue1 = 0;
  std::int32_t PolygonValue2 = 0;
  std::int32_t PolygonValue3 = 0;
  std::int32_t PolygonValue4 = 0;
  TPackedOwner<std::uint8_t[]> Outline;  // kPolygonOutlineBytes
  std::uint8_t PolygonByte5 = 0;
  std::uint8_t PolygonByte6 = 0;
};

// The board outline (kind 26), exchanged as a polygon.
class TPcbBoardOutline : public TPcbPolygon {
 public:
  explicit TPcbBoardOutline(THandle handle);
  std::int32_t OutlineValue = 0;  // not exchanged with the host
};

// A split plane (kind 22) with its outline buffer.
class TPcbSplitPlane : public TPcbGroupObject {
 public:
  explicit TPcbSplitPlane(THandle handle);
  std::int32_t Query(TMode Mode) override;

  std::int32_t SplitPlaneValue = 0;
  TPackedOwner<std::uint8_t[]> Outline;  // kPolygonOutlineBytes
  std::uint8_t SplitPlaneByte = 0;
};

// An object class (kind 15): a named list of member names.
class TPCBObjectClass : public TPCBObject {
 public:
  // The largest number of members read from the host in one Query.
  static constexpr std::int32_t kMaxMembers = 100000;

  explicit TPCBObjectClass(THandle handle);
  // QueryClass, then the members. Modes 0 and 2 write: the host's members are
  // removed and ours added in order. Every other mode reads: members are
  // appended (the list is not emptied first) from index 0 on, until the host
  // answers 1 or kMaxMembers are read. The result is the result
  // of the last member call.
  std::int32_t Query(TMode Mode) override;

  TShortString Name;
  std::uint8_t ClassByte1 = 0;
  std::uint8_t ClassByte2 = 0;
  TPackedOwner<std::vector<std::string>> Members;  // never null
};

// An embedded object (kind 20) with its 4096-byte data block.
class TPcbEmbedded : public TPCBObject {
 public:
  explicit TPcbEmbedded(THandle handle);
  std::int32_t Query(TMode Mode) override;

  TShortString EmbeddedText;
  TPackedOwner<std::uint8_t[]> Data;  // kEmbeddedDataBytes
};

// An embedded board (kind 21); created on layer 1.
class TPcbEmbeddedBoard : public TPCBObject {
 public:
  explicit TPcbEmbeddedBoard(THandle handle);
  std::int32_t Query(TMode Mode) override;
  bool GetTextFlag() const override;
  void SetTextFlag(bool Value) override;

  TShortString EmbeddedBoardText;
  std::int32_t EmbeddedBoardValues[4] = {};
  std::uint8_t EmbeddedBoardEightBytes[8] = {};
  std::uint8_t TextFlag = 0;
  std::uint8_t EmbeddedBoardByte = 0;
};

// A design rule (kind 16).
class TPcbRule : public TPCBObject {
 public:
  explicit TPcbRule(THandle handle);
  std::int32_t Query(TMode Mode) override;

  std::uint8_t RuleBytes[7] = {};
  TShortString RuleTexts[4];
  std::uint8_t RuleByte8 = 0;
  std::uint8_t RuleByte9 = 0;
  std::int32_t RuleValues[4] = {};
  TShortString RuleScopeTexts[6];
};

// A rule violation (kind 19).
class TPcbViolation : public TPCBObject {
 public:
  explicit TPcbViolation(THandle handle);
  std::int32_t Query(TMode Mode) override;

  TShortString ViolationText1;
  TShortString ViolationText2;
  std::int32_t ViolationValues[3] = {};
};

#pragma pack(pop)

// A new object of the class for a kind byte as the host reports it (only its
// low 7 bits count), not read; nullptr for a kind without a class.
std::unique_ptr<TPCBObject> CreatePcbObjectOfKind(TObjectKind kind, THandle handle);

// Asks the host for the kind of a handle, creates the object of that kind's
// class and reads it with Query(1) (whose result is not checked). nullptr,
// and nothing read, when the kind has no class.
std::unique_ptr<TPCBObject> CreatePcbObject(THandle handle);

// The GetText of the object of a handle, read afresh; empty for handle 0 or
// a kind without a class.
std::string GetObjectText(THandle handle);
