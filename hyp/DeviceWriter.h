#pragma once
// The DEVICES section: one line per component, grouped by the device class
// that the component's comment names ("HYPERLYNX <class>"), the groups in
// the order unclassified, IC, R, C, J, L, CR, BD, and within a group in the
// order the host yields the components.
#include <array>
#include <string_view>
#include <vector>

#include "host/PcbApi.h"
#include "hyp/Translator.h"

class TBoard;
class TTextOutput;
class TPcbComponent;

// The class of a class word (upper case): one of the seven words, or
// unclassified for any other word and for none.
TDeviceClass DeviceClassOfWord(std::string_view word);

class TDeviceWriter {
 public:
  // Binds the translator's device fragment of each class. The translator,
  // board and file must outlive the writer.
  TDeviceWriter(TTranslator& translator, TBoard& board, TTextOutput& file);
  TDeviceWriter(const TDeviceWriter&) = delete;
  TDeviceWriter& operator=(const TDeviceWriter&) = delete;
  ~TDeviceWriter();

  // Collect, NameDevices, then WriteDevices.
  void Write();
  // Visits the components and files each under its class.
  void Collect();
  // One visited component: advances the progress display, reads it and
  // appends what its line needs to the list of its class.
  void AddComponent(THandle handle);
  // Gives the collected components their designators together, in the
  // order of the section (THypNames::ClaimDesignators).
  void NameDevices();
  // An empty line, then the section.
  void WriteDevices();

 private:
  // What a component's line needs, kept from its visit until the section is
  // written: the component, its designator's text object (whose text is read
  // as the line is written) and the layer of its side.
  struct TDeviceLine {
    THandle Component = 0;
    THandle Designator = 0;
    TLayerCode Side = 0;
  };
  static void Restore(TPcbComponent& component, const TDeviceLine& line);

  std::array<std::vector<TDeviceLine>, kDeviceClassCount> FLists;
  TTextOutput& FOutput;
  TBoard& FBoard;
  TTranslator& FTranslator;
  std::array<TTranslateEvent, kDeviceClassCount> FOnDevice;
};
