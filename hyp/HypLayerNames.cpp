#include "hyp/HypLayerNames.h"

#include "hyp/HypText.h"
#include "hyp/NumberFormat.h"

std::array<std::string, kLayerCount> HypLayerNames;

std::string GetHypLayerName(int layer) {
  if (layer < 0 || layer >= kLayerCount) return {};
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
  THypNameSpace space;
  const auto claim = [&](int layer) {
    const auto i = static_cast<std::size_t>(layer);
    HypLayerNames[i] = space.Claim(HypLineText(MakeHypLayerName(names[i])), kLayerValueCapacity);
  };
  // KeepOutLayer and MultiLayer keep their shared name whatever the
  // designer called a layer: a layer named like them gives way.
  claim(kKeepOutLayer);
  for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) claim(layer);
  for (int layer = kInternalPlane1; layer <= kInternalPlane16; ++layer) claim(layer);
  for (int layer = 0; layer < kLayerCount; ++layer) {
    const bool copper =
        (layer >= kTopLayer && layer <= kBottomLayer) || (layer >= kInternalPlane1 && layer <= kInternalPlane16);
    if (copper || layer == kKeepOutLayer) continue;
    if (layer == kMultiLayer && names[static_cast<std::size_t>(layer)] == names[kKeepOutLayer]) {
      HypLayerNames[kMultiLayer] = HypLayerNames[kKeepOutLayer];
      continue;
    }
    claim(layer);
  }
}
