#!/usr/bin/env bash
# Draws the picture of the designers' guide (docs/user-guide.md) from a real
# export: ./demo.sh exports examples/sensor-node.json and has pcb-rnd draw
# the HYP file; the drawing is copied to docs/images/sensor-node.png with the
# SHA-256 of the HYP file it was drawn from in a text chunk of its own
# ("tarnquil-export-sha256"). release_tests exports the example again and
# fails when the picture was drawn from another file, so run this script
# whenever the example board or the writers change the export, and commit
# the new picture.
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
sum=$(sha256sum "$out" | cut -d' ' -f1)
# The chunk goes right after the header chunk (IHDR), where every reader
# passes over a text chunk it does not know.
python3 - "$png" docs/images/sensor-node.png "$sum" <<'PY'
import struct, sys, zlib
source, target, digest = sys.argv[1:4]
data = open(source, "rb").read()
signature, header_end = data[:8], 8 + 8 + struct.unpack(">I", data[8:12])[0] + 4
body = b"tarnquil-export-sha256\0" + digest.encode("ascii")
chunk = struct.pack(">I", len(body)) + b"tEXt" + body + struct.pack(">I", zlib.crc32(b"tEXt" + body) & 0xFFFFFFFF)
open(target, "wb").write(data[:header_end] + chunk + data[header_end:])
PY
echo "docs/images/sensor-node.png updated (drawn from the export with SHA-256 $sum)"
