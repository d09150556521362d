"""End-to-end tests of the Windows build under Wine, on a private Xvfb.

Usage: run_wine_e2e.py SETUP_DIALOG_EXE WIN32_PROBE_EXE [CASE...]
(CASE: run only the cases whose name holds one of these words)

Every mode is answered by keys, clicks or both, and its record, standard error
and exit status are checked byte for byte. What the alert shows is read by
win32-probe.exe, run in the same Wine session (tests/win32/win32_probe.cpp).
With WINE_E2E_SHOTS=DIR a few alerts are saved there as screenshots."""

import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
import types

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

try:
    import pyatspi  # noqa: F401
except ImportError:
    # The texts are shared with the Linux cases, whose modules import the
    # accessibility bindings; nothing of those is used here.
    sys.modules["pyatspi"] = types.ModuleType("pyatspi")

from harness import (Failure, check, check_equal, expect_run, run_cases,  # noqa: E402
                     start_xvfb, wait_for)
import display_cases as display  # noqa: E402
import enroll_cases as enroll  # noqa: E402
import run_e2e  # noqa: E402
import setup_cases as setup  # noqa: E402

TIMEOUT = 20.0
# The alert drops keys until it has been active this long with none.
KEY_GUARD = 0.6
SCREEN = (1280, 800)
USER_REG = r"""WINE REGISTRY Version 2
#arch=win64

[Software\\Wine\\X11 Driver] 1700000000
"Managed"="N"
"""


def wine_loader():
    return shutil.which("wine64") or shutil.which("wine")


class Session:
    """A private display and Wine prefix, made once per run."""

    def __init__(self, program, probe):
        self.program, self.probe = program, probe
        self.dir = tempfile.mkdtemp(prefix="setup-dialog-wine-")
        self.xvfb, display = start_xvfb("-noreset")
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("LC_", "WINE", "WAYLAND_"))}
        self.env.update({
            "DISPLAY": display, "WINEPREFIX": os.path.join(self.dir, "prefix"),
            # Wine writes menu entries and file associations under HOME.
            "HOME": os.path.join(self.dir, "home"),
            "WINEDEBUG": "-all",
            # Wine turns the UTF-8 command line into UTF-16 by the locale.
            "LANG": "C.UTF-8",
        })
        self.wine = wine_loader()
        # With no window manager a managed window makes every program wait
        # about 2 s at its exit. Set before the prefix is made, which keeps it.
        os.makedirs(self.env["WINEPREFIX"])
        os.makedirs(self.env["HOME"])
        with open(os.path.join(self.env["WINEPREFIX"], "user.reg"), "w") as reg:
            reg.write(USER_REG)
        self.prober = None
        try:
            # No .NET or HTML engine offered for install while the prefix is made.
            self.run_quietly(["wineboot", "-i"], WINEDLLOVERRIDES="mscoree,mshtml=")
            # One probe for the whole run: it answers at once, and keeps the
            # Wine session up between the programs.
            self.prober = subprocess.Popen([self.wine, probe, "serve"], env=self.env,
                                           stdin=subprocess.PIPE, stdout=subprocess.PIPE)
            self.answers = b""
            self.probe_run("list")
        except BaseException:
            self.close()
            raise

    def run_quietly(self, command, **env):
        done = subprocess.run(command, env=dict(self.env, **env), stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=120)
        if done.returncode != 0:
            raise RuntimeError(f"{command} failed: {done.stderr.decode(errors='replace')}")

    def probe_run(self, *arguments):
        """One command to the probe; its answer, decoded."""
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

    def dialogs(self):
        return self.probe_run("list")

    def shot(self, name):
        folder = os.environ.get("WINE_E2E_SHOTS")
        if folder:
            os.makedirs(folder, exist_ok=True)
            subprocess.run(["import", "-window", "root", os.path.join(folder, name + ".png")],
                           env=self.env, check=True, timeout=30)

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
    """A button's title as shown: "&&" in the window text is one "&"."""
    return text.replace("&&", "\0").replace("&", "").replace("\0", "&")


def center(control):
    x, y, width, height = control["rect"]
    return x + width // 2, y + height // 2


def inside(box, outer):
    return (box[0] >= outer[0] and box[1] >= outer[1] and box[0] + box[2] <= outer[0] + outer[2]
            and box[1] + box[3] <= outer[1] + outer[3])


