"""Runs the end-to-end cases of cases.py, and those only one backend can
show (only_BACKEND.py), on one backend through its driver.

Usage: run.py BACKEND BINARY [PROBE] [CASE...]
  BACKEND  qt, gtk, gtk-wayland (GTK on weston, without X11), gnustep, wine (whose
           PROBE is win32-probe.exe) or terminal
  CASE     run only the cases whose names hold one of these words
"""

import importlib
import importlib.util
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from cases import CASES, CONVENTIONS  # noqa: E402
from harness import Failure, check, copy_with_icon, expect_run, run_cases, wait_for  # noqa: E402

DRIVERS = {"qt": "driver_atspi", "gtk": "driver_atspi", "gtk-wayland": "driver_atspi",
           "gnustep": "driver_gnustep", "wine": "driver_wine", "terminal": "driver_terminal"}
# A backend's driver class where its module has more than one; the cases only
# it can show where they are not in only_BACKEND.py.
DRIVER_CLASSES = {"gtk-wayland": "WaylandDriver"}
ONLY = {"gtk-wayland": "only_gtk"}


def expect_look(run, want, convention):
    want = {k: v for k, v in want.items() if k in convention["sees"]}
    if want.get("icon") == "custom" and convention["custom_icon"] == "stock":
        del want["icon"]
    same = getattr(run, "same", lambda key, got, wanted: got == wanted)
    got = {}

    def matches():
        got.update(run.snapshot(set(want)))
        return all(same(k, got.get(k), v) for k, v in want.items())
    try:
        wait_for(matches, "the alert", timeout=8)
    except Failure:
        raise Failure("; ".join(f"{k}: got {got.get(k)!r}, want {v!r}"
                                for k, v in want.items() if not same(k, got.get(k), v))) from None


def play(driver, case, convention):
    if case.where == "none":
        return expect_run(driver.run_plain(case.items), case.status, case.out, case.err)
    steps = case.steps(convention) if callable(case.steps) else case.steps
    with tempfile.TemporaryDirectory() as folder:
        program = None if case.icon is None else copy_with_icon(driver.binary, folder, case.icon)
        read_end = None
        if case.stdout == "full":
            stdout = open("/dev/full", "wb")
        elif case.stdout == "closed":
            read_end, stdout = os.pipe()
        else:
            stdout = subprocess.PIPE
        try:
            run = driver.start(case.items, program=program, stdout=stdout)
        finally:
            if case.stdout == "full":
                stdout.close()
            elif read_end is not None:
                os.close(stdout)
        try:
            if read_end is not None:
                os.close(read_end)  # the parent stops reading
            for verb, *args in steps:
                if verb == "look":
                    expect_look(run, args[0], convention)
                elif verb == "early" and convention.get("key_guard") is False:
                    continue
                elif verb in ("key", "early"):
                    run.press(*args, early=verb == "early")
                elif verb == "key_of":
                    run.press(convention[args[0]])
                elif verb == "open" or verb == "escape_ignored":
                    if verb == "escape_ignored":
                        if convention["escape_without_cancel"] != "ignored":
                            continue
                        run.press("Escape")
                    time.sleep(0.3)
                    check(run.running(), "the alert closed")
                elif verb == "hold":
                    run.hold(args[0])
                elif verb == "type":
                    run.type(args[0])
                elif verb in ("click", "pointer"):
                    run.click(args[0], args[1] if len(args) > 1 else 0, pointer=verb == "pointer")
                elif verb == "destroyed":
                    run.xdotool("windowclose", run.x_windows()[-1])
                elif verb == "next":
                    run.next_window()
                elif verb == "paste":
                    seen = "fields" in convention["sees"]
                    before = run.snapshot({"fields"})["fields"] if seen else None
                    run.set_clipboard(args[0])
                    run.press(convention["paste"])
                    if seen:  # GTK pastes once the clipboard's owner answers
                        wait_for(lambda: run.snapshot({"fields"})["fields"] != before,
                                 "the pasted text")
                elif verb == "copied":
                    wait_for(lambda: run.clipboard() == args[0], f"the clipboard to hold {args[0]!r}")
                else:
                    raise ValueError(f"no step {verb!r}")
            out = case.out(convention) if callable(case.out) else case.out
            expect_run(run.finish(), case.status, out, case.err)
        finally:
            run.kill()


def main(argv):
    backend = argv[0]
    driver_module = importlib.import_module(DRIVERS[backend])
    paths = [os.path.abspath(path) for path in argv[1:1 + driver_module.PATHS]]
    wanted = argv[1 + driver_module.PATHS:]
    driver_class = getattr(driver_module, DRIVER_CLASSES.get(backend, "Driver"))
    missing = getattr(driver_class, "missing", driver_module.missing)()
    if missing:
        return subprocess.call([os.path.join(HERE, "..", "missing_tool.sh"), *missing])
    started = time.monotonic()
    driver = driver_class(*paths)
    try:
        convention = CONVENTIONS[backend]
        table = [(c.name, lambda c=c: play(driver, c, convention)) for c in CASES
                 if backend not in c.skip]
        only = []  # what only this backend can show, if anything
        only_module = ONLY.get(backend, f"only_{backend}")
        if importlib.util.find_spec(only_module):
            only = importlib.import_module(only_module).cases(driver)
        chosen = [(name, function) for name, function in table + only
                  if not wanted or any(word in name for word in wanted)]
        passed, failed = run_cases(chosen)
    finally:
        driver.close()
    print(f"{backend}: {passed} passed, {failed} failed ({time.monotonic() - started:.0f} s)")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
