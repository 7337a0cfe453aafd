#!/usr/bin/env bash
# The Linux program on a private Xvfb display through the shared session,
# each run in a fresh working directory holding only Images/Block.bmp; then a
# start without a display: the error is reported on standard error, the
# status is 0 and no file is written.
#
#   play_session.sh SOURCE_DIR SCREEN_PROBE CLOSE_WINDOW GAME
source "$(dirname "$0")/x_session.sh"
game=$(realpath "$4")
platform=linux
start_files=Images
launch=("$game")
for run in first second small no-display; do
  mkdir -p "$work/$run/Images"
  cp "$source_dir/Images/Block.bmp" "$work/$run/Images/"
done
start_xvfb
first_run "$work/first" "$work/first"
second_run "$work/second" "$work/second"
small_window_run "$work/small" "$work/small"
mkdir -p "$work/refused/Images"
refused_texture_run "$work/refused" "$work/refused"

dir=$work/no-display
status=0
(cd "$dir" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game") 2>"$dir.stderr" || status=$?
[ "$status" -eq 0 ] || fail "no display: exit status $status"
grep -q "Window Creation Error\.\|Can't Create A GL\|Can't Find A Suitable PixelFormat\.\|Can't Set The PixelFormat\.\|Can't Activate The GL\|Failed To Register" "$dir.stderr" ||
  fail "no display: nothing reported on standard error: $(cat "$dir.stderr")"
[ "$(ls -A "$dir")" = Images ] || fail "no display: files written: $(ls -A "$dir")"
echo "play session passed"
