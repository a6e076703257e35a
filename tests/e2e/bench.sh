#!/usr/bin/env bash
# The end-to-end bench: a private Xvfb display and Wine prefix under
# $BENCH_DIR, and helpers that act on the real program as a user would.
#   bench.sh up | down | run SCENARIO | wine PROGRAM.exe
# SCENARIOS names the file of scenarios (scenarios.sh by default).
# A command substitution with a pipe fails when the driver does.
set -u -o pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../../scripts/wine_env.sh"

: "${BENCH_DIR:?}" "${VARNHOLLOW_EXE:?}" "${WINE_DRIVER:?}" "${LAUNCH_RECORDER:?}"
export WINEPREFIX=$BENCH_DIR/prefix LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 WINEDEBUG=-all
state=$BENCH_DIR/state

# How long to wait for something the user should soon see: generous, because
# a busy machine slows Wine down a lot. Checks that something does NOT happen
# keep their own short limits.
LONG_WAIT_MS=30000
LONG_WAIT_S=$((LONG_WAIT_MS / 1000))

log() { echo "[$(date +%T)] $*"; }
fail() { log "FAIL: $*"; exit 1; }

bench_up() {
  mkdir -p "$BENCH_DIR"
  bench_down_quietly
  start_xvfb || exit 1
  printf 'DISPLAY=%s\nXVFB_PID=%s\nVERSION=winxp\n' "$DISPLAY" "$XVFB_PID" >"$state"
  init_wine_prefix
  install_stand_ins
  unplug_devices
  set_logical_dpi "${LOGICAL_DPI:-96}"
  set_windows_version winxp
  log "bench up on $DISPLAY, prefix $WINEPREFIX"
}

# The browser and the mail program are copies of the launch recorder, which
# writes what it was started with into C:\launches.txt. Two more copies sit
# where Windows looks first for an unquoted "C:\Program Files\..." path.
install_stand_ins() {
  local c=$WINEPREFIX/drive_c
  cp "$LAUNCH_RECORDER" "$c/windows/launch_recorder.exe"
  cp "$LAUNCH_RECORDER" "$c/Program Files/Internet Explorer/iexplore.exe"
  cp "$LAUNCH_RECORDER" "$c/Program.exe"
  cp "$LAUNCH_RECORDER" "$c/Program Files/Internet.exe"
  register_mail_program
}

register_mail_program() {
  wine reg add 'HKCR\mailto\shell\open\command' /ve /d '"C:\windows\launch_recorder.exe" "%1"' /f >/dev/null 2>&1
}

# No program takes mailto: addresses until the scenario ends, also when it fails.
remove_mail_program() {
  MAIL_PROGRAM_REMOVED=1
  wine reg delete 'HKCR\mailto' /f >/dev/null 2>&1 || fail "cannot remove the mail program's registration"
}

bench_down_quietly() {
  [ -f "$state" ] || return 0
  . "$state"
  DISPLAY=$DISPLAY wineserver -k 2>/dev/null
  kill "$XVFB_PID" 2>/dev/null
  rm -f "$state"
}

# --- helpers for scenarios ---------------------------------------------------

# The driver answers 0 (found, done) or 1 (not there in time). Whatever Wine
# says on the way (it says nothing when all goes well) goes to the log.
driver() {
  local status=0 started=$SECONDS
  wine "$WINE_DRIVER" "$@" 2>"$BENCH_DIR/driver.err" || status=$?
  # A failed call always says how it ended, so a wait that gave up at once
  # (Wine could not start the driver) is told from one that timed out.
  if [ "$status" -ne 0 ] || [ -s "$BENCH_DIR/driver.err" ]; then
    log "driver $* (status $status after $((SECONDS - started)) s): $(tr -d '\r' <"$BENCH_DIR/driver.err" | tail -3)" >&2
  fi
  return "$status"
}

# Runs a cmd.exe command of the prefix and prints what it printed, without
# the carriage returns. A failed run says how it ended, as driver does.
wine_cmd() {
  local status=0 started=$SECONDS
  wine cmd /c "$@" 2>"$BENCH_DIR/cmd.err" | tr -d '\r' || status=$?
  if [ "$status" -ne 0 ] || [ -s "$BENCH_DIR/cmd.err" ]; then
    log "cmd /c $* (status $status after $((SECONDS - started)) s): $(tr -d '\r' <"$BENCH_DIR/cmd.err" | tail -3)" >&2
  fi
  return "$status"
}

# Sets the Windows version Wine reports, restarting the prefix's server only
# when it changes.
windows_version() {
  if [ "$VERSION" != "$1" ]; then
    set_windows_version "$1"
    VERSION=$1
    sed -i "s/^VERSION=.*/VERSION=$1/" "$state"
  fi
}

start_program() {
  wine "$VARNHOLLOW_EXE" >/dev/null 2>&1 &
  PROGRAM_PID=$!
  STARTED+=("$PROGRAM_PID")
}

program_running() { kill -0 "${1:-$PROGRAM_PID}" 2>/dev/null; }

# Waits up to $2 seconds for the program started last to end.
expect_exit() {
  local pid=${1:-$PROGRAM_PID} deadline=$((SECONDS + ${2:-$LONG_WAIT_S}))
  while [ "$SECONDS" -lt "$deadline" ]; do
    program_running "$pid" || return 0
    sleep 0.1
  done
  program_running "$pid" || return 0
  fail "the program is still running"
}

expect_box() {
  local text
  text=$(driver box-text "$LONG_WAIT_MS") || fail "no message box (expected: $1)"
  [ "$text" = "$1" ] || fail "message box says [$text], expected [$1]"
  log "box: $text"
}

expect_buttons() {
  local buttons
  buttons=$(driver box-buttons "$LONG_WAIT_MS" | tr -d '\r' | paste -sd,) || fail "no message box"
  [ "$buttons" = "$1" ] || fail "buttons are [$buttons], expected [$1]"
}

expect_default_button() {
  local button
  button=$(driver box-default "$LONG_WAIT_MS") || fail "no message box with a default button"
  [ "$button" = "$1" ] || fail "the default button is [$button], expected [$1]"
}

# The box's icon: error, warning, question, information or none.
expect_icon() {
  local icon
  icon=$(driver box-icon "$LONG_WAIT_MS") || fail "no message box"
  [ "$icon" = "$1" ] || fail "the box shows the $icon icon, expected $1"
}

answer() { driver click-box "$1" || fail "cannot press button $1"; }

expect_no_box() { driver no-box "${1:-1500}" || fail "unexpected box: $(driver box-text 100)"; }

