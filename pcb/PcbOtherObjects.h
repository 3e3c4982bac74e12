#pragma once
// The other board objects (regions, connections, dimensions, polygons,
// classes, embedded objects, rules, violations): those of
// PcbOtherObjects.cpp. Layout rules: PcbObject.h.
#include <cstdint>
#include <string>
#include <vector>

#include "pcb/PcbObject.h"

#pragma pack(push, 1)

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
