"""Every end-to-end case, as data, for every backend.

A case is the program's items, the steps a person takes (with what the alert
must show between them) and the record, status and standard error it must end
with; steps and record may depend on the backend's CONVENTIONS. Steps:

  ("look", {key: want})   the alert shows this (window, title, text, note,
                          boxes as (title, checked, locked), fields as
                          (caption, value), buttons in order, focus, icon,
                          on_top, fits); waited for, then compared
  ("key", keys)           keys, once the keyboard guard has let go
  ("early", keys)         keys at once, before the guard lets go
  ("hold", key)           a key pressed in the quiet time and held past it
  ("type", text)          text typed into the focused field
  ("click", title[, n])   the n-th control of that title, pressed as a screen
                          reader (or the terminal's number or word) would
  ("pointer", title)      a click of the mouse on it
  ("next",)               the alert of the next pass (enrollment)
  ("open",)               the program has not ended
  ("escape_ignored",)     Escape, where the backend ignores it without "Cancel"
  ("key_of", name)        the backend's key for name (paste, copy, cut...)
  ("paste", text)         the clipboard holds text, then the paste key
  ("copied", text)        the clipboard now holds text
  ("destroyed",)          another X client destroys the alert's window

A backend that cannot see a key of "look" says so in CONVENTIONS; a case that
does not apply to a backend names it in `skip` with the reason.
"""

from dataclasses import dataclass, field

TITLE = "Orvex Setup"
ENROLL = "Orvex Enrollment"
CLIENTS_TEXT = "Orvex works with these apps. Select the ones you'd like to set up:"
NO_CLIENTS_TEXT = ("We didn't find any supported AI apps installed yet.\n\nOnce you install "
                   "Claude Desktop, Cursor, or another AI app, Orvex will be ready to go.")
MIGRATE_TEXT = ("These tools are currently configured in your AI apps. "
                "Select the ones you'd like Orvex to manage:")
AUTO = "Automatically configure all AI apps"
LATER = "Includes apps you install later."
MANAGED = "An advanced configuration has Orvex manage every AI app and all of its MCP servers."
TURNED_OFF = "Automatic setup is turned off by an advanced configuration."
TURN_ON = ("Orvex couldn't turn on automatic setup. To try again later, run: "
           "orvex config set drift-enforcement auto_install")
TURN_OFF = ("Orvex couldn't turn off automatic setup. To try again later, run: "
            "orvex config set drift-enforcement default")
NOTHING_TO_MIGRATE = ("We didn't find any existing tools to migrate to Orvex. "
                      "You're ready to get started!")
INTRO = "If your organization gave you a setup code, enter it here — otherwise skip."
NO_PREFIX = "Setup code must start with dk_."
CODE_LINES = "Setup code must be a single line."
EMAIL_LINES = "Work email must be a single line."
CODE, EMAIL = "Setup code", "Work email"
SKIPPED = b"__ORVEX_ENROLL_SKIP__\n"
DECLINED = b"false\n"
UNWRITABLE = b"setup-dialog: could not write the answer to standard output\n"


def no_display(why="is DISPLAY set?"):
    """The no-display line, with its reason."""
    return f"setup-dialog: no display: cannot show the dialog ({why})\n".encode()


NO_DISPLAY = no_display()
USAGE = (b"Usage: setup-dialog <clients|no-clients|migrate-empty|migrate|enroll|"
         b"enforcement-error> [items...]\n")

