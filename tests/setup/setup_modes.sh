#!/usr/bin/env bash
# scripts/setup.sh in every mode, in a temporary copy with stand-ins first on
# PATH: apt-get, cmake, cpack and ctest note their calls and the Nth call
# fails with status N (1 among them, as most tools return); every package
# reads as missing; sudo runs its command; build/play
# holds a stand-in game that notes where it started. A failing
# step must end the mode with that step's status, one line on standard error
# naming it, and no step after it.
#   tests/setup/setup_modes.sh SOURCE_DIR
set -euo pipefail
source_dir=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/stapelix-setup-XXXXXX")
trap 'rm -rf "$work"' EXIT

stubs=$work/stubs
mkdir -p "$stubs"
cat >"$stubs/noted" <<'STUB'
#!/usr/bin/env bash
echo "$(basename "$0") $*" >>"$STUB_LOG"
calls=$(wc -l <"$STUB_LOG")
if [ "$calls" -eq "$STUB_FAIL_AT" ]; then exit "$calls"; fi
# cmake -S . -B DIR makes DIR, as the real one does.
if [ "$(basename "$0")" = cmake ] && [ "${3:-}" = -B ]; then mkdir -p "$4"; fi
STUB
for name in apt-get cmake cpack ctest; do
  ln -s noted "$stubs/$name"
done
printf '#!/bin/sh\nexit 1\n' >"$stubs/dpkg-query"  # not installed
printf '#!/bin/sh\necho 1000\n' >"$stubs/id"        # not root: apt-get goes through sudo
printf '#!/bin/sh\nexec "$@"\n' >"$stubs/sudo"
chmod +x "$stubs"/*

# The steps of each mode in order, each named as the script must name it:
# every noted call starts with its step's name.
install=("apt-get update" "apt-get install")
play=("${install[@]}" "cmake -S . -B build/play" "cmake --build build/play")
zip=("${install[@]}" "cmake -S . -B build/zip" "cmake --build build/zip" "cpack -G ZIP")
installer=("${install[@]}" "cmake -S . -B build/installer" "cmake --build build/installer" "cpack -G NSIS")
deb=("${install[@]}" "cmake -S . -B build/deb" "cmake --build build/deb" "cpack -G DEB")
test=("${install[@]}" "cmake -S . -B build/test" "cmake --build build/test" "ctest --test-dir build/test"
  "cmake -S . -B build/clang" "cmake --build build/clang" "ctest --test-dir build/clang")

failures=0
fail() {
  echo "FAIL $case_name: $1" >&2
  echo "  expected: $2" >&2
  echo "  actual:   $3" >&2
  failures=$((failures + 1))
}

# run_case NAME MODE FAIL_AT [what the checkout lacks: game, texture, display]:
# runs the mode in a copy of the script; sets status, err (standard error)
# and calls (the noted calls, one a line).
run_case() {
  case_name=$1
  local mode=$2 fail_at=$3 lacks=${4:-} dir=$work/$1
  mkdir -p "$dir/repo/scripts" "$dir/repo/Images" "$dir/repo/build/play"
  cp "$source_dir/scripts/setup.sh" "$dir/repo/scripts/"
  [ "$lacks" = texture ] || echo texture >"$dir/repo/Images/Block.bmp"
  if [ "$lacks" != game ]; then
    printf '#!/bin/sh\necho "stapelix in $(basename "$PWD")" >>"$STUB_LOG"\n' >"$dir/repo/build/play/stapelix"
    chmod +x "$dir/repo/build/play/stapelix"
  fi
  local display=:0
  [ "$lacks" != display ] || display=
  : >"$dir/log"
  status=0
  env -u WAYLAND_DISPLAY DISPLAY="$display" PATH="$stubs:$PATH" STUB_LOG="$dir/log" STUB_FAIL_AT="$fail_at" \
    bash "$dir/repo/scripts/setup.sh" "$mode" >"$dir/out" 2>"$dir/err" </dev/null || status=$?
  err=$(cat "$dir/err")
  calls=$(cat "$dir/log")
}

# expect_calls STEP...: the noted calls are exactly these steps, in order.
expect_calls() {
  local expected="" line i=0
  local -a noted=()
  [ -z "$calls" ] || mapfile -t noted <<<"$calls"
  for line in "$@"; do expected+="${expected:+ | }$line"; done
  local actual=""
  for line in "${noted[@]}"; do actual+="${actual:+ | }$line"; done
  local same=$(($# == ${#noted[@]}))
  for line in "$@"; do
    [[ "${noted[$i]:-}" == "$line"* ]] || same=0
    i=$((i + 1))
  done
  [ "$same" = 1 ] || fail "the calls made" "$expected" "$actual"
}

expect_status() {
  [ "$status" = "$1" ] || fail "exit status" "$1" "$status"
}

# expect_one_line TEXT: standard error is one line, and it holds TEXT.
expect_one_line() {
  if [ "$(printf '%s\n' "$err" | wc -l)" != 1 ] || [ -z "$err" ] || [[ "$err" != *"$1"* ]]; then
    fail "standard error" "one line naming '$1'" "$err"
  fi
}

for mode in play zip installer deb test; do
  declare -n steps=$mode
  # A failure at each step in turn.
  for ((k = 1; k <= ${#steps[@]}; k++)); do
    run_case "$mode-fails-at-$k" "$mode" "$k"
    expect_status "$k"
    expect_one_line "${steps[$((k - 1))]}"
    expect_calls "${steps[@]:0:$k}"
  done
  # Every step succeeds: all of them run, and nothing after.
  run_case "$mode-succeeds" "$mode" 0
  expect_status 0
  [ -z "$err" ] || fail "standard error" "nothing" "$err"
  if [ "$mode" = play ]; then
    expect_calls "${steps[@]}" "stapelix in run"
  else
    expect_calls "${steps[@]}"
  fi
  unset -n steps
done

# What play checks after the build, each stopping before the game starts.
for row in "game:build/play/stapelix" "texture:Images/Block.bmp" "display:No display"; do
  run_case "play-without-${row%%:*}" play 0 "${row%%:*}"
  expect_status 1
  expect_one_line "${row#*:}"
  expect_calls "${play[@]}"
done

# A texture the player put in run/ is kept.
run_case play-keeps-the-players-texture play 0
echo mine >"$work/play-keeps-the-players-texture/repo/run/Images/Block.bmp"
run_case play-keeps-the-players-texture play 0
kept=$(cat "$work/play-keeps-the-players-texture/repo/run/Images/Block.bmp")
[ "$kept" = mine ] || fail "run/Images/Block.bmp after a second start" "mine" "$kept"

if [ "$failures" -ne 0 ]; then
  echo "$failures checks failed" >&2
  exit 1
fi
echo "every mode stops at its failing step"
