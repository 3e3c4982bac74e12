// The board objects that the export never reads but that the model exchanges
// with the host all the same: regions, from-tos, coordinates, dimensions,
// polygons, split planes, object classes, embedded objects, rules and
// violations.
#include <algorithm>

#include "host/HostAccess.h"
#include "host/PCBProcs.h"
#include "pcb/Pcbclass.h"

// ---------------------------------------------------------------------------
// TPCBRegion

TPCBRegion::TPCBRegion(THandle handle) : TPCBObject(handle) { ObjectKind = kRegionObject; }

std::int32_t TPCBRegion::Query(TMode Mode) {
  QueryBitFields(Mode);
  // The two trailing values go first, in reverse order.
  return PcbApi_QueryRegion(Mode, Handle, &RegionByte, &Flags, &HostWord, &LayerCode, &NetHandle, &HostByte,
                            &ComponentHandle, &RegionValue6, &RegionValue5, &RegionValue1, &RegionValue2, &RegionValue3,
                            &RegionValue4);
}

// ---------------------------------------------------------------------------
// TPcbFromTo

TPcbFromTo::TPcbFromTo(THandle handle) : TPCBObject(handle) { ObjectKind = kFromToObject; }

std::int32_t TPcbFromTo::Query(TMode Mode) {
  QueryBitFields(Mode);
  return PcbApi_QueryFromTo(Mode, Handle, &HostWord, &X, &Y, &ConnectFlag1, &X2, &Y2, &ConnectFlag2, &NetHandle);
}

std::int32_t TPcbFromTo::GetX2() const { return X2; }
std::int32_t TPcbFromTo::GetY2() const { return Y2; }
bool TPcbFromTo::GetConnectFlag1() const { return ConnectFlag1 != 0; }
bool TPcbFromTo::GetConnectFlag2() const { return ConnectFlag2 != 0; }
void TPcbFromTo::SetX2(std::int32_t Value) { X2 = Value; }
void TPcbFromTo::SetY2(std::int32_t Value) { Y2 = Value; }
void TPcbFromTo::SetConnectFlag1(bool Value) { ConnectFlag1 = Value ? 1 : 0; }
void TPcbFromTo::SetConnectFlag2(bool Value) { ConnectFlag2 = Value ? 1 : 0; }

// ---------------------------------------------------------------------------
// TPcbManualFromTo

TPcbManualFromTo::TPcbManualFromTo(THandle handle) : TPCBObject(handle) { ObjectKind = kManualFromToObject; }

std::int32_t TPcbManualFromTo::Query(TMode Mode) {
  QueryBitFields(Mode);
  return PcbApi_QueryManualFromTo(Mode, Handle, &HostWord, &FromToText1, &FromToText2, &FromToText3, &FromToValue);
}

// ---------------------------------------------------------------------------
// Objects exchanged as plain primitives

TPcbComponentBody::TPcbComponentBody(THandle handle) : TPCBObject(handle) { ObjectKind = kComponentBodyObject; }

TPcbDifferentialPair::TPcbDifferentialPair(THandle handle) : TPCBObject(handle) {
  ObjectKind = kDifferentialPairObject;
}

// ---------------------------------------------------------------------------
// TPcbCoordinate

TPcbCoordinate::TPcbCoordinate(THandle handle) : TPcbGroupObject(handle) { ObjectKind = kCoordinateObject; }

std::int32_t TPcbCoordinate::Query(TMode Mode) {
  QueryBitFields(Mode);
  std::int32_t* v = CoordinateValues;
  return PcbApi_QueryCoordinate(Mode, Handle, &Flags, &HostWord, &HostByte, &X, &Y, &LayerCode, &v[0], &v[1], &v[2],
                                &v[3], &v[4], &v[5]);
}

// ---------------------------------------------------------------------------
// TPcbDimension

TPcbDimension::TPcbDimension(THandle handle) : TPcbGroupObject(handle) { ObjectKind = kDimensionObject; }

int TPcbDimension::ReferencesInTable() const {
  const std::int32_t count = ReferenceCount;
  return std::clamp<std::int32_t>(count, 0, kDimensionReferenceCapacity);
}

std::int32_t TPcbDimension::Query(TMode Mode) {
  QueryBitFields(Mode);
  std::int32_t* r = Record.Values;
  const std::int32_t first = PcbApi_QueryDimension(Mode, Handle, &Flags, &HostWord, &HostByte, &X, &Y, &r[1], &r[2],
                                                   &LayerCode, &r[3], &r[4], &r[5], &r[6], &r[7], &DimensionByte5);
  PcbApi_References_Count(Mode, Handle, &ReferenceCount);
  // The count stays as reported; only the table's 200 entries are exchanged.
  const int inTable = ReferencesInTable();
  for (int i = 0; i < inTable; ++i) {
    std::int32_t* v = References[i].Values;
    PcbApi_References_At(Mode, Handle, i, &v[0], &v[1], &v[2], &v[3]);
  }
  const std::int32_t second = PcbApi_QueryExtDimension(
      Mode, Handle, &DimensionByte1, &DimensionValue1, &Record, &DimensionValue2, &DimensionByte2, &DimensionValue3,
      &DimensionText1, &DimensionByte3, &DimensionValue4, &DimensionText2, &DimensionText3, DimensionEightBytes,
      &DimensionValue5, &DimensionValue6, &DimensionValue7, &DimensionByte4, &DimensionValue8, &DimensionValue9,
      &DimensionValue10);
  return first & second;
}

