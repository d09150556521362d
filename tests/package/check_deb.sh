#!/usr/bin/env bash
# Builds the Debian packages of a build folder with cpack (the program, and
# one package per window module) and checks what each holds and depends on:
# the program's package names no GUI library, and installed alone into a
# scratch root it pulls none in. Unpacks them and runs the program from
# where the packages put it: its usage error, the no-display line with the
# program's package alone, one dialog on a virtual display answered with
# Return once the Qt module's package is there, and the version it names in
# its debug output and with --version. Checks the manual page and the
# copyright file. Quiet when everything passes.
# Usage: tests/package/check_deb.sh BUILD_DIR VERSION [ICON]
#   ICON: the icon the build installs beside the program (none: no icon)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: $0 BUILD_DIR VERSION}" && pwd)
version=${2:?usage: $0 BUILD_DIR VERSION}
icon=${3:-}

missing() { exec "$here/../missing_tool.sh" "$@"; }
command -v cpack >/dev/null || missing cpack cmake
command -v dpkg-deb >/dev/null || missing dpkg-deb dpkg
command -v dpkg-shlibdeps >/dev/null || missing dpkg-shlibdeps dpkg-dev
command -v file >/dev/null || missing file file
command -v man >/dev/null || missing man man-db
command -v col >/dev/null || missing col bsdextrautils
command -v Xvfb >/dev/null || missing Xvfb xvfb
command -v xdotool >/dev/null || missing xdotool xdotool

work=$(mktemp -d)
xvfb="" program=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL $*" >&2; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; echo "FAIL cpack" >&2; exit 1; }
# One package for the program and one for each window module the build made.
arch=$(dpkg --print-architecture)
program_deb="$work/out/setup-dialog_${version}_$arch.deb"
qt_deb="$work/out/setup-dialog-qt_${version}_$arch.deb"
gtk_deb="$work/out/setup-dialog-gtk_${version}_$arch.deb"
expected=("$program_deb" "$qt_deb")
[ -e "$build/toolkit-gtk.so" ] && expected+=("$gtk_deb")
made=$(ls "$work"/out/*.deb 2>/dev/null | sort)
[ "$made" = "$(printf '%s\n' "${expected[@]}" | sort)" ] ||
  { echo "FAIL cpack made: ${made:-nothing}; want: ${expected[*]}" >&2; exit 1; }

# The libraries of a window system or toolkit, and the window modules: the
# program's package and a headless install of it name none of them.
gui='^(setup-dialog-|libqt6|qt6-|libgtk|libgdk|libadwaita|libx11-|libxcb|libxau|libxdmcp|libxext|libxrender|libxi6|libxkbcommon|libwayland|libgl1|libglx|libegl|libgles|libopengl|libglvnd|libdrm|libgbm|libvulkan|mesa-|libcairo|libpango|libfontconfig|libfreetype|libharfbuzz|libice6|libsm6)'
names() { tr ',|' '\n\n' | sed 's/^ *//; s/[ (:].*//' | grep -v '^$'; }
files() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $6}' | sort; }
has_depends() {  # has_depends DEPENDS NAME...: each NAME is among DEPENDS
  local depends=$1 name
  shift
  for name in "$@"; do
    [[ ", $depends," == *", $name"[\ ,]* ]] || fail "Depends lacks $name: $depends"
  done
}

for deb in "${expected[@]}"; do
  got=$(dpkg-deb -f "$deb" Version)
  [ "$got" = "$version" ] || fail "${deb##*/}: version $got, want $version"
done

# The program: everything but a window, so no GUI library.
depends=$(dpkg-deb -f "$program_deb" Depends)
has_depends "$depends" libc6 libstdc++6
! names <<<"$depends" | grep -Eq "$gui" || fail "setup-dialog depends on a GUI library: $depends"
[ "$(dpkg-deb -f "$program_deb" Recommends)" = "setup-dialog-qt | setup-dialog-gtk" ] ||
  fail "setup-dialog recommends $(dpkg-deb -f "$program_deb" Recommends)"
! files "$program_deb" | grep -q 'toolkit' || fail "setup-dialog holds a toolkit module: $(files "$program_deb")"

# A module: the module beside the program and its copyright file, nothing
# else; this version of the program, and its toolkit's libraries.
for toolkit in qt gtk; do
  deb="$work/out/setup-dialog-${toolkit}_${version}_$arch.deb"
  [ -e "$deb" ] || continue
  want=$(printf '%s\n' "./usr/libexec/setup-dialog/toolkit-$toolkit.so" \
    "./usr/share/doc/setup-dialog-$toolkit/copyright" | sort)
  [ "$(files "$deb")" = "$want" ] || fail "setup-dialog-$toolkit holds: $(files "$deb" | tr '\n' ' ')"
  depends=$(dpkg-deb -f "$deb" Depends)
  has_depends "$depends" "setup-dialog (= $version)"
  case $toolkit in
    # Qt's Wayland platform is a plugin: no library dependency pulls it in.
    qt) has_depends "$depends" libqt6widgets6 libqt6gui6 libqt6core6 qt6-wayland ;;
    gtk) has_depends "$depends" libgtk-4-1 ;;
  esac
