#!/usr/bin/env bash
# The GTK module against zenity and the Qt module on one virtual display, in
# alternating runs: time until the window is mapped, and peak resident
# memory. GSK_RENDERER=NAME (gl, ngl, vulkan, cairo) is passed to both GTK
# programs where it is set; the default is GTK's own choice.
# Usage: bench/gtk_vs_zenity.sh RUNS
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:?usage: $0 RUNS}
bin=$top/build/setup-dialog
[ -x "$bin" ] || { echo "no executable at $bin (run scripts/build.sh)" >&2; exit 2; }
[ -e "$top/build/toolkit-gtk.so" ] || { echo "no GTK module beside $bin (GTK 4 missing?)" >&2; exit 2; }
"$top/scripts/deps.sh" bench

exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
xvfb=$!
read -r number <&3
export DISPLAY=":$number"
# One session bus for every run, as a desktop has: without it each GTK
# program would spend its start looking for one.
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
bus_pid=${bus##*$'\n'}
trap 'kill "$xvfb" "$bus_pid" 2>/dev/null || true' EXIT

tmp=$(mktemp -d)
text="Orvex couldn't turn off automatic setup."
# The same question each time: one alert, one button.
run_gtk() { SETUP_DIALOG_TOOLKIT=gtk exec "$bin" enforcement-error disable; }
run_qt() { SETUP_DIALOG_TOOLKIT=qt exec "$bin" enforcement-error disable; }
run_zenity() { exec zenity --warning --title "Orvex Setup" --text "$text"; }
export bin text
export -f run_gtk run_qt run_zenity

measure() {  # NAME: one run, its time to a mapped window and its peak memory
  local start timer program
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$tmp/rss" bash -c "run_$1" >/dev/null 2>"$tmp/err" &
  timer=$!
  until xdotool search --onlyvisible --name . >/dev/null 2>&1; do
    kill -0 "$timer" 2>/dev/null || { echo "$1 ended without a window:" >&2; cat "$tmp/err" >&2; exit 1; }
    sleep 0.005
  done
  echo $(( ($(date +%s%N) - start) / 1000000 )) >>"$tmp/$1.ms"
  sleep 0.3
  # Ends the program this run started (the shell's child), nothing else.
  for program in $(pgrep -P "$(pgrep -P "$timer" || true)" || true) $(pgrep -P "$timer" || true); do
    kill -TERM "$program" 2>/dev/null || true
  done
  wait "$timer" 2>/dev/null || true
  tail -n1 "$tmp/rss" >>"$tmp/$1.kib"
}

for _ in $(seq "$runs"); do
  for name in gtk zenity qt; do measure "$name"; done
done
median() { sort -n "$1" | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
echo "command: $0 $runs (GSK_RENDERER=${GSK_RENDERER:-unset, GTK chooses})"
for name in gtk zenity qt; do
  echo "$name: window mapped after $(median "$tmp/$name.ms") ms, peak resident memory $(median "$tmp/$name.kib") KiB"
done
awk -v g="$(median "$tmp/gtk.ms")" -v z="$(median "$tmp/zenity.ms")" -v q="$(median "$tmp/qt.ms")" \
    -v gm="$(median "$tmp/gtk.kib")" -v zm="$(median "$tmp/zenity.kib")" -v qm="$(median "$tmp/qt.kib")" \
  'BEGIN { printf "gtk / zenity: time %.2f, memory %.2f; gtk / qt: time %.2f, memory %.2f\n", g/z, gm/zm, g/q, gm/qm }'
rm -rf "$tmp"
