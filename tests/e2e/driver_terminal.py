"""Drives the terminal backend on a pseudo-terminal, and reads what it shows
as a person would: the screen, as a terminal (pyte) draws it. Standard input
is /dev/null and standard output a pipe that must carry the record alone."""

import fcntl
import importlib.util
import os
import re
import select
import struct
import subprocess
import termios
import time
import unicodedata

from harness import Failure, KeyedRun, check, fail_fast_env, run_plain, wait_for

PATHS = 1
BOX = re.compile(r"^ +(\d+)\. \[([x ])\] (.*?)( \(locked\))?$")
FIELD = re.compile(r"^(\S.*?) (?:\((.*)\)|\[(.*)\]): (.*)$")
TITLES = ("Orvex Setup", "Orvex Enrollment")


def missing():
    return None if importlib.util.find_spec("pyte") else ("pyte", "python3-pyte")


class Driver:
    def __init__(self, binary):
        self.binary = binary

    def run_plain(self, items):
        return run_plain([self.binary, *items], fail_fast_env())

    def start(self, items, program=None, stdout=subprocess.PIPE, columns=100):
        return Run(program or self.binary, items, stdout, columns)

    def close(self):
        pass


class Run(KeyedRun):
    def __init__(self, program, items, stdout, columns):
        import pyte
        self.master, self.slave = os.openpty()
        fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
        self.mode = termios.tcgetattr(self.slave)
        name = os.ttyname(self.slave)
        self.screen = pyte.Screen(columns, 400)
        self.stream = pyte.ByteStream(self.screen)
        self.raw, self.items, self.passes = b"", items, 0
        # A session of its own whose controlling terminal is the pty.
        self.process = subprocess.Popen(
            [program, *items], stdin=subprocess.DEVNULL, stdout=stdout, stderr=subprocess.PIPE,
            env=fail_fast_env(), start_new_session=True,
            preexec_fn=lambda: os.close(os.open(name, os.O_RDWR)))
        self.next_window()

    def pump(self, wait=0.05):
        while select.select([self.master], [], [], wait)[0]:
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                return
            self.raw += chunk
            self.stream.feed(chunk)
            wait = 0.02

    def lines(self):
        """The screen up to the cursor, the prompt's trailing spaces kept."""
        y, x = self.screen.cursor.y, self.screen.cursor.x
        shown = self.screen.display[:y + 1]
        return [line.rstrip() for line in shown[:y]] + [shown[y][:x]]

    def prompt(self, since=None):
        """Waits for a fresh prompt (after `since` line feeds): its line."""
        since = self.raw.count(b"\n") if since is None else since

        def fresh():
            self.pump()
            if self.process.poll() is not None:
                return True
            return self.raw.count(b"\n") > since and self.lines()[-1].endswith(": ") \
                and self.lines()[-1]
        return wait_for(fresh, "a prompt", timeout=10)

    def text(self):
        return "\n".join(self.lines())

    def next_window(self):
        want = self.passes + 1
        # A screen narrower than a title shows it broken: a prompt is enough.
        wait_for(lambda: self.pump() or self.process.poll() is not None or
                 (sum(line in TITLES for line in self.lines()) >= want or self.screen.columns < 20)
                 and self.raw.endswith(b": "), f"question {want}:\n{self.text()}", timeout=10)
        check(self.process.poll() is None, f"the program ended; the terminal shows:\n{self.text()}")
        self.passes, self.typed = want, False

    def snapshot(self, keys):
        self.pump()
        lines = self.lines()
        start = max(i for i, line in enumerate(lines) if line in TITLES)
        lines = lines[start:]
        paragraphs, i = [[]], 1
        while i < len(lines) and not lines[i].startswith(" ") and not FIELD.match(lines[i]) \
                and not lines[i].startswith(("Type a box", "Press Enter")):
            if lines[i]:
                paragraphs[-1].append(lines[i])
            elif paragraphs[-1]:
                paragraphs.append([])
            i += 1
        text = "\n\n".join(" ".join(p) for p in paragraphs if p)
        boxes, notes, fields, buttons = [], [], [], []
        for line in lines[i:]:
            box, field = BOX.match(line), FIELD.match(line)
            if box:
                if box.group(1) == "1":
                    boxes = []
                boxes.append((box.group(3), box.group(2) == "x", bool(box.group(4))))
            elif line.startswith("Press Enter for "):
                first, _, rest = line[len("Press Enter for "):].rstrip(": ").partition(", or type ")
                buttons = [first] + (rest.split(" or ") if rest else [])
            elif field:
                fields.append((field.group(1), field.group(4) or field.group(3) or ""))
            elif line.strip() and not line.startswith("Type a box"):
                notes.append(line.strip())
        return {"title": lines[0], "text": text, "note": notes[0] if notes else None,
                "boxes": boxes, "fields": fields, "buttons": buttons}

    def same(self, key, got, want):
        if key in ("text", "note") and got is not None and want is not None:
            return got.split() == want.split()  # wrapped to the terminal's width
        if key == "boxes":  # spaces around a name cannot be seen
            # nor whether an accent was one character or two
            def seen(boxes):
                return [(unicodedata.normalize("NFC", t.strip()), *rest) for t, *rest in boxes]
            return seen(got) == seen(want)
        if key == "buttons" and not got:  # asked once the fields are answered
            return True
        if key == "fields":  # asked one at a time: those asked so far
            return got == want[:len(got)] and (bool(got) or not want)
        return got == want

    def write(self, keys):
        since = self.raw.count(b"\n")
        os.write(self.master, keys.encode())
        if keys.endswith("\r"):
            self.prompt(since)

    def to_buttons(self):
        """Answers the fields still asked with what they hold."""
        while not self.lines()[-1].startswith("Press Enter for "):
            self.write("\r")

    def press(self, *keys, early=False):
        for name in keys:
            if name == "Tab":
                self.write("\r")
            elif name == "Return":
                self.to_buttons()
                self.write("\r")
            elif name == "Escape":
                os.write(self.master, b"\x1b")
                time.sleep(0.4)
            else:
                raise Failure(f"no key {name!r} on a terminal")

    def type(self, text):
        self.write(text)

    def click(self, title, index=0, pointer=False):
        boxes = [i for i, box in enumerate(self.snapshot({"boxes"})["boxes"]) if box[0] == title]
        if len(boxes) > index:
            return self.write(f"{boxes[index] + 1}\r")
        self.to_buttons()
        self.write(f"{title}\r")

    def finish(self, timeout=10):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise Failure(f"still running; the terminal shows:\n{self.text()}") from None
        check(termios.tcgetattr(self.slave) == self.mode, "the terminal was left in another mode")
        return self.process.returncode, out or b"", err

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass
