#include "sim/board/Layers.h"

#include <cctype>
#include <unordered_map>

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
  // Every layer's key name and display name, folded; where two layers share
  // a name the lower number has it.
  static const std::unordered_map<std::string, LayerNumber> kByName = [] {
    std::unordered_map<std::string, LayerNumber> names;
    for (int layer = 0; layer <= kLastLayer; ++layer) {
      names.emplace(Folded(LayerKeyName(layer)), static_cast<LayerNumber>(layer));
      names.emplace(Folded(LayerDisplayName(layer)), static_cast<LayerNumber>(layer));
    }
    names.erase(std::string());
    return names;
  }();
  auto it = kByName.find(Folded(text));
  if (it == kByName.end()) return std::nullopt;
  return it->second;
}

std::optional<LayerCode> ParseExtendedLayerName(std::string_view text) {
  const std::string folded = Folded(text);
  struct Family {
    const char* prefix;
    std::uint64_t first, last;
    LayerCode (*code)(std::uint64_t);
  };
  static const Family kFamilies[] = {{"midlayer", 31, 65533, MidLayerCode},
                                     {"internalplane", 17, 65535, InternalPlaneLayerCode},
                                     {"mechanical", 17, 65535, MechanicalLayerCode}};
  for (const Family& f : kFamilies) {
    const std::string prefix = f.prefix;
    if (folded.size() <= prefix.size() || folded.size() > prefix.size() + 5 || folded.rfind(prefix, 0) != 0) continue;
    std::uint64_t n = 0;
    for (std::size_t i = prefix.size(); i < folded.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(folded[i]))) return std::nullopt;
      n = n * 10 + static_cast<std::uint64_t>(folded[i] - '0');
    }
    if (n < f.first || n > f.last) return std::nullopt;
    return f.code(n);
  }
  return std::nullopt;
}

std::string ObjectLayerName(LayerCode code) {
  if (code <= static_cast<LayerCode>(kLastLayer)) return LayerKeyName(static_cast<int>(code));
  const std::uint32_t tag = code >> 16, n = code & 0xFFFFu;
  if (tag == 0x0101 && n >= 32 && n <= 65534) return "MidLayer" + std::to_string(n - 1);
  if (tag == 0x0104 && n >= 17) return "InternalPlane" + std::to_string(n);
  if (tag == 0x0400 && n >= 17) return "Mechanical" + std::to_string(n);
  return {};
}

}  // namespace sim
