# The play session that every shipped form of the game goes through: the
# Linux program, stapelix.exe from the zip under wine, the installed package.
# Sourced after x_session.sh, with a display started. Expects, besides what
# x_session.sh needs:
#   $platform     linux or windows
#   $start_files  what the game's folder holds before a first run, one a line
# Each run takes two folders: where the game is started and where it writes
# its files (the same but for the package's launcher).
#
# Screenshots are read in pixels of the client area, over which the game
# stretches its 640 x 480 virtual screen (origin bottom left).

# Files are written in text mode: Windows ends their lines with CR LF.
line_end=$'\n'
[ "$platform" = linux ] || line_end=$'\r\n'

# as_text TEXT: TEXT with the platform's line ends, as the game writes it.
as_text() {
  printf '%s' "${1//$'\n'/$line_end}"
}

# expect_file FILE TEXT: FILE holds exactly TEXT in the platform's text form.
expect_file() {
  cmp -s "$1" <(as_text "$2") || fail "$1 is not as expected: $(od -c "$1" | head -20)"
}

settings_ini=$'[Game]\nField = 10 20\nName = abc\nSpeedlimit = 30\n\n[Video]\nFullscreen = 0\n\n[Window]\nSize = 640 480'
scores_table=$'Field: 4 5\nName\tScore\n\nzed\t7\n\nField: 10 20\nName\tScore\n\nbob\t50\namy\t20'

# first_run START FILES: the menu shows; New Game starts in name editing; a
# typed name shows in the head-up display; arrow keys move the piece; F12
# ends the program with status 0, leaving both files and nothing else new.
first_run() {
  start_game "$1"
  find_window
  shot menu
  [ "$("$probe" size "$work/menu.ppm")" = "640 480" ] || fail "the client area is not 640 x 480"
  # Red lines "New Game", "Settings", "Exit Game" at baselines 264, 246, 228;
  # no "Resume Game" at 282 before a game exists; the white cursor on line 1.
  local baseline n x0 y0 x1 y1
  for baseline in 264 246 228; do
    [ "$(probe_count menu red 280 $((baseline - 4)) 639 $((baseline + 12)))" -gt 20 ] ||
      fail "no red menu line at $baseline"
  done
  [ "$(probe_count menu red 270 278 639 296)" -eq 0 ] || fail "'Resume Game' shown without a game"
  read -r n x0 y0 x1 y1 <<<"$(probe_find menu white 270 255 282 300)"
  [ "$n" -gt 10 ] && [ "$x0" -ge 275 ] && [ "$x1" -le 280 ] && [ "$y0" -ge 263 ] && [ "$y1" -le 275 ] ||
    fail "cursor not beside 'New Game': $n $x0 $y0 $x1 $y1"

  press Return
  shot editing
  # The field frame's left side at x 224, the head-up name line at y 320.
  [ "$(probe_count editing white 222 200 226 280)" -gt 60 ] || fail "no field frame after New Game"
  [ "$(probe_count editing red 280 260 639 276)" -eq 0 ] || fail "menu still shown after New Game"
  local placeholder_right name_right
  read -r n x0 y0 placeholder_right y1 <<<"$(probe_find editing white 386 316 639 333)"
  [ "$n" -gt 20 ] && [ "$x0" -ge 424 ] || fail "no placeholder name in the head-up display"

  press a b c
  shot named
  read -r n x0 y0 name_right y1 <<<"$(probe_find named white 386 316 639 333)"
  [ "$n" -gt 10 ] && [ "$x0" -ge 424 ] || fail "no name in the head-up display after typing"
  [ "$name_right" -lt "$placeholder_right" ] || fail "the typed name did not replace the placeholder"
  [ "$("$probe" diff "$work/editing.ppm" "$work/named.ppm" 386 316 639 333)" -gt 0 ] ||
    fail "typing changed nothing on screen"

  # Enter ends name editing and the piece starts to fall; it is the only
  # thing inside the frame (x 224..384, y 80..400). Cells are 16 wide.
  local start_left start_right left_left left_right right_left right_right
  press Return
  shot start
  read -r n start_left y0 start_right y1 <<<"$(probe_find start lit 227 83 381 397)"
  [ "$n" -gt 0 ] || fail "no piece in the field"
  press Left Left
  shot left
  read -r n left_left y0 left_right y1 <<<"$(probe_find left lit 227 83 381 397)"
  [ "$left_left" -eq $((start_left - 32)) ] && [ "$left_right" -eq $((start_right - 32)) ] ||
    fail "two Left presses moved the piece from $start_left..$start_right to $left_left..$left_right"
  press Right Right Right
  shot right
  read -r n right_left y0 right_right y1 <<<"$(probe_find right lit 227 83 381 397)"
  [ "$right_left" -eq $((left_left + 48)) ] ||
    fail "three Right presses moved the piece from $left_left to $right_left"

  press F12
  wait_game
  [ "$game_status" -eq 0 ] || fail "F12: exit status $game_status"
  expect_file "$2/Stapelix.ini" "$settings_ini"
  # A first game without a cleared row ranks nobody: an empty table.
  [ -f "$2/Highscores.txt" ] && [ ! -s "$2/Highscores.txt" ] || fail "Highscores.txt after F12"
  [ "$(ls -A "$2" | sort)" = "$(printf '%s\n' "$start_files" Highscores.txt Stapelix.ini | sort)" ] ||
    fail "unexpected files: $(ls -A "$2")"
}

