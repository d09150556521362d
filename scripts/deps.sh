#!/usr/bin/env bash
# Installs the Debian packages this project needs, when they are missing.
# Usage: scripts/deps.sh build|run|test|bench|package|windows
set -euo pipefail

# man-db and bsdextrautils (col) read the manual page in the package test.
package=(dpkg-dev file man-db bsdextrautils)
# libgtk-4-dev builds the GTK module; libadwaita-1-dev gives it the desktop's
# own alert where present (the module builds without it).
build=(cmake g++ make qt6-base-dev qt6-wayland libgl-dev googletest libgtest-dev fonts-dejavu-core libgtk-4-dev libadwaita-1-dev)
run=(xvfb xauth xdotool x11-utils imagemagick)
# libgnustep-gui-dev, gnustep-back0.29 and libblocksruntime-dev build and run
# the AppKit backend on GNUstep (tests/appkit/).
# The Windows build (mingw-w64) and Wine run it in the suite (tests/win32/).
windows=(cmake make g++-mingw-w64-x86-64-posix)
test=(xvfb xauth xdotool x11-utils xclip weston wl-clipboard imagemagick at-spi2-core openbox python3 python3-pyatspi python3-pyte dbus dbus-daemon clang-14 libclang-rt-14-dev libgnustep-gui-dev gnustep-back0.29 libblocksruntime-dev wine wine64 "${windows[@]}" "${package[@]}")
bench=(zenity x11-utils procps dbus-daemon time)

wanted=("${build[@]}")
case "${1:-build}" in
  build) ;;
  run) wanted+=("${run[@]}") ;;
  test) wanted+=("${test[@]}") ;;
  bench) wanted+=("${run[@]}" "${bench[@]}") ;;
  package) wanted+=("${package[@]}") ;;
  # Only the cross compiler: no Qt for a Windows build.
  windows) wanted=("${windows[@]}") ;;
  *) echo "usage: $0 build|run|test|bench|package|windows" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# The workflow files' validator, from the npm registry, where npm is.
if [ "${1:-build}" = test ]; then
  "$(dirname "$0")/validate-workflows.sh" --install >/dev/null || [ $? -eq 77 ]
fi
