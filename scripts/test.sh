#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test: the
# portable core under the sanitizers, then the real varnhollow.exe under Wine.
# On a machine that runs no 32-bit code, the Wine tests run the 64-bit build
# of the same sources (preset win64) and say so.
#   --busy  keeps every core of the machine busy meanwhile, as a shared CI
#           machine may be: the tests must pass there too.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

if [ "${1:-}" = --busy ]; then
  busy=()
  for _ in $(seq "$(nproc)"); do
    sh -c 'while :; do :; done' &
    busy+=($!)
  done
  trap 'kill "${busy[@]}" 2>/dev/null' EXIT
  echo "Keeping ${#busy[@]} cores busy while the tests run."
fi

bash scripts/setup.sh
. scripts/wine_env.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

cmake --preset win32 >/dev/null
cmake --build --preset win32
if [ "$(wine_bench_arch)" = win32 ]; then
  ctest --preset win32
else
  echo "This machine runs no 32-bit code: the checks of the 32-bit build run here, its Wine tests on the 64-bit build."
  ctest --preset win32 --label-exclude wine
  cmake --preset win64 >/dev/null
  cmake --build --preset win64
  ctest --preset win64
fi
