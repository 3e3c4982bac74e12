// The object model without a host: layout, flags, factory, defaults and the
// guards against values no host should send.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>

#include "host/HostAccess.h"
#include "pcb/Pcbclass.h"

namespace {

std::ptrdiff_t Offset(const void* field, const void* first) {
  return static_cast<const char*>(field) - static_cast<const char*>(first);
}

TEST(PcbObjectLayout, FieldsArePackedInDeclarationOrder) {
  TPcbPad pad(1);
  // The host writes each field through its own pointer; no gaps may appear.
  EXPECT_EQ(Offset(&pad.ObjectKind, &pad.Handle), 4);
  EXPECT_EQ(Offset(&pad.X, &pad.Handle), 5);
  EXPECT_EQ(Offset(&pad.Flags, &pad.Handle), 13);
  EXPECT_EQ(Offset(&pad.BitField3, &pad.Handle), 16);
  EXPECT_EQ(Offset(&pad.HostByte, &pad.Handle), 20);
  EXPECT_EQ(Offset(&pad.LayerCode, &pad.Handle), 29);
  EXPECT_EQ(Offset(&pad.TopXSize, &pad.Handle), 33);
  // Rotation sits between PadByte1 and PadByte2; Name holds 20 characters.
  EXPECT_EQ(Offset(&pad.Rotation, &pad.Name), 22);
  EXPECT_EQ(Offset(&pad.SideFlag2, &pad.SideFlag1), 1);
  EXPECT_EQ(alignof(TPCBObject), 1u);
  EXPECT_EQ(alignof(TNet), 1u);
}

TEST(PcbObjectFlags, AccessorsUseTheirOwnBits) {
  TPcbTrack t(0);
  EXPECT_TRUE(t.GetFlagsBit8Clear());  // a fresh object has no flags

  struct Case {
    void (TPCBObject::*set)(bool);
    bool (TPCBObject::*get)() const;
    std::uint16_t bit;
  };
  const Case cases[] = {{&TPCBObject::SetFlagsBit4, &TPCBObject::GetFlagsBit4, 4},
                        {&TPCBObject::SetFlagsBit11, &TPCBObject::GetFlagsBit11, 11},
                        {&TPCBObject::SetFlagsBit12, &TPCBObject::GetFlagsBit12, 12},
                        {&TPCBObject::SetFlagsBit13, &TPCBObject::GetFlagsBit13, 13},
                        {&TPCBObject::SetFlagsBit14, &TPCBObject::GetFlagsBit14, 14},
                        {&TPCBObject::SetFlagsBit15, &TPCBObject::GetFlagsBit15, 15}};
  for (const Case& c : cases) {
    t.Flags = 0;
    (t.*c.set)(true);
    EXPECT_EQ(+t.Flags, 1 << c.bit) << "bit " << c.bit;
    EXPECT_TRUE((t.*c.get)());
    t.Flags = 0xFFFF;
    (t.*c.set)(false);
    EXPECT_EQ(+t.Flags, 0xFFFF & ~(1 << c.bit)) << "bit " << c.bit;
  }

  // Bit 8 is read as "clear"; setting "clear" to false sets the bit.
  t.Flags = 0;
  t.SetFlagsBit8Clear(false);
  EXPECT_EQ(+t.Flags, 1 << 8);
  EXPECT_FALSE(t.GetFlagsBit8Clear());

  t.SetBitField3Both(true);
  EXPECT_EQ(+t.BitField3, 0x6);
  t.SetBitField3Bit1(false);
  EXPECT_TRUE(t.GetBitField3Any());
  t.BitField2 = 0x7B;  // bits 0, 1, 3, 4, 5, 6
  EXPECT_TRUE(t.GetBitField2Bit0() && t.GetBitField2Bit1() && t.GetBitField2Bit3() && t.GetBitField2Bit4() &&
              t.GetBitField2Bit5() && t.GetBitField2Bit6());
  t.BitField2 = 0x04;
  EXPECT_FALSE(t.GetBitField2Bit0() || t.GetBitField2Bit1() || t.GetBitField2Bit3() || t.GetBitField2Bit4() ||
               t.GetBitField2Bit5() || t.GetBitField2Bit6());
}

TEST(PcbObjectFactory, EachKindGetsItsClass) {
  for (int kind = 0; kind < 128; ++kind) {
    std::unique_ptr<TPCBObject> o = CreatePcbObjectOfKind(static_cast<TObjectKind>(kind), 77);
    const bool hasClass = (kind >= 1 && kind <= 22) || kind == 26;
    ASSERT_EQ(o != nullptr, hasClass) << "kind " << kind;
    if (!o) continue;
    EXPECT_EQ(+o->GetObjectKind(), kind);
    EXPECT_EQ(o->GetHandle(), 77);
  }
  EXPECT_NE(dynamic_cast<TPcbBoardOutline*>(CreatePcbObjectOfKind(26, 1).get()), nullptr);
  EXPECT_NE(dynamic_cast<TPcbManualFromTo*>(CreatePcbObjectOfKind(17, 1).get()), nullptr);
  // The host's bit 7 is not part of the kind.
  EXPECT_NE(dynamic_cast<TPcbPad*>(CreatePcbObjectOfKind(0x82, 1).get()), nullptr);
  EXPECT_EQ(CreatePcbObjectOfKind(0x80 | 23, 1), nullptr);
}

TEST(PcbObjectFactory, WithoutHostNothingIsCreated) {
  EXPECT_EQ(CreatePcbObject(1234), nullptr);  // the kind reads as 0
  EXPECT_EQ(GetObjectText(0), "");
  EXPECT_EQ(GetObjectText(1234), "");
  EXPECT_FALSE(TPcbVia(1).GetViaInterface());  // no PCB server
}

TEST(PcbObjectDefaults, FreshObjectsCarryTheirDefaults) {
  TPcbText text(1);
  EXPECT_EQ(text.FontName.str(), "Arial");
  EXPECT_EQ(+text.TrueTypeValue, 200000);
  TPcbDimension dim(1);
  EXPECT_EQ(+dim.DimensionByte1, 8);
  TPcbEmbeddedBoard eb(1);
  EXPECT_EQ(eb.GetLayer(), kTopLayer);
  TPCBObjectClass cls(1);
  ASSERT_TRUE(cls.Members);
  EXPECT_TRUE(cls.Members->empty());
  // The owned blocks have their full size (ASan checks the last byte).
  TPcbBoardOutline outline(1);
  outline.Outline.get()[kPolygonOutlineBytes - 1] = 1;
  TPcbSplitPlane split(1);
  split.Outline.get()[kPolygonOutlineBytes - 1] = 1;
  TPcbEmbedded embedded(1);
  embedded.Data.get()[kEmbeddedDataBytes - 1] = 1;
}

TEST(PcbObjectSetters, CutTextsAndKeepLayerCodes) {
  TPcbPad pad(1);
  pad.SetName("ABCDEFGHIJKLMNOPQRSTUVWXY");  // 25 characters
  EXPECT_EQ(pad.GetName(), "ABCDEFGHIJKLMNOPQRST");

  TPcbText text(1);
  text.SetText(std::string(300, 'x'));
  EXPECT_EQ(text.GetText().size(), 254u);

  // Base setters store what the base has a field for, nothing else.
  TPcbNet net(1);
  net.SetLayer(kBottomLayer);
  EXPECT_EQ(+net.LayerCode, LayerToLayerCode(kBottomLayer));
  EXPECT_EQ(net.GetLayer(), kBottomLayer);
  net.SetX2(99);
  EXPECT_EQ(net.GetX2(), net.GetX());

  // A via's X and Y sizes are its size.
  TPcbVia via(1);
  via.SetSize(500);
  EXPECT_EQ(via.GetXSize(), 500);
  EXPECT_EQ(via.GetYSize(), 500);
}

TEST(PcbObjectLayers, BaseAnswersOnlyForItsOwnLayer) {
  TPcbTrack t(1);
  t.SetLayer(5);
  t.X = 10;
  t.X2 = 30;
  t.Width = 7;
  EXPECT_EQ(t.GetXOnLayer(5), 10);
  EXPECT_EQ(t.GetX2OnLayer(5), 30);
  EXPECT_EQ(t.GetWidthOnLayer(5), 7);
  EXPECT_EQ(t.GetXOnLayer(6), 0);
  EXPECT_EQ(t.GetWidthOnLayer(6), 0);
  EXPECT_EQ(t.GetCorner2XOnLayer(6, 0), 0);
  EXPECT_EQ(t.GetCorner2XOnLayer(5, 0), t.GetCorner2X(0));
}

TEST(PcbObjectLayers, PadLayerNumbersAbove82AreGuarded) {
  TPcbPad pad(1);
  for (int i = 0; i < kPadLayerCount; ++i) pad.XSizeOnLayer[i] = pad.YSizeOnLayer[i] = 100;
  for (int L : {83, 200, 255}) {
    const Layer layer = static_cast<Layer>(L);
    EXPECT_EQ(pad.GetXSizeOnLayer(layer), 0);
    EXPECT_EQ(pad.GetShapeOnLayer(layer), 0);
    EXPECT_EQ(pad.GetCornerRadiusOnLayer(layer), 0);
    EXPECT_EQ(pad.GetCorner4XOnLayer(layer, 10), 0);
    EXPECT_EQ(pad.GetX2OnLayer(layer), 0);
  }
}

TEST(PcbDimension, ReferenceCountOutsideTheTableIsClamped) {
  TPcbDimension dim(1);
  dim.ReferenceCount = 250;
  EXPECT_EQ(dim.ReferencesInTable(), kDimensionReferenceCapacity);
  dim.ReferenceCount = -3;
  EXPECT_EQ(dim.ReferencesInTable(), 0);
  dim.ReferenceCount = 17;
  EXPECT_EQ(dim.ReferencesInTable(), 17);
}

}  // namespace
