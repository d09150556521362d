"""Window cases of the clients, no-clients and migrate dialogs, driven through the
accessibility bus."""

import os
import subprocess

import pyatspi

from harness import Dialog, Failure, check, check_equal, expect_run, wait_for, walk

TITLE = "Orvex Setup"
CLIENTS_TEXT = "Orvex works with these apps. Select the ones you'd like to set up:"
NO_CLIENTS_TEXT = ("We didn't find any supported AI apps installed yet.\n\nOnce you install "
                   "Claude Desktop, Cursor, or another AI app, Orvex will be ready to go.")
MIGRATE_TEXT = ("These tools are currently configured in your AI apps. "
                "Select the ones you'd like Orvex to manage:")
AUTO = "Automatically configure all AI apps"
LATER = "Includes apps you install later."
MANAGED = "An advanced configuration has Orvex manage every AI app and all of its MCP servers."
TURNED_OFF = "Automatic setup is turned off by an advanced configuration."
UNWRITABLE = b"setup-dialog: could not write the answer to standard output\n"
SCREEN = (1280, 800)  # the Xvfb screen of run_e2e.py


# Names that must come back byte for byte, and each mode's record for them
# once the second "Dup" is unchecked: (items, button, record).
HARD_NAMES = ["100% sure", "%s%n", "Zed \u2014 Preview", "\u5149\u6807 \u7f16\u8f91\u5668",
              "a,b", "Dup", "Dup", " padded ", "R&D", "Cafe\u0301", "\U0001f680 Rocket"]
_HARD_KEPT = ",".join(HARD_NAMES[:6] + HARD_NAMES[7:]).encode()
HARD_NAME_RUNS = [
    (("clients", "default"), "Configure", b"configure\nfalse\n" + _HARD_KEPT + b"\n"),
    (("migrate",), "Migrate", _HARD_KEPT + b"\n"),
]


def boxes(dialog):
    return [node for node in walk(dialog.window) if node.getRole() == pyatspi.ROLE_CHECK_BOX]


def box_look(node):
    """(title, checked, free): free means enabled and sensitive, locked neither."""
    states = node.getState()
    enabled = (states.contains(pyatspi.STATE_ENABLED), states.contains(pyatspi.STATE_SENSITIVE))
    free = {(True, True): True, (False, False): False}.get(enabled, enabled)
    return node.name, states.contains(pyatspi.STATE_CHECKED), free


def look(dialog):
    """Every exposed checkbox of the window, in the order the window lists them."""
    return [box_look(node) for node in boxes(dialog)
            if node.getState().contains(pyatspi.STATE_SHOWING)]


def settle(dialog, want, what="checkboxes"):
    """Waits for the checkboxes to look as wanted; fails showing how they look."""
    try:
        wait_for(lambda: look(dialog) == want, what, timeout=5)
    except Failure:
        check_equal(look(dialog), want, what)


def clients_look(names, free=True, auto=None):
    """All clients checked, free or locked, then the automatic-setup box if any."""
    rows = [(name, True, free) for name in names]
    return rows + ([] if auto is None else [(AUTO, auto, True)])


def click(dialog, name, index=0):
    """Clicks the index-th checkbox titled name, as a screen reader would."""
    dialog.find(pyatspi.ROLE_CHECK_BOX, name)
    [node for node in boxes(dialog) if node.name == name][index].queryAction().doAction(0)


def mouse_click(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", "--sync", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)


def focused(dialog):
    for node in walk(dialog.window):
        if (node.getRole() in (pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_PUSH_BUTTON)
                and node.getState().contains(pyatspi.STATE_FOCUSED)):
            return node.name
    return None


def top(node):
    return node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).y


