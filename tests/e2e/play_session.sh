#!/usr/bin/env bash
# The Linux program through the shared session, each run in a fresh folder;
# two copies at once; then SIGHUP and SIGTERM, a folder it may not write, and no display.
#   play_session.sh SOURCE_DIR SCREEN_PROBE CLOSE_WINDOW GAME
source "$(dirname "$0")/x_session.sh"
game=$(realpath "$4")
launch=("$game")
start_xvfb
each_run game_folder
game_folder "$work/two_copies" && game_folder "$work/beside"
two_copies_run "$work/two_copies" "$work/two_copies" "$work/beside"

# A closed terminal (SIGHUP) and SIGTERM save as the close button does.
for signal in HUP TERM; do
  game_folder "$work/$signal"
  changed_setting_run "$work/$signal" "$work/$signal" 'kill -"$signal" "$game_pid"; end_game "SIG$signal"'
done

# A folder the game (as nobody) may not write: at exit one box names both files.
dir=$work/locked
game_folder "$dir"
chmod 755 "$work"
launch=(setpriv --reuid=nobody --regid=nogroup --clear-groups env MESA_SHADER_CACHE_DISABLE=true "$game")
start_game "$dir"
press F12
dismiss_notice "a folder the game may not write"
end_game "F12 in a folder the game may not write"
[ "$(ls -A "$dir")" = Images ] || fail "files written in the locked folder: $(ls -A "$dir")"
[ "$(cat "$dir.stderr")" = "Stapelix.ini could not be saved in $dir: Permission denied.
Highscores.txt could not be saved in $dir: Permission denied." ] ||
  fail "the locked folder: $(cat "$dir.stderr")"

# No display: an error on standard error, status 0, no file written.
dir=$work/no-display
game_folder "$dir"
(cd "$dir" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game") 2>"$dir.stderr" ||
  fail "no display: exit status $?"
grep -q "Window Creation Error\.\|Can't Create A GL\|Can't Find A Suitable PixelFormat\.\|Can't Set The PixelFormat\.\|Can't Activate The GL\|Failed To Register" "$dir.stderr" ||
  fail "no display: nothing reported on standard error: $(cat "$dir.stderr")"
[ "$(ls -A "$dir")" = Images ] || fail "no display: files written: $(ls -A "$dir")"
echo "play session passed"
