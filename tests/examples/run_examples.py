#!/usr/bin/env python3
"""Runs the example parents (examples/parent.py, parent.c, parent.sh) against
the real program: every mode answered in a window on a private Xvfb through
keys, every mode answered on a pseudo-terminal, and the runs with no answer.
Each parent must print the answer the case wants, so that an example that
misreads a record fails here.

Usage: run_examples.py PROGRAM [CASE-WORD]
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "examples")
MISSING_TOOL = os.path.join(HERE, "..", "missing_tool.sh")
TIMEOUT = 30.0
# The alert ignores keys until it has been active for half a second.
PAST_THE_GUARD = 1.5


class Failure(Exception):
    pass


def missing(tool, package):
    os.execv(MISSING_TOOL, [MISSING_TOOL, tool, package])


def quiet_env(**extra):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM",
                        "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS", "SETUP_DIALOG_DEBUG")}
    # Under the sanitizers: libdbus, finding no session bus, leaks.
    env["LSAN_OPTIONS"] = "suppressions=" + os.path.join(HERE, "no_bus.supp")
    env.update(extra)
    return env


def start_xvfb(*options):
    """A private X server; returns (process, display name)."""
    read, write = os.pipe()
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write), "-noreset", "-screen", "0", "1024x768x24",
         "-nolisten", "tcp", *options],
        pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            raise Failure("Xvfb did not start")
        number += chunk
    os.close(read)
    return process, ":" + number.decode().strip()


# What the user does in the window: keys (after the guard) and "close", which
# destroys the window as another program would.
def type_text(text):
    return ("type", text)


CLOSE = ("close",)

LONG_NAMES = [f"tool {n:03} " + "x" * 490 for n in range(200)]

# (mode and items, what the user does, the answer every parent must print)
WINDOW_CASES = [
    (["clients", "default", "Claude Desktop", "Cursor"], ["Return"],
     "clients: configure auto=false apps=2:Claude Desktop|Cursor"),
    # Tab from "Configure" to "Skip", to the first app; space unchecks it.
    (["clients", "default", "A", "B"], ["Tab", "Tab", "space", "Return"],
     "clients: configure auto=false apps=1:B"),
    (["clients", "auto_install", "A"], [CLOSE], "clients: skip auto=true apps=1:A"),
    (["clients"], ["Return"], "clients: configure auto=false apps=0:"),
    (["no-clients", "auto_install"], ["Return"], "no-clients: continue auto=true"),
    (["no-clients"], [CLOSE], "no-clients: close auto=false"),
    (["migrate", "x", "y"], ["Return"], "migrate: tools=2:x|y"),
    (["migrate", "x"], [CLOSE], "migrate: declined"),
    # A record longer than a pipe holds: the parent reads it before waiting.
    (["migrate", *LONG_NAMES], ["Return"], "migrate: tools=200:" + "|".join(LONG_NAMES)),
    (["migrate"], ["Return"], "migrate: tools=0:"),
    (["migrate-empty"], ["Return"], "migrate-empty: shown"),
    (["enforcement-error", "disable"], [CLOSE], "enforcement-error: shown"),
    (["enroll"], [type_text("dk_123"), "Tab", type_text("me@example.com"), "Return"],
     "enroll: code=dk_123 email=me@example.com"),
    (["enroll"], [type_text("dk_1"), "Return"], "enroll: code=dk_1 email="),
    (["enroll"], ["Escape"], "enroll: cancelled"),
]

CHOOSE = "Press Enter for Configure, or type Skip: "
# (mode and items, (prompt, keys) in turn, the answer every parent must print)
TERMINAL_CASES = [
    (["clients", "default", "A", "B"], [(CHOOSE, "1\r"), (CHOOSE, "\r")],
     "clients: configure auto=false apps=1:B"),
    (["clients", "auto_install", "A"], [(CHOOSE, "skip\r")], "clients: skip auto=true apps=1:A"),
    (["no-clients"], [("Press Enter for Continue, or type Close: ", "\x03")],
     "no-clients: close auto=false"),
    (["migrate", "x", "y"], [("or type Do This Later: ", "\r")], "migrate: tools=2:x|y"),
    (["migrate", "x"], [("or type Do This Later: ", "do\r")], "migrate: declined"),
    (["migrate-empty"], [("Press Enter for OK: ", "\r")], "migrate-empty: shown"),
    (["enforcement-error"], [("Press Enter for OK: ", "\r")], "enforcement-error: shown"),
    (["enroll"], [("Setup code (dk_...): ", "dk_9\r"), ("Work email (name@example.com): ", "\r"),
                  ("or type Skip or Cancel: ", "\r")], "enroll: code=dk_9 email="),
    (["enroll"], [("Setup code (dk_...): ", "\r"), ("Work email (name@example.com): ", "\r"),
                  ("or type Skip or Cancel: ", "skip\r")], "enroll: skipped"),
]

NO_DISPLAY = "no answer: setup-dialog: no display: cannot show the dialog"


def run_parent(parent, program, items, env, **popen):
    return subprocess.Popen([*parent, program, *items], stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, **popen)


def finish(process, want, status):
    try:
        out, err = process.communicate(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        process.kill()
        process.communicate()
        raise Failure("the parent did not end")
    got = out.decode(errors="replace")
    if got != want + "\n" or process.returncode != status or err:
        raise Failure(f"printed {got!r} (status {process.returncode}, stderr {err!r}), "
                      f"want {want!r} (status {status})")


def window_case(parent, program, display, items, actions, want):
    env = quiet_env(DISPLAY=display)
    process = run_parent(parent, program, items, env, start_new_session=True)
    try:
        deadline = time.monotonic() + TIMEOUT
        window = ""
        while not window:
            if time.monotonic() > deadline or process.poll() is not None:
                raise Failure("no window showed")
            window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                                    env=env, capture_output=True, text=True).stdout.split()
            window = window[-1] if window else ""
            time.sleep(0.1)
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, timeout=10,
                       capture_output=True)
        time.sleep(PAST_THE_GUARD)
        for action in actions:
            if action == CLOSE:
                subprocess.run(["xdotool", "windowclose", window], env=env, check=True, timeout=10)
            elif isinstance(action, tuple):
                subprocess.run(["xdotool", "type", "--delay", "40", action[1]], env=env,
                               check=True, timeout=30)
            else:
                subprocess.run(["xdotool", "key", "--delay", "150", action], env=env,
                               check=True, timeout=10)
            time.sleep(0.15)
        finish(process, want, 0)
    finally:
        if process.poll() is None:
            process.kill()
            process.communicate()


def terminal_case(parent, program, items, steps, want):
    master, slave = os.openpty()
    name = os.ttyname(slave)
    # A session of its own whose controlling terminal is the pty; the parent's
    # standard output stays a pipe.
    process = run_parent(parent, program, items, quiet_env(), start_new_session=True,
                         preexec_fn=lambda: os.close(os.open(name, os.O_RDWR)))
    screen, seen = "", 0
    try:
        for prompt, keys in steps:
            deadline = time.monotonic() + TIMEOUT
            while prompt not in screen[seen:]:
                if time.monotonic() > deadline:
                    raise Failure(f"never shown: {prompt!r}; the terminal shows:\n{screen}")
                if select.select([master], [], [], 0.1)[0]:
                    screen += os.read(master, 4096).decode(errors="replace")
            seen = screen.index(prompt, seen) + len(prompt)
            os.write(master, keys.encode())
        finish(process, want, 0)
    finally:
        if process.poll() is None:
            process.kill()
            process.communicate()
        os.close(master)
        os.close(slave)


def main(argv):
    # Ended from outside (a test timeout), still end the X servers.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    program = os.path.abspath(argv[1])
    only = argv[2] if len(argv) > 2 else ""
    for tool, package in [("Xvfb", "xvfb"), ("xdotool", "xdotool"), ("cc", "gcc"),
                          ("sh", "dash")]:
        if not shutil.which(tool):
            missing(tool, package)

    work = tempfile.mkdtemp()
    c_parent = os.path.join(work, "parent")
    subprocess.run(["cc", "-std=c99", "-Wall", "-Wextra", "-Werror", "-pedantic", "-o", c_parent,
                    os.path.join(EXAMPLES, "parent.c")], check=True)
    parents = {
        "python": [sys.executable, os.path.join(EXAMPLES, "parent.py")],
        "c": [c_parent],
        "sh": ["sh", os.path.join(EXAMPLES, "parent.sh")],
    }
    # An X server that turns every client away: it wants a cookie that no
    # client has (an empty authority file would let local users in).
    refusing_auth = os.path.join(work, "server-auth")
    with open(refusing_auth, "wb") as auth:
        def counted(data):
            return len(data).to_bytes(2, "big") + data
        # Any address (family 0xffff), display 0, MIT-MAGIC-COOKIE-1.
        auth.write(b"\xff\xff" + counted(b"") + counted(b"0") +
                   counted(b"MIT-MAGIC-COOKIE-1") + counted(os.urandom(16)))
    no_auth = os.path.join(work, "no-auth")
    open(no_auth, "w").close()

    failures, ran = [], 0
    xvfb, display = start_xvfb()
    refusing, refusing_display = start_xvfb("-auth", refusing_auth)
    try:
        cases = []
        for items, actions, want in WINDOW_CASES:
            cases.append(("window " + " ".join(items)[:40],
                          lambda p, i=items, a=actions, w=want: window_case(p, program, display, i,
                                                                            a, w)))
        for items, steps, want in TERMINAL_CASES:
            cases.append(("terminal " + " ".join(items)[:40],
                          lambda p, i=items, s=steps, w=want: terminal_case(p, program, i, s, w)))
        # No answer: the parent reads status 1 as that, with the reason.
        for label, env, reason in [
                ("no display", quiet_env(), "is DISPLAY set?"),
                ("gone display", quiet_env(DISPLAY=":9876"), "the display :9876 does not answer"),
                ("refusing display", quiet_env(DISPLAY=refusing_display, XAUTHORITY=no_auth),
                 f"the display {refusing_display} refused this user")]:
            cases.append((label, lambda p, e=env, r=reason: finish(
                run_parent(p, program, ["clients"], e, start_new_session=True),
                f"{NO_DISPLAY} ({r})", 1)))
        for parent_name, parent in parents.items():
            for label, case in cases:
                if only and only not in f"{parent_name} {label}":
                    continue
                ran += 1
                try:
                    case(parent)
                    print(f"ok   {parent_name}: {label}", flush=True)
                except (Failure, subprocess.SubprocessError) as failure:
                    print(f"FAIL {parent_name}: {label}: {failure}", flush=True)
                    failures.append(label)
    finally:
        for server in (xvfb, refusing):
            server.terminate()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{ran - len(failures)} passed, {len(failures)} failed")
    return 1 if failures or not ran else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
