// The translator's padstack builders: the padstack of a pad from its own
// values, the padstack of a via from the host's layer stack and the via's
// answers about the layers it reaches and the planes it connects to.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/RT_PCB.h"
#include "hyp/PadStack.h"
#include "hyp/Translator.h"
#include "pcb/PcbBoard.h"
#include "pcb/Pcbclass.h"

namespace {

// The first four internal planes, the only ones a pad's plane connection
// code can name.
constexpr Layer kPadPlanes[] = {39, 40, 41, 42};

// A host size grown by the plane clearance: the anti-pad's size. Both are
// host values of 32 bits; their sum is made and kept in 64.
std::int64_t Grown(std::int32_t size, std::int32_t clearance) {
  return static_cast<std::int64_t>(size) + static_cast<std::int64_t>(clearance);
}

TPadStackEntry Entry(std::uint8_t kind, std::uint8_t layerIndex, std::uint8_t shape, std::int64_t sizeX,
                     std::int64_t sizeY, double angle) {
  TPadStackEntry e;
  e.EntryKind = kind;
  e.LayerIndex = layerIndex;
  e.Shape = shape;
  e.SizeX = sizeX;
  e.SizeY = sizeY;
  e.Angle = angle;
  return e;
}

TPadStackEntry Thermal(std::uint8_t layerIndex, std::uint8_t shape, std::int64_t sizeX, std::int64_t sizeY,
                       double angle, std::uint8_t thermalShape, std::int64_t thermalX, std::int64_t thermalY,
                       double thermalAngle) {
  TPadStackEntry e = Entry(kThermalEntry, layerIndex, shape, sizeX, sizeY, angle);
  e.ThermalShape = thermalShape;
  e.ThermalSizeX = thermalX;
  e.ThermalSizeY = thermalY;
  e.ThermalAngle = thermalAngle;
  return e;
}

// What a pad's plane connection code puts on the k-th plane (0..3): codes
// 3k+1 give a thermal relief on plane k, 3k+2 a direct connection (a none
// entry), everything else an anti-pad.
enum class TPlaneEntry { AntiPad, Thermal, None };

TPlaneEntry PlaneEntryForCode(std::uint8_t code, int k) {
  if (code >= 1 && code <= 11) {
    const int plane = (code - 1) / 3;
    const int style = (code - 1) % 3;
    if (plane == k && style == 0) return TPlaneEntry::Thermal;
    if (plane == k && style == 1) return TPlaneEntry::None;
  }
  return TPlaneEntry::AntiPad;
}

// The layers of the via's span in stack order, for a host that gives no via
// interface: from the first stack layer that is one of the via's ends to the
// next one.
std::vector<bool> SpanInStackOrder(const std::vector<Layer>& stack, Layer low, Layer high) {
  std::vector<bool> inSpan(stack.size(), false);
  bool inside = false;
  for (std::size_t i = 0; i < stack.size(); ++i) {
    const bool end = stack[i] == low || stack[i] == high;
    if (end && !inside) {
      inside = true;
      inSpan[i] = true;
      if (low == high) break;
      continue;
    }
    if (inside) inSpan[i] = true;
    if (end && inside) break;
  }
  return inSpan;
}

}  // namespace

const std::vector<std::uint8_t>& TTranslator::StackLayers() {
  // The stack as the board presents it, first layer to last; a translator
  // without a board knows no stack.
  if (!FStackLayers) FStackLayers = FBoard != nullptr ? FBoard->StackLayers() : std::vector<Layer>();
  return *FStackLayers;
}

bool TTranslator::PlanePresent(int k) {
  std::int8_t& known = FPlanePresent[static_cast<std::size_t>(k)];
  if (known < 0) known = FBoard != nullptr && FBoard->IsLayerPresent(LayerToLayerCode(kPadPlanes[k])) ? 1 : 0;
  return known == 1;
}

std::uint8_t TTranslator::ConvertToHyperlynxShape(std::uint8_t hostShape) {
  // Round, rectangle and octagon keep their codes. Every other host shape
  // (a rounded or chamfered rectangle, or a code this library does not know)
  // is written as the rectangle that holds it: readers take no empty shape.
  return hostShape >= kRoundShape && hostShape <= kOblongShape ? hostShape : kRectangleShape;
}

std::uint8_t TTranslator::WrittenShape(std::uint8_t hostShape) {
  const std::uint8_t written = ConvertToHyperlynxShape(hostShape);
  // Only round and rectangle are written as what they are: the octagon's
  // code is the file's oblong.
  if (hostShape != kRoundShape && hostShape != kRectangleShape && FChangedShape == 0) {
    FChangedShape = hostShape == 0 ? 255 : hostShape;
    FWrittenShape = written;
  }
  return written;
}

std::unique_ptr<TPadStack> TTranslator::PadToPadStack(const TPCBObject& object) {
  if (object.GetObjectKind() != kPadObject) return nullptr;
  const auto* pad = dynamic_cast<const TPcbPad*>(&object);
  if (pad == nullptr) return nullptr;
  FChangedShape = 0;
  std::unique_ptr<TPadStack> padStack = BuildPadStack(*pad);
  if (FChangedShape != 0)
    FNames.NotePadShape(pad->GetComponentHandle(), pad->GetName(), pad->GetX(), pad->GetY(),
                        FChangedShape == 255 ? 0 : FChangedShape, FWrittenShape);
  return padStack;
}

