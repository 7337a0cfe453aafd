#!/usr/bin/env bash
# The game built with ASan, LSan and UBSan plays every mode on a private Xvfb;
# any invalid access, undefined behaviour or leak of the game's own fails it
# (leaks of system libraries, D-Bus or the GL driver, are not counted).
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

# A sanitized debug frame on a loaded machine can take far longer than 0.1 s:
# keys stay down longer, start-up and the leak check at exit get minutes.
key_hold=0.5
window_polls=900
mkdir -p "$work/run/Images"
cp "$source_dir/Images/Block.bmp" "$work/run/Images/"
start_xvfb
start_game "$work/run"
# Menu, settings (sizes both ways and at a limit), a new game on that size:
# typing with Shift and Backspace, every game key, pause, F1, menu, resume.
press Down Down Up Return Left Left Right Down Left Right Right Escape
press Up Return a Shift_L+1 b BackSpace c Return
press Left Up Right Control_L Down Down space p p F1 d Return Escape Return Left Right space
shot last
press F12
# A sanitizer that finds a fault ends the game with status 1 (no recovery).
end_game F12 1500
# A leak is the game's own when its allocating frame #1 is known: the GL
# driver, unloaded when SDL shuts down, shows as "<unknown module>".
own_leaks=$(awk '/^(Direct|Indirect) leak of/ { block = 1; next }
  block && /^ *#1 / { if ($0 !~ /<unknown module>/) n++; block = 0 }
  END { print n + 0 }' "$work/run.stderr")
[ "$own_leaks" -eq 0 ] || { cat "$work/run.stderr" >&2; fail "$own_leaks leaks of the game's own"; }
# Steered to a 9 x 21 field (left side at x 232) and the name "a!cd".
[ "$(probe_count last white 230 200 234 280)" -gt 60 ] || fail "the game view is not on screen"
grep -qx 'Field = 9 21' "$work/run/Stapelix.ini" && grep -qx 'Name = a!cd' "$work/run/Stapelix.ini" ||
  fail "Stapelix.ini: $(cat "$work/run/Stapelix.ini")"
echo "sanitized session passed"
