#!/usr/bin/env bash
# The Windows installer as a player gets it: cross-built, made by cpack's NSIS
# generator, run silently under wine (own prefix) for the current user. The
# installed game plays the shared session in its folder, the first run
# started from the Start-menu shortcut; a second install over the played
# folder keeps the player's files; the silent uninstall removes the program
# and keeps them.
#   installer_session.sh SOURCE_DIR SCREEN_PROBE CLOSE_WINDOW
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
  local status=0
  timeout 300 wine "$setup" /S >"$work/setup.log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || fail "the silent install ended with status $status: $(cat "$work/setup.log")"
}

# expect_folder FILE...: the install folder holds exactly these files.
expect_folder() {
  [ "$(cd "$install_dir" && find . -type f -printf '%P\n' | sort)" = "$(printf '%s\n' "$@" | sort)" ] ||
    fail "the install folder holds: $(cd "$install_dir" && find . -type f -printf '%P\n')"
}

# expect_shipped FILE...: these installed files are the staged ones.
expect_shipped() {
  local file
  for file in "$@"; do cmp -s "$install_dir/$file" "$staged/$file" || fail "the installed $file differs"; done
}

shipped=(stapelix.exe 'How to play.txt' Images/Block.bmp)
install_game
expect_folder "${shipped[@]}" Uninstall.exe
expect_shipped "${shipped[@]}"
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
# The session's third part first: it needs a folder without "Highscores.txt".
# What it leaves (a folder by that name) goes before the first run, which
# starts the game from the shortcut, from another folder: the game must
# find its files and write its own in the install folder all the same.
launch=(wine stapelix.exe)
small_window_run "$install_dir" "$install_dir"
rm -r "$install_dir/Stapelix.ini" "$install_dir/Highscores.txt"
mkdir "$work/elsewhere"
# start.exe opens the shortcut as Explorer does and returns without waiting
# for the game (/wait does not wait for what a shortcut starts), so the
# launch lasts until the prefix's last process has ended; the game's exit
# status is not seen here, the other runs check it.
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

# A second install over the played folder: the program comes back, the
# player's files and changed texture stay as they are.
printf '\x10' | dd of="$install_dir/Images/Block.bmp" bs=1 seek=100 conv=notrunc status=none
mkdir "$work/kept"
cp "$install_dir/Stapelix.ini" "$install_dir/Highscores.txt" "$install_dir/Images/Block.bmp" "$work/kept"
rm "$install_dir/stapelix.exe" "$install_dir/How to play.txt"
install_game
expect_folder "${shipped[@]}" Uninstall.exe Stapelix.ini Highscores.txt
expect_shipped stapelix.exe 'How to play.txt'
for file in Stapelix.ini Highscores.txt Images/Block.bmp; do
  cmp -s "$install_dir/$file" "$work/kept/${file#Images/}" || fail "the second install changed $file"
done

# The silent uninstall copies itself elsewhere and returns at once: wait
# for every process of the prefix to end.
status=0
wine "$install_dir/Uninstall.exe" /S >"$work/uninstall.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the silent uninstall ended with status $status: $(cat "$work/uninstall.log")"
timeout 120 wineserver -w || fail "the uninstaller did not end"
expect_folder Stapelix.ini Highscores.txt Images/Block.bmp
for file in Stapelix.ini Highscores.txt Images/Block.bmp; do
  cmp -s "$install_dir/$file" "$work/kept/${file#Images/}" || fail "the uninstaller changed $file"
done
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
echo "windows installer session passed"
