#pragma once
// The host's client interface, from which the object interfaces are reached.
struct IHostClient;

namespace sim {

// The client; lives as long as the library. Borrowed: no reference is added.
IHostClient* TheClient();

}  // namespace sim
