// TPCBObject: the base of every board object, its flag accessors, getters,
// setters and the corners of its rectangle; the object factory.
#include <cstdlib>

#include "host/HostAccess.h"
#include "host/PCBProcs.h"
#include "pcb/Pcbclass.h"

namespace {

template <typename T>
bool BitOf(T value, int bit) {
  return ((static_cast<unsigned>(value) >> bit) & 1u) != 0;
}

// value with one bit set or cleared. Fields are packed, so they are updated
// by assignment, never through a reference.
template <typename T>
T WithBit(T value, int bit, bool on) {
  const unsigned mask = 1u << bit;
  const unsigned v = static_cast<unsigned>(value);
  return static_cast<T>(on ? (v | mask) : (v & ~mask));
}

}  // namespace

TPCBObject::TPCBObject(THandle handle) : Handle(handle) {}

TPCBObject::~TPCBObject() = default;

void TPCBObject::QueryBitFields(TMode Mode) {
  PcbApi_GetObjectBitField2(Mode, Handle, &BitField2);
  PcbApi_GetObjectBitField3(Mode, Handle, &BitField3);
}

bool TPCBObject::IsOwnLayer(Layer L) const { return LayerToLayerCode(L) == LayerCode; }

pcbgeom::TCorners TPCBObject::Corners(std::int32_t E) const {
  const std::int64_t x1 = GetX();
  const std::int64_t y1 = GetY();
  const std::int64_t x2 = GetX2();
  const std::int64_t y2 = GetY2();
  const std::int64_t w = std::llabs(x2 - x1) + 2 * static_cast<std::int64_t>(E);
  const std::int64_t h = std::llabs(y2 - y1) + 2 * static_cast<std::int64_t>(E);
  // Integer halves, each truncated toward zero.
  const std::int64_t cx = x1 / 2 + x2 / 2;
  const std::int64_t cy = y1 / 2 + y2 / 2;
  return pcbgeom::RectangleCorners(cx, cy, w, h, GetRotation());
}

// 1 to 5.

std::int32_t TPCBObject::Query(TMode Mode) {
  QueryBitFields(Mode);
  // Note the order here: ComponentHandle before HostByte.
  return PcbApi_QueryPrimitive(Mode, Handle, &Flags, &HostWord, &LayerCode, &NetHandle, &ComponentHandle, &HostByte);
}

std::int32_t TPCBObject::GetBoundingRectangle(std::int32_t& A, std::int32_t& B, std::int32_t& C,
                                              std::int32_t& D) const {
  return PcbApi_QueryObjectBoundingRectangle(Handle, &A, &B, &C, &D);
}

void TPCBObject::MoveBy(std::int32_t DX, std::int32_t DY) {
  X = pcbgeom::SaturatingAdd(X, DX);
  Y = pcbgeom::SaturatingAdd(Y, DY);
}

bool TPCBObject::ImportFromUserOk() { return PcbApi_QueryObjectImport_FromUser(Handle) == 0; }

std::int32_t TPCBObject::GraphicallyInvalidate() { return PcbApi_QueryObjectGraphicallyInvalidate(Handle); }

// 6 to 37.

