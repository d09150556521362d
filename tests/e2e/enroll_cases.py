"""Window cases of the enrollment dialog, driven through the accessibility bus."""

import subprocess

import pyatspi
from harness import Dialog, check, check_equal, expect_run, wait_for, walk

TITLE = "Orvex Enrollment"
INTRO = "If your organization gave you a setup code, enter it here — otherwise skip."
NO_PREFIX = "Setup code must start with dk_."
CODE_LINES = "Setup code must be a single line."
EMAIL_LINES = "Work email must be a single line."
SKIPPED = b"__ORVEX_ENROLL_SKIP__\n"
DECLINED = b"false\n"


def type_text(text):
    """Types into whatever has the keyboard focus, key by key."""
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=True, timeout=30)


def set_clipboard(text):
    # xclip stays behind to serve the selection; it must not hold our pipes.
    subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10)


def clipboard():
    return subprocess.run(["xclip", "-selection", "clipboard", "-o"], capture_output=True,
                          check=True, timeout=10).stdout.decode()


def value(field):
    return field.queryText().getText(0, -1)


def focused(node):
    return node.getState().contains(pyatspi.STATE_FOCUSED)


def expect_pass(dialog, message="", code="", email=""):
    """Checks one pass of the alert and returns its (code, email) fields once
    the window is active and the setup-code field has the keyboard focus."""
    check_equal(dialog.window.name, TITLE, "window title")
    informative = f"{message}\n\n{INTRO}" if message else INTRO
    check_equal(dialog.texts(), [TITLE, informative, "Setup code", "Work email"], "texts")
    buttons = [node.name for node in walk(dialog.window)
               if node.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    check_equal(buttons, ["Retry" if message else "Continue", "Skip", "Cancel"], "buttons")
    dialog.find(pyatspi.ROLE_IMAGE, "Warning" if message else "Information")
    code_field = dialog.find(pyatspi.ROLE_TEXT, "Setup code")
    email_field = dialog.find(pyatspi.ROLE_TEXT, "Work email")
    check_equal((value(code_field), value(email_field)), (code, email), "fields")
    wait_for(lambda: dialog.window.getState().contains(pyatspi.STATE_ACTIVE),
             "the alert to be the active window")
    wait_for(lambda: focused(code_field), "the setup-code field to have the focus")
    check("_NET_WM_STATE_ABOVE" in dialog.x_window_state(), "the alert is not kept on top")
    check_equal(focused(email_field), False, "the work-email field's focus")
    dialog.wait_keyboard()
    return code_field, email_field


def wait_value(field, want):
    wait_for(lambda: value(field) == want, f"the field to read {want!r}")


def window_cases(binary):

    def typed_input_is_rejected_trimmed_then_accepted_on_retry():
        dialog = Dialog(binary, "enroll")
        try:
            code, _ = expect_pass(dialog)
            type_text("  abc  ")
            wait_value(code, "  abc  ")
            dialog.press("Continue")

            dialog.next_window()
            code, email = expect_pass(dialog, NO_PREFIX, code="abc")
            # The value brought back is selected: typing replaces it.
            text = code.queryText()
            check_equal([text.getSelection(i) for i in range(text.getNSelections())], [(0, 3)],
                        "selection in the refilled field")
            type_text("dk_123")
            wait_value(code, "dk_123")
            dialog.key("Tab")
            wait_for(lambda: focused(email), "Tab to move to the work-email field")
            type_text("ana%s+ü@example.org")
            wait_value(email, "ana%s+ü@example.org")
            dialog.press("Retry")
            expect_run(dialog.finish(), 0, out="dk_123\nana%s+ü@example.org\n".encode())
        finally:
            dialog.kill()

    def the_parents_error_text_stands_above_the_intro_until_the_first_rejection():
        # Any text counts, a lone space too; items after the first are ignored.
        for items, shown in [(("Bad code from server",), "Bad code from server"),
                             ((" ", "ignored"), " "),
                             (("Code expired.\nAsk your admin.",), "Code expired.\nAsk your admin.")]:
            dialog = Dialog(binary, "enroll", *items)
            try:
                expect_pass(dialog, shown)
                dialog.key("Return")
                dialog.next_window()
                expect_pass(dialog, NO_PREFIX)
                dialog.press("Cancel")
                expect_run(dialog.finish(), 0, out=DECLINED)
            finally:
                dialog.kill()

    def every_way_out_writes_only_its_own_record():
        # Return submits (here a rejected code); what follows ends the run.
        for typed, reject_first, close, out in [
            ("x y", True, lambda d: d.press("Skip"), SKIPPED),
            ("x y", True, lambda d: d.press("Cancel"), DECLINED),
            ("x y", True, lambda d: d.key("Escape"), DECLINED),
            ("dk_valid", False, lambda d: d.press("Skip"), SKIPPED),
            ("dk_valid", False, lambda d: d.key("Escape"), DECLINED),
            ("dk_", False, lambda d: d.key("Return"), b"dk_\n\n"),
        ]:
            dialog = Dialog(binary, "enroll")
            try:
                code, _ = expect_pass(dialog)
                type_text(typed)
                wait_value(code, typed)
                if reject_first:
                    dialog.key("Return")
                    dialog.next_window()
                    expect_pass(dialog, NO_PREFIX, code=typed)
                close(dialog)
                expect_run(dialog.finish(), 0, out=out)
            finally:
                dialog.kill()

    def edit_keys_cut_copy_and_paste_in_both_fields():
        dialog = Dialog(binary, "enroll")
        try:
            code, email = expect_pass(dialog)
            set_clipboard("dk_pasted")
            dialog.key("ctrl+v")
            wait_value(code, "dk_pasted")
            dialog.key("ctrl+a")
            dialog.key("ctrl+c")
            wait_for(lambda: clipboard() == "dk_pasted", "Ctrl+C to copy the setup code")
            dialog.key("Tab")
            wait_for(lambda: focused(email), "Tab to move to the work-email field")
            type_text("ana@example.org")
            wait_value(email, "ana@example.org")
            dialog.key("ctrl+a")
            dialog.key("ctrl+x")
            wait_value(email, "")
            wait_for(lambda: clipboard() == "ana@example.org", "Ctrl+X to cut the work email")
            dialog.key("Return")
            expect_run(dialog.finish(), 0, out=b"dk_pasted\n\n")
        finally:
            dialog.kill()

    def a_pasted_line_break_is_kept_and_rejected():
        # A break inside a value comes back with it under the message; breaks
        # around a value are trimmed away and it is accepted.
        for field_name, pasted, message, want in [
            ("Setup code", "dk_a\nb", CODE_LINES, ("dk_a\nb", "")),
            ("Work email", "a@b\u2028c", EMAIL_LINES, ("", "a@b\u2028c")),
            ("Setup code", "\n dk_around \n", None, b"dk_around\n\n"),
        ]:
            dialog = Dialog(binary, "enroll")
            try:
                fields = dict(zip(("Setup code", "Work email"), expect_pass(dialog)))
                if field_name == "Work email":
                    dialog.key("Tab")
                    wait_for(lambda: focused(fields[field_name]), "the work-email field's focus")
                set_clipboard(pasted)
                dialog.key("ctrl+v")
                wait_value(fields[field_name], pasted)
                dialog.key("Return")
                if message is None:
                    expect_run(dialog.finish(), 0, out=want)
                    continue
                dialog.next_window()
                expect_pass(dialog, message, *want)
                dialog.press("Cancel")
                expect_run(dialog.finish(), 0, out=DECLINED)
            finally:
                dialog.kill()

    return [typed_input_is_rejected_trimmed_then_accepted_on_retry,
            the_parents_error_text_stands_above_the_intro_until_the_first_rejection,
            every_way_out_writes_only_its_own_record,
            edit_keys_cut_copy_and_paste_in_both_fields,
            a_pasted_line_break_is_kept_and_rejected]
