#pragma once
// The NET sections: one per net of the board, in the order the host yields
// the nets, each listing the net's tracks, arcs, vias and pads as SEG, ARC,
// VIA and PIN lines (a pad without a component is written as a VIA line).
// Objects that belong to no net appear in no NET section.
#include <string>
#include <vector>

#include "host/PcbApi.h"
#include "hyp/HypText.h"
#include "hyp/Translator.h"

class TBoard;
class TTextOutput;

class TNetWriter {
 public:
  // Binds the translator's track, arc, pad and via fragments. The
  // translator, board and file must outlive the writer.
  TNetWriter(TTranslator& translator, TBoard& board, TTextOutput& file);
  TNetWriter(const TNetWriter&) = delete;
  TNetWriter& operator=(const TNetWriter&) = delete;

  // An empty line, then every net's section: the nets are read first, in
  // the order the host yields them, and named together
  // (THypNames::ClaimNetNames), then written in that order.
  void Write();
  // One visited net: advances the progress display, reads it and keeps its
  // handle and name.
  void AddNet(THandle handle);
  // One NET section under the name given: the net's members in the order
  // tracks, arcs, vias, pads (within one kind in the host's order).
  void WriteNet(THandle handle, const std::string& name);
  // One member line each.
  void WriteTrack(THandle handle);
  void WriteArc(THandle handle);
  void WriteVia(THandle handle);
  void WritePad(THandle handle);

 private:
  // Reads the object of a handle (made with the further arguments, if any)
  // and writes its record.
  template <typename TObject, typename... TArgs>
  void WriteMember(THandle handle, const TTranslateEvent& fragment, TArgs... args);

  TTextOutput& FOutput;
  TBoard& FBoard;
  TTranslateEvent FOnTrack;
  TTranslateEvent FOnArc;
  TTranslateEvent FOnPad;
  TTranslateEvent FOnVia;
  TTranslator& FTranslator;
  // The nets read, with their names as the design holds them.
  std::vector<THandle> FNets;
  std::vector<std::string> FNetNames;
};
