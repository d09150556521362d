#!/usr/bin/env bash
# Time until a dialog's window is mapped, and the program's peak resident
# memory, for any mode and items, on a virtual display.
# Usage: bench/dialogs.sh RUNS MODE [ITEMS...]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:?usage: $0 RUNS MODE [ITEMS...]}
shift
bin=$top/build/setup-dialog
[ -x "$bin" ] || { echo "no executable at $bin (run scripts/build.sh)" >&2; exit 2; }
"$top/scripts/deps.sh" bench

# -noreset: a server left with no client (xdotool comes and goes) would
# reset under the program starting.
exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
read -r number <&3
export DISPLAY=":$number"

tmp=$(mktemp -d)
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$tmp/rss" "$bin" "$@" >/dev/null 2>"$tmp/err" &
  timer=$!
  until xdotool search --onlyvisible --name . >/dev/null 2>&1; do
    kill -0 "$timer" 2>/dev/null || { echo "the program ended without a window:" >&2; cat "$tmp/err" "$tmp/rss" >&2; exit 1; }
    sleep 0.005
  done
  echo $(( ($(date +%s%N) - start) / 1000000 )) >>"$tmp/ms"
  sleep 0.3  # let it settle before its memory is read at exit
  # Ends the one program this run started (the child of time), not every
  # instance of it on the machine.
  if program=$(pgrep -P "$timer"); then
    kill -TERM "$program" 2>/dev/null || true
  fi
  wait "$timer" 2>/dev/null || true
  tail -n1 "$tmp/rss" >>"$tmp/kib"
done
median() { sort -n "$1" | awk '{v[NR]=$1} END {print v[int((NR+1)/2)] " (min " v[1] ", max " v[NR] ")"}'; }
echo "command: $0 $runs $*"
echo "window mapped after, ms: $(median "$tmp/ms")"
echo "peak resident memory, KiB: $(median "$tmp/kib")"
rm -rf "$tmp"
