"""End-to-end tests of the setup-dialog binary.

Usage: run_e2e.py BINARY

Runs the command-line cases with no display at all, and the dialogs asked on a
pseudo-terminal, then starts its own Xvfb
and session bus and runs the window cases inside them, driving the dialogs
through the accessibility bus as a screen reader would.
"""

import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

USAGE = (b"Usage: setup-dialog <clients|no-clients|migrate-empty|migrate|enroll|"
         b"enforcement-error> [items...]\n")
TURN_ON = ("Orvex couldn't turn on automatic setup. To try again later, run: "
           "orvex config set drift-enforcement auto_install")
TURN_OFF = ("Orvex couldn't turn off automatic setup. To try again later, run: "
            "orvex config set drift-enforcement default")
NOTHING_TO_MIGRATE = ("We didn't find any existing tools to migrate to Orvex. "
                      "You're ready to get started!")
NO_DISPLAY = b"setup-dialog: no display: cannot show the dialog (is DISPLAY set?)\n"


def run_plain(binary, *args, env=None, stdout=subprocess.PIPE):
    # A session of its own: no controlling terminal to fall back to either.
    process = subprocess.run([binary, *args], stdout=stdout, stderr=subprocess.PIPE,
                             stdin=subprocess.DEVNULL, env=env, timeout=30,
                             start_new_session=True)
    return process.returncode, process.stdout or b"", process.stderr


def headless_cases(binary):
    from harness import expect_run, fail_fast_env

    env = fail_fast_env()

    def command_line_errors_need_no_display():
        for args, err in [
            ((), USAGE),
            (("Clients",), b"Unknown mode: Clients\n"),
            (("",), b"Unknown mode: \n"),
            (("bad\xff".encode("latin-1"),), b"Unknown mode: bad\xff\n"),
            (("%s%n",), b"Unknown mode: %s%n\n"),
            ((b"clients", b"default", b"\xc3("),
             b"setup-dialog: item 2 is not valid UTF-8\n"),
            # One line, whatever the mode holds; the mode is judged first.
            ((b"bogus\n\x1b]0;x\x07", b"\xff"), b"Unknown mode: bogus\\x0a\\x1b]0;x\\x07\n"),
            # A C1 control, raw or as UTF-8, and a backslash that could
            # forge an escape.
            ((b"x\x9b2J\xc2\x9b\\x09",), b"Unknown mode: x\\x9b2J\\xc2\\x9b\\x5cx09\n"),
        ]:
            expect_run(run_plain(binary, *args, env=env), 1, err=err)

    def a_known_mode_without_a_display_fails_cleanly():
        for mode in ("enforcement-error", "migrate-empty"):
            expect_run(run_plain(binary, mode, env=env), 1, err=NO_DISPLAY)
        # An item the mode never reads is not judged.
        expect_run(run_plain(binary, b"migrate-empty", b"\xff", env=env), 1, err=NO_DISPLAY)
        # A display that is named but does not answer, or a platform that
        # cannot start: still one line and status 1, never an abort.
        # Platforms that show nothing to a person count as no display.
        for extra in ({"DISPLAY": ":97"}, {"QT_QPA_PLATFORM": "wayland"},
                      {"QT_QPA_PLATFORM": "no-such-platform"}, {"QT_QPA_PLATFORM": "offscreen"},
                      {"QT_QPA_PLATFORM": "minimal;offscreen"},
                      {"QT_QPA_PLATFORM": "vnc:size=640x480"},
                      {"WAYLAND_DISPLAY": "no-such-compositor"}):
            expect_run(run_plain(binary, "migrate-empty", env=dict(env, **extra)), 1,
                       err=NO_DISPLAY)

    def items_are_never_toolkit_options():
        for item in ("-platform", "-reverse", "-style=x", "--help"):
            expect_run(run_plain(binary, "enforcement-error", item, env=env), 1,
                       err=NO_DISPLAY)

    import display_cases
    import tty_cases
    return ([command_line_errors_need_no_display, a_known_mode_without_a_display_fails_cleanly,
             items_are_never_toolkit_options] + tty_cases.terminal_cases(binary)
            + display_cases.headless_cases(binary))


