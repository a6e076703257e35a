# An administrator's stories with varnhollow.msi, on a bench of their own:
# VARNHOLLOW_EXE is the installed program. Each starts by making the machine
# as new: no Varnhollow installed and no password file.

. "$here/scenarios.sh" # the user's verbs and texts

: "${VARNHOLLOW_MSI:?}" "${VARNHOLLOW_REBUILT_MSI:?}" "${VARNHOLLOW_UPGRADE_MSI:?}" "${PASSWORD_PROBE:?}"
: "${PACKAGE_VERSION:?}" "${UPGRADE_PACKAGE_VERSION:?}" # e.g. 1.04 and 1.04.1

DRIVE_C=$WINEPREFIX/drive_c
PROGRAM_DIR="$DRIVE_C/Program Files/Varnhollow"
RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
DEFAULT_PASSWORD=VERROU

probe() { wine "$PASSWORD_PROBE" "$@" 2>/dev/null | tr -d '\r'; }

as_new_machine() {
  windows_version winxp
  local package
  for package in "$VARNHOLLOW_UPGRADE_MSI" "$VARNHOLLOW_REBUILT_MSI" "$VARNHOLLOW_MSI"; do
    wine msiexec /x "$(winepath -w "$package")" /qn >/dev/null 2>&1
  done
  rm -f "$PASSWORD_FILE"
  [ ! -e "$PROGRAM_DIR/varnhollow.exe" ] || fail "Varnhollow is still installed"
}

# Wine keeps no access list on files, but its trace shows the call that sets
# one: "SetNamedSecurityInfoA PATH 1 FLAGS", 1 for a file and FLAGS -2147483643
# for OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
# PROTECTED_DACL_SECURITY_INFORMATION: the owner becomes Administrators too.
TRACE=$BENCH_DIR/calls.trace
PROTECTED_DACL_CALL='trace:advapi:SetNamedSecurityInfoA "C:\\windows\\system32\\PSTACK.DRV" 1 -2147483643 '
traced() { WINEDEBUG=-all,trace+advapi,trace+eventlog "$@" 2>"$TRACE"; }

# Installs a package silently: install PACKAGE [PROPERTY=VALUE...]
install() {
  local package=$1
  shift
  traced wine msiexec /i "$(winepath -w "$package")" /qn "$@" >/dev/null ||
    fail "msiexec /i $(basename "$package") /qn $* failed"
  log "installed $(basename "$package") $*"
}

# The last installation or vhpasswd gave the password file an access list of
# its own.
expect_password_file_protected() {
  grep -qaF "$PROTECTED_DACL_CALL" "$TRACE" || fail "the password file's access list was not set"
  log "password file's access list set to Administrators and SYSTEM only"
}

uninstall() {
  wine msiexec /x "$(winepath -w "$1")" /qn >/dev/null 2>&1 || fail "msiexec /x $(basename "$1") failed"
  log "uninstalled $(basename "$1")"
}

run_value() { wine reg query "$RUN_KEY" /v Varnhollow 2>/dev/null | tr -d '\r' | awk -F'REG_SZ' 'NF > 1 {sub(/^ +/, "", $2); print $2}'; }

# Wine's installer puts a per-machine package's shortcut into the user's Start
# menu, Windows into All Users': look in both.
start_menu_shortcut() { find "$DRIVE_C" -path '*Start Menu/Programs/Varnhollow.lnk' | head -1; }

# The Add/Remove Programs entries named Varnhollow, one "DisplayVersion Publisher" line each.
programs_entries() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ {if (name == "Varnhollow") print version, publisher; name = version = publisher = ""}
         $1 == "DisplayName" {name = $3} $1 == "DisplayVersion" {version = $3} $1 == "Publisher" {publisher = $3}
         END {if (name == "Varnhollow") print version, publisher}'
}

expect_installed() {
  local version=$1
  [ -f "$PROGRAM_DIR/varnhollow.exe" ] && [ -f "$PROGRAM_DIR/vhpasswd.exe" ] || fail "the program files are missing"
  [ "$(run_value)" = '"C:\Program Files\Varnhollow\varnhollow.exe"' ] || fail "the Run value is [$(run_value)]"
  local shortcut
  shortcut=$(start_menu_shortcut)
  [ -n "$shortcut" ] || fail "no Start Menu shortcut"
  grep -qa 'varnhollow.exe' "$shortcut" || fail "the shortcut does not start varnhollow.exe"
  [ "$(programs_entries)" = "$version Varnhollow" ] || fail "Add/Remove Programs shows [$(programs_entries)]"
  log "installed: program, tool, Run value, shortcut, Add/Remove Programs entry $version"
}

