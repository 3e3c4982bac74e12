#pragma once
// Visiting the board's objects through the host, and the small text
// operations that the section writers use beside it.
//
// The board model holds no primitives. To visit them, the host creates one
// iterator per wanted kind and wanted layer, and every handle it yields goes
// to a callback, which typically creates the object (CreatePcbObject or a
// class's constructor), reads it and writes something. The same visit works
// on a net: then the host yields the net's objects.
//
// Callbacks of IterateObjects are bound methods (TIterationCallback: code and
// object, see Pcbclass.h). The callback is stored in the container's Callback
// field before every call and called through that field, so a callback may
// start another iteration on the same container, with its own callback, and
// both go on calling their own. Everything runs on the host's calling thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "host/PcbApi.h"
#include "host/RT_PCB.h"
#include "pcb/PcbBoard.h"
#include "pcb/Pcbclass.h"

// Only kinds 0..25 and layers 0..82 are ever visited.
inline constexpr int kLastIteratedKind = 25;

// The kind sets the writers use.
inline constexpr TObjectKindSet kTrackKinds = KindSetOf({kTrackObject});                // 16
inline constexpr TObjectKindSet kArcKinds = KindSetOf({kArcObject});                    // 2
inline constexpr TObjectKindSet kPadKinds = KindSetOf({kPadObject});                    // 4
inline constexpr TObjectKindSet kViaKinds = KindSetOf({kViaObject});                    // 8
inline constexpr TObjectKindSet kPadAndViaKinds = KindSetOf({kPadObject, kViaObject});  // 12
inline constexpr TObjectKindSet kNetKinds = KindSetOf({kNetObject});                    // 256
inline constexpr TObjectKindSet kComponentKinds = KindSetOf({kComponentObject});        // 512
inline constexpr TObjectKindSet kCountedKinds =
    KindSetOf({kPadObject, kViaObject, kNetObject, kComponentObject});  // 780

// For each kind K in Kinds (ascending) and each layer L in Layers
// (ascending): an iterator on the container for K and LayerToLayerCode(L),
// every handle it yields handed to Callback, the iterator destroyed (also
// when the callback raises). Within one iterator the order is the host's; an
// object yielded by two iterators is visited twice.
void IterateObjects(TBoard& Container, TObjectKindSet Kinds, const LayerSet& Layers, TIterationCallback Callback,
                    std::uint8_t Filter);
void IterateObjects(TNet& Container, TObjectKindSet Kinds, const LayerSet& Layers, TIterationCallback Callback,
                    std::uint8_t Filter);

// The same with any callable that takes a handle (a lambda, for instance),
// bound for the duration of the call.
template <typename TContainer, typename F>
requires(std::is_same_v<TContainer, TBoard> || std::is_same_v<TContainer, TNet>) && std::is_invocable_v<F&, THandle> &&
    (!std::is_same_v<std::decay_t<F>, TIterationCallback>)void IterateObjects(TContainer& Container,
                                                                              TObjectKindSet Kinds,
                                                                              const LayerSet& Layers, F&& Callback,
                                                                              std::uint8_t Filter) {
  IterateObjects(Container, Kinds, Layers, BindCallable(Callback), Filter);
}

// The kind (0..127) the host reports for the object of a handle.
TObjectKind ObjectKindOf(THandle Handle);

// The component kept from library load to unload (created with handle 0):
// the last component read by GetCommentHandle.
TPcbComponent& SharedComponent();
// Makes the shared component hold no component, as after loading. Every
// export run starts so: a component read in an earlier run may be gone and
// its handle taken by another one, whose comment is elsewhere.
void ForgetSharedComponent();

// The comment text object's handle of a component. The shared component is
// read again only when it holds another component's handle.
THandle GetCommentHandle(THandle ComponentHandle);

// The pad's name when it has no component; otherwise the designator of its
// component, ".", and the pad's name, cut to 255 characters.
std::string GetPinReference(const TPCBObject& Pad);
// The two halves of it: the designator text of a component, read from the
// host, and the reference of a pad (by its name as written) of a component
// whose designator is known.
std::string GetComponentDesignator(THandle ComponentHandle);
std::string JoinPinReference(std::string_view Designator, std::string_view PadName);

// The device class that the component's comment names: when the comment's
// first word is "HYPERLYNX" (ASCII letters in any case), its second word in
// upper case (cut to 255 characters); otherwise empty.
std::string GetDeviceDirective(THandle ComponentHandle);

// The N-th word of Text (N from 1). Words are runs of characters other than
// space and comma. Empty when Text has fewer than N words or N < 1.
std::string GetWord(std::string_view Text, int N);

// A net name as the HYP text carries it: every space removed, then every
// "(" and ")" replaced by "_".
std::string MakeNetName(std::string_view Text);
