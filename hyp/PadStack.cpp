#include "hyp/PadStack.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "host/Progress.h"
#include "hyp/HypLayerNames.h"
#include "hyp/HypText.h"
#include "hyp/NumberFormat.h"
#include "hyp/Section.h"
#include "hyp/Translator.h"
#include "pcb/PcbIteration.h"
#include "pcb/Pcbclass.h"
#include "support/Rt_Util.h"
#include "support/TextOutput.h"

std::string ShapeText(std::uint8_t shape) {
  switch (shape) {
    case 1:
      return "0";
    case 2:
      return "1";
    case 3:
      return "2";
    default:
      return {};
  }
}

std::string KindLetter(std::uint8_t kind) {
  switch (kind) {
    case kMetalEntry:
      return "M";
    case kAntiPadEntry:
      return "A";
    case kThermalEntry:
      return "T";
    default:
      return {};
  }
}

std::string PadStackLayerName(std::uint8_t index) {
  if (index >= 1 && index <= 32) return HypValue(GetHypLayerName(index));
  if (index >= 33 && index <= 48) return HypValue(GetHypLayerName(index + 6));
  if (index == kPadStackMetalDefault) return "MDEF";
  if (index == kPadStackPlaneDefault) return "ADEF";
  // No layer: the empty name, which a reader takes only in quotes.
  return HypValue("");
}

// ---------------------------------------------------------------------------
// TPadStack

bool TPadStack::SameEntry(const TPadStackEntry& a, const TPadStackEntry& b) {
  return a.EntryKind == b.EntryKind && a.LayerIndex == b.LayerIndex && a.Shape == b.Shape && a.SizeX == b.SizeX &&
         a.SizeY == b.SizeY && a.Angle == b.Angle && a.ThermalShape == b.ThermalShape &&
         a.ThermalSizeX == b.ThermalSizeX && a.ThermalSizeY == b.ThermalSizeY && a.ThermalAngle == b.ThermalAngle;
}

bool TPadStack::HasEntry(const TPadStackEntry& entry) const {
  for (const TPadStackEntry& e : Entries)
    if (SameEntry(e, entry)) return true;
  return false;
}

bool TPadStack::SameAs(const TPadStack& other) const {
  if (Entries.size() != other.Entries.size() || HoleSize != other.HoleSize) return false;
  for (const TPadStackEntry& e : other.Entries)
    if (!HasEntry(e)) return false;
  return true;
}

void TPadStack::WriteEntry(TTextOutput& file, const TPadStackEntry& entry) const {
  if (entry.EntryKind == kNoEntry) return;
  // Three texts, each cut on its own: up to the angle, the thermal part, and
  // the kind with the closing parenthesis.
  std::string line = CutFragment(IndentString(IndentLevel) + "(" + PadStackLayerName(entry.LayerIndex) + ", " +
                                 ShapeText(entry.Shape) + ", " + FormatLength(entry.SizeX) + ", " +
                                 FormatLength(entry.SizeY) + ", " + FormatReal3(entry.Angle));
  if (entry.EntryKind == kThermalEntry)
    line += CutFragment(", " + ShapeText(entry.ThermalShape) + ", " + FormatLength(entry.ThermalSizeX) + ", " +
                        FormatLength(entry.ThermalSizeY) + ", " + FormatReal3(entry.ThermalAngle));
  line += ", " + KindLetter(entry.EntryKind) + ")";
  file.WriteLine(line);
}

void TPadStack::Write(TTextOutput& file) const {
  WriteSection(
      file, "PADSTACK=" + Name + ", " + FormatLength(HoleSize),
      [&] {
        bool written = false;
        for (const TPadStackEntry& entry : Entries) {
          WriteEntry(file, entry);
          written = written || entry.EntryKind != kNoEntry;
        }
        // A section needs one entry line to be read at all. A padstack without
        // copper says so with an anti-pad of no size, which cuts nothing.
        if (!written) {
          TPadStackEntry nothing;
          nothing.EntryKind = kAntiPadEntry;
          nothing.LayerIndex = kPadStackPlaneDefault;
          nothing.Shape = kRoundShape;
          WriteEntry(file, nothing);
        }
      },
      TOpeningLine::Cut);
}

// ---------------------------------------------------------------------------
// TPadStackList

namespace {

// The bytes of an entry, with -0.0 taken as 0.0 (they compare equal).
constexpr std::size_t kEntryBytes = sizeof(TPadStackEntry::EntryKind) + sizeof(TPadStackEntry::LayerIndex) +
                                    sizeof(TPadStackEntry::Shape) + sizeof(TPadStackEntry::SizeX) +
                                    sizeof(TPadStackEntry::SizeY) + sizeof(double) +
                                    sizeof(TPadStackEntry::ThermalShape) + sizeof(TPadStackEntry::ThermalSizeX) +
                                    sizeof(TPadStackEntry::ThermalSizeY) + sizeof(double);
using TEntryBytes = std::array<char, kEntryBytes>;

TEntryBytes EntryBytes(const TPadStackEntry& e) {
  const double angle = e.Angle == 0.0 ? 0.0 : e.Angle;
  const double thermalAngle = e.ThermalAngle == 0.0 ? 0.0 : e.ThermalAngle;
  TEntryBytes bytes{};
  std::size_t at = 0;
  auto put = [&bytes, &at](const auto& value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
    at += sizeof value;
  };
  put(e.EntryKind), put(e.LayerIndex), put(e.Shape), put(e.SizeX), put(e.SizeY), put(angle);
  put(e.ThermalShape), put(e.ThermalSizeX), put(e.ThermalSizeY), put(thermalAngle);
  return bytes;
}

// A key that two padstacks share exactly when they are the same, for
// padstacks whose entries all differ and hold no NaN angle; empty for any
// other padstack. For two such padstacks "the same" is "the same drill and
// the same set of entries", since equal counts of distinct entries leave no
// room for one to hold an entry the other lacks. A padstack that repeats an
// entry can never equal one that does not, so the index never misses.
std::string IndexKey(const TPadStack& p) {
  std::vector<TEntryBytes> entries;
  entries.reserve(p.Entries.size());
  for (const TPadStackEntry& e : p.Entries) {
    if (std::isnan(e.Angle) || std::isnan(e.ThermalAngle)) return {};
    entries.push_back(EntryBytes(e));
  }
  std::sort(entries.begin(), entries.end());
  if (std::adjacent_find(entries.begin(), entries.end()) != entries.end()) return {};
  std::string key(reinterpret_cast<const char*>(&p.HoleSize), sizeof p.HoleSize);
  key.reserve(key.size() + entries.size() * kEntryBytes);
  for (const TEntryBytes& e : entries) key.append(e.data(), e.size());
  return key;
}

}  // namespace

