#!/usr/bin/env bash
# The Windows host program under wine, exporting a generated board with its
# output on a terminal (a pseudo-terminal made by `script`), in a file, and
# on /dev/null: the progress line must cost next to nothing on a terminal,
# and nothing elsewhere. Prints each run's wall time and, per case, the
# median and its ratio to the file case, and fails (exit code 1) when the
# terminal's or /dev/null's median exceeds 1.3 times the file case's.
#   bench/wine_terminal.sh [COMPONENTS] [RUNS]     (defaults: 13000, 3)
# Needs both presets built (quorvex-host, Tarnquil, Brondel, WorkspaceManager)
# and wine; uses the wine prefix of $WINEPREFIX, else a throw-away one in
# build/bench-wineprefix.
set -euo pipefail
cd "$(dirname "$0")/.."

components=${1:-13000}
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=${WINEPREFIX:-$PWD/build/bench-wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY=
[ -d "$WINEPREFIX" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }

board=$work/board.json
build/native/bin/quorvex-host generate --components "$components" "$board"
host=build/win32/bin/quorvex-host.exe
export_to() { echo "wine $host export $board $work/out-$1.hyp --temp-dir $work"; }

# Wall time of one command in seconds.
seconds() {
  local start end
  start=$(date +%s.%N)
  eval "$1"
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

eval "$(export_to warm)" >/dev/null  # wine's first start in the prefix
declare -A times
for ((i = 1; i <= runs; i++)); do
  times[file]+="$(seconds "$(export_to file) > $work/stdout.txt") "
  times[null]+="$(seconds "$(export_to null) > /dev/null") "
  times[terminal]+="$(seconds "script -qec '$(export_to terminal)' /dev/null > $work/terminal.txt") "
done
grep -q '%' "$work/terminal.txt" || { echo "no progress line was drawn on the terminal" >&2; exit 1; }
cmp "$work/out-file.hyp" "$work/out-terminal.hyp"
file=$(printf '%s\n' ${times[file]} | median)
limit=1.3
slow=""
for case in file null terminal; do
  m=$(printf '%s\n' ${times[$case]} | median)
  ratio=$(echo "$m / $file" | bc -l)
  printf '%-9s %s s each, median %s s, %.2fx the file case\n' "$case" "${times[$case]}" "$m" "$ratio"
  if [ "$(echo "$ratio > $limit" | bc)" = 1 ]; then slow+=" $case"; fi
done
if [ -n "$slow" ]; then
  echo "too slow (above ${limit}x the file case):$slow" >&2
  exit 1
fi
