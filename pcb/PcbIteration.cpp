#include "pcb/PcbIteration.h"

#include <memory>

#include "host/CountedString.h"
#include "host/HostAccess.h"
#include "host/PCBProcs.h"
#include "support/KeyIndex.h"

namespace {

// Created when the library is loaded, freed when it is unloaded.
std::unique_ptr<TPcbComponent> g_sharedComponent = std::make_unique<TPcbComponent>(0);

// Destroys a host iterator whatever happens to the visit.
class TIteratorGuard {
 public:
  explicit TIteratorGuard(THandle iterator) : iterator_(iterator) {}
  TIteratorGuard(const TIteratorGuard&) = delete;
  TIteratorGuard& operator=(const TIteratorGuard&) = delete;
  ~TIteratorGuard() { PcbApi_DestroyIterator(iterator_); }
  THandle get() const { return iterator_; }

 private:
  THandle iterator_;
};

// The two loops that every visit shares: kinds ascending, layers ascending
// within a kind, one host iterator for each pair.
template <typename TContainer, typename Visit>
void VisitObjects(TContainer& container, TObjectKindSet kinds, const LayerSet& layers, std::uint8_t filter,
                  Visit&& visit) {
  for (int kind = 0; kind <= kLastIteratedKind; ++kind) {
    if (((kinds >> kind) & 1u) == 0) continue;
    for (int L = 0; L <= kMaxLayer; ++L) {
      if (!layers.Contains(L)) continue;
      TIteratorGuard iterator(
          PcbApi_CreateIterator(container.Handle, static_cast<TObjectKindByte>(kind), filter, static_cast<Layer>(L)));
      for (THandle h = PcbApi_GetFirstObject(iterator.get()); h != 0; h = PcbApi_GetNextObject(iterator.get()))
        visit(h);
    }
  }
}

template <typename TContainer>
void IterateContainer(TContainer& container, TObjectKindSet kinds, const LayerSet& layers, TIterationCallback callback,
                      std::uint8_t filter) {
  VisitObjects(container, kinds, layers, filter, [&container, callback](THandle h) {
    // Stored again before every call: a nested iteration may have replaced it.
    container.Callback = callback;
    container.Callback(h);
  });
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string text) {
  for (char& c : text) c = AsciiUpper(c);
  return text;
}

bool IsWordSeparator(char c) { return c == ' ' || c == ','; }

}  // namespace

void IterateObjects(TBoard& Container, TObjectKindSet Kinds, const LayerSet& Layers, TIterationCallback Callback,
                    std::uint8_t Filter) {
  IterateContainer(Container, Kinds, Layers, Callback, Filter);
}

void IterateObjects(TNet& Container, TObjectKindSet Kinds, const LayerSet& Layers, TIterationCallback Callback,
                    std::uint8_t Filter) {
  IterateContainer(Container, Kinds, Layers, Callback, Filter);
}

void TPcbBoard::ForEachObject(void (*Callback)(THandle), TObjectKindSet Kinds, const LayerSet& OnLayers,
                              std::uint8_t Filter) {
  VisitObjects(*this, Kinds, OnLayers, Filter, [Callback](THandle h) {
    if (Callback != nullptr) Callback(h);
  });
}

std::int32_t TPcbBoard::CountObjects(TObjectKindSet Kinds) {
  std::int32_t count = 0;
  VisitObjects(*this, Kinds, LayerSet{0}, 0, [&count](THandle) { ++count; });
  return count;
}

std::int32_t TPcbBoard::CountDistinctObjects(TObjectKindSet Kinds, const LayerSet& OnLayers) {
  TKeyIndex seen;
  VisitObjects(*this, Kinds, OnLayers, 0, [&seen](THandle h) { seen.Emplace(h, 0); });
  return static_cast<std::int32_t>(seen.Size());
}

TObjectKind ObjectKindOf(THandle Handle) {
  return static_cast<TObjectKind>(PcbApi_GetObjectIdFromObjectHandle(Handle) & 0x7F);
}

TPcbComponent& SharedComponent() { return *g_sharedComponent; }

void ForgetSharedComponent() {
  TPcbComponent& component = SharedComponent();
  component.Handle = 0;
  component.CommentHandle = 0;
}

THandle GetCommentHandle(THandle ComponentHandle) {
  TPcbComponent& component = SharedComponent();
  if (component.Handle != ComponentHandle) {
    component.Handle = ComponentHandle;
    component.Query(1);
  }
  return component.CommentHandle;
}

std::string GetComponentDesignator(THandle ComponentHandle) {
  TPcbComponent component(ComponentHandle);
  component.Query(1);
  return component.GetName();
}

std::string JoinPinReference(std::string_view Designator, std::string_view PadName) {
  std::string reference(Designator);
  reference += '.';
  reference += PadName;
  return CutTo255(std::move(reference));
}

std::string GetPinReference(const TPCBObject& Pad) {
  const THandle componentHandle = Pad.GetComponentHandle();
  if (componentHandle == 0) return Pad.GetName();
  return JoinPinReference(GetComponentDesignator(componentHandle), Pad.GetName());
}

std::string GetDeviceDirective(THandle ComponentHandle) {
  const std::string comment = GetObjectText(GetCommentHandle(ComponentHandle));
  if (UpperAscii(GetWord(comment, 1)) != "HYPERLYNX") return {};
  // The second word comes from the comment read afresh.
  return CutTo255(UpperAscii(GetWord(GetObjectText(GetCommentHandle(ComponentHandle)), 2)));
}

std::string GetWord(std::string_view Text, int N) {
  if (N < 1) return {};
  std::size_t i = 0;
  int word = 0;
  while (i < Text.size()) {
    while (i < Text.size() && IsWordSeparator(Text[i])) ++i;
    if (i == Text.size()) break;
    const std::size_t start = i;
    while (i < Text.size() && !IsWordSeparator(Text[i])) ++i;
    if (++word == N) return std::string(Text.substr(start, i - start));
  }
  return {};
}

std::string MakeNetName(std::string_view Text) {
  std::string name;
  name.reserve(Text.size());
  for (char c : Text) {
    if (c == ' ') continue;
    name.push_back(c == '(' || c == ')' ? '_' : c);
  }
  return name;
}
