#!/usr/bin/env bash
# The Windows installer run silently under wine for the current user; the
# game plays the shared session (first run from the Start-menu shortcut); a
# second install and the uninstall keep the player's files.
source "$(dirname "$0")/../e2e/x_session.sh"
source "$(dirname "$0")/windows_package.sh"
windows_package NSIS 'Stapelix-*-win64-setup.exe'
setup=$package
version=${setup##*/Stapelix-}
version=${version%-win64-setup.exe}
# What the installer was made from: the files the zip holds too.
staged=$(find "$work/package/_CPack_Packages" -type d -path '*/NSIS/*/Stapelix')
[ -f "$staged/stapelix.exe" ] || fail "no staged files in $work/package/_CPack_Packages"
echo "$setup: $(stat -c %s "$setup") bytes"
# wine32 is not there to run a 32-bit installer.
x86_64-w64-mingw32-objdump -f "$setup" | grep -q 'file format pei-x86-64' || fail "the installer is no 64-bit program"

start_wine

# windows_path VARIABLE: a folder of wine's user, as Windows names it.
windows_path() { wine cmd /c echo "%$1%" | tr -d '\r'; }
local_appdata=$(windows_path LOCALAPPDATA)
install_path="$local_appdata\\Programs\\Stapelix"
install_dir=$(winepath -u "$install_path")
shortcut=$(winepath -u "$(windows_path APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Stapelix.lnk")
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Stapelix'
[[ "$local_appdata" == *\\AppData\\Local ]] || fail "wine's LOCALAPPDATA is $local_appdata"

install_game() {
  timeout 300 wine "$setup" /S >"$work/setup.log" 2>&1 ||
    fail "the silent install ended with status $?: $(cat "$work/setup.log")"
}

# expect_same DIR WHAT FILE...: the installed FILEs are those in DIR.
expect_same() {
  local file
  for file in "${@:3}"; do cmp -s "$install_dir/$file" "$1/$file" || fail "$2 $file"; done
}

shipped=(stapelix.exe 'How to play.txt' Images/Block.bmp)
install_game
expect_files "$install_dir" "${shipped[@]}" Uninstall.exe
expect_same "$staged" "not as shipped:" "${shipped[@]}"
check_exe "$install_dir/stapelix.exe" "$version"
[ -f "$shortcut" ] || fail "no shortcut in the Start menu"

# The entry in "Apps & features", for the current user.
entry=$(wine reg query "$uninstall_key" | tr -d '\r') || fail "no uninstall entry under $uninstall_key"
echo "$entry"
for value in "DisplayName    REG_SZ    Stapelix" "DisplayVersion    REG_SZ    $version" \
  "Publisher    REG_SZ    Norvane" "InstallLocation    REG_SZ    $install_path" \
  "UninstallString    REG_SZ    \"$install_path\\Uninstall.exe\"" \
  "QuietUninstallString    REG_SZ    \"$install_path\\Uninstall.exe\" /S"; do
  grep -qxF "    $value" <<<"$entry" || fail "the uninstall entry lacks: $value"
done

platform=windows
start_files=$(ls -A "$install_dir")
# The small-window run needs a folder without Highscores.txt. The shortcut,
# opened in another folder, starts a game that uses the install folder.
launch=(wine stapelix.exe)
small_window_run "$install_dir" "$install_dir"
rm -r "$install_dir/Stapelix.ini" "$install_dir/Highscores.txt"
mkdir "$work/elsewhere"
# start.exe returns at once, so wait for the prefix's last process; the
# game's exit status is not seen here, the other runs check it.
launch=(bash -c 'wine start /unix "$1" && exec wineserver -w' open_shortcut "$shortcut")
first_run "$work/elsewhere" "$install_dir"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the game wrote into the folder the shortcut was opened from"
launch=(wine stapelix.exe)
second_run "$install_dir" "$install_dir"

# The window shows the program's icon.
start_game "$install_dir"
check_window_icon
press F12
end_game F12

# A second install brings the program back, the player's files and texture kept.
printf '\x10' | dd of="$install_dir/Images/Block.bmp" bs=1 seek=100 conv=notrunc status=none
player_files=(Stapelix.ini Highscores.txt Images/Block.bmp)
mkdir "$work/kept"
(cd "$install_dir" && cp --parents "${player_files[@]}" "$work/kept")
rm "$install_dir/stapelix.exe" "$install_dir/How to play.txt"
install_game
expect_files "$install_dir" "${shipped[@]}" Uninstall.exe Stapelix.ini Highscores.txt
expect_same "$staged" "not as shipped:" stapelix.exe 'How to play.txt'
expect_same "$work/kept" "the second install changed" "${player_files[@]}"

# The uninstaller returns at once, run from a copy: wait for the prefix.
wine "$install_dir/Uninstall.exe" /S >"$work/uninstall.log" 2>&1 ||
  fail "the silent uninstall ended with status $?: $(cat "$work/uninstall.log")"
timeout 120 wineserver -w || fail "the uninstaller did not end"
expect_files "$install_dir" "${player_files[@]}"
expect_same "$work/kept" "the uninstaller changed" "${player_files[@]}"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
echo "windows installer session passed"