# Waits for the tray icon in state locked, unlocked or none.
expect_tray() {
  local got="" deadline=$((SECONDS + LONG_WAIT_S))
  while [ "$SECONDS" -le "$deadline" ]; do
    got=$(driver tray-icon | tr -d '\r')
    case "$1:$got" in
      none:none) return 0 ;;
      locked:none | unlocked:none | none:*) ;;
      locked:*) [ "$(awk '{print $3}' <<<"$got")" -gt 20 ] && { TRAY_XY=$(awk '{print $1, $2}' <<<"$got"); return 0; } ;;
      unlocked:*) [ "$(awk '{print $3}' <<<"$got")" -eq 0 ] && { TRAY_XY=$(awk '{print $1, $2}' <<<"$got"); return 0; } ;;
    esac
    sleep 0.25
  done
  fail "tray icon is [$got], expected $1"
}

# Hovers over the tray icon and reads its tooltip.
expect_tooltip() {
  read -r x y <<<"$TRAY_XY"
  xdotool mousemove $((x - 4)) "$y" sleep 0.2 mousemove "$x" "$y"
  expect_tooltip_text "$1"
  xdotool mousemove 400 300
}

# The tooltip shown where the mouse rests.
expect_tooltip_text() {
  local tip
  tip=$(driver tooltip "$LONG_WAIT_MS") || fail "no tooltip (expected [$1])"
  [ "$tip" = "$1" ] || fail "tooltip is [$tip], expected [$1]"
}

# Right-clicks the tray icon and waits for the popup menu.
open_menu() {
  read -r x y <<<"$TRAY_XY"
  xdotool mousemove "$x" "$y" click 3
  MENU_RECT=$(driver menu-rect "$LONG_WAIT_MS" | tr -d '\r') || fail "no popup menu after a right click"
}

# Top-level menu entries: item, separator, item (Outils), separator, item, item.
MENU_LAYOUT=(item separator item separator item item)
SEPARATOR_HEIGHT=9
MENU_BORDER=3

# Clicks the top-level entry at index $1 of MENU_LAYOUT.
click_menu_entry() {
  read -r left top right bottom <<<"$MENU_RECT"
  local items=0 separators=0 e
  for e in "${MENU_LAYOUT[@]}"; do [ "$e" = item ] && items=$((items + 1)) || separators=$((separators + 1)); done
  local item_height=$(( (bottom - top - 2 * MENU_BORDER - separators * SEPARATOR_HEIGHT) / items ))
  local y=$((top + MENU_BORDER)) i
  for ((i = 0; i < $1; i++)); do
    [ "${MENU_LAYOUT[$i]}" = item ] && y=$((y + item_height)) || y=$((y + SEPARATOR_HEIGHT))
  done
  xdotool mousemove $(((left + right) / 2)) $((y + item_height / 2)) click 1
  driver no-menu "$LONG_WAIT_MS" || fail "the menu stayed open"
}

choose() {
  open_menu
  case "$1" in
    lock) click_menu_entry 0 ;;
    about) click_menu_entry 4 ;;
    quit) click_menu_entry 5 ;;
    *) fail "no menu entry $1" ;;
  esac
}

# Changes Start as another administrator would, then waits for the icon of
# state $2.
change_start_from_outside() {
  set_usbstor_start "$1"
  expect_tray "$2"
  log "Start = $1 from outside: $2 icon"
}

# How long the icon takes to follow a change made by another process: the
# figure is printed, not judged (the bench machine's load varies).
measure_follow() {
  local ms
  ms=$(driver follow-time "$1" "$LONG_WAIT_MS" | tr -d '\r') || fail "the icon did not follow Start = $1"
  log "figure: the icon followed Start = $1 after $ms ms"
}

# Another process posts WM_QUIT to the program's window thread.
post_quit_from_outside() { driver post-quit || fail "no program window to post WM_QUIT to"; }

# --- the program's policies ---------------------------------------------------

POLICIES_KEY='HKLM\SOFTWARE\Policies\Varnhollow'
USER_SETTINGS_KEY='HKCU\Software\Varnhollow'

# Sets the policy $1 to the DWORD $2, as Group Policy does. finish_scenario
# removes every policy, also when the scenario fails.
set_policy() {
  POLICIES_SET=1
  wine reg add "$POLICIES_KEY" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1 || fail "the policy $1 could not be set"
  log "policy $1 = $2"
}

# No policy left, and no re-lock kept for the prefix's user.
remove_policies() {
  wine reg delete "$POLICIES_KEY" /f >/dev/null 2>&1
  wine reg delete "$USER_SETTINGS_KEY" /f >/dev/null 2>&1
  if wine reg query "$POLICIES_KEY" >/dev/null 2>&1 || wine reg query "$USER_SETTINGS_KEY" >/dev/null 2>&1; then
    log "the policies or the user's settings are still there"
    return 1
  fi
  POLICIES_SET=
}

# Hovers over the tray icon: the tip tells a pending re-lock at one of the
# local times $@ (HH:MM).
expect_relock_tooltip() {
  local tip time
  read -r x y <<<"$TRAY_XY"
  xdotool mousemove $((x - 4)) "$y" sleep 0.2 mousemove "$x" "$y"
  tip=$(driver tooltip "$LONG_WAIT_MS") || fail "no tooltip (expected a re-lock at $*)"
  xdotool mousemove 400 300
  for time in "$@"; do
    [ "$tip" = "Varnhollow v$PROGRAM_VERSION - reverrouillage à $time" ] && { log "tooltip: $tip"; return 0; }
  done
  fail "tooltip is [$tip], expected a re-lock at $*"
}

# Waits up to $1 seconds for the icon to show the lock back on.
expect_relocked_within() {
  local got="" deadline=$((SECONDS + $1))
  while [ "$SECONDS" -le "$deadline" ]; do
    got=$(driver tray-icon | tr -d '\r')
    [ -n "$got" ] && [ "$got" != none ] && [ "$(awk '{print $3}' <<<"$got")" -gt 20 ] && { log "locked again"; return 0; }
    sleep 1
  done
  fail "the icon is [$got] after $1 s, expected the lock back on"
}

# Opens "Outils" and prints "TOP BOTTOM LEFT RIGHT" of its item at index $1
# (0 "Mise à Jour", 1 "Mot de Passe", 2 "Email"), the menus left open.
open_tool_item() {
  open_menu
  read -r left top right bottom <<<"$MENU_RECT"
  local items=4 separators=2
  local item_height=$(( (bottom - top - 2 * MENU_BORDER - separators * SEPARATOR_HEIGHT) / items ))
  local y=$((top + MENU_BORDER + item_height + SEPARATOR_HEIGHT + item_height / 2))
  xdotool mousemove $(((left + right) / 2)) "$y" click 1
  local sub="" deadline=$((SECONDS + LONG_WAIT_S))
  while [ -z "$sub" ] && [ "$SECONDS" -le "$deadline" ]; do
    sub=$(driver menu-rects 1000 | tr -d '\r' | grep -vx "$MENU_RECT" | head -1)
  done
  [ -n "$sub" ] || fail "the Outils sub-menu did not open"
  read -r left top right bottom <<<"$sub"
  item_height=$(( (bottom - top - 2 * MENU_BORDER) / 3 ))
  local item_top=$((top + MENU_BORDER + $1 * item_height))
  echo "$((left + MENU_BORDER)) $item_top $((right - MENU_BORDER)) $((item_top + item_height))"
}

