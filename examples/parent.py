#!/usr/bin/env python3
"""A parent of setup-dialog in Python: asks one question and reads the answer.

Usage: parent.py PROGRAM MODE [ITEMS...]

Prints the answer as one line on standard output, the same line as the C and
shell parents beside it print:

    clients: configure auto=true apps=2:Claude Desktop|Cursor
    no-clients: continue auto=false
    migrate: tools=2:a|b        migrate: declined
    enroll: code=dk_1 email=a@b.c
    enroll: skipped             enroll: cancelled
    migrate-empty: shown        enforcement-error: shown
    no answer: <the program's line on standard error>

Exits 0 when the program answered, 1 when it did not.
"""

import signal
import subprocess
import sys

# The parent owns the timing: the program has no timeout of its own.
TIMEOUT_SECONDS = 600


def ask(program, mode, items):
    """Runs one question; returns (status, record lines, error line)."""
    process = subprocess.Popen([program, mode, *items], stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        # communicate() reads standard output to its end before waiting: a
        # long record never fills the pipe while the parent waits.
        out, err = process.communicate(timeout=TIMEOUT_SECONDS)
    except subprocess.TimeoutExpired:
        process.send_signal(signal.SIGTERM)  # ends the run with no record
        out, err = process.communicate()
    if process.returncode != 0:
        return None, err.decode("utf-8", "replace").rstrip("\n")
    # Split on line feeds alone: a name may hold a carriage return.
    lines = out.decode("utf-8").split("\n")
    if lines[-1] != "":
        return None, "the record does not end with a line feed"
    return lines[:-1], ""


def names(line):
    """A selection line: the names joined by ","; empty means none."""
    return line.split(",") if line else []


def shown(chosen):
    return f"{len(chosen)}:{'|'.join(chosen)}"


def answer(mode, lines):
    """The record read as the mode's answer; None when it is not one."""
    if mode == "clients" and len(lines) == 3 and lines[0] in ("configure", "skip") \
            and lines[1] in ("true", "false"):
        return f"clients: {lines[0]} auto={lines[1]} apps={shown(names(lines[2]))}"
    if mode == "no-clients" and len(lines) == 2 and lines[0] in ("continue", "close") \
            and lines[1] in ("true", "false"):
        return f"no-clients: {lines[0]} auto={lines[1]}"
    if mode == "migrate" and len(lines) == 1:
        # "false" is a decline (a single tool named false reads the same).
        if lines[0] == "false":
            return "migrate: declined"
        return f"migrate: tools={shown(names(lines[0]))}"
    if mode == "enroll" and len(lines) == 1 and lines[0] == "__ORVEX_ENROLL_SKIP__":
        return "enroll: skipped"
    if mode == "enroll" and len(lines) == 1 and lines[0] == "false":
        return "enroll: cancelled"
    if mode == "enroll" and len(lines) == 2:
        return f"enroll: code={lines[0]} email={lines[1]}"
    if mode in ("migrate-empty", "enforcement-error") and not lines:
        return f"{mode}: shown"
    return None


def main(argv):
    if len(argv) < 3:
        print("usage: parent.py PROGRAM MODE [ITEMS...]", file=sys.stderr)
        return 2
    lines, error = ask(argv[1], argv[2], argv[3:])
    if lines is None:
        # Status 1 (or a signal): no answer, whatever the reason.
        print(f"no answer: {error}")
        return 1
    said = answer(argv[2], lines)
    if said is None:
        print(f"no answer: unexpected record {lines!r}")
        return 1
    print(said)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
