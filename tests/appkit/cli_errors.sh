#!/usr/bin/env bash
# Runs a setup-dialog binary on the command-line errors that end before any
# window, and checks each one byte for byte: status 1, nothing on standard
# output, and the one line on standard error. The macOS workflow runs it on the
# AppKit binary; the suite runs it on the GNUstep build of that binary, with
# no display.
# Usage: tests/appkit/cli_errors.sh BINARY
set -euo pipefail
binary=${1:?usage: $0 BINARY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
checks=0

# expect NAME EXPECTED_STDERR ARGS...: EXPECTED_STDERR is a printf format.
expect() {
  local name=$1 want=$2 status=0
  shift 2
  checks=$((checks + 1))
  "$binary" "$@" >"$work/out" 2>"$work/err" </dev/null || status=$?
  printf "$want" >"$work/want"
  if [ "$status" -ne 1 ]; then
    echo "FAIL $name: exit status $status, want 1" >&2
  elif [ -s "$work/out" ]; then
    echo "FAIL $name: standard output is not empty:" >&2
    od -c "$work/out" | head -5 >&2
  elif ! cmp -s "$work/err" "$work/want"; then
    echo "FAIL $name: standard error is not the one line wanted; got:" >&2
    od -c "$work/err" | head -10 >&2
  else
    echo "ok   $name"
    return
  fi
  failures=$((failures + 1))
}

usage='Usage: setup-dialog <clients|no-clients|migrate-empty|migrate|enroll|enforcement-error> [items...]\n'
expect "no mode gives the usage line" "$usage"
expect "an unknown mode is named" 'Unknown mode: Clients\n' Clients
expect "an empty mode is unknown" 'Unknown mode: \n' ''
expect "an unknown mode comes back byte for byte" 'Unknown mode: bad\377%%s\n' $'bad\xff%s'
expect "an item that is not UTF-8 is counted from 1" \
  'setup-dialog: item 2 is not valid UTF-8\n' clients default $'\xc3('
expect "a lone surrogate is not UTF-8" \
  'setup-dialog: item 1 is not valid UTF-8\n' migrate $'\xed\xa0\x80' ok

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