# Whether the item's caption is drawn in the menu's text colour (enabled) or
# not at all in it (greyed): counted in its pixels, as a user sees it.
tool_item_look() {
  local black
  black=$(driver colour-count "$@" 000000 | tr -d '\r') || fail "cannot read the menu's pixels"
  [ "$black" -gt 0 ] && echo enabled || echo greyed
}

# The tool $1 (update, password or email) looks $2 (enabled or greyed) in the open menu.
expect_tool_look() {
  local index rect look
  case "$1" in update) index=0 ;; password) index=1 ;; email) index=2 ;; *) fail "no tool $1" ;; esac
  rect=$(open_tool_item "$index")
  xdotool mousemove 400 300 # the pointer off the menus: no item lit
  sleep 0.3
  look=$(tool_item_look $rect)
  xdotool mousemove 300 200 click 1
  driver no-menu "$LONG_WAIT_MS" || fail "the menu stayed open"
  [ "$look" = "$2" ] || fail "the tool $1 looks $look, expected $2"
  log "the tool $1 looks $look"
}

# --- the About window ---------------------------------------------------------

ABOUT_TITLE="A Propos"

# Reads the About window: its controls, and its rectangle on the screen.
read_about() {
  ABOUT=$(driver window "$ABOUT_TITLE" "${1:-$LONG_WAIT_MS}" | tr -d '\r') || fail "no About window"
  ABOUT_RECT=$(driver screen-rect "$ABOUT_TITLE" | tr -d '\r')
}

# Screen rectangle of the About window's visible control of class $1 (with text $2).
about_control() { driver screen-rect "$ABOUT_TITLE" "$@" | tr -d '\r'; }

middle_of() {
  read -r left top right bottom <<<"$1"
  echo $(((left + right) / 2)) $(((top + bottom) / 2))
}

# The texts of the window's visible labels, top to bottom, joined by "|".
expect_about_labels() {
  local got
  got=$(awk -F'|' 'NR > 1 && $1 == "Static" && $3 == 1 { print $2 }' <<<"$ABOUT" | paste -sd'|')
  [ "$got" = "$1" ] || fail "About window shows [$got], expected [$1]"
  log "About window: $got"
}

# Width and height in pixels, in the middle of the 800 x 600 desktop.
expect_about_size() {
  read -r left top right bottom <<<"$ABOUT_RECT"
  [ $((right - left))x$((bottom - top)) = "$1x$2" ] || fail "About window is $ABOUT_RECT, expected $1 x $2"
  [ $((left + right - 800)) -ge -1 ] && [ $((left + right - 800)) -le 1 ] &&
    [ $((top + bottom - 600)) -ge -1 ] && [ $((top + bottom - 600)) -le 1 ] || fail "About window $ABOUT_RECT is not centred"
}

expect_about_windows() {
  local count
  count=$(xwininfo -root -tree | grep -c "\"$ABOUT_TITLE\"")
  [ "$count" = "$1" ] || fail "$count About windows, expected $1"
}

# Moves the mouse over the link, the frame's surface or the picture.
point_at() {
  case "$1" in
    link) xdotool mousemove $(middle_of "$(about_control Static "$MAKER_HOST")") ;;
    frame) read -r left top right bottom <<<"$(about_control VarnhollowFrame)"
      xdotool mousemove $(((left + right) / 2)) $((bottom - 4)) ;;
    picture) xdotool mousemove $(middle_of "$(about_control VarnhollowPictureBox)") ;;
  esac
  sleep 0.3
}

click_on() {
  point_at "$1"
  xdotool click 1
}

# Counts pure blue pixels in the link: the text turns blue under the mouse.
expect_link_blue() {
  local blue
  blue=$(driver colour-count $(about_control Static "$MAKER_HOST") 0000FF | tr -d '\r')
  case "$1" in
    yes) [ "$blue" -gt 20 ] || fail "the link is not blue ($blue blue pixels)" ;;
    no) [ "$blue" -eq 0 ] || fail "the link is still blue ($blue blue pixels)" ;;
  esac
}

# Saves the desktop around the About window as $BENCH_DIR/$1.png.
screenshot_about() {
  read -r left top right bottom <<<"$ABOUT_RECT"
  driver screenshot "$BENCH_DIR/screen.bmp" || fail "no screenshot"
  python3 "$here/bmp_to_png.py" "$BENCH_DIR/screen.bmp" "$BENCH_DIR/$1.png" $((left - 16)) $((top - 16)) \
    $((right + 16)) $((bottom + 16))
  log "screenshot: $BENCH_DIR/$1.png"
}

# --- programs the real one starts ----------------------------------------------

launches_file() { echo "$WINEPREFIX/drive_c/launches.txt"; }

forget_launches() { rm -f "$(launches_file)"; }

# Waits for program $1 (its Windows path) to be started, then checks its
# command line $2, and the working directory $3 and show command $4 when given.
expect_launch() {
  local line="" _module cmd dir show deadline=$((SECONDS + LONG_WAIT_S))
  while [ "$SECONDS" -le "$deadline" ]; do
    line=$(awk -F'\t' -v m="$1" '$1 == m' "$(launches_file)" 2>/dev/null | head -1 | tr -d '\r')
    [ -n "$line" ] && break
    sleep 0.1
  done
  [ -n "$line" ] || fail "$1 was not started"
  IFS=$'\t' read -r _module cmd dir show <<<"$line"
  [ "$cmd" = "$2" ] || fail "$1 was started with [$cmd], expected [$2]"
  [ -z "${3-}" ] || [ "$dir" = "$3" ] || fail "$1 was started in [$dir], expected [$3]"
  [ -z "${4-}" ] || [ "$show" = "$4" ] || fail "$1 was started with show command $show, expected $4"
  log "started: $cmd"
}

expect_not_launched() {
  ! awk -F'\t' -v m="$1" '$1 == m { found = 1 } END { exit !found }' "$(launches_file)" 2>/dev/null ||
    fail "$1 was started"
}

# Opens "Outils" and clicks its item update, password or email.
choose_tool() {
  local index left top right bottom
  case "$1" in
    update) index=0 ;;
    password) index=1 ;;
    email) index=2 ;;
    *) fail "no tool $1" ;;
  esac
  local rect
  rect=$(open_tool_item "$index") || fail "the Outils sub-menu did not open"
  read -r left top right bottom <<<"$rect"
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
  driver no-menu "$LONG_WAIT_MS" || fail "the menu stayed open"
}

