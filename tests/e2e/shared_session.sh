# The session every shipped form of the game plays, for $platform and
# $start_files (Linux's set here); a run takes the folder the game starts in
# and the one it writes to. Shots: the 640 x 480 virtual screen, origin bottom
# left; field x 224..384, y 80..400, cells 16; name line y 320 from x 424;
# menu baselines 282 (with a game to resume), 264, 246, 228 from x 280.

# as_text TEXT: TEXT as the game writes it, in text mode (CR LF on Windows).
as_text() { if [ "$platform" = linux ]; then printf '%s' "$1"; else printf '%s' "${1//$'\n'/$'\r\n'}"; fi; }

# expect_file FILE TEXT: FILE holds exactly TEXT in the platform's text form.
expect_file() { cmp -s "$1" <(as_text "$2") || fail "$1 is not as expected: $(od -c "$1" | head -20)"; }

settings_ini=$'[Game]\nField = 10 20\nName = abc\nSpeedlimit = 30\n\n[Video]\nFullscreen = 0\n\n[Window]\nSize = 640 480'
scores_table=$'Field: 4 5\nName\tScore\n\nzed\t7\n\nField: 10 20\nName\tScore\n\nbob\t50\namy\t20'
platform=linux
start_files=Images

# first_run START FILES: the menu, New Game, a typed name in the head-up
# display, the piece moved; F12 ends with status 0, both files and no other.
first_run() {
  start_game "$1"
  shot menu
  [ "$("$probe" "$work/menu.ppm")" = "640 480" ] || fail "the client area is not 640 x 480"
  local baseline lines="" n x0 y0 x1 y1 placeholder_right start_left start_right step
  for baseline in 282 264 246 228; do
    lines+=$([ "$(probe_count menu red 280 $((baseline - 4)) 639 $((baseline + 12)))" -gt 20 ] && echo 1 || echo 0)
  done
  [ "$lines" = 0111 ] || fail "menu lines shown at baselines 282 264 246 228: $lines"
  # The white cursor left of "New Game".
  read -r n x0 y0 x1 y1 <<<"$(probe_find menu white 270 255 282 300)"
  [ "$n" -gt 10 ] && [ "$x0" -ge 275 ] && [ "$x1" -le 280 ] && [ "$y0" -ge 263 ] && [ "$y1" -le 275 ] ||
    fail "cursor not beside 'New Game': $n $x0 $y0 $x1 $y1"

  press Return
  shot editing
  [ "$(probe_count editing white 222 200 226 280)" -gt 60 ] || fail "no field frame after New Game"
  [ "$(probe_count editing red 280 260 639 276)" -eq 0 ] || fail "menu still shown after New Game"
  read -r n x0 y0 placeholder_right y1 <<<"$(probe_find editing white 386 316 639 333)"
  [ "$n" -gt 20 ] && [ "$x0" -ge 424 ] || fail "no placeholder name in the head-up display"
  press a b c
  shot named
  read -r n x0 y0 x1 y1 <<<"$(probe_find named white 386 316 639 333)"
  [ "$n" -gt 10 ] && [ "$x0" -ge 424 ] && [ "$x1" -lt "$placeholder_right" ] ||
    fail "the typed name did not replace the placeholder: $n $x0 $x1"

  # Enter starts the piece, alone in the frame; Left or Right move it a cell.
  press Return
  shot start
  read -r n start_left y0 start_right y1 <<<"$(probe_find start lit 227 83 381 397)"
  [ "$n" -gt 0 ] || fail "no piece in the field"
  for step in "Left Left -32" "Right Right Right 16"; do
    press ${step% *}
    shot moved
    read -r n x0 y0 x1 y1 <<<"$(probe_find moved lit 227 83 381 397)"
    [ "$x0 $x1" = "$((start_left + ${step##* })) $((start_right + ${step##* }))" ] ||
      fail "the piece at $start_left..$start_right at the start is at $x0..$x1 after ${step% *}"
  done

  press F12
  end_game F12
  expect_file "$2/Stapelix.ini" "$settings_ini"
  # A first game without a cleared row ranks nobody: an empty table.
  [ -f "$2/Highscores.txt" ] && [ ! -s "$2/Highscores.txt" ] || fail "Highscores.txt after F12"
  [ "$(ls -A "$2" | sort)" = "$(printf '%s\n' "$start_files" Highscores.txt Stapelix.ini | sort)" ] ||
    fail "unexpected files: $(ls -A "$2")"
}

