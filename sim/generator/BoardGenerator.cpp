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

std::string Q(const std::string& s) { return "\"" + s + "\""; }
std::string N(std::int64_t v) { return std::to_string(v); }

struct Footprint {
  std::int32_t x, y;  // pad size, host units
  std::int32_t pitch;
};

// One pad of a component as placed on the board.
struct PlacedPad {
  std::int32_t x, y, sx, sy, hole;
  const char* shape;
};

// A component as placed, before its pads get their nets.
struct PlacedComponent {
  std::int32_t x, y;
  bool bottom;
  int rotation;
  std::string designator, comment;
  std::vector<PlacedPad> pads;
};

struct PadRef {
  std::int32_t x, y;
  int net;  // -1 none, 0 GND, 1 VCC, 2.. signal nets
};

constexpr Footprint kPassives[] = {{20 * kMil, 22 * kMil, 40 * kMil},
                                   {30 * kMil, 35 * kMil, 60 * kMil},
                                   {40 * kMil, 50 * kMil, 80 * kMil},
                                   {60 * kMil, 65 * kMil, 120 * kMil}};
constexpr Footprint kIcPads[] = {
    {12 * kMil, 60 * kMil, 25 * kMil}, {16 * kMil, 70 * kMil, 50 * kMil}, {24 * kMil, 80 * kMil, 50 * kMil}};

// The document, written as JSON text by hand (every value is an integer or a
// plain name) in the steps of Generate. Every random choice is drawn in the
// order the steps make them, so that a seed gives the same document.
class Generator {
 public:
  explicit Generator(const GeneratorOptions& options)
      : options_(options), rnd_(options.seed), components_(std::max(1, options.components)) {}

  std::string Generate() {
    ChooseStack();
    PlanNetsAndGrid();
    WriteHeader();
    WriteComponents();
    WriteRoutes();
    WriteOutline();
    return std::move(out_);
  }

 private:
  // The stack: 4 to 12 copper layers, of them 2 to 4 planes.
  void ChooseStack() {
    const int copper = 4 + 2 * rnd_.Below(5);
    const int planes = copper >= 12 ? 4 : copper >= 10 ? 3 : 2;
    const int signals = copper - planes;
    stack_.push_back("TopLayer");
    stack_.push_back("InternalPlane1");
    for (int m = 1; m <= signals - 2; ++m) {
      stack_.push_back("MidLayer" + std::to_string(m));
      if (m == (signals - 2) / 2 && planes > 2) stack_.push_back("InternalPlane3");
    }
    if (planes > 3) stack_.push_back("InternalPlane4");
    stack_.push_back("InternalPlane2");
    stack_.push_back("BottomLayer");
    for (const std::string& l : stack_)
      if (l.rfind("InternalPlane", 0) != 0) signalLayers_.push_back(l);
  }

  // Three nets per component; the components on a square grid of 400 mil
  // cells.
  void PlanNetsAndGrid() {
    signalNets_ = 3 * components_ - 2;
    netCount_ = signalNets_ + 2;
    while (columns_ * columns_ < components_) ++columns_;
    width_ = columns_ * kCell + 400 * kMil;
    height_ = ((components_ + columns_ - 1) / columns_) * kCell + 400 * kMil;
  }

  static std::string NetName(int n) {
    if (n == 0) return std::string("GND");
    if (n == 1) return std::string("VCC");
    return "N" + std::to_string(n - 1);
  }

  // The description, the stack with its two power planes, the rules and the
  // nets.
  void WriteHeader() {
    out_ += "{\n\"description\": " +
            Q("Generated board: seed " + std::to_string(options_.seed) + ", " + std::to_string(components_) +
              " components") +
            ",\n";
    out_ += "\"layers\": [";
    for (std::size_t i = 0; i < stack_.size(); ++i) {
      if (i != 0) out_ += ", ";
      out_ += "{\"layer\": " + Q(stack_[i]);
      if (stack_[i] == "InternalPlane1") out_ += ", \"net\": \"GND\"";
      if (stack_[i] == "InternalPlane2") out_ += ", \"net\": \"VCC\"";
      out_ += "}";
    }
    out_ += "],\n\"rules\": {\"planeExpansion\": \"12mil\"},\n\"nets\": [";
    for (int n = 0; n < netCount_; ++n) out_ += (n == 0 ? "" : ", ") + Q(NetName(n));
    out_ += "],\n";
  }

