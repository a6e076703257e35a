# Shared by the run script and the test bench: a private Wine prefix with one
# virtual desktop that has a taskbar and a notification area. Source it.

# Some machines run no 32-bit Linux code (IA-32 emulation switched off in the
# kernel or by the hypervisor), so 32-bit Wine cannot start there. On those the
# bench uses Wine's 64-bit loader, a 64-bit prefix and the 64-bit build of the
# same program (preset win64); elsewhere the 32-bit exe, as shipped.
machine_runs_32_bit_code() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# "win32" or "win64": the Wine prefix and build this machine can run.
wine_bench_arch() {
  if machine_runs_32_bit_code; then echo win32; else echo win64; fi
}

# Puts a `wine` (and `wine-stable`, which Debian's wineboot and winepath call)
# that starts Wine's 64-bit loader first on the PATH, when the machine needs it.
use_wine_for_this_machine() {
  [ "$(wine_bench_arch)" = win64 ] || return 0
  local shim=${TMPDIR:-/tmp}/varnhollow-wine64-$(id -u)/bin
  if [ ! -x "$shim/wine-stable" ]; then
    mkdir -p "$shim"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shim/wine.new"
    chmod +x "$shim/wine.new"
    cp "$shim/wine.new" "$shim/wine-stable.new"
    mv "$shim/wine.new" "$shim/wine"
    mv "$shim/wine-stable.new" "$shim/wine-stable"
  fi
  case ":$PATH:" in *":$shim:"*) ;; *) export PATH="$shim:$PATH" ;; esac
  export WINELOADER=/usr/lib/wine/wine64
}
use_wine_for_this_machine

# Starts Xvfb on a display it finds free itself (-displayfd), so two benches
# started at the same moment never race for one number; sets DISPLAY and
# XVFB_PID.
start_xvfb() {
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 300); do
    if [ -s "$number_file" ] && grep -q '^[0-9]*$' "$number_file"; then
      export DISPLAY=":$(cat "$number_file")"
      rm -f "$number_file"
      return 0
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  echo "Xvfb did not start" >&2
  return 1
}

# Stops the prefix's server, and the Xvfb that start_xvfb started if any.
stop_started() {
  wineserver -k 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  true
}

# Creates the prefix at $WINEPREFIX once, set to Windows XP.
init_wine_prefix() {
  export WINEARCH=$(wine_bench_arch) WINEDEBUG=${WINEDEBUG:--all}
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
    # Measured: this Wine does not use the fonts-wine files where Debian puts
    # them, and draws "MS Sans Serif" in a wider substitute; in the prefix's
    # own Fonts folder it finds them.
    cp -n /usr/share/wine/fonts/*.fon /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    wineserver -w
  fi
}

# Makes Wine report another Windows version (winxp, win2k, win2003, win98...).
set_windows_version() {
  wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
}

USBSTOR_KEY='HKLM\SYSTEM\CurrentControlSet\Services\USBSTOR'

# The Start value as a number, or "missing".
usbstor_start() {
  local line
  line=$(wine reg query "$USBSTOR_KEY" /v Start 2>/dev/null | tr -d '\r' | grep -i 'REG_DWORD')
  [ -n "$line" ] || { echo missing; return; }
  printf '%d\n' "$(awk '{print $NF}' <<<"$line")"
}

set_usbstor_start() {
  wine reg add "$USBSTOR_KEY" /v Start /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

delete_usbstor_key() {
  wine reg delete "$USBSTOR_KEY" /f >/dev/null 2>&1
  true
}