expect_uninstalled() {
  [ ! -e "$PROGRAM_DIR/varnhollow.exe" ] && [ ! -e "$PROGRAM_DIR/vhpasswd.exe" ] || fail "program files left behind"
  [ -z "$(run_value)" ] || fail "the Run value is left: $(run_value)"
  [ -z "$(start_menu_shortcut)" ] || fail "the shortcut is left: $(start_menu_shortcut)"
  [ -z "$(programs_entries)" ] || fail "Add/Remove Programs still shows [$(programs_entries)]"
  log "uninstalled: no program files, Run value, shortcut or entry"
}

# The stored password, decoded by the program's own code.
expect_password() {
  local got
  got=$(probe password | iconv -f CP1252 -t UTF-8)
  [ "$got" = "$1" ] || fail "the password file holds [$got], expected [$1]"
  log "password file: $(stat -c %s "$PASSWORD_FILE") bytes, password $got"
}

expect_same_password_file() {
  cmp -s "$1" "$PASSWORD_FILE" || fail "the password file changed"
  log "password file unchanged, byte for byte"
}

# Runs the installed deployment tool: set_password EXPECTED_EXIT PASSWORD
set_password() {
  run_vhpasswd "$1" "$2"
  log "vhpasswd [$2]: exit $1, $(head -1 <<<"$VHPASSWD_SAID$VHPASSWD_COMPLAINED")"
}

# The installed program, started locked, unlocks with this password (typed in
# lower case, as a user may) and quits.
unlock_installed_program_with() {
  start_resident winxp 4 locked
  choose lock
  expect_password_window verify
  type_password "$1"
  press_enter
  expect_no_password_window
  expect_tray unlocked
  expect_start 3
  quit_unlocked
}

scenario_silent_install_then_the_installed_program_unlocks_with_the_default_password() {
  as_new_machine
  set_usbstor_start 4
  install "$VARNHOLLOW_MSI"
  expect_password_file_protected
  expect_start 4
  expect_installed "$PACKAGE_VERSION"
  expect_password "$DEFAULT_PASSWORD"
  [ "$(stat -c %s "$PASSWORD_FILE")" = 32 ] || fail "the password file is not one 32-byte record"
  unlock_installed_program_with verrou
}

scenario_install_over_an_existing_password_file_keeps_it() {
  as_new_machine
  set_usbstor_start 3
  printf 'RDPKULXxZ}]gBNMzKEEP-THIS-RESERVETAIL1234' >"$PASSWORD_FILE"
  cp "$PASSWORD_FILE" "$BENCH_DIR/before"
  install "$VARNHOLLOW_MSI"
  expect_password_file_protected
  expect_installed "$PACKAGE_VERSION"
  expect_same_password_file "$BENCH_DIR/before"
  uninstall "$VARNHOLLOW_MSI"
  expect_uninstalled
  expect_same_password_file "$BENCH_DIR/before"
  expect_start 3
}

scenario_upgrade_then_uninstall_keep_the_password_and_the_lock() {
  as_new_machine
  set_usbstor_start 4
  install "$VARNHOLLOW_MSI"
  set_password 0 'Clé42'
  expect_password_file_protected
  expect_password 'CLÉ42'
  cp "$PASSWORD_FILE" "$BENCH_DIR/before"
  # A rebuild of the same version replaces it too: still one product.
  install "$VARNHOLLOW_REBUILT_MSI"
  expect_installed "$PACKAGE_VERSION"
  expect_same_password_file "$BENCH_DIR/before"
  install "$VARNHOLLOW_UPGRADE_MSI"
  expect_password_file_protected
  expect_installed "$UPGRADE_PACKAGE_VERSION"
  expect_same_password_file "$BENCH_DIR/before"
  expect_start 4
  uninstall "$VARNHOLLOW_UPGRADE_MSI"
  expect_uninstalled
  expect_same_password_file "$BENCH_DIR/before"
  expect_start 4
}