# --- the password window ("Mot de passe") ------------------------------------

PASSWORD_TITLE="Mot de passe"
PASSWORD_FILE="$WINEPREFIX/drive_c/windows/system32/PSTACK.DRV"

# Waits for the password window; prints its outer size then one line per control.
password_window() { driver window "$PASSWORD_TITLE" "${1:-$LONG_WAIT_MS}" | tr -d '\r'; }

# Checks the layout the user sees: verify (90 pixels high, OK and one Abandon)
# or change (189 pixels, the three fields and the lower Abandon).
expect_password_window() {
  local info height shown
  info=$(password_window) || fail "no password window"
  height=$(head -1 <<<"$info" | awk '{print $2}')
  shown=$(tail -n +2 <<<"$info" | awk -F'|' '$3 == 1 {print $1 ":" $2}' | paste -sd, -)
  case "$1" in
    verify) [ "$height" = 90 ] || fail "verify layout is $height pixels high"
            [ "$shown" = "Edit:,Static:Mot de Passe,Button:Abandon,Button:OK" ] || fail "verify layout shows [$shown]" ;;
    change) [ "$height" = 189 ] || fail "change layout is $height pixels high"
            [[ "$shown" == Edit:,Edit:,Edit:,Static:*,Static:Mot\ de\ Passe\ actuel,Button:Abandon,* ]] ||
              fail "change layout shows [$shown]" ;;
  esac
  [ "$(driver focus "$PASSWORD_TITLE" | tr -d '\r' | awk '{print $1}')" = Edit ] || fail "no field has the focus"
  log "password window: $1 layout"
}

# The focused field's position, "x y" in the window.
focused_field() { driver focus "$PASSWORD_TITLE" | tr -d '\r' | awk '{print $2, $3}'; }

type_password() { driver type "$PASSWORD_TITLE" "$1" || fail "cannot type into the password window"; sleep 0.3; }
press_key() { driver key "$PASSWORD_TITLE" "$1" || fail "cannot press $1"; sleep 0.3; }
press_enter() { press_key enter; }
click_button() { driver click-button "$PASSWORD_TITLE" "$1" || fail "no button $1 in the password window"; sleep 0.3; }
close_password_window() { driver close "$PASSWORD_TITLE" || fail "no password window to close"; }
expect_no_password_window() { driver no-window "$PASSWORD_TITLE" "$LONG_WAIT_MS" || fail "the password window is still shown"; }

# Writes record 1 of the password file: the encoded password, then the reserve.
seed_password_file() { printf '%s%s' "$1" "$2" >"$PASSWORD_FILE"; }

# The program wrote a new encoded password (16 characters from > to })
# and put the reserve back; the file is still one record long.
expect_password_file_changed_keeping() {
  local code reserve
  [ "$(stat -c %s "$PASSWORD_FILE")" = 32 ] || fail "the password file is $(stat -c %s "$PASSWORD_FILE") bytes long"
  code=$(head -c 16 "$PASSWORD_FILE")
  reserve=$(tail -c 16 "$PASSWORD_FILE")
  [ "$code" != "$1" ] || fail "the password file still holds the old password"
  local byte
  for byte in $(head -c 16 "$PASSWORD_FILE" | od -An -tu1); do
    [ "$byte" -ge 62 ] && [ "$byte" -le 125 ] || fail "the password file holds [$code]"
  done
  [ "$reserve" = "$2" ] || fail "the reserve became [$reserve]"
  log "password file: $code$reserve"
}

# --- the password file that lets nothing through -----------------------------

PASSWORD_FILE_READ_ERROR="Erreur d'ouverture ou de lecture du fichier C:\\windows\\system32\\PSTACK.DRV"$'\r\n'"Erreur  "

# A box whose text begins with $1.
expect_box_beginning() {
  local text
  text=$(driver box-text "$LONG_WAIT_MS") || fail "no message box (expected one beginning [$1])"
  [ "${text#"$1"}" != "$text" ] || fail "message box says [$text], expected it to begin [$1]"
  log "box: $text"
}

# A folder in the password file's place: no program can read it as a file.
# It goes again when the scenario ends, also when it fails.
make_password_file_unreadable() {
  rm -f "$PASSWORD_FILE"
  mkdir "$PASSWORD_FILE" || fail "cannot put a folder in the password file's place"
}

# Another program puts $1 into the focused field of the password window with
# WM_SETTEXT, which the field's 8-character limit does not bind.
set_field_text_from_outside() {
  driver set-text "$PASSWORD_TITLE" "$1" || fail "cannot set the field's text"
  local shown
  for _ in $(seq 50); do
    shown=$(password_window | awk -F'|' '$1 == "Edit" && $3 == 1 {print $2; exit}')
    [ "$shown" = "$1" ] && break
    sleep 0.1
  done
  [ "$shown" = "$1" ] || fail "the field holds [$shown], expected [$1]"
  log "field set from outside to [$1]"
}

# 1 when the password window's field at $1 pixels from the top of its client
# area takes input, 0 when it is disabled.
password_field_enabled() {
  password_window | awk -F'|' -v top="$1" '$1 == "Edit" {split($5, r, " "); if (r[2] == top) print $4}'
}

# --- the maker's web server and the web browser, stood in for ---------------

WEB_ROOT=$BENCH_DIR/www
INTERNET_SETTINGS='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
# Where the check downloaded the versions file before it used the user's
# temporary folder: anyone who may write into the program's folder could plant one.
PLANTED_VERSIONS_FILE=$(dirname "$VARNHOLLOW_EXE")/Tempo.net

# Starts the loopback web server and makes it the prefix's web proxy, so the
# program's requests for the maker's real address come to it.
start_web_server() {
  mkdir -p "$WEB_ROOT/download"
  rm -f "$BENCH_DIR/web.port" "$BENCH_DIR/web.log" "$BENCH_DIR/web.log.answers" "$WEB_ROOT/.answer_delay"
  /usr/bin/python3 "$here/versions_server.py" "$WEB_ROOT" "$BENCH_DIR/web.port" "$BENCH_DIR/web.log" &
  WEB_SERVER_PID=$!
  STARTED+=("$WEB_SERVER_PID")
  local deadline=$((SECONDS + LONG_WAIT_S))
  while [ ! -s "$BENCH_DIR/web.port" ] && [ "$SECONDS" -le "$deadline" ]; do sleep 0.1; done
  [ -s "$BENCH_DIR/web.port" ] || fail "the web server did not start"
  wine reg add "$INTERNET_SETTINGS" /v ProxyServer /d "127.0.0.1:$(cat "$BENCH_DIR/web.port")" /f >/dev/null 2>&1
  wine reg add "$INTERNET_SETTINGS" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1
  log "web server on 127.0.0.1:$(cat "$BENCH_DIR/web.port")"
}

