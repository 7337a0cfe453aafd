#!/usr/bin/env bash
# Builds the fuzzers with clang in BUILD_DIR, writes their starting inputs and runs
# each for FUZZ_SECONDS in a fresh temp directory; fails on any finding.
#   fuzz/run_smoke.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/fuzz}
seconds=${FUZZ_SECONDS:-30}

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-fuzz-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/make_fuzz_seeds" "$work/seeds"

status=0
for target in inflate png bmp; do
  mkdir -p "$work/corpus-$target"
  log="$work/$target.log"
  if "$build/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix="$work/$target-" -print_final_stats=1 \
      "$work/corpus-$target" "$work/seeds/$target" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    echo "fuzz_$target: no finding in ${seconds}s (${runs:-?} runs)"
  else
    echo "fuzz_$target: FINDING"
    tail -n 60 "$log"
    for crash in "$work/$target-"*; do
      [ -e "$crash" ] && echo "input: $(od -An -tx1 "$crash" | head -c 2000)"
    done
    status=1
  fi
done
exit $status
