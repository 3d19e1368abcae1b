#!/usr/bin/env bash
# under_load.sh N COMMAND [ARGS...]: runs COMMAND while N busy processes keep the cores busy, ends
# them afterwards (also on Ctrl-C or when COMMAND fails) and exits with COMMAND's status.
# The busy processes run at normal priority, as other users' builds would.
set -u
if [ $# -lt 2 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 N COMMAND [ARGS...]  (N busy processes while COMMAND runs)" >&2
  exit 2
fi
n=$1
shift

busy_pids=()
command_pid=
stop_busy() {
  local pid
  for pid in "${busy_pids[@]}"; do kill "$pid" 2> /dev/null; done
  for pid in "${busy_pids[@]}"; do wait "$pid" 2> /dev/null; done
  busy_pids=()
}
trap stop_busy EXIT
# A signal to this script alone ends COMMAND too, with what it started (its process group).
on_signal() {
  [ -n "$command_pid" ] && kill -"$1" -- -"$command_pid" 2> /dev/null
  stop_busy
  exit "$2"
}
trap 'on_signal INT 130' INT
trap 'on_signal TERM 143' TERM

for _ in $(seq "$n"); do
  # A shell loop that never blocks: one core's worth of work each.
  bash -c 'while :; do :; done' &
  busy_pids+=($!)
done
echo "under_load: $n busy processes; load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2

started=$SECONDS
# COMMAND in a process group of its own, so that a signal reaches everything it started.
set -m
"$@" &
command_pid=$!
set +m
status=0
wait "$command_pid" || status=$?
echo "under_load: '$*' ended with status $status after $((SECONDS - started)) s; load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
exit "$status"
