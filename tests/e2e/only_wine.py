"""What only Windows shows: a name's "&" doubled in its window text, so that
it is not read as a mnemonic, and read once by a screen reader (MSAA)."""

from harness import check_equal, expect_run


def cases(driver):
    def an_ampersand_is_shown_and_read_as_written():
        run = driver.start(("migrate", "R&D"))
        try:
            box = run.control("R&D", 0)
            check_equal((box["text"], run.name(box)), ("R&&D", "R&D"), "window text and name")
            run.press("Return")
            expect_run(run.finish(), 0, out=b"R&D\n")
        finally:
            run.kill()

    return [("an_ampersand_is_shown_and_read_as_written", an_ampersand_is_shown_and_read_as_written)]