scenario_deployment_sets_the_organisation_password() {
  as_new_machine
  set_usbstor_start 3
  install "$VARNHOLLOW_MSI" PASSWORD=Sécu42
  expect_password_file_protected
  expect_password 'SÉCU42'
  expect_start 3
  unlock_installed_program_with sécu42
  cp "$PASSWORD_FILE" "$BENCH_DIR/before"
  local bad
  for bad in '' 'A' '123456789' 'Ωmega' $'ab\tc' 'ab"cd' 'ab\' 'ab\\'; do
    set_password 1 "$bad"
  done
  expect_same_password_file "$BENCH_DIR/before"
  set_password 0 'autre1'
  expect_password 'AUTRE1'
  [ "$(reported_events "$TRACE")" = "$AUDIT_SUCCESS 0x00000076 sid|$(windows_user)|vhpasswd" ] ||
    fail "vhpasswd logged [$(reported_events "$TRACE")]"
  unlock_installed_program_with AUTRE1
  uninstall "$VARNHOLLOW_MSI"
  # A password the program could not take fails the installation.
  if wine msiexec /i "$(winepath -w "$VARNHOLLOW_MSI")" /qn PASSWORD=x >/dev/null 2>&1; then
    fail "an installation with a 1-character PASSWORD succeeded"
  fi
  [ ! -e "$PROGRAM_DIR/varnhollow.exe" ] || fail "a failed installation left the program"
  [ -z "$(run_value)" ] || fail "a failed installation left the Run value"
  expect_password 'AUTRE1'
  # Nor is a password ending in a backslash, which the quoted command line
  # would turn into another one (ab\\ into AB\) or into a double quote (ab\).
  for bad in 'ab\' 'ab\\'; do
    if wine msiexec /i "$(winepath -w "$VARNHOLLOW_MSI")" /qn "PASSWORD=$bad" >/dev/null 2>&1; then
      fail "an installation with PASSWORD=$bad succeeded"
    fi
    [ ! -e "$PROGRAM_DIR/varnhollow.exe" ] || fail "a failed installation left the program"
  done
  expect_password 'AUTRE1'
  expect_start 3
}

# Runs vhpasswd as the package does: the SetPassword action's command line,
# read from the package, with [PASSWORD] replaced by the value, started as is
# after the installed tool's quoted path. Sets PACKAGE_LINE_EXIT.
run_as_the_package() {
  local value=$1 template
  template=$(msiinfo export "$VARNHOLLOW_MSI" CustomAction | tr -d '\r' | awk -F'\t' '$1 == "SetPassword" {print $4}')
  [[ $template == *'[PASSWORD]'* ]] || fail "the package's SetPassword command line is [$template]"
  printf '"%s" %s%s%s' 'C:\Program Files\Varnhollow\vhpasswd.exe' \
    "${template%%\[PASSWORD\]*}" "$value" "${template#*\[PASSWORD\]}" | iconv -f UTF-8 -t CP1252 >"$BENCH_DIR/package.line"
  PACKAGE_LINE_EXIT=0
  wine "$WINE_DRIVER" run-line "$(winepath -w "$BENCH_DIR/package.line")" >/dev/null 2>&1 || PACKAGE_LINE_EXIT=$?
  log "package line [$(iconv -f CP1252 -t UTF-8 <"$BENCH_DIR/package.line")]: exit $PACKAGE_LINE_EXIT"
}

# Passwords that read as the tool's options are stored like any other; one the
# tool cannot store fails the installation and leaves the password as it was.
scenario_the_package_never_takes_the_password_for_an_option() {
  as_new_machine
  set_usbstor_start 3
  install "$VARNHOLLOW_MSI" PASSWORD=-h
  expect_password '-H'
  uninstall "$VARNHOLLOW_MSI"
  cp "$PASSWORD_FILE" "$BENCH_DIR/before"
  if wine msiexec /i "$(winepath -w "$VARNHOLLOW_MSI")" /qn PASSWORD=--protect >/dev/null 2>&1; then
    fail "an installation with PASSWORD=--protect succeeded"
  fi
  [ ! -e "$PROGRAM_DIR/varnhollow.exe" ] || fail "a failed installation left the program"
  expect_same_password_file "$BENCH_DIR/before"

  install "$VARNHOLLOW_MSI"
  local value
  for value in -h -H '/?' --help '-- x' 'a b'; do
    rm -f "$PASSWORD_FILE"
    run_as_the_package "$value"
    [ "$PACKAGE_LINE_EXIT" = 0 ] || fail "the package's command line did not store [$value]"
    expect_password "$(tr '[:lower:]' '[:upper:]' <<<"$value")"
  done
  cp "$PASSWORD_FILE" "$BENCH_DIR/before"
  for value in --protect 'a" /?' 'a"b' '" /?' 'ab\' 'x'; do
    run_as_the_package "$value"
    [ "$PACKAGE_LINE_EXIT" != 0 ] || fail "the package's command line exited 0 with [$value]"
    expect_same_password_file "$BENCH_DIR/before"
  done
  uninstall "$VARNHOLLOW_MSI"
}