done

# Installed alone, as on a headless host: a root that holds only what the
# program's package pulls in (dpkg refuses the package if anything it needs
# is not there) holds no GUI library, and the Qt module's package does not
# install into it.
headless="$work/headless"
if [ "$(id -u)" != 0 ]; then
  # dpkg installs as root only; where every test must run, that is a failure.
  [ "${SETUP_DIALOG_REQUIRE_ALL:-0}" = 1 ] && fail "the headless install needs root"
  echo "skipped: the headless install needs root"
else
closure=$(/usr/bin/python3 "$here/headless_root.py" "$program_deb" "$headless") ||
  fail "no dependency set for setup-dialog"
! grep -Eq "$gui" <<<"$closure" || fail "a headless install pulls in: $(grep -E "$gui" <<<"$closure" | tr '\n' ' ')"
dpkg --root="$headless" --force-script-chrootless -i "$program_deb" >"$work/dpkg.log" 2>&1 ||
  fail "setup-dialog does not install alone: $(cat "$work/dpkg.log")"
[ -x "$headless/usr/libexec/setup-dialog/setup-dialog" ] || fail "the headless install has no program"
! dpkg --root="$headless" --force-script-chrootless -i "$qt_deb" >"$work/dpkg.log" 2>&1 ||
  fail "setup-dialog-qt installed without Qt"
grep -q 'libqt6widgets6' "$work/dpkg.log" || fail "setup-dialog-qt refused, but not for Qt: $(cat "$work/dpkg.log")"
fi

# The program's package, then the Qt module's over it, unpacked as dpkg
# would install them.
dpkg -x "$program_deb" "$work/root"
bin="$work/root/usr/libexec/setup-dialog/setup-dialog"
[ -x "$bin" ] || { echo "FAIL no program at usr/libexec/setup-dialog/setup-dialog" >&2; find "$work/root" >&2; exit 1; }
# The manual page, as man reads it, and the copyright file in Debian's
# machine-readable format, with the licence's text.
page="$work/root/usr/share/man/man1/setup-dialog.1"
if [ ! -f "$page" ]; then
  fail "no manual page at usr/share/man/man1/setup-dialog.1"
