#pragma once
// The names of one run that the file gives objects of the board: the
// designators, the pad names of each component and the net names, each
// decided in a pass over the whole name space before the first record that
// names one (hyp/HypText.h: THypNameSpace::ClaimAll), and what every change
// to the design's names and pad shapes was, for the run's notes.
// docs/hyp-names.md gives the rules.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/PcbApi.h"
#include "hyp/HypText.h"

// The most characters of a pad name as the host gives it; a pad name keeps
// as many with its suffix.
inline constexpr std::size_t kPadNameCapacity = 20;

// The most designators a run tells one by one; the rest are counted.
inline constexpr std::size_t kDesignatorLinesMax = 50;

// A designator or a pad name as a pin reference part: every point made "_".
std::string WithoutPoints(std::string name);

// A long name in a note: its first 40 characters, "..." and its length.
std::string Abridged(const std::string& name);

class THypNames {
 public:
  // What the run changed, kind by kind, each with its first case.
  struct TChanges {
    THypChangeTally DesignatorPoints;  // "RM1.1 as RM1_1"
    THypChangeTally PadNamePoints;     // "1.1 as 1_1"
    THypChangeTally Replaced;          // a double quote or a control character made "_"
    THypChangeTally Shortened;         // a name cut to fit its record
    THypChangeTally NetSuffixes;
    THypChangeTally DesignatorSuffixes;
    THypChangeTally PadNameSuffixes;
    THypChangeTally PadShapes;  // pads written as another shape
    // "U"1 is written U_1_2": the first kDesignatorLinesMax designators
    // written under another name, and how many there are.
    std::vector<std::string> DesignatorLines;
    std::size_t DesignatorsRenamed = 0;
  };
  const TChanges& Changes() const { return FChanges; }

  // One component's designator as the design holds it, and the most
  // characters its HYP value may take.
  struct TDesignator {
    THandle component = 0;
    std::string design;
    std::size_t capacity = static_cast<std::size_t>(-1);
  };
  // Names the components of the DEVICES section together, in its order.
  void ClaimDesignators(const std::vector<TDesignator>& designators);
  // The name a component is written under; nullptr while it has none.
  const std::string* FindDesignator(THandle component) const;
  // A component named alone (one the DEVICES section did not visit, or a
  // translator used without the section): the first free name.
  const std::string& ClaimDesignator(THandle component, const std::string& design, std::size_t capacity);

  // A pad of a component that belongs to a net, met before the NET
  // sections: its pin line will name it.
  void NotePin(THandle component, const std::string& design);
  // Names the noted pads, component by component. Pads of one component
  // that the design names alike share their name (a part's pads named
  // alike are one pin to the designer); pads named differently that come
  // out alike are kept apart.
  void ClaimPadNames();
  // The name a pad of a component is written under in its pin reference; a
  // pad name that was not noted takes the first free name of its component.
  std::string PadName(THandle component, const std::string& design);

  // The names of the nets, in the order of their sections, given together.
  std::vector<std::string> ClaimNetNames(const std::vector<std::string>& designNames);

  // A pad whose host shape is written as another shape (`written` is the
  // padstack shape code). The first one is told by its pin reference, or by
  // its place when it has none.
  void NotePadShape(THandle component, const std::string& pad, std::int32_t x, std::int32_t y, std::uint8_t hostShape,
                    std::uint8_t written);
  // The first such pad as the note tells it (once the names are given).
  std::string PadShapeExample() const;

 private:
  struct TPin {
    THandle component;
    std::string design;
  };
  // The pad names of one component: by the design's name, the name written.
  struct TPadNames {
    THypNameSpace space{/*plainSize=*/true};
    std::unordered_map<std::string, std::string> byDesign;
  };
  struct TShapeCase {
    THandle component = 0;
    std::string pad;
    std::int32_t x = 0, y = 0;
    std::uint8_t hostShape = 0, written = 0;
  };
  void Tell(const std::string& kind, const std::string& design, const std::string& cleaned, const THypGivenName& given,
            THypChangeTally* suffixes, THypChangeTally* points);
  void TellDesignator(const std::string& design, const std::string& written);
  TPadNames& PadNames(THandle component) { return FPadNames[component]; }

  THypNameSpace FDesignatorNames;
  std::unordered_map<THandle, std::string> FDesignators;
  std::vector<TPin> FPins;
  std::unordered_map<THandle, TPadNames> FPadNames;  // by component
  THypNameSpace FNetNames;
  TShapeCase FShapeCase;
  TChanges FChanges;
};
