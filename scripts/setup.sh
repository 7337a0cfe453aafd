#!/usr/bin/env bash
# One entry for a fresh Debian 12 machine:
#   scripts/setup.sh play   installs what is missing, builds, starts the game
#   scripts/setup.sh test   installs what is missing, builds, runs every test
#   scripts/setup.sh zip    installs what is missing, cross-builds the Windows
#                           zip build/zip/Stapelix-<version>-win64.zip
#   scripts/setup.sh installer  installs what is missing, cross-builds the
#                           Windows installer
#                           build/installer/Stapelix-<version>-win64-setup.exe
#   scripts/setup.sh deb    installs what is missing, builds the Debian package
#                           build/deb/stapelix_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
  play | test | zip | installer | deb) ;;
  *) echo "usage: scripts/setup.sh play|test|zip|installer|deb" >&2; exit 2 ;;
esac

# What the game needs to build and run.
play_packages=(cmake make g++ pkg-config libsdl2-dev libx11-dev libgl1-mesa-dev libglu1-mesa-dev
  libgl1-mesa-dri libfreetype-dev libfontconfig-dev fontconfig fonts-liberation2)
# The Windows cross build (windres comes with it), what cpack needs to make
# the installer (makensis) and the Debian package.
zip_packages=(cmake make g++-mingw-w64-x86-64)
installer_packages=("${zip_packages[@]}" nsis)
deb_packages=(dpkg-dev)
# What the tests, fuzzers and benchmarks need besides (zlib, libpng,
# libdeflate, ISA-L, spng and stb_image are the decoder benchmark's peers);
# wine plays the zip and runs the installer, icoutils and libxml2-utils read
# the exe's resources, the validators and lintian check the package's menu
# entry, metainfo and the package itself, man-db renders its manual page;
# SDL's X11 message boxes draw with the X core fonts of xfonts-base and fail
# to show without them.
test_packages=(googletest libgtest-dev clang libclang-rt-14-dev
  zlib1g-dev libpng-dev libdeflate-dev libisal-dev libspng-dev libstb-dev
  xvfb xauth x11-utils xfonts-base xdotool imagemagick valgrind
  wine wine64 unzip icoutils libxml2-utils desktop-file-utils appstream lintian man-db)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

jobs=$(nproc 2>/dev/null || echo 2)

if [ "$mode" = play ]; then
  install_missing "${play_packages[@]}"
  cmake -S . -B build/play -DCMAKE_BUILD_TYPE=Release -DSTAPELIX_TESTS=OFF -DSTAPELIX_BENCH=OFF
  cmake --build build/play -j"$jobs"
  if [ ! -x build/play/stapelix ]; then
    echo "The build did not produce build/play/stapelix." >&2
    exit 1
  fi
  if [ ! -f Images/Block.bmp ]; then
    echo "Images/Block.bmp, the block texture, is missing from this checkout." >&2
    exit 1
  fi
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to open the game window on: run this from a desktop session." >&2
    exit 1
  fi
  # The game reads and writes its files in the working directory; a texture
  # the player put there is kept.
  mkdir -p run/Images
  [ -f run/Images/Block.bmp ] || cp Images/Block.bmp run/Images/Block.bmp
  cd run
  exec ../build/play/stapelix
fi

# Packages: package DIR GENERATOR [CMAKE_OPTION...] makes a Release build in
# DIR and runs cpack there, which puts the package beside the build.
package() {
  cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=Release -DSTAPELIX_TESTS=OFF -DSTAPELIX_BENCH=OFF "${@:3}"
  cmake --build "$1" -j"$jobs"
  cd "$1" && exec cpack -G "$2"
}
windows=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
case "$mode" in
  zip) install_missing "${zip_packages[@]}" && package build/zip ZIP "${windows[@]}" ;;
  installer) install_missing "${installer_packages[@]}" && package build/installer NSIS "${windows[@]}" ;;
  deb) install_missing "${play_packages[@]}" "${deb_packages[@]}" && package build/deb DEB ;;
esac

install_missing "${play_packages[@]}" "${installer_packages[@]}" "${deb_packages[@]}" "${test_packages[@]}"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTAPELIX_TESTS=ON -DSTAPELIX_BENCH=ON \
  -DSTAPELIX_WERROR=ON
cmake --build build/test -j"$jobs"
ctest --test-dir build/test --output-on-failure -j"$jobs"
