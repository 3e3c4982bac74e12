#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (preset fuzz, build/fuzz) and runs
# each one for a bounded time on its corpus in tests/fuzz/corpus:
#   fuzz_lock_file       the lock-file reader and ownership test of the commit
#   fuzz_board_document  the simulated host's board document loader
#   fuzz_fragments       the translator's records over any values and names
# New inputs go to a scratch directory, never into the repository's corpus;
# a crash leaves its input in build/fuzz/artifacts/ and fails the run.
#   scripts/fuzz.sh [SECONDS per target, default 25]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-25}
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ is not installed (scripts/install-deps.sh installs it); skipped"
  exit 0
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${TQ_JOBS:-2}" --target fuzz_lock_file fuzz_board_document fuzz_fragments

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build/fuzz/artifacts
# The three run side by side, each for the whole time.
targets=(lock_file board_document fragments)
pids=()
for target in "${targets[@]}"; do
  mkdir -p "$work/$target"
  echo "== fuzz_$target for ${seconds} s"
  TQ_FUZZ_DIR="$work" "build/fuzz/bin/fuzz_$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
    -artifact_prefix="build/fuzz/artifacts/$target-" "$work/$target" "tests/fuzz/corpus/$target" \
    >"$work/$target.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  if ! wait "${pids[$i]}"; then
    tail -n 40 "$work/$target.log"
    echo "fuzz_$target found a fault; its input is in build/fuzz/artifacts/" >&2
    status=1
    continue
  fi
  echo "fuzz_$target: $(grep -E '^#[0-9]+' "$work/$target.log" | tail -n 1)"
done
exit "$status"