# --- the deployment tool's command line ----------------------------------------

# Runs the installed tool with the arguments given and checks its exit code:
# run_vhpasswd EXPECTED_EXIT ARGUMENT... To a pipe it writes Windows-1252;
# VHPASSWD_SAID and VHPASSWD_COMPLAINED hold its output and its errors in UTF-8.
run_vhpasswd() {
  local expected=$1 code=0
  shift
  traced wine "$PROGRAM_DIR/vhpasswd.exe" "$@" >"$BENCH_DIR/vhpasswd.out" || code=$?
  VHPASSWD_SAID=$(tr -d '\r' <"$BENCH_DIR/vhpasswd.out" | iconv -f CP1252 -t UTF-8)
  VHPASSWD_COMPLAINED=$(grep -avE '^([0-9a-f]+:)*(trace|fixme|err|warn):' "$TRACE" | tr -d '\r' | iconv -f CP1252 -t UTF-8)
  [ "$code" = "$expected" ] ||
    fail "vhpasswd $* exited with $code, expected $expected: $VHPASSWD_SAID$VHPASSWD_COMPLAINED"
}

VHPASSWD_USAGE='Usage : vhpasswd MOTDEPASSE'
STORED_IN='Mot de passe enregistré dans C:\windows\system32\PSTACK.DRV'
PROTECTED_LINE='Droits du fichier C:\windows\system32\PSTACK.DRV restreints aux Administrateurs et à SYSTEM.'

# The usage, on the output (asked for) or on the errors (refused), and
# nothing else there.
expect_vhpasswd_usage_on() {
  local text
  case "$1" in
    output) text=$VHPASSWD_SAID; [ -z "$VHPASSWD_COMPLAINED" ] || fail "vhpasswd complained: $VHPASSWD_COMPLAINED" ;;
    errors) text=$VHPASSWD_COMPLAINED; [ -z "$VHPASSWD_SAID" ] || fail "vhpasswd said: $VHPASSWD_SAID" ;;
  esac
  grep -qF "$VHPASSWD_USAGE" <<<"$text" || fail "no usage on the $1: [$text]"
  grep -qF 'vhpasswd --protect' <<<"$text" || fail "the usage does not show --protect: [$text]"
  grep -qF 'caractères' <<<"$text" || fail "the usage's accents are wrong: [$text]"
}

expect_vhpasswd_said() {
  [ "$VHPASSWD_SAID" = "$1" ] || fail "vhpasswd said [$VHPASSWD_SAID], expected [$1]"
  [ -z "$VHPASSWD_COMPLAINED" ] || fail "vhpasswd complained: $VHPASSWD_COMPLAINED"
  log "vhpasswd: $1"
}

scenario_the_deployment_tool_takes_no_option_for_a_password() {
  as_new_machine
  set_usbstor_start 3
  install "$VARNHOLLOW_MSI" PASSWORD=Avant1
  cp "$PASSWORD_FILE" "$BENCH_DIR/before"
  local option
  for option in '/?' -h --help -H --HELP; do
    run_vhpasswd 0 "$option"
    expect_vhpasswd_usage_on output
    expect_same_password_file "$BENCH_DIR/before"
  done
  for option in -x /protect2 -protect --protect= -; do
    run_vhpasswd 1 "$option"
    expect_vhpasswd_usage_on errors
    grep -qxF "Option inconnue : $option" <<<"$VHPASSWD_COMPLAINED" || fail "vhpasswd did not name $option"
    expect_same_password_file "$BENCH_DIR/before"
  done
  run_vhpasswd 1 --protect Secret42
  expect_vhpasswd_usage_on errors
  run_vhpasswd 1 -- two words
  run_vhpasswd 1 abc def
  expect_vhpasswd_usage_on errors
  [ "$(head -1 <<<"$VHPASSWD_COMPLAINED")" = "Un seul mot de passe à la fois : mettez-le entre guillemets s'il contient un espace." ] ||
    fail "vhpasswd abc def did not say why: $VHPASSWD_COMPLAINED"
  expect_same_password_file "$BENCH_DIR/before"
  expect_password 'AVANT1'
  log "options shown the usage or refused, the password file untouched"

  run_vhpasswd 0 -- -abc
  expect_vhpasswd_said "$STORED_IN"
  expect_password '-ABC'
  run_vhpasswd 0 -- /Xy
  expect_password '/XY'
  cp "$PASSWORD_FILE" "$BENCH_DIR/before"
  run_vhpasswd 0 --PROTECT
  expect_password_file_protected
  expect_vhpasswd_said "$PROTECTED_LINE"
  run_vhpasswd 0 /Protect
  expect_password_file_protected
  expect_vhpasswd_said "$PROTECTED_LINE"
  expect_same_password_file "$BENCH_DIR/before"
  uninstall "$VARNHOLLOW_MSI"
  expect_start 3
}

