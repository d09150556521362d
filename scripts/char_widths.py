#!/usr/bin/env python3
"""Prints the two tables of src/ui/tty/char_width.cpp from Python's Unicode
data, with the choices glibc's wcwidth makes: marks (Mn, Me) and format
characters (Cf) take no column, except the soft hyphen and the prepended
concatenation marks, which show; Hangul medial vowels and final consonants
join the syllable before them; East Asian Wide and Fullwidth characters, the
unassigned rest of the CJK blocks, the circled numbers U+3248-U+324F and the
hexagrams U+4DC0-U+4DFF take two. Unassigned code points between two ranges
are folded into them, which keeps the tables short."""

import unicodedata

SHOWN_FORMAT = {0x00AD, 0x0600, 0x0601, 0x0602, 0x0603, 0x0604, 0x0605, 0x06DD, 0x070F,
                0x0890, 0x0891, 0x08E2, 0x110BD, 0x110CD}
WIDE_BLOCKS = [(0x3248, 0x324F), (0x3400, 0x4DBF), (0x4DC0, 0x4DFF), (0x4E00, 0x9FFF),
               (0xF900, 0xFAFF), (0x20000, 0x2FFFD), (0x30000, 0x3FFFD)]


def category(cp):
    return unicodedata.category(chr(cp))


def zero(cp):
    if cp in SHOWN_FORMAT:
        return False
    if 0x1160 <= cp <= 0x11FF or 0xD7B0 <= cp <= 0xD7FF:
        return True
    return category(cp) in ("Mn", "Me", "Cf")


def wide(cp):
    if zero(cp):
        return False
    if any(first <= cp <= last for first, last in WIDE_BLOCKS):
        return True
    return category(cp) != "Cn" and unicodedata.east_asian_width(chr(cp)) in ("W", "F")


def ranges(member):
    found = []
    for cp in range(0x110000):
        if not member(cp):
            continue
        if found and (found[-1][1] + 1 == cp or all(
                category(gap) == "Cn" for gap in range(found[-1][1] + 1, cp))):
            found[-1][1] = cp
        else:
            found.append([cp, cp])
    return found


def table(name, rows):
    print(f"constexpr Range {name}[] = {{")
    for i in range(0, len(rows), 4):
        print("    " + " ".join(f"{{0x{a:04X}, 0x{b:04X}}}," for a, b in rows[i:i + 4]))
    print("};")


print(f"// Unicode {unicodedata.unidata_version}, from scripts/char_widths.py.")
table("kNoColumn", ranges(zero))
table("kTwoColumns", ranges(wide))
