#!/usr/bin/env bash
# The Windows zip as a player gets it: stapelix.exe cross-built with
# MinGW-w64 against the real <windows.h>, warnings as errors, checked to be a
# 64-bit GUI program once packed by cpack; listed; unzipped into a temporary
# folder and played under wine (a prefix of its own) on a private Xvfb
# display through the shared session, each run in a fresh copy of the
# unzipped Stapelix folder, the working directory a double click gives.
#
#   zip_session.sh SOURCE_DIR SCREEN_PROBE CLOSE_WINDOW
set -euo pipefail

source_dir=$(realpath "$1")
probe=$(realpath "$2")
closer=$(realpath "$3")

work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-windows-XXXXXX")
e2e_dir=$source_dir/tests/e2e
source "$e2e_dir/x_session.sh"

command -v x86_64-w64-mingw32-g++ >/dev/null || fail "x86_64-w64-mingw32-g++ is not installed"
command -v wine >/dev/null || fail "wine is not installed"
build_game "$work/build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
(cd "$work/build" && cpack -G ZIP -B "$work/package") >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(tail -n 20 "$work/cpack.log")"
zip=$(find "$work/package" -maxdepth 1 -name 'Stapelix-*-win64.zip')
[ -f "$zip" ] || fail "cpack made no Stapelix-<version>-win64.zip: $(ls "$work/package")"
unzip -l "$zip"
unzip -q "$zip" -d "$work/unzipped"
folder="$work/unzipped/Stapelix"
[ "$(cd "$work/unzipped" && find . -type f | sort)" = \
  "$(printf './Stapelix/%s\n' 'How to play.txt' Images/Block.bmp stapelix.exe)" ] || fail "the zip holds other files"
exe="$folder/stapelix.exe"

# PE header: "MZ", then at the offset stored at 0x3C "PE\0\0", machine 0x8664
# (x86-64), and in the optional header the subsystem 2 (Windows GUI).
[ "$(head -c 2 "$exe")" = "MZ" ] || fail "not an executable"
pe=$(od -An -tu4 -j 60 -N 4 "$exe" | tr -d ' ')
[ "$(od -An -c -j "$pe" -N 4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || fail "no PE signature"
[ "$(od -An -tx2 -j $((pe + 4)) -N 2 "$exe" | tr -d ' ')" = "8664" ] || fail "not x86-64"
[ "$(od -An -tu2 -j $((pe + 24 + 68)) -N 2 "$exe" | tr -d ' ')" = "2" ] || fail "not a GUI program"
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }' | tr '\n' ' ')
echo "stapelix.exe as shipped: $(stat -c %s "$exe") bytes, imports $imports"
# The C and C++ runtimes are linked in: only system DLLs are imported.
! grep -qi 'lib[a-z0-9_+-]*\.dll' <<<"$imports" || fail "stapelix.exe needs MinGW DLLs: $imports"

cmp -s "$folder/Images/Block.bmp" "$source_dir/Images/Block.bmp" || fail "the zip's Block.bmp differs"
# Notepad shows the text only with CR LF line ends.
[ "$(grep -c $'\r$' "$folder/How to play.txt")" -eq "$(wc -l <"$folder/How to play.txt")" ] ||
  fail "'How to play.txt' has lines without CR LF"

export WINEPREFIX="$work/wine" WINEDEBUG=-all
# No Mono or Gecko installers in the new prefix (the game needs neither), no
# menu entries for the programs in it.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
start_xvfb
# The first start in a new prefix sets it up, which takes a while.
timeout 600 wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot: $(tail -n 20 "$work/wineboot.log")"
platform=windows
start_files=$(ls -A "$folder")
launch=(wine stapelix.exe)
window_polls=600  # wine is slow to start a program, the first time above all
source "$e2e_dir/shared_session.sh"
for run in first second small; do cp -R "$folder" "$work/$run"; done
first_run "$work/first" "$work/first"
second_run "$work/second" "$work/second"
small_window_run "$work/small" "$work/small"

echo "windows zip session passed"
