# User stories on the real program. Each starts from a bench that is up and
# leaves no program of its own running.

UNSUPPORTED="Varnhollow fonctionne uniquement sur Windows 2000, 2003 et XP"
ALREADY_RUNNING="Varnhollow est déjà chargé en mémoire"
REGISTRY_ERROR="Erreur en récupérant l'information. Impossible de continuer!"
MAIL_SUBJECT="?subject=Varnhollow : Demande d'informations"
BROWSER='C:\Program Files\Internet Explorer\iexplore.exe'
MAIL_PROGRAM='C:\windows\launch_recorder.exe'
QUIT_LOCKED=$'Varnhollow est activé et le restera !\r\n   Voulez vous vraiment quitter ?'
WRONG_PASSWORD="Votre mot de passe actuel est erroné! Recommencer."
CONFIRMATION_DIFFERS="Le nouveau mot de passe et sa confirmation ne sont pas identiques"
PASSWORD_CHANGED="Votre nouveau mot de passe est pris en compte."

# Encoded forms of two passwords, as the program writes them.
SECRET_ENCODED='RASOTYY|W_YvEZ?B' # SECRET
OLD1_ENCODED='Wi\rTZA{GbDVAJ@F'  # OLD1
RESERVE='reserve-16-bytes'

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
  driver no-menu "$LONG_WAIT_MS" || fail "the menu stayed open after a click elsewhere"
  expect_no_box
  expect_tray unlocked
  expect_start 3
  quit_unlocked
}

