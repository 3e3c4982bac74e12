#!/usr/bin/env bash
# Draws the picture of the designers' guide (docs/user-guide.md) from a real
# export: ./demo.sh exports examples/sensor-node.json and has pcb-rnd draw
# the HYP file; the drawing is copied to docs/images/sensor-node.png.
# Run it again whenever the example board or the writers change what the
# picture shows, and commit the new picture.
set -euo pipefail
cd "$(dirname "$0")/.."

out=$PWD/build/guide/sensor-node.hyp
./demo.sh examples/sensor-node.json "$out"
png=${out%.*}.png
if [ ! -s "$png" ]; then
  echo "pcb-rnd drew no picture" >&2
  exit 1
fi
mkdir -p docs/images
cp "$png" docs/images/sensor-node.png
echo "docs/images/sensor-node.png updated"
