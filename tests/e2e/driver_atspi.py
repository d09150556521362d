"""Drives a program through the accessibility bus (AT-SPI), as a screen reader
does, with keys and the pointer from xdotool, on a private Xvfb and session
bus. Nothing here is Qt's: any toolkit that speaks AT-SPI is driven alike."""

import importlib.util
import os
import shutil
import subprocess
import tempfile
import time

from harness import (Failure, KeyedRun, fail_fast_env, layout_problems, run_plain, start_xvfb,
                     stop, wait_for)

PATHS = 1
SCREEN = (0, 0, 1280, 800)
KEY_GUARD = KeyedRun.KEY_GUARD
TOOLS = [("Xvfb", "xvfb"), ("xdotool", "xdotool"), ("xprop", "x11-utils"), ("xclip", "xclip"),
         ("dbus-daemon", "dbus"), ("xmessage", "x11-utils")]
pyatspi = None


WAYLAND_TOOLS = [("weston", "weston"), ("weston-debug", "weston"), ("weston-simple-shm", "weston"),
                 ("wl-copy", "wl-clipboard")]


def missing(tools=TOOLS):
    for tool, package in tools:
        if shutil.which(tool) is None:
            return tool, package
    if importlib.util.find_spec("pyatspi") is None:
        return "pyatspi", "python3-pyatspi"
    return None


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def text_of(node):
    """All of a node's text (GTK reads an end of -1 as none of it)."""
    text = node.queryText()
    return text.getText(0, text.characterCount)


def extents(node, origin=(0, 0)):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x + origin[0], box.y + origin[1], box.width, box.height


class Driver:
    screen = SCREEN
    native_wayland = False

    def __init__(self, binary):
        global pyatspi
        self.binary = binary
        self.xvfb, self.display = self.start_display()
        # The accessibility bus's socket lives in the runtime folder (else a
        # fixed place under the home folder): a private one, so that no other
        # session's bus takes its place.
        self.runtime = tempfile.mkdtemp(prefix="setup-dialog-atspi-")
        os.environ["XDG_RUNTIME_DIR"] = self.runtime
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        address = self.bus.stdout.readline().decode().strip()
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
            os.environ.pop(name, None)
        os.environ.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=address,
                          QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        import pyatspi as bindings
        pyatspi = bindings
        # A program that looks for the registry while it is still starting
        # is never listed.
        pyatspi.Registry.getDesktop(0)
        time.sleep(0.5)

    def start_display(self):
        """The X server the program and xdotool share; (process, name)."""
        return start_xvfb()

    def run_plain(self, items):
        return run_plain([self.binary, *items], fail_fast_env())

    def start(self, items, program=None, stdout=subprocess.PIPE, env=None):
        return Run(self, program or self.binary, items, stdout, env)

    def close(self):
        stop(self.bus)
        stop(self.xvfb)
        shutil.rmtree(self.runtime, ignore_errors=True)