bool TPCBObject::GetFlagsBit4() const { return BitOf(Flags, 4); }
bool TPCBObject::GetBitField2Bit4() const { return BitOf(BitField2, 4); }
bool TPCBObject::GetBitField2Bit0() const { return BitOf(BitField2, 0); }
bool TPCBObject::GetBitField2Bit1() const { return BitOf(BitField2, 1); }
bool TPCBObject::GetBitField2Bit3() const { return BitOf(BitField2, 3); }
bool TPCBObject::GetBitField2Bit5() const { return BitOf(BitField2, 5); }
bool TPCBObject::GetBitField2Bit6() const { return BitOf(BitField2, 6); }
void TPCBObject::SetFlagsBit4(bool Value) { Flags = WithBit(Flags, 4, Value); }
bool TPCBObject::GetFlagsBit3() const { return BitOf(Flags, 3); }
void TPCBObject::SetFlagsBit3(bool Value) {
  Flags = WithBit(Flags, 3, Value);
  Query(0);
}
bool TPCBObject::GetFlagsBit8Clear() const { return !BitOf(Flags, 8); }
void TPCBObject::SetFlagsBit8Clear(bool Value) {
  Flags = WithBit(Flags, 8, !Value);
  Query(0);
}
bool TPCBObject::GetBitField3Any() const { return GetBitField3Bit1() || GetBitField3Bit2(); }
void TPCBObject::SetBitField3Both(bool Value) {
  SetBitField3Bit1(Value);
  SetBitField3Bit2(Value);
}
bool TPCBObject::GetBitField3Bit1() const { return BitOf(BitField3, 1); }
void TPCBObject::SetBitField3Bit1(bool Value) { BitField3 = WithBit(BitField3, 1, Value); }
bool TPCBObject::GetBitField3Bit2() const { return BitOf(BitField3, 2); }
void TPCBObject::SetBitField3Bit2(bool Value) { BitField3 = WithBit(BitField3, 2, Value); }
bool TPCBObject::GetFlagsBit11() const { return BitOf(Flags, 11); }
void TPCBObject::SetFlagsBit11(bool Value) { Flags = WithBit(Flags, 11, Value); }
bool TPCBObject::GetFlagsBit13() const { return BitOf(Flags, 13); }
void TPCBObject::SetFlagsBit13(bool Value) { Flags = WithBit(Flags, 13, Value); }
bool TPCBObject::GetSideFlag1() const { return false; }
void TPCBObject::SetSideFlag1(bool) {}
bool TPCBObject::GetSideFlag2() const { return false; }
void TPCBObject::SetSideFlag2(bool) {}
bool TPCBObject::GetFlagsBit12() const { return BitOf(Flags, 12); }
void TPCBObject::SetFlagsBit12(bool Value) { Flags = WithBit(Flags, 12, Value); }
bool TPCBObject::GetFlagsBit14() const { return BitOf(Flags, 14); }
void TPCBObject::SetFlagsBit14(bool Value) { Flags = WithBit(Flags, 14, Value); }
bool TPCBObject::GetFlagsBit15() const { return BitOf(Flags, 15); }
void TPCBObject::SetFlagsBit15(bool Value) { Flags = WithBit(Flags, 15, Value); }

// 38 to 84.

THandle TPCBObject::GetHandle() const { return Handle; }
TObjectKind TPCBObject::GetObjectKind() const { return ObjectKind; }
std::int32_t TPCBObject::GetX() const { return X; }
std::int32_t TPCBObject::GetY() const { return Y; }
std::int32_t TPCBObject::GetX2() const { return X; }
std::int32_t TPCBObject::GetY2() const { return Y; }
std::uint16_t TPCBObject::GetFlags() const { return Flags; }
std::uint16_t TPCBObject::GetHostWord() const { return HostWord; }
Layer TPCBObject::GetLayer() const { return LayerCodeToLayer(LayerCode); }
std::uint8_t TPCBObject::GetHostByte() const { return HostByte; }
THandle TPCBObject::GetNetHandle() const { return NetHandle; }
THandle TPCBObject::GetComponentHandle() const { return ComponentHandle; }
std::int32_t TPCBObject::GetExtraValue1() const { return 0; }
std::int32_t TPCBObject::GetExtraValue2() const { return 0; }
std::int32_t TPCBObject::GetExtraValue3() const { return 0; }
std::int32_t TPCBObject::GetTopXSize() const { return 0; }
std::int32_t TPCBObject::GetTopYSize() const { return 0; }
std::int32_t TPCBObject::GetMidXSize() const { return 0; }
std::int32_t TPCBObject::GetMidYSize() const { return 0; }
std::int32_t TPCBObject::GetBotXSize() const { return 0; }
std::int32_t TPCBObject::GetBotYSize() const { return 0; }
std::int32_t TPCBObject::GetHoleSize() const { return 0; }
std::uint8_t TPCBObject::GetTopShape() const { return 0; }
std::uint8_t TPCBObject::GetMidShape() const { return 0; }
std::uint8_t TPCBObject::GetBotShape() const { return 0; }
std::string TPCBObject::GetName() const { return {}; }
double TPCBObject::GetRotation() const { return 0.0; }
std::int32_t TPCBObject::GetWidth() const { return 0; }
std::uint8_t TPCBObject::GetShape() const { return 0; }
std::int32_t TPCBObject::GetSize() const { return 0; }
std::int32_t TPCBObject::GetXSize() const { return GetSize(); }
std::int32_t TPCBObject::GetYSize() const { return GetSize(); }
Layer TPCBObject::GetLowLayer() const { return 0; }
Layer TPCBObject::GetHighLayer() const { return 0; }
std::int32_t TPCBObject::GetRadius() const { return 0; }
double TPCBObject::GetStartAngle() const { return 0.0; }
double TPCBObject::GetEndAngle() const { return 0.0; }
std::int32_t TPCBObject::GetLineWidth() const { return 0; }

