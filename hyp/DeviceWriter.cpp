#include "hyp/DeviceWriter.h"

#include <string>

#include "host/Progress.h"
#include "hyp/Section.h"
#include "pcb/PcbIteration.h"
#include "pcb/Pcbclass.h"
#include "support/Rt_Util.h"
#include "support/TextOutput.h"

TDeviceClass DeviceClassOfWord(std::string_view word) {
  for (int i = 1; i < kDeviceClassCount; ++i)
    if (word == kDeviceClassWords[i]) return static_cast<TDeviceClass>(i);
  return TDeviceClass::Unclassified;
}

TDeviceWriter::TDeviceWriter(TTranslator& translator, TBoard& board, TTextOutput& file)
    : FOutput(file), FBoard(board), FTranslator(translator) {
  for (int i = 0; i < kDeviceClassCount; ++i) {
    const auto deviceClass = static_cast<TDeviceClass>(i);
    FOnDevice[static_cast<std::size_t>(i)] = [t = &translator, deviceClass](const TPCBObject& o) {
      return t->TranslateDeviceToString(o, deviceClass);
    };
  }
}

TDeviceWriter::~TDeviceWriter() = default;

void TDeviceWriter::Write() {
  Collect();
  NameDevices();
  WriteDevices();
}

void TDeviceWriter::Collect() {
  IterateObjects(FBoard, kComponentKinds, LayerSet{0}, BindMethod<&TDeviceWriter::AddComponent>(*this), 0);
}

void TDeviceWriter::AddComponent(THandle handle) {
  ProgressStep();
  TPcbComponent component(handle);
  component.Query(1);
  const TDeviceLine line{handle, component.DesignatorHandle, component.LayerCode};
  const TDeviceClass deviceClass = DeviceClassOfWord(GetDeviceDirective(handle));
  FLists[static_cast<std::size_t>(deviceClass)].push_back(line);
}

// The component as its visit read it, as far as its line reads it.
void TDeviceWriter::Restore(TPcbComponent& component, const TDeviceLine& line) {
  component.DesignatorHandle = line.Designator;
  component.LayerCode = line.Side;
}

// The designators are named together, once every component is known: each
// designator's text is read here, once, and the lines take the names given.
void TDeviceWriter::NameDevices() {
  std::vector<THypNames::TDesignator> designators;
  for (std::size_t i = 0; i < FLists.size(); ++i)
    for (const TDeviceLine& line : FLists[i]) {
      TPcbComponent component(line.Component);
      Restore(component, line);
      designators.push_back({line.Component, component.GetName(),
                             FTranslator.DesignatorCapacity(static_cast<TDeviceClass>(i), component)});
    }
  FTranslator.Names().ClaimDesignators(designators);
}

void TDeviceWriter::WriteDevices() {
  FOutput.WriteLine("");
  WriteSection(FOutput, "DEVICES", [&] {
    for (std::size_t i = 0; i < FLists.size(); ++i)
      for (const TDeviceLine& line : FLists[i]) {
        TPcbComponent component(line.Component);
        Restore(component, line);
        FOutput.WriteRecord(IndentLevel, FOnDevice[i](component));
      }
  });
}
