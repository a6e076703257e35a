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
      expect_tooltip "Varnhollow v$PROGRAM_VERSION"
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

# A machine that never had USB storage: the lock is the driver's setup files.
scenario_a_machine_without_the_usbstor_key_starts_locks_and_unlocks() {
  seed_password_file "$SECRET_ENCODED" "$RESERVE"
  windows_version winxp
  take_the_usbstor_key_away
  put_the_setup_file
  start_program
  expect_tray unlocked
  expect_no_box 500
  choose lock
  expect_tray locked
  expect_no_box
  expect_start missing
  choose lock
  expect_password_window verify
  type_password secret
  press_enter
  expect_no_password_window
  expect_tray unlocked
  expect_no_box
  expect_start missing
  quit_unlocked
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

# A keyboard user selects the icon (Win+B, the arrows) and presses Shift+F10,
# the context-menu key or Enter: Wine's notification area has no keyboard, so
# the scenario sends the icon's window what Windows' does.
open_menu_from_keyboard() {
  driver tray-key "$1" || fail "no tray window to notify"
  MENU_RECT=$(driver menu-rect "$LONG_WAIT_MS" | tr -d '\r') || fail "no popup menu after the key $1"
}

scenario_the_tray_menu_opens_and_works_from_the_keyboard() {
  start_resident winxp 3 unlocked
  open_menu_from_keyboard context
  driver menu-key down || fail "no menu to move in"
  driver menu-key enter || fail "no menu to choose in"
  driver no-menu "$LONG_WAIT_MS" || fail "Enter left the menu open"
  expect_tray locked
  expect_start 4
  expect_no_box

  open_menu_from_keyboard enter
  driver menu-key q || fail "no menu for the underlined letter"
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
  expect_tray none
  expect_start 4
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
  expect_about_labels "Varnhollow $PROGRAM_VERSION|$AUTHOR_LINE|$MAKER_EMAIL|$MAKER_HOST"
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
  expect_launch "$MAIL_PROGRAM" "\"$MAIL_PROGRAM\" \"mailto:$MAKER_EMAIL$MAIL_SUBJECT\"" 'C:\windows\system32' 1
  expect_no_box
  quit_unlocked
}

scenario_email_without_a_mail_program_shows_the_maker_address() {
  remove_mail_program
  start_resident winxp 3 unlocked
  forget_launches
  choose_tool email
  expect_box "Aucun programme de messagerie n'est configuré. Écrivez à : $MAKER_EMAIL"
  expect_icon information
  answer 1
  expect_no_box
  expect_not_launched "$MAIL_PROGRAM"
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
  printf 'Vous disposez actuellement de la version : %s\r\n\r\nUne nouvelle version du logiciel est disponible :\r\nIl s%s la version %s\r\n\r\nLes nouveautés de cette version :\r\n%s\r\n\r\nSouhaitez-vous télécharger cette nouvelle version ?' "$PROGRAM_VERSION" "'agit de" "$1" "$2"
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
  log "published $PROGRAM_VERSION, the program's own"
  publish_versions '[Varnhollow]' "Version=$PROGRAM_VERSION" 'Infos=Rien' 'URL=http://www.varnhollow.example/'
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

# Publishes each address $@ in turn: "Oui" to the offer opens nothing and
# gives the failure message.
expect_addresses_refused() {
  local url
  start_web_server
  use_test_browser
  start_resident winxp 3 unlocked
  for url in "$@"; do
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

scenario_update_opens_no_address_but_a_web_address() {
  expect_addresses_refused 'ftp://www.varnhollow.example/download/varnhollow-2.0.zip' 'C:\windows\system32\winver.exe' '' \
    'http:///C:/windows/system32/winver.exe' 'http://@/download/varnhollow-2.0.zip'
}

# --- USB drives still plugged in when the lock goes on -------------------------

STILL_PLUGGED_IN="Ces périphériques de stockage USB sont encore branchés et restent utilisables jusqu'à leur retrait :"
EJECT_NOW="Voulez-vous les éjecter maintenant ?"
SAFE_TO_REMOVE="Vous pouvez retirer ces périphériques en toute sécurité :"
IN_USE="Ces périphériques n'ont pas pu être éjectés car ils sont en cours d'utilisation :"
CLOSE_FILES="Fermez les fichiers ouverts, puis retirez-les."
KEY_USB_ID='USB\VID_18A5&PID_0302\0012345678AB'
KEY_STORAGE_ID='USBSTOR\DISK&VEN_VERBATIM&PROD_STORE_N_GO&REV_1.00\0012345678AB&0'

# A machine with one USB key on its root hub, which accepts removal or refuses
# it ($1), as Windows does while a file on it is open.
plug_in_a_usb_key() {
  plug_in_devices \
    $'2\t1\tPCI\\VEN_8086&DEV_24C2&SUBSYS_00000000&REV_02\\3&61AAA01&0&E8\t-\tContrôleur hôte USB\taccept' \
    $'3\t2\tUSB\\ROOT_HUB\\4&2A4B1A7F&0\t-\tConcentrateur USB racine\taccept' \
    $'4\t3\t'"$KEY_USB_ID"$'\t-\tPériphérique de stockage de masse USB\t'"$1" \
    $'5\t4\t'"$KEY_STORAGE_ID"$'\tClé Verbatim Store n Go\tLecteur de disque\taccept'
}

# Locks from the menu and meets the question about the key.
lock_and_meet_the_question() {
  start_resident winxp 3 unlocked
  expect_stand_in_loaded no # not at start-up
  choose lock
  expect_tray locked
  expect_start 4
  expect_box "$STILL_PLUGGED_IN"$'\r\n\r\nClé Verbatim Store n Go\r\n\r\n'"$EJECT_NOW"
  expect_icon question
  expect_buttons "&Oui,&Non"
  expect_default_button "&Oui"
  expect_stand_in_loaded yes
}

quit_locked() {
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
  expect_tray none
  expect_start 4
}

scenario_locking_offers_to_eject_the_usb_key_still_plugged_in() {
  plug_in_a_usb_key accept
  lock_and_meet_the_question
  answer_box 6 "$STILL_PLUGGED_IN"$'\r\n\r\nClé Verbatim Store n Go\r\n\r\n'"$EJECT_NOW"
  expect_next_box "$SAFE_TO_REMOVE"$'\r\n\r\nClé Verbatim Store n Go'
  expect_icon information
  expect_buttons "OK"
  expect_removals "$KEY_USB_ID"$'\tveto buffer\taccepted'
  answer_box 1 "$SAFE_TO_REMOVE"$'\r\n\r\nClé Verbatim Store n Go'
  expect_no_box
  expect_tray locked
  quit_locked
}

scenario_a_usb_key_in_use_is_named_in_a_warning_and_the_lock_stays() {
  plug_in_a_usb_key refuse
  lock_and_meet_the_question
  answer_box 6 "$STILL_PLUGGED_IN"$'\r\n\r\nClé Verbatim Store n Go\r\n\r\n'"$EJECT_NOW"
  expect_next_box "$IN_USE"$'\r\n\r\nClé Verbatim Store n Go\r\n\r\n'"$CLOSE_FILES"
  expect_icon warning
  expect_buttons "OK"
  expect_removals "$KEY_USB_ID"$'\tveto buffer\trefused'
  answer_box 1 "$IN_USE"$'\r\n\r\nClé Verbatim Store n Go\r\n\r\n'"$CLOSE_FILES"
  expect_no_box
  expect_tray locked
  quit_locked
}

scenario_declining_the_ejection_asks_nothing_of_the_usb_key() {
  plug_in_a_usb_key accept
  lock_and_meet_the_question
  answer_box 7 "$STILL_PLUGGED_IN"$'\r\n\r\nClé Verbatim Store n Go\r\n\r\n'"$EJECT_NOW"
  expect_no_box 3000
  expect_removals
  expect_tray locked
  expect_start 4
  quit_locked
}

scenario_locking_with_wines_own_device_manager_shows_no_box() {
  unplug_devices
  start_resident winxp 3 unlocked
  choose lock
  expect_tray locked
  expect_start 4
  expect_no_box 3000
  quit_locked
}

# --- the password lets nothing through without it ----------------------------

scenario_a_program_setting_the_field_cannot_unlock_while_the_password_file_is_unreadable() {
  make_password_file_unreadable
  start_resident winxp 4 locked
  choose lock
  expect_password_window verify
  local text
  for text in '<?? ERROR ??>' 'abcdefghi'; do
    set_field_text_from_outside "$text"
    click_button OK
    expect_box_beginning "$PASSWORD_FILE_READ_ERROR"
    answer 1
    expect_box "$WRONG_PASSWORD"
    answer 1
    expect_password_window verify
    expect_tray locked
    expect_start 4
  done
  click_button Abandon
  expect_no_password_window
  expect_start 4
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
}

scenario_an_empty_or_blank_filled_password_file_refuses_the_empty_entry() {
  : >"$PASSWORD_FILE"
  start_resident winxp 4 locked
  local content
  for content in empty blank-filled; do
    [ "$content" = blank-filled ] && printf '%32s' '' >"$PASSWORD_FILE"
    log "password file: $content"
    choose lock
    expect_password_window verify
    press_enter
    expect_box "${PASSWORD_FILE_READ_ERROR}13 - Données non valides."
    answer 1
    expect_box "$WRONG_PASSWORD"
    answer 1
    click_button Abandon
    expect_no_password_window
    expect_tray locked
    expect_start 4
  done
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
}

# A password file cut short (a full disk, a copy stopped half-way) once let
# the first characters of the password unlock: with this encoding of SECRET,
# 4 bytes let "se" through, 13 bytes "secret*".
scenario_a_cut_short_password_file_lets_no_entry_unlock() {
  start_resident winxp 4 locked
  local length entry
  for length in 4 13; do
    printf '%s' "${SECRET_ENCODED:0:$length}" >"$PASSWORD_FILE"
    log "password file cut to $length bytes"
    choose lock
    expect_password_window verify
    for entry in se secret 'secret*'; do
      type_password "$entry"
      press_enter
      expect_box "${PASSWORD_FILE_READ_ERROR}13 - Données non valides."
      answer 1
      expect_box "$WRONG_PASSWORD"
      answer 1
      expect_password_window verify
      expect_start 4
    done
    click_button Abandon
    expect_no_password_window
    expect_tray locked
  done
  expect_start 4
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
}

scenario_a_change_given_up_after_the_current_password_asks_for_it_again() {
  seed_password_file "$SECRET_ENCODED" "$RESERVE"
  cp "$PASSWORD_FILE" "$BENCH_DIR/password-before"
  start_resident winxp 3 unlocked
  choose_tool password
  expect_password_window change
  type_password secret
  press_enter
  [ "$(password_field_enabled 64)" = 1 ] || fail "the right current password did not open the new password field"
  click_button Abandon
  expect_no_password_window

  choose_tool password
  expect_password_window change
  [ "$(password_field_enabled 64)" = 0 ] || fail "the new password field is open without the current password"
  [ "$(password_field_enabled 104)" = 0 ] || fail "the confirmation field is open without the current password"
  type_password neuf
  press_enter
  expect_box "$WRONG_PASSWORD"
  answer 1
  [ "$(password_field_enabled 64)" = 0 ] || fail "a wrong current password opened the new password field"
  click_button Abandon
  expect_no_password_window
  cmp -s "$BENCH_DIR/password-before" "$PASSWORD_FILE" || fail "the password file changed"
  quit_unlocked
}

# --- the update check never freezes the program, and trusts nothing it did not just download

scenario_a_silent_web_server_leaves_the_menu_usable_and_the_check_fails_after_30_seconds() {
  local chosen
  start_web_server
  use_test_browser
  web_server_answers_after 45
  publish_versions '[Varnhollow]' 'Version=1.5' 'Infos=Trop tard' 'URL=http://www.varnhollow.example/'
  start_resident winxp 3 unlocked
  choose_tool update
  chosen=$SECONDS
  expect_requests_received 10 1
  expect_menu_answers
  [ $((SECONDS - chosen)) -le 15 ] || fail "the menu opened only $((SECONDS - chosen)) s after the check began"
  log "figure: the menu answered $((SECONDS - chosen)) s after the check began"
  expect_no_box
  expect_tooltip "Varnhollow v$PROGRAM_VERSION - recherche de mise à jour..."
  choose lock # the menu's commands run during the check
  expect_tray locked
  expect_start 4
  expect_box_within 60 "$UPDATE_FAILURE"
  [ $((SECONDS - chosen)) -ge 25 ] || fail "the check gave up after $((SECONDS - chosen)) s, before its deadline"
  log "figure: the failure message came $((SECONDS - chosen)) s after the check began"
  expect_icon error
  expect_temporary_file_left_to_the_download
  answer 1
  expect_no_box
  expect_tooltip "Varnhollow v$PROGRAM_VERSION"
  log "the server answers late: nothing of it reaches the user"
  expect_held_requests_answered 40 1
  expect_temporary_files_gone_within 10
  expect_no_box 3000
  expect_no_temporary_file
  expect_nothing_opened
  expect_requests "$VERSIONS_REQUEST"
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
  expect_tray none
}

scenario_a_web_server_answering_after_5_seconds_brings_the_offer_as_before() {
  local news="Réponse lente"
  start_web_server
  use_test_browser
  web_server_answers_after 5
  publish_versions '[Varnhollow]' 'Version=1.5' "Infos=$news" 'URL=http://www.varnhollow.example/download/varnhollow-1.5.zip'
  start_resident winxp 3 unlocked
  choose_tool update
  expect_box_within 40 "$(update_offer 1.5 "$news")"
  expect_icon question
  expect_buttons "&Oui,&Non"
  expect_no_temporary_file
  answer 6
  expect_opened "http://www.varnhollow.example/download/varnhollow-1.5.zip"
  expect_no_box
  expect_requests "$VERSIONS_REQUEST"
  quit_unlocked
}

scenario_choosing_mise_a_jour_again_or_quitting_during_a_check() {
  start_web_server
  use_test_browser
  web_server_answers_after 45
  publish_versions '[Varnhollow]' 'Version=1.5' 'Infos=x' 'URL=http://www.varnhollow.example/'
  start_resident winxp 3 unlocked
  choose_tool update
  expect_requests_received 10 1
  choose_tool update
  sleep 2
  expect_requests "$VERSIONS_REQUEST" # the second choice started nothing
  expect_no_box
  choose quit
  expect_exit "$PROGRAM_PID" 15
  expect_tray none
  expect_no_box
  expect_no_temporary_file
  expect_nothing_opened
}

scenario_update_opens_no_address_holding_a_quote_or_a_blank() {
  expect_addresses_refused 'http://www.varnhollow.example/"download" varnhollow.zip' \
    'http://www.varnhollow.example/download/varnhollow 2.0.zip' \
    'http://www.varnhollow.example/download/varnhollow-2.0.zip"'
}

scenario_a_planted_tempo_net_is_never_offered_when_the_download_fails() {
  printf '%s\r\n' '[Varnhollow]' 'Version=9.9' 'Infos=Piège' 'URL=http://www.varnhollow.example/piege.exe' |
    iconv -f UTF-8 -t CP1252 >"$PLANTED_VERSIONS_FILE" || fail "cannot plant $PLANTED_VERSIONS_FILE"
  local planted
  planted=$(md5sum <"$PLANTED_VERSIONS_FILE")
  start_web_server
  use_test_browser
  stop_web_server # the download fails: nothing answers
  start_resident winxp 3 unlocked
  update_ends_with "$UPDATE_FAILURE" error
  expect_nothing_opened
  [ "$(md5sum <"$PLANTED_VERSIONS_FILE")" = "$planted" ] || fail "the planted file was changed"
  rm -f "$PLANTED_VERSIONS_FILE"
  quit_unlocked
}

# --- scripts/run.sh, the developer's way to run the program ----------------------

RUN_SCRIPT=$here/../../scripts/run.sh

# Starts scripts/run.sh on the bench's display and prefix, with the exe under
# test and nothing built, as a caller whose language is $1. The prefix's
# server is stopped first, so that every Wine process of the run starts from
# the script's own environment.
start_run_script() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="$1" VARNHOLLOW_RUN_PREFIX="$WINEPREFIX" \
    bash "$RUN_SCRIPT" --no-build >"$BENCH_DIR/run.log" 2>&1 &
  RUN_SCRIPT_PID=$!
  STARTED+=("$RUN_SCRIPT_PID")
  log "scripts/run.sh --no-build started with LANG=$1"
  # The script says where the lock stands just before it starts the program.
  local waited
  for waited in $(seq 600); do
    grep -q '^USBSTOR Start = ' "$BENCH_DIR/run.log" 2>/dev/null && break
    program_running "$RUN_SCRIPT_PID" || fail "scripts/run.sh ended: $(cat "$BENCH_DIR/run.log")"
    sleep 0.1
  done
  grep -q '^USBSTOR Start = 4' "$BENCH_DIR/run.log" || fail "scripts/run.sh says: $(cat "$BENCH_DIR/run.log")"
}

# The processes of the bench's prefix (Wine's server and programs), one a line.
prefix_processes() {
  local pid
  for pid in $(pgrep -f 'wineserver|\.exe'); do
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
      echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
  done
}

# The script ended with the program and stopped everything of the prefix.
expect_run_script_ended() {
  expect_exit "$RUN_SCRIPT_PID" 30
  local left=""
  for _ in $(seq 100); do
    left=$(prefix_processes)
    [ -z "$left" ] && break
    sleep 0.1
  done
  [ -z "$left" ] || fail "still running in the prefix: $left"
  log "scripts/run.sh ended and stopped what it started: $(tr '\n' ' ' <"$BENCH_DIR/run.log")"
}

scenario_the_run_script_speaks_french_whatever_the_callers_language() {
  windows_version winxp
  set_usbstor_start 4
  start_run_script C.UTF-8
  expect_tray locked
  choose quit
  expect_box "$QUIT_LOCKED"
  expect_buttons "&Oui,&Non"
  answer 6
  expect_run_script_ended
  expect_start 4
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
  expect_event "$INFORMATION 0x40000064 sid|$PROGRAM_VERSION|$user|désactivé"
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
  type_password faux
  press_enter
  expect_box "$WRONG_PASSWORD"
  expect_event "$AUDIT_FAILURE 0x80000077 sid|$user" # typed to change the password, not to unlock
  answer 1
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

# The deployment tool built beside the program; the package runs the same one.
VHPASSWD_EXE=$(dirname "$VARNHOLLOW_EXE")/vhpasswd.exe

scenario_the_deployment_tool_logs_the_password_it_sets_and_nothing_else() {
  local user trace=$BENCH_DIR/vhpasswd.trace
  user=$(windows_user)
  WINEDEBUG=fixme+advapi,+eventlog wine "$VHPASSWD_EXE" secret1 >/dev/null 2>"$trace" || fail "vhpasswd secret1 failed"
  [ "$(reported_events "$trace")" = "$AUDIT_SUCCESS 0x00000076 sid|$user|vhpasswd" ] ||
    fail "vhpasswd logged [$(reported_events "$trace")]"
  log "event: $(reported_events "$trace")"
  local refused
  for refused in x --protect; do
    WINEDEBUG=fixme+advapi,+eventlog wine "$VHPASSWD_EXE" "$refused" >/dev/null 2>"$trace"
    [ -z "$(reported_events "$trace")" ] || fail "vhpasswd $refused logged [$(reported_events "$trace")]"
  done
}

scenario_a_program_that_refuses_to_start_writes_no_event() {
  local second=$BENCH_DIR/second.trace refused=$BENCH_DIR/refused.trace
  windows_version winxp
  set_usbstor_start 3
  start_program_tracing_events
  expect_tray unlocked
  expect_event "$INFORMATION 0x40000064 sid|$PROGRAM_VERSION|$(windows_user)|désactivé"
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

# --- the lock service -----------------------------------------------------------

TOO_MANY_TRIES="Trop d'essais erronés. Ré-essayer dans une minute."

# The tray program, started with a trace of its registry calls, then the
# service; the machine is locked with SECRET as the password.
start_tray_then_service() {
  seed_password_file "$SECRET_ENCODED" "$RESERVE"
  windows_version winxp
  set_usbstor_start 4
  start_program_tracing_registry "$1"
  expect_tray locked
  install_service
  start_service
}

unlock_with() {
  choose lock
  expect_password_window verify
  type_password "$1"
  press_enter
}

scenario_the_service_locks_and_unlocks_and_the_tray_writes_nothing_itself() {
  local trace=$BENCH_DIR/tray-registry.trace
  start_tray_then_service "$trace"
  unlock_with wrong
  expect_box "$WRONG_PASSWORD"
  answer 1
  expect_start 4
  type_password secret
  press_enter
  expect_no_password_window
  expect_tray unlocked
  expect_start 3
  choose lock
  expect_tray locked
  expect_start 4
  [ -z "$(values_set_in_trace "$trace" | grep -x Start)" ] || fail "the tray itself wrote Start: $(values_set_in_trace "$trace")"
  grep -aq 'trace:reg:RegQueryValueExA ([^,]*,"Start"' "$trace" || fail "the tray's trace shows no read of Start: it traced nothing"
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
}

scenario_after_five_wrong_passwords_every_password_waits_a_minute() {
  local n fifth_wrong
  start_tray_then_service "$BENCH_DIR/tray-registry.trace"
  unlock_with wrong1
  for n in 1 2 3 4 5; do
    expect_box "$WRONG_PASSWORD"
    answer 1
    type_password "wrong$((n + 1))"
    [ "$n" -eq 4 ] && fifth_wrong=$SECONDS # the pause starts with this fifth wrong password
    press_enter
  done
  expect_box "$TOO_MANY_TRIES"
  expect_icon error
  answer 1
  # The right password too, until the minute has passed.
  type_password secret
  press_enter
  expect_box "$TOO_MANY_TRIES"
  answer 1
  [ $((SECONDS - fifth_wrong)) -lt 60 ] || fail "the machine was too slow to try within the minute"
  expect_start 4
  # As a user would: tries again now and then until it is accepted.
  local deadline=$((fifth_wrong + 60 + LONG_WAIT_S * 2))
  while :; do
    type_password secret
    press_enter
    driver no-window "$PASSWORD_TITLE" 3000 && break
    expect_box "$TOO_MANY_TRIES"
    answer 1
    [ "$SECONDS" -le "$deadline" ] || fail "the right password was still refused after the minute"
    sleep 5
  done
  [ $((SECONDS - fifth_wrong)) -ge 60 ] || fail "the right password was accepted within the minute"
  expect_tray unlocked
  expect_start 3
  quit_unlocked
}

scenario_with_the_service_stopped_the_tray_works_on_its_own() {
  local trace=$BENCH_DIR/tray-registry.trace
  start_tray_then_service "$trace"
  stop_service
  unlock_with secret
  expect_no_password_window
  expect_tray unlocked
  expect_start 3
  values_set_in_trace "$trace" | grep -qx Start || fail "the tray did not write Start itself: $(values_set_in_trace "$trace")"
  choose lock
  expect_tray locked
  expect_start 4
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
}

# --- the program's policies ----------------------------------------------------

RELOCKED_AFTER_THE_DELAY="délai de la stratégie RelockMinutes écoulé"

scenario_a_forgotten_unlock_is_locked_again_after_relock_minutes() {
  local user due_before due_after
  user=$(windows_user)
  seed_password_file "$SECRET_ENCODED" "$RESERVE"
  set_policy RelockMinutes 1
  windows_version winxp
  set_usbstor_start 4
  start_program_tracing_events
  expect_tray locked
  expect_event "$INFORMATION 0x40000064 sid|$PROGRAM_VERSION|$user|activé"
  expect_tooltip "Varnhollow v$PROGRAM_VERSION"
  choose lock
  expect_password_window verify
  type_password secret
  due_before=$(date -d '+1 minute' +%H:%M)
  press_enter
  expect_no_password_window
  expect_tray unlocked
  due_after=$(date -d '+1 minute' +%H:%M)
  expect_start 3
  expect_event "$AUDIT_SUCCESS 0x0000006f sid|$user"
  expect_relock_tooltip "$due_before" "$due_after"
  # Nobody touches anything: the lock comes back by itself.
  expect_relocked_within 120
  expect_start 4
  expect_event "$AUDIT_SUCCESS 0x0000006e sid|$user"
  expect_event "$AUDIT_SUCCESS 0x0000007a sid|$user|$RELOCKED_AFTER_THE_DELAY"
  expect_no_box
  expect_tooltip "Varnhollow v$PROGRAM_VERSION"
  choose quit
  expect_box "$QUIT_LOCKED"
  answer 6
  expect_exit
  expect_tray none
}

scenario_no_update_check_greys_mise_a_jour_and_it_does_nothing() {
  start_web_server
  start_resident winxp 3 unlocked
  expect_tool_look update enabled
  # Group Policy applies the policy while the program runs: the next menu follows it.
  set_policy NoUpdateCheck 1
  expect_tool_look update greyed
  expect_tool_look password enabled
  expect_tool_look email enabled
  # A click on the greyed item: no check starts.
  local rect
  rect=$(open_tool_item 0)
  read -r left top right bottom <<<"$rect"
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
  xdotool mousemove 300 200 click 1
  driver no-menu "$LONG_WAIT_MS" || fail "the menu stayed open"
  expect_no_box 3000
  expect_requests ""
  expect_tooltip "Varnhollow v$PROGRAM_VERSION"
  quit_unlocked
}
