#pragma once
// The program's copy of the board document open in the host: its own
// settings, one layer object per board layer 1..82 with the stack links,
// copper and dielectric data, the drill layer pairs and the external
// dielectrics. The primitives are not held here; they are visited through
// the board's handle (PcbIteration.h).
//
// Like the board objects, the board and its layers exchange their fields with
// the host through queries that take a mode (1 reads, 0 writes), keep the
// host's units, and are packed records whose fields the host writes through
// their own pointers. Everything the board owns (layer objects, the pair
// list) lives on the heap behind TPackedOwner.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/CountedString.h"
#include "host/PcbApi.h"
#include "host/RT_PCB.h"
#include "pcb/Pcbclass.h"

// The host's interfaces and their owner (host/HostAccess.h); the model's
// headers only name them.
template <typename T>
class THostRef;
struct IPcbBoard;

#pragma pack(push, 1)

// One layer of the board (numbers 1..82).
class TLayerObject {
 public:
  // Stores both values and the defaults; the name starts as the layer's key
  // name ("TopLayer", "MidLayer1", ...).
  TLayerObject(THandle boardHandle, Layer layerNumber);
  TLayerObject(const TLayerObject&) = delete;
  TLayerObject& operator=(const TLayerObject&) = delete;
  virtual ~TLayerObject();

  // QueryLayer, then QueryLayerDielectric; returns the layer query's result.
  virtual std::int32_t Query(TMode Mode);

  THandle BoardHandle = 0;
  std::uint8_t LayerNumber = 0;
  TShortString LayerName;
  std::int32_t CopperThickness = 14000;  // 1.4 mil
  TShortString DielectricMaterial;       // "FR-4"
  std::uint8_t DielectricType = 1;
  double DielectricConstant = 4.8;
  std::int32_t DielectricHeight = 126000;  // 12.6 mil
  std::uint8_t LayerByte1 = 0;
  std::uint8_t LayerByte2 = 0;
  std::uint8_t PrevLayer = 0;  // previous layer in the stack order; 0 = none
  std::uint8_t NextLayer = 0;  // next layer in the stack order; 0 = none
  std::uint16_t LayerExtra = 0;
};

// An internal plane layer (numbers 39..54) with the name of its net.
class TInternalPlane : public TLayerObject {
 public:
  TInternalPlane(THandle boardHandle, Layer layerNumber);

  // QueryInternalPlane (which carries the net name instead of LayerExtra),
  // then QueryLayerDielectric; returns the plane query's result.
  std::int32_t Query(TMode Mode) override;

  TShortString PlaneNetName;  // "(No Net)"
};

// One drill layer pair.
class TPcblayerPair {
 public:
  TPcblayerPair();

  Layer GetLayer1() const;
  Layer GetLayer2() const;
  void SetLayer1(Layer L);
  void SetLayer2(Layer L);

  TShortString Name;
  TLayerCode LayerCode1 = 0;
  TLayerCode LayerCode2 = 0;
  std::uint8_t PairByte1 = 0;
  std::uint8_t PairByte2 = 0;
};

using TLayerPairList = std::vector<std::unique_ptr<TPcblayerPair>>;

// Blocks of board settings that are exchanged and kept, never interpreted.
struct TPlotterPen {
  std::int32_t Values[2];
};
struct TCompositeLayerEntry {
  std::int32_t Values[3];
  std::uint8_t Flag;
};

// The board.
class TPcbBoard {
 public:
  // The largest number of layer pairs read from the host; a board with 82
  // layers has fewer distinct pairs than this.
  static constexpr std::int32_t kMaxLayerPairs = 10000;

  // Stores the handle, creates the 82 layer objects (internal planes for
  // 39..54) and the empty pair list, and sets the defaults. Reads nothing.
  explicit TPcbBoard(THandle handle);
  TPcbBoard(const TPcbBoard&) = delete;
  TPcbBoard& operator=(const TPcbBoard&) = delete;
  virtual ~TPcbBoard();

  // The board read (or write): the board's own values, the per-layer info,
  // the 82 layers, the split-plane mode, the grid and option blocks, the
  // layer pairs (reading rebuilds the list from scratch) and the external
  // dielectrics. Returns the result of PcbApi_QueryBoard.
  virtual std::int32_t Query(TMode Mode);

  // The layer object of a layer number; nullptr outside 1..82.
  TLayerObject* LayerObject(int L) const;
  // The layer with the lowest number whose PrevLayer is 0; nullptr if none.
  TLayerObject* FirstStackLayer() const;
  // The layer after the given one in the stack order; nullptr at the end
  // (NextLayer 0 or not a layer number 1..82).
  TLayerObject* NextStackLayer(const TLayerObject* layer) const;
  // The 1-based position of a layer among the members of set, counted along
  // the stack order from FirstStackLayer; 0 when the layer is not in set (or
  // is nullptr). A chain that does not reach the layer gives the number of
  // set members in the whole chain. A chain never visits more than 82 layers,
  // whatever links the host reports.
  int StackPosition(const LayerSet& set, const TLayerObject* layer) const;

