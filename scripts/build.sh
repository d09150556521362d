#!/usr/bin/env bash
# Configures and builds into build/ (or build-sanitize/ with SANITIZE=1).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir="$top/build"
options=()
if [ "${SANITIZE:-0}" = 1 ]; then
  dir="$top/build-sanitize"
  options+=(-DSETUP_DIALOG_SANITIZE=ON)
fi
cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSETUP_DIALOG_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" >&2
