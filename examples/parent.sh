#!/bin/sh
# A parent of setup-dialog in POSIX shell: asks one question and reads the
# answer. Usage: parent.sh PROGRAM MODE [ITEMS...]
# Prints the same one-line answer as parent.py beside it.
#
# $(...) would drop the record's trailing empty lines (an empty selection is
# one), so the record goes to a file and is read back line by line.
[ $# -ge 2 ] || { echo "usage: parent.sh PROGRAM MODE [ITEMS...]" >&2; exit 2; }
program=$1
mode=$2
shift 2
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT

# The parent owns the timing: the program has no timeout of its own, and
# SIGTERM ends it with no record.
"$program" "$mode" "$@" </dev/null >"$work/out" 2>"$work/err" &
pid=$!
# The watchdog holds none of this script's outputs open, and ends by itself
# within a second of the program.
(
  waited=0
  while kill -0 "$pid" 2>/dev/null; do
    [ "$waited" -lt 600 ] || { kill -TERM "$pid"; break; }
    sleep 1
    waited=$((waited + 1))
  done
) </dev/null >/dev/null 2>&1 &
status=0
wait "$pid" || status=$?

if [ "$status" -ne 0 ]; then
  # Status 1 (or a signal): no answer, whatever the reason.
  echo "no answer: $(cat "$work/err")"
  exit 1
fi

# The lines, split on line feeds alone; a last line without one is no record.
count=0
rest=
while IFS= read -r line || { rest=$line; false; }; do
  count=$((count + 1))
  eval "line$count=\$line"
done <"$work/out"
[ -z "$rest" ] || { echo "no answer: the record does not end with a line feed"; exit 1; }

# A selection line: the names joined by ","; empty means none. Printed as
# the count of names, ":", and the names joined by "|".
names() {
  if [ -z "$1" ]; then printf '0:'; return; fi
  commas=$(printf '%s' "$1" | tr -cd ',' | wc -c)
  printf '%d:%s' $((commas + 1)) "$(printf '%s' "$1" | tr ',' '|')"
}

case "$mode:$count" in
  clients:3)
    case "$line1:$line2" in
      configure:true | configure:false | skip:true | skip:false)
        echo "clients: $line1 auto=$line2 apps=$(names "$line3")"; exit 0 ;;
    esac ;;
  no-clients:2)
    case "$line1:$line2" in
      continue:true | continue:false | close:true | close:false)
        echo "no-clients: $line1 auto=$line2"; exit 0 ;;
    esac ;;
  migrate:1)
    # "false" is a decline (a single tool named false reads the same).
    if [ "$line1" = false ]; then echo "migrate: declined"; else echo "migrate: tools=$(names "$line1")"; fi
    exit 0 ;;
  enroll:1)
    case "$line1" in
      __ORVEX_ENROLL_SKIP__) echo "enroll: skipped"; exit 0 ;;
      false) echo "enroll: cancelled"; exit 0 ;;
    esac ;;
  enroll:2) echo "enroll: code=$line1 email=$line2"; exit 0 ;;
  migrate-empty:0 | enforcement-error:0) echo "$mode: shown"; exit 0 ;;
esac
echo "no answer: unexpected record"
exit 1
