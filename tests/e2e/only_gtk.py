"""What only the GTK module shows: the desktop's dark style, names and texts
that look like Pango markup shown as they are, and the above state kept
under a window manager on X11 (not under Wayland, where only the compositor
stacks windows)."""

import shutil
import subprocess
import time

from cases import TITLE
from harness import Failure, expect_run, wait_for


def brightness(run):
    """The mean brightness of the alert, from 0 (black) to 1 (white)."""
    return float(subprocess.run(["import", *run.picture(), "-colorspace", "gray", "-format",
                                 "%[fx:mean]", "info:"], capture_output=True, text=True,
                                check=True).stdout)


def cases(driver):
    def the_dark_style_is_followed():
        # libadwaita's own switch stands in for the desktop's preference.
        shades = {}
        for scheme, looks_right in (("force-light", lambda shade: shade > 0.6),
                                    ("prefer-dark", lambda shade: shade < 0.4)):
            with driver.start(("migrate-empty",), env={"ADW_DEBUG_COLOR_SCHEME": scheme}) as run:
                wait_for(lambda: run.snapshot({"buttons"})["buttons"] == ["OK"], "the alert")

                def drawn(scheme=scheme, looks_right=looks_right):
                    shades[scheme] = brightness(run)
                    return looks_right(shades[scheme])
                # A loaded machine may show the first frame late.
                try:
                    wait_for(drawn, f"the {scheme} alert", timeout=8)
                except Failure:
                    raise Failure(f"light and dark alerts: {shades}") from None
                run.press("Return")
                expect_run(run.finish(), 0)

    def names_and_texts_that_look_like_markup_are_shown_as_they_are():
        names = ["<b>x</b>", "&amp;", "a < b & c", "_under"]
        with driver.start(("clients", "default", *names)) as run:
            wait_for(lambda: [b[0] for b in run.snapshot({"boxes"})["boxes"]][:4] == names,
                     "the names as given")
            run.press("Return")
            expect_run(run.finish(), 0, out=("configure\nfalse\n" + ",".join(names) + "\n").encode())
        error = "<b>Bad</b> &amp; code <i>"
        with driver.start(("enroll", error)) as run:
            wait_for(lambda: (run.snapshot({"text"})["text"] or "").startswith(error + "\n\n"),
                     "the error text as given")
            run.press("Escape")
            expect_run(run.finish(), 0, out=b"false\n")

    def the_alert_stays_above_under_a_window_manager():
        if shutil.which("openbox") is None:
            raise Failure("openbox is missing (Debian: openbox)")
        manager = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            time.sleep(1)
            with driver.start(("enforcement-error", "disable")) as run:
                wait_for(lambda: run.snapshot({"on_top"})["on_top"] and run.window.name == TITLE,
                         "the alert above the others")
                run.press("Return")
                expect_run(run.finish(), 0)
        finally:
            manager.terminate()
            manager.wait(timeout=10)

    chosen = [the_dark_style_is_followed, names_and_texts_that_look_like_markup_are_shown_as_they_are]
    if not driver.native_wayland:
        chosen.append(the_alert_stays_above_under_a_window_manager)
    return [(case.__name__, case) for case in chosen]
