#pragma once
// The primitive translator: the one place where board model values become
// HYP text. It names layers, converts layers into padstack layer indexes,
// produces the one-line record texts ("fragments") for tracks, arcs, pads and
// vias, and holds the material settings that the STACKUP section prints.
//
// The translator writes nothing itself: every fragment operation returns its
// text (at most kHypRecordCapacity characters) and the caller writes it
// between "(" and ")" on a line of its own.
#include <array>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/CountedString.h"
#include "host/PcbApi.h"
#include "host/RT_PCB.h"
#include "hyp/HypText.h"
#include "hyp/Names.h"
#include "hyp/NumberFormat.h"
#include "hyp/Outline.h"

class TBoard;
class TPCBObject;
class TPadStack;
class TPcbPad;

// The padstack lookup that the padstack table installs: true when a padstack
// equal to the one given is already in the table, in which case the stored
// padstack's name has been copied into the one given.
using TFindPadStackEvent = std::function<bool(TPadStack&)>;

// A fragment operation bound to its translator, as the section writers hold
// them.
using TTranslateEvent = std::function<std::string(const TPCBObject&)>;

// Padstack layer indexes (the layer of one padstack entry).
inline constexpr std::uint8_t kPadStackNoLayer = 0;
inline constexpr std::uint8_t kPadStackMetalDefault = 49;  // "MDEF": every metal layer
inline constexpr std::uint8_t kPadStackPlaneDefault = 50;  // "ADEF": every plane layer

// Padstack shape codes (printed "0", "1", "2"); 0 is a none entry's shape.
inline constexpr std::uint8_t kRoundShape = 1;
inline constexpr std::uint8_t kRectangleShape = 2;
inline constexpr std::uint8_t kOblongShape = 3;

// The device classes of the DEVICES section, in the order the groups are
// written, and the word of each: the word a component's comment names it by
// and the head of its record ("?" for the unclassified, which no word names).
enum class TDeviceClass : std::uint8_t { Unclassified, IC, R, C, J, L, CR, BD };
inline constexpr std::string_view kDeviceClassWords[] = {"?", "IC", "R", "C", "J", "L", "CR", "BD"};
inline constexpr int kDeviceClassCount = static_cast<int>(std::size(kDeviceClassWords));
static_assert(static_cast<int>(TDeviceClass::BD) + 1 == kDeviceClassCount, "one word per device class");

class TTranslator {
 public:
  // A translator for one export run over `board` (not owned; may be null for
  // the translator's own tests, since no fragment reads the board).
  explicit TTranslator(TBoard* board = nullptr);
  TTranslator(const TTranslator&) = delete;
  TTranslator& operator=(const TTranslator&) = delete;

  TBoard* Board() const { return FBoard; }

  // Stack-up settings, set by the constructor and left unchanged by the run.
  std::int32_t SignalPlating = 0;               // host units, after " P=" of SIGNAL
  TShortString SignalResistivity{"1.724e-8"};   // after " C=" of SIGNAL
  TCountedString<20> SignalMaterial{"COPPER"};  // after " M=" of SIGNAL
  TShortString PlaneResistivity{"1.724e-8"};    // after " C=" of PLANE
  TCountedString<20> PlaneMaterial{"COPPER"};   // after " M=" of PLANE

  // Installed by the padstack table when it is created; empty until then.
  // While it is empty every padstack lookup fails.
  TFindPadStackEvent OnFindPadStack;
  // Also installed by the table: the name of the padstack that the table
  // gave the pad or via of a handle when it was filled, if it counted that
  // object. Asked first, so that an object's padstack is built once per run.
  std::function<bool(THandle, std::string&)> OnFindPadStackOf;

  // The padstack layer index of a layer: 1..32 for layers 1..32, 33..48 for
  // the internal planes 39..54. Any other layer shows the error message
  // "Error in ConvertToHyperlynxLayer" and gives 0.
  static std::uint8_t ConvertToHyperlynxLayer(int layer);

  // Fragments. Each checks the object's kind first; an object of another
  // kind gives an empty text. Numbers are FormatLength texts, layer names the
  // HypLayerNames entries of the object's layer.