  // A pad's net: GND, VCC, none, or the signal nets two pads at a time.
  int AssignNet() {
    const int r = rnd_.Below(100);
    if (r < 15) return 0;
    if (r < 23) return 1;
    if (r < 30) return -1;
    const int n = 2 + (nextSignal_ / 2) % signalNets_;
    ++nextSignal_;
    return n;
  }

  // Component c in its grid cell: a passive (65%), an IC (30%) or a
  // connector with through-hole pads.
  PlacedComponent PlaceComponent(int c) {
    PlacedComponent pc;
    pc.x = (c % columns_) * kCell + 400 * kMil;
    pc.y = (c / columns_) * kCell + 400 * kMil;
    const int kind = rnd_.Below(100);
    pc.bottom = kind < 65 && rnd_.Chance(200);
    pc.rotation = rnd_.Chance(300) ? 90 : 0;
    const std::int32_t cx = pc.x, cy = pc.y;
    const bool turned = pc.rotation == 90;
    if (kind < 65) {
      const Footprint& f = kPassives[rnd_.Below(4)];
      const bool resistor = rnd_.Chance(500);
      pc.designator = (resistor ? "R" : "C") + std::to_string(c + 1);
      pc.comment = rnd_.Chance(900) ? (resistor ? "HYPERLYNX R" : "HyperLynx C") : "";
      for (int p = 0; p < 2; ++p) {
        const std::int32_t off = (p == 0 ? -f.pitch : f.pitch) / 2;
        pc.pads.push_back(turned ? PlacedPad{cx, cy + off, f.y, f.x, 0, "rectangle"}
                                 : PlacedPad{cx + off, cy, f.x, f.y, 0, "rectangle"});
      }
    } else if (kind < 95) {
      const Footprint& f = kIcPads[rnd_.Below(3)];
      const int count = kind < 87 ? 2 * rnd_.Between(3, 7) : 2 * rnd_.Between(8, 18);
      pc.designator = "U" + std::to_string(c + 1);
      pc.comment = rnd_.Chance(950) ? "HYPERLYNX IC" : "HYPERLYNX XYZ";
      const int perRow = count / 2;
      for (int p = 0; p < count; ++p) {
        const int row = p / perRow;
        const std::int32_t along = (p % perRow - perRow / 2) * f.pitch;
        const std::int32_t across = (row == 0 ? -1 : 1) * 120 * kMil;
        pc.pads.push_back(turned ? PlacedPad{cx + across, cy + along, f.y, f.x, 0, "rectangle"}
                                 : PlacedPad{cx + along, cy + across, f.x, f.y, 0, "rectangle"});
      }
    } else {
      const int count = rnd_.Between(4, 10);
      pc.designator = "J" + std::to_string(c + 1);
      pc.comment = "HYPERLYNX J";
      const std::int32_t hole = (rnd_.Chance(500) ? 35 : 40) * kMil;
      for (int p = 0; p < count; ++p)
        pc.pads.push_back(PlacedPad{cx + (p - count / 2) * 100 * kMil, cy, 65 * kMil, 65 * kMil, hole,
                                    p == 0 ? "rectangle" : "round"});
    }
    return pc;
  }

