"""What every driver and runner of the end-to-end tests shares."""

import os
import subprocess
import time

TIMEOUT = 20.0


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
        except Failure:
            raise
        except Exception:  # the tree changes under us while a window maps
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.05)


def expect_run(result, status, out=b"", err=b""):
    got_status, got_out, got_err = result
    check_equal(got_err, err, "standard error")
    check_equal(got_out, out, "standard output")
    check_equal(got_status, status, "exit status")


def run_cases(cases):
    """Runs (name, function) pairs; returns (passed, failed)."""
    passed = failed = 0
    for name, function in cases:
        started = time.monotonic()
        try:
            function()
        except Exception as error:  # a broken driver is a failure too
            failed += 1
            kind = "" if isinstance(error, Failure) else f"{type(error).__name__}: "
            print(f"FAIL {name}: {kind}{error}", flush=True)
        else:
            passed += 1
            print(f"ok   {name} ({time.monotonic() - started:.1f} s)", flush=True)
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


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def fail_fast_env():
    """The environment a window-less run sees: no display of any kind."""
    return {k: v for k, v in os.environ.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}


def run_plain(command, env, stdout=subprocess.PIPE, timeout=30):
    """Runs with no terminal (a session of its own); returns (status, out, err)."""
    done = subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL,
                          env=env, timeout=timeout, start_new_session=True)
    return done.returncode, done.stdout or b"", done.stderr


def inside(box, outer):
    x, y, width, height = box
    ox, oy, owidth, oheight = outer
    return x >= ox and y >= oy and x + width <= ox + owidth and y + height <= oy + oheight


def layout_problems(window, screen, buttons, rows, auto=None, scroll=None):
    """What a person would find wrong in where the alert puts things (boxes
    are (x, y, width, height)): empty when the alert, its buttons and the
    automatic-setup box are on screen, the rows top to bottom, and a list that
    scrolls opens at its top with the box under it."""
    problems = []
    if not inside(window, screen):
        problems.append(f"the alert {window} is off the screen {screen}")
    problems += [f"{title!r} is off the alert" for title, box in buttons if not inside(box, window)]
    tops = [box[1] for box in rows]
    if tops != sorted(tops) or len(set(tops)) != len(tops):
        problems.append(f"rows not top to bottom: {tops}")
    if auto is not None and not inside(auto, window):
        problems.append("the automatic-setup box is off the alert")
    if scroll is not None:
        if rows and not inside(rows[0], scroll):
            problems.append("the list does not open at its first row")
        if auto is not None and inside(auto, scroll):
            problems.append("the automatic-setup box scrolls with the list")
    return problems


def copy_with_icon(binary, folder, icon):
    """A copy of the program in folder with icon.png beside it (bytes, or
    "fifo" for a pipe that would block a reader), and its window toolkit
    modules, which it finds in its own folder."""
    import glob
    import shutil
    program = os.path.join(folder, os.path.basename(binary))
    shutil.copy(binary, program)
    for module in glob.glob(os.path.join(os.path.dirname(binary), "toolkit-*.so")):
        shutil.copy(module, folder)
    path = os.path.join(folder, "icon.png")
    if icon == "fifo":
        os.mkfifo(path)
    else:
        with open(path, "wb") as file:
            file.write(icon)
    return program


class KeyedRun:
    """A run driven by xdotool on its driver's display: keys and text past the
    key guard, a key held through the quiet time, the end of the process."""

    KEY_GUARD = 0.7

    @property
    def env(self):
        return self.driver.env

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.env, check=True, timeout=30)

    def set_clipboard(self, text):
        # xclip stays behind to serve the selection; it must not hold our pipes.
        subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True,
                       env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=10)

    def clipboard(self):
        return subprocess.run(["xclip", "-selection", "clipboard", "-o"], capture_output=True,
                              env=self.env, check=True, timeout=10).stdout.decode()

    def click_at(self, x, y):
        """A click of the first button at (x, y). `mousemove --sync` waits
        for the pointer to move, which it never does where it already is;
        there a second click waits out the double-click time instead, as a
        person's would (a Win32 box told of its focus takes a double click
        as one)."""
        here = subprocess.run(["xdotool", "getmouselocation", "--shell"], env=self.env,
                              capture_output=True, text=True, check=True, timeout=30).stdout
        if f"X={x}\nY={y}\n" in here:
            self.xdotool("sleep", "0.6", "click", "1")
        else:
            self.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")

    def quiet_again(self):
        """xdotool steps that start the quiet time again, however late the
        window was seen. None here: without a window manager, neither Wine
        nor GNUstep takes keys again once its window lost the focus, and X
        drops the release of a key that is not down. The keys go at once."""
        return []

    def past_the_guard(self):
        time.sleep(max(0.0, self.shown_at + self.KEY_GUARD - time.monotonic()))

    def press(self, *keys, early=False):
        if early:
            self.xdotool(*self.quiet_again(), "key", "--delay", "100", *keys)
            self.shown_at = time.monotonic()  # each key starts the wait again
            return
        self.past_the_guard()
        self.xdotool("key", "--delay", "50", *keys)

    def hold(self, key):
        """Pressed within the quiet time and held for two seconds."""
        try:
            self.xdotool(*self.quiet_again(), "keydown", key, "sleep", "2")
        finally:
            self.xdotool("keyup", key)
        self.shown_at = time.monotonic()

    def type(self, text):
        self.past_the_guard()
        self.xdotool("type", "--delay", "30", text)

    def running(self):
        return self.process.poll() is None

    def communicate(self, timeout):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise Failure(f"{self.items!r} still running after {timeout} s") from None
        return self.process.returncode, out or b"", err

    def finish(self, timeout=20):
        return self.communicate(timeout)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()  # GNUstep catches SIGTERM
            self.process.communicate()

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.kill()
