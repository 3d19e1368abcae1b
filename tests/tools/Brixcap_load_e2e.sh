#!/bin/bash
# brixcap_load with eight fake cameras: a run that loses nothing ends 0 with its whole table,
# and its teardown (the objects outliving the client's references) stays clean.
set -u
load="$1" library="$2"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
"$load" "$library" 8 2 >"$out"
status=$?
cat "$out"
if [ "$status" -ne 0 ]; then
  echo "brixcap_load ended with $status" >&2
  exit 1
fi
rows=$(grep -cE '^ +[1-8] +[0-9]+ +0 +0 ' "$out")
if ! grep -q '^camera  frames  lost  twice  left-out  preview-lost' "$out" || [ "$rows" -ne 8 ] || ! grep -q '^CPU: ' "$out"; then
  echo "the table is not whole: $rows camera rows" >&2
  exit 1
fi
