"""What only a terminal can show: Ctrl-C and Ctrl-D, line editing, and
parent texts that would drive the terminal, on a narrow one (tty_cases.py)."""

import tty_cases


def cases(driver):
    return [(case.__name__, case) for case in tty_cases.terminal_cases(driver)]