namespace {

// One out-value of the host's bounding rectangle, asked afresh (0 when the
// host writes none).
std::int32_t HostBound(THandle handle, int which) {
  std::int32_t v[4] = {};
  PcbApi_QueryObjectBoundingRectangle(handle, &v[0], &v[1], &v[2], &v[3]);
  return v[which];
}

}  // namespace

std::int32_t TPCBObject::GetBound1() const { return HostBound(Handle, 0); }
std::int32_t TPCBObject::GetBound2() const { return HostBound(Handle, 1); }
std::int32_t TPCBObject::GetBound3() const { return HostBound(Handle, 2); }
std::int32_t TPCBObject::GetBound4() const { return HostBound(Handle, 3); }
std::int32_t TPCBObject::GetTextValue() const { return 0; }
bool TPCBObject::GetTextFlag() const { return false; }
std::string TPCBObject::GetText() const { return {}; }
bool TPCBObject::GetConnectFlag1() const { return false; }
bool TPCBObject::GetConnectFlag2() const { return false; }

// 85 to 109.

// NOLINTBEGIN(bugprone-macro-parentheses): a type and a name
#define TQ_LAYER_VALUE(result, Name) \
  result TPCBObject::Get##Name##OnLayer(Layer L) const { return IsOwnLayer(L) ? Get##Name() : 0; }
#define TQ_LAYER_CORNER(Name, axis, index)                                                    \
  std::int32_t TPCBObject::Get##Name(std::int32_t E) const { return Corners(E).axis[index]; } \
  std::int32_t TPCBObject::Get##Name##OnLayer(Layer L, std::int32_t E) const {                \
    return IsOwnLayer(L) ? Get##Name(E) : 0;                                                  \
  }
// NOLINTEND(bugprone-macro-parentheses)
#include "pcb/LayerValues.inc"
#undef TQ_LAYER_VALUE
#undef TQ_LAYER_CORNER

// 110 to 152.

