#!/usr/bin/env bash
# The Linux program through the shared session, each run in a fresh folder;
# two copies at once; then SIGHUP and SIGTERM, the display going away, a folder
# it may not write, no display and no GL driver.
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

# The display going away under the game (its session ended) saves as a
# log-off does on Windows, and the game ends at once with status 1 instead of
# waiting on the dead connection. A second Xvfb of its own, ended mid-game.
display_lost_end() {
  local status=0
  poll 50 '! kill -0 "$game_pid" 2>/dev/null' || true
  ! kill -KILL "$game_pid" 2>/dev/null || fail "the display went away: the game did not end"
  wait "$game_pid" || status=$?
  game_pid=
  [ "$status" -eq 1 ] || fail "the display went away: exit status $status"
  [ "$(grep -v '^libGL error: ' "$game_dir.stderr")" = \
    "The connection to the display $DISPLAY was lost; the game saves and ends." ] ||
    fail "the display went away: standard error holds: $(cat "$game_dir.stderr")"
}
shared_display=$DISPLAY
Xvfb -displayfd 4 -noreset -r -screen 0 1024x768x24 -nolisten tcp 4>"$work/lost_display" 2>"$work/xvfb2.log" &
lost_xvfb=$!
trap 'kill "$lost_xvfb" 2>/dev/null || true; cleanup' EXIT
poll 100 '[ -s "$work/lost_display" ]' || fail "the second Xvfb gave no display number: $(cat "$work/xvfb2.log")"
export DISPLAY=":$(head -n 1 "$work/lost_display")"
game_folder "$work/display-lost"
changed_setting_run "$work/display-lost" "$work/display-lost" 'kill "$lost_xvfb"; display_lost_end'
export DISPLAY=$shared_display

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

# A start that fails: no window, no file, status 1 and the failed step's box
# text once on standard error: its own line, then the system's reason (SDL's,
# or the X error's). The GL driver's own lines are not the game's.
# failed_start DIR TEXT REASON: the two lines, REASON a pattern.
failed_start() {
  local told
  told=$(grep -v '^libGL error: ' "$1.stderr") || true
  [ "$(sed -n 1p <<<"$told")" = "$2" ] && [[ "$(sed -n 2p <<<"$told")" =~ ^$3$ ]] &&
    [ "$(wc -l <<<"$told")" -eq 2 ] || fail "$1: standard error holds: $(cat "$1.stderr")"
  [ "$(ls -A "$1")" = Images ] || fail "$1: files written: $(ls -A "$1")"
}

# No display at all (a terminal without X, its session's runtime folder set).
dir=$work/no-display
game_folder "$dir"
mkdir -m 700 "$work/runtime"
status=0
(cd "$dir" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_RUNTIME_DIR="$work/runtime" "$game") \
  2>"$dir.stderr" || status=$?
[ "$status" -eq 1 ] || fail "no display: exit status $status"
failed_start "$dir" "Window Creation Error." '.*not available'

# A GL driver that cannot load: GLX answers with an X error, which must not end
# the game before it says so in a box.
dir=$work/no-gl-driver
game_folder "$dir"
mkdir "$work/no-drivers"
launch=(env LIBGL_DRIVERS_PATH="$work/no-drivers" "$game")
(cd "$dir" && exec "${launch[@]}") 2>"$dir.stderr" &
game_pid=$!
game_dir=$dir
dismiss_notice "a GL driver that cannot load" ERROR
poll 100 '! kill -0 "$game_pid" 2>/dev/null' || fail "no GL driver: the game did not end after its box"
status=0
wait "$game_pid" || status=$?
game_pid=
[ "$status" -eq 1 ] || fail "no GL driver: exit status $status"
failed_start "$dir" "Window Creation Error." 'X error BadValue \(.*\) in X_GLXCreateContext'
echo "play session passed"
