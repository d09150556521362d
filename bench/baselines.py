#!/usr/bin/python3
"""setup-dialog against the least a program of its kind costs, in
alternating runs (after one untimed run of each):

  usage error      `setup-dialog` with no arguments, until it exits, against
                   a C++ program that prints one line (bench/baseline/hello.cpp)
  terminal prompt  `setup-dialog migrate A B` on a pseudo-terminal with no
                   display, until its first prompt shows, against that
                   program's line showing on a pseudo-terminal
  window           `setup-dialog enforcement-error` on Xvfb, until its window
                   is mapped, against a bare Qt message box with the same
                   title and text (bench/baseline/qt_message_box.cpp)

Goals: at most 1.5 times for the first two, 1.1 times for the window.
Usage: bench/baselines.py [BINARY [RUNS]]   (default build/setup-dialog, 21)
SETUP_DIALOG_TOOLKIT=gtk (or qt) chooses the window module timed; the
baseline stays the Qt message box.
"""
import ctypes
import os
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
binary = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "build", "setup-dialog"))
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 21
sys.stdout.reconfigure(line_buffering=True)
print("command:", " ".join(sys.argv))
if not os.access(binary, os.X_OK):
    sys.exit(f"no executable at {binary} (build with: scripts/build.sh)")
subprocess.run([os.path.join(top, "scripts", "deps.sh"), "bench"], check=True)

tmp = tempfile.mkdtemp()
hello, message_box = os.path.join(tmp, "hello"), os.path.join(tmp, "qt-message-box")
qt_flags = subprocess.run(["pkg-config", "--cflags", "--libs", "Qt6Widgets"], capture_output=True,
                          text=True, check=True).stdout.split()
subprocess.run(["g++", "-O2", "-o", hello, os.path.join(top, "bench/baseline/hello.cpp")], check=True)
subprocess.run(["g++", "-O2", "-fPIC", "-o", message_box,
                os.path.join(top, "bench/baseline/qt_message_box.cpp"), *qt_flags], check=True)
headless = {k: v for k, v in os.environ.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SETUP_DIALOG_TOOLKIT")}


def until_exit(argv):
    start = time.monotonic()
    subprocess.run(argv, env=headless, stdin=subprocess.DEVNULL, capture_output=True)
    return time.monotonic() - start


def until_shown(argv, ending):
    """Runs argv on a new pseudo-terminal (its controlling terminal and its
    standard output) and times it until the terminal shows text that ends
    with `ending`; then Ctrl-D."""
    master, slave = os.openpty()
    name = os.ttyname(slave)
    start = time.monotonic()
    run = subprocess.Popen(argv, env=headless, stdin=subprocess.DEVNULL, stdout=slave,
                           stderr=subprocess.DEVNULL, start_new_session=True,
                           preexec_fn=lambda: os.close(os.open(name, os.O_RDWR)))
    shown = b""
    while not shown.endswith(ending):
        if not select.select([master], [], [], 10)[0]:
            sys.exit(f"{argv[0]}: the terminal shows only {shown!r}")
        shown += os.read(master, 4096)
    elapsed = time.monotonic() - start
    os.write(master, b"\x04")
    run.wait(timeout=10)
    os.close(master)
    os.close(slave)
    return elapsed


class Display:
    """A private Xvfb and session bus, and a connection to it that hears each
    top-level window being mapped (no window manager: mapped is viewable)."""

    def __init__(self):
        self.xvfb = self.bus = None
        try:
            self.start()
        except BaseException:  # sys.exit included: leave no server behind
            self.close()
            raise

    def start(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-noreset", "-screen", "0",
                                      "1280x800x24", "-nolisten", "tcp"], pass_fds=[write],
                                     stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 64)
            if not chunk:
                sys.exit("Xvfb did not start")
            number += chunk
        os.close(read)
        self.env = dict(headless, DISPLAY=":" + number.decode().strip())
        if os.environ.get("SETUP_DIALOG_TOOLKIT"):
            self.env["SETUP_DIALOG_TOOLKIT"] = os.environ["SETUP_DIALOG_TOOLKIT"]
        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             capture_output=True, text=True, check=True).stdout.split()
        self.env["DBUS_SESSION_BUS_ADDRESS"], self.bus = bus[0], int(bus[1])
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        for call in ("XDefaultRootWindow", "XPending", "XConnectionNumber"):
            getattr(self.x, call).argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.dpy = self.x.XOpenDisplay(self.env["DISPLAY"].encode())
        if not self.dpy:
            sys.exit(f"cannot open the display {self.env['DISPLAY']!r}")
        self.x.XSelectInput(self.dpy, self.x.XDefaultRootWindow(self.dpy), 1 << 19)  # SubstructureNotify
        self.x.XSync(self.dpy, 0)
        self.event = (ctypes.c_long * 24)()  # an XEvent: type, serial, send_event, display, event, window, override

    def mapped(self, deadline):
        while time.monotonic() < deadline:
            while self.x.XPending(self.dpy):
                self.x.XNextEvent(self.dpy, self.event)
                if self.event[0] & 0xFFFFFFFF == 19 and not self.event[6] & 0xFFFFFFFF:  # MapNotify
                    return time.monotonic()
            select.select([self.x.XConnectionNumber(self.dpy)], [], [], 0.05)
        return None

    def until_window(self, argv):
        while self.x.XPending(self.dpy):
            self.x.XNextEvent(self.dpy, self.event)
        start = time.monotonic()
        run = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shown = self.mapped(start + 10)
        run.send_signal(signal.SIGTERM)
        run.wait(timeout=10)
        if shown is None:
            sys.exit(f"{argv[0]}: no window mapped within 10 s")
        return shown - start

    def close(self):
        if self.bus:
            os.kill(self.bus, signal.SIGTERM)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()


display = Display()
try:
    rows = [("usage error (ms)", 1.5, until_exit, [binary], [hello]),
            ("terminal prompt (ms)", 1.5, until_shown, ([binary, "migrate", "A", "B"], b": "),
             ([hello], b"\n")),
            ("window mapped (ms)", 1.1, display.until_window, [binary, "enforcement-error"], [message_box])]
    print(f"machine: nproc={os.cpu_count()}, {os.uname().sysname} {os.uname().release}; "
          f"{runs} alternating runs each, after one untimed run; "
          f"window module: {os.environ.get('SETUP_DIALOG_TOOLKIT') or 'the default'}")
    print(f"\n{'median (min-max)':22}{'setup-dialog':>22}{'baseline':>22}{'ratio':>8}  goal")
    for label, goal, measure, ours, theirs in rows:
        call = (lambda a: measure(*a)) if isinstance(ours, tuple) else measure
        times = {"ours": [], "theirs": []}
        for run in range(runs + 1):
            for side, argv in (("ours", ours), ("theirs", theirs)):
                elapsed = call(argv) * 1000
                if run:
                    times[side].append(elapsed)
        cells = "".join(f"{f'{statistics.median(v):.1f} ({min(v):.1f}-{max(v):.1f})':>22}" for v in times.values())
        ratio = statistics.median(times["ours"]) / statistics.median(times["theirs"])
        print(f"{label:22}{cells}{ratio:8.2f}  <= {goal}  {'PASS' if ratio <= goal else 'MISS'}")
finally:
    display.close()
    for path in (hello, message_box):
        os.unlink(path)
    os.rmdir(tmp)