class Run(KeyedRun):
    env = None  # the driver's, which is this process's own

    def __init__(self, driver, program, items, stdout, env):
        self.driver = driver
        run_env = dict(os.environ, **(env or {}))
        self.process = subprocess.Popen(
            [program, *items], stdout=stdout, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL,
            env={k: v for k, v in run_env.items() if v is not None})  # None unsets
        self.items, self.window, self.shown_at = items, None, None
        self.next_window()

    def _window(self, old):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
            if app is not None and app.get_process_id() == self.process.pid:
                for window in (app.getChildAtIndex(i) for i in range(app.childCount)):
                    if window != old and window.getState().contains(pyatspi.STATE_SHOWING):
                        return window
        return None

    def next_window(self):
        old = self.window
        found = wait_for(lambda: self.process.poll() is not None or self._window(old),
                         f"the window of {self.items!r}")
        if found is True:
            raise Failure(f"the program ended instead of showing its alert: {self.finish()}")
        self.window, self.shown_at = found, None

    def nodes(self, *roles):
        return [n for n in walk(self.window) if n.getRole() in roles]

    def snapshot(self, keys):
        got = {}
        fields = [(n.name, text_of(n)) for n in self.nodes(pyatspi.ROLE_TEXT)]
        captions = [caption for caption, _ in fields]
        labels = [n.name or text_of(n) for n in self.nodes(pyatspi.ROLE_LABEL)]
        labels = [text for text in labels if text not in captions] + [None] * 3
        got.update(window=self.window.name, title=labels[0], text=labels[1], note=labels[2],
                   fields=fields)
        buttons = self.nodes(pyatspi.ROLE_PUSH_BUTTON)
        # GTK 4.8 marks only its windows as showing: its controls by what it
        # marks visible.
        shown = (pyatspi.STATE_SHOWING if any(n.getState().contains(pyatspi.STATE_SHOWING)
                                              for n in buttons) else pyatspi.STATE_VISIBLE)
        boxes = [n for n in self.nodes(pyatspi.ROLE_CHECK_BOX) if n.getState().contains(shown)]
        if "boxes" in keys:
            got["boxes"] = [(n.name, n.getState().contains(pyatspi.STATE_CHECKED),
                             locked(n, sensitive_only=self.gtk())) for n in boxes]
        got["buttons"] = [n.name for n in buttons]
        if "focus" in keys:
            got["focus"] = next((n.name for n in self.nodes(pyatspi.ROLE_CHECK_BOX,
                                                              pyatspi.ROLE_PUSH_BUTTON,
                                                              pyatspi.ROLE_TEXT)
                                 if n.getState().contains(pyatspi.STATE_FOCUSED)), None)
        if "icon" in keys:
            got["icon"] = next((n.name.lower() for n in self.nodes(pyatspi.ROLE_IMAGE)), None)
        if "on_top" in keys:
            got["on_top"] = "_NET_WM_STATE_ABOVE" in subprocess.run(
                ["xprop", "-id", self.x_windows()[-1], "_NET_WM_STATE"], capture_output=True,
                text=True).stdout
        if "fits" in keys:
            auto = [n for n in boxes if n.name == "Automatically configure all AI apps"]
            box = self.box
            got["fits"] = layout_problems(
                box(self.window), self.driver.screen, [(n.name, box(n)) for n in buttons],
                [box(n) for n in boxes if n not in auto], box(auto[0]) if auto else None)
        return got

    def box(self, node):
        """Where a control is on the screen: (x, y, width, height)."""
        return extents(node)

    def x_windows(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                str(self.process.pid)], capture_output=True, text=True).stdout
        if not found.split():
            raise Failure("no visible X window for the process")
        return found.split()

    def gtk(self):
        return self.window.getApplication().toolkitName.upper().startswith("GTK")

    def past_the_guard(self):
        if self.shown_at is None:
            wait_for(lambda: self.window.getState().contains(pyatspi.STATE_ACTIVE),
                     "the alert to be the active window")
            self.shown_at = time.monotonic()
        super().past_the_guard()

    def quiet_again(self):
        """The focus leaves the window for longer than a toolkit may wait for
        it to come back (Qt waits a little before it deactivates), then
        returns: the quiet time starts again."""
        wait_for(lambda: self.window.getState().contains(pyatspi.STATE_ACTIVE),
                 "the alert to be the active window")
        root = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True,
                              check=True).stdout.split("Window id:")[1].split()[0]
        return ["windowfocus", root, "sleep", "0.3", "windowfocus", "--sync",
                self.x_windows()[-1], "sleep", "0.2"]

    def picture(self):
        """import's options that take a picture of the alert."""
        return ["-window", self.x_windows()[-1]]

    def press(self, *keys, early=False):
        if early:
            return super().press(*keys, early=True)
        self.past_the_guard()
        subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)

    def type(self, text):
        self.past_the_guard()
        subprocess.run(["xdotool", "type", "--delay", "30", text], check=True, timeout=30)

    def click(self, title, index=0, pointer=False):
        matches = wait_for(lambda: len(m := [n for n in self.nodes(pyatspi.ROLE_CHECK_BOX,
                                                                  pyatspi.ROLE_PUSH_BUTTON)
                                             if n.name == title]) > index and m,
                           f"a control named {title!r}")
        # GTK 4.8 gives a check box no action to call: a screen reader's
        # user toggles it with the pointer or Space, as here.
        if not pointer and matches[index].queryAction().nActions > 0:
            return matches[index].queryAction().doAction(0)
        x, y, width, height = self.box(matches[index])
        # A box's row is wider than the part that takes a click: its mark.
        if matches[index].getRole() == pyatspi.ROLE_CHECK_BOX:
            width = min(width, 20)
        self.click_at(x + width // 2, y + height // 2)


def locked(node, sensitive_only=False):
    """Locked: neither enabled nor sensitive; one without the other is a fault.
    GTK 4.8 reports no control as enabled: there, sensitive alone tells."""
    states = node.getState()
    if sensitive_only:
        return not states.contains(pyatspi.STATE_SENSITIVE)
    pair = (states.contains(pyatspi.STATE_ENABLED), states.contains(pyatspi.STATE_SENSITIVE))
    return {(True, True): False, (False, False): True}.get(pair, pair)


class WaylandDriver(Driver):
    """The same, with the program a native Wayland client of weston (no
    DISPLAY): weston's X11 back end passes on what xdotool sends to its
    window, keys and the pointer alike, and weston-debug tells where weston
    put the alert, which GTK cannot know (it reports extents relative to its
    window)."""

    screen = (0, 0, 1024, 700)  # weston's output, from the corner of its X window
    native_wayland = True

    @staticmethod
    def missing():
        return missing(TOOLS + WAYLAND_TOOLS)

    def start_display(self):
        from display_cases import Weston
        self.weston = Weston(debug=True)
        return self.weston.process, self.weston.x_display

    def compositor_env(self):
        return {k: v for k, v in self.weston.env().items() if k != "LSAN_OPTIONS"}

    def start(self, items, program=None, stdout=subprocess.PIPE, env=None):
        return WaylandRun(self, program or self.binary, items, stdout,
                          dict(self.compositor_env(), **(env or {})))

    def client_env(self):
        """This process's environment, for a client of weston."""
        env = dict(os.environ, **self.compositor_env())
        return {k: v for k, v in env.items() if v is not None}

    def client(self, *command, **options):
        """A client of weston, run to its end."""
        return subprocess.run(command, timeout=20, stdin=subprocess.DEVNULL,
                              env=self.client_env(), **options)

    def output_window(self):
        found = subprocess.run(["xdotool", "search", "--classname", "^weston-"],
                               capture_output=True, text=True).stdout.split()
        if not found:
            raise Failure("no X window of weston's")
        return found[0]

    def close(self):
        super().close()
        self.weston.close()


class WaylandRun(Run):
    def next_window(self):
        super().next_window()
        self.origin = None

    def box(self, node):
        if self.origin is None:
            self.origin = wait_for(self._placed, "weston to place the alert")
        return extents(node, self.origin)

    def _placed(self):
        """The corner of the topmost window of the process in weston's scene
        graph: of its opaque part, which GTK makes its window without the
        shadow around it, the box its extents are relative to."""
        out = self.driver.client("weston-debug", "scene-graph", capture_output=True).stdout
        for view in out.decode(errors="replace").split("\tView "):
            if f"role xdg_toplevel, PID {self.process.pid}," in view and "[opaque: (" in view:
                corner = view.split("[opaque: (")[1].split(")")[0]
                return tuple(int(v) for v in corner.split(","))
        return None

    def active(self):
        return self.window.getState().contains(pyatspi.STATE_ACTIVE)

    def quiet_again(self):
        """Another client's window takes the focus for a moment, and goes:
        weston gives it back to the alert, whose quiet time starts again. (A
        change of focus of weston's X window only takes the keyboard away.)"""
        wait_for(self.active, "the alert to be the active window")
        other = subprocess.Popen(["weston-simple-shm"], env=self.driver.client_env(),
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            wait_for(lambda: not self.active(), "another window to take the focus")
        finally:
            stop(other)
        wait_for(self.active, "the alert to be the active window again", timeout=10)
        return []

    def picture(self):
        x, y, width, height = self.box(self.window)
        return ["-window", self.driver.output_window(), "-crop", f"{width}x{height}+{x}+{y}"]

    def x_windows(self):
        raise Failure("a native Wayland client has no X window")

    def set_clipboard(self, text):
        # wl-copy stays behind to serve the selection; it must not hold our
        # pipes. Without a clipboard protocol of weston's it takes the focus
        # for a moment: the alert's quiet time starts again.
        self.driver.client("wl-copy", "--", text, check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        self.shown_at = None

    def clipboard(self):
        out = self.driver.client("wl-paste", "--no-newline", capture_output=True).stdout
        self.shown_at = None
        return out.decode()
