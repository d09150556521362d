"""Drives setup-dialog-gnustep, the AppKit backend on GNUstep, from outside:
keys and clicks from xdotool on a private Xvfb. GNUstep has no accessibility
bridge; the program's test-only probe (tests/appkit/gnustep_probe.mm) writes
what the alert shows to a file instead, and this reads it where the Qt tests
ask the accessibility bus.

A Session is the private world of one test run: the display, GNUstep's
defaults and temporary folder, and the daemons GNUstep starts in it."""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# The alert takes keys once it has been active this long with none (seconds).
KEY_GUARD = 0.7

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))
from harness import Failure, check, check_equal, start_xvfb, wait_for  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
TIMEOUT = 20.0
SCREEN = (1280, 800)
# Classes of which GNUstep keeps no object of its own: any still alive at exit
# was made for an alert and never let go of.
ALERT_CLASSES = ("NSAlert", "GSAlertPanel", "NSButton", "NSTextField", "NSScrollView",
                 "SetupDialogCheckboxTarget")
# GNUstep's own defaults for the run: it draws its own window frames (there is
# no window manager) and shows no application icon; with a window manager's
# frames it would also write lines about them to standard error.
DEFAULTS = "{\n  GSX11HandlesWindowDecorations = NO;\n  GSSuppressAppIcon = YES;\n}\n"


class Session:
    def __init__(self, binary):
        self.binary = binary
        self.dir = tempfile.mkdtemp(prefix="setup-dialog-gnustep-")
        self.count = 0
        # GNUstep finds the user's defaults through its configuration file, not
        # HOME; a copy of the system's with the user folders moved in here.
        config = os.path.join(self.dir, "GNUstep.conf")
        system = "/etc/GNUstep/GNUstep.conf"
        with open(config, "w") as out:
            if os.path.exists(system):
                with open(system) as source:
                    out.write(source.read())
            for name, sub in (("DEFAULTS_DIR", "Defaults"), ("DIR_LIBRARY", "Library"),
                              ("DIR_APPS", "Applications"), ("DIR_TOOLS", "Tools")):
                out.write(f"\nGNUSTEP_USER_{name}={os.path.join(self.dir, sub)}")
            out.write("\n")
        os.makedirs(os.path.join(self.dir, "Defaults"))
        with open(os.path.join(self.dir, "Defaults", "NSGlobalDomain.plist"), "w") as out:
            out.write(DEFAULTS)
        # Message ports and daemons' names live in the temporary folder: a
        # private one keeps this run apart from any other GNUstep program.
        tmp = os.path.join(self.dir, "tmp")
        os.makedirs(tmp, mode=0o700)
        home = os.path.join(self.dir, "home")
        os.makedirs(home)
        self.logs = os.path.join(self.dir, "sanitizer")
        os.makedirs(self.logs)
        # -noreset: without it the server resets when its last client leaves,
        # and a program starting just then sometimes finds no display.
        self.xvfb, display = start_xvfb("-noreset")
        self.env = {
            key: value for key, value in os.environ.items()
            if key not in ("WAYLAND_DISPLAY", "SETUP_DIALOG_DEBUG", "GNUSTEP_STRING_ENCODING")}
        self.env.update({
            "DISPLAY": display, "HOME": home, "GNUSTEP_CONFIG_FILE": config,
            "TMPDIR": tmp, "TMP": tmp, "TEMP": tmp,  # GNUstep reads TMP and TEMP
            # Marks the daemons GNUstep starts from here, so that they can be
            # found and stopped at the end.
            "SETUP_DIALOG_GNUSTEP_SESSION": self.dir,
            # A message to a freed object stops the run.
            "NSZombieEnabled": "YES", "CRASH_ON_ZOMBIE": "YES",
            # Under ASan and UBSan (a sanitizer build) their reports go to
            # files, since the program keeps standard error for its own lines.
            "ASAN_OPTIONS": f"log_path={self.logs}/report:detect_leaks=1",
            "LSAN_OPTIONS": f"suppressions={HERE}/lsan.supp:print_suppressions=0",
            "UBSAN_OPTIONS": f"log_path={self.logs}/report:print_stacktrace=1:halt_on_error=1",
        })

    def probe_path(self):
        self.count += 1
        return os.path.join(self.dir, f"probe-{self.count}.json")

    def sanitizer_reports(self):
        found = []
        for name in sorted(os.listdir(self.logs)):
            with open(os.path.join(self.logs, name), errors="replace") as file:
                found.append(f"{name}:\n{file.read()}")
            os.remove(os.path.join(self.logs, name))
        return found

    def daemons(self):
        """The processes started in this session that outlive the program
        (GNUstep's gdnc and gpbs), found by the mark in their environment."""
        mark = f"SETUP_DIALOG_GNUSTEP_SESSION={self.dir}".encode()
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as file:
                    if mark in file.read().split(b"\0"):
                        found.append(int(entry))
            except OSError:
                pass
        return found

    def close(self):
        pids = self.daemons()
        for pid in pids:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline and any(alive(pid) for pid in pids):
            time.sleep(0.05)
        for pid in pids:
            if alive(pid):
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        self.xvfb.terminate()
        try:
            self.xvfb.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.xvfb.kill()
            self.xvfb.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as file:
            return file.read().split(") ")[-1][:1] not in ("Z", "X")
    except OSError:
        return False


