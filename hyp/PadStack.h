#pragma once
// Padstacks: the copper geometry of a pad or via as a list of per-layer
// entries plus a drill size, the table of the distinct padstacks of a board
// with their names, and the PADSTACK sections.
//
// A HYP file defines each distinct geometry once; every pin and via line of a
// NET section names its padstack ("P=").  The table is filled and written
// once per run, after the DEVICES section; afterwards it only answers the
// translator's lookups while the NET sections are written.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/PcbApi.h"
#include "host/RT_PCB.h"
#include "pcb/PcbIteration.h"
#include "support/KeyIndex.h"

class TBoard;
class TPCBObject;
class TTextOutput;
class TTranslator;

// Entry kinds.
inline constexpr std::uint8_t kNoEntry = 0;       // never written; takes part in comparisons
inline constexpr std::uint8_t kMetalEntry = 1;    // "M"
inline constexpr std::uint8_t kAntiPadEntry = 2;  // "A"
inline constexpr std::uint8_t kThermalEntry = 3;  // "T"

// One line of a padstack. Sizes in host units, angles in degrees. The
// thermal fields are 0 except in thermal entries. Sizes hold 64 bits: an
// anti-pad is a host size plus the plane clearance, which can leave the
// host's 32-bit range, and is written as its true value.
struct TPadStackEntry {
  std::uint8_t EntryKind = kNoEntry;
  std::uint8_t LayerIndex = 0;  // padstack layer index: 1..48 a layer, 49 MDEF, 50 ADEF, 0 none
  std::uint8_t Shape = 0;       // padstack shape code 1..3, 0 none
  std::int64_t SizeX = 0;
  std::int64_t SizeY = 0;
  double Angle = 0.0;
  std::uint8_t ThermalShape = 0;
  std::int64_t ThermalSizeX = 0;
  std::int64_t ThermalSizeY = 0;
  double ThermalAngle = 0.0;
};

// The shape text of a padstack shape code: 1 -> "0", 2 -> "1", 3 -> "2",
// anything else nothing.
std::string ShapeText(std::uint8_t shape);
// "M", "A" or "T" for entry kinds 1, 2, 3; nothing for any other kind.
std::string KindLetter(std::uint8_t kind);
// The name of a padstack layer index: the HYP layer name of layers 1..32 and
// of the internal planes (33..48), "MDEF" for 49, "ADEF" for 50, and the
// quoted empty name "" for 0 and anything else. Names are HYP values.
std::string PadStackLayerName(std::uint8_t index);

class TPadStack {
 public:
  TPadStack() = default;
  TPadStack(const TPadStack&) = delete;
  TPadStack& operator=(const TPadStack&) = delete;

  // True when this (stored) padstack and `other` (new) have the same number
  // of entries and the same drill, and every entry of `other` equals at least
  // one entry of this one. Entry order and names do not matter. Not
  // symmetric when a padstack repeats an entry.
  bool SameAs(const TPadStack& other) const;
  bool HasEntry(const TPadStackEntry& entry) const;
  // All ten fields equal (angles compare as doubles).
  static bool SameEntry(const TPadStackEntry& a, const TPadStackEntry& b);

  // "(<layer>, <shape>, <x>, <y>, <angle>[, <thermal part>], <kind>)" at
  // the current indentation; nothing for a none entry.
  void WriteEntry(TTextOutput& file, const TPadStackEntry& entry) const;
  // The whole section: the opening line "{PADSTACK=<name>, <drill>" (cut
  // after kHypRecordCapacity characters), every entry in list order, the
  // closing line. A padstack without an entry to write (none, or none
  // entries only) gets the one line "(ADEF, 0, 0.0000, 0.0000, 0, A)": a
  // reader takes no empty section, and an anti-pad of no size adds no copper
  // and cuts none.
  void Write(TTextOutput& file) const;

  void Add(const TPadStackEntry& entry) { Entries.push_back(entry); }

  std::vector<TPadStackEntry> Entries;
  std::string Name;  // empty until the table names it; a whole number
  std::int32_t HoleSize = 0;
};

