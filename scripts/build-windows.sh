#!/usr/bin/env bash
# Cross-builds the Windows program with mingw-w64 into build-windows/ (or
# BUILD_DIR), installing the cross compiler when missing, and prints the path
# of setup-dialog.exe. Extra arguments go to cmake's configure step.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${BUILD_DIR:-$top/build-windows}
"$top/scripts/deps.sh" windows
cmake -S "$top" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DSETUP_DIALOG_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)" >&2
echo "$dir/setup-dialog.exe"
