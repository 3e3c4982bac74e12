// The STACKUP section: the board's layer stack as the host presents it, one
// copper line per layer from top to bottom, each followed by the line of the
// dielectric beneath it (except for the bottom layer).
//
// The layers come from the host's layer stack (host/StackReads.h), one
// after the other: a failing read ends the run, and the lines written until
// then stay in the output. docs/stackup.md records the choices made for
// stacks the host should never present.
#include <algorithm>
#include <cstdint>
#include <string>

#include "exporter/HyperlynxTranslator.h"
#include "host/CountedString.h"
#include "host/RT_PCB.h"
#include "host/StackReads.h"
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

TStackupLines DescribeLayer(const TStackLayerValues& layer, const TTranslator& settings) {
  const int number = layer.Number;
  const std::string layerName = GetHypLayerName(number);
  const std::string name = HypValue(layerName);
  const std::int32_t thickness = layer.CopperThickness;

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

  lines.hasDielectric = layer.HasDielectric;
  if (layer.HasDielectric) {
    // The dielectric is named after the layer above it; the prefix is part
    // of the quoted value.
    // The material gives way where the record would not fit.
    const std::string head = "DIELECTRIC T=" + FormatLength(layer.DielectricHeight) +
                             " C=" + FormatReal4(layer.DielectricConstant) + " L=" + HypValue("DE_" + layerName) +
                             " M=";
    const std::size_t room = kHypRecordCapacity - std::min(kHypRecordCapacity, head.size());
    lines.dielectric =
        CutFragment(head + HypValue(FitName(HypLineText(platform::WideToSingleByte(layer.DielectricMaterial)), room)));
  }
  return lines;
}

}  // namespace

void THyperlynxTranslator::WriteStackup() {
  // The material settings of the copper lines.
  const TTranslator& settings = *FTranslator;

  WriteLine("");
  WriteSection(FOutput, "STACKUP", [&] {
    bool written = false;
    ReadStackLayers([&](const TStackLayerValues& layer) {
      const TStackupLines lines = DescribeLayer(layer, settings);
      FOutput.WriteRecord(IndentLevel, lines.copper);
      if (layer.Number != kBottomLayer && lines.hasDielectric) FOutput.WriteRecord(IndentLevel, lines.dielectric);
      written = true;
    });
    // Readers take no STACKUP section without a record. Without a layer to
    // describe, the section holds the one record that names no layer: the
    // option that is the default anyway.
    if (!written) FOutput.WriteRecord(IndentLevel, kEmptyStackupRecord);
  });
}
