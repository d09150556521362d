#!/usr/bin/env bash
# The program where no window toolkit's libraries are installed, as a new
# user of the program's package alone would find it: in a private mount
# namespace an empty file hides Qt's (libQt6Widgets.so.6, libQt6Core.so.6)
# and GTK's (libgtk-4.so.1), so neither module loads. On a terminal
# `migrate A B` is asked and answered, with and without a live display;
# with no terminal and a live display it gives the no-display line and
# status 1. Never the loader's error and status 127. Quiet when it passes.
# Usage: tests/package/without_qt.sh PROGRAM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
missing() { exec "$here/../missing_tool.sh" "$@"; }

if [ "${1:-}" != --masked ]; then
  program=$(realpath "${1:?usage: $0 PROGRAM}")
  command -v unshare >/dev/null || missing unshare util-linux
  command -v Xvfb >/dev/null || missing Xvfb xvfb
  [ -x /usr/bin/python3 ] || missing python3 python3
  # Mounting needs root, or a user namespace this machine may not allow.
  unshare -m true 2>/dev/null || missing "a private mount namespace (unshare -m, as root)"
  exec unshare -m -- "$0" --masked "$program"
fi
program=$2

work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL $*" >&2; failures=$((failures + 1)); }

# unshare -m makes the namespace's mounts private: the mask stays in here.
: >"$work/empty"
for library in libQt6Widgets.so.6 libQt6Core.so.6 libgtk-4.so.1; do
  while read -r path; do
    mount --bind "$work/empty" "$(realpath "$path")"
  done < <(ldconfig -p | awk -v name="$library" '$1 == name {print $NF}')
  ! /usr/bin/python3 -c "import ctypes; ctypes.CDLL('$library')" 2>/dev/null ||
    { echo "FAIL $library still loads: the mask does not hold" >&2; exit 1; }
done

exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
xvfb=$!
read -r number <&3 || { echo "FAIL Xvfb did not start" >&2; exit 1; }
exec 3<&-

# On a pseudo-terminal: Enter at the first prompt presses "Migrate".
for display in "" ":$number"; do
  /usr/bin/python3 - "$program" "$display" <<'EOF' || fail "on a terminal, DISPLAY='$display'"
import os, select, subprocess, sys, time

program, display = sys.argv[1], sys.argv[2]
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
if display:
    env["DISPLAY"] = display
master, slave = os.openpty()
name = os.ttyname(slave)
run = subprocess.Popen([program, "migrate", "A", "B"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True,
                       preexec_fn=lambda: os.close(os.open(name, os.O_RDWR)))
shown, deadline = b"", time.monotonic() + 30
while not (b"Migrate" in shown and shown.endswith(b": ")) and run.poll() is None \
        and time.monotonic() < deadline:
    if select.select([master], [], [], 0.5)[0]:
        try:
            shown += os.read(master, 4096)
        except OSError:
            break
# Keys typed before the prompt shows are dropped: Enter again until it ends.
while run.poll() is None and time.monotonic() < deadline:
    os.write(master, b"\r")
    try:
        run.wait(timeout=1)
    except subprocess.TimeoutExpired:
        pass
if run.poll() is None:
    run.kill()
out, err = run.communicate()
os.close(slave)
problems = []
if b"Migrate" not in shown:
    problems.append(f"the terminal shows {shown[-300:]!r}")
if (run.returncode, out, err) != (0, b"A,B\n", b""):
    problems.append(f"status {run.returncode}, stdout {out!r}, stderr {err!r}")
sys.exit("; ".join(problems) or None)
EOF
done

# No terminal, a live display, no window toolkit that can start.
status=0
DISPLAY=":$number" setsid timeout 30 env -u WAYLAND_DISPLAY "$program" migrate A B </dev/null \
  >"$work/stdout" 2>"$work/stderr" || status=$?
[ "$status" = 1 ] || fail "no terminal: status $status, want 1"
[ ! -s "$work/stdout" ] || fail "no terminal: stdout $(cat "$work/stdout")"
[[ "$(cat "$work/stderr")" == "setup-dialog: no display: cannot show the dialog ("*")" ]] &&
  [ "$(wc -l <"$work/stderr")" = 1 ] || fail "no terminal: stderr $(cat "$work/stderr")"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
