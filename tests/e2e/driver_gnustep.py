"""Drives setup-dialog-gnustep, the AppKit backend on GNUstep, on a private
Xvfb with keys and clicks from xdotool. GNUstep has no accessibility bridge:
the program's test-only probe (tests/appkit/gnustep_probe.mm) writes what the
alert shows to a file, read here. Every run must also end with nothing of its
alerts alive, no message sent to a freed object (NSZombieEnabled) and, in a
sanitizer build, no sanitizer report."""

import json
import os
import shutil
import signal
import subprocess
import tempfile
import time

from harness import (Failure, KeyedRun, check, check_equal, layout_problems, run_plain,
                     start_xvfb, wait_for)

PATHS = 1
LSAN_SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "appkit", "e2e",
                                 "lsan.supp")
# Classes of which GNUstep keeps no object of its own: any still alive at exit
# was made for an alert and never let go of.
ALERT_CLASSES = ("NSAlert", "GSAlertPanel", "NSButton", "NSTextField", "NSScrollView",
                 "SetupDialogCheckboxTarget")
# GNUstep draws its own window frames (there is no window manager) and shows
# no application icon; with a window manager's frames it would also write
# lines about them to standard error.
DEFAULTS = "{\n  GSX11HandlesWindowDecorations = NO;\n  GSSuppressAppIcon = YES;\n}\n"
WARNING, FLOATING = 0, 3


def missing():
    for tool, package in (("Xvfb", "xvfb"), ("xdotool", "xdotool"), ("xclip", "xclip")):
        if shutil.which(tool) is None:
            return tool, package
    return None


def alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as file:
            return file.read().split(") ")[-1][:1] not in ("Z", "X")
    except OSError:
        return False


class Driver:
    """The display, GNUstep's defaults and temporary folder, and the daemons
    GNUstep starts in them."""

    def __init__(self, binary):
        self.binary, self.count = binary, 0
        self.dir = tempfile.mkdtemp(prefix="setup-dialog-gnustep-")
        # GNUstep finds the user's defaults through its configuration file,
        # not HOME: a copy of the system's with the user folders in here.
        config = os.path.join(self.dir, "GNUstep.conf")
        with open(config, "w") as out:
            if os.path.exists("/etc/GNUstep/GNUstep.conf"):
                with open("/etc/GNUstep/GNUstep.conf") as source:
                    out.write(source.read())
            for name, sub in (("DEFAULTS_DIR", "Defaults"), ("DIR_LIBRARY", "Library"),
                              ("DIR_APPS", "Applications"), ("DIR_TOOLS", "Tools")):
                out.write(f"\nGNUSTEP_USER_{name}={os.path.join(self.dir, sub)}")
            out.write("\n")
        os.makedirs(os.path.join(self.dir, "Defaults"))
        with open(os.path.join(self.dir, "Defaults", "NSGlobalDomain.plist"), "w") as out:
            out.write(DEFAULTS)
        # Message ports and daemons' names live in the temporary folder.
        tmp = os.path.join(self.dir, "tmp")
        os.makedirs(tmp, mode=0o700)
        os.makedirs(os.path.join(self.dir, "home"))
        self.logs = os.path.join(self.dir, "sanitizer")
        os.makedirs(self.logs)
        # -noreset: a server resetting as its last client leaves sometimes
        # refuses the next program.
        self.xvfb, display = start_xvfb("-noreset")
        self.env = {key: value for key, value in os.environ.items() if key not in
                    ("WAYLAND_DISPLAY", "SETUP_DIALOG_DEBUG", "GNUSTEP_STRING_ENCODING")}
        self.env.update({
            "DISPLAY": display, "HOME": os.path.join(self.dir, "home"),
            "GNUSTEP_CONFIG_FILE": config, "TMPDIR": tmp, "TMP": tmp, "TEMP": tmp,
            # Marks the daemons GNUstep starts from here, to stop them at the end.
            "SETUP_DIALOG_GNUSTEP_SESSION": self.dir,
            # A message to a freed object stops the run.
            "NSZombieEnabled": "YES", "CRASH_ON_ZOMBIE": "YES",
            # Sanitizer reports go to files: standard error is the program's.
            "ASAN_OPTIONS": f"log_path={self.logs}/report:detect_leaks=1",
            "LSAN_OPTIONS": f"suppressions={LSAN_SUPPRESSIONS}:print_suppressions=0",
            "UBSAN_OPTIONS": f"log_path={self.logs}/report:print_stacktrace=1:halt_on_error=1",
        })

    def run_plain(self, items):
        env = {k: v for k, v in self.env.items() if k != "DISPLAY"}
        return run_plain([self.binary, *items], env)

    def start(self, items, program=None, stdout=subprocess.PIPE):
        self.count += 1
        return Run(self, program or self.binary, items, stdout,
                   os.path.join(self.dir, f"probe-{self.count}.json"))

    def sanitizer_reports(self):
        found = []
        for name in sorted(os.listdir(self.logs)):
            with open(os.path.join(self.logs, name), errors="replace") as file:
                found.append(f"{name}:\n{file.read()}")
            os.remove(os.path.join(self.logs, name))
        return found

    def close(self):
        mark = f"SETUP_DIALOG_GNUSTEP_SESSION={self.dir}".encode()
        pids = []
        for entry in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{entry}/environ", "rb") as file:
                    if int(entry) != os.getpid() and mark in file.read().split(b"\0"):
                        pids.append(int(entry))
            except OSError:
                pass
        for sig in (signal.SIGTERM, signal.SIGKILL):
            for pid in filter(alive, pids):
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
            deadline = time.monotonic() + 2
            while time.monotonic() < deadline and any(map(alive, pids)):
                time.sleep(0.05)
        self.xvfb.terminate()
        self.xvfb.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def center(control):
    x, y, width, height = control["box"]
    return int(x + width / 2), int(y + height / 2)