else
  manual=$(MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err" | col -b) || fail "man cannot read the page"
  [ ! -s "$work/man.err" ] || fail "man warns on the page: $(head -3 "$work/man.err")"
  for heading in NAME SYNOPSIS MODES RECORDS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES; do
    grep -qx "$heading" <<<"$manual" || fail "the manual page lacks its section $heading"
  done
  grep -q "setup-dialog $version" <<<"$manual" || fail "the manual page names no version $version"
fi
copyright="$work/root/usr/share/doc/setup-dialog/copyright"
if [ ! -f "$copyright" ]; then
  fail "no copyright file at usr/share/doc/setup-dialog/copyright"
else
  head -n1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
    fail "the copyright file is not in Debian's format: $(head -n1 "$copyright")"
  grep -q '^License: MIT$' "$copyright" || fail "the copyright file names no MIT licence"
  grep -q '^ Permission is hereby granted, free of charge' "$copyright" ||
    fail "the copyright file lacks the licence's text"
fi

# The build's icon beside the program, byte for byte; none unless it named
# one, so that the stock signs show.
if [ -n "$icon" ]; then
  cmp -s "$icon" "${bin%/*}/icon.png" || fail "icon.png beside the program is not $icon"
else
  [ ! -e "${bin%/*}/icon.png" ] || fail "an icon.png the build was not given"
fi

# expect_run NAME STATUS STDOUT STDERR COMMAND...: runs COMMAND in a session
# of its own (no terminal to ask in) and checks all three outputs exactly.
expect_run() {
  local name=$1 status=$2 out=$3 err=$4 got_status=0
  shift 4
  setsid "$@" </dev/null >"$work/stdout" 2>"$work/stderr" || got_status=$?
  [ "$got_status" = "$status" ] || fail "$name: status $got_status, want $status"
  [ "$(cat "$work/stdout"; echo .)" = "$out." ] || fail "$name: stdout $(od -c "$work/stdout" | head -3)"
  [ "$(cat "$work/stderr"; echo .)" = "$err." ] || fail "$name: stderr $(cat "$work/stderr")"
}
usage="Usage: setup-dialog <clients|no-clients|migrate-empty|migrate|enroll|enforcement-error> [items...]"
expect_run "usage" 1 "" "$usage"$'\n' env -u DISPLAY -u WAYLAND_DISPLAY "$bin"

# One dialog on a display of its own, answered with Return.
# -noreset: this script's own xdotool calls come and go, and a server left
# with no client would reset under the program starting.
exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
xvfb=$!
read -r number <&3 || { echo "FAIL Xvfb did not start" >&2; exit 1; }
exec 3<&-
export DISPLAY=":$number"

# answer_with_return [ENV...]: runs migrate-empty, presses Return once its
# window shows, and leaves the status and outputs in $work.
answer_with_return() {
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$bin" migrate-empty \
    </dev/null >"$work/stdout" 2>"$work/stderr" &
  program=$!
  local shown=0
  for _ in $(seq 100); do
    xdotool search --onlyvisible --pid "$program" >/dev/null 2>&1 && { shown=1; break; }
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
  if [ "$shown" = 1 ]; then
    for _ in 1 2 3 4 5; do
      xdotool key Return
      for _ in $(seq 20); do kill -0 "$program" 2>/dev/null || break 2; sleep 0.1; done
    done
  fi
  kill "$program" 2>/dev/null && fail "the dialog did not end on Return"
  status=0
  wait "$program" || status=$?
  program=""
  [ "$shown" = 1 ] || fail "no window shown (status $status): $(cat "$work/stderr")"
}

# The program alone finds no window module: with no terminal to ask in
# either, it gives the no-display line, however live the display (a window
# would wait for ever: timeout ends it).
setsid timeout 30 env -u WAYLAND_DISPLAY "$bin" migrate-empty </dev/null >"$work/stdout" 2>"$work/stderr" && status=0 || status=$?
[ "$status" = 1 ] || fail "the program alone on a display: status $status, want 1"
[ ! -s "$work/stdout" ] || fail "the program alone on a display: stdout $(cat "$work/stdout")"
[[ "$(cat "$work/stderr")" == "setup-dialog: no display: cannot show the dialog ("*")" ]] &&
  [ "$(wc -l <"$work/stderr")" = 1 ] || fail "the program alone on a display: stderr $(cat "$work/stderr")"

# With the Qt module's package over it, the window shows.
dpkg -x "$qt_deb" "$work/root"
answer_with_return
[ "$status" = 0 ] || fail "migrate-empty: status $status, want 0"
[ ! -s "$work/stdout" ] || fail "migrate-empty: stdout $(cat "$work/stdout")"
[ ! -s "$work/stderr" ] || fail "migrate-empty: stderr $(cat "$work/stderr")"

expect_run "version" 0 "setup-dialog $version"$'\n' "" env -u DISPLAY -u WAYLAND_DISPLAY "$bin" --version

answer_with_return SETUP_DIALOG_DEBUG=1
[ "$status" = 0 ] || fail "migrate-empty with debug output: status $status, want 0"
[ "$(head -n1 "$work/stderr")" = "setup-dialog version $version" ] ||
  fail "debug output does not start with the version: $(head -n3 "$work/stderr")"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
