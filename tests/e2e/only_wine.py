"""What only Windows shows: a name's "&" doubled in its window text, so that
it is not read as a mnemonic, and read once by a screen reader (MSAA); a list
of ten thousand names; a right-to-left name's ellipsis; the fit at 480 DPI."""

import subprocess
import time

from driver_wine import SCREEN, reading_order, shown
from cases import AUTO
from harness import Failure, check, check_equal, expect_run, inside, wait_for


def cases(driver):
    def an_ampersand_is_shown_and_read_as_written():
        with driver.start(("migrate", "R&D")) as run:
            box = run.control("R&D", 0)
            check_equal((box["text"], run.name(box)), ("R&&D", "R&D"), "window text and name")
            run.press("Return")
            expect_run(run.finish(), 0, out=b"R&D\n")

    def ten_thousand_names_show_at_once_and_all_come_back():
        # Two letters each: Windows' command line holds 32767 characters.
        letters = [chr(c) for c in [*range(0x41, 0x5b), *range(0x61, 0x7b), *range(0xc0, 0x100)]]
        names = [letters[i // len(letters)] + letters[i % len(letters)] for i in range(10000)]
        started = time.monotonic()
        process = subprocess.Popen([driver.wine, driver.binary, "clients", "default", *names],
                                   env=driver.env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            def alert():  # counted, not read: reading ten thousand rows is slow
                if process.poll() is not None:
                    raise Failure(f"the run ended: {process.communicate()}")
                found = driver.probe("count")
                return found[0] if len(found) == 1 and found[0]["foreground"] else None
            wait_for(alert, "the alert of 10000 names", timeout=60)
            took = time.monotonic() - started
            check(took < 10, f"the alert took {took:.1f} s to show")  # under a minute before
            # Every name a checkbox window of its own, soon after.
            wait_for(lambda: alert()["controls"] >= len(names) + 8, "every row made", timeout=90)
            subprocess.run(["xdotool", "key", "Return"], env=driver.env, check=True, timeout=30)
            out, err = process.communicate(timeout=90)
            expect_run((process.returncode, out, err), 0,
                       out=b"configure\nfalse\n" + ",".join(names).encode() + b"\n")
        finally:
            if process.poll() is None:
                process.kill()
                process.communicate()

    def a_box_locked_when_the_alert_opens_is_in_the_tab_order_once_unlocked():
        # The Tab stops are fixed as the windows are made; a locked box is
        # skipped by the dialog manager only while it is disabled.
        with driver.start(("clients", "auto_install", "A", "B")) as run:
            for want in ("Skip", AUTO):
                run.press("Tab")
                wait_for(lambda: run.snapshot({"focus"})["focus"] == want, f"Tab to {want!r}")
            run.press("space")
            for want in ("Configure", "Skip", "A", "B", AUTO):
                run.press("Tab")
                wait_for(lambda: run.snapshot({"focus"})["focus"] == want, f"Tab to {want!r}")
            run.click("Configure")
            expect_run(run.finish(), 0, out=b"configure\nfalse\nA,B\n")

    def a_right_to_left_name_is_cut_at_its_logical_end():
        name = "\u05e9\u05dc\u05d5\u05dd " * 30
        with driver.start(("migrate", name, "A")) as run:
            box = [c for c in reading_order(run.state) if c.get("button") == "autocheckbox"][0]
            text = shown(box["text"])
            # A right-to-left mark after the ellipsis ("..." under Wine) shows
            # it on the left, at the name's end as its reader reads it.
            kept = text.removesuffix("\u200f").rstrip(".\u2026")
            check(text.endswith(("\u2026\u200f", "...\u200f")) and kept and name.startswith(kept),
                  f"the cut name as shown: {text!r}")
            run.click("Migrate")
            expect_run(run.finish(), 0, out=name.encode() + b",A\n")

    def the_alert_fits_a_small_screen_at_480_dpi():
        def dpi(value):
            subprocess.run([driver.wine, "reg", "add", r"HKCU\Control Panel\Desktop", "/v",
                            "LogPixels", "/t", "REG_DWORD", "/d", str(value), "/f"],
                           env=driver.env, stdin=subprocess.DEVNULL, capture_output=True,
                           timeout=120, check=True)
        dpi(480)
        try:
            with driver.start(("clients", "default", "A", "B")) as run:
                state = run.state
                check(state["rect"][2] > 600, f"not drawn at 480 DPI: {state['rect']}")
                for c in [state] + state["controls"]:
                    check(inside(c["rect"], SCREEN), f"{c.get('class')} {c.get('text', '')!r} "
                                                     f"at {c['rect']} is off the screen")
                run.press("Return")
                expect_run(run.finish(), 0, out=b"configure\nfalse\nA,B\n")
        finally:
            dpi(96)

    return [(f.__name__, f) for f in (an_ampersand_is_shown_and_read_as_written,
                                      a_box_locked_when_the_alert_opens_is_in_the_tab_order_once_unlocked,
                                      ten_thousand_names_show_at_once_and_all_come_back,
                                      a_right_to_left_name_is_cut_at_its_logical_end,
                                      the_alert_fits_a_small_screen_at_480_dpi)]
