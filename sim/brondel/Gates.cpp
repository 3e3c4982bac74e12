// The exported entry points that the exporter calls. Each one is a gate in
// front of its implementation in PcbApi.cpp (there named SimImpl_...): it
// writes the call to the trace, and a call armed to fail (Sim_FailCall with
// the entry point's name) gives an error result and writes nothing: 1 for a
// query, 0 (none) for a handle or an object kind, nothing for a procedure.
#include <cstdint>
#include <type_traits>

#include "host/Export.h"
#include "host/PcbApi.h"
#include "sim/brondel/HostState.h"

#define SIM_GATE(ret) extern "C" TQ_EXPORT ret TQ_STDCALL

#include "sim/brondel/PcbApiGates.inc"

#define TQ_PCBAPI_FN(ret, name, def, params) \
  static_assert(std::is_same_v<decltype(&name), name##_t>, #name " differs from its declaration in PcbApiUsed.inc");
#include "host/PcbApiUsed.inc"
#undef TQ_PCBAPI_FN
