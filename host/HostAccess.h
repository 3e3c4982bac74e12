#pragma once
// Access to the host's object interfaces, and the error that a failed
// interface call raises.
//
// Unlike the PCB server library's entry points, which never fail, a failure
// result of any interface call raises EHostError. It ends the export run; the
// library's exports hand it on to the host (on Windows as a structured
// exception, see exporter/Tarnquil.cpp).
#include <stdexcept>
#include <string>
#include <utility>

#include "host/HostInterfaces.h"
#include "host/HostOperations.h"

class EHostError : public std::runtime_error {
 public:
  EHostError(const std::string& operation, THostResult result);
  THostResult Result() const { return result_; }

 private:
  THostResult result_;
};

// Raises EHostError when result is a failure.
inline void CheckHost(THostResult result, THostOperation operation) {
  if (result != kHostOk) throw EHostError(HostOperationName(operation), result);
}

// Owns one reference to a host interface and releases it. Move-only; its
// destructor never throws.
template <typename T>
class THostRef {
 public:
  THostRef() = default;
  explicit THostRef(T* p) : p_(p) {}
  THostRef(const THostRef&) = delete;
  THostRef& operator=(const THostRef&) = delete;
  THostRef(THostRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  THostRef& operator=(THostRef&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~THostRef() { Reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // The address to pass as an out-parameter; drops what was held.
  T** Receive() {
    Reset();
    return &p_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
  void Reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

// The host's client interface from the host program's export (looked up when
// the library is loaded, called on first use, and looked up again while it is
// missing); nullptr when the host has none. Borrowed: the host keeps it alive.
IHostClient* HostClient();

// The PCB server interface through the client's "PCB" module; empty when
// there is no client or no module.
THostRef<IPcbServer> GetPcbServer();

// The server's current board interface; empty when there is none.
THostRef<IPcbBoard> GetCurrentBoardInterface(IPcbServer* server);

// The workspace of the already loaded workspace module; nullptr when there is
// none. The module's entry point is looked up on first use and remembered
// once found; the workspace is asked for on every call, because the host may
// replace it. Borrowed: valid until control goes back to the host, so never
// keep it beyond the current operation.
IHostWorkspace* HostWorkspace();

// Wide texts from an interface: the host writes into our buffer.
template <typename Getter>
std::u16string ReadHostText(Getter&& getter, THostOperation operation) {
  char16_t buffer[512] = {};
  CheckHost(getter(buffer, static_cast<std::int32_t>(sizeof buffer / sizeof buffer[0])), operation);
  buffer[511] = u'\0';
  return std::u16string(buffer);
}
