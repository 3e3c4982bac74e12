#include "hyp/HypLayerNames.h"

#include <vector>

#include "hyp/HypText.h"
#include "hyp/NumberFormat.h"

std::array<std::string, kLayerCount> HypLayerNames;
std::array<THypLayerNameChange, kLayerCount> HypLayerNameChanges;
std::bitset<kLayerCount> HypLayerNamesWritten;

std::string GetHypLayerName(int layer) {
  if (layer < 0 || layer >= kLayerCount) return {};
  MarkHypLayerNameWritten(static_cast<std::size_t>(layer));
  return HypLayerNames[static_cast<std::size_t>(layer)];
}

std::string MakeHypLayerName(std::string name) {
  if (name.size() > kHypRecordCapacity) name.resize(kHypRecordCapacity);
  for (char& c : name)
    if (c == ' ') c = '_';
  return name;
}

static_assert(kLayerValueCapacity == 147, "the arc record with its numbers at their widest");

void SetHypLayerNames(const std::array<std::string, kLayerCount>& names) {
  HypLayerNamesWritten.reset();
  HypLayerNameChanges = {};
  THypNameSpace space;
  // KeepOutLayer and MultiLayer keep their shared name whatever the
  // designer called a layer: a layer named like them gives way.
  HypLayerNames[kKeepOutLayer] = space.Claim(HypLineText(MakeHypLayerName(names[kKeepOutLayer])), kLayerValueCapacity);
  std::vector<int> order;
  order.reserve(kLayerCount);
  for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) order.push_back(layer);
  for (int layer = kInternalPlane1; layer <= kInternalPlane16; ++layer) order.push_back(layer);
  const auto shared = [&](int layer) {
    return layer == kMultiLayer && names[static_cast<std::size_t>(layer)] == names[kKeepOutLayer];
  };
  for (int layer = 0; layer < kLayerCount; ++layer) {
    const bool copper =
        (layer >= kTopLayer && layer <= kBottomLayer) || (layer >= kInternalPlane1 && layer <= kInternalPlane16);
    if (!copper && layer != kKeepOutLayer && !shared(layer)) order.push_back(layer);
  }
  if (shared(kMultiLayer)) HypLayerNames[kMultiLayer] = HypLayerNames[kKeepOutLayer];

  std::vector<THypNameRequest> requests;
  requests.reserve(order.size());
  for (const int layer : order) {
    const std::string& design = names[static_cast<std::size_t>(layer)];
    const std::string spaced = MakeHypLayerName(design);
    // The spaces made "_" are the rule of layer names, no change to tell;
    // a name that needed only that still counts as changed for the order.
    requests.push_back({design, HypLineText(spaced), kLayerValueCapacity});
    HypLayerNameChanges[static_cast<std::size_t>(layer)].replaced = requests.back().cleaned != spaced;
  }
  const std::vector<THypGivenName> given = space.ClaimAll(requests);
  for (std::size_t k = 0; k < order.size(); ++k) {
    const auto i = static_cast<std::size_t>(order[k]);
    HypLayerNames[i] = given[k].written;
    THypLayerNameChange& change = HypLayerNameChanges[i];
    change.design = names[i];
    change.shortened = given[k].shortened;
    change.suffixed = given[k].suffixed;
  }
}