def on_screen(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (box.x >= 0 and box.y >= 0 and box.x + box.width <= SCREEN[0]
            and box.y + box.height <= SCREEN[1])


def wait_active(dialog):
    wait_for(lambda: dialog.window.getState().contains(pyatspi.STATE_ACTIVE),
             "the alert to be the active window")


def window_cases(binary):

    def clients_dialog_shows_its_rows_in_order_and_answers_configure():
        names = ["Claude Desktop", "Cursor"]
        dialog = Dialog(binary, "clients", "default", *names)
        try:
            check_equal(dialog.window.name, TITLE, "window title")
            settle(dialog, clients_look(names, auto=False))
            check_equal(dialog.texts(), [TITLE, CLIENTS_TEXT, LATER], "texts")
            # The first name is the top row, and the block lies under the rows.
            rows = boxes(dialog) + [dialog.find(pyatspi.ROLE_LABEL, LATER)]
            tops = [top(node) for node in rows]
            check(tops == sorted(tops) and len(set(tops)) == len(tops),
                  f"rows are not top to bottom: {tops}")
            click(dialog, "Claude Desktop")
            settle(dialog, [("Claude Desktop", False, True), ("Cursor", True, True),
                            (AUTO, False, True)])
            dialog.press("Configure")
            expect_run(dialog.finish(), 0, out=b"configure\nfalse\nCursor\n")
        finally:
            dialog.kill()

    def a_screen_reader_toggle_of_automatic_setup_locks_and_unlocks_the_clients():
        # A screen reader toggles a checkbox through its accessible action, not
        # a click; the clients must follow it all the same.
        names = ["A", "B", "C"]
        dialog = Dialog(binary, "clients", "default", *names)
        try:
            click(dialog, "B")
            chosen = [("A", True, True), ("B", False, True), ("C", True, True),
                      (AUTO, False, True)]
            settle(dialog, chosen, "B unchecked")
            click(dialog, AUTO)
            settle(dialog, clients_look(names, free=False, auto=True),
                   "locked by the Toggle action")
            click(dialog, AUTO)
            settle(dialog, chosen, "unlocked by the Toggle action")
            dialog.press("Skip")
            expect_run(dialog.finish(), 0, out=b"skip\nfalse\nA,C\n")
        finally:
            dialog.kill()

    def enforcement_words_choose_the_block_and_the_lock():
        # Free clients get B unchecked, to show that they really are free.
        for word, note, auto, locked, out in [
            ("auto_install", LATER, True, True, b"configure\ntrue\nA,B\n"),
            ("enforce_all", MANAGED, None, True, b"configure\nfalse\nA,B\n"),
            ("detect_only", TURNED_OFF, None, False, b"configure\nfalse\nA\n"),
            ("off", TURNED_OFF, None, False, b"configure\nfalse\nA\n"),
            (" Auto_install", LATER, False, False, b"configure\nfalse\nA\n"),
        ]:
            dialog = Dialog(binary, "clients", word, "A", "B")
            try:
                settle(dialog, clients_look(("A", "B"), free=not locked, auto=auto),
                       f"{word!r} at first")
                check_equal(dialog.texts(), [TITLE, CLIENTS_TEXT, note], f"texts of {word!r}")
                if not locked:
                    click(dialog, "B")
                    settle(dialog, [("A", True, True), ("B", False, True)]
                           + clients_look([], auto=auto), f"{word!r} after a click")
                dialog.press("Configure")
                expect_run(dialog.finish(), 0, out=out)
            finally:
                dialog.kill()

    def clicking_automatic_setup_off_frees_the_clients_checked():
        dialog = Dialog(binary, "clients", "auto_install", "A", "B")
        try:
            settle(dialog, clients_look(("A", "B"), free=False, auto=True))
            mouse_click(dialog.find(pyatspi.ROLE_CHECK_BOX, AUTO))
            settle(dialog, clients_look(("A", "B"), auto=False), "unlocked")
            click(dialog, "A")
            mouse_click(dialog.find(pyatspi.ROLE_CHECK_BOX, AUTO))
            settle(dialog, clients_look(("A", "B"), free=False, auto=True), "locked again")
            dialog.press("Skip")
            expect_run(dialog.finish(), 0, out=b"skip\ntrue\nA,B\n")
        finally:
            dialog.kill()

    def no_client_names_leave_only_the_block():
        for items, toggle, texts, want, out in [
            ((), True, LATER, [(AUTO, True, True)], b"configure\ntrue\n\n"),
            (("default",), False, LATER, [(AUTO, False, True)], b"configure\nfalse\n\n"),
            (("enforce_all",), False, MANAGED, [], b"configure\nfalse\n\n"),
        ]:
            dialog = Dialog(binary, "clients", *items)
            try:
                dialog.find(pyatspi.ROLE_LABEL, texts)
                if toggle:  # the lock over no clients at all
                    mouse_click(dialog.find(pyatspi.ROLE_CHECK_BOX, AUTO))
                settle(dialog, want, f"checkboxes of {items}")
                check_equal(dialog.texts(), [TITLE, CLIENTS_TEXT, texts], f"texts of {items}")
                dialog.press("Configure")
                expect_run(dialog.finish(), 0, out=out)
            finally:
                dialog.kill()

    def names_come_back_byte_for_byte():
        names = HARD_NAMES
        for items, button, out in HARD_NAME_RUNS:
            dialog = Dialog(binary, *items, *(name.encode() for name in names))
            try:
                wait_for(lambda: len(boxes(dialog)) >= len(names), "the checkboxes")
                check_equal([node.name for node in boxes(dialog)][:len(names)], names,
                            "checkbox titles")
                click(dialog, "Dup", index=1)
                wait_for(lambda: not boxes(dialog)[6].getState().contains(pyatspi.STATE_CHECKED),
                         "the second Dup to be unchecked")
                check(boxes(dialog)[5].getState().contains(pyatspi.STATE_CHECKED),
                      "unchecking the second Dup unchecked the first")
                dialog.press(button)
                expect_run(dialog.finish(), 0, out=out)
            finally:
                dialog.kill()

    def a_long_list_keeps_the_alert_and_its_buttons_on_screen():
        names = [f"App {i}" for i in range(1, 81)]
        for items, buttons, out in [
            (("clients", "default"), ("Configure", "Skip"),
             b"configure\nfalse\n" + ",".join(names).encode() + b"\n"),
            (("migrate",), ("Migrate", "Do This Later"), ",".join(names).encode() + b"\n"),
        ]:
            dialog = Dialog(binary, *items, *names)
            try:
                dialog.find(pyatspi.ROLE_CHECK_BOX, "App 80")
                check(on_screen(dialog.window), f"{items[0]}: the alert overflows the screen")
                for title in buttons:
                    check(on_screen(dialog.find(pyatspi.ROLE_PUSH_BUTTON, title)),
                          f"{items[0]}: {title!r} is off screen")
                if items[0] == "clients":
                    # Only the rows scroll: the choice that explains the lock
                    # stays in view under them.
                    auto = dialog.find(pyatspi.ROLE_CHECK_BOX, AUTO)
                    check(on_screen(auto) and auto.getState().contains(pyatspi.STATE_SHOWING),
                          "the automatic-setup box is off screen")
                dialog.press(buttons[0])
                expect_run(dialog.finish(), 0, out=out)
            finally:
                dialog.kill()

    def the_keyboard_alone_answers_the_clients_dialog():
        names = ["A", "B", "C"]
        dialog = Dialog(binary, "clients", "default", *names)
        chosen = [("A", True, True), ("B", False, True), ("C", True, True)]
        # Each step: keys, then the control that must have the focus and,
        # where it changes, how the checkboxes look.
        steps = [
            (None, "Configure", None),
            ("Tab", "Skip", None),
            ("Tab", "A", None),
            ("Tab", "B", None),
            ("space", "B", chosen + [(AUTO, False, True)]),
            ("Tab", "C", None),
            ("Tab", AUTO, None),
            ("space", AUTO, clients_look(names, free=False, auto=True)),
            ("Tab", "Configure", None),
            ("Tab", "Skip", None),
            # Locked clients stay in the Tab order, so that a screen reader
            # can say that they are checked and unavailable.
            ("Tab", "A", None),
            ("Tab", "B", None),
            ("Tab", "C", None),
            ("Tab", AUTO, None),
            ("space", AUTO, chosen + [(AUTO, False, True)]),
            ("shift+Tab", "C", None),
            ("Tab", AUTO, None),
            ("Tab", "Configure", None),
            ("Tab", "Skip", None),
        ]
        try:
            dialog.wait_keyboard()
            for keys, focus, want in steps:
                if keys:
                    dialog.key(keys)
                try:
                    wait_for(lambda: focused(dialog) == focus, f"focus on {focus!r}", timeout=5)
                except Failure:
                    check_equal(focused(dialog), focus, f"focus after {keys}")
                if want:
                    settle(dialog, want, f"checkboxes after {keys} on {focus!r}")
            # Return answers the first button even with the focus on another.
            dialog.key("Return")
            expect_run(dialog.finish(), 0, out=b"configure\nfalse\nA,C\n")
        finally:
            dialog.kill()

    def no_clients_dialog_reports_its_button_and_the_checkbox():
        for items, note, toggle, button, out in [
            (("default",), LATER, True, "Close", b"close\ntrue\n"),
            (("auto_install", "extra"), LATER, False, "Continue", b"continue\ntrue\n"),
            (("enforce_all",), MANAGED, False, "Continue", b"continue\nfalse\n"),
            (("detect_only",), TURNED_OFF, False, "Close", b"close\nfalse\n"),
        ]:
            dialog = Dialog(binary, "no-clients", *items)
            try:
                dialog.find(pyatspi.ROLE_LABEL, note)
                check_equal(dialog.texts(), [TITLE, NO_CLIENTS_TEXT, note], f"texts of {items}")
                if note == LATER:
                    before = dialog.find(pyatspi.ROLE_CHECK_BOX, AUTO).getState().contains(
                        pyatspi.STATE_CHECKED)
                    if toggle:
                        click(dialog, AUTO)
                    settle(dialog, [(AUTO, before != toggle, True)], f"checkbox of {items}")
                else:
                    check_equal(look(dialog), [], f"checkboxes of {items}")
                dialog.press(button)
                expect_run(dialog.finish(), 0, out=out)
            finally:
                dialog.kill()

    def migrate_dialog_lists_the_checked_tools_or_declines():
        for items, unchecked, button, out in [
            (("a", "b"), ("a", "b"), "Migrate", b"\n"),
            (("a", "b", "c"), ("a",), "Do This Later", b"false\n"),
            ((), (), "Migrate", b"\n"),
        ]:
            dialog = Dialog(binary, "migrate", *items)
            try:
                dialog.find(pyatspi.ROLE_PUSH_BUTTON, "Do This Later")
                check_equal(dialog.texts(), [TITLE, MIGRATE_TEXT], f"texts of {items}")
                for name in unchecked:
                    click(dialog, name)
                settle(dialog, [(name, name not in unchecked, True) for name in items],
                       f"checkboxes of {items}")
                dialog.press(button)
                expect_run(dialog.finish(), 0, out=out)
            finally:
                dialog.kill()

    def a_window_destroyed_from_outside_ends_the_run_as_closed():
        dialog = Dialog(binary, "migrate", "a")
        try:
            ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                  str(dialog.process.pid)], capture_output=True, text=True).stdout
            check(ids.split(), "no X window for the alert")
            subprocess.run(["xdotool", "windowclose", ids.split()[-1]], check=True)
            expect_run(dialog.finish(timeout=10), 0, out=b"false\n")
        finally:
            dialog.kill()

    def an_answer_that_cannot_be_written_fails_the_run():
        # A full disk, and a parent that stopped reading: status 1, never a signal.
        with open("/dev/full", "wb") as full:
            dialog = Dialog(binary, "clients", "default", "A", stdout=full)
        try:
            dialog.press("Configure")
            expect_run(dialog.finish(), 1, err=UNWRITABLE)
        finally:
            dialog.kill()

        read_end, write_end = os.pipe()
        try:
            dialog = Dialog(binary, "clients", "default", "A", stdout=write_end)
        finally:
            os.close(write_end)
        try:
            os.close(read_end)
            dialog.press("Configure")
            expect_run(dialog.finish(), 1, err=UNWRITABLE)
        finally:
            dialog.kill()

    return [a_window_destroyed_from_outside_ends_the_run_as_closed,
            clients_dialog_shows_its_rows_in_order_and_answers_configure,
            a_screen_reader_toggle_of_automatic_setup_locks_and_unlocks_the_clients,
            enforcement_words_choose_the_block_and_the_lock,
            clicking_automatic_setup_off_frees_the_clients_checked,
            no_client_names_leave_only_the_block, names_come_back_byte_for_byte,
            a_long_list_keeps_the_alert_and_its_buttons_on_screen,
            the_keyboard_alone_answers_the_clients_dialog,
            no_clients_dialog_reports_its_button_and_the_checkbox,
            migrate_dialog_lists_the_checked_tools_or_declines,
            an_answer_that_cannot_be_written_fails_the_run]
