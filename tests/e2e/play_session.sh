#!/usr/bin/env bash
# The real program on a private Xvfb display, in fresh working directories
# holding only Images/Block.bmp:
#   1. the menu shows; New Game starts in name editing; a typed name shows in
#      the head-up display; arrow keys move the piece; F12 ends the program
#      with status 0 and both files hold what the game had;
#   2. with those files (and a highscore file) a second run shows the same
#      name; asked for full screen at a size the display does not offer, it
#      runs in a window without a word; closing the window ends it the same
#      way and rewrites the files unchanged;
#   3. with no display the window cannot be made: the error is reported on
#      standard error, the status is 0 and no file is written.
#
#   play_session.sh GAME SCREEN_PROBE CLOSE_WINDOW BLOCK_BMP
set -euo pipefail

game=$(realpath "$1")
probe=$(realpath "$2")
closer=$(realpath "$3")
texture=$(realpath "$4")

work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-e2e-XXXXXX")
script_dir=$(cd "$(dirname "$0")" && pwd)
source "$script_dir/x_session.sh"

make_run_dir() {
  mkdir -p "$1/Images"
  cp "$texture" "$1/Images/Block.bmp"
}

expected_ini=$'[Game]\nField = 10 20\nName = abc\nSpeedlimit = 30\n\n[Video]\nFullscreen = 0\n\n[Window]\nSize = 640 480'

start_xvfb

# --- 1. Menu, new game, name, moves, F12 -----------------------------------
first="$work/first"
make_run_dir "$first"
start_game "$first"
find_window
shot menu
[ "$("$probe" size "$work/menu.ppm")" = "640 480" ] || fail "the client area is not 640 x 480"
# Red lines "New Game", "Settings", "Exit Game" at baselines 264, 246, 228;
# no "Resume Game" at 282 before a game exists; the white cursor on line 1.
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
read -r n x0 y0 placeholder_right y1 <<<"$(probe_find editing white 386 316 639 333)"
[ "$n" -gt 20 ] && [ "$x0" -ge 424 ] || fail "no placeholder name in the head-up display"

press a b c
shot named
read -r n x0 y0 name_right y1 <<<"$(probe_find named white 386 316 639 333)"
[ "$n" -gt 10 ] && [ "$x0" -ge 424 ] || fail "no name in the head-up display after typing"
[ "$name_right" -lt "$placeholder_right" ] || fail "the typed name did not replace the placeholder"
[ "$("$probe" diff "$work/editing.ppm" "$work/named.ppm" 386 316 639 333)" -gt 0 ] ||
  fail "typing changed nothing on screen"

# Enter ends name editing and the piece starts to fall; it is the only thing
# inside the frame (x 224..384, y 80..400).
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
cmp -s "$first/Stapelix.ini" <(printf '%s' "$expected_ini") ||
  fail "Stapelix.ini after F12: $(od -c "$first/Stapelix.ini" | head -20)"
# A first game without a cleared row ranks nobody: an empty table.
[ -f "$first/Highscores.txt" ] && [ ! -s "$first/Highscores.txt" ] || fail "Highscores.txt after F12"
[ "$(cd "$first" && ls -A | sort | tr '\n' ' ')" = "Highscores.txt Images Stapelix.ini " ] ||
  fail "unexpected files: $(ls -A "$first")"

# --- 2. Saved name shown again; closing the window -------------------------
second="$work/second"
make_run_dir "$second"
fullscreen_ini=${expected_ini/Fullscreen = 0/Fullscreen = 1}
printf '%s' "$fullscreen_ini" >"$second/Stapelix.ini"
table=$'Field: 4 5\nName\tScore\n\nzed\t7\n\nField: 10 20\nName\tScore\n\nbob\t50\namy\t20'
printf '%s' "$table" >"$second/Highscores.txt"
start_game "$second"
find_window
shot menu2
[ "$(probe_count menu2 red 280 260 639 276)" -gt 20 ] || fail "second run: no menu"
# Xvfb offers 1024 x 768 only: the 640 x 480 switch is refused quietly.
[ "$("$probe" size "$work/menu2.ppm")" = "640 480" ] || fail "second run: not a 640 x 480 window"
[ ! -s "$second.stderr" ] || fail "second run: a refused full-screen switch was reported: $(cat "$second.stderr")"
press Return
shot named2
[ "$("$probe" diff "$work/named.ppm" "$work/named2.ppm" 386 316 639 333)" -eq 0 ] ||
  fail "second run: the saved name is not the one typed"
"$closer" "$window_id" || fail "could not send the close request"
wait_game
[ "$game_status" -eq 0 ] || fail "window close: exit status $game_status"
# The settings flag keeps its value though the game ran in a window.
cmp -s "$second/Stapelix.ini" <(printf '%s' "$fullscreen_ini") || fail "Stapelix.ini after closing"
cmp -s "$second/Highscores.txt" <(printf '%s' "$table") ||
  fail "Highscores.txt after closing: $(od -c "$second/Highscores.txt" | head -20)"

stop_xvfb

# --- 3. No display -----------------------------------------------------------
third="$work/third"
make_run_dir "$third"
status=0
(cd "$third" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game") 2>"$third.stderr" ||
  status=$?
[ "$status" -eq 0 ] || fail "no display: exit status $status"
grep -q "Window Creation Error\.\|Can't Create A GL\|Can't Find A Suitable PixelFormat\.\|Can't Set The PixelFormat\.\|Can't Activate The GL\|Failed To Register" "$third.stderr" ||
  fail "no display: nothing reported on standard error: $(cat "$third.stderr")"
[ "$(cd "$third" && ls -A)" = "Images" ] || fail "no display: files written: $(ls -A "$third")"

echo "play session passed"
