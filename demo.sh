#!/usr/bin/env bash
# Exports the bundled example board through the simulated host, the way the
# editor runs the exporter, and says where the HYP file is.
#   ./demo.sh [BOARD.json] [OUT.hyp]
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

board=${1:-examples/four-layer.json}
out=${2:-$PWD/build/demo/$(basename "${board%.json}").hyp}
mkdir -p "$(dirname "$out")"
build/native/bin/quorvex-host export "$board" "$out"
echo
echo "HYP file written to: $out"