# Where the backends differ on purpose, with the platform's reason. `sees`:
# the keys of "look" the backend can read; `tab_to_boxes`: True, or why Tab
# does not reach the boxes.
CONVENTIONS = {
    "qt": dict(
        sees={"window", "title", "text", "note", "boxes", "fields", "buttons", "focus", "icon",
              "on_top", "fits"},
        # Qt keeps disabled boxes focusable so that a screen reader can say
        # that they are checked and unavailable.
        tab_to_boxes=True, locked_tab_stop=True, escape_without_cancel="ignored",
        return_presses="the first button",
        paste="ctrl+v", copy="ctrl+c", cut="ctrl+x", select_all="ctrl+a",
        # The accessible image keeps its stock name whatever it draws.
        custom_icon="stock",
        # xdotool types a letter outside the keyboard map by remapping a spare
        # key; under load Qt drops it now and then, as GTK and Wine do.
        types_any_letter=False),
    "gtk": dict(
        # The desktop's message dialog carries no sign: there is no icon to read.
        sees={"window", "title", "text", "note", "boxes", "fields", "buttons", "focus", "on_top",
              "fits"},
        # A locked box stays sensitive, so that Tab reaches it and a screen
        # reader says that it is unavailable.
        tab_to_boxes=True, locked_tab_stop=True, escape_without_cancel="ignored",
        # GTK activates the focused button on Return, the default one only
        # from a field.
        return_presses="the focused button",
        paste="ctrl+v", copy="ctrl+c", cut="ctrl+x", select_all="ctrl+a", custom_icon=None,
        # xdotool types a letter outside the keyboard map by remapping a spare
        # key, a change GDK's keymap does not always pick up in time.
        types_any_letter=False),
    "gnustep": dict(
        # GNUstep titles an alert's panel by its style ("Alert", "Information").
        sees={"title", "text", "note", "boxes", "fields", "buttons", "focus", "icon",
              "on_top", "fits"},
        tab_to_boxes="GNUstep's Tab goes through the buttons only, as AppKit's does "
                     "without full keyboard access",
        # AppKit leaves disabled controls out of the key-view loop.
        locked_tab_stop=False, return_presses="the first button",
        # GNUstep's alert panel gives its last button the Escape key.
        escape_without_cancel="presses the last button",
        # Command is GNUstep's Alt key.
        paste="alt+v", copy="alt+c", cut="alt+x", select_all="alt+a",
        custom_icon="custom"),
    "wine": dict(
        # Wine's MSAA gives the icon no name: which sign it draws is not read.
        sees={"window", "title", "text", "note", "boxes", "fields", "buttons", "focus", "on_top",
              "fits"},
        # The dialog manager makes the focused push button the default one.
        return_presses="the focused button",
        # The dialog manager's Tab skips disabled windows.
        tab_to_boxes=True, locked_tab_stop=False, escape_without_cancel="ignored",
        paste="ctrl+v", copy="ctrl+c", cut="ctrl+x", select_all="ctrl+a",
        custom_icon="custom",
        # xdotool types a letter outside the keyboard map by remapping a spare
        # key, a change Wine's keyboard picks up only now and then.
        types_any_letter=False),
    "terminal": dict(
        # Line by line: no focus, no icon, no window to place.
        sees={"title", "text", "note", "boxes", "fields", "buttons"},
        tab_to_boxes="a terminal asks one prompt at a time: no focus to move",
        locked_tab_stop=None, custom_icon=None, escape_without_cancel="ignored",
        # Keys typed before the first prompt are dropped; once it shows, they count.
        key_guard=False),
}


# GTK as a native Wayland client: what differs from GTK on X11.
CONVENTIONS["gtk-wayland"] = dict(
    CONVENTIONS["gtk"],
    # No Wayland client can keep its window above the others: the
    # compositor alone stacks windows.
    sees=CONVENTIONS["gtk"]["sees"] - {"on_top"})


@dataclass
class Case:
    name: str
    items: tuple
    steps: list = field(default_factory=list)
    out: bytes = b""
    status: int = 0
    err: bytes = b""
    skip: dict = field(default_factory=dict)  # backend: reason
    # "window" (a display, or the terminal for the terminal backend), "none"
    # (neither a display nor a terminal)
    where: str = "window"
    stdout: str = "pipe"  # or "full" (/dev/full), "closed" (a pipe nobody reads)
    icon: object = None  # icon.png beside a copy of the program: bytes, or "fifo"


def look(**want):
    return ("look", want)


def key(*keys):
    return ("key", *keys)


def click(title, index=0):
    return ("click", title, index)


