#!/usr/bin/env bash
# The Linux program on a private Xvfb display, in fresh working directories
# holding only Images/Block.bmp: the shared session (menu, name, moves, F12;
# saved files, a refused full-screen switch, window close; a small window),
# then a start without a display: the error is reported on standard error,
# the status is 0 and no file is written.
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
platform=linux
start_files=Images
launch=("$game")
source "$script_dir/shared_session.sh"

make_run_dir() {
  mkdir -p "$work/$1/Images"
  cp "$texture" "$work/$1/Images/Block.bmp"
  echo "$work/$1"
}

start_xvfb
dir=$(make_run_dir first)
first_run "$dir" "$dir"
dir=$(make_run_dir second)
second_run "$dir" "$dir"
dir=$(make_run_dir small)
small_window_run "$dir" "$dir"
stop_xvfb

dir=$(make_run_dir no-display)
status=0
(cd "$dir" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game") 2>"$dir.stderr" || status=$?
[ "$status" -eq 0 ] || fail "no display: exit status $status"
grep -q "Window Creation Error\.\|Can't Create A GL\|Can't Find A Suitable PixelFormat\.\|Can't Set The PixelFormat\.\|Can't Activate The GL\|Failed To Register" "$dir.stderr" ||
  fail "no display: nothing reported on standard error: $(cat "$dir.stderr")"
[ "$(ls -A "$dir")" = "Images" ] || fail "no display: files written: $(ls -A "$dir")"

echo "play session passed"
