#pragma once
// The run's table of HYP layer names, one entry per Layer 0..82: the layer's
// name with every space replaced by "_". An export run fills all entries
// before any section is written; afterwards they are only read.
#include <array>
#include <string>

#include "host/RT_PCB.h"

extern std::array<std::string, kLayerCount> HypLayerNames;

// A copy of the entry of a layer; empty text for a number outside 0..82.
std::string GetHypLayerName(int layer);

// A name as the HYP text carries it: spaces become underscores, cut to 255.
std::string MakeHypLayerName(std::string name);
