#include "sim/board/Layers.h"

#include <cctype>

#include "host/RT_PCB.h"

namespace sim {
namespace {

std::string Folded(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

// The editor's names are the host's layer vocabulary, shared with the
// exporter's own.
std::string LayerKeyName(int layer) {
  if (layer < 0 || layer > kLastLayer) return {};
  return ::LayerKeyName(static_cast<Layer>(layer));
}

std::string LayerDisplayName(int layer) {
  if (layer < 0 || layer > kLastLayer) return {};
  return LayerCodeName(LayerToLayerCode(layer));
}

std::optional<LayerNumber> ParseLayerName(std::string_view text) {
  if (!text.empty() && text.size() <= 2 && std::isdigit(static_cast<unsigned char>(text[0])) &&
      std::isdigit(static_cast<unsigned char>(text.back()))) {
    int n = 0;
    for (char c : text) n = n * 10 + (c - '0');
    if (n <= kLastLayer) return static_cast<LayerNumber>(n);
    return std::nullopt;
  }
  const std::string wanted = Folded(text);
  if (wanted.empty()) return std::nullopt;
  for (int layer = 0; layer <= kLastLayer; ++layer)
    if (Folded(LayerKeyName(layer)) == wanted || Folded(LayerDisplayName(layer)) == wanted)
      return static_cast<LayerNumber>(layer);
  return std::nullopt;
}

}  // namespace sim
