#!/usr/bin/env bash
# Installs what the project needs from Debian packages: the compilers and
# build tools, the Windows cross compiler, wine (32-bit) to run the Windows
# build, the test and benchmark libraries, the JSON and command-line
# libraries, an independent HYP reader for interoperability checks, and clang
# with its libFuzzer runtime for the bounded fuzzing runs (scripts/fuzz.sh).
set -euo pipefail

packages=(cmake ninja-build g++ python3 g++-mingw-w64-i686 wine wine32:i386
          clang clang-format clang-tidy libclang-rt-14-dev locales libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev rapidjson-dev libcli11-dev pcb-rnd)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "== Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