# In a console (here a terminal that script(1) gives it) the tool writes in
# the console's code page, which Wine shows on the terminal as UTF-8: an "é"
# written as its Windows-1252 byte would come out as the code page 850 "Ú".
scenario_the_deployment_tool_writes_accents_a_console_can_show() {
  as_new_machine
  install "$VARNHOLLOW_MSI"
  local shown
  shown=$(script -qec "wine '$PROGRAM_DIR/vhpasswd.exe' -- -abc" /dev/null </dev/null 2>&1 |
    tr -d '\r' | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\x1b\][^\x07]*\x07//g')
  grep -qF "$STORED_IN" <<<"$shown" || fail "the console showed [$shown], expected [$STORED_IN]"
  log "console: $(grep -F 'Mot de passe' <<<"$shown")"
  expect_password '-ABC'
  uninstall "$VARNHOLLOW_MSI"
}
# --- the event source ---------------------------------------------------------

EVENT_SOURCE_KEY='HKLM\SYSTEM\CurrentControlSet\Services\Eventlog\Application\Varnhollow'

# The event source's values, "NAME TYPE DATA" a line, by name; nothing when
# the key is missing.
event_source_values() {
  wine reg query "$EVENT_SOURCE_KEY" 2>/dev/null | tr -d '\r' |
    awk '$2 ~ /^REG_/ {name = $1; type = $2; $1 = $2 = ""; sub(/^ +/, ""); print name, type, $0}' | sort
}

scenario_install_registers_the_event_source_and_uninstall_removes_it() {
  as_new_machine
  set_usbstor_start 3
  [ -z "$(event_source_values)" ] || fail "an event source was there before: $(event_source_values)"
  install "$VARNHOLLOW_MSI"
  expect_installed "$PACKAGE_VERSION"
  local expected
  expected=$(printf '%s\n' "EventMessageFile REG_EXPAND_SZ $VARNHOLLOW_EXE" 'TypesSupported REG_DWORD 0x1f')
  [ "$(event_source_values)" = "$expected" ] || fail "the event source holds [$(event_source_values)]"
  log "event source: $(event_source_values | paste -sd';')"
  uninstall "$VARNHOLLOW_MSI"
  expect_uninstalled
  ! wine reg query "$EVENT_SOURCE_KEY" >/dev/null 2>&1 || fail "the event source's key is left after uninstalling"
  log "event source removed"
  expect_start 3
}

# --- the lock service -----------------------------------------------------------

# The lock service's state as `sc query` says it (RUNNING, STOPPED...), empty
# when no such service is installed.
lock_service_state() { wine sc query Varnhollow 2>/dev/null | tr -d '\r' | awk '$1 == "STATE" {print $4}'; }

# Waits for the lock service's state; "" waits until it is gone.
expect_lock_service() {
  local deadline=$((SECONDS + LONG_WAIT_S))
  until [ "$(lock_service_state)" = "$1" ]; do
    [ "$SECONDS" -le "$deadline" ] || fail "the lock service is [$(lock_service_state)], not [$1]"
    sleep 0.2
  done
  log "lock service: ${1:-not installed}"
}

# The service runs as long as a process of the prefix does: the bench's
# desktop (explorer.exe) stays for the whole scenario. The cleaning between
# scenarios ends vhservice.exe like any program of the prefix.
scenario_install_runs_the_lock_service_and_uninstall_removes_it() {
  as_new_machine
  expect_lock_service ""
  install "$VARNHOLLOW_MSI"
  expect_installed "$PACKAGE_VERSION"
  [ -e "$PROGRAM_DIR/vhservice.exe" ] || fail "vhservice.exe is not installed"
  expect_lock_service RUNNING
  uninstall "$VARNHOLLOW_MSI"
  expect_uninstalled
  [ ! -e "$PROGRAM_DIR/vhservice.exe" ] || fail "vhservice.exe is left behind"
  expect_lock_service ""
}