# second_run START FILES: with a saved name, a highscore table and full screen
# asked for at a size the display does not offer (Xvfb has 1024 x 768 only),
# the game runs quietly in a 640 x 480 window and shows the saved name;
# closing the window ends it with status 0 and both files rewritten as they
# were, the full-screen flag kept.
second_run() {
  local fullscreen_ini=${settings_ini/Fullscreen = 0/Fullscreen = 1}
  as_text "$fullscreen_ini" >"$2/Stapelix.ini"
  as_text "$scores_table" >"$2/Highscores.txt"
  start_game "$1"
  find_window
  shot menu2
  [ "$(probe_count menu2 red 280 260 639 276)" -gt 20 ] || fail "second run: no menu"
  [ "$("$probe" size "$work/menu2.ppm")" = "640 480" ] || fail "second run: not a 640 x 480 window"
  [ ! -s "$1.stderr" ] || fail "second run: a refused full-screen switch was reported: $(cat "$1.stderr")"
  press Return
  shot named2
  [ "$("$probe" diff "$work/named.ppm" "$work/named2.ppm" 386 316 639 333)" -eq 0 ] ||
    fail "second run: the saved name is not the one typed"
  "$closer" "$window_id" || fail "could not send the close request"
  wait_game
  [ "$game_status" -eq 0 ] || fail "window close: exit status $game_status"
  expect_file "$2/Stapelix.ini" "$fullscreen_ini"
  expect_file "$2/Highscores.txt" "$scores_table"
}

# small_window_run START FILES: a window size below the minimum 64 x 48 is
# raised to it (Windows widens a window further, to its minimum tracking
# size). The virtual screen still fills the client area: the field frame's
# sides at x 224 and 384 land at 224 and 384 / 640 of its width.
small_window_run() {
  as_text "${settings_ini/Size = 640 480/Size = 10 10}" >"$2/Stapelix.ini"
  start_game "$1"
  find_window
  shot small
  local width height side column
  read -r width height <<<"$("$probe" size "$work/small.ppm")"
  [ "$height" -eq 48 ] && { [ "$width" -eq 64 ] || { [ "$platform" = windows ] && [ "$width" -gt 64 ]; }; } ||
    fail "a 10 x 10 size setting gave a $width x $height client area"
  press Return
  shot small_game
  # Frame rows y 200..280 are client rows 20..28.
  for side in 224 384; do
    column=$((side * width / 640))
    [ "$(probe_count small_game white $((column - 1)) 20 $((column + 1)) 28)" -ge 6 ] ||
      fail "no frame side at x $column of a $width-pixel client area"
  done
  press F12
  wait_game
  [ "$game_status" -eq 0 ] || fail "small window: exit status $game_status"
  expect_file "$2/Stapelix.ini" "${settings_ini/Size = 640 480/Size = 64 48}"
}
