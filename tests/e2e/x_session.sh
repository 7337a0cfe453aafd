# Sourced by every end-to-end script (arguments SOURCE_DIR SCREEN_PROBE CLOSE_WINDOW
# ...): a $work removed on exit, builds, Xvfb, the game ($launch), keys, shots.
set -euo pipefail
source_dir=$(realpath "$1")
probe=$(realpath "$2")
closer=$(realpath "$3")
e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-e2e-XXXXXX")

fail() { echo "FAIL: $*" >&2; exit 1; }

# A home of its own for fontconfig, wine and Mesa (whose cache is named: it reads passwd).
export HOME="$work/home" XDG_CACHE_HOME="$work/home/.cache"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME
mkdir -p "$HOME"

# build_game DIR [CMAKE_OPTION...]: the game alone, warnings as errors.
build_game() {
  cmake -S "$source_dir" -B "$1" -DSTAPELIX_TESTS=OFF -DSTAPELIX_BENCH=OFF -DSTAPELIX_WERROR=ON "${@:2}" \
    >"$1.log" 2>&1 && cmake --build "$1" -j2 >>"$1.log" 2>&1 || fail "build: $(tail -n 40 "$1.log")"
}

# make_package GENERATOR NAME [CMAKE_OPTION...]: cpack on a Release build; $package its file NAME.
make_package() {
  build_game "$work/build" -DCMAKE_BUILD_TYPE=Release "${@:3}"
  (cd "$work/build" && cpack -G "$1" -B "$work/package") >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(tail -n 20 "$work/cpack.log")"
  package=$(find "$work/package" -maxdepth 1 -name "$2")
  [ -f "$package" ] || fail "cpack made no $2: $(ls "$work/package")"
}

# expect_files DIR FILE...: DIR holds exactly these files, at any depth.
expect_files() {
  [ "$(cd "$1" && find . -type f -printf '%P\n' | sort)" = "$(printf '%s\n' "${@:2}" | sort)" ] ||
    fail "$1 holds other files: $(cd "$1" && find . -type f -printf '%P\n')"
}

# game_folder DIR: a fresh folder holding only Images/Block.bmp.
game_folder() { mkdir -p "$1/Images" && cp "$source_dir/Images/Block.bmp" "$1/Images/"; }

# poll N TEST: the shell command TEST every 0.2 s until it succeeds, N times at most.
poll() {
  local i
  for i in $(seq "$1"); do eval "$2" && return 0; sleep 0.2; done
  return 1
}

# -noreset: a reset when the last client leaves drops a game still connecting
# as an xdotool poll exits. -r: no key repeat, so keys may stay down long.
start_xvfb() {
  Xvfb -displayfd 3 -noreset -r -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  poll 100 '[ -s "$work/display" ]' || fail "Xvfb gave no display number: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -n 1 "$work/display")"
}

# start_game DIR [NOTICES]: $launch in DIR (stderr in DIR.stderr); NOTICES boxes
# (default 0) come and go before the first frame, then none is left. Its window is
# not $other_window, another game's.
start_game() {
  game_dir=$1
  (cd "$game_dir" && exec "${launch[@]}") 2>"$game_dir.stderr" &
  game_pid=$!
  local i
  for i in $(seq "${2:-0}"); do dismiss_notice "box $i before the first frame"; done
  poll "${window_polls:-600}" 'expect_running; window_id=$(xdotool search --onlyvisible --name "^Stapelix by Norvane$" \
    2>/dev/null | grep -vx "${other_window:-none}" | head -n 1) && [ -n "$window_id" ]' || fail "no window titled 'Stapelix by Norvane'"
  timeout 10 xdotool mousemove 320 240 >/dev/null 2>&1 || true
  timeout 10 xdotool windowfocus --sync "$window_id" >/dev/null 2>&1 || true
  poll "${window_polls:-600}" 'shot first_frame; [ "$(probe_count first_frame lit 0 0 1023 767)" -gt 0 ]' || true
  [ -z "$(notice_window)" ] || fail "a message box is open beside the first frame"
  sleep 0.5
}

# notice_window [CAPTION]: the id of a visible message box captioned CAPTION (by default
# "Stapelix"), or nothing (xdotool's name search misses SDL's boxes, whose WM_NAME is UTF-8).
notice_window() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | awk -v name="\"${1:-Stapelix}\":" '$2 == name { print $1 }'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && { echo "$id"; return 0; }
  done
  return 0
}

# dismiss_notice WHAT [CAPTION]: a box of the still running game comes and Enter closes it.
dismiss_notice() {
  local id caption=${2:-Stapelix}
  poll "${window_polls:-600}" 'expect_running; id=$(notice_window "$caption"); [ -n "$id" ]' || fail "$1: no message box came"
  expect_running
  timeout 10 xdotool windowfocus --sync "$id" >/dev/null 2>&1 || true
  timeout 10 xdotool key --clearmodifiers Return
  poll 100 '[ -z "$(notice_window "$caption")" ]' || fail "$1: the message box stayed after Enter"
}

expect_running() { kill -0 "$game_pid" 2>/dev/null || fail "the game ended unasked: $(tail -n 40 "$game_dir.stderr")"; }

# press KEY...: each key held $key_hold s, longer than a frame of a slowed game.
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

# probe_find NAME CLASS X0 Y0 X1 Y1: screen_probe on a shot; probe_count: its count.
probe_find() { "$probe" "$work/$1.ppm" "${@:2}"; }
probe_count() { probe_find "$@" | cut -d' ' -f1; }

# end_game WHAT [POLLS]: the game ends within POLLS times 0.2 s (else SIGKILL), status 0.
end_game() {
  local status=0
  poll "${2:-300}" '! kill -0 "$game_pid" 2>/dev/null' || true
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