# second_run START FILES: full screen at a size Xvfb lacks gives quietly a 640
# x 480 window with the saved name; closed, it rewrites both files as they were.
second_run() {
  local fullscreen_ini=${settings_ini/Fullscreen = 0/Fullscreen = 1}
  as_text "$fullscreen_ini" >"$2/Stapelix.ini"
  as_text "$scores_table" >"$2/Highscores.txt"
  start_game "$1"
  shot menu2
  [ "$(probe_count menu2 red 280 260 639 276)" -gt 20 ] || fail "second run: no menu"
  [ "$("$probe" "$work/menu2.ppm")" = "640 480" ] || fail "second run: not a 640 x 480 window"
  [ ! -s "$1.stderr" ] || fail "second run: a refused full-screen switch was reported: $(cat "$1.stderr")"
  press Return
  shot named2
  [ "$(probe_find named2 white 386 316 639 333)" = "$(probe_find named white 386 316 639 333)" ] ||
    fail "second run: the saved name is not the one typed"
  "$closer" "$window_id" || fail "could not send the close request"
  end_game "window close"
  expect_file "$2/Stapelix.ini" "$fullscreen_ini"
  expect_file "$2/Highscores.txt" "$scores_table"
}

# small_window_run START FILES: a size below 64 x 48 is raised to it (wider on
# Windows), the screen filled; Alt+F4 closes. An unreadable Highscores.txt (a
# folder) is left as it is, and a box at start-up says so.
small_window_run() {
  as_text "${settings_ini/Size = 640 480/Size = 10 10}" >"$2/Stapelix.ini"
  mkdir "$2/Highscores.txt"
  start_game "$1" 1
  shot small
  local width height side column
  read -r width height <<<"$("$probe" "$work/small.ppm")"
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
  press alt+F4
  end_game Alt+F4
  expect_file "$2/Stapelix.ini" "${settings_ini/Size = 640 480/Size = 64 48}"
  [ -d "$2/Highscores.txt" ] && [ -z "$(ls -A "$2/Highscores.txt")" ] || fail "the unreadable Highscores.txt was changed"
  # The system's reason: Windows opens no folder as a file.
  local reason="Is a directory"
  [ "$platform" = linux ] || reason="Permission denied"
  [ "$(tr -d '\r' <"$1.stderr")" = "Highscores.txt could not be read ($reason), so it is left unchanged and this session will not be saved to it." ] ||
    fail "no word of the unreadable Highscores.txt: $(cat "$1.stderr")"
}

# game_over_run START FILES: on a 4 x 16 field pieces are dropped (a bar
# flat) until a game ends with a row scored; a SIGKILL then loses nothing.
game_over_run() {
  local small_ini=${settings_ini/Field = 10 20/Field = 4 16} pieces
  as_text "$small_ini" >"$2/Stapelix.ini"
  start_game "$1"
  press Return
  for pieces in $(seq 150); do
    if [ -e "$2/Highscores.txt" ]; then
      grep -q 'abc' "$2/Highscores.txt" && break
      rm "$2/Highscores.txt"  # a game over without a row: back to the menu, a new game
      press Return Return
    fi
    # Fields rows 12..15, the top four, where a new piece appears: y 304..368.
    shot piece
    if [ "$(probe_count piece blue 273 305 335 367)" -gt 200 ]; then press Up space; else press space; fi
  done
  grep -q 'abc' "$2/Highscores.txt" || fail "no game over with a row scored in 150 pieces"
  echo "game over with a row scored after $pieces pieces: $(tr "\n\t" "  " <"$2/Highscores.txt")"
  sleep 0.5
  kill -KILL "$game_pid"
  wait "$game_pid" || true
  game_pid=
  [[ "$(tr -d '\r' <"$2/Highscores.txt")" =~ ^Field:\ 4\ 16$'\n'Name$'\t'Score$'\n\n'abc$'\t'[1-9][0-9]*$ ]] ||
    fail "Highscores.txt after a kill at the game over: $(cat "$2/Highscores.txt")"
  expect_file "$2/Stapelix.ini" "$small_ini"
}

# changed_setting_run START FILES ENDING: the field widened in the settings
# is saved when the shell command ENDING ends the game.
changed_setting_run() {
  as_text "$settings_ini" >"$2/Stapelix.ini"
  start_game "$1"
  press Down Return Right
  eval "$3"
  expect_file "$2/Stapelix.ini" "${settings_ini/Field = 10 20/Field = 11 20}"
}