def center(control):
    x, y, width, height = control["box"]
    return int(x + width / 2), int(y + height / 2)


def inside(box, outer):
    x, y, width, height = box
    ox, oy, owidth, oheight = outer
    return x >= ox and y >= oy and x + width <= ox + owidth and y + height <= oy + oheight


class Dialog:
    """A running setup-dialog-gnustep and the alert it shows."""

    def __init__(self, session, *items, program=None, cwd=None, stdout=subprocess.PIPE):
        self.session = session
        self.probe = session.probe_path()
        env = dict(session.env, SETUP_DIALOG_PROBE=self.probe)
        self.items = items
        self.process = subprocess.Popen(
            [program or session.binary, *items], stdout=stdout, stderr=subprocess.PIPE,
            stdin=subprocess.DEVNULL, cwd=cwd, env=env)
        self.state = None
        self.passes = 0
        self.actions = []  # what was sent, for the failure messages
        self.started = time.monotonic()
        self.next_window()

    def read(self):
        try:
            with open(self.probe) as file:
                state = json.load(file)
        except (OSError, ValueError):
            return None
        # Titles are shown isolated in their own direction; the cases name
        # them without the isolate's marks.
        for control in state.get("controls", []):
            if "title" in control:
                control["title"] = control["title"].replace("\u2068", "").replace("\u2069", "")
        return state

    def next_window(self):
        """Waits for the next alert of the run (the enrollment dialog shows a
        new one after each rejected input) to be shown and take the keys."""
        want = self.passes + 1

        def shown():
            state = self.read()
            if state and state["pass"] == want and state["running"] and state["key"] \
                    and state["visible"]:
                return state
            return self.process.poll() is not None
        found = wait_for(shown, f"alert {want} of {self.items!r}")
        if found is True:
            raise Failure(f"the program ended instead of showing alert {want}: {self.finish()}")
        self.passes = want
        self.state = found
        self.shown_at = time.monotonic()

    def fresh(self):
        """The state written at least a few ticks after now: what the alert
        shows once the keys and clicks sent so far have been handled."""
        since = self.state["tick"]
        self.state = wait_for(lambda: (s := self.read()) and s["running"] and s["tick"] >= since + 3
                              and s, "the alert to be described again")
        return self.state

    def settle(self, probe, want, what):
        """Waits until probe(state) == want; fails showing what it was."""
        try:
            wait_for(lambda: (s := self.read()) and probe(s) == want and s, what)
        except Failure:
            check_equal(probe(self.read() or {"controls": []}), want, what)
        self.state = self.read()
        return self.state

    def controls(self, kind, state=None):
        return [c for c in (state or self.state)["controls"] if c["kind"] == kind]

    def control(self, kind, name, index=0):
        key = "text" if kind in ("label", "field") else "title"
        matches = [c for c in self.controls(kind) if c.get(key) == name]
        check(len(matches) > index, f"no {kind} {name!r} (#{index}) in {self.controls(kind)}")
        return matches[index]

    def click(self, kind, name, index=0, takes=True):
        """Clicks a control. GNUstep loses a release that arrives before it
        has taken the press (as a busy machine makes it do), so the release
        waits until the control shows itself pressed; a control that takes no
        click (a disabled one) gets its release after a pause."""
        x, y = center(self.control(kind, name, index))
        self.xdotool("mousemove", str(x), str(y), "sleep", "0.05", "mousedown", "1")
        if takes:
            def pressed():
                state = self.read()
                found = state and [c for c in state["controls"] if c["kind"] == kind
                                   and c.get("title") == name]
                return found and len(found) > index and found[index].get("pressed")
            wait_for(pressed, f"the {kind} {name!r} to be pressed")
        else:
            time.sleep(0.3)
        self.xdotool("mouseup", "1")

    def press(self, name):
        self.click("button", name)

    def past_the_guard(self):
        """Keys count only once an alert has been active for half a second
        with no key: the first keys to a new alert wait that long."""
        waited = time.monotonic() - getattr(self, "shown_at", 0)
        if waited < KEY_GUARD:
            time.sleep(KEY_GUARD - waited)

    def key(self, *keys):
        self.past_the_guard()
        self.xdotool("key", "--delay", "50", *keys)

    def type(self, text):
        self.past_the_guard()
        self.xdotool("type", "--delay", "30", text)

    def xdotool(self, *arguments):
        self.actions.append((round(time.monotonic() - self.started, 2), " ".join(arguments)))
        subprocess.run(["xdotool", *arguments], env=self.session.env, check=True, timeout=30)

    def finish(self, timeout=TIMEOUT):
        """Waits for the end; returns (status, stdout, stderr) once the run is
        known clean: nothing of its alerts alive at exit, no message to a
        freed object, no sanitizer report."""
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()  # GNUstep catches SIGTERM
            out, err = self.process.communicate()
            raise Failure(f"{self.items!r} still running after {timeout} s, after "
                          f"{self.actions}; stderr {err!r}; the alert: {summary(self.read())}")
        reports = self.session.sanitizer_reports()
        check(not reports, "sanitizer reports:\n" + "\n".join(reports))
        status = self.process.returncode
        check(status >= 0, f"killed by signal {-status} (GNUstep aborts on a message to a freed "
                           f"object); stderr {err!r}")
        try:
            with open(self.probe + ".exit") as file:
                left = json.load(file)
        except (OSError, ValueError):
            raise Failure("the program wrote no report at exit")
        alive = {name: count for name, count in left["alive"].items() if name in ALERT_CLASSES}
        check(not alive and not left["survivors"],
              f"still alive at exit: {alive} and of the alerts' views and icons: "
              f"{left['survivors']}")
        return status, out or b"", err

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()


def summary(state):
    if not state:
        return None
    shown = {key: value for key, value in state.items() if key != "controls"}
    shown["focus"] = focused(state)
    shown["controls"] = [(c["kind"], c.get("title", c.get("text")), c["box"]) for c in state["controls"]]
    return shown


def labels(state):
    return [c["text"] for c in state["controls"] if c["kind"] == "label"]


def buttons(state):
    return [c["title"] for c in sorted((c for c in state["controls"] if c["kind"] == "button"),
                                       key=lambda c: c["index"])]


def boxes(state):
    """Every checkbox as (title, checked, enabled), in the order of the view."""
    return [(c["title"], c["state"] == 1, c["enabled"])
            for c in state["controls"] if c["kind"] == "checkbox"]


def focused(state):
    found = [c.get("title", c.get("text")) for c in state["controls"] if c["focused"]]
    return found[0] if found else None
