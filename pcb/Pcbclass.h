#pragma once
// Every board object class: the one include for code that reads the board.
//   PcbObject.h        the base TPCBObject, object kinds, the factory
//   PcbPrimitives.h    pads, vias, tracks, arcs, fills, texts, components, nets
//   PcbOtherObjects.h  everything else
#include "pcb/PcbObject.h"
#include "pcb/PcbOtherObjects.h"
#include "pcb/PcbPrimitives.h"
