"""What only a terminal can show: Ctrl-C and Ctrl-D, line editing, a hang-up,
parent texts that would drive it, narrow ones; read as the stream it is sent."""

import os

from harness import expect_run, check, wait_for

CHOOSE = "Press Enter for Configure, or type Skip: "


def cases(driver):
    def shown(terminal):
        terminal.pump()
        return terminal.raw.decode(errors="replace").replace("\r\n", "\n")

    def run(items, steps, out, columns=80):
        """Answers each (prompt, keys) in turn; then wants the record `out`."""
        with driver.start(items, columns=columns) as terminal:
            seen = 0
            for prompt, keys in steps:
                wait_for(lambda: prompt in shown(terminal)[seen:],
                         f"{prompt!r} after:\n{shown(terminal)[seen:]}", timeout=10)
                seen = shown(terminal).index(prompt, seen) + len(prompt)
                os.write(terminal.master, keys.encode())
            expect_run(terminal.finish(), 0, out=out)
            return shown(terminal)

    def a_locked_box_says_so_and_a_button_is_named_by_its_start():
        run(("clients", "auto_install", "A"), [(CHOOSE, "1\r"), ("Box 1 is locked.\n" + CHOOSE, "conf\r")],
            b"configure\ntrue\nA\n")

    def enrollment_rejects_then_accepts_keeping_what_was_typed():
        run(("enroll",), [
            ("enter it here — otherwise skip.\n\nSetup code (dk_...): ", "abc\r"),
            ("Work email (name@example.com): ", "me@example.com\r"),
            ("Press Enter for Continue, or type Skip or Cancel: ", "\r"),
            ("Orvex Enrollment\nSetup code must start with dk_.\n", ""),
            ("Setup code [abc]: ", "dk_x\x7f42\r"),
            ("Work email [me@example.com]: ", "\r"),       # Enter keeps the address
            ("Press Enter for Retry, or type Skip or Cancel: ", "\r"),
        ], b"dk_42\nme@example.com\n")

    def ctrl_d_or_ctrl_c_at_any_prompt_closes_without_a_button():
        for items, steps, out in [
            (("clients", "auto_install", "A"), [(CHOOSE, "\x04")], b"skip\ntrue\nA\n"),
            (("migrate", "T"), [("or type Do This Later: ", "\x03")], b"false\n"),
            (("enroll",), [("Setup code (dk_...): ", "\x04")], b"false\n"),
            (("enroll",), [("Setup code (dk_...): ", "dk_1\r"),
                           ("Work email (name@example.com): ", "half\x03")], b"false\n"),
            (("enforcement-error",), [("Press Enter for OK: ", "\x03")], b""),
        ]:
            run(items, steps, out)

    def parent_texts_are_wrapped_and_cannot_drive_the_terminal():
        screen = run(("migrate", "Tool \x1b]0;owned\x07", "B"), [
            ("or type Do This Later: ", "\r")], "Tool \x1b]0;owned\x07,B\n".encode(), columns=30)
        check("\x1b" not in screen and "\x07" not in screen, "a control byte reached the terminal")
        check("  1. [x] Tool \ufffd]0;owned\ufffd\n" in screen, f"name not shown safely:\n{screen}")
        lines = [line for line in screen.splitlines() if "Orvex" in line or "tools" in line]
        check(lines and all(len(line) <= 29 for line in lines), f"text not wrapped:\n{screen}")

    def names_keep_their_line_on_screen_and_their_bytes_in_the_record():
        screen = run(("clients", "default", "Zed\r\n", "a\u2028b", "C"), [(CHOOSE, "\r")],
                     "configure\nfalse\nZed\r\n,a\u2028b,C\n".encode())
        check("  1. [x] Zed\u21b5\n  2. [x] a\u21b5b\n  3. [x] C\n" in screen,
              f"names not shown on one line each:\n{screen}")

    def typed_values_are_judged_as_typed():
        enroll_buttons = "or type Skip or Cancel: "
        run(("enroll",), [
            ("Setup code (dk_...): ", "dk_a\u2028b\r"), ("Work email", "\r"), (enroll_buttons, "\r"),
            ("Setup code must be a single line.\n", ""),
            ("Setup code [", "dk_a\0b\r"), ("Work email", "\r"), (enroll_buttons, "\r"),
            ("Setup code must be a single line.\n", ""),
            ("Setup code [", "dk_a\tb\u200e\r"), ("Work email", "me\xa0\r"), (enroll_buttons, "\r"),
        ], "dk_a\tb\u200e\nme\n".encode())

    def a_hang_up_before_an_answer_writes_no_record():
        for items in (("clients", "auto_install", "A", "B"), ("enroll",)):
            with driver.start(items) as terminal:
                os.close(terminal.master)  # as an SSH link that drops
                terminal.master = os.open(os.devnull, os.O_RDONLY)
                out, err = terminal.process.communicate(timeout=10)
                expect_run((terminal.process.returncode, out, err), 1,
                           err=b"setup-dialog: lost the terminal before an answer\n")

    def the_command_to_copy_is_never_cut_and_narrow_lists_fit():
        for columns in (44, 60, 80):
            screen = run(("enforcement-error", "disable"), [("Press Enter for OK: ", "\r")], b"",
                         columns=columns)
            check(any("orvex config set drift-enforcement default" in line
                      for line in screen.splitlines()),
                  f"the command was cut at {columns} columns:\n{screen}")
        for columns in (5, 9):
            screen = run(("clients", "default", "A"), [(CHOOSE, "\r")], b"configure\nfalse\nA\n",
                         columns=columns)
            listed = screen[:screen.index("Press Enter")].splitlines()
            check(all(len(line) < columns for line in listed), f"a line is too wide:\n{screen}")

    return [(f.__name__, f) for f in (
        a_locked_box_says_so_and_a_button_is_named_by_its_start,
        enrollment_rejects_then_accepts_keeping_what_was_typed,
        ctrl_d_or_ctrl_c_at_any_prompt_closes_without_a_button,
        parent_texts_are_wrapped_and_cannot_drive_the_terminal,
        names_keep_their_line_on_screen_and_their_bytes_in_the_record,
        typed_values_are_judged_as_typed, a_hang_up_before_an_answer_writes_no_record,
        the_command_to_copy_is_never_cut_and_narrow_lists_fit)]