std::unique_ptr<TPadStack> TTranslator::BuildPadStack(const TPcbPad& padObject) {
  const TPcbPad* pad = &padObject;
  auto padStack = std::make_unique<TPadStack>();
  padStack->HoleSize = pad->GetHoleSize();
  const double rotation = pad->GetRotation();
  const Layer layer = pad->GetLayer();
  if (IsSignalLayer(layer)) {
    padStack->Add(Entry(kMetalEntry, ConvertToHyperlynxLayer(layer), WrittenShape(pad->GetShapeOnLayer(layer)),
                        pad->GetXSizeOnLayer(layer), pad->GetYSizeOnLayer(layer), rotation));
    return padStack;
  }

  const std::uint8_t midShape = WrittenShape(pad->GetMidShape());
  const std::int32_t midX = pad->GetMidXSize();
  const std::int32_t midY = pad->GetMidYSize();
  if (layer == kMultiLayer) {
    padStack->Add(Entry(kMetalEntry, kPadStackMetalDefault, midShape, midX, midY, rotation));
    if (pad->GetTopShape() != pad->GetMidShape() || pad->GetTopXSize() != midX || pad->GetTopYSize() != midY)
      padStack->Add(Entry(kMetalEntry, kTopLayer, WrittenShape(pad->GetTopShape()), pad->GetTopXSize(),
                          pad->GetTopYSize(), rotation));
    if (pad->GetBotShape() != pad->GetMidShape() || pad->GetBotXSize() != midX || pad->GetBotYSize() != midY)
      padStack->Add(Entry(kMetalEntry, kBottomLayer, WrittenShape(pad->GetBotShape()), pad->GetBotXSize(),
                          pad->GetBotYSize(), rotation));
  }

  // Plane entries.
  const std::int32_t clearance = pad->GetPowerPlaneExpansion();
  const std::uint8_t code = pad->GetPlaneConnection();
  if (code == 0) {
    padStack->Add(Entry(kAntiPadEntry, kPadStackPlaneDefault, midShape, Grown(midX, clearance), Grown(midY, clearance),
                        rotation));
    return padStack;
  }
  for (int k = 0; k < 4; ++k) {
    const Layer plane = kPadPlanes[k];
    if (!PlanePresent(k)) continue;
    const std::uint8_t index = ConvertToHyperlynxLayer(plane);
    switch (PlaneEntryForCode(code, k)) {
      case TPlaneEntry::AntiPad:
        padStack->Add(Entry(kAntiPadEntry, index, midShape, Grown(midX, clearance), Grown(midY, clearance), rotation));
        break;
      case TPlaneEntry::Thermal:
        padStack->Add(Thermal(index, midShape, midX, midY, rotation, midShape, clearance, clearance, rotation));
        break;
      case TPlaneEntry::None:
        padStack->Add(TPadStackEntry{});
        break;
    }
  }
  return padStack;
}

std::unique_ptr<TPadStack> TTranslator::ViaToPadStack(const TPCBObject& object) {
  if (object.GetObjectKind() != kViaObject) return nullptr;
  const auto* via = dynamic_cast<const TPcbVia*>(&object);
  if (via == nullptr) return nullptr;

  auto padStack = std::make_unique<TPadStack>();
  padStack->HoleSize = via->GetHoleSize();
  const Layer low = std::min(via->GetLowLayer(), via->GetHighLayer());
  const Layer high = std::max(via->GetLowLayer(), via->GetHighLayer());
  const std::uint8_t stackMode = via->GetStackMode();
  const std::int32_t clearance = via->GetPowerPlaneExpansion();

  if (stackMode == 0 && low == kTopLayer && high == kBottomLayer) {
    padStack->Add(Entry(kMetalEntry, kPadStackMetalDefault, 1, via->GetSize(), via->GetSize(), 0.0));
    const std::int64_t antiPad = Grown(via->GetSize(), clearance);
    padStack->Add(Entry(kAntiPadEntry, kPadStackPlaneDefault, 1, antiPad, antiPad, 0.0));
    return padStack;
  }

  const std::vector<Layer>& stack = StackLayers();
  // The via is asked layer by layer, in stack order: whether it reaches the
  // layer, then its size there or (on a plane) whether and how it connects.
  const std::unique_ptr<TViaLayerAnswers> answers = via->LayerAnswers();
  const bool known = answers->Known();

  const std::vector<bool> span = known ? std::vector<bool>() : SpanInStackOrder(stack, low, high);
  for (std::size_t i = 0; i < stack.size(); ++i) {
    const Layer number = stack[i];
    const bool reaches = known ? answers->ReachesLayer(number) : span[i];
    if (!reaches) continue;

    if (IsSignalLayer(number)) {
      const std::int32_t size = via->GetSizeOnLayer(number);
      if (size != 0) padStack->Add(Entry(kMetalEntry, ConvertToHyperlynxLayer(number), 1, size, size, 0.0));
      continue;
    }
    // A plane: without the via's answers nothing can be said about it.
    if (!known) continue;
    if (answers->ConnectsToPlane(number)) {
      const std::int32_t style = answers->ConnectionStyle(number);
      if (style == 1) {
        padStack->Add(Thermal(ConvertToHyperlynxLayer(number), 1, via->GetHoleSize(), via->GetHoleSize(), 0.0, 1,
                              clearance, clearance, 0.0));
      } else if (style == 2) {
        TPadStackEntry none;
        none.LayerIndex = ConvertToHyperlynxLayer(number);
        padStack->Add(none);
      }
    } else {
      const std::int32_t size = via->GetSizeOnLayer(number);
      padStack->Add(Entry(kAntiPadEntry, ConvertToHyperlynxLayer(number), 1, size, size, 0.0));
    }
  }
  return padStack;
}
