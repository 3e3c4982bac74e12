#!/usr/bin/env bash
# Checks the layout and the static checks of the C++ sources without changing
# anything:
#  - clang-format (.clang-format) over every tracked C++ source and header
#    (not the .inc entry-point lists);
#  - that the formatter (hyp/) and the driver (exporter/) call no host:
#    they name no entry point, host interface or host reference, and include
#    none of the headers that declare them; the object model (pcb/) and the
#    host boundary (host/) read the host for them;
#  - clang-tidy (.clang-tidy) over the library's sources, with the compile
#    commands of the native build (configure it first: cmake --preset native).
#   scripts/check-style.sh            all three
#   scripts/check-style.sh format     only the layout
#   scripts/check-style.sh host       only the host calls
#   scripts/check-style.sh tidy       only the static checks
# Exits non-zero when any file fails. Set TQ_TIDY_JOBS to run clang-tidy on
# more than one file at a time.
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
status=0

if [ "$what" = all ] || [ "$what" = format ]; then
  echo "== clang-format"
  # Not the .inc lists: tools/gen_pcbprocs.py reads them one entry per line.
  mapfile -t sources < <(git ls-files '*.cpp' '*.h')
  if ! clang-format --dry-run -Werror "${sources[@]}"; then
    echo "clang-format: the files above differ from .clang-format" >&2
    status=1
  fi
fi

if [ "$what" = all ] || [ "$what" = host ]; then
  echo "== host calls in hyp/ and exporter/"
  mapfile -t upper < <(git ls-files 'hyp/*.cpp' 'hyp/*.h' 'exporter/*.cpp' 'exporter/*.h')
  pattern='PcbApi_|THostRef|CheckHost|ReadHostText|GetPcbServer|HostClient\(|HostWorkspace\(|GetCurrentBoardInterface'
  pattern+='|CurrentLayerStack|ForEachStackLayer|GetViaInterface|I(Pcb|Host)[A-Z][A-Za-z]*'
  pattern+='|#include "host/(HostInterfaces|HostAccess|LayerStack|PCBProcs)\.h"'
  if grep -nE "$pattern" "${upper[@]}"; then
    echo "host calls: hyp/ and exporter/ read the host through pcb/ and host/ only (lines above)" >&2
    status=1
  fi
fi

if [ "$what" = all ] || [ "$what" = tidy ]; then
  echo "== clang-tidy"
  db=build/native
  if [ ! -f "$db/compile_commands.json" ]; then
    echo "no $db/compile_commands.json: run cmake --preset native first" >&2
    exit 2
  fi
  # The library's sources for this system (the Windows ones are not in the
  # native compile commands).
  mapfile -t library < <(git ls-files 'platform/*.cpp' 'support/*.cpp' 'host/*.cpp' 'pcb/*.cpp' 'hyp/*.cpp' \
                                      'output/*.cpp' 'exporter/*.cpp' | grep -v '_windows\.cpp$')
  if ! printf '%s\n' "${library[@]}" |
       xargs -P "${TQ_TIDY_JOBS:-1}" -n 1 clang-tidy -p "$db" --quiet --warnings-as-errors='*'; then
    echo "clang-tidy: see the findings above" >&2
    status=1
  fi
fi

exit $status