// Builds the padstack of a pad or via that has been read from the host;
// nullptr for an object of another kind.
using TPadStackBuilder = std::function<std::unique_ptr<TPadStack>(const TPCBObject&)>;

class TPadStackList {
 public:
  // Binds the translator's pad and via builders and installs FindPadStack as
  // the translator's padstack lookup (removed again when the table is freed).
  // The translator, board and file must outlive the table.
  TPadStackList(TTranslator& translator, TBoard& board, TTextOutput& file);
  TPadStackList(const TPadStackList&) = delete;
  TPadStackList& operator=(const TPadStackList&) = delete;
  ~TPadStackList();

  // An empty line, Collect, then every padstack's section in table order.
  void WriteAll();
  // Visits the board's pads and vias (kinds 2 and 3 on layers 1..75) and
  // adds the padstack of each to the table unless an equal one is in it.
  // A host that yields an object on several layers has it counted at its
  // first visit, so padstacks are numbered in the order their objects are
  // first met.
  void Collect();
  // What Collect visits: the walk check counts exactly these.
  static constexpr TObjectKindSet kVisitedKinds = kPadAndViaKinds;
  static LayerSet VisitedLayers() { return LayerSet::Range(1, 75); }
  // One visited handle: advances the progress display, reads the object,
  // builds its padstack and adds it or falls on the existing one. A handle of
  // 0 is skipped; a handle of another kind only advances the display; an
  // object met before keeps the padstack of its first visit and is not read
  // again.
  void AddObject(THandle handle);
  // Names the padstack with the number of padstacks already in the table
  // ("0", "1", ...) and appends it.
  void AddPadStack(std::unique_ptr<TPadStack> padStack);
  // The first stored padstack that is the same as `padStack`: its name is
  // copied into `padStack` and the answer is true. False when there is none.
  // Padstacks whose entries all differ are found through an index; the
  // others by a scan from the first stored padstack (both give the first
  // match in table order).
  bool FindPadStack(TPadStack& padStack) const;
  // The same answer by the scan alone.
  bool FindPadStackByScan(TPadStack& padStack) const;
  // The name of the padstack that Collect gave the pad or via of a handle;
  // false for a handle Collect did not count.
  bool FindPadStackOf(THandle handle, std::string& name) const;

  std::size_t Count() const { return FPadStacks.size(); }
  // The pads and vias Collect counted, each once however often it met them.
  std::size_t ObjectCount() const { return FIndexOfObject.Size(); }
  const TPadStack& operator[](std::size_t i) const { return *FPadStacks[i]; }

 private:
  TTranslator& FTranslator;
  TBoard& FBoard;
  TTextOutput& FOutput;
  TPadStackBuilder FPadBuilder;
  TPadStackBuilder FViaBuilder;
  static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
  // The table index of the first stored padstack that is the same, through
  // the index under the padstack's IndexKey, or by the scan where the key is
  // empty; kNotFound if none.
  std::size_t IndexOf(const TPadStack& padStack, const std::string& key) const;
  // Names the padstack as AddPadStack does and appends it, indexed under
  // its key (none when the key is empty).
  void Store(std::unique_ptr<TPadStack> padStack, std::string key);
  // Copies the name of the stored padstack `index` into `padStack`; false
  // for kNotFound.
  bool TakeName(TPadStack& padStack, std::size_t index) const;
  // Reads a pad or via and builds its padstack; nullptr for another kind.
  std::unique_ptr<TPadStack> Build(THandle handle) const;
  // Adds the padstack of a handle unless an equal one is stored, and
  // remembers which one the handle has.
  void AddOrFind(THandle handle, std::unique_ptr<TPadStack> padStack);

  std::vector<std::unique_ptr<TPadStack>> FPadStacks;
  // The table index of every counted pad's and via's padstack, so that the
  // NET sections need not build it again.
  TKeyIndex FIndexOfObject;
  // Stored padstacks whose entries all differ, by their IndexKey: the first
  // one with each key.
  std::unordered_map<std::string, std::size_t> FIndex;
};
