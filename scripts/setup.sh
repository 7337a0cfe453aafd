#!/usr/bin/env bash
# One entry for a fresh Debian 12 machine:
#   scripts/setup.sh play   installs what is missing, builds, starts the game
#   scripts/setup.sh test   installs what is missing, builds, runs every test;
#                           then builds with Clang and runs the unit tests
#   scripts/setup.sh zip    installs what is missing, cross-builds the Windows
#                           zip build/zip/Stapelix-<version>-win64.zip
#   scripts/setup.sh installer  installs what is missing, cross-builds the
#                           Windows installer
#                           build/installer/Stapelix-<version>-win64-setup.exe
#   scripts/setup.sh deb    installs what is missing, builds the Debian package
#                           build/deb/stapelix_<version>_<arch>.deb
# Every mode stops at its first failing step, with that step's status and
# one line on standard error that names it.
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
# clang builds the fuzzers and the second build of the unit tests; wine plays
# the zip and runs the installer, icoutils and libxml2-utils read the exe's
# resources, the validators and lintian check the package's menu entry,
# metainfo and the package itself, man-db renders its manual page; SDL's X11
# message boxes draw with the X core fonts of xfonts-base and fail to show
# without them.
test_packages=(googletest libgtest-dev clang libclang-rt-14-dev
  zlib1g-dev libpng-dev libdeflate-dev libisal-dev libspng-dev libstb-dev
  xvfb x11-utils xfonts-base xdotool imagemagick
  wine wine64 unzip icoutils libxml2-utils desktop-file-utils appstream lintian man-db)

# step NAME COMMAND...: runs one step; when it fails, names it on standard
# error and ends the script with its status. A step is one command (as_root
# wraps just one): set -e does not hold inside a function whose status is
# tested, so a function of several commands would go on past a failing one.
step() {
  local name=$1 status=0
  shift
  "$@" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "scripts/setup.sh $mode: $name failed (status $status)" >&2
    exit "$status"
  fi
}

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
    step "apt-get update" as_root apt-get update -q
    step "apt-get install" as_root env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

jobs=$(nproc 2>/dev/null || echo 2)

# build DIR [CMAKE_OPTION...]: configures and builds DIR.
build() {
  step "cmake -S . -B $1" cmake -S . -B "$1" "${@:2}"
  step "cmake --build $1" cmake --build "$1" -j"$jobs"
}

if [ "$mode" = play ]; then
  install_missing "${play_packages[@]}"
  build build/play -DCMAKE_BUILD_TYPE=Release -DSTAPELIX_TESTS=OFF -DSTAPELIX_BENCH=OFF
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
  step "mkdir -p run/Images" mkdir -p run/Images
  if [ ! -f run/Images/Block.bmp ]; then
    step "cp Images/Block.bmp run/Images" cp Images/Block.bmp run/Images/Block.bmp
  fi
  step "cd run" cd run
  exec ../build/play/stapelix
fi

# package DIR GENERATOR [CMAKE_OPTION...]: a Release build in DIR, then
# cpack there, which puts the package beside the build; the mode ends there.
package() {
  build "$1" -DCMAKE_BUILD_TYPE=Release -DSTAPELIX_TESTS=OFF -DSTAPELIX_BENCH=OFF "${@:3}"
  step "cd $1" cd "$1"
  step "cpack -G $2" cpack -G "$2"
  exit 0
}
windows=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
case "$mode" in
  zip)
    install_missing "${zip_packages[@]}"
    package build/zip ZIP "${windows[@]}"
    ;;
  installer)
    install_missing "${installer_packages[@]}"
    package build/installer NSIS "${windows[@]}"
    ;;
  deb)
    install_missing "${play_packages[@]}" "${deb_packages[@]}"
    package build/deb DEB
    ;;
esac

install_missing "${play_packages[@]}" "${installer_packages[@]}" "${deb_packages[@]}" "${test_packages[@]}"
build build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTAPELIX_TESTS=ON -DSTAPELIX_BENCH=ON \
  -DSTAPELIX_WERROR=ON
step "ctest --test-dir build/test" ctest --test-dir build/test --output-on-failure -j"$jobs"
# The second compiler: the libraries and the unit tests built with Clang,
# warnings as errors; the sessions, packages and wine ran once above.
build build/clang -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTAPELIX_TESTS=ON -DSTAPELIX_UNIT_TESTS_ONLY=ON -DSTAPELIX_WERROR=ON
step "ctest --test-dir build/clang" ctest --test-dir build/clang --output-on-failure -j"$jobs"
