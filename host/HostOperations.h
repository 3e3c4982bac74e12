#pragma once
// The host's interface operations by number, made from the one list of their
// names (host/HostOperations.inc). Shared by the library and the simulated
// host; nothing here calls the host.
#include <cstddef>
#include <string_view>

enum class THostModule { Pcb, Workspace };

// One enumerator per operation, named Interface_Operation, in list order.
enum class THostOperation : int {
#define TQ_HOST_OPERATION(module, interface, operation) interface##_##operation,
#include "host/HostOperations.inc"
#undef TQ_HOST_OPERATION
};

struct THostOperationInfo {
  const char* name;  // "Interface::Operation"
  THostModule module;
};

inline constexpr THostOperationInfo kHostOperations[] = {
#define TQ_HOST_OPERATION(module, interface, operation) {#interface "::" #operation, THostModule::module},
#include "host/HostOperations.inc"
#undef TQ_HOST_OPERATION
};
inline constexpr std::size_t kHostOperationCount = sizeof kHostOperations / sizeof kHostOperations[0];

constexpr const char* HostOperationName(THostOperation op) {
  return kHostOperations[static_cast<std::size_t>(op)].name;
}

// The operation of that name, or false.
constexpr bool FindHostOperation(std::string_view name, THostOperation* op) {
  for (std::size_t i = 0; i < kHostOperationCount; ++i) {
    if (name == kHostOperations[i].name) {
      *op = static_cast<THostOperation>(i);
      return true;
    }
  }
  return false;
}
