#!/usr/bin/env bash
# Start-up time of the real program: from exec to the return of its first
# buffer swap, under a private Xvfb, over several runs. The program is the
# one the build made, unchanged; bench/startup_probe.cpp, preloaded into it,
# notes the phases on the way and ends the process after that first swap.
# The script notes the time on the realtime clock right before exec (bash's
# EPOCHREALTIME, in the process that then becomes the game).
#
#   bench/startup_bench.sh BUILD_DIR [RUNS]
#
# BUILD_DIR holds stapelix and bench/libstartup_probe.so (a build with
# -DSTAPELIX_BENCH=ON). The game runs in a temporary folder with the block
# texture and the two files a returning player has. Warm runs share one
# cache folder (XDG_CACHE_HOME: Mesa's shader cache, fontconfig's), filled by
# one unmeasured run first, as on every start but the first; cold runs get an
# empty one each, as on the very first start. Prints the median, quartiles
# and extremes of every phase in milliseconds.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: bench/startup_bench.sh BUILD_DIR [RUNS]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
runs=${2:-15}
game=$build/stapelix
probe=$build/bench/libstartup_probe.so
source_dir=$(cd "$(dirname "$0")/.." && pwd)
for file in "$game" "$probe"; do
  [ -e "$file" ] || { echo "startup_bench: $file is missing; build the targets stapelix and startup_probe" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-startup-XXXXXX")
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and writes it to fd 3.
: >"$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "startup_bench: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

# The game's folder: the texture, and the settings and highscores that every
# start after the first one reads.
mkdir -p "$work/run/Images" "$work/home"
cp "$source_dir/Images/Block.bmp" "$work/run/Images/Block.bmp"
printf '[Game]\nField = 10 20\nName = Player\nSpeedlimit = 30\n\n[Video]\nFullscreen = 0\n\n[Window]\nSize = 640 480' \
  >"$work/run/Stapelix.ini"
printf 'Field: 10 20\nName\tScore\n\nPlayer\t1234\nAnna\t800\nBo\t120' >"$work/run/Highscores.txt"
export HOME="$work/home"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME

# run OUTPUT CACHE: one start, its phases into OUTPUT.
run() {
  rm -f "$1"
  (
    cd "$work/run"
    export XDG_CACHE_HOME="$2"
    STAPELIX_STARTUP_PROBE="$1" LD_PRELOAD="$probe" STAPELIX_STARTUP_EXEC=$EPOCHREALTIME exec "$game"
  ) 2>>"$work/game.stderr" || true
  [ -s "$1" ] || { echo "startup_bench: no first swap; the game said: $(tail -n 5 "$work/game.stderr")" >&2; exit 1; }
}

# summary TITLE FILES...: per phase (the files' lines, in order) the median,
# quartiles and extremes over the files, in milliseconds.
summary() {
  local title=$1
  shift
  echo
  echo "$title ($# runs)"
  echo
  echo "| phase | median ms | quartiles ms | min to max ms |"
  echo "|---|---:|---:|---:|"
  local lines phase
  lines=$(wc -l <"$1")
  for phase in $(seq "$lines"); do
    local name
    name=$(sed -n "${phase}p" "$1" | cut -f2)
    local file
    for file in "$@"; do sed -n "${phase}p" "$file"; done | cut -f1 | sort -n | awk -v name="$name" '
      { v[NR] = $1 / 1000 }
      END {
        n = NR
        printf "| %s | %.1f | %.1f to %.1f | %.1f to %.1f |\n", name,
          v[int((n + 1) / 2)], v[int((n + 3) / 4)], v[int((3 * n + 3) / 4)], v[1], v[n]
      }'
  done
}

echo "CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) logical CPUs"
echo "Load average (1, 5, 15 min) at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Program: $game"

run "$work/unmeasured" "$work/warm-cache"
warm=()
cold=()
for i in $(seq "$runs"); do
  # Warm and cold alternate, so that both meet the same load.
  run "$work/warm.$i" "$work/warm-cache"
  warm+=("$work/warm.$i")
  run "$work/cold.$i" "$work/cold-cache.$i"
  cold+=("$work/cold.$i")
done

summary "Warm start: caches filled by an earlier start" "${warm[@]}"
summary "Cold start: empty shader and font caches" "${cold[@]}"
echo
echo "Load average (1, 5, 15 min) at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
