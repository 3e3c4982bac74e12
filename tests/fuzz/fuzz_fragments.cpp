// Any bytes as the values of model objects and the names of layers: every
// fragment the translator makes from them must be one record a reader can
// take back: at most 255 characters, no character that ends or splits a
// line, every quoted value closed. No host is loaded; the objects hold what
// the bytes say.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "hyp/HypLayerNames.h"
#include "hyp/HypText.h"
#include "hyp/PadStack.h"
#include "hyp/Translator.h"
#include "pcb/Pcbclass.h"

namespace {

void CheckRecord(const std::string& text) {
  if (text.size() > 255) std::abort();
  std::size_t quotes = 0;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) std::abort();
    if (c == '"') ++quotes;
  }
  if (quotes % 2 != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::array<std::string, kLayerCount> layerNames;
  for (int i = 0; i < 4; ++i) {
    const int layer = in.ConsumeIntegralInRange<int>(0, kLayerCount - 1);
    layerNames[static_cast<std::size_t>(layer)] = in.ConsumeRandomLengthString(300);
  }
  SetHypLayerNames(layerNames);
  const std::string name = in.ConsumeRandomLengthString(300);

  // Two names of one space never come out alike, and each fits.
  THypNameSpace space;
  const std::size_t capacity = in.ConsumeIntegralInRange<std::size_t>(8, 300);
  const std::string first = space.Claim(HypLineText(name), capacity);
  const std::string second = space.Claim(HypLineText(in.ConsumeRandomLengthString(300)), capacity);
  if (first == second || HypValueSize(first) > capacity || HypValueSize(second) > capacity) std::abort();

  // A name as a value: unchanged when bare, otherwise quoted whole.
  const std::string value = HypValue(name);
  CheckRecord(CutFragment(value));
  if (!HypValueNeedsQuotes(name) && value != HypLineText(name)) std::abort();
  if (HypValueNeedsQuotes(name) && (value.size() < 2 || value.front() != '"' || value.back() != '"')) std::abort();
  // The longest prefix and a name cut anywhere keep the record whole.
  CheckRecord(CutFragment(std::string(in.ConsumeIntegralInRange<std::size_t>(0, 260), 'x') + " R=" + value + ")"));

  TTranslator translator;
  TPcbTrack track(1);
  track.X = in.ConsumeIntegral<std::int32_t>();
  track.Y = in.ConsumeIntegral<std::int32_t>();
  track.X2 = in.ConsumeIntegral<std::int32_t>();
  track.Y2 = in.ConsumeIntegral<std::int32_t>();
  track.Width = in.ConsumeIntegral<std::int32_t>();
  track.LayerCode = in.ConsumeIntegral<std::uint32_t>();
  // A record that names a layer keeps the whole name: it gives way before.
  const std::string seg = translator.TranslateTrackToString(track);
  CheckRecord(seg);
  const std::string layerField = " L=" + HypValue(GetHypLayerName(track.GetLayer()));
  if (seg.size() < layerField.size() || seg.compare(seg.size() - layerField.size(), layerField.size(), layerField) != 0)
    std::abort();
  CheckRecord(translator.TranslatePerimeterTrackToString(track));

  TPcbArc arc(2);
  arc.X = in.ConsumeIntegral<std::int32_t>();
  arc.Y = in.ConsumeIntegral<std::int32_t>();
  arc.Radius = in.ConsumeIntegral<std::int32_t>();
  arc.StartAngle = in.ConsumeFloatingPoint<double>();
  arc.EndAngle = in.ConsumeFloatingPoint<double>();
  arc.LineWidth = in.ConsumeIntegral<std::int32_t>();
  arc.LayerCode = in.ConsumeIntegral<std::uint32_t>();
  CheckRecord(translator.TranslateArcToString(arc));
  CheckRecord(translator.TranslatePerimeterArcToString(arc));

  // A free pad: its reference and padstack are looked up, nothing is found
  // without a table, and the record is still whole.
  TPcbPad pad(3);
  pad.X = in.ConsumeIntegral<std::int32_t>();
  pad.Y = in.ConsumeIntegral<std::int32_t>();
  pad.Name.Assign(name);
  pad.LayerCode = in.ConsumeIntegral<std::uint32_t>();
  pad.Rotation = in.ConsumeFloatingPoint<double>();
  if (std::unique_ptr<TPadStack> p = translator.PadToPadStack(pad)) {
    for (const TPadStackEntry& e : p->Entries) CheckRecord(CutFragment(PadStackLayerName(e.LayerIndex)));
  }
  for (int index = 0; index < 52; ++index) CheckRecord(PadStackLayerName(static_cast<std::uint8_t>(index)));
  return 0;
}
