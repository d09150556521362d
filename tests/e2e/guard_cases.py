"""The dialog's keyboard guard, seen from outside: keys typed at another window
while the dialog opens answer nothing; Return after a pause and a click do."""

import subprocess
import threading
import time

import pyatspi

from harness import KEY_GUARD, Dialog, Failure, check, expect_run, wait_for
from setup_cases import mouse_click, wait_active


class Typist:
    """Keeps pressing Space, Return and letters, one key every 100 ms, at
    whatever window has the focus, until stopped. Each run of xdotool ends on
    its own, so that no key is ever left held down."""

    def __init__(self):
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._type, daemon=True)
        self._thread.start()

    def _type(self):
        while not self._stop.is_set():
            subprocess.run(["xdotool", "key", "--delay", "100", "a", "space", "Return", "b"],
                           check=False, timeout=30)

    def stop(self):
        self._stop.set()
        self._thread.join(timeout=30)


def focus_the_other_window():
    """Gives the focus to the xmessage window, found by its class."""
    ids = wait_for(lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--class", "Xmessage"],
        capture_output=True, text=True).stdout.split(), "the other window")
    subprocess.run(["xdotool", "windowfocus", "--sync", ids[0]], check=True, timeout=10)


def window_cases(binary):

    def keys_typed_at_another_window_as_the_dialog_opens_answer_nothing():
        other = subprocess.Popen(["xmessage", "-geometry", "+0+0", "Typing here"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        typist = None
        dialog = None
        try:
            focus_the_other_window()
            typist = Typist()
            time.sleep(0.3)
            dialog = Dialog(binary, "clients", "default", "A")
            wait_active(dialog)
            # The focus moved to the dialog mid-typing; the user types on
            # for more than a second before noticing it.
            time.sleep(1.2)
            typist.stop()
            typist = None
            if dialog.process.poll() is not None:
                raise Failure(f"stray keys answered: {dialog.finish()}")
            time.sleep(KEY_GUARD + 0.2)
            check(dialog.process.poll() is None, "the dialog ended on its own")
            dialog.key("Return")
            expect_run(dialog.finish(), 0, out=b"configure\nfalse\nA\n")
        finally:
            if typist:
                typist.stop()
            if dialog:
                dialog.kill()
            other.kill()
            other.wait()

    def a_click_answers_at_once():
        dialog = Dialog(binary, "clients", "default", "A")
        try:
            wait_active(dialog)
            skip = dialog.find(pyatspi.ROLE_PUSH_BUTTON, "Skip")
            dialog.key("a")  # the guard holds the keys again from here
            mouse_click(skip)
            expect_run(dialog.finish(), 0, out=b"skip\nfalse\nA\n")
        finally:
            dialog.kill()

    def a_key_held_from_the_quiet_time_answers_nothing():
        # Its press falls in the quiet time; its repeats and its release,
        # long after, are not fresh keys.
        for items, key, out in ((("clients", "default", "A"), "Return", b"configure\nfalse\nA\n"),
                                (("enroll",), "Escape", b"false\n")):
            dialog = Dialog(binary, *items)
            try:
                wait_active(dialog)
                # A stray release (of a key never pressed, so dropped) starts
                # the quiet time again, however late the window was seen.
                subprocess.run(["xdotool", "keyup", "Shift_L", "sleep", "0.3", "keydown", key],
                               check=True, timeout=10)
                time.sleep(2)
                subprocess.run(["xdotool", "keyup", key], check=True, timeout=10)
                time.sleep(0.3)
                if dialog.process.poll() is not None:
                    raise Failure(f"a held {key} answered: {dialog.finish()}")
                time.sleep(KEY_GUARD + 0.2)
                dialog.key(key)
                expect_run(dialog.finish(), 0, out=out)
            finally:
                subprocess.run(["xdotool", "keyup", key], check=False, timeout=10)
                dialog.kill()

    return [keys_typed_at_another_window_as_the_dialog_opens_answer_nothing,
            a_click_answers_at_once, a_key_held_from_the_quiet_time_answers_nothing]
