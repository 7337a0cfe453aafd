# Sourced by the Windows package tests after x_session.sh: the cross-built
# package, a wine prefix of the test's own, stapelix.exe and its window's icon.
source "$e2e_dir/icon_cells.sh"

# windows_package GENERATOR NAME: make_package for the cross build.
windows_package() { make_package "$1" "$2" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake"; }

# start_wine: a prefix without Mono, Gecko (the game needs neither) or menu entries, on Xvfb.
start_wine() {
  export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  start_xvfb
  timeout 600 wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot: $(tail -n 20 "$work/wineboot.log")"
}

# check_exe EXE VERSION: a 64-bit GUI program with its runtimes linked in, its
# icon group (256 pixels a PNG), a version block of VERSION and the manifest.
check_exe() {
  local exe=$1 version=$2 header imports listing dir="$work/resources" name data size pngs=""
  header=$(x86_64-w64-mingw32-objdump -p "$exe")
  grep -q 'file format pei-x86-64' <<<"$header" && grep -q '^Subsystem.*(Windows GUI)' <<<"$header" ||
    fail "$exe is no 64-bit Windows GUI program"
  imports=$(awk '/DLL Name:/ { print $3 }' <<<"$header" | tr '\n' ' ')
  echo "$exe: $(stat -c %s "$exe") bytes, imports $imports"
  # Only system DLLs: no MinGW runtime for the player to find.
  ! grep -qi 'lib[a-z0-9_+-]*\.dll' <<<"$imports" || fail "$exe needs MinGW DLLs: $imports"

  listing=$(wrestool -l "$exe") || fail "wrestool cannot read $exe's resources"
  echo "$listing"
  grep -q -- '--type=14 --name=1 .*type=group_icon' <<<"$listing" || fail "no icon group 1 in $exe"
  grep -q -- '--type=16 --name=1 .*type=version' <<<"$listing" || fail "no version block in $exe"
  grep -q -- '--type=24 --name=1 ' <<<"$listing" || fail "no application manifest in $exe"

  rm -rf "$dir" && mkdir -p "$dir"
  wrestool -x --type=14 --name=1 "$exe" >"$dir/group.ico" || fail "the icon group cannot be extracted"
  [ "$(icotool -l "$dir/group.ico" | sed -n 's/.*--width=\([0-9]*\) --height=[0-9]* --bit-depth=32 .*/\1/p' | tr '\n' ' ')" = \
    "16 24 32 48 64 256 " ] || fail "the icon group holds: $(icotool -l "$dir/group.ico")"
  icotool -x -o "$dir" "$dir/group.ico" || fail "icotool cannot read the icon group"
  for size in 16 24 32 48 64 256; do expect_icon "$dir"/group_*_"${size}x${size}x32.png"; done
  # Windows reads a 256-pixel icon as a PNG; the smaller ones are bitmaps.
  for name in $(sed -n 's/^--type=3 --name=\([0-9]*\) .*/\1/p' <<<"$listing"); do
    data="$dir/icon$name"
    wrestool -x --raw --type=3 --name="$name" "$exe" >"$data"
    case $(od -An -tx1 -N4 "$data" | tr -d ' ') in
      89504e47) pngs+=" $(identify -format '%wx%h' "png:$data")" ;;
      28000000) ;;  # a bitmap's 40-byte header
      *) fail "icon $name is neither PNG nor bitmap" ;;
    esac
  done
  [ "$pngs" = " 256x256" ] || fail "the PNG icons are:$pngs"

  # Properties > Details: VS_FIXEDFILEINFO (after 40 bytes of header and name), strings.
  wrestool -x --raw --type=16 --name=1 "$exe" >"$dir/version"
  local major minor patch fixed
  IFS=. read -r major minor patch <<<"$version"
  fixed=$(od -An -tu4 -w24 -j40 -N24 "$dir/version" | tr -s ' ' | sed 's/^ //')
  [ "$fixed" = "$((0xFEEF04BD)) 65536 $((major * 65536 + minor)) $((patch * 65536)) $((major * 65536 + minor)) $((patch * 65536))" ] ||
    fail "the fixed version numbers are $fixed, not $version.0"
  # Each string (the line after its name) matches its pattern.
  local strings key value
  strings=$(iconv -c -f UTF-16LE -t UTF-8 "$dir/version" | tr -s '\0' '\n')
  for key in ProductName=Stapelix FileDescription=Stapelix CompanyName=Norvane 'OriginalFilename=stapelix\.exe' \
    "FileVersion=${version//./\\.}" "ProductVersion=${version//./\\.}" 'LegalCopyright=© [0-9]\{4\} Norvane'; do
    value=$(awk -v key="${key%%=*}" 'found { print; exit } $0 ~ key "$" { found = 1 }' <<<"$strings")
    grep -qx -- "${key#*=}" <<<"$value" || fail "${key%%=*} is '$value', not '${key#*=}'"
  done

  # The manifest: well-formed (else Windows will not start it), no elevation,
  # Windows 7, 8, 8.1 and 10 with 11, per-monitor DPI aware.
  wrestool -x --raw --type=24 --name=1 "$exe" >"$dir/manifest.xml"
  xmllint --noout "$dir/manifest.xml" || fail "the manifest is not well-formed XML"
  for name in 'requestedExecutionLevel level="asInvoker"' '<dpiAwareness[^>]*>PerMonitorV2' \
    'supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"' 'supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"' \
    'supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"' 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"'; do
    grep -q -- "$name" "$dir/manifest.xml" || fail "the manifest lacks $name"
  done
}

# check_window_icon: the window's _NET_WM_ICON (wine's, from the class) is the icon.
check_window_icon() {
  local values width height cells
  values=$(xprop -id "$window_id" -notype -f _NET_WM_ICON 32c _NET_WM_ICON | sed 's/^[^=]*= *//' | tr -d ' ')
  IFS=, read -r width height _ <<<"$values"
  [ -n "$width" ] && [ "$width" -ge 16 ] && [ "$width" = "$height" ] ||
    fail "the window has no icon: $(xprop -id "$window_id" _NET_WM_ICON | head -c 300)"
  # Each cell's centre pixel of the first icon, ARGB, as "R G B A".
  cells=$(tr ',' '\n' <<<"$values" | awk -v w="$width" 'NR > 2 && NR <= 2 + w * w {
      x = (NR - 3) % w; y = int((NR - 3) / w)
      if (x % (w / 4) == int(w / 8) && y % (w / 4) == int(w / 8))
        print int($1 / 65536) % 256, int($1 / 256) % 256, $1 % 256, int($1 / 16777216) }' | cells_of)
  [ "$cells" = "$icon_layout" ] || fail "the window's $width-pixel icon has the cells $cells"
}
