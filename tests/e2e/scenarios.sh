# User stories on the real program. Each starts from a bench that is up and
# leaves no program of its own running.

UNSUPPORTED="Varnhollow fonctionne uniquement sur Windows 2000, 2003 et XP"
ALREADY_RUNNING="Varnhollow est déjà chargé en mémoire"
REGISTRY_ERROR="Erreur en récupérant l'information. Impossible de continuer!"
QUIT_LOCKED=$'Varnhollow est activé et le restera !\r\n   Voulez vous vraiment quitter ?'

# Starts on $1 with Start = $2, and checks the icon for $3.
start_resident() {
  windows_version "$1"
  set_usbstor_start "$2"
  start_program
  expect_tray "$3"
  expect_no_box 500
}

quit_unlocked() {
  choose quit
  expect_exit
  expect_tray none
}

scenario_xp_lock_from_menu_then_quit() {
  start_resident winxp 3 unlocked
  choose lock
  expect_tray locked
  expect_start 4
  expect_no_box
  choose quit
  expect_box "$QUIT_LOCKED"
  expect_buttons "&Oui,&Non"
  answer 7
  sleep 1
  program_running || fail "No must keep the program running"
  expect_tray locked
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
  expect_tray none
  expect_start 4
}

scenario_starts_in_the_stored_state_on_each_supported_windows() {
  local version start state
  for version in win2k winxp win2003; do
    for start in 3 4; do
      state=unlocked; [ "$start" = 4 ] && state=locked
      log "$version, Start = $start"
      start_resident "$version" "$start" "$state"
      expect_tooltip "Varnhollow v1.4"
      choose quit
      if [ "$state" = locked ]; then
        expect_box "$QUIT_LOCKED"
        answer 6
      fi
      expect_exit
      expect_tray none
      expect_start "$start"
    done
  done
}

scenario_other_start_values_read_as_unlocked() {
  start_resident winxp 0 unlocked
  quit_unlocked
  expect_start 0
}

scenario_second_instance_is_refused() {
  start_resident winxp 3 unlocked
  local first=$PROGRAM_PID
  start_program
  expect_box "$ALREADY_RUNNING"
  expect_buttons "OK"
  answer 1
  expect_exit
  program_running "$first" || fail "the first instance ended"
  PROGRAM_PID=$first
  quit_unlocked
}

scenario_unsupported_windows_is_refused() {
  local version
  for version in win98 vista; do
    windows_version "$version"
    set_usbstor_start 3
    start_program
    expect_box "$UNSUPPORTED"
    expect_buttons "OK"
    expect_tray none
    answer 1
    expect_exit
  done
}

scenario_missing_key_is_refused() {
  windows_version winxp
  delete_usbstor_key
  start_program
  expect_box "$REGISTRY_ERROR"
  expect_tray none
  answer 1
  expect_exit
  expect_start missing
}

scenario_only_a_right_click_opens_the_menu_and_clicking_away_closes_it() {
  start_resident winxp 3 unlocked
  read -r x y <<<"$TRAY_XY"
  xdotool mousemove "$x" "$y" click 1
  xdotool click --repeat 2 1
  if driver menu-rect 1500 >/dev/null; then fail "a left click opened the menu"; fi
  open_menu
  xdotool mousemove 300 200 click 1
  driver no-menu 5000 || fail "the menu stayed open after a click elsewhere"
  expect_no_box
  expect_tray unlocked
  expect_start 3
  quit_unlocked
}

scenario_a_quit_message_from_outside_ends_the_program_cleanly() {
  local start state
  for start in 3 4; do
    state=unlocked; [ "$start" = 4 ] && state=locked
    start_resident winxp "$start" "$state"
    post_quit_from_outside
    expect_exit
    expect_tray none
    expect_start "$start"
  done
}

scenario_the_icon_follows_changes_made_from_outside() {
  start_resident winxp 3 unlocked
  change_start_from_outside 4 locked
  change_start_from_outside 3 unlocked
  measure_follow 4
  measure_follow 3
  change_start_from_outside 4 locked
  expect_no_box 500
  # The lock item now asks for the password; a quit message from outside
  # ends that wait and the program, and the lock stays on.
  choose lock
  expect_window "Mot de passe"
  expect_start 4
  post_quit_from_outside
  expect_exit
  expect_tray none
  expect_start 4
}

