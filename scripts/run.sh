#!/usr/bin/env bash
# Installs what is missing, builds, and runs setup-dialog with the given mode
# and items, printing its answer and exit status. With no display open, the
# program asks in the terminal; with neither a display nor a terminal, this
# script shows the dialog on a virtual display, saves a screenshot to
# build-run/shot.png and presses Return for you after a few seconds.
# It builds the program and its Qt window module alone, in a folder of its
# own (no tests, none of the suite's other builds), so that the first window
# shows within a minute.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" run
dir="$top/build-run"
# Release: no debug information to write, a fifth less to compile.
cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DSETUP_DIALOG_WERROR=ON \
  -DSETUP_DIALOG_TESTS=OFF -DSETUP_DIALOG_SANITIZE=OFF >/dev/null
# The module goes beside the program, where it looks for its window toolkits.
cmake --build "$dir" -j "$(nproc)" --target setup-dialog setup_dialog_toolkit_qt >&2
program="$dir/setup-dialog"

if { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; } || { : </dev/tty; } 2>/dev/null; then
  set +e
  "$program" "$@"
  status=$?
  echo "(exit status $status)" >&2
  exit $status
fi

# -noreset: a server left with no client (xdotool comes and goes) would
# reset under the program starting.
exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
read -r number <&3
export DISPLAY=":$number"
echo "No display open: showing the dialog on the virtual display $DISPLAY." >&2

"$program" "$@" &
pid=$!
for _ in $(seq 50); do
  xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
if kill -0 "$pid" 2>/dev/null; then
  sleep "${SETUP_DIALOG_DEMO_DELAY:-2}"
  import -window root "$dir/shot.png" && echo "Screenshot: build-run/shot.png" >&2
  echo "Pressing Return." >&2
  xdotool key Return
fi
set +e
wait "$pid"
status=$?
echo "(exit status $status)" >&2
exit $status
