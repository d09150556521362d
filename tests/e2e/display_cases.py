"""Which display the dialog opens on, and what happens when it goes away:
X11 preferred, native Wayland under weston where there is only Wayland, stale
Wayland sockets refused up front, and a display lost mid-dialog."""

import os
import shutil
import socket
import subprocess
import tempfile
import time

from cases import no_display
from harness import Failure, check, check_equal, expect_run, fail_fast_env, start_xvfb, stop, wait_for

LOST = b"setup-dialog: lost the display before an answer\n"
# Full stacks, so that the suppressions can tell Qt's leaks by their callers.
LSAN_WAYLAND = ("suppressions=" + os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                               "lsan_wayland.supp")
                + ":fast_unwind_on_malloc=0")
WAYLAND_NAMES = (None, "wayland", "wayland-egl", "wayland-generic", "wayland;xcb")


class Weston:
    """weston with its X11 back end, in an Xvfb of its own, serving a socket
    in a runtime folder of its own. With `debug`, weston-debug can read where
    it put each window (the only place a Wayland client's position shows)."""

    def __init__(self, debug=False):
        self.runtime = tempfile.mkdtemp(prefix="setup-dialog-wayland-")
        os.chmod(self.runtime, 0o700)
        self.xvfb, self.x_display = start_xvfb()
        self.socket = "wayland-e2e"
        env = dict(os.environ, DISPLAY=self.x_display, XDG_RUNTIME_DIR=self.runtime)
        env.pop("WAYLAND_DISPLAY", None)
        self.process = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", f"--socket={self.socket}", "--idle-time=0",
             "--width=1024", "--height=700", *(["--debug"] if debug else [])],
            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        path = os.path.join(self.runtime, self.socket)
        try:
            wait_for(lambda: os.path.exists(path) or self.process.poll() is not None,
                     "weston's socket")
            check(self.process.poll() is None, "weston did not start")
        except Exception:
            self.close()
            raise

    def env(self, **extra):
        """Only WAYLAND_DISPLAY, as on a Wayland desktop without XWayland."""
        env = dict(DISPLAY=None, QT_QPA_PLATFORM=None, WAYLAND_DISPLAY=self.socket,
                   XDG_RUNTIME_DIR=self.runtime, LSAN_OPTIONS=LSAN_WAYLAND)
        env.update(extra)
        return env

    def close(self):
        stop(self.process)
        stop(self.xvfb)
        shutil.rmtree(self.runtime, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()


def headless_cases(binary):

    def a_stale_wayland_socket_is_no_display():
        # A compositor that went away leaves its socket file: every Wayland
        # platform name, and none, gives the one line, never an abort.
        with tempfile.TemporaryDirectory() as runtime:
            os.chmod(runtime, 0o700)
            stale = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            stale.bind(os.path.join(runtime, "wayland-stale"))
            stale.close()
            for name in WAYLAND_NAMES:
                env = dict(fail_fast_env(), WAYLAND_DISPLAY="wayland-stale",
                           XDG_RUNTIME_DIR=runtime)
                if name:
                    env["QT_QPA_PLATFORM"] = name
                process = subprocess.run([binary, "migrate-empty"], capture_output=True,
                                         stdin=subprocess.DEVNULL, env=env, timeout=30,
                                         start_new_session=True)
                try:
                    # The display is probed before any toolkit loads, so
                    # the line names it whatever platform Qt is asked for.
                    expect_run((process.returncode, process.stdout, process.stderr), 1,
                               err=no_display("the Wayland display wayland-stale does not answer"))
                except Failure as failure:
                    raise Failure(f"QT_QPA_PLATFORM={name}: {failure}") from None

    return [a_stale_wayland_socket_is_no_display]


def window_cases(driver):
    binary = driver.binary

    def only_wayland_opens_a_native_wayland_window():
        with Weston() as weston:
            for name in (None, "wayland", "wayland-egl", "xcb;wayland"):
                extra = {"QT_QPA_PLATFORM": name} if name else {}
                with driver.start(("clients", "default", "A"), env=weston.env(**extra)) as dialog:
                    check_equal(dialog.window.name, "Orvex Setup", f"title with {name}")
                    # No X window of its own: it is a Wayland client.
                    check(not x_windows_of(dialog.process.pid, weston.x_display),
                          f"an X window with {name}")
                    dialog.click("Configure")
                    expect_run(dialog.finish(), 0, out=b"configure\nfalse\nA\n")

    def x11_is_preferred_where_both_work():
        with Weston() as weston, driver.start(
                ("migrate-empty",), env=weston.env(DISPLAY=os.environ["DISPLAY"])) as dialog:
            check(dialog.snapshot({"on_top"})["on_top"], "not an X window kept on top")
            dialog.click("OK")
            expect_run(dialog.finish(), 0)

    def the_x_server_lost_mid_dialog_ends_with_one_line():
        xvfb, display = start_xvfb()
        try:
            with driver.start(("clients", "default", "A"), env={"DISPLAY": display}) as dialog:
                stop(xvfb)
                expect_run(dialog.finish(), 1, err=LOST)
        finally:
            stop(xvfb)

    def the_wayland_compositor_lost_mid_dialog_ends_with_one_line():
        with Weston() as weston, driver.start(("enroll",), env=weston.env()) as dialog:
            stop(weston.process)
            expect_run(dialog.finish(), 1, err=LOST)

    def a_window_that_never_appears_ends_the_run():
        """A shell integration Qt cannot load leaves the window unmapped for
        ever: the run ends with one line instead of hanging."""
        with Weston() as weston:
            env = {k: v for k, v in dict(os.environ, **weston.env(
                QT_WAYLAND_SHELL_INTEGRATION="junk")).items() if v is not None}
            process = subprocess.run([binary, "migrate-empty"], stdin=subprocess.DEVNULL,
                                     capture_output=True, env=env, timeout=40,
                                     start_new_session=True)
            expect_run((process.returncode, process.stdout, process.stderr), 1,
                       err=no_display("the window did not appear"))

    def probes_that_answer_wait_for_no_deadline():
        """The display and bus probes run side by side: where all of them
        answer, none may hold the run up to a deadline (two seconds each;
        a child left waiting for its release ends by itself at four)."""
        start = time.monotonic()
        with driver.start(("migrate-empty",)) as dialog:
            took = time.monotonic() - start
            check(took < 3, f"the window took {took:.1f} s")
            dialog.click("OK")
            expect_run(dialog.finish(), 0)

    return [probes_that_answer_wait_for_no_deadline,
            only_wayland_opens_a_native_wayland_window, x11_is_preferred_where_both_work,
            the_x_server_lost_mid_dialog_ends_with_one_line,
            the_wayland_compositor_lost_mid_dialog_ends_with_one_line,
            a_window_that_never_appears_ends_the_run]


def x_windows_of(pid, display):
    return subprocess.run(["xdotool", "search", "--pid", str(pid)], capture_output=True,
                          text=True, env=dict(os.environ, DISPLAY=display)).stdout.split()
