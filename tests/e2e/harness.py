"""Drives the built setup-dialog from outside, the way a screen reader does:
through the accessibility bus (AT-SPI), with keys from xdotool."""

import os
import subprocess
import sys
import time

try:
    import pyatspi
except ImportError:  # the cases without a window run without it
    pyatspi = None

TIMEOUT = 20.0
# The dialog drops keys until it has been active this long with no key.
KEY_GUARD = 0.5


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_equal(got, want, what):
    if got != want:
        raise Failure(f"{what}: got {got!r}, want {want!r}")


def wait_for(probe, what, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = probe()
        except Exception:  # the tree changes under us while a window maps
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.1)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def start_accessibility_bus():
    """Brings up the accessibility registry before the first program starts:
    a program that looks for it while it is still starting is never listed."""
    wait_for(lambda: pyatspi.Registry.getDesktop(0).childCount >= 0 or True,
             "the accessibility registry")
    time.sleep(0.5)


class Dialog:
    """A running setup-dialog and its window, found on the accessibility bus."""

    def __init__(self, binary, *items, cwd=None, env=None, stdout=subprocess.PIPE):
        run_env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        run_env.update(env or {})
        run_env = {k: v for k, v in run_env.items() if v is not None}  # None unsets
        self.process = subprocess.Popen(
            [binary, *items], stdout=stdout, stderr=subprocess.PIPE,
            stdin=subprocess.DEVNULL, cwd=cwd, env=run_env)
        self.window = wait_for(self._find_window, f"the window of {items}")

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.process.pid:
                return app
        return None

    def _find_window(self, old=None):
        app = self._find_app()
        if app is None:
            return None
        for i in range(app.childCount):
            window = app.getChildAtIndex(i)
            if window != old and window.getState().contains(pyatspi.STATE_SHOWING):
                return window
        return None

    def next_window(self):
        """Follows the program to the next alert it shows (the enrollment
        dialog shows a new one after each rejected input)."""
        old = self.window
        found = wait_for(lambda: self.process.poll() is not None or self._find_window(old),
                         "the next window")
        if found is True:
            raise Failure(f"the program ended instead: {self.finish()}")
        self.window = found

    def find(self, role, name):
        def probe():
            for node in walk(self.window):
                if node.getRole() == role and node.name == name:
                    return node
            return None
        return wait_for(probe, f"a {role} named {name!r}")

    def texts(self):
        """The text of every label in the window, in tree order."""
        found = []
        for node in walk(self.window):
            if node.getRole() == pyatspi.ROLE_LABEL:
                found.append(node.name or node.queryText().getText(0, -1))
        return found

    def press(self, name):
        button = self.find(pyatspi.ROLE_PUSH_BUTTON, name)
        button.queryAction().doAction(0)

    def x_window_state(self):
        """The _NET_WM_STATE atoms of the dialog's X window."""
        ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                              str(self.process.pid)], capture_output=True, text=True).stdout.split()
        check(ids, "no visible X window for the process")
        return subprocess.run(["xprop", "-id", ids[-1], "_NET_WM_STATE"],
                              capture_output=True, text=True).stdout

    def wait_keyboard(self):
        """Waits until the window is active and its keys count."""
        wait_for(lambda: self.window.getState().contains(pyatspi.STATE_ACTIVE),
                 "the alert to be the active window")
        time.sleep(KEY_GUARD + 0.2)

    def key(self, keys):
        subprocess.run(["xdotool", "key", "--clearmodifiers", keys], check=True)

    def finish(self, timeout=TIMEOUT):
        """Waits for the process to end; returns (status, stdout, stderr)."""
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
            raise Failure(f"still running after {timeout} s; stderr {err!r}")
        return self.process.returncode, out or b"", err

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()


def expect_run(result, status, out=b"", err=b""):
    got_status, got_out, got_err = result
    check_equal(got_err, err, "standard error")
    check_equal(got_out, out, "standard output")
    check_equal(got_status, status, "exit status")


def run_cases(cases):
    """Runs the cases; E2E_ONLY=word runs only those whose names hold it."""
    only = os.environ.get("E2E_ONLY", "")
    passed = failed = 0
    for case in cases:
        if only not in case.__name__:
            continue
        name = case.__name__
        try:
            case()
        except Failure as failure:
            failed += 1
            print(f"FAIL {name}: {failure}", flush=True)
        except Exception as error:  # a broken harness is a failure too
            failed += 1
            print(f"FAIL {name}: {type(error).__name__}: {error}", flush=True)
        else:
            passed += 1
            print(f"ok   {name}", flush=True)
    return passed, failed


def start_xvfb(*options):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
         *options],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        raise RuntimeError("Xvfb did not start")
    return xvfb, ":" + number


def fail_fast_env():
    """The environment a window-less run sees: no display of any kind."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    return env


def main_guard(main):
    sys.exit(main(sys.argv[1:]))
