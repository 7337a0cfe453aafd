#!/usr/bin/env bash
# What the running game costs: the processor time of the real program (all
# its threads, llvmpipe's included) in the main menu and in a running 10 x 20
# game, the frames it draws a second, the timer ticks it leaves without a
# frame and the game ticks a second, under a private Xvfb, keys from xdotool.
# The program is the one the build made, unchanged; bench/pace_probe.cpp,
# preloaded into it, counts the swaps and notes the figures when the script
# marks the start and the end of each scene (SIGUSR1).
#
#   bench/pace_bench.sh BUILD_DIR [PEER_PROGRAM] [ROUNDS] [SECONDS]
#
# BUILD_DIR holds stapelix and bench/libpace_probe.so (a build with
# -DSTAPELIX_BENCH=ON). PEER_PROGRAM, another build of the game (an earlier
# commit's, say), runs in turn with it, round by round, so both meet the
# same load; both must keep their symbols (nm finds gameState). Before any
# figure, the two menus' screenshots must be equal pixel for pixel. Each
# round plays each program SECONDS (default 10) in the menu and as long in a
# game; the table gives the median over ROUNDS (default 3) rounds.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 4 ]; then
  echo "usage: bench/pace_bench.sh BUILD_DIR [PEER_PROGRAM] [ROUNDS] [SECONDS]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
probe=$build/bench/libpace_probe.so
programs=("$build/stapelix")
[ -z "${2:-}" ] || programs=("$(realpath "$2")" "${programs[@]}")
rounds=${3:-3}
seconds=${4:-10}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
tick_length_ms=30  # the Speedlimit the game runs with below
for file in "${programs[@]}" "$probe"; do
  [ -e "$file" ] || { echo "pace_bench: $file is missing; build the targets stapelix and pace_probe" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-pace-XXXXXX")
xvfb_pid=
game_pid=
cleanup() {
  [ -z "$game_pid" ] || kill -KILL "$game_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" && wait "$xvfb_pid"; } 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "pace_bench: $*" >&2; exit 1; }

Xvfb -displayfd 3 -noreset -r -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
export HOME="$work/home" XDG_CACHE_HOME="$work/home/.cache"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME
mkdir -p "$HOME"

# play PROGRAM OUT [SHOT]: one start; a mark line at the start and the end of
# the menu and of the game into OUT; the menu's screenshot into SHOT.
play() {
  local dir="$work/run" window="" offset
  rm -rf "$dir" && mkdir -p "$dir/Images"
  cp "$source_dir/Images/Block.bmp" "$dir/Images/"
  # A returning player: a name, so the game opens on the menu, not the name.
  printf '[Game]\nField = 10 20\nName = Player\nSpeedlimit = %s\n\n[Video]\nFullscreen = 0\n\n[Window]\nSize = 640 480' \
    "$tick_length_ms" >"$dir/Stapelix.ini"
  offset=$(nm "$1" | awk '$3 == "gameState" { print $1 }')
  [ -n "$offset" ] || fail "$1 has no symbol gameState"
  (cd "$dir" && STAPELIX_PACE_PROBE="$2" STAPELIX_PACE_GAME_STATE="$offset" LD_PRELOAD="$probe" exec "$1") \
    2>>"$work/game.stderr" &
  game_pid=$!
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Stapelix by Norvane$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "no window: $(tail -n 5 "$work/game.stderr")"
  xdotool mousemove 320 240 windowfocus --sync "$window"
  sleep 2  # past the first frames, whose shaders LLVM compiles
  [ -z "${3:-}" ] || import -window "$window" -depth 8 "ppm:$3"
  mark
  sleep "$seconds"
  mark
  press Return  # New Game
  sleep 1
  mark
  sleep "$seconds"
  mark
  press F12
  wait "$game_pid" || fail "$1 ended with status $?"
  game_pid=
  [ "$(wc -l <"$2")" -eq 4 ] || fail "$1: $(wc -l <"$2") marks, not 4"
}

# press KEY: held a quarter of a second; the game reads its key flags once a frame.
press() {
  xdotool keydown "$1"
  sleep 0.25
  xdotool keyup "$1"
}

# mark: a line of figures at the game's next swap.
mark() {
  local lines=0
  [ -e "$out" ] && lines=$(wc -l <"$out")
  kill -USR1 "$game_pid"
  for _ in $(seq 100); do
    [ -e "$out" ] && [ "$(wc -l <"$out")" -gt "$lines" ] && return 0
    sleep 0.05
  done
  fail "no swap within 5 s of a mark"
}

# figures FILE FIRST: the scene between mark lines FIRST and FIRST + 1 as
# "CPU% frames/s long-gaps longest-gap-ms ticks/s".
figures() {
  sed -n "$2p;$(($2 + 1))p" "$1" | awk -v tick="$tick_length_ms" '
    NR == 1 { t = $1; c = $2; s = $3; g = $4; l = $5 }
    NR == 2 { wall = ($1 - t) / 1e9
              printf "%.1f %.1f %d %.1f %.2f\n", 100 * ($2 - c) / 1e9 / wall, ($3 - s) / wall,
                     $5 - l, $6 / 1e6, ($4 - g) / tick / wall }'
}

echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) logical CPUs"
echo "Load average (1, 5, 15 min) at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq "$rounds"); do
  for index in "${!programs[@]}"; do
    out="$work/marks.$index.$round"
    shot=""
    [ "$round" -gt 1 ] || shot="$work/menu.$index.ppm"
    play "${programs[$index]}" "$out" "$shot"
  done
  if [ "$round" -eq 1 ] && [ "${#programs[@]}" -eq 2 ]; then
    cmp -s "$work/menu.0.ppm" "$work/menu.1.ppm" || fail "the two programs' menus differ"
    echo "The two programs' menus are the same, pixel for pixel."
  fi
done
echo "Load average (1, 5, 15 min) at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Median of $rounds rounds of $seconds s per scene (the range in brackets)."
echo
echo "| program | scene | CPU, % of a core | frames/s | gaps > 1.5 timer ticks | longest gap ms | game ticks/s |"
echo "|---|---|---:|---:|---:|---:|---:|"
for index in "${!programs[@]}"; do
  for scene in "menu 1" "10 x 20 game 3"; do
    for round in $(seq "$rounds"); do figures "$work/marks.$index.$round" "${scene##* }"; done >"$work/figures"
    row="| ${programs[$index]} | ${scene% *} |"
    for column in 1 2 3 4 5; do
      row+=$(cut -d' ' -f"$column" "$work/figures" | sort -g | awk '
        { v[NR] = $1 } END { printf " %s (%s to %s) |", v[int((NR + 1) / 2)], v[1], v[NR] }')
    done
    echo "$row"
  done
done