void TPCBObject::SetHandle(THandle Value) { Handle = Value; }
void TPCBObject::SetObjectKind(TObjectKind Value) { ObjectKind = Value; }
void TPCBObject::SetX(std::int32_t Value) { X = Value; }
void TPCBObject::SetY(std::int32_t Value) { Y = Value; }
void TPCBObject::SetX2(std::int32_t) {}
void TPCBObject::SetY2(std::int32_t) {}
void TPCBObject::SetFlags(std::uint16_t Value) { Flags = Value; }
void TPCBObject::SetHostWord(std::uint16_t Value) { HostWord = Value; }
void TPCBObject::SetLayer(Layer Value) { LayerCode = LayerToLayerCode(Value); }
void TPCBObject::SetHostByte(std::uint8_t Value) { HostByte = Value; }
void TPCBObject::SetNetHandle(THandle Value) { NetHandle = Value; }
void TPCBObject::SetComponentHandle(THandle Value) { ComponentHandle = Value; }
void TPCBObject::SetExtraValue1(std::int32_t) {}
void TPCBObject::SetExtraValue2(std::int32_t) {}
void TPCBObject::SetExtraValue3(std::int32_t) {}
void TPCBObject::SetTopXSize(std::int32_t) {}
void TPCBObject::SetTopYSize(std::int32_t) {}
void TPCBObject::SetMidXSize(std::int32_t) {}
void TPCBObject::SetMidYSize(std::int32_t) {}
void TPCBObject::SetBotXSize(std::int32_t) {}
void TPCBObject::SetBotYSize(std::int32_t) {}
void TPCBObject::SetHoleSize(std::int32_t) {}
void TPCBObject::SetTopShape(std::uint8_t) {}
void TPCBObject::SetMidShape(std::uint8_t) {}
void TPCBObject::SetBotShape(std::uint8_t) {}
void TPCBObject::SetName(std::string_view) {}
void TPCBObject::SetRotation(double) {}
void TPCBObject::SetWidth(std::int32_t) {}
void TPCBObject::SetShape(std::uint8_t) {}
void TPCBObject::SetSize(std::int32_t) {}
void TPCBObject::SetXSize(std::int32_t) {}
void TPCBObject::SetYSize(std::int32_t) {}
void TPCBObject::SetLowLayer(Layer) {}
void TPCBObject::SetHighLayer(Layer) {}
void TPCBObject::SetRadius(std::int32_t) {}
void TPCBObject::SetStartAngle(double) {}
void TPCBObject::SetEndAngle(double) {}
void TPCBObject::SetLineWidth(std::int32_t) {}
void TPCBObject::SetTextValue(std::int32_t) {}
void TPCBObject::SetTextFlag(bool) {}
void TPCBObject::SetText(std::string_view) {}
void TPCBObject::SetConnectFlag1(bool) {}
void TPCBObject::SetConnectFlag2(bool) {}

// The factory.

std::unique_ptr<TPCBObject> CreatePcbObjectOfKind(TObjectKind kind, THandle handle) {
  switch (kind & 0x7F) {
    case kArcObject:
      return std::make_unique<TPcbArc>(handle);
    case kPadObject:
      return std::make_unique<TPcbPad>(handle);
    case kViaObject:
      return std::make_unique<TPcbVia>(handle);
    case kTrackObject:
      return std::make_unique<TPcbTrack>(handle);
    case kTextObject:
      return std::make_unique<TPcbText>(handle);
    case kFillObject:
      return std::make_unique<TPcbFill>(handle);
    case kFromToObject:
      return std::make_unique<TPcbFromTo>(handle);
    case kNetObject:
      return std::make_unique<TPcbNet>(handle);
    case kComponentObject:
      return std::make_unique<TPcbComponent>(handle);
    case kPolyObject:
      return std::make_unique<TPcbPolygon>(handle);
    case kRegionObject:
      return std::make_unique<TPCBRegion>(handle);
    case kComponentBodyObject:
      return std::make_unique<TPcbComponentBody>(handle);
    case kDimensionObject:
      return std::make_unique<TPcbDimension>(handle);
    case kCoordinateObject:
      return std::make_unique<TPcbCoordinate>(handle);
    case kClassObject:
      return std::make_unique<TPCBObjectClass>(handle);
    case kRuleObject:
      return std::make_unique<TPcbRule>(handle);
    case kManualFromToObject:
      return std::make_unique<TPcbManualFromTo>(handle);
    case kDifferentialPairObject:
      return std::make_unique<TPcbDifferentialPair>(handle);
    case kViolationObject:
      return std::make_unique<TPcbViolation>(handle);
    case kEmbeddedObject:
      return std::make_unique<TPcbEmbedded>(handle);
    case kEmbeddedBoardObject:
      return std::make_unique<TPcbEmbeddedBoard>(handle);
    case kSplitPlaneObject:
      return std::make_unique<TPcbSplitPlane>(handle);
    case kBoardOutlineObject:
      return std::make_unique<TPcbBoardOutline>(handle);
    default:
      return nullptr;
  }
}

std::unique_ptr<TPCBObject> CreatePcbObject(THandle handle) {
  std::unique_ptr<TPCBObject> object = CreatePcbObjectOfKind(PcbApi_GetObjectIdFromObjectHandle(handle), handle);
  if (object) object->Query(1);
  return object;
}

std::string GetObjectText(THandle handle) {
  if (handle == 0) return {};
  std::unique_ptr<TPCBObject> object = CreatePcbObject(handle);
  return object ? object->GetText() : std::string();
}
