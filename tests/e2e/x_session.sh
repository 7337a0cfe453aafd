# Shared by the end-to-end scripts: a private Xvfb display, the game started
# in a working directory, key presses, screenshots and pixel questions, and
# a build of the game. Sourced; expects $work (the test's temp directory),
# $probe (screen_probe), $launch (an array: the command that starts the game)
# and, to build, $source_dir. On exit it removes $work together with the
# display, a running game and the wine processes of a $WINEPREFIX.

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Programs keep caches and settings in the home folder (Mesa's shader cache,
# fontconfig's, wine's menu entries): the session gets its own, in $work.
export HOME="$work/home"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME
mkdir -p "$HOME"

# build_game DIR [CMAKE_OPTION...]: configures the game alone (no tests, no
# benchmarks; warnings as errors, as in every build we test) from $source_dir
# into DIR and builds it with two jobs.
build_game() {
  local dir=$1
  shift
  cmake -S "$source_dir" -B "$dir" -DSTAPELIX_TESTS=OFF -DSTAPELIX_BENCH=OFF -DSTAPELIX_WERROR=ON "$@" >"$dir.configure.log" 2>&1 ||
    fail "configure: $(tail -n 20 "$dir.configure.log")"
  cmake --build "$dir" -j2 >"$dir.build.log" 2>&1 || fail "build: $(tail -n 40 "$dir.build.log")"
}

# Starts Xvfb on the first free display and exports DISPLAY. -noreset: a
# server that resets when its last client leaves drops a game that is still
# connecting when an xdotool poll exits.
start_xvfb() {
  local fifo="$work/display-number"
  : >"$fifo"
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$fifo" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
  done
  [ -s "$fifo" ] || fail "Xvfb gave no display number"
  export DISPLAY=":$(head -n 1 "$fifo")"
}

stop_xvfb() {
  if [ -n "${xvfb_pid:-}" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  fi
}

# start_game DIR: runs $launch in DIR with its standard error in DIR.stderr;
# sets game_pid and game_dir.
start_game() {
  game_dir=$1
  (cd "$game_dir" && exec "${launch[@]}") 2>"$game_dir.stderr" &
  game_pid=$!
}

# find_window [POLLS]: waits for the game window (POLLS times 0.2 s, by
# default $window_polls or 100) and sets window_id; gives it the keyboard.
find_window() {
  local i
  window_id=
  for i in $(seq 1 "${1:-${window_polls:-100}}"); do
    window_id=$(xdotool search --onlyvisible --name '^Stapelix by Norvane$' 2>/dev/null | head -n 1) || true
    [ -n "$window_id" ] && break
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before its window showed: $(cat "$game_dir.stderr" 2>/dev/null)"
    sleep 0.2
  done
  [ -n "$window_id" ] || fail "no window titled 'Stapelix by Norvane'"
  xdotool mousemove --sync 320 240 >/dev/null 2>&1 || true
  xdotool windowfocus --sync "$window_id" >/dev/null 2>&1 || true
  sleep 0.5
}

# Fails at once, with what the game wrote, when it has ended unasked.
expect_running() {
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended early: $(tail -n 40 "$game_dir.stderr")"
}

# press KEY...: each key held long enough for a frame and a game tick to see it.
press() {
  local key
  for key in "$@"; do
    expect_running
    timeout 10 xdotool keydown "$key"
    sleep 0.1
    timeout 10 xdotool keyup "$key"
    sleep 0.1
  done
}

# shot NAME: the window's client area as $work/NAME.ppm.
shot() {
  sleep 0.2
  expect_running
  timeout 20 import -window "$window_id" -depth 8 "ppm:$work/$1.ppm" || fail "screenshot $1 failed"
}

# probe_find NAME CLASS X0 Y0 X1 Y1: prints "count minX minY maxX maxY".
probe_find() {
  "$probe" find "$work/$1.ppm" "$2" "$3" "$4" "$5" "$6"
}

# probe_count NAME CLASS X0 Y0 X1 Y1: just the count.
probe_count() {
  probe_find "$@" | cut -d' ' -f1
}

# Waits for the game to end; sets game_status.
wait_game() {
  local i
  for i in $(seq 1 ${1:-150}); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$game_pid" 2>/dev/null; then
    # SDL turns SIGTERM into a quit event; a hung game needs SIGKILL.
    kill -KILL "$game_pid" 2>/dev/null || true
    wait "$game_pid" 2>/dev/null || true
    game_pid=
    fail "the game did not end"
  fi
  game_status=0
  wait "$game_pid" || game_status=$?
  game_pid=
}

# On any exit: the game if still running, wine, the display, the temp directory.
cleanup() {
  if [ -n "${game_pid:-}" ]; then kill -KILL "$game_pid" 2>/dev/null || true; fi
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
