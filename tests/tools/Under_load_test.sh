#!/bin/bash
# tools/under_load.sh: COMMAND's status comes back, the busy processes run while it does and are
# gone after it ends, and a TERM to the tool ends COMMAND with what COMMAND started.
set -u
tool="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
gone() { ! kill -0 "$1" 2> /dev/null; }
# Waits until the command $@ succeeds; the minute only catches a hang.
wait_for() {
  local deadline=$((SECONDS + 60))
  until "$@"; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.1; done
}

# The command lists its busy siblings (the tool's other children) and ends with status 3.
"$tool" 2 sh -c 'ps -o pid=,args= --ppid $PPID | awk "/^ *[0-9]+ bash -c while/ { print \$1 }" > "$0"; exit 3' "$work/busy" 2> /dev/null
status=$?
[ "$status" -eq 3 ] || fail "the command's status 3 came back as $status"
[ "$(wc -l < "$work/busy")" -eq 2 ] || fail "2 busy processes were asked for, the command saw: $(cat "$work/busy")"
# The tool waited for them before it ended.
for pid in $(cat "$work/busy"); do gone "$pid" || fail "busy process $pid outlived the tool"; done

# A TERM to the tool ends the command's own child too.
# The command's child's pid comes down a pipe: the read waits until the command has started it.
mkfifo "$work/child"
"$tool" 1 sh -c 'sleep 300 & echo $! > "$0"; wait' "$work/child" 2> /dev/null &
tool_pid=$!
read -r -t 60 child < "$work/child" || fail "the command never started"
kill -TERM "$tool_pid"
wait "$tool_pid"
status=$?
[ "$status" -eq 143 ] || fail "the tool ended with $status after a TERM, not 143"
wait_for gone "$child" || fail "the command's child outlived a TERM to the tool"

# Wrong use is told and ends 2.
"$tool" x true 2> /dev/null
[ $? -eq 2 ] || fail "a count that is no number was taken"
echo PASS
