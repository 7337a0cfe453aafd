#!/usr/bin/env bash
# Builds the game with AddressSanitizer, LeakSanitizer and UndefinedBehavior-
# Sanitizer in a fresh temporary directory, plays a scripted session through
# every mode on a private Xvfb display, and fails on any invalid access,
# undefined behaviour or leak of the game's own. Leaks that belong to system
# libraries (D-Bus, the GL driver) are theirs and are not counted.
#
#   sanitized_session.sh SOURCE_DIR SCREEN_PROBE CLOSE_WINDOW
source "$(dirname "$0")/x_session.sh"
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
build_game "$work/build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags"
launch=("$work/build/stapelix")
export ASAN_OPTIONS="detect_leaks=1:malloc_context_size=40"
# Leaks are judged below from the report, so they do not change the status.
export LSAN_OPTIONS="suppressions=$e2e_dir/foreign_leaks.supp:print_suppressions=0:exitcode=0"
export UBSAN_OPTIONS="print_stacktrace=1"

# A sanitized debug build on a loaded machine can take far longer than
# 0.1 s for a frame, and a key pressed and released between two frames is
# never seen: keys stay down longer (the display repeats none), and start-up
# and the leak check at exit get minutes.
key_hold=0.5
window_polls=900
mkdir -p "$work/run/Images"
cp "$source_dir/Images/Block.bmp" "$work/run/Images/"
start_xvfb
start_game "$work/run"
# Menu: cursor down and up, the settings submenu with size changes both ways
# and at a limit, back to the menu. A new game on the changed size: typing
# with Shift and Backspace, then play with every game key, pause, name
# editing, the menu and resume.
press Down Down Up Return Left Left Right Down Left Right Right Escape
press Up Return a Shift_L+1 b BackSpace c Return
press Left Up Right Control_L Down Down space p p F1 d Return Escape Return Left Right space
shot last
press F12
# A sanitizer that finds a fault ends the game with status 1 (no recovery).
end_game F12 1500
# A leak is the game's own when the code that allocated it (frame #1) is
# known: the game's code is in the executable, which is never unloaded. A
# frame in "<unknown module>" lies in a library that was unloaded before the
# leak check ran (the GL driver goes when SDL shuts down).
own_leaks=$(awk '/^(Direct|Indirect) leak of/ { block = 1; next }
  block && /^ *#1 / { if ($0 !~ /<unknown module>/) n++; block = 0 }
  END { print n + 0 }' "$work/run.stderr")
[ "$own_leaks" -eq 0 ] || { cat "$work/run.stderr" >&2; fail "$own_leaks leaks of the game's own"; }
# The session went where it was steered: a 9 x 21 field on screen (its left
# side at x 232), and the name typed with Shift, Backspace and after F1.
[ "$(probe_count last white 230 200 234 280)" -gt 60 ] || fail "the game view is not on screen"
grep -qx 'Field = 9 21' "$work/run/Stapelix.ini" && grep -qx 'Name = a!cd' "$work/run/Stapelix.ini" ||
  fail "Stapelix.ini: $(cat "$work/run/Stapelix.ini")"
echo "sanitized session passed"
