#pragma once
// The run's table of HYP layer names, one entry per Layer 0..82: the layer's
// name with every space replaced by "_". An export run fills all entries
// before any section is written; afterwards they are only read.
#include <array>
#include <bitset>
#include <string>

#include "host/RT_PCB.h"
#include "hyp/HypText.h"
#include "hyp/NumberFormat.h"

extern std::array<std::string, kLayerCount> HypLayerNames;

// What SetHypLayerNames did to each layer's name beyond the rule of layer
// names (spaces made "_"): the name as the host gave it, and whether a
// character was replaced, the name shortened or a suffix added.
struct THypLayerNameChange {
  std::string design;
  bool replaced = false;
  bool shortened = false;
  bool suffixed = false;
};
extern std::array<THypLayerNameChange, kLayerCount> HypLayerNameChanges;
// The layers whose names the file holds: every entry read through
// GetHypLayerName or MarkHypLayerNameWritten since SetHypLayerNames.
extern std::bitset<kLayerCount> HypLayerNamesWritten;
inline void MarkHypLayerNameWritten(std::size_t layer) {
  if (layer < kLayerCount) HypLayerNamesWritten.set(layer);
}

// A copy of the entry of a layer (marked as written); empty text for a
// number outside 0..82.
std::string GetHypLayerName(int layer);

// A name as the HYP text carries it: spaces become underscores, cut to
// kHypRecordCapacity.
std::string MakeHypLayerName(std::string name);

// The most characters a layer name takes as a HYP value (quotes included):
// what the longest record that names a layer, the arc of a net, leaves of
// kHypRecordCapacity when every number in it has its widest text. A layer
// name that fits there fits in every record that names it.
inline constexpr std::size_t kLayerValueCapacity =
    kHypRecordCapacity - (sizeof("ARC X1= Y1= X2= Y2= XC= YC= R= W= L=") - 1) - 8 * kLengthTextMax;

// Fills the table from the names of the layers 0..82 as the host gives
// them. Each becomes MakeHypLayerName of it, with the characters that no
// HYP value can carry replaced, shortened to kLayerValueCapacity; and two
// layers never share a name: the copper layers (signal layers, then
// planes) come first, then the others in number order; names written as
// the host gives them are claimed before names that had to change, and a
// name already taken gets a suffix (THypNameSpace::ClaimAll). The two
// layers that are no layers of their own, KeepOutLayer and MultiLayer,
// share theirs, and take it before every other layer.
void SetHypLayerNames(const std::array<std::string, kLayerCount>& names);
