#!/usr/bin/env bash
# The Debian package unpacked with dpkg -x (an install leaves traces): files, menu entry,
# metainfo, icons, dependencies, lintian, manual page; then played as the menu starts it.
source "$(dirname "$0")/x_session.sh"
make_package DEB "stapelix_*_$(dpkg --print-architecture).deb"
deb=$package
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

root="$work/root"
dpkg -x "$deb" "$root"
app=org.norvane.stapelix
program=usr/lib/games/stapelix/stapelix
shared=usr/share/games/stapelix/Block.bmp
icon_sizes=(16 24 32 48 64 128 256)
manual=usr/share/man/man6/stapelix.6.gz
for size in "${icon_sizes[@]}"; do icons+=("usr/share/icons/hicolor/${size}x$size/apps/$app.png"); done
expect_files "$root" usr/games/stapelix "$program" "$shared" usr/share/applications/$app.desktop \
  usr/share/metainfo/$app.metainfo.xml usr/share/doc/stapelix/{how-to-play.txt,copyright,changelog.gz} "$manual" "${icons[@]}"
[ -x "$root/usr/games/stapelix" ] && [ -x "$root/$program" ] || fail "the programs are not executable"
cmp -s "$root/$shared" "$source_dir/Images/Block.bmp" || fail "Block.bmp differs"

desktop="$root/usr/share/applications/$app.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --strict "$root/usr/share/metainfo/$app.metainfo.xml" || fail "appstreamcli validate"
grep -qx "Icon=$app" "$desktop" || fail "the menu entry names another icon"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$root$exec_line" ] || fail "the menu entry starts '$exec_line', which the package does not hold"

# Nothing for lintian to flag, not even a warning (status 1: an error tag).
mkdir "$work/tmp"
TMPDIR="$work/tmp" lintian "$deb" >"$work/lintian.log" 2>&1 || [ $? -eq 1 ] ||
  fail "lintian could not check the package: $(cat "$work/lintian.log")"
cat "$work/lintian.log"
! grep -q '^[EW]: ' "$work/lintian.log" || fail "lintian: $(grep '^[EW]: ' "$work/lintian.log")"
# The manual page renders cleanly and names the files; the changelog is this version's.
man --warnings -E UTF-8 -l -Tutf8 -Z "$root/$manual" 2>"$work/man.log" >/dev/null && [ ! -s "$work/man.log" ] ||
  fail "man: $(cat "$work/man.log")"
page=$(MANWIDTH=80 man -P cat -l "$root/$manual")
for text in 'stapelix - falling-block puzzle game' Stapelix.ini Highscores.txt Images/Block.bmp XDG_DATA_HOME; do
  grep -qF -- "$text" <<<"$page" || fail "the manual page does not show '$text'"
done
zcat "$root/usr/share/doc/stapelix/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$(dpkg-deb --field "$deb" Version)" ] ||
  fail "the changelog's latest entry is not this version's"

# Each linked library's package is a dependency, and apt could install it all.
depends=$(dpkg-deb --field "$deb" Depends | tr ',|' '\n\n' | awk '{ print $1 }')
for library in $(objdump -p "$root/$program" | awk '$1 == "NEEDED" { print $2 }'); do
  # Both read to the end: a reader that stops early fails the pipe.
  path=$(ldconfig -p | awk -v name="$library" '$1 == name && /x86-64/ && path == "" { path = $NF } END { print path }')
  owner=$(dpkg -S "$path" "/usr$path" 2>/dev/null | awk -F: 'NR == 1 { print $1 }') || true
  [ -n "$owner" ] && grep -qx "$owner" <<<"$depends" || fail "$library (package '$owner') is not a dependency"
done
apt-get install --simulate -o Debug::NoLocking=1 -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= "$deb" \
  >"$work/apt.log" 2>&1 && grep -q '^Inst stapelix ' "$work/apt.log" || fail "apt cannot install it: $(cat "$work/apt.log")"

source "$e2e_dir/icon_cells.sh"
for size in "${icon_sizes[@]}"; do
  icon="$root/usr/share/icons/hicolor/${size}x$size/apps/$app.png"
  [ "$(identify -format '%m %w %h' "$icon")" = "PNG $size $size" ] || fail "$icon is no $size x $size PNG"
  expect_icon "$icon"
done

# Without XDG_DATA_HOME the data folder is made in HOME, the texture copied in.
data="$HOME/.local/share/stapelix"
launch=("$root$exec_line")
start_xvfb
first_run "$HOME" "$data"
cmp -s "$data/Images/Block.bmp" "$root/$shared" || fail "the texture was not copied"
# The player's own texture, one byte changed, stays.
printf '\x10' | dd of="$data/Images/Block.bmp" bs=1 seek=100 conv=notrunc status=none
cp "$data/Images/Block.bmp" "$work/own.bmp"
second_run "$HOME" "$data"
cmp -s "$data/Images/Block.bmp" "$work/own.bmp" || fail "the player's texture was replaced"

# With XDG_DATA_HOME set (and no display), the data folder is made there;
# the game then fails to start (status 1).
status=0
env -u DISPLAY XDG_DATA_HOME="$work/xdg" "${launch[@]}" 2>"$work/xdg.stderr" || status=$?
[ "$status" -eq 1 ] || fail "with no display: status $status, $(cat "$work/xdg.stderr")"
[ "$(cd "$work/xdg" && find . | sort | tr '\n' ' ')" = ". ./stapelix ./stapelix/Images ./stapelix/Images/Block.bmp " ] ||
  fail "with XDG_DATA_HOME set the launcher made: $(find "$work/xdg" 2>&1)"
echo "debian package passed"
