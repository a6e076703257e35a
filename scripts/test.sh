#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test: the
# portable core under the sanitizers, then the real varnhollow.exe under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

cmake --preset win32 >/dev/null
cmake --build --preset win32
ctest --preset win32