OPEN = ("open",)
ESCAPE = ("escape_ignored",)
NEXT = ("next",)
NO_TERMINAL_FOCUS = {"terminal": CONVENTIONS["terminal"]["tab_to_boxes"]}
NO_TERMINAL_POINTER = {"terminal": "a terminal has no pointer and no icon"}
NO_TAB_TO_BOXES = {backend: convention["tab_to_boxes"] for backend, convention in CONVENTIONS.items()
                   if convention["tab_to_boxes"] is not True}


def clients_look(names, locked=False, auto=None):
    """Every client checked, then the automatic-setup box if there is one."""
    return [(n, True, locked) for n in names] + ([] if auto is None else [(AUTO, auto, False)])


def png(width, height, rows=None):
    """A plain red PNG image; with `rows`, only that much of its pixel data."""
    import struct
    import zlib

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
    if rows is None:
        rows = b"".join(b"\0" + b"\xd0\x20\x20" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


CASES = []


def case(*args, **kwargs):
    CASES.append(Case(*args, **kwargs))


# The command line, with neither a display nor a terminal -----------------------

NOT_ARGV_BYTES = {
    "gnustep": "Foundation decodes the arguments before main (appkit_gnustep_cli_errors runs "
               "these in Latin-1)",
    "wine": "Wine turns the command line into UTF-16: bytes that are not UTF-8 do not get through"}
for n, (items, err, skip) in enumerate([
    ((), USAGE, {}),
    (("Clients",), b"Unknown mode: Clients\n", {}),
    (("",), b"Unknown mode: \n", {}),
    (("%s%n",), b"Unknown mode: %s%n\n", {}),
    (("m\u00f6de",), "Unknown mode: m\u00f6de\n".encode(), {}),
    ((b"bad\xff",), b"Unknown mode: bad\xff\n", NOT_ARGV_BYTES),
    ((b"clients", b"default", b"\xc3("), b"setup-dialog: item 2 is not valid UTF-8\n",
     NOT_ARGV_BYTES),
    # One line, whatever the mode holds; the mode is judged first.
    ((b"bogus\n\x1b]0;x\x07", b"\xff"), b"Unknown mode: bogus\\x0a\\x1b]0;x\\x07\n",
     NOT_ARGV_BYTES),
    # A C1 control, raw or as UTF-8, and a backslash that could forge an escape.
    ((b"x\x9b2J\xc2\x9b\\x09",), b"Unknown mode: x\\x9b2J\\xc2\\x9b\\x5cx09\n",
     NOT_ARGV_BYTES),
    (("enforcement-error",), NO_DISPLAY, {}),
    (("clients", "default", "A"), NO_DISPLAY, {}),
    # An item the mode never reads is not judged.
    ((b"migrate-empty", b"\xff"), NO_DISPLAY, NOT_ARGV_BYTES),
    # Items are never options of the program or of its toolkit.
    (("enforcement-error", "-platform"), NO_DISPLAY, {}),
    (("enforcement-error", "-reverse", "-style=x", "--help", "-NSFontSize", "24"), NO_DISPLAY, {}),
]):
    case(f"command_line_{n}", items, status=1, err=err, where="none", skip=skip)
# The two words a parent may ask the program about itself, with no display.
case("command_line_version", ("--version",), out=b"setup-dialog 0.1\n", where="none")

# The message dialogs -------------------------------------------------------------

case("message_turn_off_shows_on_top_and_answers_its_button",
     ("enforcement-error", "disable", "ignored"),
     [look(window=TITLE, title=TITLE, text=TURN_OFF, note=None, buttons=["OK"], icon="warning",
           on_top=True, fits=[], boxes=[], fields=[]),
      click("OK")])
for items in ((), ("enable",), ("Disable",)):
    # A key before the guard lets go is dropped; Escape without "Cancel"
    # does nothing; Return then answers.
    case(f"message_turn_on_{'_'.join(items) or 'default'}", ("enforcement-error", *items),
         [("early", "Return"), look(text=TURN_ON, buttons=["OK"]), OPEN, ESCAPE,
          key("Return")])
case("nothing_to_migrate_ignores_its_items_and_escape", ("migrate-empty", "x", "y"),
     [look(title=TITLE, text=NOTHING_TO_MIGRATE, buttons=["OK"], icon="information",
           on_top=True), ESCAPE, key("Return")])
# 30000 x 30000 pixels by its header: never decoded, the stock sign at once.
HUGE = png(30000, 30000, rows=b"\0" * 90001)
for name, content in (("an_image", png(64, 64)), ("not_an_image", b"not an image"),
                      ("a_fifo", "fifo"), ("too_large", HUGE)):
    # A bad icon.png is ignored: the stock sign stands.
    case(f"icon_beside_the_program_{name}", ("migrate-empty",),
         [look(icon="custom" if name == "an_image" else "information"), key("Return")],
         icon=content, skip=NO_TERMINAL_POINTER)

# The clients dialog -----------------------------------------------------------------

case("clients_rows_in_order_and_a_click_unchecks", ("clients", "default", "Claude Desktop", "Cursor"),
     [look(window=TITLE, title=TITLE, text=CLIENTS_TEXT, note=LATER, buttons=["Configure", "Skip"],
           icon="information", on_top=True, fields=[],
           boxes=clients_look(["Claude Desktop", "Cursor"], auto=False)),
      click("Claude Desktop"),
      look(boxes=[("Claude Desktop", False, False), ("Cursor", True, False), (AUTO, False, False)]),
      click("Configure")],
     b"configure\nfalse\nCursor\n")
CHOSEN = [("A", True, False), ("B", False, False), ("C", True, False), (AUTO, False, False)]
case("automatic_setup_locks_and_gives_back_the_clients", ("clients", "default", "A", "B", "C"),
     [click("B"), look(boxes=CHOSEN),
      click(AUTO), look(boxes=clients_look("ABC", locked=True, auto=True)),
      click(AUTO), look(boxes=CHOSEN), click("Skip")],
     b"skip\nfalse\nA,C\n")
LOCKED = clients_look("AB", locked=True, auto=True)
case("automatic_setup_clicked_with_the_mouse", ("clients", "auto_install", "A", "B"),
     [look(boxes=LOCKED, note=LATER),
      ("pointer", "A"), look(boxes=LOCKED),  # a locked client takes no click
      ("pointer", AUTO), look(boxes=clients_look("AB", auto=False)),
      ("pointer", "A"), look(boxes=[("A", False, False), ("B", True, False), (AUTO, False, False)]),
      ("pointer", AUTO), look(boxes=LOCKED),
      ("pointer", AUTO), look(boxes=[("A", False, False), ("B", True, False), (AUTO, False, False)]),
      ("pointer", "Skip")],
     b"skip\nfalse\nB\n", skip=NO_TERMINAL_POINTER)
for word, note, auto, locked, out in [
    ("auto_install", LATER, True, True, b"configure\ntrue\nA,B\n"),
    ("enforce_all", MANAGED, None, True, b"configure\nfalse\nA,B\n"),
    ("detect_only", TURNED_OFF, None, False, b"configure\nfalse\nA\n"),
    ("off", TURNED_OFF, None, False, b"configure\nfalse\nA\n"),
    (" Auto_install", LATER, False, False, b"configure\nfalse\nA\n"),
]:
    free = [] if locked else [click("B"), look(boxes=[("A", True, False), ("B", False, False)]
                                               + clients_look([], auto=auto))]
    case(f"enforcement_word_{word.strip().lower()}{'_spaced' if word[0] == ' ' else ''}",
         ("clients", word, "A", "B"),
         [look(text=CLIENTS_TEXT, note=note, boxes=clients_look("AB", locked, auto))] + free
         + [key("Return")], out)
for n, (items, toggle, note, boxes, out) in enumerate([
    ((), True, LATER, [(AUTO, True, False)], b"configure\ntrue\n\n"),
    (("default",), False, LATER, [(AUTO, False, False)], b"configure\nfalse\n\n"),
    (("enforce_all",), False, MANAGED, [], b"configure\nfalse\n\n"),
]):
    case(f"clients_without_names_{n}", ("clients", *items),
         ([click(AUTO)] if toggle else []) + [look(note=note, boxes=boxes), click("Configure")], out)

HARD_NAMES = ["100% sure", "%s%n", "Zed \u2014 Preview", "\u5149\u6807 \u7f16\u8f91\u5668",
              "a,b", "Dup", "Dup", " padded ", "R&D", "Cafe\u0301", "\U0001f680 Rocket",
              "\u00dcn\u00efc\u00f8d\u00e9 \u540d\u524d", "-NSFontSize", "24", "-platform",
              "--GNU-Debug=dflt"]
KEPT = ",".join(HARD_NAMES[:6] + HARD_NAMES[7:]).encode()
for mode, button, out in [(("clients", "default"), "Configure", b"configure\nfalse\n" + KEPT + b"\n"),
                          (("migrate",), "Migrate", KEPT + b"\n")]:
    # Shown and written byte for byte; the second "Dup" is its own box; no
    # name is read as an option of the toolkit.
    case(f"names_come_back_byte_for_byte_{mode[0]}", (*mode, *HARD_NAMES),
         [look(boxes=[(n, True, False) for n in HARD_NAMES]
               + ([(AUTO, False, False)] if mode[0] == "clients" else [])),
          click("Dup", 1),
          look(boxes=[(n, i != 6, False) for i, n in enumerate(HARD_NAMES)]
               + ([(AUTO, False, False)] if mode[0] == "clients" else [])),
          click(button)], out)

# A line break inside a name shows as a mark on its row, and the record keeps
# its bytes (so the name splits its line: the parent was told).
case("names_with_line_breaks_come_back_byte_for_byte", ("migrate", "Zed\r\n", "a\u2028b", "C"),
     [key("Return")], "Zed\r\n,a\u2028b,C\n".encode())

MANY = [f"App {i}" for i in range(1, 81)]
for mode, out in [(("clients", "default"), b"configure\nfalse\n" + ",".join(MANY).encode() + b"\n"),
                  (("migrate",), ",".join(MANY).encode() + b"\n")]:
    # The rows scroll; the alert, its buttons and the automatic-setup box
    # stay on screen.
    case(f"a_long_list_scrolls_{mode[0]}", (*mode, *MANY),
         [look(fits=[], boxes=clients_look(MANY, auto=False if mode[0] == "clients" else None)),
          key("Return")], out)


def keyboard_walk(convention):
    """Tab through the clients dialog, with the automatic-setup box on and off."""
    steps = [look(focus="Configure"), key("Tab"), look(focus="Skip"), key("Tab"), look(focus="A"),
             key("Tab"), look(focus="B"), key("space"), look(boxes=CHOSEN), key("Tab"),
             look(focus="C"), key("Tab"), look(focus=AUTO), key("space"),
             look(boxes=clients_look("ABC", locked=True, auto=True)),
             key("Tab"), look(focus="Configure"), key("Tab"), look(focus="Skip"), key("Tab")]
    if convention["locked_tab_stop"]:
        steps += [look(focus="A"), key("Tab"), look(focus="B"), key("Tab"), look(focus="C"),
                  key("Tab")]
    steps += [look(focus=AUTO), key("space"), look(boxes=CHOSEN), key("shift+Tab"),
              look(focus="C"), key("Tab"), look(focus=AUTO), key("Tab"), look(focus="Configure"),
              key("Tab"), look(focus="Skip")]
    if convention["return_presses"] != "the first button":
        steps += [key("shift+Tab"), look(focus="Configure")]
    return steps + [key("Return")]


case("the_keyboard_alone_answers_the_clients_dialog", ("clients", "default", "A", "B", "C"),
     keyboard_walk, b"configure\nfalse\nA,C\n", skip=NO_TAB_TO_BOXES)
for n, (items, keys, out, skip) in enumerate([
    (("clients", "default", "A", "B"), [ESCAPE, key("Return")], b"configure\nfalse\nA,B\n", {}),
    (("clients", "default", "A", "B"), [key("Tab"), key("Tab"), key("space"), key("Return")],
     b"configure\nfalse\nB\n", NO_TAB_TO_BOXES),
    (("no-clients", "auto_install"), [ESCAPE, key("Return")], b"continue\ntrue\n", {}),
    (("no-clients", "default"), [key("Tab"), key("space")], b"close\nfalse\n", NO_TERMINAL_FOCUS),
    (("migrate", "a", "b"), [ESCAPE, key("Return")], b"a,b\n", {}),
]):
    case(f"keys_answer_{n}", items, keys, out, skip=skip)
case("a_window_destroyed_from_outside_ends_the_run_as_closed", ("migrate", "a"),
     [look(buttons=["Migrate", "Do This Later"]), ("destroyed",)], DECLINED,
     skip={"terminal": "a terminal has no window",
           # Their X windows are a stand-in: on macOS and Windows no other
           # program can destroy a window of this one.
           "gnustep": "no other program can destroy an AppKit window",
           "wine": "no other program can destroy a Win32 window",
           "gtk-wayland": "no other Wayland client can destroy a window of this one"})
case("keys_before_the_guard_answer_nothing_and_a_click_answers_at_once",
     ("clients", "default", "A"), [("early", "Return", "space", "Return"), OPEN,
                                   ("early", "a"), ("pointer", "Skip")], b"skip\nfalse\nA\n",
     skip=NO_TERMINAL_POINTER)

for held, items, out in (("Return", ("clients", "default", "A"), b"configure\nfalse\nA\n"),
                         ("Escape", ("enroll",), DECLINED)):
    # Pressed in the quiet time and held past it: neither its repeats nor its
    # release answer; a fresh press after the quiet time does.
    case(f"a_key_held_from_the_quiet_time_answers_nothing_{held.lower()}", items,
         [("hold", held), OPEN, key(held)], out,
         skip={"terminal": "a terminal reads characters, not keys held down"})

# The no-clients and migrate dialogs ------------------------------------------------

for n, (items, note, toggle, boxes, button, out) in enumerate([
    (("default",), LATER, True, [(AUTO, True, False)], "Close", b"close\ntrue\n"),
    (("auto_install", "extra"), LATER, False, [(AUTO, True, False)], "Continue", b"continue\ntrue\n"),
    (("enforce_all",), MANAGED, False, [], "Continue", b"continue\nfalse\n"),
    (("detect_only",), TURNED_OFF, False, [], "Close", b"close\nfalse\n"),
]):
    case(f"no_clients_{n}", ("no-clients", *items),
         ([click(AUTO)] if toggle else [])
         + [look(title=TITLE, text=NO_CLIENTS_TEXT, note=note, boxes=boxes,
                 buttons=["Continue", "Close"]), click(button)], out)
for n, (items, unchecked, button, out) in enumerate([
    (("a", "b"), ("a", "b"), "Migrate", b"\n"),
    (("a", "b", "c"), ("a",), "Migrate", b"b,c\n"),
    (("a", "b", "c"), ("a",), "Do This Later", b"false\n"),
    ((), (), "Migrate", b"\n"),
]):
    case(f"migrate_{n}", ("migrate", *items),
         [click(u) for u in unchecked]
         + [look(title=TITLE, text=MIGRATE_TEXT, note=None, buttons=["Migrate", "Do This Later"],
                 boxes=[(i, i not in unchecked, False) for i in items]), click(button)], out)

# Enrollment -----------------------------------------------------------------------


def enroll_look(message="", code="", email="", **more):
    return look(window=ENROLL, title=ENROLL, text=f"{message}\n\n{INTRO}" if message else INTRO,
                buttons=["Retry" if message else "Continue", "Skip", "Cancel"],
                icon="warning" if message else "information", fields=[(CODE, code), (EMAIL, email)],
                focus=CODE, **more)


def typed_email(convention):
    return "ana%s+" + ("\u00fc" if convention.get("types_any_letter", True) else "x") + "@example.org"


case("enrollment_rejected_trimmed_then_accepted", ("enroll",),
     lambda convention: [
         enroll_look(on_top=True, boxes=[], note=None), ("type", "  abc  "),
         look(fields=[(CODE, "  abc  "), (EMAIL, "")]), key("Return"), NEXT,
         enroll_look(NO_PREFIX, code="abc", on_top=True),
         # The value brought back is selected: typing replaces it.
         ("type", "dk_123"), key("Tab"), look(focus=EMAIL), ("type", typed_email(convention)),
         look(fields=[(CODE, "dk_123"), (EMAIL, typed_email(convention))]), click("Retry")],
     lambda convention: f"dk_123\n{typed_email(convention)}\n".encode())
for n, (items, shown) in enumerate([
    (("Bad code from server",), "Bad code from server"),
    ((" ", "ignored"), " "),
    (("Code expired.\nAsk your admin.",), "Code expired.\nAsk your admin."),
    (("\u00dcn\u00efc\u00f8d\u00e9 \u540d\u524d",), "\u00dcn\u00efc\u00f8d\u00e9 \u540d\u524d"),
]):
    # The parent's error text stands above the intro until the first rejection.
    case(f"enrollment_parent_text_{n}", ("enroll", *items),
         [enroll_look(shown), key("Return"), NEXT, enroll_look(NO_PREFIX), click("Cancel")],
         DECLINED)
for n, (typed, reject, close, out) in enumerate([
    ("x y", True, click("Skip"), SKIPPED),
    ("x y", True, click("Cancel"), DECLINED),
    ("x y", True, key("Escape"), DECLINED),
    ("dk_valid", False, click("Skip"), SKIPPED),
    ("dk_valid", False, key("Escape"), DECLINED),
    ("dk_", False, key("Return"), b"dk_\n\n"),
]):
    # Every way out writes only its own record.
    case(f"enrollment_way_out_{n}", ("enroll",),
         [enroll_look(), ("type", typed), look(fields=[(CODE, typed), (EMAIL, "")])]
         + ([key("Return"), NEXT, enroll_look(NO_PREFIX, code=typed)] if reject else [])
         + [close], out)

NO_CLIPBOARD = {"terminal": "a terminal's paste is typing: enrollment_way_out covers it",
                "wine": "Wine's clipboard follows X's only while a window of it is in front"}
case("enrollment_edit_keys", ("enroll",),
     [enroll_look(), ("paste", "dk_pasted"), look(fields=[(CODE, "dk_pasted"), (EMAIL, "")]),
      ("key_of", "select_all"), ("key_of", "copy"), ("copied", "dk_pasted"), key("Tab"),
      look(focus=EMAIL), ("type", "ana@example.org"),
      look(fields=[(CODE, "dk_pasted"), (EMAIL, "ana@example.org")]),
      ("key_of", "select_all"), ("key_of", "cut"), look(fields=[(CODE, "dk_pasted"), (EMAIL, "")]),
      ("copied", "ana@example.org"), key("Return")],
     b"dk_pasted\n\n", skip=NO_CLIPBOARD)
for n, (tab, pasted, message, fields) in enumerate([
    (False, "dk_a\nb", CODE_LINES, [(CODE, "dk_a\nb"), (EMAIL, "")]),
    (True, "a@b\u2028c", EMAIL_LINES, [(CODE, ""), (EMAIL, "a@b\u2028c")]),
    (False, "\n dk_around \n", None, None),
]):
    # A break inside a value comes back with it; breaks around one are trimmed.
    case(f"enrollment_pasted_line_break_{n}", ("enroll",),
         [enroll_look()] + ([key("Tab"), look(focus=EMAIL)] if tab else []) + [("paste", pasted),
          key("Return")] + ([] if message is None else [
              NEXT, look(text=f"{message}\n\n{INTRO}", fields=fields), click("Cancel")]),
         b"dk_around\n\n" if message is None else DECLINED, skip=NO_CLIPBOARD)

# An answer that cannot be written ----------------------------------------------------

for how in ("full", "closed"):
    # A full disk, or a parent that stopped reading: status 1, never a signal.
    case(f"an_answer_that_cannot_be_written_{how}", ("clients", "default", "A"),
         [look(boxes=clients_look("A", auto=False)), click("Configure")], status=1,
         err=UNWRITABLE, stdout=how)