  // Track (kind 4): "SEG X1= Y1= X2= Y2= W= L=".
  std::string TranslateTrackToString(const TPCBObject& object);
  // Arc (kind 1): "ARC X1= Y1= X2= Y2= XC= YC= R= W= L=", end point first.
  std::string TranslateArcToString(const TPCBObject& object);
  // Pad (kind 2): "PIN X= Y= R=<designator>.<pad name> P=<padstack>" for a
  // pad of a component, "VIA X= Y= P=<padstack>" for a free pad. The pad
  // name is the one the run's names give it within its component (a point
  // written "_", as in the designator, so that the reference splits one way
  // only).
  std::string TranslatePadToString(const TPCBObject& object);
  // Via (kind 3): "VIA X= Y= P=<padstack>".
  std::string TranslateViaToString(const TPCBObject& object);
  // Board outline track (kind 4): "PERIMETER_SEGMENT X1= Y1= X2= Y2=".
  std::string TranslatePerimeterTrackToString(const TPCBObject& object);
  // Board outline arc (kind 1): "PERIMETER_ARC X1= Y1= X2= Y2= XC= YC= R=",
  // start point first.
  std::string TranslatePerimeterArcToString(const TPCBObject& object);
  // The same two records of an outline piece as the BOARD section writes it,
  // its ends as ArrangeOutline printed (and perhaps joined) them.
  static std::string PerimeterPieceText(const TOutlinePiece& piece);
  // The piece of an outline track or arc; nullopt for another kind.
  static std::optional<TOutlinePiece> OutlinePieceOf(const TPCBObject& object);
  // Component (kind 9): the class prefix ("? REF=", "IC REF=", ...), the
  // designator as the run's names give it (every point written "_"), " L="
  // and the layer name of the component's side.
  std::string TranslateDeviceToString(const TPCBObject& object, TDeviceClass deviceClass);

  // The padstack shape code of a host pad shape: 1 (round), 2 (rectangle)
  // and 3 (octagon, written as the oblong shape) stay; every other code,
  // 0 included, gives 2: a rounded or chamfered rectangle is a rectangle,
  // and a shape this library does not know is the rectangle that holds it.
  static std::uint8_t ConvertToHyperlynxShape(std::uint8_t hostShape);

  // The names of the run (designators, pad names, net names) and what was
  // changed to write them.
  THypNames& Names() { return FNames; }
  const THypNames& Names() const { return FNames; }
  // The most characters a component's designator takes as a HYP value on
  // its device line: what the line leaves after the class prefix, " L=" and
  // the layer name, and at most what a pin line leaves for it.
  std::size_t DesignatorCapacity(TDeviceClass deviceClass, const TPCBObject& component);
  // A pad read before the NET sections (by the padstack table's walk): a
  // pad of a component that belongs to a net has its name noted, so that
  // the pad names of each component are given together (THypNames).
  void NotePin(const TPCBObject& pad);

  // The padstack of a pad or a via that has been read from the host, owned by
  // the caller; nullptr for an object of another kind. A pad's entries come
  // from its own values, its plane clearance and its plane connection code
  // (the planes InternalPlane1..4 that the board holds); a via's from the
  // host's layer stack and the via's interface, except for a simple through
  // via (MDEF and ADEF).
  // A pad whose shape is written as another shape is told (THypNames).
  std::unique_ptr<TPadStack> PadToPadStack(const TPCBObject& object);
  std::unique_ptr<TPadStack> ViaToPadStack(const TPCBObject& object);

 private:
  // The name of the padstack of a pad or via, through OnFindPadStack. When
  // none is found (also while OnFindPadStack is empty) shows `errorMessage`
  // and gives the empty name.
  std::string PadStackName(const TPCBObject& object, const char* errorMessage);
  // Builds the object's padstack, looks it up and frees it again; true with
  // the stored padstack's name when an equal one is in the table.
  bool LookUpPadStack(const TPCBObject& object, std::string& name);

  // The layer numbers of the board's stack, first to last, and whether each
  // of InternalPlane1..4 is present: asked once per run (the host's stack
  // does not change while it waits for the export).
  const std::vector<std::uint8_t>& StackLayers();
  bool PlanePresent(int k);

  // The HYP value of the layer name of an object's layer (quoted where it
  // must be), made once per name.
  const std::string& LayerValue(const TPCBObject& object);
  // The designator of a component, read from the host once per run: every
  // pin of the component names it. The DEVICES section, written first,
  // names every component it writes before its first line.
  const std::string& Designator(THandle component);
  // The padstack of a pad, every host shape through WrittenShape, which
  // keeps the first one written as another shape (FChangedShape).
  std::unique_ptr<TPadStack> BuildPadStack(const TPcbPad& pad);
  std::uint8_t WrittenShape(std::uint8_t hostShape);

  // The most characters a designator takes as a HYP value: what a pin
  // record leaves for it when every number has its widest text, the pad
  // name its 20 characters, the reference its quotes and the padstack name
  // ten digits.
  static constexpr std::size_t kDesignatorCapacity =
      kHypRecordCapacity - (sizeof("PIN X= Y= R=\"\" P=") - 1) - 2 * kLengthTextMax - 1 - 20 - 10;

  TBoard* FBoard;
  std::array<std::pair<std::string, std::string>, kLayerCount> FLayerValues;
  std::optional<std::vector<std::uint8_t>> FStackLayers;
  std::array<std::int8_t, 4> FPlanePresent{-1, -1, -1, -1};
  THypNames FNames;
  // The first host shape of the pad being built that its padstack writes
  // as another shape, and the code written (0: none so far).
  std::uint8_t FChangedShape = 0;
  std::uint8_t FWrittenShape = 0;
};
