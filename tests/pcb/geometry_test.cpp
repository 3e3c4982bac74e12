// Geometry of the object model: turned rectangles, pad shapes on a layer,
// pad centre lines and arc end points. No host is needed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "RoundHalfEvenCheck.h"
#include "SinCosCheck.h"
#include "pcb/PcbGeometry.h"
#include "pcb/Pcbclass.h"

namespace {

struct Point {
  std::int32_t x, y;
  friend bool operator==(const Point&, const Point&) = default;
};

std::ostream& operator<<(std::ostream& os, const Point& p) { return os << "(" << p.x << ", " << p.y << ")"; }

Point Corner(const TPCBObject& o, int n, std::int32_t e) {
  switch (n) {
    case 1:
      return {o.GetCorner1X(e), o.GetCorner1Y(e)};
    case 2:
      return {o.GetCorner2X(e), o.GetCorner2Y(e)};
    case 3:
      return {o.GetCorner3X(e), o.GetCorner3Y(e)};
    default:
      return {o.GetCorner4X(e), o.GetCorner4Y(e)};
  }
}

Point PadCorner(const TPcbPad& p, Layer L, int n, std::int32_t e) {
  switch (n) {
    case 1:
      return {p.GetCorner1XOnLayer(L, e), p.GetCorner1YOnLayer(L, e)};
    case 2:
      return {p.GetCorner2XOnLayer(L, e), p.GetCorner2YOnLayer(L, e)};
    case 3:
      return {p.GetCorner3XOnLayer(L, e), p.GetCorner3YOnLayer(L, e)};
    default:
      return {p.GetCorner4XOnLayer(L, e), p.GetCorner4YOnLayer(L, e)};
  }
}

std::unique_ptr<TPcbFill> MakeFill(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                   double rotation) {
  auto f = std::make_unique<TPcbFill>(1);
  f->X = x1;
  f->Y = y1;
  f->X2 = x2;
  f->Y2 = y2;
  f->Rotation = rotation;
  return f;
}

TEST(RoundHalfEven, TiesGoToEvenAndNothingIsUndefined) {
  EXPECT_EQ(pcbgeom::RoundHalfEven(0.5L), 0);
  EXPECT_EQ(pcbgeom::RoundHalfEven(1.5L), 2);
  EXPECT_EQ(pcbgeom::RoundHalfEven(2.5L), 2);
  EXPECT_EQ(pcbgeom::RoundHalfEven(-0.5L), 0);
  EXPECT_EQ(pcbgeom::RoundHalfEven(-1.5L), -2);
  EXPECT_EQ(pcbgeom::RoundHalfEven(-2.5000001L), -3);
  EXPECT_EQ(pcbgeom::RoundHalfEven(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(pcbgeom::RoundHalfEven(std::numeric_limits<long double>::infinity()), 0);
  EXPECT_EQ(pcbgeom::RoundHalfEven(1e30L), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(pcbgeom::RoundHalfEven(-1e30L), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(pcbgeom::RoundHalfEven(2147483646.5L), 2147483646);
}

// Rounding decided on the bits of the value, against its definition.
TEST(RoundHalfEven, AgreesWithTheFloorDefinitionEverywhere) {
  const tqtest::TRoundingCheck check = tqtest::CheckRoundHalfEven(200000);
  EXPECT_GT(check.compared, 2000000u);
  EXPECT_EQ(check.mismatches, 0u);
}

TEST(RectangleCorners, UnturnedCornersRunLeftBottomToRightTop) {
  const auto f = MakeFill(0, 0, 100, 50, 0);
  EXPECT_EQ(Corner(*f, 1, 0), (Point{0, 0}));
  EXPECT_EQ(Corner(*f, 2, 0), (Point{100, 0}));
  EXPECT_EQ(Corner(*f, 3, 0), (Point{0, 50}));
  EXPECT_EQ(Corner(*f, 4, 0), (Point{100, 50}));
  // Grown by E on every side; the points may come in any order.
  const auto g = MakeFill(100, 50, 0, 0, 0);
  EXPECT_EQ(Corner(*g, 1, 10), (Point{-10, -10}));
  EXPECT_EQ(Corner(*g, 4, 10), (Point{110, 60}));
}

TEST(RectangleCorners, TurnCounterClockwiseAboutTheCentre) {
  const auto f = MakeFill(0, 0, 100, 50, 90);
  EXPECT_EQ(Corner(*f, 1, 0), (Point{75, -25}));
  EXPECT_EQ(Corner(*f, 2, 0), (Point{75, 75}));
  EXPECT_EQ(Corner(*f, 3, 0), (Point{25, -25}));
  EXPECT_EQ(Corner(*f, 4, 0), (Point{25, 75}));
  const auto h = MakeFill(0, 0, 100, 50, 180);
  EXPECT_EQ(Corner(*h, 1, 0), (Point{100, 50}));
  EXPECT_EQ(Corner(*h, 4, 0), (Point{0, 0}));
}

TEST(RectangleCorners, FlatAndDegenerateRectangles) {
  // Two coincident points: all corners are the centre.
  const auto dot = MakeFill(40, -20, 40, -20, 33);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(Corner(*dot, n, 0), (Point{40, -20}));
  // Height 0: the corners lie on the centre line whatever the rotation, and
  // the half width rounds half to even (-0.5 -> 0, 2.5 -> 2). The centre is
  // made of integer halves, each truncated: 7 div 2 + 7 div 2 = 6.
  TPcbTrack t(1);
  t.X = 0;
  t.Y = 7;
  t.X2 = 3;
  t.Y2 = 7;
  EXPECT_EQ(Corner(t, 1, 0), (Point{0, 6}));
  EXPECT_EQ(Corner(t, 2, 0), (Point{2, 6}));
  EXPECT_EQ(Corner(t, 3, 0), (Point{0, 6}));
  t.X = -3;
  t.X2 = -3;
  EXPECT_EQ(Corner(t, 4, 0), (Point{-2, 6}));
}

TEST(RectangleCorners, HostileValuesGiveDefinedResults) {
  const auto nan = MakeFill(0, 0, 100, 50, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(Corner(*nan, 1, 0), (Point{0, 0}));  // counts as unturned
  const auto inf = MakeFill(0, 0, 100, 50, -std::numeric_limits<double>::infinity());
  EXPECT_EQ(Corner(*inf, 4, 0), (Point{100, 50}));
  const std::int32_t big = std::numeric_limits<std::int32_t>::max();
  const auto huge = MakeFill(-big - 1, -big - 1, big, big, 0);
  EXPECT_EQ(Corner(*huge, 4, big), (Point{big, big}));
  EXPECT_EQ(Corner(*huge, 1, big).x, -big - 1);
}

TEST(PadOnLayer, CornersWidthAndRadiusFromTheLayersArrays) {
  TPcbPad pad(1);
  pad.X = 1000;
  pad.Y = 2000;
  pad.XSizeOnLayer[3] = 60;
  pad.YSizeOnLayer[3] = 20;
  pad.CornerRadiusOnLayer[3] = 4;
  EXPECT_EQ(PadCorner(pad, 3, 1, 0), (Point{970, 1990}));
  EXPECT_EQ(PadCorner(pad, 3, 4, 5), (Point{1035, 2015}));
  EXPECT_EQ(pad.GetWidthOnLayer(3), 20);
  EXPECT_EQ(pad.GetCornerRadiusOnLayer(3), 4);
  pad.Rotation = 90;
  EXPECT_EQ(PadCorner(pad, 3, 1, 0), (Point{1010, 1970}));
  // Another layer has its own (here empty) shape: no layer filter for pads.
  EXPECT_EQ(PadCorner(pad, 4, 1, 0), (Point{1000, 2000}));
}

TEST(PadOnLayer, AZeroHeightPadTurnsWithItsRotation) {
  TPcbPad pad(1);
  pad.X = 1000;
  pad.Y = 0;
  pad.XSizeOnLayer[1] = 100;
  pad.YSizeOnLayer[1] = 0;
  EXPECT_EQ(PadCorner(pad, 1, 1, 0), (Point{950, 0}));  // unturned: the flat line
  EXPECT_EQ(PadCorner(pad, 1, 2, 0), (Point{1050, 0}));
  pad.Rotation = 90;  // the limit of a thin pad: a vertical line, no jump
  EXPECT_EQ(PadCorner(pad, 1, 1, 0), (Point{1000, -50}));
  EXPECT_EQ(PadCorner(pad, 1, 2, 0), (Point{1000, 50}));
  pad.YSizeOnLayer[1] = 2;
  EXPECT_EQ(PadCorner(pad, 1, 1, 0), (Point{1001, -50}));
  // A negative growth that cancels the height takes the same road.
  pad.YSizeOnLayer[1] = 10;
  EXPECT_EQ(PadCorner(pad, 1, 1, -5), (Point{1000, -45}));
  // Nothing left at all: the centre.
  pad.XSizeOnLayer[1] = 10;
  EXPECT_EQ(PadCorner(pad, 1, 4, -5), (Point{1000, 0}));
}

TEST(PadOnLayer, CentreLineRunsAlongTheLongerSide) {
  TPcbPad pad(1);
  pad.X = 1000;
  pad.Y = 500;
  pad.XSizeOnLayer[1] = 100;  // B = 50
  pad.YSizeOnLayer[1] = 40;   // C = 20: along X, half length 30
  EXPECT_EQ((Point{pad.GetXOnLayer(1), pad.GetYOnLayer(1)}), (Point{970, 500}));
  EXPECT_EQ((Point{pad.GetX2OnLayer(1), pad.GetY2OnLayer(1)}), (Point{1030, 500}));
  pad.XSizeOnLayer[2] = 40;
  pad.YSizeOnLayer[2] = 100;  // along Y: the first end is the upper one
  EXPECT_EQ((Point{pad.GetXOnLayer(2), pad.GetYOnLayer(2)}), (Point{1000, 530}));
  EXPECT_EQ((Point{pad.GetX2OnLayer(2), pad.GetY2OnLayer(2)}), (Point{1000, 470}));
  pad.Rotation = 90;
  EXPECT_EQ((Point{pad.GetXOnLayer(1), pad.GetYOnLayer(1)}), (Point{1000, 470}));
  EXPECT_EQ((Point{pad.GetXOnLayer(2), pad.GetYOnLayer(2)}), (Point{970, 500}));
  // A square pad (also 41 by 40: the halves are truncated) is a point.
  pad.XSizeOnLayer[5] = 41;
  pad.YSizeOnLayer[5] = 40;
  EXPECT_EQ((Point{pad.GetXOnLayer(5), pad.GetYOnLayer(5)}), (Point{1000, 500}));
  EXPECT_EQ((Point{pad.GetX2OnLayer(5), pad.GetY2OnLayer(5)}), (Point{1000, 500}));
}

TEST(ArcEnds, AnglesAreNormalisedBeforeTheEndsAreTaken) {
  TPcbArc arc(1);
  arc.Radius = 100;
  arc.StartAngle = -90;
  arc.EndAngle = 720;  // 360 after normalising
  EXPECT_EQ((Point{arc.GetStartX(), arc.GetStartY()}), (Point{0, -100}));
  EXPECT_EQ((Point{arc.GetEndX(), arc.GetEndY()}), (Point{100, 0}));
  arc.X = 10;
  arc.Y = 20;
  arc.StartAngle = 180;
  arc.EndAngle = -630;  // 90
  EXPECT_EQ((Point{arc.GetStartX(), arc.GetStartY()}), (Point{-90, 20}));
  EXPECT_EQ((Point{arc.GetEndX(), arc.GetEndY()}), (Point{10, 120}));
}

TEST(ArcEnds, HostileAnglesEndAndGiveDefinedResults) {
  TPcbArc arc(1);
  arc.Radius = 100;
  arc.StartAngle = std::numeric_limits<double>::quiet_NaN();
  arc.EndAngle = std::numeric_limits<double>::infinity();
  EXPECT_EQ((Point{arc.GetStartX(), arc.GetStartY()}), (Point{100, 0}));
  EXPECT_EQ((Point{arc.GetEndX(), arc.GetEndY()}), (Point{100, 0}));
  arc.StartAngle = 1e300;  // would never leave a subtract-360 loop
  arc.GetStartX();
  arc.StartAngle = -1e300;
  arc.GetStartY();
}

// Arc end points whose centre plus radius leave the int32 range, and moves
// past the limits, stop at the limit instead of wrapping around.
TEST(ArcEnds, EndsAndMovesBeyondTheInt32RangeSaturate) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  struct Case {
    std::int32_t x, y, radius;
    double start, end;
    Point startPoint, endPoint;
  };
  const Case cases[] = {
      {kMax - 10, kMin + 10, 100, 0, 270, {kMax, kMin + 10}, {kMax - 10, kMin}},
      {kMin + 10, kMax - 10, 100, 180, 90, {kMin, kMax - 10}, {kMin + 10, kMax}},
      {kMax, kMax, kMax, 0, 90, {kMax, kMax}, {kMax, kMax}},
      {kMin, kMin, kMax, 180, 270, {kMin, kMin}, {kMin, kMin}},
      {0, 0, kMax, 0, 180, {kMax, 0}, {-kMax, 0}},  // inside the range: exact
  };
  for (const Case& c : cases) {
    TPcbArc arc(1);
    arc.X = c.x;
    arc.Y = c.y;
    arc.Radius = c.radius;
    arc.StartAngle = c.start;
    arc.EndAngle = c.end;
    EXPECT_EQ((Point{arc.GetStartX(), arc.GetStartY()}), c.startPoint) << c.x << " " << c.y << " " << c.start;
    EXPECT_EQ((Point{arc.GetEndX(), arc.GetEndY()}), c.endPoint) << c.x << " " << c.y << " " << c.end;
  }

  TPcbTrack track(1);
  track.X = kMax - 5;
  track.Y = kMin + 5;
  track.X2 = kMin + 5;
  track.Y2 = kMax - 5;
  track.MoveBy(10, -10);
  EXPECT_EQ((Point{track.X, track.Y}), (Point{kMax, kMin}));
  EXPECT_EQ((Point{track.X2, track.Y2}), (Point{kMin + 15, kMax - 15}));
  track.MoveBy(kMin, kMax);
  EXPECT_EQ((Point{track.X, track.Y}), (Point{-1, -1}));
  EXPECT_EQ((Point{track.X2, track.Y2}), (Point{kMin, kMax}));
  const auto fill = MakeFill(kMin, kMax, 0, 0, 0);
  fill->MoveBy(-1, 1);
  EXPECT_EQ((Point{fill->X, fill->Y}), (Point{kMin, kMax}));
  EXPECT_EQ((Point{fill->X2, fill->Y2}), (Point{-1, 1}));
}

TEST(SinCos, OneCallGivesExactlyTheBitsOfSeparateCalls) { EXPECT_EQ(tqtest::CountSinCosMismatches(2000000), 0u); }

}  // namespace
