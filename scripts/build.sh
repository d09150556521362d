#!/usr/bin/env bash
# Configures and builds the whole suite into build/ (or build-sanitize/ with
# SANITIZE=1). Every cached option the suite depends on is set here, each
# time: whatever configured the folder before (an install recipe with the
# tests off, another icon, another build type), the tests that run are the
# ones just built from this tree.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir="$top/build"
sanitize=OFF
if [ "${SANITIZE:-0}" = 1 ]; then
  dir="$top/build-sanitize"
  sanitize=ON
fi
cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSETUP_DIALOG_WERROR=ON \
  -DSETUP_DIALOG_TESTS=ON -DSETUP_DIALOG_SANITIZE="$sanitize" -DSETUP_DIALOG_ICON= >/dev/null
# Every target, so that no test binary is left from an earlier build.
cmake --build "$dir" -j "$(nproc)" >&2
