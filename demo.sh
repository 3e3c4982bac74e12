#!/usr/bin/env bash
# Exports the bundled example board to a HYP file and says where it is.
#   ./demo.sh [BOARD.json] [OUT.hyp]
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

out=${2:-$PWD/build/demo/example.hyp}
mkdir -p "$(dirname "$out")"
build/native/bin/tq-export-probe build/native/bin/libTarnquil.so "$out"
echo
echo "HYP file written to: $out"
