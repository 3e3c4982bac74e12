#include "exporter/Tarnquil.h"

#include <array>
#include <memory>

#include "exporter/HyperlynxTranslator.h"
#include "host/HostAccess.h"
#include "host/RT_PCB.h"
#include "hyp/HypLayerNames.h"
#include "output/RT_FileOwnership.h"
#include "platform/Platform.h"
#include "support/Rt_Util.h"

bool IsRecognisedFormat(std::string_view formatName) { return formatName == kFormatName; }

void BuildHypLayerNames() {
  THostRef<IPcbServer> server = GetPcbServer();
  THostRef<IPcbBoard> board = GetCurrentBoardInterface(server.get());
  THostRef<IPcbLayerStack> stack;
  if (board) CheckHost(board->GetLayerStack(stack.Receive()), "IPcbBoard::GetLayerStack");
  std::array<std::string, kLayerCount> names;
  for (int i = 0; i < kLayerCount; ++i) {
    std::string& name = names[static_cast<std::size_t>(i)];
    if (i == kKeepOutLayer || i == kMultiLayer) {
      name = "signal";
    } else {
      THostRef<IPcbLayer> layer;
      if (stack) CheckHost(stack->LayerForCode(LayerToLayerCode(i), layer.Receive()), "IPcbLayerStack::LayerForCode");
      if (layer) {
        std::u16string wide =
            ReadHostText([&](char16_t* buffer, std::int32_t capacity) { return layer->GetName(buffer, capacity); },
                         "IPcbLayer::GetName");
        name = platform::WideToSingleByte(wide);
      } else {
        name = LayerDisplayName(LayerToLayerCode(i));
      }
    }
  }
  SetHypLayerNames(names);
}

bool RunExport(const std::string& fileName, std::string_view formatName) {
  if (!IsRecognisedFormat(formatName)) return false;
  IndentLevel = 0;

  std::unique_ptr<THyperlynxTranslator> driver;
  try {
    driver = std::make_unique<THyperlynxTranslator>(fileName);
  } catch (const ETempFileUnavailable& e) {
    ShowErrorMessage(std::string(e.what()) + " The file " + fileName + " was not written.");
    return false;
  }
  // Whatever ends the run early, freeing the driver closes the output and
  // removes the temporary file; the destination is left untouched.
  BuildHypLayerNames();
  driver->WriteDocument();

  if (!driver->CloseOutput()) {
    driver.reset();
    ShowErrorMessage("The export could not be written completely (is the disk full?). The file " + fileName +
                     " was not changed.");
    return false;
  }
  // The commit takes the temporary file over and cleans up after itself;
  // whatever it raises goes to the host after the driver is freed.
  const TCommitResult committed = CommitOutputFile(driver->ReleaseTempFile(), fileName);
  driver.reset();
  return CommitDone(committed);
}
