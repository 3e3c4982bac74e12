// The STACKUP section: the board's layer stack as the host presents it, one
// copper line per layer from top to bottom, each followed by the line of the
// dielectric beneath it (except for the bottom layer).
//
// This section does not read the board model: it walks the layer stack of
// the host's current board through the PCB server interface. Every failing
// interface call raises EHostError and ends the run; the lines written until
// then stay in the output. docs/stackup.md records the choices made for
// stacks the host should never present.
#include <algorithm>
#include <cstdint>
#include <string>

#include "exporter/HyperlynxTranslator.h"
#include "host/CountedString.h"
#include "host/HostAccess.h"
#include "host/LayerStack.h"
#include "host/RT_PCB.h"
#include "hyp/HypLayerNames.h"
#include "hyp/HypText.h"
#include "hyp/NumberFormat.h"
#include "hyp/Section.h"
#include "hyp/Translator.h"
#include "platform/Platform.h"
#include "support/Rt_Util.h"

namespace {

// The two record texts of one layer of the stack, as the host describes it.
struct TStackupLines {
  std::string copper;
  bool hasDielectric = false;  // the host gave a dielectric object
  std::string dielectric;
};

constexpr const char* kEmptyStackupRecord = "OPTIONS USE_DIE_FOR_METAL=NO";

TStackupLines DescribeLayer(IPcbLayer& layer, int number, const TTranslator& settings) {
  const std::string layerName = GetHypLayerName(number);
  const std::string name = HypValue(layerName);

  std::int32_t thickness = 0;
  CheckHost(layer.GetCopperThickness(&thickness), THostOperation::IPcbLayer_GetCopperThickness);
  THostRef<IPcbDielectric> dielectric;
  CheckHost(layer.GetDielectric(dielectric.Receive()), THostOperation::IPcbLayer_GetDielectric);

  TStackupLines lines;
  if (IsSignalLayer(number)) {
    lines.copper = "SIGNAL T=" + FormatLength(thickness) + " P=" + FormatLength(settings.SignalPlating) +
                   " C=" + settings.SignalResistivity.str() + " L=" + name +
                   " M=" + HypValue(settings.SignalMaterial.str());
  } else {
    lines.copper = "PLANE T=" + FormatLength(thickness) + " C=" + settings.PlaneResistivity.str() + " L=" + name +
                   " M=" + HypValue(settings.PlaneMaterial.str());
  }
  lines.copper = CutFragment(lines.copper);

  lines.hasDielectric = static_cast<bool>(dielectric);
  if (dielectric) {
    std::int32_t height = 0;
    CheckHost(dielectric->GetHeight(&height), THostOperation::IPcbDielectric_GetHeight);
    double constant = 0.0;
    CheckHost(dielectric->GetConstant(&constant), THostOperation::IPcbDielectric_GetConstant);
    const std::u16string material =
        ReadHostText([&](char16_t* buffer, std::int32_t capacity) { return dielectric->GetMaterial(buffer, capacity); },
                     THostOperation::IPcbDielectric_GetMaterial);
    // The dielectric is named after the layer above it; the prefix is part
    // of the quoted value.
    // The material gives way where the record would not fit.
    const std::string head = "DIELECTRIC T=" + FormatLength(height) + " C=" + FormatReal4(constant) +
                             " L=" + HypValue("DE_" + layerName) + " M=";
    const std::size_t room = 255 - std::min<std::size_t>(255, head.size());
    lines.dielectric = CutFragment(head + HypValue(FitName(HypLineText(platform::WideToSingleByte(material)), room)));
  }
  return lines;
}

}  // namespace

void THyperlynxTranslator::WriteStackup() {
  // The material settings of the copper lines.
  const TTranslator& settings = *FTranslator;

  WriteLine("");
  WriteSection(FOutput, "STACKUP", [&] {
    THostRef<IPcbLayerStack> stack = CurrentLayerStack();
    bool written = false;
    if (stack) {
      ForEachStackLayer(*stack.get(), [&](IPcbLayer& layer, std::uint8_t number) {
        // A number outside the layer range names no layer of the HYP file:
        // such a layer is left out.
        if (number >= kLayerCount) return;
        const TStackupLines lines = DescribeLayer(layer, number, settings);
        FOutput.WriteRecord(IndentLevel, lines.copper);
        if (number != kBottomLayer && lines.hasDielectric) FOutput.WriteRecord(IndentLevel, lines.dielectric);
        written = true;
      });
    }
    // Readers take no STACKUP section without a record. Without a layer to
    // describe, the section holds the one record that names no layer: the
    // option that is the default anyway.
    if (!written) FOutput.WriteRecord(IndentLevel, kEmptyStackupRecord);
  });
}
