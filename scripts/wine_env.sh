# Shared by the run script and the test bench: a private 32-bit Wine prefix
# with one virtual desktop that has a taskbar and a notification area.
# Source it; it defines functions only.

# Starts Xvfb on the first free display from :90; sets DISPLAY and XVFB_PID.
start_xvfb() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
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
  export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
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
