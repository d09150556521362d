#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: unit tests,
# the Qt backend tests and the end-to-end tests of the binary.
# SANITIZE=1 builds and runs it all under AddressSanitizer and UBSan.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" test
"$top/scripts/build.sh"
dir="$top/build"
[ "${SANITIZE:-0}" = 1 ] && dir="$top/build-sanitize"
cd "$dir"
ctest --output-on-failure