// ---------------------------------------------------------------------------
// TPcbPolygon, TPcbBoardOutline

TPcbPolygon::TPcbPolygon(THandle handle) : TPcbGroupObject(handle), Outline(kPolygonOutlineBytes) {
  ObjectKind = kPolyObject;
}

std::int32_t TPcbPolygon::Query(TMode Mode) {
  QueryBitFields(Mode);
  return PcbApi_QueryPolygon(Mode, Handle, &Flags, &HostWord, &LayerCode, &NetHandle, &HostByte, &PolygonByte2,
                             &PolygonByte3, &PolygonByte4, &PolygonValue1, &PolygonValue2, &PolygonByte5, &PolygonByte6,
                             &PolygonValue3, &PolygonByte1, &PolygonValue4, Outline.get());
}

TPcbBoardOutline::TPcbBoardOutline(THandle handle) : TPcbPolygon(handle) { ObjectKind = kBoardOutlineObject; }

// ---------------------------------------------------------------------------
// TPcbSplitPlane

TPcbSplitPlane::TPcbSplitPlane(THandle handle) : TPcbGroupObject(handle), Outline(kPolygonOutlineBytes) {
  ObjectKind = kSplitPlaneObject;
}

std::int32_t TPcbSplitPlane::Query(TMode Mode) {
  QueryBitFields(Mode);
  return PcbApi_QuerySplitPlane(Mode, Handle, &Flags, &HostWord, &LayerCode, &NetHandle, &HostByte, &SplitPlaneByte,
                                &SplitPlaneValue, Outline.get());
}

// ---------------------------------------------------------------------------
// TPCBObjectClass

TPCBObjectClass::TPCBObjectClass(THandle handle) : TPCBObject(handle), Members(new std::vector<std::string>()) {
  ObjectKind = kClassObject;
}

std::int32_t TPCBObjectClass::Query(TMode Mode) {
  QueryBitFields(Mode);
  std::int32_t result = PcbApi_QueryClass(Mode, Handle, &HostWord, &ClassByte1, &ClassByte2, &Name);
  if (Mode == 0 || Mode == 2) {
    result = PcbApi_RemoveAllMembersFromClass(Handle);
    for (const std::string& member : *Members) result = PcbApi_AddMemberToClass(Handle, member);
    return result;
  }
  // The host answers 1 after the last member. An unbound entry point answers
  // 0 for ever, so the loop also ends after kMaxMembers.
  for (std::int32_t i = 0; i < kMaxMembers; ++i) {
    TShortString member;
    result = PcbApi_GetMemberFromClassAt(Handle, i, &member);
    if (result == 1) break;
    Members->push_back(member.str());
  }
  return result;
}

// ---------------------------------------------------------------------------
// TPcbEmbedded

TPcbEmbedded::TPcbEmbedded(THandle handle) : TPCBObject(handle), Data(kEmbeddedDataBytes) {
  ObjectKind = kEmbeddedObject;
}

std::int32_t TPcbEmbedded::Query(TMode Mode) {
  QueryBitFields(Mode);
  return PcbApi_QueryEmbedded(Mode, Handle, &EmbeddedText, Data.get());
}

// ---------------------------------------------------------------------------
// TPcbEmbeddedBoard

TPcbEmbeddedBoard::TPcbEmbeddedBoard(THandle handle) : TPCBObject(handle) {
  ObjectKind = kEmbeddedBoardObject;
  LayerCode = LayerToLayerCode(kTopLayer);
}

std::int32_t TPcbEmbeddedBoard::Query(TMode Mode) {
  QueryBitFields(Mode);
  std::int32_t* v = EmbeddedBoardValues;
  return PcbApi_QueryEmbeddedBoard(Mode, Handle, &Flags, &HostWord, &HostByte, &X, &Y, &EmbeddedBoardText, &v[0], &v[1],
                                   &v[2], &v[3], EmbeddedBoardEightBytes, &TextFlag, &EmbeddedBoardByte);
}

bool TPcbEmbeddedBoard::GetTextFlag() const { return TextFlag != 0; }
void TPcbEmbeddedBoard::SetTextFlag(bool Value) { TextFlag = Value ? 1 : 0; }

// ---------------------------------------------------------------------------
// TPcbRule

TPcbRule::TPcbRule(THandle handle) : TPCBObject(handle) { ObjectKind = kRuleObject; }

std::int32_t TPcbRule::Query(TMode Mode) {
  QueryBitFields(Mode);
  std::uint8_t* b = RuleBytes;
  TShortString* t = RuleTexts;
  std::int32_t* v = RuleValues;
  TShortString* s = RuleScopeTexts;
  return PcbApi_QueryRule(Mode, Handle, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &t[0], &t[1], &t[2], &t[3],
                          &RuleByte8, &RuleByte9, &v[0], &v[1], &v[2], &v[3], &s[0], &s[1], &s[2], &s[3], &s[4], &s[5]);
}

// ---------------------------------------------------------------------------
// TPcbViolation

TPcbViolation::TPcbViolation(THandle handle) : TPCBObject(handle) { ObjectKind = kViolationObject; }

std::int32_t TPcbViolation::Query(TMode Mode) {
  QueryBitFields(Mode);
  std::int32_t* v = ViolationValues;
  return PcbApi_QueryViolation(Mode, Handle, &ViolationText1, &ViolationText2, &v[0], &v[1], &v[2]);
}