TPadStackList::TPadStackList(TTranslator& translator, TBoard& board, TTextOutput& file)
    : FTranslator(translator), FBoard(board), FOutput(file) {
  // The walk meets every pad before the NET sections: the pins' names are
  // noted on the way.
  FPadBuilder = [t = &translator](const TPCBObject& o) {
    t->NotePin(o);
    return t->PadToPadStack(o);
  };
  FViaBuilder = [t = &translator](const TPCBObject& o) { return t->ViaToPadStack(o); };
  FTranslator.OnFindPadStack = [this](TPadStack& padStack) { return FindPadStack(padStack); };
  FTranslator.OnFindPadStackOf = [this](THandle handle, std::string& name) { return FindPadStackOf(handle, name); };
}

TPadStackList::~TPadStackList() {
  FTranslator.OnFindPadStack = nullptr;
  FTranslator.OnFindPadStackOf = nullptr;
}

void TPadStackList::WriteAll() {
  FOutput.WriteLine("");
  Collect();
  for (const auto& padStack : FPadStacks) padStack->Write(FOutput);
}

void TPadStackList::Collect() {
  IterateObjects(FBoard, kVisitedKinds, VisitedLayers(), BindMethod<&TPadStackList::AddObject>(*this), 0);
}

void TPadStackList::AddObject(THandle handle) {
  if (handle == 0) return;
  ProgressStep();
  // A host may yield a pad or via once per layer it touches. Only its first
  // meeting can add a padstack; a later one would build the same padstack
  // and fall on the one it added, so it is not read again.
  if (FIndexOfObject.Find(handle) != nullptr) return;
  AddOrFind(handle, Build(handle));
}

std::unique_ptr<TPadStack> TPadStackList::Build(THandle handle) const {
  // The object lives for this one call.
  const auto build = [](TPCBObject& object, const TPadStackBuilder& builder) {
    object.Query(1);
    return builder(object);
  };
  switch (ObjectKindOf(handle)) {
    case kPadObject: {
      TPad pad(handle);
      return build(pad, FPadBuilder);
    }
    case kViaObject: {
      TPcbVia via(handle);
      return build(via, FViaBuilder);
    }
    default:
      // The visit asks for pads and vias only; a host that yields anything
      // else has nothing here that a padstack could describe.
      return nullptr;
  }
}

void TPadStackList::AddOrFind(THandle handle, std::unique_ptr<TPadStack> padStack) {
  if (!padStack) return;
  std::string key = IndexKey(*padStack);
  std::size_t i = IndexOf(*padStack, key);
  if (i == kNotFound) {
    i = FPadStacks.size();
    Store(std::move(padStack), std::move(key));
  }
  FIndexOfObject.Emplace(handle, static_cast<std::uint32_t>(i));
}

void TPadStackList::AddPadStack(std::unique_ptr<TPadStack> padStack) {
  std::string key = IndexKey(*padStack);
  Store(std::move(padStack), std::move(key));
}

void TPadStackList::Store(std::unique_ptr<TPadStack> padStack, std::string key) {
  padStack->Name = std::to_string(FPadStacks.size());
  if (!key.empty()) FIndex.emplace(std::move(key), FPadStacks.size());
  FPadStacks.push_back(std::move(padStack));
}

std::size_t TPadStackList::IndexOf(const TPadStack& padStack, const std::string& key) const {
  if (key.empty()) {
    for (std::size_t i = 0; i < FPadStacks.size(); ++i)
      if (FPadStacks[i]->SameAs(padStack)) return i;
    return kNotFound;
  }
  const auto found = FIndex.find(key);
  return found == FIndex.end() ? kNotFound : found->second;
}

bool TPadStackList::FindPadStack(TPadStack& padStack) const {
  return TakeName(padStack, IndexOf(padStack, IndexKey(padStack)));
}

bool TPadStackList::FindPadStackByScan(TPadStack& padStack) const {
  return TakeName(padStack, IndexOf(padStack, std::string()));
}

bool TPadStackList::TakeName(TPadStack& padStack, std::size_t index) const {
  if (index == kNotFound) return false;
  padStack.Name = FPadStacks[index]->Name;
  return true;
}

bool TPadStackList::FindPadStackOf(THandle handle, std::string& name) const {
  const std::uint32_t* found = FIndexOfObject.Find(handle);
  if (found == nullptr) return false;
  name = FPadStacks[*found]->Name;
  return true;
}
