#!/usr/bin/env bash
# Cross-builds stapelix.exe for 64-bit Windows with MinGW-w64 in a fresh
# temporary directory, warnings as errors, against the real <windows.h>, and
# checks that the result is a 64-bit GUI program.
#
#   build_windows.sh SOURCE_DIR
set -euo pipefail

source_dir=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-windows-XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

command -v x86_64-w64-mingw32-g++ >/dev/null || fail "x86_64-w64-mingw32-g++ is not installed"
cmake -S "$source_dir" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DSTAPELIX_TESTS=OFF -DSTAPELIX_BENCH=OFF -DSTAPELIX_WERROR=ON >"$work/configure.log" 2>&1 ||
  fail "configure: $(tail -n 20 "$work/configure.log")"
cmake --build "$work/build" --target stapelix -j2 >"$work/build.log" 2>&1 || {
  cat "$work/build.log" >&2
  fail "build"
}
exe="$work/build/stapelix.exe"
[ -f "$exe" ] || fail "no stapelix.exe"

# PE header: "MZ", then at the offset stored at 0x3C "PE\0\0", machine 0x8664
# (x86-64), and in the optional header the subsystem 2 (Windows GUI).
[ "$(head -c 2 "$exe")" = "MZ" ] || fail "not an executable"
pe=$(od -An -tu4 -j 60 -N 4 "$exe" | tr -d ' ')
[ "$(od -An -c -j "$pe" -N 4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || fail "no PE signature"
[ "$(od -An -tx2 -j $((pe + 4)) -N 2 "$exe" | tr -d ' ')" = "8664" ] || fail "not x86-64"
[ "$(od -An -tu2 -j $((pe + 24 + 68)) -N 2 "$exe" | tr -d ' ')" = "2" ] || fail "not a GUI program"
echo "stapelix.exe built: $(stat -c %s "$exe") bytes"
