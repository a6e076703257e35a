# User stories at the display's font size of the bench: "Normal size" (96 DPI)
# on the usual bench, "Large size" (120 DPI) on a bench of its own, so the
# other scenarios never meet a changed resolution.
. "$here/scenarios.sh"

# Reads the bench's resolution; sets the password window's client width
# (PASSWORD_WIDTH) and whole heights (VERIFY_HEIGHT, CHANGE_HEIGHT) and the
# About window's size (ABOUT_WIDTH, ABOUT_HEIGHT) in pixels there.
window_sizes() {
  read_bench_dpi
  case "$BENCH_DPI" in
    96) read -r PASSWORD_WIDTH VERIFY_HEIGHT CHANGE_HEIGHT ABOUT_WIDTH ABOUT_HEIGHT <<<"136 90 189 284 152" ;;
    120) read -r PASSWORD_WIDTH VERIFY_HEIGHT CHANGE_HEIGHT ABOUT_WIDTH ABOUT_HEIGHT <<<"170 112 236 355 190" ;;
    *) fail "no window sizes known at $BENCH_DPI DPI" ;;
  esac
}

scenario_the_menu_locks_and_the_password_window_shows_its_whole_texts() {
  window_sizes
  seed_password_file "$SECRET_ENCODED" "$RESERVE"
  start_resident winxp 3 unlocked
  choose_tool password
  expect_password_layout change
  expect_window_size "$PASSWORD_TITLE" "$PASSWORD_WIDTH" "$CHANGE_HEIGHT"
  type_password secret
  press_enter
  type_password neuf
  press_enter
  expect_window_whole "$PASSWORD_TITLE"
  screenshot_window "$PASSWORD_TITLE" "password-change-${BENCH_DPI}dpi" 2
  click_button Abandon
  expect_no_password_window
  choose lock
  expect_tray locked
  expect_start 4
  choose lock
  expect_password_layout verify
  expect_window_size "$PASSWORD_TITLE" "$PASSWORD_WIDTH" "$VERIFY_HEIGHT"
  expect_window_whole "$PASSWORD_TITLE"
  screenshot_window "$PASSWORD_TITLE" "password-verify-${BENCH_DPI}dpi" 2
  type_password secret
  press_enter
  expect_no_password_window
  expect_tray unlocked
  expect_start 3
  quit_unlocked
}

scenario_the_about_window_shows_its_whole_texts() {
  window_sizes
  start_resident winxp 3 unlocked
  choose about
  read_about
  expect_about_labels "Varnhollow $PROGRAM_VERSION|$AUTHOR_LINE|$MAKER_EMAIL|$MAKER_HOST"
  expect_about_size "$ABOUT_WIDTH" "$ABOUT_HEIGHT"
  expect_window_whole "$ABOUT_TITLE"
  screenshot_window "$ABOUT_TITLE" "about-${BENCH_DPI}dpi"
  click_on picture
  driver no-window "$ABOUT_TITLE" "$LONG_WAIT_MS" || fail "a click on the picture left the About window open"
  quit_unlocked
}

scenario_every_label_shows_its_whole_text_in_its_own_font() {
  read_bench_dpi
  expect_windows_show_whole_texts
}
