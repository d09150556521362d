"""What only the Qt backend on X11 and Wayland can show: which display it
opens (display_cases.py), hostile surroundings (hostile_cases.py), the
fallbacks when its module is missing or cannot start (module_cases.py), a display
it is the only client of, and keys typed at another window as the alert opens."""

import os
import subprocess
import threading
import time

import display_cases
import hostile_cases
import module_cases
from cases import NO_DISPLAY, no_display
from harness import Failure, expect_run, fail_fast_env, run_plain, start_xvfb, stop, wait_for

HERE = os.path.dirname(os.path.abspath(__file__))


def cases(driver):
    binary = driver.binary

    def the_only_client_of_a_display_still_shows_its_dialog():
        # -terminate: the server ends when its last client leaves, so a
        # program that lets go of the display while it starts loses it.
        xvfb, display = start_xvfb("-terminate")
        env = dict(fail_fast_env(), DISPLAY=display,
                   # With no session bus, libdbus leaks what it allocates
                   # looking for one.
                   LSAN_OPTIONS="suppressions=" + os.path.join(HERE, "no_bus.supp"))
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        try:
            expect_run(hostile_cases.run(binary, env, "migrate-empty", answer=True, settle=2.0)[0], 0)
        finally:
            stop(xvfb)

    def keys_typed_at_another_window_as_the_dialog_opens_answer_nothing():
        other = subprocess.Popen(["xmessage", "-geometry", "+0+0", "Typing here"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        stopped = threading.Event()

        def typist():  # Space, Return and letters, one every 100 ms
            while not stopped.is_set():
                subprocess.run(["xdotool", "key", "--delay", "100", "a", "space", "Return", "b"],
                               check=False, timeout=30)
        thread = threading.Thread(target=typist, daemon=True)
        run = None
        try:
            ids = wait_for(lambda: subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--class", "Xmessage"],
                capture_output=True, text=True).stdout.split(), "the other window")
            subprocess.run(["xdotool", "windowfocus", "--sync", ids[0]], check=True, timeout=10)
            thread.start()
            time.sleep(0.3)
            run = driver.start(("clients", "default", "A"))
            # The focus moved to the dialog mid-typing; the user types on
            # for more than a second before noticing it.
            time.sleep(1.2 + 0.5)
            stopped.set()
            thread.join(timeout=30)
            if not run.running():
                raise Failure(f"stray keys answered: {run.finish()}")
            run.shown_at = time.monotonic()
            run.press("Return")
            expect_run(run.finish(), 0, out=b"configure\nfalse\nA\n")
        finally:
            stopped.set()
            if run:
                run.kill()
            other.kill()
            other.wait()

    def a_display_that_does_not_answer_is_no_display():
        # Named but silent, or a platform that shows nothing to a person.
        for extra, err in (
                ({"DISPLAY": ":97"}, no_display("the display :97 does not answer")),
                ({"QT_QPA_PLATFORM": "wayland"}, NO_DISPLAY),
                ({"QT_QPA_PLATFORM": "no-such-platform"}, NO_DISPLAY),
                ({"QT_QPA_PLATFORM": "offscreen"}, NO_DISPLAY),
                ({"QT_QPA_PLATFORM": "minimal;offscreen"}, NO_DISPLAY),
                ({"QT_QPA_PLATFORM": "vnc:size=640x480"}, NO_DISPLAY),
                ({"WAYLAND_DISPLAY": "no-such-compositor"},
                 no_display("the Wayland display no-such-compositor does not answer"))):
            expect_run(run_plain([binary, "migrate-empty"], dict(fail_fast_env(), **extra)), 1,
                       err=err)

    own = [a_display_that_does_not_answer_is_no_display, the_only_client_of_a_display_still_shows_its_dialog,
           keys_typed_at_another_window_as_the_dialog_opens_answer_nothing]
    found = (own + display_cases.headless_cases(binary) + display_cases.window_cases(driver)
             + hostile_cases.hostile_cases(binary) + module_cases.module_cases(binary))
    return [(case.__name__, case) for case in found]
