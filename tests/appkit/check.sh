#!/usr/bin/env bash
# Compiles every Objective-C++ file of the AppKit backend, syntax and types
# only, against the GNUstep headers and appkit_shim.h (the newer AppKit calls
# GNUstep lacks), with warnings as errors; and its public header as plain
# C++. There is no macOS here: this is what catches a misspelt selector, a
# wrong argument type or a call on the wrong class before a Mac build does.
# Quiet when everything passes.
# Usage: tests/appkit/check.sh [REPO_ROOT]   (default: the repo holding this script)
# Needs clang-14 and libgnustep-gui-dev. Blocks are on, as they are on macOS
# (the backend's event monitor takes one).
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
backend="$root/src/ui/appkit"
shim="$root/tests/appkit/appkit_shim.h"

fail() { echo "appkit check: $*" >&2; exit 1; }
missing() { exec "$root/tests/missing_tool.sh" "$@"; }

cxx=$(command -v clang++-14 || command -v clang++) || missing clang++ clang-14
command -v gnustep-config >/dev/null || missing gnustep-config libgnustep-gui-dev

# GNUstep's own defines and header folders; its folders count as system
# headers so that their warnings stay theirs. Dependency files, optimisation
# and warning choices of GNUstep's build are left out.
gnustep=()
appkit=""
for flag in $(gnustep-config --objc-flags); do
  case "$flag" in
    -D*|-fconstant-string-class=*|-fobjc-exceptions) gnustep+=("$flag") ;;
    -I.) ;;
    -I*)
      dir=${flag#-I}
      [ -d "$dir" ] && gnustep+=(-isystem "$dir")
      [ -f "$dir/AppKit/AppKit.h" ] && appkit=$dir ;;
  esac
done
[ -n "$appkit" ] || missing "GNUstep's AppKit headers" libgnustep-gui-dev

# GNUstep's Foundation imports <objc/objc.h> of GCC's runtime, which lives in
# GCC's private folder; searched last, so that clang's own headers win.
objc=""
for dir in /usr/lib/gcc/*/*/include; do
  [ -f "$dir/objc/objc.h" ] && objc=$dir
done
[ -n "$objc" ] || missing "the GCC Objective-C runtime headers" libobjc-12-dev

mapfile -t sources < <(find "$backend" -name '*.mm' | sort)
[ ${#sources[@]} -gt 0 ] || fail "no .mm file in $backend"

failed=0
for source in "${sources[@]}"; do
  "$cxx" -fsyntax-only -x objective-c++ -std=c++20 -fobjc-runtime=gcc -fblocks \
    -Werror -Wall -Wextra "${gnustep[@]}" -idirafter "$objc" -idirafter "$root/tests/appkit/include" \
    -I"$root/src" -include "$shim" "$source" || { echo "appkit check: FAILED $source" >&2; failed=1; }
done

# C++ files include the backend's header: it must not need Objective-C. The
# backend's own Objective-C++ headers, for its .mm files only, end in .hh.
for header in "$backend"/*.h; do
  [ -e "$header" ] || continue
  echo "#include \"$header\"" |
    "$cxx" -fsyntax-only -x c++ -std=c++20 -Werror -Wall -Wextra -I"$root/src" - ||
    { echo "appkit check: FAILED $header (as plain C++)" >&2; failed=1; }
done
exit $failed
