#!/usr/bin/env bash
# Runs a command on a display of its own: a private Xvfb, ended with it.
# Usage: with_xvfb.sh COMMAND [ARGS...]
command -v Xvfb >/dev/null || exec "$(dirname "$0")/missing_tool.sh" Xvfb xvfb
exec 3< <(exec Xvfb -displayfd 1 -noreset -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null' EXIT
read -r number <&3
DISPLAY=":$number" "$@"
