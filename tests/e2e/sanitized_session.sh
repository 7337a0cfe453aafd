#!/usr/bin/env bash
# Builds the game with AddressSanitizer, LeakSanitizer and UndefinedBehavior-
# Sanitizer in a fresh temporary directory, plays a scripted session through
# every mode on a private Xvfb display, and fails on any invalid access,
# undefined behaviour or leak of the game's own. Leaks that belong to system
# libraries (D-Bus, the GL driver) are theirs and are not counted.
#
#   sanitized_session.sh SOURCE_DIR SCREEN_PROBE BLOCK_BMP
set -euo pipefail

source_dir=$(realpath "$1")
probe=$(realpath "$2")
texture=$(realpath "$3")

work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-asan-XXXXXX")
script_dir=$(cd "$(dirname "$0")" && pwd)
source "$script_dir/x_session.sh"

flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
build_game "$work/build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags"
game="$work/build/stapelix"
[ -x "$game" ] || fail "no sanitized game at $game"
launch=("$game")

export ASAN_OPTIONS="detect_leaks=1:malloc_context_size=40"
# Leaks are judged below from the report, so they do not change the status.
export LSAN_OPTIONS="suppressions=$script_dir/foreign_leaks.supp:print_suppressions=0:exitcode=0"
export UBSAN_OPTIONS="print_stacktrace=1"

run="$work/run"
mkdir -p "$run/Images"
cp "$texture" "$run/Images/Block.bmp"
start_xvfb
start_game "$run"
find_window 300

# Menu: cursor down and up, the settings submenu with size changes both ways
# and at a limit, back to the menu.
press Down Down Up Return
press Left Left Right Down Left Right Right Escape
# A new game on the changed size: typing with Shift and Backspace, then play
# with every game key, pause, name editing, the menu and resume.
press Up Return
press a Shift_L+1 b BackSpace c Return
press Left Up Right Control_L Down Down space
sleep 1
press p p F1 d Return Escape Return
press Left Right space
sleep 1
shot last
press F12
wait_game 600

if grep -q "ERROR: AddressSanitizer\|runtime error" "$run.stderr"; then
  cat "$run.stderr" >&2
  fail "the sanitizers reported faults"
fi
# A leak is the game's own when the code that allocated it (frame #1) is
# known: the game's code is in the executable, which is never unloaded. A
# frame in "<unknown module>" lies in a library that was unloaded before the
# leak check ran (the GL driver goes when SDL shuts down).
own_leaks=$(awk '/^(Direct|Indirect) leak of/ { block = 1; next }
  block && /^ *#1 / { if ($0 !~ /<unknown module>/) n++; block = 0 }
  END { print n + 0 }' "$run.stderr")
if [ "$own_leaks" -ne 0 ]; then
  cat "$run.stderr" >&2
  fail "$own_leaks leaks of the game's own"
fi
[ "$game_status" -eq 0 ] || { cat "$run.stderr" >&2; fail "exit status $game_status"; }
# The session went where it was steered: a 9 x 21 field on screen (its left
# side at x 232), and the name typed with Shift, Backspace and after F1.
[ "$(probe_count last white 230 200 234 280)" -gt 60 ] || fail "the game view is not on screen"
grep -qx 'Field = 9 21' "$run/Stapelix.ini" && grep -qx 'Name = a!cd' "$run/Stapelix.ini" ||
  fail "Stapelix.ini: $(cat "$run/Stapelix.ini")"
echo "sanitized session passed"