# Stops the web server; the proxy setting stays, so nothing answers there.
stop_web_server() {
  kill "$WEB_SERVER_PID" 2>/dev/null
  wait "$WEB_SERVER_PID" 2>/dev/null
  log "web server stopped"
}

# Publishes the versions file: the lines given, in Windows-1252, CR LF.
publish_versions() {
  mkdir -p "$WEB_ROOT/download"
  printf '%s\r\n' "$@" | iconv -f UTF-8 -t CP1252 >"$WEB_ROOT/download/versions.txt" || fail "cannot write the versions file"
}

# Every request the web server got, one "GET URL" a line.
expect_requests() {
  local got
  got=$(cat "$BENCH_DIR/web.log" 2>/dev/null)
  [ "$got" = "$1" ] || fail "the web server got [$got], expected [$1]"
}

# Makes the driver the prefix's browser for http, https and ftp addresses: it
# writes each address it is given to a log.
use_test_browser() {
  local driver_path log_path scheme
  driver_path=$(winepath -w "$WINE_DRIVER" 2>/dev/null)
  log_path=$(winepath -w "$BENCH_DIR/opened.log" 2>/dev/null)
  rm -f "$BENCH_DIR/opened.log"
  for scheme in http https ftp; do
    wine reg add "HKCR\\$scheme\\shell\\open\\command" /ve /d "\"$driver_path\" browser \"$log_path\" \"%1\"" /f >/dev/null 2>&1
  done
}

# Waits for the browser to be given the address $1, and nothing else.
expect_opened() {
  local deadline=$((SECONDS + LONG_WAIT_S))
  while [ "$SECONDS" -le "$deadline" ] && [ ! -s "$BENCH_DIR/opened.log" ]; do sleep 0.1; done
  sleep 0.5
  local got
  got=$(tr -d '\r' <"$BENCH_DIR/opened.log" 2>/dev/null)
  [ "$got" = "$1" ] || fail "the browser was given [$got], expected [$1]"
  log "browser opened $got"
}

expect_nothing_opened() {
  sleep 1
  [ ! -e "$BENCH_DIR/opened.log" ] || fail "the browser was given [$(cat "$BENCH_DIR/opened.log")]"
}

# The check's files in the user's temporary folder: VHxxxx.tmp.
expect_no_temporary_file() {
  local left
  find_temporary_folder
  left=$(find "$TEMPORARY_FOLDER" -maxdepth 1 -iname 'VH*.tmp' 2>/dev/null)
  [ -z "$left" ] || fail "left behind: $left"
}

# One file of the check's in the temporary folder: the download that was given
# up on may still write it, and deletes it itself when it ends.
expect_temporary_file_left_to_the_download() {
  local left
  find_temporary_folder
  left=$(find "$TEMPORARY_FOLDER" -maxdepth 1 -iname 'VH*.tmp' 2>/dev/null)
  [ "$(grep -c . <<<"$left")" -eq 1 ] || fail "the check's files in the temporary folder: [$left], expected the running download's one"
}

# The USBSTOR key as a machine that never had USB storage lacks it; the
# scenario's end puts it back.
take_the_usbstor_key_away() {
  USBSTOR_KEY_TAKEN=1
  delete_usbstor_key
  [ "$(usbstor_start)" = missing ] || fail "the USBSTOR key is still there"
}

# Wine has no setup file of the USB storage driver: one stands in, so the
# program's permission calls meet a file; the scenario's end removes it.
SETUP_FILE=$WINEPREFIX/drive_c/windows/inf/usbstor.inf
put_the_setup_file() {
  SETUP_FILE_PUT=1
  mkdir -p "$(dirname "$SETUP_FILE")"
  printf '[Version]\r\nSignature="$Windows NT$"\r\n' >"$SETUP_FILE"
}

expect_start() {
  local got
  got=$(usbstor_start)
  [ "$got" = "$1" ] || fail "USBSTOR Start is $got, expected $1"
  log "USBSTOR Start = $got"
}

# --- the screen's logical resolution ("Large size" fonts) ---------------------

FONTS_KEY='HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'

# Sets LogPixels as the display settings do, then restarts the prefix's
# server: programs started from then on see $1 DPI. A bench's resolution is
# set when it comes up, LOGICAL_DPI (96 by default).
set_logical_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine reg add "$FONTS_KEY" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
}

# Reads the screen's resolution into BENCH_DPI and checks it is the bench's
# LOGICAL_DPI (96 by default).
read_bench_dpi() {
  local got
  got=$(driver dpi | tr -d '\r')
  [ "$got" = "${LOGICAL_DPI:-96} ${LOGICAL_DPI:-96}" ] || fail "the screen has [$got] DPI, expected ${LOGICAL_DPI:-96}"
  BENCH_DPI=${got% *}
  log "screen at $BENCH_DPI DPI"
}

# Window $1 (a title) is centred, its client area $2 pixels wide and the
# whole window $3 pixels high.
expect_window_size() {
  local outer client left top right bottom
  outer=$(driver window "$1" 10000 | head -1 | tr -d '\r')
  [ -n "$outer" ] || fail "no window $1"
  client=$(driver client-size "$1" | tr -d '\r')
  [ "${client%% *}" = "$2" ] && [ "${outer##* }" = "$3" ] ||
    fail "$1 is $outer with a client area of $client, expected $2 wide inside and $3 high outside"
  read -r left top right bottom <<<"$(driver screen-rect "$1" | tr -d '\r')"
  [ $((left + right - 800)) -ge -1 ] && [ $((left + right - 800)) -le 1 ] &&
    [ $((top + bottom - 600)) -ge -1 ] && [ $((top + bottom - 600)) -le 1 ] || fail "$1 is not centred"
  log "$1: $outer, client $client"
}

# Window $1's title shows whole in its title bar, and no control but a label
# leaves the window or its frame.
expect_window_whole() {
  local report status
  report=$(driver window-fit "$1")
  status=$?
  report=$(tr -d '\r' <<<"$report")
  [ "$status" = 0 ] || fail "in $1: $(grep -v '^fits' <<<"$report" | paste -sd';')"
  log "$1 whole${report:+: $report}"
}

# The password window in both layouts and the About window, shown by the
# test program on the real binding at the screen's resolution: their sizes,
# and each label's and button's text measured with the control's own font.
expect_windows_show_whole_texts() {
  local report status
  report=$(wine "$WINDOW_TEXTS_TEST" 2>/dev/null)
  status=$?
  report=$(tr -d '\r' <<<"$report")
  [ "$status" = 0 ] || fail "texts cut at this resolution: $(grep -E 'FAILED|passed' <<<"$report" | paste -sd';')"
  log "windows and texts: $(tail -1 <<<"$report")"
}

