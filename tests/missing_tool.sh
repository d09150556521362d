#!/usr/bin/env bash
# Reports a tool a test needs and cannot find, and ends the test: skipped
# (status 77, which CTest counts as a skip), or failed where every test must
# run (SETUP_DIALOG_REQUIRE_ALL=1, as scripts/test.sh and CI set it).
# Usage: missing_tool.sh TOOL [DEBIAN_PACKAGE]
tool=$1
hint=${2:+ (Debian: $2)}
if [ "${SETUP_DIALOG_REQUIRE_ALL:-0}" = 1 ]; then
  echo "FAILED: $tool is missing$hint, and SETUP_DIALOG_REQUIRE_ALL=1 allows no skip" >&2
  exit 1
fi
echo "skipped: $tool is missing$hint"
exit 77
