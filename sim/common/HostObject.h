#pragma once
// The base of the simulated host's interface objects: reference counting and
// QueryInterface over the host's interface declarations.
//
// Every interface an operation hands out carries one reference, which the
// receiver gives back with Release. Objects made for one caller live on the
// heap and die with their last reference; the few that live as long as the
// module (the client, the PCB module and server, the workspace and its message
// list) never die, but the references they hand out are counted all the same.
// OutstandingReferences() (defined once per module) is the number of
// references handed out and not yet given back: zero whenever every caller
// has cleaned up.
#include <cstdint>

#pragma GCC diagnostic push
// The host's interfaces have no virtual destructor: nobody deletes through
// them, objects delete themselves in Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#include "host/HostInterfaces.h"

namespace sim {

std::int32_t& OutstandingReferences();

// {00000000-0000-0000-C000-000000000046}, which every object answers.
inline constexpr TGuid kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

template <typename Interface>
class HostObject : public Interface {
 public:
  THostResult TQ_STDCALL QueryInterface(const TGuid& iid, void** out) override {
    if (out == nullptr) return kHostFail;
    if (iid == kIidUnknown || Answers(iid)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return kHostOk;
    }
    *out = nullptr;
    return kHostNoInterface;
  }
  std::uint32_t TQ_STDCALL AddRef() override {
    ++OutstandingReferences();
    return ++references_;
  }
  std::uint32_t TQ_STDCALL Release() override {
    --OutstandingReferences();
    if (references_ == 0) return 0;  // a release too many; counted above, harmless here
    const std::uint32_t left = --references_;
    if (left == 0 && onHeap_) delete this;
    return left;
  }

  // Hands out the object with one new reference (for objects that live as
  // long as the module).
  Interface* Share() {
    AddRef();
    return this;
  }

 protected:
  // Heap objects start with the one reference their creator hands out.
  explicit HostObject(bool onHeap = true) : onHeap_(onHeap), references_(onHeap ? 1 : 0) {
    if (onHeap) ++OutstandingReferences();
  }
  virtual ~HostObject() = default;
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  // The interface identifiers this object answers besides kIidUnknown.
  virtual bool Answers(const TGuid&) const { return false; }

 private:
  const bool onHeap_;
  std::uint32_t references_;
};

}  // namespace sim

#pragma GCC diagnostic pop