# The password window shows layout $1 (verify or change) and the focus is in
# a field, whatever its size.
expect_password_layout() {
  local shown
  shown=$(password_window | tail -n +2 | awk -F'|' '$3 == 1 {print $1 ":" $2}' | paste -sd, -)
  case "$1" in
    verify) [ "$shown" = "Edit:,Static:Mot de Passe,Button:Abandon,Button:OK" ] || fail "verify layout shows [$shown]" ;;
    change) [[ "$shown" == Edit:,Edit:,Edit:,Static:*,Static:Mot\ de\ Passe\ actuel,Button:Abandon,* ]] ||
              fail "change layout shows [$shown]" ;;
  esac
  [ "$(driver focus "$PASSWORD_TITLE" | tr -d '\r' | awk '{print $1}')" = Edit ] || fail "no field has the focus"
  log "password window: $1 layout"
}

# Saves the desktop around window $1 as $BENCH_DIR/$2.png, enlarged $3 times
# (once by default).
screenshot_window() {
  local left top right bottom
  read -r left top right bottom <<<"$(driver screen-rect "$1" | tr -d '\r')"
  [ -n "$bottom" ] || fail "no window $1 to take a picture of"
  driver screenshot "$BENCH_DIR/screen.bmp" || fail "no screenshot"
  python3 "$here/bmp_to_png.py" "$BENCH_DIR/screen.bmp" "$BENCH_DIR/$2.png" $((left - 16)) $((top - 16)) \
    $((right + 16)) $((bottom + 16)) "${3:-1}"
  log "screenshot: $BENCH_DIR/$2.png"
}

# --- the event log, seen through Wine's trace ----------------------------------

# This Wine keeps no event log, but traces each report: with
# WINEDEBUG=fixme+advapi,+eventlog one "fixme:advapi:ReportEventA (HANDLE,
# 0xTYPE,0xCATEGORY,0xEVENTID,...)" line, then one ":eventlog:ReportEventW
# L"..."" line per insert string, escaped (\\ for \, \00e9 for é).
EVENT_TRACE=$BENCH_DIR/events.trace

# Starts the program as start_program does, with its reports traced into
# $1 (EVENT_TRACE).
start_program_tracing_events() {
  local trace=${1:-$EVENT_TRACE}
  rm -f "$trace"
  WINEDEBUG=fixme+advapi,+eventlog wine "$VARNHOLLOW_EXE" >/dev/null 2>"$trace" &
  PROGRAM_PID=$!
  STARTED+=("$PROGRAM_PID")
  EVENTS_CHECKED=0
}

# The reports traced so far in $1 (EVENT_TRACE), one a line: "0xTYPE
# 0xEVENTID sid|insert|insert...", the inserts in UTF-8; "nosid" when no
# user's SID was given.
reported_events() {
  python3 - "${1:-$EVENT_TRACE}" <<'PYTHON'
import re, sys
def unescaped(text):
    return re.sub(r'\\([0-9a-fA-F]{4}|.)', lambda m: chr(int(m[1], 16)) if len(m[1]) == 4
                  else {'n': '\n', 'r': '\r', 't': '\t'}.get(m[1], m[1]), text)
events = []
try:
    lines = open(sys.argv[1], encoding='latin-1').read().splitlines()
except OSError:
    lines = []
for line in lines:
    report = re.search(r':advapi:ReportEventA \(([^,]*),([^,]*),([^,]*),([^,]*),([^,]*),', line)
    insert = re.search(r':eventlog:ReportEventW L"(.*)"$', line)
    if report:
        sid = 'nosid' if int(report[5] or '0', 16) == 0 else 'sid'
        events.append(report[2] + ' ' + report[4] + ' ' + sid)
    elif insert and events:
        events[-1] += '|' + unescaped(insert[1])
print('\n'.join(events))
PYTHON
}

# Waits for the next report of the program started last and checks it:
# expect_event "0xTYPE 0xEVENTID sid|insert|...".
expect_event() {
  local got n=$((EVENTS_CHECKED + 1)) deadline=$((SECONDS + LONG_WAIT_S))
  while got=$(reported_events | sed -n "${n}p"); [ "$got" != "$1" ]; do
    [ "$SECONDS" -le "$deadline" ] || fail "event $n is [$got], expected [$1]"
    sleep 0.2
  done
  EVENTS_CHECKED=$n
  log "event: $got"
}

# The program reported nothing beyond the events checked.
expect_no_more_events() {
  local extra
  extra=$(reported_events | tail -n +$((EVENTS_CHECKED + 1)))
  [ -z "$extra" ] || fail "events reported beyond those expected: $extra"
}

# The program whose trace is $1 opened no event source and reported nothing.
expect_no_event_log_use() {
  ! grep -aqE ':advapi:(RegisterEventSource|ReportEvent)' "$1" || fail "the program used the event log: $(grep -a ':advapi:' "$1")"
}

# DOMAIN\user, as Windows names the user the programs run as.
windows_user() { wine_cmd 'echo %USERDOMAIN%\%USERNAME%'; }

# --- USB drives plugged in: a stand-in cfgmgr32.dll -------------------------
# Wine's own cfgmgr32 shows no USB storage. The stand-in presents the devices
# of C:\stand_in_devices.txt and logs to C:\stand_in_cfgmgr32.txt; it sits next
# to the exe, and a DllOverrides value for the exe alone makes Wine load it.
# Both go again at the end of the scenario, also when it fails, and when the
# bench comes up (after a run that was killed).

