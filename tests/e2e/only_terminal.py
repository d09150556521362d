"""What only a terminal can show: Ctrl-C and Ctrl-D, line editing, and
parent texts that would drive the terminal, on a narrow one (tty_cases.py)."""

import tty_cases

# The table runs these on the terminal too.
IN_THE_TABLE = ("enter_alone_answers_the_first_button_in_every_mode",
                "the_automatic_setup_box_locks_then_unlocks_the_clients")


def cases(driver):
    return [(case.__name__, case) for case in tty_cases.terminal_cases(driver.binary)
            if case.__name__ not in IN_THE_TABLE]
