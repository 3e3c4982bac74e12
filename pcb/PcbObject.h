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
  // grown by E on every side and turned by GetRotation about its centre
  // (GetCorner1X(E) ... GetCorner4Y(E)).
  // 93 to 109: layer-filtered values (GetSizeOnLayer(L) ...
  // GetCorner1XOnLayer(L, E) ... GetY2OnLayer(L)), listed in LayerValues.inc.
  // The base answers only for the layer whose code is the object's LayerCode
  // and 0 for every other layer; pads answer from their per-layer arrays.
  // NOLINTBEGIN(bugprone-macro-parentheses): a type and a name
#define TQ_LAYER_VALUE(result, Name) virtual result Get##Name##OnLayer(Layer L) const;
#define TQ_LAYER_CORNER(Name, axis, index)              \
  virtual std::int32_t Get##Name(std::int32_t E) const; \
  virtual std::int32_t Get##Name##OnLayer(Layer L, std::int32_t E) const;
  // NOLINTEND(bugprone-macro-parentheses)
#include "pcb/LayerValues.inc"
#undef TQ_LAYER_VALUE
#undef TQ_LAYER_CORNER

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

// The base of the objects that group others. Adds nothing.
class TPcbGroupObject : public TPCBObject {
 public:
  using TPCBObject::TPCBObject;
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