  // Components with their pads; each pad gets its net as it is written.
  void WriteComponents() {
    out_ += "\"components\": [\n";
    for (int c = 0; c < components_; ++c) {
      const PlacedComponent pc = PlaceComponent(c);
      out_ += std::string(c == 0 ? "" : ",\n") + "{\"designator\": " + Q(pc.designator) +
              (pc.comment.empty() ? "" : ", \"comment\": " + Q(pc.comment)) + ", \"x\": " + N(pc.x) +
              ", \"y\": " + N(pc.y) + ", \"rotation\": " + N(pc.rotation) +
              (pc.bottom ? ", \"side\": \"bottom\"" : "") + ", \"pads\": [";
      for (std::size_t p = 0; p < pc.pads.size(); ++p) WritePad(p, pc.pads[p]);
      out_ += "]}";
    }
    out_ += "\n],\n";
  }

  void WritePad(std::size_t p, PlacedPad pad) {
    if (options_.distinctPads > 0) {
      const int g = padCount_++ % options_.distinctPads;
      pad.sx = 10 * kMil + (g % 200) * kMil / 10;
      pad.sy = 10 * kMil + (g / 200) * kMil / 10;
    }
    const int net = AssignNet();
    pads_.push_back({pad.x, pad.y, net});
    out_ += std::string(p == 0 ? "" : ", ") + "{\"name\": " + Q(std::to_string(p + 1)) + ", \"x\": " + N(pad.x) +
            ", \"y\": " + N(pad.y) + ", \"shape\": " + Q(pad.shape) + ", \"size\": [" + N(pad.sx) + ", " + N(pad.sy) +
            "]" + (pad.hole != 0 ? ", \"hole\": " + N(pad.hole) : "") +
            (net >= 0 ? ", \"net\": " + Q(NetName(net)) : "") + "}";
  }

  std::int32_t ClampX(std::int32_t v) const { return std::clamp(v, 10 * kMil, width_ - 10 * kMil); }
  std::int32_t ClampY(std::int32_t v) const { return std::clamp(v, 10 * kMil, height_ - 10 * kMil); }

  // Routes: per net about 20 segments from one of its pads, changing layer
  // through a via now and then and turning a corner with an arc now and then.
  void WriteRoutes() {
    startX_.assign(static_cast<std::size_t>(netCount_), -1);
    startY_.assign(static_cast<std::size_t>(netCount_), -1);
    for (const PadRef& p : pads_)
      if (p.net >= 0 && startX_[static_cast<std::size_t>(p.net)] < 0) {
        startX_[static_cast<std::size_t>(p.net)] = p.x;
        startY_[static_cast<std::size_t>(p.net)] = p.y;
      }
    for (int n = 0; n < netCount_; ++n) RouteNet(n);
    out_ += "\"vias\": [\n" + vias_ + "\n],\n";
    out_ += "\"tracks\": [\n" + tracks_ + "\n],\n";
    out_ += "\"arcs\": [\n" + arcs_ + "\n],\n";
  }

