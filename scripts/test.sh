#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: unit tests,
# the Qt backend tests, the end-to-end tests of the binary and of its Debian
# package.
# SANITIZE=1 builds and runs it all under AddressSanitizer and UBSan.
# Every test must run here: a missing tool fails the suite instead of
# skipping a test.
set -euo pipefail
export SETUP_DIALOG_REQUIRE_ALL=1
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" test
"$top/scripts/build.sh"
dir="$top/build"
[ "${SANITIZE:-0}" = 1 ] && dir="$top/build-sanitize"
cd "$dir"
ctest --output-on-failure
