#!/bin/sh
# Fails when the program, or anything it loads at start, is a GUI library:
# Qt, X11, xcb, GL, Wayland or GTK. Those belong to the window modules.
set -eu
program=$1
libraries=$(ldd "$program") || { echo "ldd failed on $program"; exit 1; }
found=$(printf '%s\n' "$libraries" |
  grep -Ei 'libQt|libX|libxcb|libGL|libEGL|libOpenGL|libwayland|libgtk|libgdk|libadwaita' || true)
if [ -n "$found" ]; then
  echo "$program links GUI libraries:"
  printf '%s\n' "$found"
  exit 1
fi
echo "$program links no GUI library ($(printf '%s\n' "$libraries" | wc -l) libraries)"
