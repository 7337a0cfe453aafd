# Sourced by every end-to-end script (arguments SOURCE_DIR SCREEN_PROBE
# CLOSE_WINDOW ...): a temp $work removed on exit with all started in it, a
# build, a private Xvfb, the game ($launch) in a folder, keys, screenshots.
set -euo pipefail
source_dir=$(realpath "$1")
probe=$(realpath "$2")
closer=$(realpath "$3")
e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-e2e-XXXXXX")

fail() { echo "FAIL: $*" >&2; exit 1; }

# A home of its own for fontconfig, wine and Mesa (which reads the password
# database, not HOME, so its cache is named).
export HOME="$work/home" XDG_CACHE_HOME="$work/home/.cache"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME
mkdir -p "$HOME"

# build_game DIR [CMAKE_OPTION...]: the game alone, warnings as errors.
build_game() {
  local dir=$1
  cmake -S "$source_dir" -B "$dir" -DSTAPELIX_TESTS=OFF -DSTAPELIX_BENCH=OFF -DSTAPELIX_WERROR=ON "${@:2}" \
    >"$dir.log" 2>&1 && cmake --build "$dir" -j2 >>"$dir.log" 2>&1 || fail "build: $(tail -n 40 "$dir.log")"
}

# -noreset: a reset when the last client leaves drops a game still connecting
# as an xdotool poll exits. -r: no key repeat, so keys may stay down long.
start_xvfb() {
  Xvfb -displayfd 3 -noreset -r -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  local i
  for i in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$work/display")"
  [ "$DISPLAY" != : ] || fail "Xvfb gave no display number"
}

# start_game DIR [NOTICES]: $launch in DIR (standard error in DIR.stderr).
# NOTICES message boxes (default 0) must come before the game's first frame;
# each is dismissed with Enter. The window gets the keyboard once the first
# frame shows, after the font is built, and then no box may be left.
start_game() {
  game_dir=$1
  (cd "$game_dir" && exec "${launch[@]}") 2>"$game_dir.stderr" &
  game_pid=$!
  local i
  for i in $(seq "${2:-0}"); do dismiss_notice "box $i before the first frame"; done
  window_id=
  for i in $(seq "${window_polls:-600}"); do
    window_id=$(xdotool search --onlyvisible --name '^Stapelix by Norvane$' 2>/dev/null | head -n 1) || true
    [ -n "$window_id" ] && break
    expect_running
    sleep 0.2
  done
  [ -n "$window_id" ] || fail "no window titled 'Stapelix by Norvane'"
  timeout 10 xdotool mousemove 320 240 >/dev/null 2>&1 || true
  timeout 10 xdotool windowfocus --sync "$window_id" >/dev/null 2>&1 || true
  for i in $(seq "${window_polls:-600}"); do
    shot first_frame
    [ "$(probe_count first_frame lit 0 0 1023 767)" -eq 0 ] || break
  done
  [ -z "$(notice_window)" ] || fail "a message box is open beside the first frame"
  sleep 0.5
}

# notice_window: the id of a visible message box of the game (its caption is
# "Stapelix"), or nothing. xwininfo, as xdotool cannot match a name set as
# UTF8_STRING, which is how SDL names its message box.
notice_window() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk '$2 == "\"Stapelix\":" { print $1 }'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && { echo "$id"; return 0; }
  done
  return 0
}

# dismiss_notice WHAT: waits for one of the game's message boxes, presses
# Enter in it and waits until it is gone; the game must still be running.
dismiss_notice() {
  local i id=
  for i in $(seq "${window_polls:-600}"); do
    id=$(notice_window)
    [ -n "$id" ] && break
    expect_running
    sleep 0.2
  done
  [ -n "$id" ] || fail "$1: no message box came"
  expect_running
  timeout 10 xdotool windowfocus --sync "$id" >/dev/null 2>&1 || true
  timeout 10 xdotool key --clearmodifiers Return
  for i in $(seq 100); do
    [ -n "$(notice_window)" ] || return 0
    sleep 0.2
  done
  fail "$1: the message box stayed after Enter"
}

expect_running() { kill -0 "$game_pid" 2>/dev/null || fail "the game ended unasked: $(tail -n 40 "$game_dir.stderr")"; }

# press KEY...: the game reads once a frame whether a key is down, so each
# key stays down for $key_hold seconds, longer than a frame of a slowed game.
press() {
  local key
  for key in "$@"; do
    expect_running
    timeout 10 xdotool keydown "$key"
    sleep "${key_hold:-0.25}"
    timeout 10 xdotool keyup "$key"
    sleep 0.1
  done
}

# shot NAME: the window's client area as $work/NAME.ppm.
shot() {
  sleep 0.2
  expect_running
  timeout 30 import -window "$window_id" -depth 8 "ppm:$work/$1.ppm" || fail "screenshot $1 failed"
}

# probe_find NAME CLASS X0 Y0 X1 Y1: screen_probe's answer for a shot.
probe_find() { "$probe" "$work/$1.ppm" "${@:2}"; }
probe_count() { probe_find "$@" | cut -d' ' -f1; }

# end_game WHAT [POLLS]: waits POLLS times 0.2 s for the game to end, with
# status 0. SDL turns SIGTERM into a quit event: a hung game gets SIGKILL.
end_game() {
  local i status=0
  for i in $(seq "${2:-300}"); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.2
  done
  ! kill -KILL "$game_pid" 2>/dev/null || fail "$1: the game did not end"
  wait "$game_pid" || status=$?
  game_pid=
  [ "$status" -eq 0 ] || fail "$1: exit status $status: $(tail -n 80 "$game_dir.stderr")"
}

cleanup() {
  [ -z "${game_pid:-}" ] || kill -KILL "$game_pid" 2>/dev/null || true
  [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
  [ -z "${xvfb_pid:-}" ] || { kill "$xvfb_pid" && wait "$xvfb_pid"; } 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
source "$e2e_dir/shared_session.sh"
