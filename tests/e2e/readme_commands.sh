#!/usr/bin/env bash
# Follows the README's parts for building, running and testing top to bottom
# on a fresh copy of the sources, as a new administrator does: every shell
# command they give, in their order, run as given from the copy's top folder.
# A command this script does not know fails it, so a command added to the
# README is added here too.
#
#   readme_commands.sh SOURCE_DIR WORK_DIR
#     WINE_DRIVER  the bench's driver, built for the Wine this machine runs
#     DRIVER_ARCH  win32 or win64: the build the driver comes from
#
# `bash scripts/run.sh` runs in the background, as in a second terminal: the
# next commands run beside it, and each way the README gives to stop it is
# taken once (Ctrl+C, `kill`, `wineserver -k`), each time checking that the
# script, its Xvfb and its prefix's Wine processes are gone. Every wait is for
# something the user sees (a line of the script, the tray icon), with a limit.
# Nothing is started on the caller's display or in another prefix, and only
# what this script started is stopped.
set -u
source_dir=$(realpath "$1") work=$2
# The user's shell: no Wine set-up of this script's, no display.
plain_path=$PATH
. "$source_dir/scripts/wine_env.sh"
machine_arch=$(wine_bench_arch)
if [ "$machine_arch" != "${DRIVER_ARCH:?}" ]; then
  echo "This machine runs its Wine tests in the $machine_arch build: skipped in the $DRIVER_ARCH one."
  exit 77
fi

clone=$work/clone
rm -rf "$clone"
mkdir -p "$clone"
log=$work/commands.log
: >"$log"
rm -f "$work"/run-*.out
say() { echo "$*" | tee -a "$log"; }
fail() {
  say "FAILED: $*"
  exit 1
}

# A fresh clone of the sources as they are now (tracked and new files, not
# what .gitignore leaves out, so no build folder).
copy_sources() {
  if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
    git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' file; do
        [ -e "$source_dir/$file" ] && printf '%s\0' "$file"
      done | tar -C "$source_dir" --null -T - -cf - | tar -C "$clone" -xf -
  else
    tar -C "$source_dir" --exclude=./build -cf - . | tar -C "$clone" -xf -
  fi
}

# Runs a command as the user types it, in the copy's top folder.
as_user() {
  (cd "$clone" && env -u DISPLAY -u WINEPREFIX -u WINEARCH -u WINELOADER -u WINEDEBUG PATH="$plain_path" \
    bash -c "$1")
}

# --- The README's commands, in order ---------------------------------------

# Every command of the parts for building: the indented blocks (a line ending
# in "\" goes on on the next) and the code spans that begin as a command does.
readme_commands() {
  python3 - "$clone/README.md" <<'EOF'
import re, sys
text = open(sys.argv[1], encoding="utf-8").read()
parts = re.findall(r"<!-- README\.txt: leave out.*?-->(.*?)<!-- README\.txt: take again -->", text, re.S)
starts = re.compile(r"^((bash|cmake|ctest|wine|wineserver|xwd|convert|kill|--target)\b|[A-Z_]+=)")
for part in parts:
    for paragraph in re.split(r"\n\s*\n", part):
        lines = paragraph.split("\n")
        if all(line.startswith("    ") for line in lines if line.strip()):
            command = ""
            for line in lines:
                command += line.strip()
                if command.endswith("\\"):
                    command = command[:-1].rstrip() + " "
                    continue
                if command:
                    print(command)
                command = ""
            continue
        for span in re.findall(r"`([^`]+)`", " ".join(line.strip() for line in lines)):
            if starts.match(span):
                print(span)
EOF
}

# The background job (its process group), the number the script prints.
job="" script_pid="" script_output="" xvfb_pid="" display=""
prefix() { echo "$clone/build/wine-run"; }

# The prefix's Wine server answers: "wineserver -k" ends it and says so.
prefix_has_wine() {
  (cd "$clone" && WINEPREFIX=$(prefix) wineserver -k 2>/dev/null)
}

gone() { ! kill -0 "$1" 2>/dev/null || [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ]; }

# Waits up to LIMIT seconds for CONDITION (a command), while the script runs.
wait_for() {
  local limit=$1 what=$2
  shift 2
  for _ in $(seq $((limit * 5))); do
    "$@" && return 0
    [ -n "$job" ] && gone "$job" && fail "the script ended while waiting for $what: $(tail -5 "$script_output")"
    sleep 0.2
  done
  fail "no $what within $limit s"
}

script_says() { grep -q "$1" "$script_output"; }

tray_icon_shown() {
  local icon
  icon=$(cd "$clone" && DISPLAY=$display WINEPREFIX=$(prefix) WINEDEBUG=-all wine "$WINE_DRIVER" tray-icon 2>/dev/null |
    tr -d '\r')
  [ -n "$icon" ] && [ "$icon" != none ]
}

# Starts the run script in the background, in a process group of its own as a
# terminal's foreground job is, and waits for the program's icon.
start_run() {
  local command=$1 build_limit=$2
  script_output=$work/run-$((++runs)).out
  set -m
  as_user "$command" >"$script_output" 2>&1 &
  job=$!
  set +m
  wait_for "$build_limit" "\"To stop\" line from the script" script_says '^To stop:'
  read -r display xvfb_pid < <(sed -nE 's/.*running on Xvfb (:[0-9]+) \(process ([0-9]+)\).*/\1 \2/p' "$script_output")
  [ -n "$display" ] || fail "the script names no Xvfb display: $(cat "$script_output")"
  script_pid=$(sed -nE 's/^To stop: .* kill ([0-9]+) .*/\1/p' "$script_output")
  [ -n "$script_pid" ] || fail "the script prints no number for kill: $(grep 'To stop' "$script_output")"
  wait_for 120 "tray icon" tray_icon_shown
  say "  running: script $script_pid, Xvfb $display (process $xvfb_pid)"
}

