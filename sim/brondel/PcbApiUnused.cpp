// The entry points of the PCB server library that the exporter binds but never
// calls. Each exists under its name and answers 0; the build makes the list
// from host/PcbApiNames.inc less host/PcbApiUsed.inc (tools/gen_pcbprocs.py).
#include <cstdint>

#include "host/CallConv.h"
#include "host/Export.h"

#define SIM_UNUSED_ENTRY(name) \
  extern "C" TQ_EXPORT std::int32_t TQ_STDCALL name() { return 0; }
#include "PcbApiUnused.inc"
#undef SIM_UNUSED_ENTRY