def reading_order(state):
    """The controls top to bottom, then left to right, as a person reads them
    (the order of the windows themselves is no promise); what a container
    holds, scrolled out of view or not, stands where the container does."""
    by_handle = {c["hwnd"]: c for c in state["controls"]}

    def place(c):
        parent = by_handle.get(c["parent"])
        return (place(parent) if parent else []) + [(c["rect"][1], c["rect"][0])]
    return sorted(state["controls"], key=place)


def labels(state):
    return [c["text"] for c in reading_order(state) if c["class"].lower() == "static" and c["text"]]


def push_buttons(state):
    """The push buttons from right to left: the first one stands rightmost."""
    return sorted((c for c in state["controls"] if c.get("button") in ("push", "default")),
                  key=lambda c: -c["rect"][0])


def buttons(state):
    return [shown(c["text"]) for c in push_buttons(state)]


def boxes(state):
    """Every checkbox as (title, checked, enabled), top to bottom."""
    return [(shown(c["text"]), c["check"] == 1, c["enabled"]) for c in reading_order(state)
            if c.get("button") == "autocheckbox"]


def fields(state):
    return [c["text"] for c in reading_order(state) if c["class"].lower() == "edit"]


def focused(state):
    found = [c for c in state["controls"] if c["focused"]]
    return (found[0]["class"].lower(), shown(found[0]["text"])) if found else None


class Dialog:
    """A running setup-dialog.exe and the alert it shows."""

    def __init__(self, session, *items, stdout=subprocess.PIPE):
        self.session, self.items = session, items
        self.process = subprocess.Popen(
            [session.wine, session.program, *items], env=session.env, stdin=subprocess.DEVNULL,
            stdout=stdout, stderr=subprocess.PIPE)
        self.state = None
        self.next_window()

    def next_window(self):
        """Waits for the next alert (the enrollment shows one after each
        rejected input) to be the one dialog on screen, in front."""
        old = self.state and self.state["hwnd"]

        seen = []

        def up():
            if self.process.poll() is not None:
                return True
            seen[:] = [(d["title"], d["hwnd"], d["foreground"]) for d in self.session.dialogs()]
            if len(seen) == 1 and seen[0][1] != old and seen[0][2]:
                return self.session.dialogs()[0]
            return None
        try:
            found = wait_for(up, f"the alert of {self.items!r}")
        except Failure as failure:
            raise Failure(f"{failure}; the dialogs (title, hwnd, in front): {seen}") from None
        if found is True:
            raise Failure(f"the program ended instead of showing an alert: {self.finish()}")
        self.state = found
        self.shown_at = time.monotonic()

    def read(self):
        found = self.session.dialogs()
        check(len(found) == 1, f"{len(found)} dialogs on screen")
        self.state = found[0]
        return self.state

    def settle(self, probe, want, what):
        """Waits until probe(state) == want; fails showing what it was."""
        try:
            wait_for(lambda: probe(self.read()) == want, what, timeout=5)
        except Failure:
            check_equal(probe(self.read()), want, what)

    def control(self, title, kind=None):
        for c in self.state["controls"]:
            if shown(c["text"]) == title and (kind is None or c.get("button") == kind):
                return c
        raise Failure(f"no control {title!r} in {[c['text'] for c in self.state['controls']]}")

    def click(self, title, kind=None):
        """BM_CLICK, as an accessibility client presses a button."""
        self.session.probe_run("click", str(self.control(title, kind)["hwnd"]))

    def mouse(self, title):
        x, y = center(self.control(title))
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"],
                       env=self.session.env, check=True, timeout=30)

    def past_the_guard(self):
        waited = time.monotonic() - self.shown_at
        if waited < KEY_GUARD:
            time.sleep(KEY_GUARD - waited)

    def key(self, *keys):
        self.past_the_guard()
        subprocess.run(["xdotool", "key", "--delay", "50", *keys], env=self.session.env,
                       check=True, timeout=30)

    def type(self, text):
        self.past_the_guard()
        subprocess.run(["xdotool", "type", "--delay", "30", text], env=self.session.env,
                       check=True, timeout=30)

    def finish(self, timeout=TIMEOUT):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
            raise Failure(f"{self.items!r} still running after {timeout} s; stderr {err!r}")
        out = out or b""
        check(b"\r" not in out, f"a carriage return in the record {out!r}")
        return self.process.returncode, out, err

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()


