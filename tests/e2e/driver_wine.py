"""Drives setup-dialog.exe under Wine on a private Xvfb and Wine prefix, with
keys and the pointer from xdotool. What the alert shows is read by
win32-probe.exe in the same Wine session (tests/win32/win32_probe.cpp):
its windows and, for the fields and the icon, what MSAA gives a screen
reader. With WINE_E2E_SHOTS=DIR each first alert is saved there."""

import json
import os
import select
import shutil
import subprocess
import tempfile
import time

from harness import Failure, KeyedRun, check, layout_problems, run_plain, start_xvfb, wait_for

PATHS = 2
SCREEN = (0, 0, 1280, 800)
# With no window manager a managed window makes every program wait about 2 s
# at its exit. Set before the prefix is made, which keeps it.
USER_REG = """WINE REGISTRY Version 2
#arch=win64

[Software\\\\Wine\\\\X11 Driver] 1700000000
"Managed"="N"
"""
SS_ICON = 3


def wine_loader():
    return shutil.which("wine64") or shutil.which("wine")


def missing():
    for tool, found, package in [("wine", wine_loader(), "wine"),
                                  ("wineserver", shutil.which("wineserver"), "wine"),
                                  ("Xvfb", shutil.which("Xvfb"), "xvfb"),
                                  ("xdotool", shutil.which("xdotool"), "xdotool")]:
        if found is None:
            return tool, package
    return None


class Driver:
    def __init__(self, binary, probe):
        self.binary, self.wine, self.prober = binary, wine_loader(), None
        self.dir = tempfile.mkdtemp(prefix="setup-dialog-wine-")
        self.xvfb, display = start_xvfb("-noreset")
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("LC_", "WINE", "WAYLAND_"))}
        self.env.update(DISPLAY=display, WINEPREFIX=os.path.join(self.dir, "prefix"),
                        # Wine writes menu entries and file associations under HOME.
                        HOME=os.path.join(self.dir, "home"), WINEDEBUG="-all",
                        # Wine turns the UTF-8 command line into UTF-16 by the locale.
                        LANG="C.UTF-8")
        os.makedirs(self.env["WINEPREFIX"])
        os.makedirs(self.env["HOME"])
        with open(os.path.join(self.env["WINEPREFIX"], "user.reg"), "w") as reg:
            reg.write(USER_REG)
        try:
            # No .NET or HTML engine offered for install while the prefix is made.
            subprocess.run(["wineboot", "-i"], env=dict(self.env, WINEDLLOVERRIDES="mscoree,mshtml="),
                           stdin=subprocess.DEVNULL, capture_output=True, timeout=120, check=True)
            # One probe for the whole run: it answers at once, and keeps the
            # Wine session up between the programs.
            self.prober = subprocess.Popen([self.wine, probe, "serve"], env=self.env,
                                           stdin=subprocess.PIPE, stdout=subprocess.PIPE)
            self.answers = b""
            self.probe("list")
        except BaseException:
            self.close()
            raise

    def probe(self, *arguments):
        self.prober.stdin.write(" ".join(arguments).encode() + b"\n")
        self.prober.stdin.flush()
        deadline = time.monotonic() + 30
        while b"\n" not in self.answers:
            ready, _, _ = select.select([self.prober.stdout], [], [], deadline - time.monotonic())
            chunk = os.read(self.prober.stdout.fileno(), 65536) if ready else b""
            if not chunk:
                raise Failure(f"win32-probe gave no answer to {arguments}")
            self.answers += chunk
        line, self.answers = self.answers.split(b"\n", 1)
        answer = json.loads(line)
        if isinstance(answer, dict) and "error" in answer:
            raise Failure(f"win32-probe {arguments}: {answer['error']}")
        return answer

    def run_plain(self, items):
        # Wine with no display makes no window: the run must say so.
        env = {k: v for k, v in self.env.items() if k != "DISPLAY"}
        return run_plain([self.wine, self.binary, *items], env)

    def start(self, items, program=None, stdout=subprocess.PIPE):
        return Run(self, program or self.binary, items, stdout)

    def close(self):
        if self.prober:
            self.prober.stdin.close()
            self.prober.wait(timeout=30)
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=30)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=30)
        self.xvfb.terminate()
        self.xvfb.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def shown(text):
    """A title as shown: "&&" in the window text is one "&"."""
    return text.replace("&&", "\0").replace("&", "").replace("\0", "&")