# After a way to stop it: the script ends, with its Xvfb and its Wine.
expect_stopped() {
  local way=$1
  for _ in $(seq 300); do gone "$job" && break; sleep 0.2; done
  gone "$job" || fail "$way: the script still runs after 60 s"
  wait "$job" 2>/dev/null
  job="" script_pid=""
  for _ in $(seq 150); do gone "$xvfb_pid" && break; sleep 0.2; done
  gone "$xvfb_pid" || fail "$way: the script's Xvfb ($xvfb_pid) still runs"
  xvfb_pid=""
  ! prefix_has_wine || fail "$way: the prefix's Wine processes were still running"
  say "  stopped by $way: the script, its Xvfb and the prefix's Wine are gone"
}

stop_with_ctrl_c() {
  kill -INT -- "-$job" 2>/dev/null
  expect_stopped "Ctrl+C"
}

cleanup() {
  if [ -n "$job" ] && ! gone "$job"; then
    kill -TERM "${script_pid:-$job}" 2>/dev/null
    for _ in $(seq 150); do gone "$job" && break; sleep 0.2; done
    kill -KILL -- "-$job" 2>/dev/null
  fi
  [ -d "$clone/build/wine-run" ] && prefix_has_wine
  [ -n "$xvfb_pid" ] && ! gone "$xvfb_pid" && kill "$xvfb_pid" 2>/dev/null
  # The copy's build trees are large; the log stays.
  rm -rf "$clone"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

runs=0
first_run=yes
run_command() {
  local command=$1
  case "$command" in
    "bash scripts/run.sh" | "bash scripts/run.sh --no-build")
      # One program at a time: the user stops the one started before.
      [ -n "$job" ] && stop_with_ctrl_c
      # The first run installs what is missing and builds.
      start_run "$command" "$([ $first_run = yes ] && echo 1800 || echo 300)"
      first_run=no
      ;;
    "WINEPREFIX=\$PWD/build/wine-run wine build/win32/bin/vhpasswd.exe SECRET" | \
    "WINEPREFIX=\$PWD/build/wine-run /usr/lib/wine/wine64 build/win64/bin/vhpasswd.exe SECRET")
      local arch=win32
      [[ $command == *wine64* ]] && arch=win64
      if [ "$arch" != "$machine_arch" ]; then
        say "  not for this machine, which runs $machine_arch Wine"
        return
      fi
      rm -f "$(prefix)/drive_c/windows/system32/PSTACK.DRV"
      as_user "$command" >>"$log" 2>&1 || fail "exit code $?"
      [ -s "$(prefix)/drive_c/windows/system32/PSTACK.DRV" ] || fail "no password file in the prefix"
      ;;
    "xwd -display :1 -root -silent -out screen.xwd")
      [ -n "$job" ] || fail "no program running to take a picture of"
      as_user "${command/:1/$display}" >>"$log" 2>&1 || fail "exit code $?"
      [ -s "$clone/screen.xwd" ] || fail "no screen.xwd"
      ;;
    "convert screen.xwd screen.png")
      as_user "$command" >>"$log" 2>&1 || fail "exit code $?"
      [ "$(head -c 4 "$clone/screen.png" | od -An -c | tr -d ' ')" = '211PNG' ] || fail "screen.png is no PNG"
      ;;
    kill)
      [ -n "$script_pid" ] || fail "no script running to end"
      as_user "kill $script_pid" >>"$log" 2>&1 || fail "exit code $?"
      expect_stopped "kill $script_pid"
      ;;
    "WINEPREFIX=\$PWD/build/wine-run wineserver -k")
      [ -n "$job" ] || start_run "bash scripts/run.sh --no-build" 300
      as_user "$command" >>"$log" 2>&1 || fail "exit code $?"
      expect_stopped "wineserver -k"
      ;;
    "bash scripts/test.sh" | "bash scripts/test.sh --busy")
      say "  not run here: this test is one of those it runs"
      ;;
    "bash bench/run.sh")
      say "  not run here: a measurement, which the README keeps out of the tests"
      ;;
    "--target "*)
      as_user "cmake --build --preset win32 $command" >>"$log" 2>&1 || fail "exit code $?"
      ;;
    "cmake "*)
      as_user "$command" >>"$log" 2>&1 || fail "exit code $?"
      local setting
      for setting in $(grep -oE -- '-D[A-Z_]+=[^ ]+' <<<"$command"); do
        setting=${setting#-D}
        grep -qxE "${setting%%=*}:[A-Z]+=${setting#*=}" "$clone/build/win32/CMakeCache.txt" ||
          fail "the cache does not hold ${setting}"
      done
      ;;
    *)
      fail "the README gives a command this test does not know how to run: $command"
      ;;
  esac
}

say "A fresh copy of $source_dir in $clone"
copy_sources
mapfile -t commands < <(readme_commands)
[ ${#commands[@]} -gt 0 ] || fail "no commands found in the README"
for command in "${commands[@]}"; do
  say "\$ $command"
  run_command "$command"
done
[ -z "$job" ] || fail "the README leaves the program running: it tells no way to stop it after its last start"
say "${#commands[@]} commands of the README followed"
