#!/usr/bin/env bash
# Runs varnhollow.exe under Wine set to Windows XP, in French whatever the
# caller's language, in a private prefix under build/. A new prefix starts
# with USBSTOR Start = 3 (unlocked); later runs keep the lock state the last
# one left. Uses the current display, or Xvfb when there is none. Stops what it
# started (the prefix's programs, its Xvfb) when the program ends or when this
# script is interrupted or killed.
#   bash scripts/run.sh              installs what is missing, builds the exe and
#                                    vhpasswd.exe, runs the exe
#   bash scripts/run.sh --no-build   runs the exe already built ($VARNHOLLOW_EXE if set)
# VARNHOLLOW_RUN_PREFIX names another prefix than build/wine-run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

[ "${1:-}" = --no-build ] || bash scripts/setup.sh
. scripts/wine_env.sh
# The 32-bit exe as shipped, or its 64-bit build where no 32-bit code runs.
preset=$(wine_bench_arch)
exe=$root/build/$preset/bin/varnhollow.exe
if [ "${1:-}" = --no-build ]; then
  exe=${VARNHOLLOW_EXE:-$exe}
  [ -f "$exe" ] || { echo "No $exe: run without --no-build first." >&2; exit 1; }
else
  cmake --preset "$preset" >/dev/null
  # vhpasswd.exe too: the README sets the prefix's password with it next.
  cmake --build --preset "$preset" --target varnhollow vhpasswd
fi

# Wine's own texts (the message boxes' buttons) follow the locale.
export WINEPREFIX=${VARNHOLLOW_RUN_PREFIX:-$root/build/wine-run} LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8
unset LANGUAGE
XVFB_PID=""
trap stop_started EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb
  echo "No display: running on Xvfb $DISPLAY (process $XVFB_PID); the tray is at the bottom right of an 800x600 desktop."
  echo "To see it: xwd -display $DISPLAY -root -silent -out screen.xwd (ImageMagick: convert screen.xwd screen.png)."
fi

init_wine_prefix
[ "$(usbstor_start)" != missing ] || set_usbstor_start 3
echo "USBSTOR Start = $(usbstor_start). Right-click the USB key in the tray for the menu."
echo "To stop: Quitter in that menu, Ctrl+C here, or kill $$ (this script)."
# In the background, so that a signal reaches this script's traps at once.
wine "$exe" &
wait $!