def reading_order(state):
    """The controls top to bottom, then left to right, as a person reads them;
    what a container holds stands where the container does."""
    by_handle = {c["hwnd"]: c for c in state["controls"]}

    def place(c):
        parent = by_handle.get(c["parent"])
        return (place(parent) if parent else []) + [(c["rect"][1], c["rect"][0])]
    return sorted(state["controls"], key=place)


class Run(KeyedRun):
    KEY_GUARD = 0.6
    def __init__(self, driver, program, items, stdout):
        self.driver, self.items, self.state, self.shots = driver, items, None, 0
        self.process = subprocess.Popen(
            [driver.wine, program, *items], env=driver.env, stdin=subprocess.DEVNULL,
            stdout=stdout, stderr=subprocess.PIPE)
        self.next_window()

    def next_window(self):
        """Waits for the next alert to be the one dialog on screen, in front."""
        old = self.state and self.state["hwnd"]

        def up():
            if self.process.poll() is not None:
                return True
            found = self.driver.probe("list")
            return len(found) == 1 and found[0]["hwnd"] != old and found[0]["foreground"] \
                and found[0]
        found = wait_for(up, f"the alert of {self.items!r}")
        if found is True:
            raise Failure(f"the program ended instead of showing an alert: {self.finish()}")
        self.state, self.shown_at = found, time.monotonic()
        shots = os.environ.get("WINE_E2E_SHOTS")
        if shots:
            os.makedirs(shots, exist_ok=True)
            name = "-".join(self.items)[:40].replace("/", "_") + f"-{self.state['hwnd']}.png"
            subprocess.run(["import", "-window", "root", os.path.join(shots, name)],
                           env=self.driver.env, check=False, timeout=30)

    def read(self):
        found = self.driver.probe("list")
        check(len(found) == 1, f"{len(found)} dialogs on screen")
        self.state = found[0]
        return self.state

    def name(self, control):
        return self.driver.probe("accessible", str(control["hwnd"]))["name"]

    def snapshot(self, keys):
        state = self.read()
        ordered = reading_order(state)
        fields = [c for c in ordered if c["class"].lower() == "edit"]
        # A screen reader names each field by its caption.
        captions = [self.name(c) for c in fields] if {"fields", "focus"} & keys else []
        labels = [c["text"] for c in ordered if c["class"].lower() == "static" and c["text"]]
        labels = [t for t in labels if t not in captions] + [None] * 3
        boxes = [c for c in ordered if c.get("button") == "autocheckbox"]
        pushes = sorted((c for c in state["controls"] if c.get("button") in ("push", "default")),
                        key=lambda c: -c["rect"][0])  # the first one stands rightmost
        focus = next((c for c in state["controls"] if c["focused"]), None)
        icon = next((c for c in state["controls"]
                     if c["class"].lower() == "static" and c["style"] & 0x1f == SS_ICON), None)
        scroll = [c["rect"] for c in state["controls"] if c["class"] == "SetupDialogScroll"]
        auto = [c["rect"] for c in boxes if c["text"] == "Automatically configure all AI apps"]
        fits = layout_problems(state["rect"], SCREEN, [(c["text"], c["rect"]) for c in pushes],
                               [c["rect"] for c in boxes if c["rect"] not in auto],
                               auto[0] if auto else None, scroll[0] if scroll else None)
        if [c["button"] for c in pushes] != ["default"] + ["push"] * (len(pushes) - 1):
            fits.append("the first button is not the one default button")
        if len({c["rect"][1] for c in pushes}) > 1:
            fits.append("the buttons are not in one row")
        if not all(c["tabstop"] for c in state["controls"] if "button" in c):
            fits.append("a button or box out of the Tab order")
        return {
            "window": state["title"], "title": labels[0], "text": labels[1], "note": labels[2],
            "fields": list(zip(captions, (c["text"] for c in fields))),
            "boxes": [(shown(c["text"]), c["check"] == 1, not c["enabled"]) for c in boxes],
            "buttons": [shown(c["text"]) for c in pushes],
            "focus": focus and (captions[fields.index(focus)] if focus in fields
                                else shown(focus["text"])),
            "icon": icon and self.name(icon).lower(), "on_top": state["topmost"], "fits": fits,
        }

    def control(self, title, index):
        matches = [c for c in reading_order(self.read()) if shown(c["text"]) == title]
        check(len(matches) > index, f"no control {title!r} (#{index})")
        return matches[index]

    def click(self, title, index=0, pointer=False):
        control = self.control(title, index)
        if not pointer:  # BM_CLICK, as an accessibility client presses a button
            return self.driver.probe("click", str(control["hwnd"]))
        x, y, width, height = control["rect"]
        self.click_at(x + width // 2, y + height // 2)
