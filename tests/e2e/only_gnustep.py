"""What only the GNUstep run of the AppKit backend shows through its probe:
the font sizes items cannot change, a note wrapped at its width, and the
key-view loop of the enrollment fields through the buttons."""

from cases import ENROLL, MANAGED, NO_DISPLAY
from harness import check, check_equal, expect_run, run_plain, wait_for


def cases(driver):
    def items_are_never_toolkit_settings():
        # Fixed: Foundation read "-NSFontSize 24" as a setting and AppKit drew
        # every control at 24 points.
        sizes = []
        for items in (("a",), ("-NSFontSize", "24", "a")):
            with driver.start(("migrate", *items)) as run:
                sizes.append(sorted({c["fontSize"] for c in run.controls("checkbox")
                                     + run.controls("button")}))
                run.press("Return")
                expect_run(run.finish(), 0, out=",".join(items).encode() + b"\n")
        check_equal(sizes[1], sizes[0], "font sizes with -NSFontSize 24 among the items")

    def a_long_note_wraps_at_its_width():
        with driver.start(("clients", "enforce_all", "A")) as run:
            label = [c for c in run.controls("label") if c["text"] == MANAGED][0]
            check(label["box"][3] >= 2 * label["fontSize"], f"the note is not wrapped: {label}")
            run.press("Return")
            expect_run(run.finish(), 0, out=b"configure\nfalse\nA\n")

    def tab_goes_from_the_fields_through_the_buttons_and_back():
        # Fixed: with no key-view chain Tab stayed in the setup-code field.
        with driver.start(("enroll",)) as run:
            for want in ("Work email", "Continue", "Skip", "Cancel", "Setup code"):
                run.press("Tab")
                wait_for(lambda: run.snapshot({"focus"})["focus"] == want, f"Tab to {want!r}")
            check_equal(run.snapshot({"title"})["title"], ENROLL, "title")
            run.click("Cancel")
            expect_run(run.finish(), 0, out=b"false\n")

    def a_name_is_read_out_exactly_as_given():
        # Shown with its direction control neutralised; read out as given.
        name = "rlo\u202eexe.txt"
        with driver.start(("migrate", name)) as run:
            box = [c for c in run.controls("checkbox") if c["title"] == "rlo\ufffdexe.txt"]
            check_equal([c.get("accessibilityLabel") for c in box], [name], "what is read out")
            run.press("Return")
            expect_run(run.finish(), 0, out=name.encode() + b"\n")

    def a_display_that_does_not_answer_is_no_display():
        env = dict(driver.env, DISPLAY=":97")
        expect_run(run_plain([driver.binary, "migrate-empty"], env), 1, err=NO_DISPLAY)

    return [(f.__name__, f) for f in (a_display_that_does_not_answer_is_no_display, a_name_is_read_out_exactly_as_given,
                                      items_are_never_toolkit_settings, a_long_note_wraps_at_its_width,
                                      tab_goes_from_the_fields_through_the_buttons_and_back)]