  // The host's board interface for Handle; empty when there is no PCB
  // server. A failing interface call raises EHostError.
  THostRef<IPcbBoard> GetBoardInterface() const;
  // Whether the host's layer stack reports the layer as present; false for
  // a code that is not a design layer, without a board interface, or when
  // the stack has no entry for the code. Raises EHostError on a failing call.
  bool IsLayerPresent(TLayerCode code) const;

  // The layer numbers of the stack, first to last: the host's layer stack
  // as its interfaces present it (host/LayerStack.h), or, for a host that
  // gives no board or layer-stack interface, the stack order the board's
  // layers were given through the entry points (FirstStackLayer and on, at
  // most 83 layers). Raises EHostError on a failing interface call.
  std::vector<Layer> StackLayers() const;

  // The drill layer pairs, in the host's order.
  const TLayerPairList& Pairs() const { return *LayerPairs; }

  // Visits every object of the wanted kinds (0..25) on the wanted layers
  // (0..82) through the host and calls callback with each handle. Kinds
  // ascend, and layers ascend within a kind; the callback is not stored.
  void ForEachObject(void (*Callback)(THandle), TObjectKindSet Kinds, const LayerSet& OnLayers, std::uint8_t Filter);
  // The number of handles a visit of the kinds on every layer yields (the
  // same host calls as that visit).
  std::int32_t CountObjects(TObjectKindSet Kinds);
  // The number of different handles a visit of the kinds on the wanted
  // layers yields (the same host calls as that visit): what a walk that
  // takes each object once, however often the host yields it, can meet.
  std::int32_t CountDistinctObjects(TObjectKindSet Kinds, const LayerSet& OnLayers);

  THandle Handle = 0;
  std::int32_t BoardValue1 = 0;
  TShortString BoardText;  // written after "{BOARD "
  std::uint8_t BoardByte1 = 0;
  std::int32_t BoardValue2 = 0;
  std::int32_t BoardValue3 = 0;
  std::int32_t BoardValue4 = 0;
  std::int32_t BoardValue5 = 0;
  std::uint8_t BoardByte2 = 0;
  TShortString TopDielectricMaterial;  // "FR-4"
  std::uint8_t TopDielectricType = 1;
  double TopDielectricConstant = 4.8;
  std::int32_t TopDielectricHeight = 126000;
  TShortString BottomDielectricMaterial;  // "FR-4"
  std::uint8_t BottomDielectricType = 1;
  double BottomDielectricConstant = 4.8;
  std::int32_t BottomDielectricHeight = 126000;
  std::uint8_t BoardLayer = 0;  // exchanged as a LayerCode
  // Index 1..82; entry 0 stays empty.
  TPackedOwner<TLayerObject> Layers[kLayerCount];
  TPackedOwner<TLayerPairList> LayerPairs;   // never null
  std::int32_t LayerInfo[kLayerCount] = {};  // index 1..82
  double GridValues[14] = {};
  double GridExtraValues[2] = {};  // copies of grid values 7 and 13
  std::int32_t OutputOptions[24] = {};
  std::uint8_t PlotLayers[110] = {};  // index 1..109
  std::uint8_t FlipLayers[110] = {};  // index 1..109
  std::int32_t GerberOptions[19] = {};
  std::int32_t PrinterOptions[26] = {};
  TPlotterPen PlotterPens[9] = {};                         // index 1..8
  TCompositeLayerEntry CompositeLayers[kLayerCount] = {};  // index 1..82
  std::int32_t PlacerOptions[6] = {};
  std::int32_t ChangeOrderOptions[2] = {};
  std::int32_t BoardValue6 = 0;
  std::uint8_t SplitPlaneMode = 1;

 private:
  void QueryLayerPairs(TMode Mode);
  void NamePair(TPcblayerPair& pair) const;
};

// The board the export creates: a board with the callback field that
// IterateObjects stores before each call.
class TBoard : public TPcbBoard {
 public:
  explicit TBoard(THandle handle) : TPcbBoard(handle) {}
  TIterationCallback Callback;  // not exchanged with the host
};

#pragma pack(pop)

// The handle of the board open in the host; 0 when the host names none.
THandle CurrentBoardHandle();
// Counts the current board's handle among the failed reads of the run: for
// a host whose PCB server has a board open while its entry point named none,
// so that nothing of the board was read.
void NoteCurrentBoardUnnamed();

// Signal layers 1..32 and internal planes 39..54: the layers that count for
// stack positions.
LayerSet ElectricalLayers();
