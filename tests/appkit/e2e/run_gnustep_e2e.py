"""End-to-end tests of setup-dialog-gnustep: the AppKit backend, unchanged,
running on GNUstep under a private Xvfb, driven by keys and clicks.

Usage: run_gnustep_e2e.py BINARY [CASE...]   (CASE: run only the cases whose
name holds one of these words)

Every mode is answered and its record and exit status checked byte for byte;
every run must also end with nothing of its alerts alive, no message sent to a
freed object (NSZombieEnabled) and, in a sanitizer build, no ASan or UBSan
report. What the alert shows is read from the program's test-only probe."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "e2e"))

from gnustep_harness import (SCREEN, Dialog, Session, boxes, buttons, focused,  # noqa: E402
                             inside, labels)
from harness import Failure, check, check_equal, expect_run, run_cases  # noqa: E402
import enroll_cases  # noqa: E402
import run_e2e  # noqa: E402
import setup_cases as setup  # noqa: E402

WARNING, INFORMATIONAL = 0, 1
FLOATING = 3


def png(width, height):
    """A plain PNG image, red, of the given size."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
    rows = b"".join(b"\0" + b"\xd0\x20\x20" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def cases(session):
    def dialog(*items, **options):
        return Dialog(session, *items, **options)

    # Message dialogs, the icon ------------------------------------------------

    def message_dialogs_show_their_text_float_and_answer_their_button():
        for items, text, style, answer in [
            (("enforcement-error", "disable", "ignored"), run_e2e.TURN_OFF, WARNING, "click"),
            (("enforcement-error",), run_e2e.TURN_ON, WARNING, "Return"),
            (("migrate-empty", "x", "y"), run_e2e.NOTHING_TO_MIGRATE, INFORMATIONAL, "Return"),
        ]:
            run = dialog(*items)
            try:
                state = run.state
                check_equal(labels(state), [setup.TITLE, text], f"texts of {items}")
                check_equal(buttons(state), ["OK"], f"buttons of {items}")
                check_equal(state["style"], style, f"alert style of {items}")
                check_equal(state["levelAsked"], FLOATING, f"window level of {items}")
                if answer == "click":
                    run.press("OK")
                else:
                    run.key(answer)
                expect_run(run.finish(), 0)
            finally:
                run.kill()

    def keys_before_the_guard_answer_nothing_and_return_after_it_does():
        # Keys meant for another window reach a new alert before anyone has
        # seen it: for its first half second, they are dropped, and each one
        # starts the wait again.
        run = dialog("clients", "default", "A")
        try:
            run.xdotool("key", "--delay", "100", "Return", "space", "Return")
            time.sleep(0.3)
            check(run.process.poll() is None, "a key before the guard answered the alert")
            run.shown_at = time.monotonic()
            run.key("Return")
            expect_run(run.finish(), 0, out=b"configure\nfalse\nA\n")
        finally:
            run.kill()

    def a_key_held_from_the_quiet_time_answers_nothing():
        # Pressed during the quiet time, held past it: its repeats and its
        # release answer nothing; a fresh key after a pause does.
        for items, key, out in ((("clients", "default", "A"), "Return", b"configure\nfalse\nA\n"),
                                (("enroll",), "Escape", b"false\n")):
            run = dialog(*items)
            try:
                # At once: the alert may have been seen a little late.
                run.xdotool("keydown", key)
                time.sleep(2)
                run.xdotool("keyup", key)
                time.sleep(0.3)
                if run.process.poll() is not None:
                    raise Failure(f"a held {key} answered: {run.finish()}")
                run.shown_at = time.monotonic()
                run.key(key)
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    def the_icon_beside_the_program_is_shown_and_a_bad_one_ignored():
        with tempfile.TemporaryDirectory() as folder:
            program = os.path.join(folder, "setup-dialog")
            shutil.copy(session.binary, program)
            icon = os.path.join(folder, "icon.png")
            # An image, then not an image, then a pipe that would block a reader.
            for content, custom in ((png(64, 64), True), (b"not an image", False), ("fifo", False)):
                if content == "fifo":
                    os.remove(icon)
                    os.mkfifo(icon)
                else:
                    with open(icon, "wb") as file:
                        file.write(content)
                run = dialog("migrate-empty", program=program)
                try:
                    shown = run.controls("icon")
                    check_equal(len(shown), 1, "icons shown")
                    check_equal(shown[0]["custom"], custom, f"the icon.png shown for {content[:12]!r}")
                    if custom:
                        check_equal(shown[0]["imageSize"], [64, 64], "the icon's size")
                    run.key("Return")
                    expect_run(run.finish(), 0)
                finally:
                    run.kill()

    # The clients, no-clients and migrate dialogs --------------------------------

    def clients_dialog_shows_its_rows_in_order_and_a_click_unchecks():
        names = ["Claude Desktop", "Cursor"]
        run = dialog("clients", "default", *names)
        try:
            check_equal(labels(run.state), [setup.TITLE, setup.CLIENTS_TEXT, setup.LATER], "texts")
            check_equal(buttons(run.state), ["Configure", "Skip"], "buttons")
            check_equal(run.state["style"], INFORMATIONAL, "alert style")
            check_equal(boxes(run.state), [(n, True, True) for n in names] + [(setup.AUTO, False, True)],
                        "checkboxes")
            rows = run.controls("checkbox") + [run.control("label", setup.LATER)]
            tops = [row["box"][1] for row in rows]
            check(tops == sorted(tops) and len(set(tops)) == len(tops), f"rows not top to bottom: {tops}")
            run.click("checkbox", "Claude Desktop")
            run.settle(boxes, [("Claude Desktop", False, True), ("Cursor", True, True),
                               (setup.AUTO, False, True)], "Claude Desktop unchecked")
            run.press("Configure")
            expect_run(run.finish(), 0, out=b"configure\nfalse\nCursor\n")
        finally:
            run.kill()

    def automatic_setup_locks_and_unlocks_the_clients():
        locked = [("A", True, False), ("B", True, False), (setup.AUTO, True, True)]
        run = dialog("clients", "auto_install", "A", "B")
        try:
            check_equal(boxes(run.state), locked, "locked at first")
            run.click("checkbox", "A", takes=False)  # a locked client does not change
            check_equal(boxes(run.fresh()), locked, "a click on a locked client")
            run.click("checkbox", setup.AUTO)
            run.settle(boxes, [("A", True, True), ("B", True, True), (setup.AUTO, False, True)],
                       "unlocked, still checked")
            run.click("checkbox", "A")
            chosen = [("A", False, True), ("B", True, True), (setup.AUTO, False, True)]
            run.settle(boxes, chosen, "A unchecked")
            run.click("checkbox", setup.AUTO)
            run.settle(boxes, locked, "locked again, A checked")
            run.click("checkbox", setup.AUTO)
            run.settle(boxes, chosen, "unlocked, A as it was")
            run.press("Skip")
            expect_run(run.finish(), 0, out=b"skip\nfalse\nB\n")
        finally:
            run.kill()

        run = dialog("clients", "auto_install", "A", "B")
        try:
            run.key("Return")
            expect_run(run.finish(), 0, out=b"configure\ntrue\nA,B\n")
        finally:
            run.kill()

    def enforcement_words_choose_the_note_and_the_lock():
        for word, note, locked, out in [
            ("enforce_all", setup.MANAGED, True, b"configure\nfalse\nA,B\n"),
            ("detect_only", setup.TURNED_OFF, False, b"configure\nfalse\nA\n"),
        ]:
            run = dialog("clients", word, "A", "B")
            try:
                check_equal(labels(run.state), [setup.TITLE, setup.CLIENTS_TEXT, note], f"texts of {word}")
                check_equal(boxes(run.state), [("A", True, not locked), ("B", True, not locked)],
                            f"checkboxes of {word}")
                # The note wraps at its width: two lines of its small font.
                label = run.control("label", note)
                if note == setup.MANAGED:
                    check(label["box"][3] >= 2 * label["fontSize"],
                          f"the note is not wrapped: {label}")
                if not locked:
                    run.click("checkbox", "B")
                    run.settle(boxes, [("A", True, True), ("B", False, True)], f"{word}: B unchecked")
                run.press("Configure")
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    def names_come_back_byte_for_byte():
        names = setup.HARD_NAMES
        for items, button, out in setup.HARD_NAME_RUNS:
            run = dialog(*items, *(name.encode() for name in names))
            try:
                check_equal([c["title"] for c in run.controls("checkbox")][:len(names)], names,
                            "checkbox titles")
                run.click("checkbox", "Dup", index=1)
                run.settle(lambda s: [b[1] for b in boxes(s) if b[0] == "Dup"], [True, False],
                           "the second Dup unchecked, the first not")
                run.press(button)
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    def no_clients_dialog_reports_its_button_and_the_checkbox():
        for items, note, click, button, out in [
            (("default",), setup.LATER, True, "Close", b"close\ntrue\n"),
            (("auto_install", "extra"), setup.LATER, False, "Return", b"continue\ntrue\n"),
            (("enforce_all",), setup.MANAGED, False, "Continue", b"continue\nfalse\n"),
        ]:
            run = dialog("no-clients", *items)
            try:
                check_equal(labels(run.state), [setup.TITLE, setup.NO_CLIENTS_TEXT, note],
                            f"texts of {items}")
                check_equal(buttons(run.state), ["Continue", "Close"], f"buttons of {items}")
                if click:
                    run.click("checkbox", setup.AUTO)
                    run.settle(boxes, [(setup.AUTO, True, True)], "the box checked")
                if button == "Return":
                    run.key("Return")
                else:
                    run.press(button)
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    def migrate_dialog_lists_the_checked_tools_or_declines():
        for items, unchecked, button, out in [
            (("a", "b", "c"), ("a",), "Migrate", b"b,c\n"),
            (("a", "b"), (), "Do This Later", b"false\n"),
            ((), (), "Migrate", b"\n"),
        ]:
            run = dialog("migrate", *items)
            try:
                check_equal(labels(run.state), [setup.TITLE, setup.MIGRATE_TEXT], f"texts of {items}")
                check_equal(buttons(run.state), ["Migrate", "Do This Later"], f"buttons of {items}")
                for name in unchecked:
                    run.click("checkbox", name)
                run.settle(boxes, [(n, n not in unchecked, True) for n in items], f"checkboxes of {items}")
                run.press(button)
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    def a_40_name_list_scrolls_and_the_whole_alert_fits_the_screen():
        # Fixed: the scroll view's border made the alert 4 points taller than
        # the screen.
        names = [f"App {i}" for i in range(1, 41)]
        for items, out in [
            (("clients", "default"), b"configure\nfalse\n" + ",".join(names).encode() + b"\n"),
            (("migrate",), ",".join(names).encode() + b"\n"),
        ]:
            run = dialog(*items, *names)
            try:
                state = run.state
                screen = [0, 0, *SCREEN]
                check(inside(state["window"], screen) and inside(state["window"], state["visibleScreen"]),
                      f"{items[0]}: the alert {state['window']} does not fit the screen {screen}")
                for button in run.controls("button"):
                    check(inside(button["box"], state["window"]), f"{button['title']} is off the alert")
                scroll = run.controls("scroll")
                check_equal(len(scroll), 1, "scroll views")
                check(inside(run.control("checkbox", "App 1")["box"], scroll[0]["box"]),
                      "the list does not open at its first name")
                if items[0] == "clients":
                    # Only the rows scroll: the choice under them stays in view.
                    auto = run.control("checkbox", setup.AUTO)["box"]
                    check(inside(auto, state["window"]) and not inside(auto, scroll[0]["box"]),
                          f"the automatic-setup box {auto} is not under the list")
                run.key("Return")
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    def items_are_never_toolkit_settings():
        # Fixed: Foundation read "-NSFontSize 24" as a setting and AppKit drew
        # every control at 24 points.
        sizes = []
        for items, out in [(("a",), b"a\n"), (("-NSFontSize", "24", "a"), b"-NSFontSize,24,a\n")]:
            run = dialog("migrate", *items)
            try:
                check_equal([c["title"] for c in run.controls("checkbox")], list(items), "checkboxes")
                sizes.append(sorted({c["fontSize"] for c in run.controls("checkbox")
                                     + run.controls("button")}))
                run.key("Return")
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()
        check_equal(sizes[1], sizes[0], "font sizes with -NSFontSize 24 among the items")

    def a_name_is_read_out_exactly_as_given():
        # Shown with its direction control neutralised; read out as given.
        name = "rlo\u202eexe.txt"
        run = dialog("migrate", name.encode())
        try:
            box = run.control("checkbox", "rlo\ufffdexe.txt")
            check_equal(box.get("accessibilityLabel"), name, "the name a screen reader reads")
            run.key("Return")
            expect_run(run.finish(), 0, out=name.encode() + b"\n")
        finally:
            run.kill()

    def a_gnustep_debug_switch_among_the_items_is_data():
        run = dialog("migrate", "--GNU-Debug=dflt")
        try:
            run.key("Return")
            expect_run(run.finish(), 0, out=b"--GNU-Debug=dflt\n")
        finally:
            run.kill()

    # Enrollment ---------------------------------------------------------------

    def expect_pass(run, message="", code="", email=""):
        state = run.state
        informative = f"{message}\n\n{enroll_cases.INTRO}" if message else enroll_cases.INTRO
        check_equal(labels(state), [enroll_cases.TITLE, informative, "Setup code", "Work email"], "texts")
        check_equal(buttons(state), ["Retry" if message else "Continue", "Skip", "Cancel"], "buttons")
        check_equal(state["style"], WARNING if message else INFORMATIONAL, "alert style")
        check_equal([c["text"] for c in run.controls("field")], [code, email], "fields")
        run.settle(focused, code, "the focus in the setup-code field")

    def enrollment_is_rejected_then_accepted_with_tab_between_the_fields():
        # Fixed: with no key-view chain Tab stayed in the setup-code field and
        # the email typed next replaced the code.
        run = dialog("enroll")
        try:
            expect_pass(run)
            run.type("  abc  ")
            run.settle(lambda s: [c["text"] for c in s["controls"] if c["kind"] == "field"],
                       ["  abc  ", ""], "the typed code")
            run.key("Return")
            run.next_window()
            expect_pass(run, enroll_cases.NO_PREFIX, code="abc")
            # The Edit menu's Select All: Command is GNUstep's Alt key.
            run.key("alt+a")
            run.type("dk_123")
            run.key("Tab")
            run.settle(focused, "", "Tab to the work-email field")
            run.type("ana%s+x@example.org")
            run.settle(lambda s: [c["text"] for c in s["controls"] if c["kind"] == "field"],
                       ["dk_123", "ana%s+x@example.org"], "both fields")
            # Then the buttons, and back to the first field.
            for want in ("Retry", "Skip", "Cancel", "dk_123"):
                run.key("Tab")
                run.settle(focused, want, f"Tab to {want!r}")
            run.key("Return")
            expect_run(run.finish(), 0, out=b"dk_123\nana%s+x@example.org\n")
        finally:
            run.kill()

    def every_way_out_of_enrollment_writes_only_its_own_record():
        # The parent's error text, a rejection with Skip, Cancel, and Escape.
        run = dialog("enroll", "Bad code from server", "ignored")
        try:
            expect_pass(run, "Bad code from server")
            run.press("Skip")
            expect_run(run.finish(), 0, out=enroll_cases.SKIPPED)
        finally:
            run.kill()
        for reject, close, out in [(True, "Skip", enroll_cases.SKIPPED),
                                   (False, "Cancel", enroll_cases.DECLINED),
                                   (True, "Escape", enroll_cases.DECLINED)]:
            run = dialog("enroll")
            try:
                expect_pass(run)
                if reject:
                    run.type("x y")
                    run.key("Return")
                    run.next_window()
                    expect_pass(run, enroll_cases.NO_PREFIX, code="x y")
                if close == "Escape":
                    run.key("Escape")
                else:
                    run.press(close)
                expect_run(run.finish(), 0, out=out)
            finally:
                run.kill()

    # Where the answer cannot be given -------------------------------------------

    def an_answer_that_cannot_be_written_fails_the_run():
        with open("/dev/full", "wb") as full:
            run = dialog("clients", "default", "A", stdout=full)
        try:
            run.key("Return")
            expect_run(run.finish(), 1, err=setup.UNWRITABLE)
        finally:
            run.kill()

    def no_display_gives_one_line_and_no_window():
        env = {k: v for k, v in session.env.items() if k != "DISPLAY"}
        for extra in ({}, {"DISPLAY": ":97"}):
            process = subprocess.run([session.binary, "migrate-empty"], env=dict(env, **extra),
                                     stdin=subprocess.DEVNULL, capture_output=True, timeout=30,
                                     start_new_session=True)
            expect_run((process.returncode, process.stdout, process.stderr), 1, err=run_e2e.NO_DISPLAY)

    return [keys_before_the_guard_answer_nothing_and_return_after_it_does,
            a_key_held_from_the_quiet_time_answers_nothing,
            a_name_is_read_out_exactly_as_given,
            a_gnustep_debug_switch_among_the_items_is_data,
            message_dialogs_show_their_text_float_and_answer_their_button,
            the_icon_beside_the_program_is_shown_and_a_bad_one_ignored,
            clients_dialog_shows_its_rows_in_order_and_a_click_unchecks,
            automatic_setup_locks_and_unlocks_the_clients,
            enforcement_words_choose_the_note_and_the_lock,
            names_come_back_byte_for_byte,
            no_clients_dialog_reports_its_button_and_the_checkbox,
            migrate_dialog_lists_the_checked_tools_or_declines,
            a_40_name_list_scrolls_and_the_whole_alert_fits_the_screen,
            items_are_never_toolkit_settings,
            enrollment_is_rejected_then_accepted_with_tab_between_the_fields,
            every_way_out_of_enrollment_writes_only_its_own_record,
            an_answer_that_cannot_be_written_fails_the_run,
            no_display_gives_one_line_and_no_window]


def main(argv):
    binary = os.path.abspath(argv[0])
    wanted = argv[1:]
    started = time.monotonic()
    session = Session(binary)
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
