#!/usr/bin/env bash
# The Windows zip: listed, its exe checked, played under wine through the
# shared session in fresh copies of the unzipped folder, two copies at once,
# then at 144 DPI.
source "$(dirname "$0")/../e2e/x_session.sh"
source "$(dirname "$0")/windows_package.sh"
windows_package ZIP 'Stapelix-*-win64.zip'
zip=$package
unzip -l "$zip"
unzip -q "$zip" -d "$work/unzipped"
folder="$work/unzipped/Stapelix"
expect_files "$work/unzipped" Stapelix/{'How to play.txt',Images/Block.bmp,stapelix.exe}
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
unzipped_copy() { cp -R "$folder" "$1"; }
each_run unzipped_copy

foreground_probe=$work/foreground_window.exe
x86_64-w64-mingw32-g++ -Wall -Wextra -Werror -O1 -static -o "$foreground_probe" \
  "$source_dir/tests/windows/foreground_window.cpp" || fail "the foreground probe does not build"
unzipped_copy "$work/two_copies" && unzipped_copy "$work/beside"
two_copies_run "$work/two_copies" "$work/two_copies" "$work/beside"

# Windows ending the session (log-off) saves a changed setting first.
end_session() {
  timeout 120 wineboot --end-session >"$work/end-session.log" 2>&1 || fail "wineboot --end-session: $(cat "$work/end-session.log")"
  poll 100 '! kill -0 "$game_pid" 2>/dev/null' || fail "the session ended, but the game did not"
  wait "$game_pid" || true
  game_pid=
}
unzipped_copy "$work/end-session"
changed_setting_run "$work/end-session" "$work/end-session" end_session

# At 150 % (144 DPI) the window is the setting's size at that scale, the
# picture stretched over it ("New Game", baseline 264, on client row 396);
# the file keeps the size in 96-DPI pixels.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >"$work/reg.log" 2>&1 ||
  fail "LogPixels not set: $(cat "$work/reg.log")"
unzipped_copy "$work/dpi"
as_text "$settings_ini" >"$work/dpi/Stapelix.ini"
start_game "$work/dpi"
shot dpi
[ "$("$probe" "$work/dpi.ppm")" = "960 720" ] || fail "at 144 DPI, 640 x 480 gave $("$probe" "$work/dpi.ppm")"
[ "$(probe_count dpi red 420 390 959 414)" -gt 20 ] || fail "at 144 DPI, no menu line on client row 396"
press F12
end_game "F12 at 144 DPI"
expect_file "$work/dpi/Stapelix.ini" "$settings_ini"
echo "windows zip session passed"