  void RouteNet(int n) {
    const auto at = static_cast<std::size_t>(n);
    std::int32_t x = startX_[at] >= 0 ? startX_[at] : ClampX(rnd_.Between(0, width_ / kMil) * kMil);
    std::int32_t y = startY_[at] >= 0 ? startY_[at] : ClampY(rnd_.Between(0, height_ / kMil) * kMil);
    const std::string net = Q(NetName(n));
    std::size_t layer = 0;
    const int trackWidth = (n < 2 ? 20 : rnd_.Chance(800) ? 6 : 10) * kMil;
    const int segments = rnd_.Between(10, 30);
    bool horizontal = rnd_.Chance(500);
    for (int s = 0; s < segments; ++s) {
      const std::int32_t length = rnd_.Between(20, 300) * kMil * (rnd_.Chance(500) ? 1 : -1);
      const std::int32_t nx = horizontal ? ClampX(x + length) : x;
      const std::int32_t ny = horizontal ? y : ClampY(y + length);
      if (!tracks_.empty()) tracks_ += ",\n";
      tracks_ += "{\"x1\": " + N(x) + ", \"y1\": " + N(y) + ", \"x2\": " + N(nx) + ", \"y2\": " + N(ny) +
                 ", \"width\": " + N(trackWidth) + ", \"layer\": " + Q(signalLayers_[layer]) + ", \"net\": " + net +
                 "}";
      x = nx;
      y = ny;
      if (rnd_.Chance(33)) {
        // A quarter arc of 50 mil about a centre beside the end point.
        if (!arcs_.empty()) arcs_ += ",\n";
        const int start = 90 * rnd_.Below(4);
        arcs_ += "{\"x\": " + N(ClampX(x + 50 * kMil)) + ", \"y\": " + N(y) + ", \"radius\": " + N(50 * kMil) +
                 ", \"startAngle\": " + N(start) + ", \"endAngle\": " + N(start + 90) +
                 ", \"width\": " + N(trackWidth) + ", \"layer\": " + Q(signalLayers_[layer]) + ", \"net\": " + net +
                 "}";
      }
      if (rnd_.Chance(130)) {
        // Change layer through a via: mostly through vias, a few blind ones
        // from the top to the first inner signal layer.
        const bool blind = signalLayers_.size() > 2 && layer == 0 && rnd_.Chance(150);
        if (!vias_.empty()) vias_ += ",\n";
        vias_ += "{\"x\": " + N(x) + ", \"y\": " + N(y) + ", \"net\": " + net +
                 (rnd_.Chance(700) ? ", \"size\": \"24mil\", \"hole\": \"12mil\""
                                   : ", \"size\": \"20mil\", \"hole\": \"8mil\"") +
                 (blind ? ", \"from\": \"TopLayer\", \"to\": \"MidLayer1\", \"stackMode\": 1" : "") + "}";
        layer = blind ? 1 : static_cast<std::size_t>(rnd_.Below(static_cast<int>(signalLayers_.size())));
      }
      horizontal = !horizontal;
    }
  }

  // The outline: a rectangle with rounded corners.
  void WriteOutline() {
    const std::int32_t r = 100 * kMil;
    const std::int32_t w = width_, h = height_;
    out_ += "\"outline\": [\n";
    out_ += "{\"x1\": " + N(r) + ", \"y1\": 0, \"x2\": " + N(w - r) + ", \"y2\": 0},\n";
    out_ += "{\"x1\": " + N(w) + ", \"y1\": " + N(r) + ", \"x2\": " + N(w) + ", \"y2\": " + N(h - r) + "},\n";
    out_ += "{\"x1\": " + N(w - r) + ", \"y1\": " + N(h) + ", \"x2\": " + N(r) + ", \"y2\": " + N(h) + "},\n";
    out_ += "{\"x1\": 0, \"y1\": " + N(h - r) + ", \"x2\": 0, \"y2\": " + N(r) + "},\n";
    const auto corner = [&](std::int32_t x, std::int32_t y, int start, bool last) {
      out_ += "{\"x\": " + N(x) + ", \"y\": " + N(y) + ", \"radius\": " + N(r) + ", \"startAngle\": " + N(start) +
              ", \"endAngle\": " + N(start + 90) + (last ? "}\n" : "},\n");
    };
    corner(w - r, r, 270, false);
    corner(w - r, h - r, 0, false);
    corner(r, h - r, 90, false);
    corner(r, r, 180, true);
    out_ += "]\n}\n";
  }

  static constexpr std::int32_t kCell = 400 * kMil;

  const GeneratorOptions& options_;
  Random rnd_;
  const int components_;
  std::vector<std::string> stack_, signalLayers_;
  int signalNets_ = 0, netCount_ = 0;
  int columns_ = 1;
  std::int32_t width_ = 0, height_ = 0;
  int nextSignal_ = 0;
  int padCount_ = 0;
  std::vector<PadRef> pads_;
  std::vector<std::int32_t> startX_, startY_;
  std::string tracks_, arcs_, vias_;
  std::string out_;
};

}  // namespace

std::string GenerateBoardDocument(const GeneratorOptions& options) { return Generator(options).Generate(); }

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
