#!/usr/bin/env bash
# The Windows zip as a player gets it: cross-built, packed by cpack, listed,
# a 64-bit GUI exe with its runtimes linked in and its resources, played
# under wine (own prefix) through the shared session in fresh copies of the
# unzipped folder.
#   zip_session.sh SOURCE_DIR SCREEN_PROBE CLOSE_WINDOW
source "$(dirname "$0")/../e2e/x_session.sh"
source "$(dirname "$0")/windows_package.sh"
windows_package ZIP 'Stapelix-*-win64.zip'
zip=$package
unzip -l "$zip"
unzip -q "$zip" -d "$work/unzipped"
folder="$work/unzipped/Stapelix"
[ "$(cd "$work/unzipped" && find . -type f | sort)" = \
  "$(printf './Stapelix/%s\n' 'How to play.txt' Images/Block.bmp stapelix.exe)" ] || fail "the zip holds other files"
cmp -s "$folder/Images/Block.bmp" "$source_dir/Images/Block.bmp" || fail "the zip's Block.bmp differs"
# Notepad shows the text only with CR LF line ends.
[ "$(grep -c $'\r$' "$folder/How to play.txt")" -eq "$(wc -l <"$folder/How to play.txt")" ] ||
  fail "'How to play.txt' has lines without CR LF"

version=${zip##*/Stapelix-}
check_exe "$folder/stapelix.exe" "${version%-win64.zip}"

start_wine
platform=windows
start_files=$(ls -A "$folder")
launch=(wine stapelix.exe)
for run in first second small over read-only refused end-session; do cp -R "$folder" "$work/$run"; done
first_run "$work/first" "$work/first"
second_run "$work/second" "$work/second"
small_window_run "$work/small" "$work/small"
game_over_run "$work/over" "$work/over"
read_only_run "$work/read-only" "$work/read-only"
refused_texture_run "$work/refused" "$work/refused"

# Windows ending the session (log-off, shut-down) saves a changed setting
# before the process is ended.
dir=$work/end-session
as_text "$settings_ini" >"$dir/Stapelix.ini"
start_game "$dir"
press Down Return Right
timeout 120 wineboot --end-session >"$work/end-session.log" 2>&1 || fail "wineboot --end-session: $(cat "$work/end-session.log")"
for i in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.2; done
! kill -0 "$game_pid" 2>/dev/null || fail "the session ended, but the game did not"
wait "$game_pid" || true
game_pid=
expect_file "$dir/Stapelix.ini" "${settings_ini/Field = 10 20/Field = 11 20}"
echo "windows zip session passed"
