#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: unit tests,
# the Qt backend tests, the end-to-end tests of the binary, the example
# parents and the Debian package. Its folder, build/, is configured afresh on
# every run with every option the suite depends on (scripts/build.sh), and
# every target is rebuilt where it changed: no earlier configuration leaves
# it stale test binaries.
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
reports=""
if [ "${SANITIZE:-0}" = 1 ]; then
  # The program points its standard error away before a dialog may show, and
  # the tests read it: the sanitizers write their reports to files instead.
  reports="$dir/sanitizer-reports"
  rm -rf "$reports" && mkdir -p "$reports"
  export ASAN_OPTIONS="log_path=$reports/report" UBSAN_OPTIONS="log_path=$reports/report:print_stacktrace=1"
fi
# The end-to-end test of each backend has a display of its own: they run side
# by side, and most of their time is waiting for windows.
status=0
ctest --output-on-failure -j "${CTEST_PARALLEL_LEVEL:-4}" || status=$?
# A report is a fault even where the run it came from was not checked (a
# list of the suppressions used is not a report).
if [ -n "$reports" ]; then
  for report in $(grep -l -e "ERROR: " -e "runtime error: " -r "$reports"); do
    echo "== $report"
    head -n 80 "$report"
    [ "$status" = 0 ] && status=1
  done
fi
exit "$status"
