# User stories on the real program. Each starts from a bench that is up and
# leaves no program of its own running.

UNSUPPORTED="Varnhollow fonctionne uniquement sur Windows 2000, 2003 et XP"
ALREADY_RUNNING="Varnhollow est déjà chargé en mémoire"
REGISTRY_ERROR="Erreur en récupérant l'information. Impossible de continuer!"
MAIL_SUBJECT="?subject=Varnhollow : Demande d'informations"
BROWSER='C:\Program Files\Internet Explorer\iexplore.exe'
MAIL_PROGRAM='C:\windows\launch_recorder.exe'
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

scenario_about_window_shows_the_maker_and_links_to_the_web_site() {
  start_resident winxp 3 unlocked
  choose about
  read_about
  expect_about_labels "Varnhollow 1.4|$AUTHOR_LINE|$MAKER_EMAIL|$MAKER_HOST"
  expect_about_size 284 152
  screenshot_about about
  choose about
  expect_about_windows 1
  point_at link
  expect_tooltip_text " Cliquez pour visiter le site Web "
  expect_link_blue yes
  point_at frame
  expect_link_blue no
  forget_launches
  click_on link
  expect_launch "$BROWSER" "\"$BROWSER\" $MAKER_HOST" "" 1
  expect_not_launched 'C:\Program.exe'
  expect_not_launched 'C:\Program Files\Internet.exe'
  expect_no_box
  click_on picture
  driver no-window "$ABOUT_TITLE" 5000 || fail "a click on the picture left the About window open"
  program_running || fail "closing the About window ended the program"
  choose about
  read_about
  expect_link_blue no
  click_on picture
  driver no-window "$ABOUT_TITLE" 5000 || fail "the About window stayed open"
  quit_unlocked
}

scenario_email_hands_the_maker_address_to_the_mail_program() {
  start_resident winxp 3 unlocked
  forget_launches
  choose_tool email
  expect_launch "$MAIL_PROGRAM" "\"$MAIL_PROGRAM\" \"mailto:$MAKER_EMAIL$MAIL_SUBJECT\"" 'C:\' 1
  expect_no_box
  quit_unlocked
}

scenario_quitting_leaves_the_about_window_open_until_it_is_closed() {
  start_resident winxp 3 unlocked
  choose about
  read_about
  choose quit
  expect_tray none
  sleep 1
  program_running || fail "the program ended with its About window open"
  read_about
  click_on picture
  expect_exit
}
