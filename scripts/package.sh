#!/usr/bin/env bash
# Builds the Debian packages from a Release build in build-package/ and
# prints their paths, one a line: setup-dialog (the program, no GUI library)
# and one package per window module built, setup-dialog-qt and, where GTK 4
# is installed, setup-dialog-gtk. Options are passed to CMake, e.g.
# -DSETUP_DIALOG_ICON=/path/icon.png to ship the parent's icon beside the
# program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" package
dir="$top/build-package"
cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DSETUP_DIALOG_WERROR=ON \
  -DSETUP_DIALOG_TESTS=OFF "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)" >&2
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$dir"/*.deb
