#pragma once
// A board for the tests of the PCB server library and its interfaces, loaded
// into the library linked into the test.
#include <gtest/gtest.h>

#include <string>

#include "sim/SimControl.h"

namespace simtest {

inline constexpr const char* kBoard = R"({
  "board": {"text": "TEST BOARD"},
  "layers": [
    {"layer": "TopLayer", "name": "Top Layer", "copper": "1.4mil",
     "dielectric": {"height": "8mil", "constant": 4.2, "material": "Prepreg"}},
    {"layer": "InternalPlane1", "name": "GND Plane", "net": "GND", "copper": "0.7mil"},
    {"layer": "InternalPlane2", "name": "VCC Plane", "net": "VCC", "present": false},
    {"layer": "BottomLayer", "name": "Bottom Layer"}
  ],
  "nets": ["GND", "VCC", "SIG"],
  "components": [{"designator": "U1", "comment": "HYPERLYNX IC", "pads": [
      {"name": "1", "hole": "30mil", "net": "GND"},
      {"name": "2", "hole": "30mil", "net": "SIG"}]}],
  "pads": [{"name": "TP1", "x": "5mil", "layer": "BottomLayer", "net": "SIG"}],
  "vias": [{"x": "100mil", "y": "200mil", "size": "24mil", "hole": "12mil", "net": "GND"},
           {"net": "SIG", "from": "TopLayer", "to": "InternalPlane1"}],
  "tracks": [{"x1": "1mil", "x2": "2mil", "width": "8mil", "layer": "TopLayer", "net": "SIG"},
             {"layer": "BottomLayer", "net": "SIG"},
             {"layer": "TopLayer", "net": "GND"}],
  "arcs": [{"x": "10mil", "radius": "5mil", "startAngle": -90, "endAngle": 90, "net": "SIG"}],
  "outline": [{"x2": "1in"}, {"x1": "1in", "x2": "1in", "y2": "1in"}, {"x": "1in", "y": "1in", "radius": "1mil"}],
  "classes": [{"name": "Power", "members": ["GND", "VCC"]}],
  "objects": [{"kind": "region", "layer": "TopLayer", "net": "SIG"}, {"kind": "polygon", "layer": "TopLayer"}]
})";

// Loads kBoard (or another document) and puts the host back to its start.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { Load(kBoard); }
  void TearDown() override {
    Sim_Reset();
    Sim_Workspace_Reset();
  }
  static void Load(const std::string& json) {
    char error[512];
    ASSERT_EQ(Sim_LoadBoardText(json.c_str(), "board.json", error, sizeof error), 1) << error;
    Sim_Reset();
    Sim_Workspace_Reset();
  }
  static std::int32_t Net(const char* name) { return Sim_FindObject(8, name); }
  static std::int32_t Board() { return Sim_GetBoardHandle(); }
};

}  // namespace simtest