# read_only_run START FILES: a Highscores.txt the player made read-only is
# left as it is, permissions included, and the player told at exit in a box.
read_only_run() {
  as_text "$scores_table" >"$2/Highscores.txt"
  chmod 444 "$2/Highscores.txt"
  changed_setting_run "$1" "$2" 'press F12; dismiss_notice "a read-only Highscores.txt"; end_game "F12, read-only file"'
  expect_file "$2/Highscores.txt" "$scores_table"
  [ "$(stat -c %a "$2/Highscores.txt")" = 444 ] || fail "the read-only Highscores.txt changed its mode"
  [[ "$(tr -d '\r' <"$1.stderr")" == "Highscores.txt could not be saved in "*": the file is read-only." ]] ||
    fail "no word of the read-only Highscores.txt: $(cat "$1.stderr")"
}

# refused_texture_run START FILES: a 32-bit BMP texture gives one box and the
# same line on standard error, then the game plays with plain blocks.
refused_texture_run() {
  # A 1 x 1 picture: file header, info header (1 plane, 32 bits), one pixel.
  { printf 'BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x20\0'; head -c 24 /dev/zero; printf '\xff\xff\xff\0'; } \
    >"$2/Images/Block.bmp"
  start_game "$1" 1
  local told='Images\Block.bmp cannot be used as the block texture: 32-bit BMP pictures are not supported; save it as 24-bit. The blocks are drawn without it.'
  [ "$(tr -d '\r' <"$1.stderr")" = "$told" ] || fail "refused texture: standard error holds: $(cat "$1.stderr")"
  press Return
  shot refused_texture
  [ "$(probe_count refused_texture white 222 200 226 280)" -gt 60 ] || fail "refused texture: no field frame after New Game"
  press F12
  end_game "F12 after a refused texture"
}

# two_copies_run START FILES OTHER: one game per folder. With a game running in OTHER and one
# in START, a second start in START ends with status 0, having read and written nothing: on
# Linux it says so in a box; on Windows it restores the game of START, minimised, and brings
# it to the front, not the game of OTHER (told apart by their sizes, 640 x 480 and 720 x
# 540; $foreground_probe asks Windows, as X's focus does not follow without a window
# manager). Both games then play on, and each saves a changed setting when it ends.
two_copies_run() {
  local second second_status=0 other_pid other_window files_before other_ini
  other_ini=${settings_ini/Size = 640 480/Size = 720 540}
  as_text "$settings_ini" >"$2/Stapelix.ini"
  as_text "$scores_table" >"$2/Highscores.txt"
  as_text "$other_ini" >"$3/Stapelix.ini"
  start_game "$3"
  other_pid=$game_pid other_window=$window_id
  other_window=$other_window start_game "$1"
  files_before=$(ls -l --full-time "$2")
  if [ "$platform" = windows ]; then
    wine "$foreground_probe" minimise 640 480 >/dev/null || fail "the game could not be minimised"
    [ "$(wine "$foreground_probe" | tr -d '\r')" != "640x480 shown" ] || fail "the minimised game is in front"
  fi
  (cd "$1" && exec "${launch[@]}") 2>"$1.second.stderr" &
  second=$!
  [ "$platform" = windows ] || dismiss_notice "a second start in a folder where the game runs"
  poll 300 '! kill -0 "$second" 2>/dev/null' || { kill -KILL "$second"; fail "the second start did not end"; }
  wait "$second" || second_status=$?
  [ "$second_status" -eq 0 ] || fail "the second start ended with status $second_status"
  [ "$(ls -l --full-time "$2")" = "$files_before" ] || fail "the second start touched the files: $(ls -l --full-time "$2")"
  if [ "$platform" = linux ]; then
    [ "$(cat "$1.second.stderr")" = "Stapelix is already running in this folder. This second copy ends at once, so that the two do not write over each other's scores." ] ||
      fail "the second start: $(cat "$1.second.stderr")"
  else
    [ ! -s "$1.second.stderr" ] || fail "the second start: $(cat "$1.second.stderr")"
    local front
    front=$(wine "$foreground_probe" | tr -d '\r')
    [ "$front" = "640x480 shown" ] || fail "after the second start the window in front is: $front"
  fi
  local game ini
  for game in "$1 $game_pid $window_id settings_ini" "$3 $other_pid $other_window other_ini"; do
    read -r game_dir game_pid window_id ini <<<"$game"
    timeout 10 xdotool windowfocus --sync "$window_id" >/dev/null 2>&1 || true
    press Down Return Right F12
    end_game "F12 in $game_dir"
    expect_file "$game_dir/Stapelix.ini" "${!ini/Field = 10 20/Field = 11 20}"
  done
  expect_file "$2/Highscores.txt" "$scores_table"
}

# each_run MAKE: the runs above, each in a folder $work/RUN made by MAKE DIR.
each_run() {
  local run
  for run in first second small_window game_over read_only refused_texture; do
    "$1" "$work/$run"
    "${run}_run" "$work/$run" "$work/$run"
  done
}
