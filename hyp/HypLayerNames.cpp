#include "hyp/HypLayerNames.h"

std::array<std::string, kLayerCount> HypLayerNames;

std::string GetHypLayerName(int layer) {
  if (layer < 0 || layer >= kLayerCount) return {};
  return HypLayerNames[static_cast<std::size_t>(layer)];
}

std::string MakeHypLayerName(std::string name) {
  if (name.size() > 255) name.resize(255);
  for (char& c : name)
    if (c == ' ') c = '_';
  return name;
}