# Windows turns a second right-click that follows the first within the
# double-click time into a double-click: the user still gets the menu.
scenario_a_quick_second_right_click_opens_the_menu_too() {
  start_resident winxp 3 unlocked
  read -r x y <<<"$TRAY_XY"
  driver mouse-message "$x" "$y" 206 || fail "no window under the tray icon"
  MENU_RECT=$(driver menu-rect "$LONG_WAIT_MS" | tr -d '\r') || fail "no popup menu after a right double-click"
  click_menu_entry 5
  expect_exit
  expect_tray none
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
  # The lock item now asks for the password. Unlocked from outside meanwhile:
  # the icon waits for the window, then shows the machine's state, and the
  # switch does not lock again.
  choose lock
  expect_password_window verify
  set_usbstor_start 3
  sleep 1
  expect_tray locked
  close_password_window
  expect_no_password_window
  expect_tray unlocked
  expect_start 3
  # A quit message from outside during the wait ends it and the program;
  # the lock stays on.
  change_start_from_outside 4 locked
  choose lock
  expect_password_window verify
  expect_start 4
  post_quit_from_outside
  expect_exit
  expect_tray none
  expect_start 4
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
  driver no-window "$ABOUT_TITLE" "$LONG_WAIT_MS" || fail "a click on the picture left the About window open"
  program_running || fail "closing the About window ended the program"
  choose about
  read_about
  expect_link_blue no
  click_on picture
  driver no-window "$ABOUT_TITLE" "$LONG_WAIT_MS" || fail "the About window stayed open"
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

scenario_unlock_with_the_password_after_a_wrong_one() {
  seed_password_file "$SECRET_ENCODED" "$RESERVE"
  start_resident winxp 4 locked
  choose lock
  expect_password_window verify
  type_password wrong
  press_enter
  expect_box "$WRONG_PASSWORD"
  answer 1
  expect_password_window verify
  expect_start 4
  type_password sEcReT
  press_enter
  expect_no_password_window
  expect_tray unlocked
  expect_start 3
  # No password pending any more: the next choice locks at once.
  choose lock
  expect_tray locked
  expect_start 4
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
}

scenario_change_the_password_then_unlock_with_the_new_one() {
  seed_password_file "$OLD1_ENCODED" "$RESERVE"
  start_resident winxp 4 locked
  choose_tool password
  expect_password_window change
  type_password old1
  press_enter
  [ "$(focused_field)" = "8 64" ] || fail "the new password field did not get the focus"
  type_password neuf
  press_enter
  [ "$(focused_field)" = "8 104" ] || fail "the confirmation field did not get the focus"
  type_password NEUF
  press_enter
  expect_box "$CONFIRMATION_DIFFERS"
  answer 1
  type_password neuf
  press_enter
  expect_box "$PASSWORD_CHANGED"
  answer 1
  expect_no_password_window
  expect_password_file_changed_keeping "$OLD1_ENCODED" "$RESERVE"

  choose lock
  expect_password_window verify
  type_password old1
  press_enter
  expect_box "$WRONG_PASSWORD"
  answer 1
  type_password NEUF
  press_enter
  expect_no_password_window
  expect_tray unlocked
  expect_start 3
  quit_unlocked
}

scenario_giving_up_closing_and_escape_leave_the_lock_on() {
  seed_password_file "$SECRET_ENCODED" "$RESERVE"
  start_resident winxp 4 locked
  choose lock
  expect_password_window verify
  type_password 123456789
  [ "$(password_window | awk -F'|' '$1 == "Edit" {print $2; exit}')" = 12345678 ] ||
    fail "the field did not stop at 8 characters"
  press_key escape
  password_window 1000 >/dev/null || fail "Escape closed the password window"
  click_button Abandon
  expect_no_password_window
  expect_tray locked
  expect_start 4

  choose lock
  expect_password_window verify
  close_password_window
  expect_no_password_window
  expect_start 4
  # Closed means unloaded: the next use loads it afresh.
  choose lock
  expect_password_window verify
  click_button Abandon
  expect_no_password_window
  expect_tray locked
  expect_start 4
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
}

scenario_tab_follows_the_tab_order_and_enter_reaches_the_fields_in_the_change_layout() {
  seed_password_file "$SECRET_ENCODED" "$RESERVE"
  start_resident winxp 3 unlocked
  choose_tool password
  expect_password_window change
  type_password secret
  press_enter
  press_key tab # from the new password field: the confirmation is still disabled
  [ "$(focused_field)" = "40 144" ] || fail "Tab went to [$(focused_field)], not to Abandon"
  press_key tab
  [ "$(focused_field)" = "8 16" ] || fail "Tab went to [$(focused_field)], not back to the current password"
  press_key tab
  [ "$(focused_field)" = "8 64" ] || fail "Tab went to [$(focused_field)], not to the new password"
  type_password x
  press_enter # one character: Enter does nothing
  expect_no_box
  [ "$(focused_field)" = "8 64" ] || fail "Enter on one character moved the focus"
  press_key tab
  [ "$(focused_field)" = "40 144" ] || fail "Tab went to [$(focused_field)], not to Abandon"
  press_enter # on a button, Enter presses it
  expect_no_password_window
  quit_unlocked
}

UPDATE_FAILURE="Aucune information disponible. Ré-essayer ultérieurement."
NO_NEW_VERSION="Aucune nouvelle version n'est disponible."
VERSIONS_REQUEST="GET http://www.varnhollow.example/download/versions.txt"

# The offer of version $1 with the news $2, as the program words it.
update_offer() {
  printf 'Vous disposez actuellement de la version : 1.4\r\n\r\nUne nouvelle version du logiciel est disponible :\r\nIl s%s la version %s\r\n\r\nLes nouveautés de cette version :\r\n%s\r\n\r\nSouhaitez-vous télécharger cette nouvelle version ?' "'agit de" "$1" "$2"
}

# Runs "Mise à Jour" and checks the one box it ends with: text $1, icon $2.
update_ends_with() {
  choose_tool update
  expect_box "$1"
  expect_icon "$2"
  expect_buttons "OK"
  expect_no_temporary_file
  answer 1
  expect_no_box
}

scenario_update_offer_declined_then_accepted_opens_the_download_address() {
  local news="Clés USB en lecture seule ; déverrouillage plus rapide."
  start_web_server
  use_test_browser
  publish_versions '[Autre]' 'Version=9.9' 'URL=http://autre.example/' '' \
    '[Varnhollow]' 'Version=1.5' "Infos=$news" 'URL=http://www.varnhollow.example/download/varnhollow-1.5.zip'
  start_resident winxp 3 unlocked
  choose_tool update
  expect_box "$(update_offer 1.5 "$news")"
  expect_icon question
  expect_buttons "&Oui,&Non"
  expect_default_button "&Oui"
  expect_no_temporary_file
  answer 7
  expect_no_box
  expect_nothing_opened

  choose_tool update
  expect_box "$(update_offer 1.5 "$news")"
  answer 6
  expect_opened "http://www.varnhollow.example/download/varnhollow-1.5.zip"
  expect_no_box
  expect_requests "$VERSIONS_REQUEST"$'\n'"$VERSIONS_REQUEST"
  expect_no_temporary_file
  quit_unlocked
}

scenario_update_without_anything_new_or_usable_says_so() {
  start_web_server
  use_test_browser
  start_resident winxp 3 unlocked
  log "published 1.4"
  publish_versions '[Varnhollow]' 'Version=1.4' 'Infos=Rien' 'URL=http://www.varnhollow.example/'
  update_ends_with "$NO_NEW_VERSION" warning
  log "no section for the program"
  publish_versions '[Autre]' 'Version=2.0' 'URL=http://www.varnhollow.example/'
  update_ends_with "$UPDATE_FAILURE" error
  log "a version that is not a number"
  publish_versions '[Varnhollow]' 'Version=1.5 bêta' 'URL=http://www.varnhollow.example/'
  update_ends_with "$UPDATE_FAILURE" error
  log "no versions file on the server"
  rm -f "$WEB_ROOT/download/versions.txt"
  update_ends_with "$UPDATE_FAILURE" error
  expect_requests "$(printf '%s\n' "$VERSIONS_REQUEST" "$VERSIONS_REQUEST" "$VERSIONS_REQUEST" "$VERSIONS_REQUEST")"
  log "server down"
  publish_versions '[Varnhollow]' 'Version=1.5' 'URL=http://www.varnhollow.example/'
  stop_web_server
  update_ends_with "$UPDATE_FAILURE" error
  expect_nothing_opened
  quit_unlocked
}

scenario_update_opens_no_address_but_a_web_address() {
  local url
  start_web_server
  use_test_browser
  start_resident winxp 3 unlocked
  for url in 'ftp://www.varnhollow.example/download/varnhollow-2.0.zip' 'C:\windows\system32\winver.exe' ''; do
    log "URL=$url"
    publish_versions '[Varnhollow]' 'Version=2.0' 'Infos=' "URL=$url"
    choose_tool update
    expect_box "$(update_offer 2.0 '')"
    answer 6
    expect_box "$UPDATE_FAILURE"
    expect_icon error
    answer 1
    expect_no_box
    expect_nothing_opened
    expect_no_temporary_file
  done
  quit_unlocked
}

# --- the audit trail in the event log -------------------------------------------

# Event types as ReportEventA takes them.
INFORMATION=0x0004 AUDIT_SUCCESS=0x0008 AUDIT_FAILURE=0x0010 WARNING=0x0002

scenario_the_event_log_tells_who_locked_unlocked_and_changed_the_password() {
  local user
  user=$(windows_user)
  [[ "$user" == ?*\\?* ]] || fail "Windows names the user [$user]"
  seed_password_file "$SECRET_ENCODED" "$RESERVE"
  windows_version winxp
  set_usbstor_start 3
  start_program_tracing_events
  expect_tray unlocked
  expect_event "$INFORMATION 0x40000064 sid|1.4|$user|désactivé"
  choose lock
  expect_tray locked
  expect_event "$AUDIT_SUCCESS 0x0000006e sid|$user"
  choose lock
  expect_password_window verify
  type_password wrong
  press_enter
  expect_box "$WRONG_PASSWORD"
  expect_event "$AUDIT_FAILURE 0x80000070 sid|$user" # while the message is still shown
  answer 1
  type_password secret
  press_enter
  expect_no_password_window
  expect_tray unlocked
  expect_event "$AUDIT_SUCCESS 0x0000006f sid|$user"
  choose_tool password
  expect_password_window change
  type_password secret
  press_enter
  type_password neuf
  press_enter
  type_password neuf
  press_enter
  expect_box "$PASSWORD_CHANGED"
  expect_event "$AUDIT_SUCCESS 0x00000071 sid|$user"
  answer 1
  expect_no_password_window
  change_start_from_outside 4 locked
  expect_event "$WARNING 0x80000072 sid|activé|4"
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
  expect_tray none
  expect_event "$INFORMATION 0x40000065 sid|$user|activé"
  expect_no_more_events
  expect_start 4
}

scenario_a_program_that_refuses_to_start_writes_no_event() {
  local second=$BENCH_DIR/second.trace refused=$BENCH_DIR/refused.trace
  windows_version winxp
  set_usbstor_start 3
  start_program_tracing_events
  expect_tray unlocked
  expect_event "$INFORMATION 0x40000064 sid|1.4|$(windows_user)|désactivé"
  local first=$PROGRAM_PID
  start_program_tracing_events "$second"
  expect_box "$ALREADY_RUNNING"
  answer 1
  expect_exit
  expect_no_event_log_use "$second"
  PROGRAM_PID=$first
  quit_unlocked
  windows_version win98
  start_program_tracing_events "$refused"
  expect_box "$UNSUPPORTED"
  answer 1
  expect_exit
  expect_no_event_log_use "$refused"
  windows_version winxp
}
