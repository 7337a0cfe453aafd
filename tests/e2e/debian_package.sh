#!/usr/bin/env bash
# The Debian package: built by cpack, listed, unpacked with dpkg -x into a
# temporary root (an install leaves traces), its layout, menu entry, metainfo,
# icons and dependencies checked, lintian run on it and its manual page
# rendered; played as the menu entry starts it.
#   debian_package.sh SOURCE_DIR SCREEN_PROBE CLOSE_WINDOW
source "$(dirname "$0")/x_session.sh"
build_game "$work/build" -DCMAKE_BUILD_TYPE=Release
(cd "$work/build" && cpack -G DEB -B "$work/package") >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(tail -n 20 "$work/cpack.log")"
deb=$(find "$work/package" -maxdepth 1 -name "stapelix_*_$(dpkg --print-architecture).deb")
[ -f "$deb" ] || fail "cpack made no stapelix_<version>_<arch>.deb: $(ls "$work/package")"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

root="$work/root"
dpkg -x "$deb" "$root"
app=org.norvane.stapelix
program=usr/lib/games/stapelix/stapelix
shared=usr/share/games/stapelix/Block.bmp
icon_sizes=(16 24 32 48 64 128 256)
manual=usr/share/man/man6/stapelix.6.gz
expected=(usr/games/stapelix "$program" "$shared" usr/share/applications/$app.desktop
  usr/share/metainfo/$app.metainfo.xml usr/share/doc/stapelix/how-to-play.txt
  usr/share/doc/stapelix/copyright usr/share/doc/stapelix/changelog.gz "$manual")
for size in "${icon_sizes[@]}"; do expected+=("usr/share/icons/hicolor/${size}x$size/apps/$app.png"); done
[ "$(cd "$root" && find . -type f -printf '%P\n' | sort)" = "$(printf '%s\n' "${expected[@]}" | sort)" ] ||
  fail "the package holds other files: $(cd "$root" && find . -type f)"
[ -x "$root/usr/games/stapelix" ] && [ -x "$root/$program" ] || fail "the programs are not executable"
cmp -s "$root/$shared" "$source_dir/Images/Block.bmp" || fail "Block.bmp differs"

desktop="$root/usr/share/applications/$app.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --strict "$root/usr/share/metainfo/$app.metainfo.xml" || fail "appstreamcli validate"
grep -qx "Icon=$app" "$desktop" || fail "the menu entry names another icon"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$root$exec_line" ] || fail "the menu entry starts '$exec_line', which the package does not hold"

# Nothing for lintian to flag, not even a warning. Its temporary files go
# into the test's own folder.
mkdir "$work/tmp"
status=0
TMPDIR="$work/tmp" lintian "$deb" >"$work/lintian.log" 2>&1 || status=$?
cat "$work/lintian.log"
# Status 1 is an error tag, which the next line reports; above it lintian failed.
[ "$status" -le 1 ] || fail "lintian could not check the package (status $status)"
! grep -q '^[EW]: ' "$work/lintian.log" || fail "lintian: $(grep '^[EW]: ' "$work/lintian.log")"
# The manual page renders without a warning and names the files; the
# changelog's latest entry is this version's.
man --warnings -E UTF-8 -l -Tutf8 -Z "$root/$manual" 2>"$work/man.log" >/dev/null && [ ! -s "$work/man.log" ] ||
  fail "man: $(cat "$work/man.log")"
page=$(MANWIDTH=80 man -P cat -l "$root/$manual")
for text in 'stapelix - falling-block puzzle game' Stapelix.ini Highscores.txt Images/Block.bmp XDG_DATA_HOME; do
  grep -qF -- "$text" <<<"$page" || fail "the manual page does not show '$text'"
done
zcat "$root/usr/share/doc/stapelix/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$(dpkg-deb --field "$deb" Version)" ] ||
  fail "the changelog's latest entry is not this version's"

# Every library the program links comes from a package it depends on, and
# those dependencies can be met here (a simulated install writes nothing).
depends=$(dpkg-deb --field "$deb" Depends | tr ',|' '\n\n' | awk '{ print $1 }')
for library in $(objdump -p "$root/$program" | awk '$1 == "NEEDED" { print $2 }'); do
  # Both read to the end: a reader that stops early fails the pipe.
  path=$(ldconfig -p | awk -v name="$library" '$1 == name && /x86-64/ && path == "" { path = $NF } END { print path }')
  owner=$(dpkg -S "$path" "/usr$path" 2>/dev/null | awk -F: 'NR == 1 { print $1 }') || true
  [ -n "$owner" ] && grep -qx "$owner" <<<"$depends" || fail "$library (package '$owner') is not a dependency"
done
apt-get install --simulate -o Debug::NoLocking=1 -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= "$deb" \
  >"$work/apt.log" 2>&1 && grep -q '^Inst stapelix ' "$work/apt.log" || fail "apt cannot install it: $(cat "$work/apt.log")"

# The icons: 4 x 4 cells, each its piece's colour (Yellow, Magenta, Cyan) or clear.
source "$e2e_dir/icon_cells.sh"
for size in "${icon_sizes[@]}"; do
  icon="$root/usr/share/icons/hicolor/${size}x$size/apps/$app.png"
  [ "$(identify -format '%m %w %h' "$icon")" = "PNG $size $size" ] || fail "$icon is no $size x $size PNG"
  cells=$(icon_cells "$icon")
  [ "$cells" = "$icon_layout" ] || fail "the $size x $size icon's cells are $cells"
done

# Without XDG_DATA_HOME the data folder is made in HOME, the texture copied in.
data="$HOME/.local/share/stapelix"
platform=linux
start_files=Images
launch=("$root$exec_line")
start_xvfb
first_run "$HOME" "$data"
cmp -s "$data/Images/Block.bmp" "$root/$shared" || fail "the texture was not copied"
# The player's own texture, one byte changed, stays.
printf '\x10' | dd of="$data/Images/Block.bmp" bs=1 seek=100 conv=notrunc status=none
cp "$data/Images/Block.bmp" "$work/own.bmp"
second_run "$HOME" "$data"
cmp -s "$data/Images/Block.bmp" "$work/own.bmp" || fail "the player's texture was replaced"

# With XDG_DATA_HOME set (and no display), the data folder is made there.
status=0
env -u DISPLAY XDG_DATA_HOME="$work/xdg" "${launch[@]}" 2>"$work/xdg.stderr" || status=$?
[ "$status" -eq 0 ] || fail "with no display: status $status, $(cat "$work/xdg.stderr")"
[ "$(cd "$work/xdg" && find . | sort | tr '\n' ' ')" = ". ./stapelix ./stapelix/Images ./stapelix/Images/Block.bmp " ] ||
  fail "with XDG_DATA_HOME set the launcher made: $(find "$work/xdg" 2>&1)"
echo "debian package passed"
