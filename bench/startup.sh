#!/usr/bin/env bash
# Startup cost of setup-dialog against zenity showing the same warning:
# time until the top-level window is mapped, and resident memory once it is up.
# Usage: bench/startup.sh [BINARY [RUNS]]   (RUNS may also come from the environment)
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
printf 'command:'; [ -n "${RUNS:-}" ] && printf ' RUNS=%q' "$RUNS"; printf ' %q' "$0" "$@"; echo
bin=${1:-$top/build/setup-dialog}
runs=${2:-${RUNS:-15}}
[ -x "$bin" ] || { echo "no executable at $bin (build with: cmake --build build)" >&2; exit 2; }
bin=$(realpath "$bin")

"$top/scripts/deps.sh" bench

echo "machine: nproc=$(nproc), Qt $(dpkg-query -W -f='${Version}' 'libqt6core6*' 2>/dev/null | head -c 40)," \
  "zenity $(dpkg-query -W -f='${Version}' zenity), $(uname -sr)"

tmp=$(mktemp -d)
xvfb='' bus=''
cleanup() {
  set +e
  [ -n "$bus" ] && kill "$bus" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# -displayfd writes the display number once the server accepts connections.
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "Xvfb did not start:" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

# Without a session bus GTK autolaunches one tied to the display, plus the
# accessibility bus, and both outlive us. A private bus gives both programs the
# same desktop-like footing and its helpers exit when it goes.
if command -v dbus-daemon >/dev/null &&
   dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$tmp/bus"; then
  { read -r DBUS_SESSION_BUS_ADDRESS; read -r bus; } <"$tmp/bus"
  export DBUS_SESSION_BUS_ADDRESS
fi

text="Orvex couldn't turn on automatic setup. To try again later, run: orvex config set drift-enforcement auto_install"
/usr/bin/python3 - "$bin" "$runs" "$text" "$tmp/programs.log" <<'EOF' || { tail -n 20 "$tmp/programs.log" >&2; exit 1; }
import ctypes, os, select, statistics, subprocess, sys, time

binary, runs, text, log = sys.argv[1], int(sys.argv[2]), sys.argv[3], open(sys.argv[4], "w")
programs = {"setup-dialog": [binary, "enforcement-error"],
            "zenity": ["zenity", "--warning", "--title", "Orvex Setup", "--text", text]}

# Spawning xdotool/xwininfo per poll costs milliseconds each, so instead we
# listen on the root window for MapNotify: the event arrives as soon as the
# toplevel is mapped (no window manager, so mapped means viewable) and select()
# wakes us with sub-millisecond delay.
X = ctypes.CDLL("libX11.so.6")
X.XOpenDisplay.restype = ctypes.c_void_p
X.XDefaultRootWindow.restype = ctypes.c_ulong
X.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
X.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
X.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
X.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
X.XPending.argtypes = X.XConnectionNumber.argtypes = [ctypes.c_void_p]

class MapEvent(ctypes.Structure):  # XMapEvent, padded to the size of XEvent
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int), ("pad", ctypes.c_long * 24)]

dpy = X.XOpenDisplay(None) or sys.exit("cannot open " + os.environ["DISPLAY"])
X.XSelectInput(dpy, X.XDefaultRootWindow(dpy), 1 << 19)  # SubstructureNotifyMask
X.XSync(dpy, 0)
ev, fd = MapEvent(), X.XConnectionNumber(dpy)

def next_map(deadline):
    while True:
        while X.XPending(dpy):
            X.XNextEvent(dpy, ctypes.byref(ev))
            if ev.type == 19 and not ev.override_redirect:  # MapNotify of a real toplevel
                return time.monotonic(), ev.window
        if deadline <= time.monotonic() or not select.select([fd], [], [], deadline - time.monotonic())[0]:
            return None, None

def rss_mib(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024

notes = set()
def measure(name):
    while X.XPending(dpy):
        X.XNextEvent(dpy, ctypes.byref(ev))
    t0 = time.monotonic()
    p = subprocess.Popen(programs[name], stdout=log, stderr=log)
    try:
        t1, win = next_map(t0 + 10)
        if win is None:
            sys.exit(f"{name}: no window mapped within 10 s (their output follows)")
        time.sleep(0.5)  # let the heap and lazily loaded libraries settle
        owner = int(subprocess.run(["xdotool", "getwindowpid", str(win)], capture_output=True, text=True).stdout or 0)
        if owner != p.pid:
            notes.add(f"{name}: the window belongs to another process than the one started")
        children = subprocess.run(["pgrep", "-P", str(p.pid)], capture_output=True, text=True).stdout.split()
        if children:
            notes.add(f"{name}: has child processes while showing the window")
        rss = rss_mib(owner or p.pid)
        # key --window (a synthetic event) leaves zenity open; focus plus a real key closes both.
        subprocess.run(["xdotool", "windowfocus", "--sync", str(win), "key", "Return"], timeout=5)
        try:
            rc = p.wait(timeout=5)
            if rc != 0:
                notes.add(f"{name}: exited with status {rc} after Return")
        except subprocess.TimeoutExpired:
            notes.add(f"{name}: Return did not close the window; killed it")
        return (t1 - t0) * 1000, rss
    finally:
        if p.poll() is None:
            p.kill(); p.wait()

print("display", os.environ["DISPLAY"], "(Xvfb 1280x800x24), session bus:", "private" if "DBUS_SESSION_BUS_ADDRESS" in os.environ else "none")
for name, argv in programs.items():
    print(f"  {name}:", " ".join(f'"{a}"' if " " in a else a for a in argv))
print(f"{runs} alternating runs each, after one untimed warm-up run of each")
for name in programs:
    measure(name)  # warm-up: page cache, the accessibility bus GTK starts on first use
results = {name: [] for name in programs}
for _ in range(runs):
    for name in programs:
        results[name].append(measure(name))

print(f"\n{'median (min-max)':24}{'setup-dialog':>22}{'zenity':>22}{'ratio':>8}  target")
for i, (label, target) in enumerate([("window mapped (ms)", 0.6), ("RSS after map (MiB)", 0.7)]):
    cells, medians = "", []
    for name in programs:
        values = [r[i] for r in results[name]]
        medians.append(statistics.median(values))
        cells += f"{f'{medians[-1]:.1f} ({min(values):.1f}-{max(values):.1f})':>22}"
    ratio = medians[0] / medians[1]
    print(f"{label:24}{cells}{ratio:8.2f}  <= {target}  {'PASS' if ratio <= target else 'MISS'}")

env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
times = []
for _ in range(50):
    t0 = time.monotonic()
    r = subprocess.run([binary], env=env, capture_output=True, text=True)
    times.append((time.monotonic() - t0) * 1000)
    if r.returncode != 1 or not r.stderr.startswith("Usage"):
        sys.exit(f"usage path: expected status 1 and a usage line, got {r.returncode}: {r.stderr!r}")
print(f"\nusage error without DISPLAY, median of 50: {statistics.median(times):.2f} ms "
      f"({min(times):.2f}-{max(times):.2f})")
for note in sorted(notes):
    print("note:", note)
EOF
