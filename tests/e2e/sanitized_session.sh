#!/usr/bin/env bash
# The game built with ASan, LSan and UBSan plays every mode; an invalid access,
# undefined behaviour or a leak of the game's own (not D-Bus's, GL's) fails it.
source "$(dirname "$0")/x_session.sh"
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
build_game "$work/build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags"
launch=("$work/build/stapelix")
# Leaks are judged below from the report, not by the status.
export ASAN_OPTIONS="detect_leaks=1:malloc_context_size=40"
export LSAN_OPTIONS="suppressions=$e2e_dir/foreign_leaks.supp:print_suppressions=0:exitcode=0"
export UBSAN_OPTIONS="print_stacktrace=1"

# A sanitized frame can be slow: keys held longer, minutes to start and end.
key_hold=0.5
window_polls=900
game_folder "$work/run"
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
# A leak's own when its frame #1 is known (the unloaded GL driver's is not).
own_leaks=$(awk '/^(Direct|Indirect) leak of/ { block = 1; next }
  block && /^ *#1 / { if ($0 !~ /<unknown module>/) n++; block = 0 }
  END { print n + 0 }' "$work/run.stderr")
[ "$own_leaks" -eq 0 ] || { cat "$work/run.stderr" >&2; fail "$own_leaks leaks of the game's own"; }
# Steered to a 9 x 21 field (left side at x 232) and the name "a!cd".
[ "$(probe_count last white 230 200 234 280)" -gt 60 ] || fail "the game view is not on screen"
grep -qx 'Field = 9 21' "$work/run/Stapelix.ini" && grep -qx 'Name = a!cd' "$work/run/Stapelix.ini" ||
  fail "Stapelix.ini: $(cat "$work/run/Stapelix.ini")"
echo "sanitized session passed"