def window_cases(binary):
    import pyatspi
    from harness import Dialog, check, check_equal, expect_run, wait_for

    def message_dialog_turn_off_is_shown_on_top_and_answers_its_button():
        dialog = Dialog(binary, "enforcement-error", "disable", "ignored")
        try:
            check_equal(dialog.window.name, "Orvex Setup", "window title")
            texts = dialog.texts()
            check("Orvex Setup" in texts, f"message text missing: {texts}")
            check(TURN_OFF in texts, f"informative text missing: {texts}")
            wait_for(lambda: dialog.window.getState().contains(pyatspi.STATE_ACTIVE),
                     "the alert to be the active window")
            check("_NET_WM_STATE_ABOVE" in dialog.x_window_state(), "the alert is not kept on top")
            dialog.press("OK")
            expect_run(dialog.finish(), 0)
        finally:
            dialog.kill()

    def message_dialog_turn_on_answers_return():
        for items in ((), ("enable",), ("Disable",)):
            dialog = Dialog(binary, "enforcement-error", *items)
            try:
                check(TURN_ON in dialog.texts(), f"turn-on text missing for {items}")
                dialog.wait_keyboard()
                dialog.key("Return")
                expect_run(dialog.finish(), 0)
            finally:
                dialog.kill()

    def info_dialog_ignores_items_and_escape():
        dialog = Dialog(binary, "migrate-empty", "x", "y")
        try:
            check(NOTHING_TO_MIGRATE in dialog.texts(), "informative text missing")
            dialog.wait_keyboard()
            # No "Cancel" button: Escape must not dismiss the alert.
            dialog.key("Escape")
            time.sleep(0.5)
            check(dialog.process.poll() is None, "Escape closed an alert without Cancel")
            dialog.press("OK")
            expect_run(dialog.finish(), 0)
        finally:
            dialog.kill()

    def icon_is_read_beside_the_program_and_a_bad_one_is_ignored():
        with tempfile.TemporaryDirectory() as folder:
            program = os.path.join(folder, "setup-dialog")
            shutil.copy(binary, program)
            icon = os.path.join(folder, "icon.png")
            # Missing, not an image, and a pipe that would block a reader.
            for content in (None, b"not an image", "fifo"):
                if content == "fifo":
                    os.remove(icon)
                    os.mkfifo(icon)
                elif content is not None:
                    with open(icon, "wb") as file:
                        file.write(content)
                dialog = Dialog(program, "migrate-empty")
                try:
                    dialog.press("OK")
                    expect_run(dialog.finish(), 0)
                finally:
                    dialog.kill()

    import display_cases
    import enroll_cases
    import guard_cases
    import setup_cases
    return ([message_dialog_turn_off_is_shown_on_top_and_answers_its_button,
             message_dialog_turn_on_answers_return, info_dialog_ignores_items_and_escape,
             icon_is_read_beside_the_program_and_a_bad_one_is_ignored]
            + setup_cases.window_cases(binary) + enroll_cases.window_cases(binary)
            + guard_cases.window_cases(binary) + display_cases.window_cases(binary))


# What the window cases need beyond the cases without a display, with the
# Debian package of each.
WINDOW_TOOLS = [("Xvfb", "xvfb"), ("xdotool", "xdotool"), ("xprop", "x11-utils"),
                ("xclip", "xclip"), ("dbus-run-session", "dbus")]


def missing_window_tool():
    for tool, package in WINDOW_TOOLS:
        if shutil.which(tool) is None:
            return tool, package
    if importlib.util.find_spec("pyatspi") is None:
        return "pyatspi", "python3-pyatspi"
    return None


def lone_client_cases(binary):
    """On a display the program is the only client of."""
    from harness import TIMEOUT, expect_run, fail_fast_env, start_xvfb, wait_for

    def the_only_client_of_a_display_still_shows_its_dialog():
        # -terminate: the server ends when its last client leaves (where it
        # would otherwise reset, refusing connections for a moment), so a
        # program that lets go of the display while it starts loses it.
        xvfb, display = start_xvfb("-terminate")
        env = dict(fail_fast_env(), DISPLAY=display,
                   # With no session bus, libdbus leaks what it allocates
                   # looking for one.
                   LSAN_OPTIONS="suppressions=" + os.path.join(HERE, "no_bus.supp"))
        process = subprocess.Popen([binary, "migrate-empty"], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   env=env, start_new_session=True)
        try:
            # No other client comes and goes until the program has connected.
            time.sleep(2.0)
            wait_for(lambda: process.poll() is not None or subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--pid", str(process.pid)],
                env=env, capture_output=True).returncode == 0, "the window")
            if process.poll() is None:
                time.sleep(0.7)  # past the keyboard guard
                subprocess.run(["xdotool", "key", "Return"], env=env, check=True)
            out, err = process.communicate(timeout=TIMEOUT)
            expect_run((process.returncode, out, err), 0)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
            xvfb.terminate()
            xvfb.wait()

    return [the_only_client_of_a_display_still_shows_its_dialog]


def main(argv):
    from harness import run_cases, start_xvfb

    binary = os.path.abspath(argv[0])
    if os.environ.get("SETUP_DIALOG_E2E_INNER"):
        from harness import start_accessibility_bus
        start_accessibility_bus()
        passed, failed = run_cases(window_cases(binary))
        print(f"{passed} passed, {failed} failed", flush=True)
        return 1 if failed else 0

    passed, failed = run_cases(headless_cases(binary))
    missing = missing_window_tool()
    if missing:
        print(f"{passed} passed, {failed} failed, the window cases not run")
        if failed:
            return 1
        # Skipped, or failed where every test must run; the script says which.
        return subprocess.call([os.path.join(HERE, "..", "missing_tool.sh"), *missing])
    import hostile_cases
    lone_passed, lone_failed = run_cases(lone_client_cases(binary) +
                                         hostile_cases.hostile_cases(binary))
    passed += lone_passed
    failed += lone_failed
    xvfb, display = start_xvfb()
    try:
        env = dict(os.environ, DISPLAY=display, SETUP_DIALOG_E2E_INNER="1",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        env.pop("QT_QPA_PLATFORM", None)
        env.pop("WAYLAND_DISPLAY", None)
        inner = subprocess.run(["dbus-run-session", "--", sys.executable, __file__, binary],
                               env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               text=True, timeout=500)
        lines = inner.stdout.splitlines()
        for line in lines:
            if line.startswith(("ok ", "FAIL ")):
                print(line)
        summary = [l for l in lines if l.endswith(" failed")]
        if summary:
            inner_passed, inner_failed = (int(part.split()[0]) for part in summary[-1].split(","))
        else:
            inner_passed, inner_failed = 0, 1
            print("FAIL the window cases did not run to the end")
        passed += inner_passed
        failed += inner_failed
    finally:
        xvfb.terminate()
        xvfb.wait()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
