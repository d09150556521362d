"""How the program falls back when a window toolkit module is missing or
cannot start: the terminal's question where there is a terminal, else the
one no-display line. And what a run that needs no toolkit loads: none."""

import glob
import os
import select
import shutil
import subprocess
import tempfile
import time

from cases import no_display
from harness import Failure, check, expect_run, fail_fast_env, run_plain

NO_WINDOW = no_display("the window did not appear")
LSAN_GTK = ("suppressions=" + os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                           "lsan_gtk.supp") + ":print_suppressions=0")


def on_terminal(program, items, env, answer="\r", timeout=15):
    """Runs on a pseudo-terminal of its own, waits for the question's prompt,
    answers it; returns (status, out, err) and what the terminal showed."""
    master, slave = os.openpty()
    name = os.ttyname(slave)
    process = subprocess.Popen(
        [program, *items], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
        stderr=subprocess.PIPE, env=env, start_new_session=True,
        preexec_fn=lambda: os.close(os.open(name, os.O_RDWR)))
    shown, deadline = b"", time.monotonic() + timeout
    try:
        while not shown.rstrip(b" ").endswith(b":") and process.poll() is None:
            if time.monotonic() > deadline:
                raise Failure(f"no question on the terminal: {shown!r}")
            if select.select([master], [], [], 0.1)[0]:
                try:
                    shown += os.read(master, 65536)
                except OSError:
                    break
        if process.poll() is None:
            os.write(master, answer.encode())
        out, err = process.communicate(timeout=timeout)
        return (process.returncode, out, err), shown
    finally:
        if process.poll() is None:
            process.kill()
            process.communicate()
        os.close(master)
        os.close(slave)


def module_cases(binary):
    display = os.environ.get("DISPLAY")

    def with_display(**extra):
        # Where Qt declines, GTK's module is tried: its libraries' caches are
        # not the program's leaks.
        return dict(fail_fast_env(), DISPLAY=display, LSAN_OPTIONS=LSAN_GTK, **extra)

    def expect_the_terminal_asks(program, env, what):
        result, shown = on_terminal(program, ["migrate-empty"], env)
        check(b"Orvex Setup" in shown, f"{what}: the terminal showed {shown!r}")
        expect_run(result, 0)

    def a_missing_module_leaves_the_terminal_or_the_no_display_line():
        with tempfile.TemporaryDirectory() as folder:
            alone = shutil.copy(binary, folder)
            expect_run(run_plain([alone, "migrate-empty"], with_display()), 1, err=NO_WINDOW)
            expect_the_terminal_asks(alone, with_display(), "no module")
            # Asked for by name, or by the desktop, it is skipped all the same.
            for extra in ({"SETUP_DIALOG_TOOLKIT": "qt"}, {"XDG_CURRENT_DESKTOP": "KDE"}):
                expect_run(run_plain([alone, "migrate-empty"], with_display(**extra)), 1,
                           err=NO_WINDOW)
            # Debug output says what was chosen and why the others were not.
            status, out, err = run_plain([alone, "migrate-empty"],
                                         with_display(SETUP_DIALOG_DEBUG="1"))
            check(status == 1 and b"toolkit qt: no module " in err
                  and b"toolkit chosen: none" in err, f"debug output: {err!r}")

    def a_module_that_aborts_as_it_loads_ends_the_run_in_one_line():
        # It cannot be recovered from in the process; the parent still gets
        # the no-display line and status 1, never a signal. Built by CTest.
        aborting = os.environ.get("SETUP_DIALOG_ABORTING_MODULE")
        if not aborting:
            print("     (no SETUP_DIALOG_ABORTING_MODULE: the aborting module is not checked)")
            return
        with tempfile.TemporaryDirectory() as folder:
            program = shutil.copy(binary, folder)
            shutil.copy(aborting, os.path.join(folder, "toolkit-qt.so"))
            expect_run(run_plain([program, "migrate-empty"], with_display()), 1, err=NO_WINDOW)

    def a_module_that_cannot_start_leaves_the_terminal():
        # The display answers the probe, but Qt has no platform there that
        # shows a window (nor GTK, where its module is there too): the
        # modules decline, and the terminal asks.
        expect_the_terminal_asks(binary, with_display(QT_QPA_PLATFORM="offscreen",
                                                      GDK_BACKEND="broadway"),
                                 "Qt and GTK on no platform")
        expect_the_terminal_asks(
            binary, with_display(SETUP_DIALOG_TOOLKIT="qt", QT_QPA_PLATFORM="vnc",
                                 GDK_BACKEND="broadway"),
            "Qt asked for by name, on a platform that shows nothing")

    def the_terminal_asked_for_asks_even_with_a_display():
        expect_the_terminal_asks(binary, with_display(SETUP_DIALOG_TOOLKIT="terminal"),
                                 "SETUP_DIALOG_TOOLKIT=terminal")

    def a_wrong_command_line_loads_no_toolkit():
        with tempfile.TemporaryDirectory() as folder:
            log = os.path.join(folder, "loads")
            for args in ([], ["nope"], ["--help"], ["--version"]):
                run_plain([binary, *args], with_display(LD_DEBUG="files", LD_DEBUG_OUTPUT=log))
                loaded = "".join(open(path, errors="replace").read()
                                 for path in glob.glob(log + ".*"))
                check("file=" in loaded, f"{args}: the loader said nothing")
                check("toolkit-" not in loaded and "libQt" not in loaded,
                      f"{args}: loaded a toolkit")
                for path in glob.glob(log + ".*"):
                    os.remove(path)

    return [a_missing_module_leaves_the_terminal_or_the_no_display_line,
            a_module_that_aborts_as_it_loads_ends_the_run_in_one_line,
            a_module_that_cannot_start_leaves_the_terminal,
            the_terminal_asked_for_asks_even_with_a_display,
            a_wrong_command_line_loads_no_toolkit]
