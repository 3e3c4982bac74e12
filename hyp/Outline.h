#pragma once
// The board outline as a reader takes it: the PERIMETER lines of the BOARD
// section, whose first closed loop a reader takes for the board's edge and
// every later loop for a cut-out, joining ends whose coordinates print
// equal. ArrangeOutline decides the order the pieces are written in and the
// ends that are written as one point; docs/interop.md ("The board outline")
// gives the rules.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One outline piece in host units: a segment from (X1, Y1) to (X2, Y2), or
// an arc about (XC, YC) of radius R, counter-clockwise from StartAngle at
// (X1, Y1) to EndAngle at (X2, Y2) (degrees).
struct TOutlinePiece {
  bool Arc = false;
  std::int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  std::int32_t XC = 0, YC = 0, R = 0;
  double StartAngle = 0.0, EndAngle = 0.0;
  // The printed X1, Y1, X2, Y2 (PrintedLengthKey), set by ArrangeOutline.
  std::array<std::int32_t, 4> Printed{};
};

// What arranging had to do, for the messages at the end of the run: a
// count and one example ("X=... Y=...", as the file prints the point) each.
struct TOutlineNotes {
  std::size_t Moved = 0;  // pieces of the edge written before the cut-outs
  std::string MovedExample;
  std::size_t Stray = 0;  // pieces of no closed loop written after the loops
  std::string StrayExample;
  std::size_t Joined = 0;  // ends written with another piece's end
  std::string JoinedExample;
  std::size_t Open = 0;  // ends whose point no other end shares
  std::string OpenExample;
  std::size_t Branches = 0;    // points where three ends or more meet
  std::size_t BranchEnds = 0;  // the ends at the example's point
  std::string BranchExample;
};

// A host length as the file prints it (FormatLength), as a whole number:
// its digits, or for a text with a minus sign the digits' negative less one
// ("-0.0000" is -1). Equal texts give equal keys; PrintedLengthText gives
// the text back.
std::int64_t PrintedLengthKey(std::int32_t value);
std::string PrintedLengthText(std::int64_t key);
// Sets the piece's Printed ends from its own coordinates, as they print
// before any end is joined.
void SetPrintedEnds(TOutlinePiece& piece);

// Arranges the pieces, given in the order the host yields them (tracks,
// then arcs), for writing, and returns the order to write them in:
//  - two loose ends (no other end prints like either) of different pieces
//    less than 10 micrometres (3937 host units) apart, each the only such
//    end near the other, are joined: where one ends an arc and the other a
//    track, the track's end takes the arc's coordinates; otherwise the later
//    end takes the earlier one's;
//  - when the pieces form more than one closed loop (ends joined where they
//    print equal), the loop whose box holds every other loop's box (the
//    edge) comes first, then the other closed loops, then the pieces of no
//    closed loop, each group in the order given; with one closed loop or
//    none, the order given.
// Ends that meet nothing and points where three ends or more meet are
// counted in `notes`, as are the pieces moved.
std::vector<std::size_t> ArrangeOutline(std::vector<TOutlinePiece>& pieces, TOutlineNotes& notes);