class Run(KeyedRun):
    def __init__(self, driver, program, items, stdout, probe):
        self.driver, self.items, self.probe = driver, items, probe
        self.process = subprocess.Popen(
            [program, *items], stdout=stdout, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL,
            env=dict(driver.env, SETUP_DIALOG_PROBE=probe))
        self.state, self.passes = None, 0
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
        self.passes, self.state, self.shown_at = want, found, time.monotonic()

    def controls(self, kind, state=None):
        return [c for c in (state or self.state)["controls"] if c["kind"] == kind]

    def snapshot(self, keys):
        state = self.state = wait_for(lambda: (s := self.read()) and s["running"] and s,
                                      "the alert to be described")
        fields = self.controls("field")
        labels = [c["text"] for c in self.controls("label")]
        captions = labels[len(labels) - len(fields):] if fields else []
        labels = labels[:len(labels) - len(fields)] + [None] * 3
        boxes = self.controls("checkbox")
        buttons = sorted(self.controls("button"), key=lambda c: c["index"])
        icons = self.controls("icon")
        focus = next((c for c in state["controls"] if c["focused"]), None)
        scroll = self.controls("scroll")
        auto = [c["box"] for c in boxes if c["title"] == "Automatically configure all AI apps"]
        return {
            "window": state["title"], "title": labels[0], "text": labels[1], "note": labels[2],
            "fields": list(zip(captions, (c["text"] for c in fields))),
            # The rows, then the box under them (which the view lists first).
            "boxes": [(c["title"], c["state"] == 1, not c["enabled"])
                      for c in sorted(boxes, key=lambda c: c["box"] in auto)],
            "buttons": [c["title"] for c in buttons],
            "focus": focus and (captions[fields.index(focus)] if focus in fields
                                else focus.get("title", focus.get("text"))),
            # icon.png at the 64 points of any alert icon
            "icon": ("custom" if icons[0]["imageSize"] == [64, 64] else icons[0]["imageSize"])
                    if icons and icons[0]["custom"] else
                    "warning" if state["style"] == WARNING else "information",
            "on_top": state["levelAsked"] == FLOATING,
            "fits": layout_problems(state["window"], state["visibleScreen"],
                                    [(c["title"], c["box"]) for c in buttons],
                                    [c["box"] for c in boxes if c["box"] not in auto],
                                    auto[0] if auto else None, scroll[0]["box"] if scroll else None),
        }

    def click(self, title, index=0, pointer=True):
        """GNUstep loses a release that comes before it has taken the press
        (as on a busy machine), so the release waits for the control to show
        itself pressed; one that takes no click gets it after a pause."""
        self.snapshot(())
        matches = [c for c in self.state["controls"] if c.get("title") == title]
        check(len(matches) > index, f"no control {title!r} (#{index})")
        x, y = center(matches[index])
        self.xdotool("mousemove", str(x), str(y), "sleep", "0.05", "mousedown", "1")
        if matches[index]["enabled"]:
            wait_for(lambda: (s := self.read()) and [c for c in s["controls"]
                                                     if c.get("title") == title][index]["pressed"],
                     f"{title!r} to be pressed")
        else:
            time.sleep(0.3)
        self.xdotool("mouseup", "1")

    def finish(self, timeout=20):
        status, out, err = self.communicate(timeout)
        reports = self.driver.sanitizer_reports()
        check(not reports, "sanitizer reports:\n" + "\n".join(reports))
        check(status >= 0, f"killed by signal {-status} "
              f"(GNUstep aborts on a message to a freed object); stderr {err!r}")
        try:
            with open(self.probe + ".exit") as file:
                left = json.load(file)
        except (OSError, ValueError):
            raise Failure("the program wrote no report at exit") from None
        check_equal(({n: c for n, c in left["alive"].items() if n in ALERT_CLASSES},
                     left["survivors"]), ({}, []), "alive at exit (classes, views and icons)")
        return status, out, err
