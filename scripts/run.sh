#!/usr/bin/env bash
# Installs what is missing, builds varnhollow.exe and runs it under Wine set
# to Windows XP, in a private prefix under build/ whose USBSTOR key holds
# Start = 3 the first time. Uses the current display, or Xvfb when there is
# none. Stops what it started when the program ends.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

bash scripts/setup.sh
. scripts/wine_env.sh
# The 32-bit exe as shipped, or its 64-bit build where no 32-bit code runs.
preset=$(wine_bench_arch)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target varnhollow
export WINEPREFIX=$root/build/wine-run LANG=${LANG:-fr_FR.UTF-8}
XVFB_PID=""
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb
  echo "No display: running on Xvfb $DISPLAY (the tray is at the bottom right of an 800x600 desktop)."
fi
trap stop_started EXIT

init_wine_prefix
[ "$(usbstor_start)" != missing ] || set_usbstor_start 3
echo "USBSTOR Start = $(usbstor_start). Right-click the USB key in the tray for the menu."
wine "$root/build/$preset/bin/varnhollow.exe"
