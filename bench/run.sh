#!/usr/bin/env bash
# What the resident program costs the machine, side by side with the floor (a
# minimal tray program built with the same toolchain and flags), under Wine
# set to Windows XP. Prints minimum, median and maximum of each figure over
# RUNS runs (3) and writes the table to docs/PERFORMANCE.md.
#
#   bash bench/run.sh            (as root on Debian 12; installs what it needs)
#   RUNS=5 IDLE_SECONDS=30 bash bench/run.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
RUNS=${RUNS:-3}
IDLE_SECONDS=${IDLE_SECONDS:-30}
SIZE_LIMIT=262144 # 256 KB

bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target varnhollow floor_tray wine_driver >/dev/null

. scripts/wine_env.sh
work=$root/build/bench
mkdir -p "$work"
export WINEPREFIX=$work/prefix LANG=fr_FR.UTF-8 LC_NUMERIC=C WINEDEBUG=-all
program=$root/build/win32/bin/varnhollow.exe
floor=$root/build/win32/bin/floor_tray.exe
driver_exe=$root/build/win32/tests/e2e/wine_driver.exe

XVFB_PID=""
trap stop_started EXIT
start_xvfb
init_wine_prefix
set_windows_version winxp
set_usbstor_start 3

# Through a file, not a pipe: a program the driver starts keeps its output open.
driver() {
  wine "$driver_exe" "$@" >"$work/driver.out" 2>/dev/null
  local status=$?
  tr -d '\r' <"$work/driver.out"
  return $status
}

# The Unix process of a running Windows program: the one whose first word is
# the program's full path, not one whose command line merely mentions it.
unix_pid() { pgrep -f "^$1" | head -1; }

# Resident and private (anonymous) memory in KB.
memory_kb() { awk '/^VmRSS:/ {rss = $2} /^RssAnon:/ {anon = $2} END {print rss, anon}' "/proc/$1/status"; }

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Ends the program's process and waits until its icon has left the tray.
stop_program() {
  kill "$1" 2>/dev/null || true
  for _ in $(seq 100); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  for _ in $(seq 50); do
    [ "$(driver tray-icon)" = none ] && return 0
    sleep 0.1
  done
}

declare -A figures

# One run of a program: start to icon, memory, idle CPU, and for the real
# program the lock click.
measure() {
  local name=$1 exe=$2 ms pid rss anon before after
  ms=$(driver start-to-icon "$exe" 20000) || { echo "$name: no icon" >&2; exit 1; }
  sleep 3
  pid=$(unix_pid "$exe")
  read -r rss anon < <(memory_kb "$pid")
  before=$(cpu_ticks "$pid")
  sleep "$IDLE_SECONDS"
  after=$(cpu_ticks "$pid")
  figures[$name.start]+="$ms "
  figures[$name.rss]+="$rss "
  figures[$name.private]+="$anon "
  figures[$name.idle]+="$((after - before)) "
  if [ "$name" = program ]; then
    local x y left top right bottom
    read -r x y _ < <(driver tray-icon)
    xdotool mousemove "$x" "$y" click 3
    read -r left top right bottom < <(driver menu-rect 5000)
    # "Verrou USB - NON" is the first item, under a 3-pixel border.
    figures[$name.lock]+="$(driver click-and-wait-start $(((left + right) / 2)) $((top + 12)) 4 10000) "
    set_usbstor_start 3
  fi
  stop_program "$pid"
}

for run in $(seq "$RUNS"); do
  echo "run $run of $RUNS"
  measure floor "$floor"
  measure program "$program"
done

# min median max of a list of numbers
stats() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{v[NR] = $1} END {printf "%s %s %s", v[1], v[int((NR + 1) / 2)], v[NR]}'; }

median() { stats "$1" | awk '{print $2}'; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

exe_size=$(stat -c %s "$program")
floor_size=$(stat -c %s "$floor")
dlls() { LC_ALL=C i686-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ {print tolower($3)}' | sort | paste -sd' ' -; }

row() {
  local label=$1 key=$2 unit=$3
  local p f
  p=$(stats "${figures[program.$key]}")
  f=$(stats "${figures[floor.$key]}")
  printf '| %s | %s | %s | %s |\n' "$label ($unit; min median max)" "$p" "$f" \
    "$(ratio "$(median "${figures[program.$key]}")" "$(median "${figures[floor.$key]}")")"
}

table=$(
  echo "| figure | varnhollow.exe | floor | ratio (medians) |"
  echo "|---|---|---|---|"
  row "start to icon" start ms
  row "resident memory once idle" rss KB
  row "private memory (RssAnon) once idle" private KB
  row "CPU over ${IDLE_SECONDS} s in the tray" idle ticks
  printf '| %s | %s | - | - |\n' "menu click on \"Verrou USB - NON\" to Start = 4 (ms; min median max)" \
    "$(stats "${figures[program.lock]}")"
  printf '| executable size, stripped (bytes) | %s | %s | %s |\n' "$exe_size" "$floor_size" \
    "$(ratio "$exe_size" "$floor_size")"
  printf '| DLLs needed at load | %s | %s | - |\n' "$(dlls "$program")" "$(dlls "$floor")"
)

machine="$(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)"
{
  echo "# Performance"
  echo
  echo "Measured by \`bash bench/run.sh\` on $(date -u +%Y-%m-%d) ($machine), Debian 12,"
  echo "$(wine --version) set to Windows XP, $RUNS runs of each program. The floor is"
  echo "\`bench/floor_tray.c\`: a hidden window, one tray icon and a message loop, built"
  echo "with the same toolchain and flags. Start to icon is timed from \`CreateProcess\`"
  echo "until the icon's pixels show in the tray; memory is read from \`/proc\` once the"
  echo "program has been idle for 3 s; CPU is user + system ticks (1/100 s) of the idle"
  echo "process."
  echo
  echo "$table"
} >docs/PERFORMANCE.md

echo
echo "$table"
if [ "$exe_size" -gt "$SIZE_LIMIT" ]; then
  echo "varnhollow.exe is $exe_size bytes: over the $SIZE_LIMIT-byte limit" >&2
  exit 1
fi
