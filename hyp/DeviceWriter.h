#pragma once
// The DEVICES section: one line per component, grouped by the device class
// that the component's comment names ("HYPERLYNX <class>"), the groups in
// the order unclassified, IC, R, C, J, L, CR, BD, and within a group in the
// order the host yields the components.
#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "host/PcbApi.h"
#include "hyp/Translator.h"

class TBoard;
class TPcbComponent;
class TTextOutput;

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
  // appends it to the list of its class.
  void AddComponent(THandle handle);
  // Gives the collected components their designators together, in the
  // order of the section (THypNames::ClaimDesignators).
  void NameDevices();
  // An empty line, then the section.
  void WriteDevices();

 private:
  std::array<std::vector<std::unique_ptr<TPcbComponent>>, kDeviceClassCount> FLists;
  TTextOutput& FOutput;
  TBoard& FBoard;
  TTranslator& FTranslator;
  std::array<TTranslateEvent, kDeviceClassCount> FOnDevice;
};
