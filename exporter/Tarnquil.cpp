#include "exporter/Tarnquil.h"

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
  if (board) CheckHost(board->GetLayerStack(stack.Receive()), THostOperation::IPcbBoard_GetLayerStack);
  for (int i = 0; i < kLayerCount; ++i) {
    std::string name;
    if (i == kKeepOutLayer || i == kMultiLayer) {
      name = "signal";
    } else {
      THostRef<IPcbLayer> layer;
      if (stack) CheckHost(stack->LayerForCode(LayerToLayerCode(i), layer.Receive()), THostOperation::IPcbLayerStack_LayerForCode);
      if (layer) {
        std::u16string wide =
            ReadHostText([&](char16_t* buffer, std::int32_t capacity) { return layer->GetName(buffer, capacity); },
                         THostOperation::IPcbLayer_GetName);
        name = platform::WideToSingleByte(wide);
      } else {
        name = LayerDisplayName(LayerToLayerCode(i));
      }
    }
    HypLayerNames[static_cast<std::size_t>(i)] = MakeHypLayerName(std::move(name));
  }
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
  driver->WriteHeader();
  driver->WriteUnits();
  driver->WriteBoard();
  driver->WriteStackup();
  driver->DeviceWriter().Write();
  driver->PadStackList().WriteAll();
  driver->NetWriter().Write();
  driver->WriteEnd();

  if (!driver->CloseOutput()) {
    driver.reset();
    ShowErrorMessage("The export could not be written completely (is the disk full?). The file " + fileName +
                     " was not changed.");
    return false;
  }
  // The commit takes the temporary file over and cleans up after itself;
  // whatever it raises goes to the host after the driver is freed.
  CommitOutputFile(driver->ReleaseTempFile(), fileName);
  driver.reset();
  return true;
}
