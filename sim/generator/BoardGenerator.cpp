#include "sim/generator/BoardGenerator.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {
namespace {

constexpr std::int32_t kMil = 10000;  // host units per mil

// A small generator of our own, so that every build and library gives the
// same sequence (splitmix64).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  // lo .. hi
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
  // True with probability perMille / 1000.
  bool Chance(int perMille) { return Below(1000) < perMille; }

 private:
  std::uint64_t state_;
};

// JSON text built by hand: every value here is an integer or a plain name.
struct Json {
  void Raw(const std::string& text) { out += text; }
  std::string out;
};

std::string Q(const std::string& s) { return "\"" + s + "\""; }
std::string N(std::int64_t v) { return std::to_string(v); }

struct Footprint {
  std::int32_t x, y;  // pad size, host units
  std::int32_t pitch;
};

struct PadRef {
  std::int32_t x, y;
  int net;  // -1 none, 0 GND, 1 VCC, 2.. signal nets
};

}  // namespace

std::string GenerateBoardDocument(const GeneratorOptions& options) {
  Random rnd(options.seed);
  const int components = std::max(1, options.components);

  // The stack: 4 to 12 copper layers, of them 2 to 4 planes.
  const int copper = 4 + 2 * rnd.Below(5);
  const int planes = copper >= 12 ? 4 : copper >= 10 ? 3 : 2;
  const int signals = copper - planes;
  std::vector<std::string> stack;
  stack.push_back("TopLayer");
  stack.push_back("InternalPlane1");
  for (int m = 1; m <= signals - 2; ++m) {
    stack.push_back("MidLayer" + std::to_string(m));
    if (m == (signals - 2) / 2 && planes > 2) stack.push_back("InternalPlane3");
  }
  if (planes > 3) stack.push_back("InternalPlane4");
  stack.push_back("InternalPlane2");
  stack.push_back("BottomLayer");
  std::vector<std::string> signalLayers;
  for (const std::string& l : stack)
    if (l.rfind("InternalPlane", 0) != 0) signalLayers.push_back(l);

  const int signalNets = 3 * components - 2;
  const int netCount = signalNets + 2;
  auto netName = [](int n) {
    if (n == 0) return std::string("GND");
    if (n == 1) return std::string("VCC");
    return "N" + std::to_string(n - 1);
  };

  int columns = 1;
  while (columns * columns < components) ++columns;
  const std::int32_t cell = 400 * kMil;
  const std::int32_t width = columns * cell + 400 * kMil;
  const std::int32_t height = ((components + columns - 1) / columns) * cell + 400 * kMil;

  Json j;
  j.Raw("{\n\"description\": " +
        Q("Generated board: seed " + std::to_string(options.seed) + ", " + std::to_string(components) + " components") +
        ",\n");
  j.Raw("\"layers\": [");
  for (std::size_t i = 0; i < stack.size(); ++i) {
    if (i != 0) j.Raw(", ");
    j.Raw("{\"layer\": " + Q(stack[i]));
    if (stack[i] == "InternalPlane1") j.Raw(", \"net\": \"GND\"");
    if (stack[i] == "InternalPlane2") j.Raw(", \"net\": \"VCC\"");
    j.Raw("}");
  }
  j.Raw("],\n\"rules\": {\"planeExpansion\": \"12mil\"},\n\"nets\": [");
  for (int n = 0; n < netCount; ++n) j.Raw((n == 0 ? "" : ", ") + Q(netName(n)));
  j.Raw("],\n");

  // Components with their pads.
  static const Footprint kPassives[] = {{20 * kMil, 22 * kMil, 40 * kMil},
                                        {30 * kMil, 35 * kMil, 60 * kMil},
                                        {40 * kMil, 50 * kMil, 80 * kMil},
                                        {60 * kMil, 65 * kMil, 120 * kMil}};
  static const Footprint kIcPads[] = {
      {12 * kMil, 60 * kMil, 25 * kMil}, {16 * kMil, 70 * kMil, 50 * kMil}, {24 * kMil, 80 * kMil, 50 * kMil}};
  std::vector<PadRef> pads;
  int padCount = 0;
  int nextSignal = 0;
  auto assignNet = [&]() {
    const int r = rnd.Below(100);
    if (r < 15) return 0;
    if (r < 23) return 1;
    if (r < 30) return -1;
    const int n = 2 + (nextSignal / 2) % signalNets;
    ++nextSignal;
    return n;
  };

  j.Raw("\"components\": [\n");
  for (int c = 0; c < components; ++c) {
    const std::int32_t cx = (c % columns) * cell + 400 * kMil;
    const std::int32_t cy = (c / columns) * cell + 400 * kMil;
    const int kind = rnd.Below(100);
    const bool bottom = kind < 65 && rnd.Chance(200);
    const int rotation = rnd.Chance(300) ? 90 : 0;
    std::string designator, comment;
    struct Pad {
      std::int32_t x, y, sx, sy, hole;
      const char* shape;
    };
    std::vector<Pad> own;
    if (kind < 65) {
      const Footprint& f = kPassives[rnd.Below(4)];
      const bool resistor = rnd.Chance(500);
      designator = (resistor ? "R" : "C") + std::to_string(c + 1);
      comment = rnd.Chance(900) ? (resistor ? "HYPERLYNX R" : "HyperLynx C") : "";
      for (int p = 0; p < 2; ++p) {
        const std::int32_t off = (p == 0 ? -f.pitch : f.pitch) / 2;
        own.push_back(rotation == 90 ? Pad{cx, cy + off, f.y, f.x, 0, "rectangle"}
                                     : Pad{cx + off, cy, f.x, f.y, 0, "rectangle"});
      }
    } else if (kind < 95) {
      const Footprint& f = kIcPads[rnd.Below(3)];
      const int count = kind < 87 ? 2 * rnd.Between(3, 7) : 2 * rnd.Between(8, 18);
      designator = "U" + std::to_string(c + 1);
      comment = rnd.Chance(950) ? "HYPERLYNX IC" : "HYPERLYNX XYZ";
      const int perRow = count / 2;
      for (int p = 0; p < count; ++p) {
        const int row = p / perRow;
        const std::int32_t along = (p % perRow - perRow / 2) * f.pitch;
        const std::int32_t across = (row == 0 ? -1 : 1) * 120 * kMil;
        own.push_back(rotation == 90 ? Pad{cx + across, cy + along, f.y, f.x, 0, "rectangle"}
                                     : Pad{cx + along, cy + across, f.x, f.y, 0, "rectangle"});
      }
    } else {
      const int count = rnd.Between(4, 10);
      designator = "J" + std::to_string(c + 1);
      comment = "HYPERLYNX J";
      const std::int32_t hole = (rnd.Chance(500) ? 35 : 40) * kMil;
      for (int p = 0; p < count; ++p)
        own.push_back(
            Pad{cx + (p - count / 2) * 100 * kMil, cy, 65 * kMil, 65 * kMil, hole, p == 0 ? "rectangle" : "round"});
    }
    j.Raw(std::string(c == 0 ? "" : ",\n") + "{\"designator\": " + Q(designator) +
          (comment.empty() ? "" : ", \"comment\": " + Q(comment)) + ", \"x\": " + N(cx) + ", \"y\": " + N(cy) +
          ", \"rotation\": " + N(rotation) + (bottom ? ", \"side\": \"bottom\"" : "") + ", \"pads\": [");
    for (std::size_t p = 0; p < own.size(); ++p) {
      Pad pad = own[p];
      if (options.distinctPads > 0) {
        const int g = padCount++ % options.distinctPads;
        pad.sx = 10 * kMil + (g % 200) * kMil / 10;
        pad.sy = 10 * kMil + (g / 200) * kMil / 10;
      }
      const int net = assignNet();
      pads.push_back({pad.x, pad.y, net});
      j.Raw(std::string(p == 0 ? "" : ", ") + "{\"name\": " + Q(std::to_string(p + 1)) + ", \"x\": " + N(pad.x) +
            ", \"y\": " + N(pad.y) + ", \"shape\": " + Q(pad.shape) + ", \"size\": [" + N(pad.sx) + ", " + N(pad.sy) +
            "]" + (pad.hole != 0 ? ", \"hole\": " + N(pad.hole) : "") +
            (net >= 0 ? ", \"net\": " + Q(netName(net)) : "") + "}");
    }
    j.Raw("]}");
  }
  j.Raw("\n],\n");

  // Routes: per net about 20 segments from one of its pads, changing layer
  // through a via now and then and turning a corner with an arc now and then.
  std::vector<std::int32_t> startX(netCount, -1), startY(netCount, -1);
  for (const PadRef& p : pads)
    if (p.net >= 0 && startX[static_cast<std::size_t>(p.net)] < 0) {
      startX[static_cast<std::size_t>(p.net)] = p.x;
      startY[static_cast<std::size_t>(p.net)] = p.y;
    }
  std::string tracks, arcs, vias;
  auto clampX = [&](std::int32_t v) { return std::clamp(v, 10 * kMil, width - 10 * kMil); };
  auto clampY = [&](std::int32_t v) { return std::clamp(v, 10 * kMil, height - 10 * kMil); };
  for (int n = 0; n < netCount; ++n) {
    std::int32_t x = startX[static_cast<std::size_t>(n)] >= 0 ? startX[static_cast<std::size_t>(n)]
                                                              : clampX(rnd.Between(0, width / kMil) * kMil);
    std::int32_t y = startY[static_cast<std::size_t>(n)] >= 0 ? startY[static_cast<std::size_t>(n)]
                                                              : clampY(rnd.Between(0, height / kMil) * kMil);
    const std::string net = Q(netName(n));
    std::size_t layer = 0;
    const int trackWidth = (n < 2 ? 20 : rnd.Chance(800) ? 6 : 10) * kMil;
    const int segments = rnd.Between(10, 30);
    bool horizontal = rnd.Chance(500);
    for (int s = 0; s < segments; ++s) {
      const std::int32_t length = rnd.Between(20, 300) * kMil * (rnd.Chance(500) ? 1 : -1);
      const std::int32_t nx = horizontal ? clampX(x + length) : x;
      const std::int32_t ny = horizontal ? y : clampY(y + length);
      if (!tracks.empty()) tracks += ",\n";
      tracks += "{\"x1\": " + N(x) + ", \"y1\": " + N(y) + ", \"x2\": " + N(nx) + ", \"y2\": " + N(ny) +
                ", \"width\": " + N(trackWidth) + ", \"layer\": " + Q(signalLayers[layer]) + ", \"net\": " + net + "}";
      x = nx;
      y = ny;
      if (rnd.Chance(33)) {
        // A quarter arc of 50 mil about a centre beside the end point.
        if (!arcs.empty()) arcs += ",\n";
        const int start = 90 * rnd.Below(4);
        arcs += "{\"x\": " + N(clampX(x + 50 * kMil)) + ", \"y\": " + N(y) + ", \"radius\": " + N(50 * kMil) +
                ", \"startAngle\": " + N(start) + ", \"endAngle\": " + N(start + 90) + ", \"width\": " + N(trackWidth) +
                ", \"layer\": " + Q(signalLayers[layer]) + ", \"net\": " + net + "}";
      }
      if (rnd.Chance(130)) {
        // Change layer through a via: mostly through vias, a few blind ones
        // from the top to the first inner signal layer.
        const bool blind = signalLayers.size() > 2 && layer == 0 && rnd.Chance(150);
        if (!vias.empty()) vias += ",\n";
        vias += "{\"x\": " + N(x) + ", \"y\": " + N(y) + ", \"net\": " + net +
                (rnd.Chance(700) ? ", \"size\": \"24mil\", \"hole\": \"12mil\""
                                 : ", \"size\": \"20mil\", \"hole\": \"8mil\"") +
                (blind ? ", \"from\": \"TopLayer\", \"to\": \"MidLayer1\", \"stackMode\": 1" : "") + "}";
        layer = blind ? 1 : static_cast<std::size_t>(rnd.Below(static_cast<int>(signalLayers.size())));
      }
      horizontal = !horizontal;
    }
  }
  j.Raw("\"vias\": [\n" + vias + "\n],\n");
  j.Raw("\"tracks\": [\n" + tracks + "\n],\n");
  j.Raw("\"arcs\": [\n" + arcs + "\n],\n");

  // The outline: a rectangle with rounded corners.
  const std::int32_t r = 100 * kMil;
  j.Raw("\"outline\": [\n");
  j.Raw("{\"x1\": " + N(r) + ", \"y1\": 0, \"x2\": " + N(width - r) + ", \"y2\": 0},\n");
  j.Raw("{\"x1\": " + N(width) + ", \"y1\": " + N(r) + ", \"x2\": " + N(width) + ", \"y2\": " + N(height - r) + "},\n");
  j.Raw("{\"x1\": " + N(width - r) + ", \"y1\": " + N(height) + ", \"x2\": " + N(r) + ", \"y2\": " + N(height) +
        "},\n");
  j.Raw("{\"x1\": 0, \"y1\": " + N(height - r) + ", \"x2\": 0, \"y2\": " + N(r) + "},\n");
  j.Raw("{\"x\": " + N(width - r) + ", \"y\": " + N(r) + ", \"radius\": " + N(r) +
        ", \"startAngle\": 270, \"endAngle\": 360},\n");
  j.Raw("{\"x\": " + N(width - r) + ", \"y\": " + N(height - r) + ", \"radius\": " + N(r) +
        ", \"startAngle\": 0, \"endAngle\": 90},\n");
  j.Raw("{\"x\": " + N(r) + ", \"y\": " + N(height - r) + ", \"radius\": " + N(r) +
        ", \"startAngle\": 90, \"endAngle\": 180},\n");
  j.Raw("{\"x\": " + N(r) + ", \"y\": " + N(r) + ", \"radius\": " + N(r) +
        ", \"startAngle\": 180, \"endAngle\": 270}\n");
  j.Raw("]\n}\n");
  return std::move(j.out);
}

std::string GenerateOutlineBoardDocument(int segments, int layers) {
  std::string json = R"({"layers": [)";
  for (int l = 1; l <= layers; ++l) {
    const std::string key = l == 1 ? "TopLayer" : (l == layers ? "BottomLayer" : "MidLayer" + std::to_string(l - 1));
    json +=
        (l > 1 ? "," : "") + std::string(R"({"layer": ")") + key + R"(", "name": "Layer )" + std::to_string(l) + "\"}";
  }
  json += R"(], "tracks": [)";
  for (int i = 0; i < segments; ++i)
    json += (i > 0 ? "," : "") + std::string(R"({"layer": "KeepOutLayer", "x1": )") + std::to_string(i * 1000) +
            R"(, "y1": 0, "x2": )" + std::to_string(i * 1000 + 999) + R"(, "y2": 12345})";
  json += R"(], "arcs": [)";
  for (int i = 0; i < segments; ++i)
    json += (i > 0 ? "," : "") + std::string(R"({"layer": "KeepOutLayer", "x": )") + std::to_string(i * 1000) +
            R"(, "y": 5000, "radius": 31250, "startAngle": 30, "endAngle": 120})";
  return json + "]}";
}

}  // namespace sim
