#!/usr/bin/env bash
# Exports an example board through the simulated host, the way the editor
# runs the exporter, says where the HYP file is and what it holds, and renders
# a picture of the exported board with an independent HYP reader (pcb-rnd),
# and which version of the exporter library wrote it.
#   ./demo.sh [BOARD.json] [OUT.hyp]
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc 2>/dev/null || echo 2)" \
  --target quorvex-host Tarnquil Brondel WorkspaceManager >/dev/null

board=${1:-examples/sensor-node.json}
out=${2:-$PWD/build/demo/$(basename "${board%.json}").hyp}
mkdir -p "$(dirname "$out")"
# The host program says where the file went and what it holds ("exported
# to OUT: N nets, N pins, N vias, N padstacks, N devices").
build/native/bin/quorvex-host export "$board" "$out"

# The host program loads the exporter library beside it; the library carries
# its version in a section of its own.
library=build/native/bin/libTarnquil.so
version=$(readelf -p .tarnquil_version "$library" 2>/dev/null | sed -n 's/^ *\[ *0\] *//p')
echo "written by the exporter library $library, version ${version:-unknown}"

# The picture: pcb-rnd reads the HYP file and draws the board as a photo.
png=${out%.*}.png
if command -v pcb-rnd >/dev/null 2>&1 &&
   timeout 120 pcb-rnd -x png --photo-mode --dpi 400 --outfile "$png" "$out" >/dev/null 2>&1 &&
   [ -s "$png" ]; then
  echo "picture of the exported board (drawn by pcb-rnd from the HYP file): $png"
else
  echo "no picture: pcb-rnd could not draw the board"
fi