STAND_IN_DEVICES=$WINEPREFIX/drive_c/stand_in_devices.txt
STAND_IN_LOG=$WINEPREFIX/drive_c/stand_in_cfgmgr32.txt
STAND_IN_COPY=""
case "$VARNHOLLOW_EXE" in /*) STAND_IN_COPY=$(dirname "$VARNHOLLOW_EXE")/cfgmgr32.dll ;; esac
STAND_IN_OVERRIDES="HKCU\\Software\\Wine\\AppDefaults\\${VARNHOLLOW_EXE##*[\\/]}\\DllOverrides"

# Plugs in the devices given, one "NODE<TAB>PARENT<TAB>ID<TAB>FRIENDLY NAME<TAB>
# DESCRIPTION<TAB>accept|refuse" each (node 1 is the root, "-" no such property).
plug_in_devices() {
  : "${STAND_IN_CFGMGR32:?}" "${STAND_IN_COPY:?the program must be a file of this machine}"
  DEVICES_PLUGGED_IN=yes
  printf '%s\r\n' "$@" | iconv -f UTF-8 -t CP1252 >"$STAND_IN_DEVICES" || fail "cannot describe the devices"
  rm -f "$STAND_IN_LOG"
  cp "$STAND_IN_CFGMGR32" "$STAND_IN_COPY" || fail "cannot put the stand-in cfgmgr32.dll next to the program"
  wine reg add "$STAND_IN_OVERRIDES" /v cfgmgr32 /t REG_SZ /d native,builtin /f >/dev/null 2>&1 ||
    fail "cannot make Wine load the stand-in cfgmgr32.dll"
  log "plugged in: $(awk -F'\t' '{print $3}' "$STAND_IN_DEVICES" | paste -sd' ')"
}

# Wine's own cfgmgr32 again, and nothing plugged in.
unplug_devices() {
  wine reg delete "$STAND_IN_OVERRIDES" /v cfgmgr32 /f >/dev/null 2>&1
  [ -z "$STAND_IN_COPY" ] || rm -f "$STAND_IN_COPY"
  rm -f "$STAND_IN_DEVICES" "$STAND_IN_LOG"
  true
}

# Whether the program has loaded the stand-in: yes or no.
expect_stand_in_loaded() {
  local loaded=no
  grep -q '^loaded' "$STAND_IN_LOG" 2>/dev/null && loaded=yes
  [ "$loaded" = "$1" ] || fail "the stand-in cfgmgr32.dll loaded: $loaded, expected $1"
}

# The removal requests the stand-in got, "DEVICE ID<TAB>veto buffer|no veto
# buffer<TAB>accepted|refused" one a line, in order; none when no argument.
expect_removals() {
  local got expected=""
  got=$(tr -d '\r' <"$STAND_IN_LOG" 2>/dev/null | awk -F'\t' '$1 == "eject" { print $2 "\t" $3 "\t" $4 }')
  [ $# -eq 0 ] || expected=$(printf '%s\n' "$@")
  [ "$got" = "$expected" ] || fail "removals asked: [$got], expected [$expected]"
  log "removals asked: ${got:-none}"
}

# Waits for a box with text $1 (the one before it may still be going).
expect_next_box() {
  local text="" deadline=$((SECONDS + LONG_WAIT_S))
  while [ $SECONDS -lt $deadline ]; do
    text=$(driver box-text 1000) && [ "$text" = "$1" ] && { log "box: $text"; return 0; }
    sleep 0.2
  done
  fail "message box says [$text], expected [$1]"
}

# Presses button $1 of the box with text $2 and waits until that box has gone.
answer_box() {
  local deadline=$((SECONDS + LONG_WAIT_S))
  answer "$1"
  while [ $SECONDS -lt $deadline ]; do
    [ "$(driver box-text 100)" = "$2" ] || return 0
    sleep 0.2
  done
  fail "the box [$2] stayed after button $1"
}

# --- a clean desktop before and after every scenario ----------------------------

# Wine's own processes of the prefix, which stay from one scenario to the next.
WINE_SERVICES='explorer.exe|services.exe|winedevice.exe|plugplay.exe|svchost.exe|rpcss.exe|conhost.exe|msiexec.exe'

# Every other Windows program running in this prefix: "PID COMMAND LINE" a line.
prefix_programs() {
  local environ dir cmd
  for environ in $(grep -lsxzF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ); do
    dir=${environ%/environ}
    cmd=$( { tr '\0' ' ' <"$dir/cmdline"; } 2>/dev/null) || continue
    shopt -s nocasematch
    if [[ "$cmd" =~ \.exe ]] && ! [[ "$cmd" =~ (^|[\\/])($WINE_SERVICES)( |$) ]]; then
      echo "${dir#/proc/} $cmd"
    fi
    shopt -u nocasematch
  done
}

# Ends the programs the scenario started, and any program of the prefix an
# earlier run left behind; waits until they are gone.
end_programs() {
  local pid deadline=$((SECONDS + 10))
  for pid in "${STARTED[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in $(prefix_programs | awk '{print $1}'); do kill "$pid" 2>/dev/null; done
  while [ -n "$(prefix_programs)" ]; do
    if [ "$SECONDS" -gt "$deadline" ]; then
      for pid in $(prefix_programs | awk '{print $1}'); do kill -9 "$pid" 2>/dev/null; done
    fi
    [ "$SECONDS" -gt $((deadline + LONG_WAIT_S)) ] && { log "still running: $(prefix_programs)"; return 1; }
    sleep 0.1
  done
  for pid in "${STARTED[@]}"; do wait "$pid" 2>/dev/null; done
  return 0
}

# Wine's tray drops the icon of a program that has ended only when it fails
# to pass a mouse message on to it: the mouse over the icon does it.
drop_dead_tray_icon() {
  local got x y deadline=$((SECONDS + LONG_WAIT_S))
  while got=$(driver tray-icon | tr -d '\r'); [ "$got" != none ]; do
    [ "$SECONDS" -gt "$deadline" ] && { log "a tray icon stayed: [$got]"; return 1; }
    if [ -z "$got" ]; then
      sleep 0.5 # the driver could not look (the prefix's server restarting)
      continue
    fi
    read -r x y _ <<<"$got"
    xdotool mousemove "$x" "$y" sleep 0.3 mousemove 400 300 sleep 0.3 || true
  done
}

# Nothing of a scenario stays on the desktop: no program of the prefix, no
# tray icon, and so no menu and no box either.
clean_desktop() {
  end_programs && drop_dead_tray_icon && { xdotool mousemove 400 300 || true; }
}

# What a scenario starts from: a clean desktop, no password file, USB storage
# unlocked.
clean_start() {
  clean_desktop || return 1
  [ ! -d "$PASSWORD_FILE" ] || rmdir "$PASSWORD_FILE"
  rm -f "$PASSWORD_FILE" "$(launches_file)"
  set_usbstor_start 3
  [ "$(usbstor_start)" = 3 ] || { log "USBSTOR Start could not be set to 3"; return 1; }
}

# Keeps a screenshot and the window tree of a failed scenario.
keep_evidence() {
  local name=$BENCH_DIR/failed-$1
  xwininfo -root -tree >"$name.windows.txt" 2>&1
  driver screenshot "$name.bmp" && python3 "$here/bmp_to_png.py" "$name.bmp" "$name.png" &&
    rm -f "$name.bmp"
  log "evidence: $name.png, $name.windows.txt"
}

finish_scenario() {
  local status=$?
  [ "$status" -eq 0 ] || keep_evidence "$SCENARIO"
  clean_desktop || { log "FAIL: the desktop could not be cleaned after the scenario"; status=1; }
  [ ! -d "$PASSWORD_FILE" ] || rmdir "$PASSWORD_FILE"
  [ -z "${DEVICES_PLUGGED_IN:-}" ] || unplug_devices
  [ -z "${MAIL_PROGRAM_REMOVED:-}" ] || register_mail_program || { log "FAIL: the mail program could not be registered again"; status=1; }
  [ -z "${SERVICE_INSTALLED:-}" ] || remove_service || { log "FAIL: the service could not be removed"; status=1; }
  [ -z "${SETUP_FILE_PUT:-}" ] || rm -f "$SETUP_FILE"
  if [ -n "${USBSTOR_KEY_TAKEN:-}" ]; then
    set_usbstor_start 3
    [ "$(usbstor_start)" = 3 ] || { log "FAIL: the USBSTOR key could not be put back"; status=1; }
  fi
  [ -z "${POLICIES_SET:-}" ] || remove_policies || { log "FAIL: the policies could not be removed"; status=1; }
  exit "$status"
}

# --- the lock service ----------------------------------------------------------
# The service built beside the program, installed in the prefix as the package
# installs it. Wine ends a prefix's services a few seconds after its last
# ordinary program: a scenario starts the tray first, then the service.

VHSERVICE_EXE=$(dirname "$VARNHOLLOW_EXE")/vhservice.exe

# RUNNING, STOPPED..., or nothing when the service is not installed.
service_state() { wine sc query Varnhollow 2>/dev/null | tr -d '\r' | awk '$1 == "STATE" {print $4}'; }

expect_service_state() {
  local got deadline=$((SECONDS + LONG_WAIT_S))
  while got=$(service_state); [ "$got" != "$1" ]; do
    [ "$SECONDS" -le "$deadline" ] || fail "the service is [$got], expected [$1]"
    sleep 0.3
  done
  log "service: ${1:-not installed}"
}

install_service() {
  SERVICE_INSTALLED=1
  wine sc create Varnhollow binpath= "$(winepath -w "$VHSERVICE_EXE")" >/dev/null 2>&1 ||
    fail "the service could not be installed"
  expect_service_state STOPPED
}

start_service() {
  wine sc start Varnhollow >/dev/null 2>&1 || fail "the service could not be started"
  expect_service_state RUNNING
}

stop_service() {
  wine sc stop Varnhollow >/dev/null 2>&1 || fail "the service could not be stopped"
  expect_service_state STOPPED
}

# Also when a scenario failed: no service stays installed after it.
remove_service() {
  wine sc stop Varnhollow >/dev/null 2>&1
  wine sc delete Varnhollow >/dev/null 2>&1
  local deadline=$((SECONDS + LONG_WAIT_S))
  while [ -n "$(service_state)" ]; do
    [ "$SECONDS" -le "$deadline" ] || { log "the service is still installed"; return 1; }
    sleep 0.3
  done
  SERVICE_INSTALLED=
}

# Starts the program with Wine's trace of its own registry calls in $1.
start_program_tracing_registry() {
  rm -f "$1"
  WINEDEBUG=+reg wine "$VARNHOLLOW_EXE" >/dev/null 2>"$1" &
  PROGRAM_PID=$!
  STARTED+=("$PROGRAM_PID")
}

# The values the program traced in $1 set, one name a line.
# (Wine traces each value set as "trace:reg:NtSetValueKey (0xa0,L"Start",4,...)".)
values_set_in_trace() { grep -aoE 'trace:reg:NtSetValueKey \([^,]*,L"[^"]*"' "$1" | sed -E 's/.*"([^"]*)"$/\1/'; }

# --- the update check on a slow web server ------------------------------------

# Sets TEMPORARY_FOLDER: the prefix user's temporary folder (%TEMP%), as a Linux path.
find_temporary_folder() {
  [ -n "${TEMPORARY_FOLDER:-}" ] && return 0
  TEMPORARY_FOLDER=$(winepath -u "$(wine_cmd echo %TEMP%)" 2>/dev/null)
  [ -d "$TEMPORARY_FOLDER" ] || fail "no temporary folder [$TEMPORARY_FOLDER]"
}

# From now on the web server holds each request $1 seconds, saying nothing,
# before it answers.
web_server_answers_after() {
  echo "$1" >"$WEB_ROOT/.answer_delay"
  log "the web server answers after $1 s"
}

# Waits up to $1 seconds for the web server to have received $2 requests.
expect_requests_received() {
  local count=0
  for _ in $(seq $(($1 * 10))); do
    count=$(wc -l <"$BENCH_DIR/web.log" 2>/dev/null || echo 0)
    [ "$count" -ge "$2" ] && return 0
    sleep 0.1
  done
  fail "the web server received $count requests, expected $2"
}

# Waits up to $1 seconds for the held requests to have been answered ($2 of them).
expect_held_requests_answered() {
  local count=0
  for _ in $(seq $(($1 * 10))); do
    count=$(wc -l <"$BENCH_DIR/web.log.answers" 2>/dev/null || echo 0)
    [ "$count" -ge "$2" ] && { log "the web server has answered"; return 0; }
    sleep 0.1
  done
  fail "the web server answered $count held requests, expected $2"
}

# Waits up to $1 seconds for a message box, which must say $2.
expect_box_within() {
  local limit=$((SECONDS + $1)) text
  until text=$(driver box-text 5000); do
    [ "$SECONDS" -lt "$limit" ] || fail "no message box within $1 s (expected: $2)"
  done
  [ "$text" = "$2" ] || fail "message box says [$text], expected [$2]"
  log "box: $text"
}

# The popup menu opens on a right click, then a click elsewhere closes it.
expect_menu_answers() {
  open_menu
  xdotool mousemove 300 200 click 1
  driver no-menu "$LONG_WAIT_MS" || fail "the menu stayed open after a click elsewhere"
  log "the menu opened and closed"
}

# Waits up to $1 seconds for no file of the check's to be in the temporary folder.
expect_temporary_files_gone_within() {
  local left=""
  find_temporary_folder
  for _ in $(seq $(($1 * 10))); do
    left=$(find "$TEMPORARY_FOLDER" -maxdepth 1 -iname 'VH*.tmp' 2>/dev/null)
    [ -z "$left" ] && return 0
    sleep 0.1
  done
  fail "left behind: $left"
}

bench_run() {
  [ -f "$state" ] || fail "bench is not up"
  . "$state"
  export DISPLAY
  STARTED=()
  SCENARIO=$1
  . "${SCENARIOS:-$here/scenarios.sh}"
  declare -F "scenario_$1" >/dev/null || fail "no scenario named $1"
  clean_start || fail "the desktop is not clean: $(prefix_programs) $(driver tray-icon)"
  trap finish_scenario EXIT
  log "scenario $1"
  "scenario_$1"
  log "ok"
}

case "${1:-}" in
  up) bench_up ;;
  down) bench_down_quietly; log "bench down" ;;
  run) bench_run "$2" ;;
  wine) [ -f "$state" ] || fail "bench is not up"; . "$state"; export DISPLAY; windows_version winxp; wine "$2" ;;
  *) echo "usage: bench.sh up | down | run SCENARIO | wine PROGRAM.exe" >&2; exit 2 ;;
esac
