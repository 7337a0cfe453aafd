#!/usr/bin/env bash
# The Linux program on a private Xvfb display through the shared session,
# each run in a fresh working directory holding only Images/Block.bmp; then
# SIGHUP and SIGTERM, which save as the close button does; the game as a
# user who may not write its folder; and a start without a display: the
# error is reported on standard error, the status is 0 and no file is written.
#
#   play_session.sh SOURCE_DIR SCREEN_PROBE CLOSE_WINDOW GAME
source "$(dirname "$0")/x_session.sh"
game=$(realpath "$4")
platform=linux
start_files=Images
launch=("$game")
for run in first second small over read-only HUP TERM locked no-display; do
  mkdir -p "$work/$run/Images"
  cp "$source_dir/Images/Block.bmp" "$work/$run/Images/"
done
start_xvfb
first_run "$work/first" "$work/first"
second_run "$work/second" "$work/second"
small_window_run "$work/small" "$work/small"
game_over_run "$work/over" "$work/over"
read_only_run "$work/read-only" "$work/read-only"
mkdir -p "$work/refused/Images"
refused_texture_run "$work/refused" "$work/refused"

# A closed terminal (SIGHUP) and SIGTERM end the game as the close button
# does: a changed setting is saved and the status is 0.
for signal in HUP TERM; do
  dir=$work/$signal
  as_text "$settings_ini" >"$dir/Stapelix.ini"
  start_game "$dir"
  press Down Return Right
  kill -"$signal" "$game_pid"
  end_game "SIG$signal"
  expect_file "$dir/Stapelix.ini" "${settings_ini/Field = 10 20/Field = 11 20}"
done

# A folder the player may not write (the game as user nobody): at exit one
# box names both files, the folder and the reason; dismissed, the game ends
# with status 0.
dir=$work/locked
chmod 755 "$work"
launch=(setpriv --reuid=nobody --regid=nogroup --clear-groups env MESA_SHADER_CACHE_DISABLE=true "$game")
start_game "$dir"
press F12
dismiss_notice "a folder the game may not write"
end_game "F12 in a folder the game may not write"
launch=("$game")
[ "$(ls -A "$dir")" = Images ] || fail "files written in the locked folder: $(ls -A "$dir")"
[ "$(cat "$dir.stderr")" = "Stapelix.ini could not be saved in $dir: Permission denied.
Highscores.txt could not be saved in $dir: Permission denied." ] ||
  fail "the locked folder: $(cat "$dir.stderr")"

dir=$work/no-display
status=0
(cd "$dir" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game") 2>"$dir.stderr" || status=$?
[ "$status" -eq 0 ] || fail "no display: exit status $status"
grep -q "Window Creation Error\.\|Can't Create A GL\|Can't Find A Suitable PixelFormat\.\|Can't Set The PixelFormat\.\|Can't Activate The GL\|Failed To Register" "$dir.stderr" ||
  fail "no display: nothing reported on standard error: $(cat "$dir.stderr")"
[ "$(ls -A "$dir")" = Images ] || fail "no display: files written: $(ls -A "$dir")"
echo "play session passed"
