"""Hostile surroundings, each with a deadline: a display or bus that accepts
and never answers, screens and authority files that are not there, settings
that would hide or end the run. Each ends with the one no-display line and
status 1, or shows its window, which Return answers."""

import os
import socket
import subprocess
import tempfile
import threading
import time

from cases import no_display
from driver_atspi import KEY_GUARD
from harness import check, expect_run, fail_fast_env, start_xvfb, wait_for

USAGE_START = b"Usage: setup-dialog "


class SilentSocket:
    """A Unix socket that takes every connection and never says a word."""

    def __init__(self, path):
        self.path = path
        self.server = socket.socket(socket.AF_UNIX)
        self.server.bind(path)
        self.server.listen(16)
        self.server.settimeout(0.2)
        self.held, self.done = [], False
        self.thread = threading.Thread(target=self._accept, daemon=True)
        self.thread.start()

    def _accept(self):
        while not self.done:
            try:
                self.held.append(self.server.accept()[0])
            except OSError:
                pass

    def close(self):
        self.done = True
        self.thread.join()
        for connection in self.held:
            connection.close()
        self.server.close()
        os.unlink(self.path)


def run(binary, env, *args, answer=False, settle=0.0):
    """Runs the program in a session of its own; with `answer`, waits for its
    window (after `settle` seconds in which no other client comes and goes)
    and presses Return past the keyboard guard. Returns the result and the
    seconds the run took."""
    start = time.monotonic()
    process = subprocess.Popen([binary, *args], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=env, start_new_session=True)
    try:
        if answer:
            time.sleep(settle)
            wait_for(lambda: process.poll() is not None or subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--pid", str(process.pid)],
                env=env, capture_output=True).returncode == 0, "the window", timeout=8)
            time.sleep(KEY_GUARD + 0.2)
            subprocess.run(["xdotool", "key", "Return"], env=env, check=False)
        out, err = process.communicate(timeout=15)
        return (process.returncode, out, err), time.monotonic() - start
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def hostile_cases(binary):
    def hostile_surroundings_end_in_one_line_or_a_window_within_a_deadline():
        # -noreset: the cases' own short connections leave it with no client
        # again and again, and a reset in between would refuse the next one.
        xvfb, display = start_xvfb("-noreset")
        folder = tempfile.mkdtemp()
        home = os.path.join(folder, "home")
        os.mkdir(home)
        fifo = os.path.join(folder, "fifo")
        os.mkfifo(fifo)
        plugins = os.path.join(folder, "plugins")
        os.makedirs(os.path.join(plugins, "platforms"))
        # An empty file: Qt cannot map it to read its metadata.
        open(os.path.join(plugins, "platforms", "libbroken.so"), "wb").close()
        silent_x = os.path.join("/tmp/.X11-unix", "X%d" % (os.getpid() % 1000 + 5000))
        os.makedirs("/tmp/.X11-unix", exist_ok=True)
        x_socket = SilentSocket(silent_x)
        bus_socket = SilentSocket(os.path.join(folder, "bus"))
        base = dict(fail_fast_env(), HOME=home,
                    LSAN_OPTIONS="suppressions=" + os.path.join(
                        os.path.dirname(os.path.abspath(__file__)), "no_bus.supp"))
        silent_display = ":" + silent_x.rsplit("X", 1)[1]
        try:
            # (what, extra environment, answer it, the result wanted: None for the
            # usage line, a display's name for the line that it does not answer)
            for what, extra, answer, want in [
                ("a usage error with a silent display", {"DISPLAY": silent_display}, False, None),
                ("a silent display", {"DISPLAY": silent_display}, False, silent_display),
                ("a screen the server lacks", {"DISPLAY": display + ".1"}, False, display + ".1"),
                ("a negative screen", {"DISPLAY": display + ".-1"}, False, display + ".-1"),
                ("an endless authority file", {"DISPLAY": display, "XAUTHORITY": "/dev/zero"},
                 False, display),
                ("an authority file that is a FIFO", {"DISPLAY": display, "XAUTHORITY": fifo},
                 False, display),
                ("a silent session bus", {"DISPLAY": display, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                  "DBUS_SESSION_BUS_ADDRESS": "unix:path=" + bus_socket.path}, True, b""),
                ("no session bus", {"DISPLAY": display, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"},
                 True, b""),
                ("a scale of zero", {"DISPLAY": display, "QT_SCALE_FACTOR": "0"}, True, b""),
                ("fatal warnings", {"DISPLAY": display, "QT_FATAL_WARNINGS": "1"}, True, b""),
                # Scales and font resolutions out of range are ignored.
                *((f"{name}={value}", {"DISPLAY": display, name: value}, True, b"")
                  for name, value in (("QT_SCALE_FACTOR", "inf"), ("QT_SCALE_FACTOR", "nan"),
                                      ("QT_SCALE_FACTOR", "1e9"), ("QT_SCALE_FACTOR", "1e-9"),
                                      ("QT_SCALE_FACTOR", "50"),
                                      ("QT_SCREEN_SCALE_FACTORS", "1e9"),
                                      ("QT_SCREEN_SCALE_FACTORS", "screen=inf;1e-9"),
                                      ("QT_FONT_DPI", "100000"))),
                # Qt's reports on its plugins stay off standard error, the
                # reading of the platform plugins included.
                ("a broken platform plugin", {"DISPLAY": display, "QT_PLUGIN_PATH": plugins},
                 True, b""),
                ("plugin debugging", {"DISPLAY": display, "QT_DEBUG_PLUGINS": "1"}, True, b""),
                ("every debug category", {"DISPLAY": display, "QT_LOGGING_RULES": "*.debug=true"},
                 True, b""),
            ]:
                env = dict(base, **extra)
                if "DBUS_SESSION_BUS_ADDRESS" not in extra:
                    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
                args = () if want is None else ("migrate-empty",)
                result, seconds = run(binary, env, *args, answer=answer)
                if want is None:
                    check(result[0] == 1 and result[2].startswith(USAGE_START),
                          f"{what}: {result}")
                    check(seconds < 1, f"{what}: the usage error took {seconds:.1f} s")
                elif isinstance(want, str):  # the display that does not answer
                    expect_run(result, 1, err=no_display(f"the display {want} does not answer"))
                    check(seconds < 5, f"{what}: took {seconds:.1f} s")
                else:
                    expect_run(result, 0)
                check(os.listdir(home) == [], f"{what}: wrote {os.listdir(home)} in the home folder")
        finally:
            x_socket.close()
            bus_socket.close()
            xvfb.terminate()
            xvfb.wait()
            subprocess.run(["rm", "-rf", folder], check=False)

    return [hostile_surroundings_end_in_one_line_or_a_window_within_a_deadline]