def cases(session):
    def dialog(*items, **options):
        return Dialog(session, *items, **options)

    def expect_alert(run, title, texts, button_titles, boxes_wanted=None):
        """What every alert shares: its texts in reading order, its buttons
        in one row with the first rightmost and default, every button and
        checkbox in the Tab order, and the window on top and on screen (in
        front too: next_window waits for that)."""
        state = run.state
        check_equal(state["title"], title, "window title")
        check_equal(labels(state), [title, *texts], "texts")
        check_equal(buttons(state), button_titles, "buttons")
        pushes = push_buttons(state)
        check_equal([c["button"] for c in pushes],
                    ["default"] + ["push"] * (len(pushes) - 1), "button styles, right to left")
        check(len({c["rect"][1] for c in pushes}) == 1, "the buttons are not in one row")
        check(all(c["tabstop"] for c in state["controls"] if "button" in c),
              "a button or checkbox out of the Tab order")
        check(state["topmost"], "the alert is not kept on top")
        check(inside(state["rect"], [0, 0, *SCREEN]), f"the alert {state['rect']} is off screen")
        if boxes_wanted is not None:
            check_equal(boxes(state), boxes_wanted, "checkboxes")

    # Every mode, answered by keys ---------------------------------------------

    def still_open(run, what):
        time.sleep(0.3)
        check(run.process.poll() is None, f"{what} closed {run.items}")

    def message_dialogs_answer_return_after_the_guard_and_ignore_escape():
        for items, text in [(("enforcement-error", "disable", "ignored"), run_e2e.TURN_OFF),
                            (("enforcement-error", "enable"), run_e2e.TURN_ON),
                            (("migrate-empty", "x"), run_e2e.NOTHING_TO_MIGRATE)]:
            run = dialog(*items)
            try:
                # Typed at whatever had the focus as the alert came up.
                subprocess.run(["xdotool", "key", "Return"], env=session.env, check=True)
                still_open(run, "Return before the guard")
                run.shown_at = time.monotonic()  # the key started the guard again
                expect_alert(run, setup.TITLE, [text], ["OK"])
                if items[1] == "disable":
                    session.shot("enforcement-error-disable")
                run.key("Escape")  # no "Cancel"
                still_open(run, "Escape")
                run.key("Return")
                expect_run(run.finish(), 0)
            finally:
                run.kill()

    def checkbox_modes_answer_the_keyboard():
        # Keys, then the record. Escape does nothing where no button is
        # "Cancel"; Tab goes from the first button to the second, then to the
        # first checkbox; Return presses the first button wherever the focus is.
        for items, keys, out in [
            (("clients", "default", "A", "B"), ["Escape", "Return"], b"configure\nfalse\nA,B\n"),
            (("clients", "default", "A", "B"), ["Tab", "Tab", "space", "Return"],
             b"configure\nfalse\nB\n"),
            (("clients", "auto_install", "A"), ["Return"], b"configure\ntrue\nA\n"),
            (("no-clients", "auto_install"), ["Escape", "Return"], b"continue\ntrue\n"),
            (("no-clients", "default"), ["Tab", "space"], b"close\nfalse\n"),
            (("no-clients", "enforce_all"), ["Return"], b"continue\nfalse\n"),
            (("migrate", "a", "b"), ["Escape", "Return"], b"a,b\n"),
            (("migrate",), ["Return"], b"\n"),
        ]:
            run = dialog(*items)
            try:
                for key in keys:
                    run.key(key)
                    if key == "Escape":
                        still_open(run, "Escape")
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    # The checkboxes ------------------------------------------------------------

    def the_second_buttons_and_clicked_boxes_make_the_record():
        for items, look, clicks, button, out in [
            (("clients", "default", "A", "B", "C"),
             ([setup.CLIENTS_TEXT, setup.LATER], ["Configure", "Skip"],
              [("A", True, True), ("B", True, True), ("C", True, True), (setup.AUTO, False, True)]),
             ["B", setup.AUTO], "Skip", b"skip\ntrue\nA,B,C\n"),
            (("clients", "default", "A", "B", "C"), None, ["B"], "Configure",
             b"configure\nfalse\nA,C\n"),
            (("clients", "detect_only", "A"),
             ([setup.CLIENTS_TEXT, setup.TURNED_OFF], ["Configure", "Skip"], [("A", True, True)]),
             ["A"], "Configure", b"configure\nfalse\n\n"),
            (("no-clients", "default"),
             ([setup.NO_CLIENTS_TEXT, setup.LATER], ["Continue", "Close"], [(setup.AUTO, False, True)]),
             [setup.AUTO], "Close", b"close\ntrue\n"),
            (("migrate", "a", "b", "c"),
             ([setup.MIGRATE_TEXT], ["Migrate", "Do This Later"],
              [("a", True, True), ("b", True, True), ("c", True, True)]),
             ["a"], "Migrate", b"b,c\n"),
            (("migrate", "a"), None, [], "Do This Later", b"false\n"),
        ]:
            run = dialog(*items)
            try:
                if look:
                    expect_alert(run, setup.TITLE, *look)
                for title in clicks:
                    before = dict((b[0], b[1]) for b in boxes(run.read()))
                    run.click(title, "autocheckbox")
                    run.settle(lambda s: dict((b[0], b[1]) for b in boxes(s))[title],
                               not before[title], f"{title!r} after a click")
                run.click(button)
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    def automatic_setup_locks_and_unlocks_the_clients():
        locked = [("Cursor", True, False), ("Claude", True, False), (setup.AUTO, True, True)]
        chosen = [("Cursor", False, True), ("Claude", True, True), (setup.AUTO, False, True)]
        run = dialog("clients", "auto_install", "Cursor", "Claude")
        try:
            expect_alert(run, setup.TITLE, [setup.CLIENTS_TEXT, setup.LATER], ["Configure", "Skip"],
                         locked)
            session.shot("clients-auto-install")
            run.mouse("Cursor")  # a locked box takes no click
            time.sleep(0.3)
            check_equal(boxes(run.read()), locked, "a click on a locked client")
            for title, want, what in [
                (setup.AUTO, [("Cursor", True, True), ("Claude", True, True), (setup.AUTO, False, True)],
                 "unlocked, still checked"),
                ("Cursor", chosen, "Cursor unchecked"),
                (setup.AUTO, locked, "locked again, Cursor checked"),
                (setup.AUTO, chosen, "unlocked, Cursor as it was"),
            ]:
                run.mouse(title)
                run.settle(boxes, want, what)
            run.click("Skip")
            expect_run(run.finish(), 0, out=b"skip\nfalse\nClaude\n")
        finally:
            run.kill()

        # An advanced configuration locks them with no box to free them.
        run = dialog("clients", "enforce_all", "A", "B")
        try:
            expect_alert(run, setup.TITLE, [setup.CLIENTS_TEXT, setup.MANAGED],
                         ["Configure", "Skip"], [("A", True, False), ("B", True, False)])
            run.key("Return")
            expect_run(run.finish(), 0, out=b"configure\nfalse\nA,B\n")
        finally:
            run.kill()

    def names_come_back_byte_for_byte():
        names = setup.HARD_NAMES + ["\u00dcn\u00efc\u00f8d\u00e9 \u540d\u524d"]
        for items, button, out in setup.HARD_NAME_RUNS:
            out = out[:-1] + b"," + names[-1].encode() + b"\n"
            run = dialog(*items, *names)
            try:
                check_equal([b[0] for b in boxes(run.state)][:len(names)], names, "checkbox titles")
                r_and_d = run.control("R&D")
                named = session.probe_run("accessible", str(r_and_d["hwnd"]))["name"]
                check_equal((r_and_d["text"], named), ("R&&D", "R&D"),
                            "R&D's window text and accessible name")
                second_dup = [c for c in reading_order(run.state) if c["text"] == "Dup"][1]
                session.probe_run("click", str(second_dup["hwnd"]))
                run.settle(lambda s: [b[1] for b in boxes(s) if b[0] == "Dup"], [True, False],
                           "the second Dup unchecked, the first not")
                run.click(button)
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    def a_long_list_scrolls_inside_the_alert():
        names = [f"App {i}" for i in range(1, 81)]
        run = dialog("clients", "default", *names)
        try:
            state = run.state
            check_equal([b[0] for b in boxes(state)], names + [setup.AUTO], "checkboxes")
            scroll = [c for c in state["controls"] if c["class"] == "SetupDialogScroll"]
            check_equal(len(scroll), 1, "scrolling containers")
            check(inside(state["rect"], [0, 0, *SCREEN]), f"the alert {state['rect']} is off screen")
            check(inside(run.control("App 1")["rect"], scroll[0]["rect"]),
                  "the list does not open at its first name")
            for title in ("Configure", "Skip", setup.AUTO):
                box = run.control(title)["rect"]
                check(inside(box, state["rect"]) and not inside(box, scroll[0]["rect"]),
                      f"{title!r} is not in view under the list")
            run.key("Return")
            expect_run(run.finish(), 0, out=b"configure\nfalse\n" + ",".join(names).encode() + b"\n")
        finally:
            run.kill()

    def ten_thousand_names_show_at_once_and_all_come_back():
        # Two letters each, so that the command line stays within Windows'
        # 32767 characters.
        letters = [chr(c) for c in [*range(0x41, 0x5b), *range(0x61, 0x7b), *range(0xc0, 0x100)]]
        names = [letters[i // len(letters)] + letters[i % len(letters)] for i in range(10000)]
        started = time.monotonic()
        process = subprocess.Popen([session.wine, session.program, "clients", "default", *names],
                                   env=session.env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            def shown():
                if process.poll() is not None:
                    raise Failure(f"the run ended: {process.communicate()}")
                found = session.probe_run("count")
                return found[0] if len(found) == 1 and found[0]["foreground"] else None
            wait_for(shown, "the alert of 10000 names", timeout=60)
            took = time.monotonic() - started
            # Under a minute before; a few seconds on a loaded machine now.
            check(took < 10, f"the alert took {took:.1f} s to show")
            # Every name a checkbox window of its own, soon after.
            wait_for(lambda: shown()["controls"] >= len(names) + 8, "every row made", timeout=90)
            subprocess.run(["xdotool", "key", "Return"], env=session.env, check=True, timeout=30)
            out, err = process.communicate(timeout=90)
            expect_run((process.returncode, out, err), 0,
                       out=b"configure\nfalse\n" + ",".join(names).encode() + b"\n")
        finally:
            if process.poll() is None:
                process.kill()
                process.communicate()

    def a_right_to_left_name_is_cut_at_its_logical_end():
        name = "\u05e9\u05dc\u05d5\u05dd " * 30
        run = dialog("migrate", name, "A")
        try:
            box = [c for c in reading_order(run.state) if c.get("button") == "autocheckbox"][0]
            text = shown(box["text"])
            # A right-to-left mark after the ellipsis ("..." under Wine)
            # shows it on the left, at the name's end as a right-to-left
            # reader reads it.
            kept = text.removesuffix("\u200f").rstrip(".\u2026")
            check(text.endswith(("\u2026\u200f", "...\u200f")) and kept and name.startswith(kept),
                  f"the cut name as shown: {text!r}")
            run.click("Migrate")
            expect_run(run.finish(), 0, out=name.encode() + b",A\n")
        finally:
            run.kill()

    def the_alert_fits_a_small_screen_at_480_dpi():
        def dpi(value):
            session.run_quietly([session.wine, "reg", "add", r"HKCU\Control Panel\Desktop", "/v",
                                 "LogPixels", "/t", "REG_DWORD", "/d", str(value), "/f"])
        dpi(480)
        try:
            run = dialog("clients", "default", "A", "B")
            try:
                state = run.state
                check(state["rect"][2] > 600, f"not drawn at 480 DPI: {state['rect']}")
                check(inside(state["rect"], [0, 0, *SCREEN]), f"the alert {state['rect']} is off screen")
                for c in state["controls"]:
                    check(inside(c["rect"], [0, 0, *SCREEN]),
                          f"{c['class']} {c['text']!r} at {c['rect']} is off the screen")
                run.key("Return")
                expect_run(run.finish(), 0, out=b"configure\nfalse\nA,B\n")
            finally:
                run.kill()
        finally:
            dpi(96)

    # Enrollment ------------------------------------------------------------------

    def expect_pass(run, message="", code="", email=""):
        informative = f"{message}\n\n{enroll.INTRO}" if message else enroll.INTRO
        expect_alert(run, enroll.TITLE, [informative, "Setup code", "Work email"],
                     ["Retry" if message else "Continue", "Skip", "Cancel"])
        check_equal(fields(run.state), [code, email], "fields")
        # A screen reader names each field by its caption.
        check_equal([session.probe_run("accessible", str(c["hwnd"]))["name"]
                     for c in reading_order(run.state) if c["class"].lower() == "edit"],
                    ["Setup code", "Work email"], "the fields' accessible names")
        run.settle(focused, ("edit", code), "the focus in the setup-code field")

    def enrollment_is_rejected_then_accepted():
        run = dialog("enroll")
        try:
            expect_pass(run)
            session.shot("enroll-first-pass")
            run.type("  abc  ")
            run.settle(fields, ["  abc  ", ""], "the typed code")
            run.key("Return")
            run.next_window()
            expect_pass(run, enroll.NO_PREFIX, code="abc")
            session.shot("enroll-rejected")
            run.type("dk_123")  # the value put back is selected: typing replaces it
            run.key("Tab")
            run.type("ana%s+x@example.org")
            run.settle(fields, ["dk_123", "ana%s+x@example.org"], "both fields")
            run.key("Return")
            expect_run(run.finish(), 0, out=b"dk_123\nana%s+x@example.org\n")
        finally:
            run.kill()

    def every_way_out_of_enrollment_writes_only_its_own_record():
        unicode_error = "\u00dcn\u00efc\u00f8d\u00e9 \u540d\u524d"
        for items, reject, close, out in [
            (("enroll", unicode_error, "ignored"), False, "Skip", enroll.SKIPPED),
            (("enroll",), True, "Skip", enroll.SKIPPED),
            (("enroll",), True, "Escape", enroll.DECLINED),
            (("enroll",), False, "Cancel", enroll.DECLINED),
        ]:
            run = dialog(*items)
            try:
                expect_pass(run, items[1] if len(items) > 1 else "")
                if reject:
                    run.type("x y")
                    run.key("Return")
                    run.next_window()
                    expect_pass(run, enroll.NO_PREFIX, code="x y")
                if close == "Escape":
                    run.key("Escape")
                else:
                    run.click(close)
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    def an_answer_that_cannot_be_written_fails_the_run():
        with open("/dev/full", "wb") as full:
            run = dialog("clients", "default", "A", stdout=full)
        try:
            run.key("Return")
            expect_run(run.finish(), 1, err=setup.UNWRITABLE)
        finally:
            run.kill()

    # The command line --------------------------------------------------------------

    def command_line_errors_and_no_display_show_no_window():
        # Wine with no display makes no window: the run must say so, not
        # answer from an alert nobody saw.
        no_display = {k: v for k, v in session.env.items() if k != "DISPLAY"}
        for items, env, err in [
                ((), session.env, run_e2e.USAGE),
                (("Clients",), session.env, b"Unknown mode: Clients\n"),
                (("",), session.env, b"Unknown mode: \n"),
                (("m\u00f6de",), session.env, "Unknown mode: m\u00f6de\n".encode()),
                (("clients", "default", "A"), no_display, display.NO_DISPLAY)]:
            done = subprocess.run([session.wine, session.program, *items], env=env,
                                  stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
            expect_run((done.returncode, done.stdout, done.stderr), 1, err=err)

    return [command_line_errors_and_no_display_show_no_window,
            message_dialogs_answer_return_after_the_guard_and_ignore_escape,
            checkbox_modes_answer_the_keyboard,
            the_second_buttons_and_clicked_boxes_make_the_record,
            automatic_setup_locks_and_unlocks_the_clients,
            names_come_back_byte_for_byte,
            a_long_list_scrolls_inside_the_alert,
            ten_thousand_names_show_at_once_and_all_come_back,
            a_right_to_left_name_is_cut_at_its_logical_end,
            the_alert_fits_a_small_screen_at_480_dpi,
            enrollment_is_rejected_then_accepted,
            every_way_out_of_enrollment_writes_only_its_own_record,
            an_answer_that_cannot_be_written_fails_the_run]


def main(argv):
    program, probe = (os.path.abspath(path) for path in argv[:2])
    wanted = argv[2:]
    for tool, found, package in [("wine", wine_loader(), "wine"),
                                  ("wineserver", shutil.which("wineserver"), "wine"),
                                  ("Xvfb", shutil.which("Xvfb"), "xvfb"),
                                  ("xdotool", shutil.which("xdotool"), "xdotool")]:
        if found is None:
            return subprocess.call([os.path.join(HERE, "..", "missing_tool.sh"), tool, package])
    started = time.monotonic()
    session = Session(program, probe)
    try:
        chosen = [case for case in cases(session)
                  if not wanted or any(word in case.__name__ for word in wanted)]
        passed, failed = run_cases(chosen)
    finally:
        session.close()
    print(f"({time.monotonic() - started:.0f} s)")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
