#!/usr/bin/env bash
# Makes sure check.sh still fails on the mistakes it exists to catch: each
# case plants one fault in a copy of the backend and expects the check to
# fail with the compiler's own words for it. A check that passed them would
# make its green result worthless.
# Usage: tests/appkit/check_catches_faults.sh [REPO_ROOT]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
backend=src/ui/appkit
failures=0

# Copies the repo's sources and check into a fresh tree.
fresh_copy() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree/tests"
  cp -R "$root/src" "$work/tree/src"
  cp -R "$root/tests/appkit" "$work/tree/tests/appkit"
  cp "$root/tests/missing_tool.sh" "$work/tree/tests/"
}

# expect_failure NAME FILE FROM TO DIAGNOSTIC: replaces the text FROM by TO in
# FILE of the backend and expects check.sh to fail, printing DIAGNOSTIC.
expect_failure() {
  local name=$1 relative=$2 from=$3 to=$4 diagnostic=$5
  fresh_copy
  local file="$work/tree/$relative" content
  content=$(<"$file")
  if [[ $content != *"$from"* ]]; then
    echo "FAIL $name: the text to break is no longer in $relative: $from" >&2
    failures=$((failures + 1))
    return
  fi
  printf '%s\n' "${content/"$from"/"$to"}" >"$file"
  if "$work/tree/tests/appkit/check.sh" "$work/tree" >"$work/out" 2>&1; then
    echo "FAIL $name: the check passed" >&2
    failures=$((failures + 1))
  elif ! grep -qF -- "$diagnostic" "$work/out"; then
    echo "FAIL $name: the check failed without saying: $diagnostic" >&2
    cat "$work/out" >&2
    failures=$((failures + 1))
  fi
}

# The unbroken backend passes, or none of the cases below means anything.
fresh_copy
status=0
"$work/tree/tests/appkit/check.sh" "$work/tree" || status=$?
[ "$status" -eq 77 ] && exit 77  # a tool is missing; the check said which
[ "$status" -eq 0 ] || { echo "FAIL the unbroken backend does not pass the check" >&2; exit 1; }

expect_failure "misspelt selector" "$backend/appkit_alert.hh" \
  "[alert_.get() setAccessoryView:accessory_];" \
  "[alert_.get() setAccesoryView:accessory_];" \
  "instance method '-setAccesoryView:' not found"

expect_failure "argument of the wrong type" "$backend/appkit_alert.mm" \
  "[window setInitialFirstResponder:responder];" \
  "[window setInitialFirstResponder:window];" \
  "cannot initialize a parameter of type 'NSView *' with an lvalue of type 'NSWindow *'"

expect_failure "call on the wrong class" "$backend/appkit_application.mm" \
  "[NSTextField labelWithString:toNSString(text)]" \
  "[NSButton labelWithString:toNSString(text)]" \
  "class method '+labelWithString:' not found"

expect_failure "a C++ string where AppKit takes an NSString" "$backend/appkit_controls.hh" \
  "[control() setStringValue:toNSString(value)];" \
  "[control() setStringValue:value];" \
  "no viable conversion from 'const std::string'"

expect_failure "Objective-C in the plain C++ header" "$backend/appkit_application.h" \
  "namespace ui::appkit {" \
  "@class NSAlert;
namespace ui::appkit {" \
  "appkit_application.h (as plain C++)"

# No backend file at all is a failure, not a silent pass.
fresh_copy
rm "$work/tree/$backend"/*.mm
if "$work/tree/tests/appkit/check.sh" "$work/tree" >/dev/null 2>&1; then
  echo "FAIL no .mm file: the check passed" >&2
  failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] || { echo "$failures case(s) failed" >&2; exit 1; }
