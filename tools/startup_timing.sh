#!/usr/bin/env bash
# startup_timing.sh PROGRAM MAKE_DEMO_HEAT [RUNS]: the program's start-up, RUNS times (default 7)
# under an X server of its own, on a demo heat in a fresh home: the time from exec to `main`,
# and from the release of the start window's Go button to the viewer's first painted picture of
# the heat (both written by the program when WK_STARTUP_TRACE is set). Prints each run and the
# medians. Needs Xvfb, xdotool and python3.
set -uo pipefail
program=$(realpath "$1") demo=$(realpath "$2") runs=${3:-7}
source "$(dirname "$(realpath "$0")")/own_display.sh"
make_own_work
start_own_display "$work" || { echo "no X server could be started: $own_display_error"; exit 1; }
export QT_QPA_PLATFORM=xcb WK_STARTUP_TRACE=1
export WAKELINE_HOME=$work HOME=$work XDG_DATA_HOME=$work/.local/share
mkdir -p "$work/.local/share/Wakeline"
printf '[Canoe]\r\n' > "$work/.local/share/Wakeline/Wakeline.ini"
"$demo" --lanes 6 "$work/Heat1_demo.qs2" > /dev/null || { echo "make_demo_heat failed"; exit 1; }

pre=() go=() pre_cpu=() go_cpu=()
for run in $(seq "$runs"); do
  # The exec is stamped on the clocks the program stamps `main` with; the process keeps its
  # processor time across the exec, so the launcher's own is taken off.
  python3 -c 'import os, sys, time
print("exec at monotonic %.3f ms, after %.3f ms processor" % (time.clock_gettime(time.CLOCK_MONOTONIC) * 1e3,
      time.clock_gettime(time.CLOCK_PROCESS_CPUTIME_ID) * 1e3), file=sys.stderr, flush=True)
os.execv(sys.argv[1], sys.argv[1:])' "$program" "$work/Heat1_demo.qs2" 2> "$work/app.log" &
  app_pid=$!
  startup=$(timeout 10 xdotool search --sync --onlyvisible --name "Wakeline Startup" | head -n1)
  [ -n "$startup" ] || { echo "run $run: no start window"; cat "$work/app.log"; exit 1; }
  sleep 0.3 # let the start window settle before Go
  xdotool mousemove --window "$startup" 180 257 click 1
  for _ in $(seq 100); do grep -q "first viewer picture" "$work/app.log" && break; sleep 0.1; done
  kill "$app_pid" 2> /dev/null
  wait "$app_pid" 2> /dev/null
  app_pid=
  read -r exec_ms exec_cpu < <(sed -nE 's/^exec at monotonic ([0-9.]+) ms, after ([0-9.]+) ms processor$/\1 \2/p' "$work/app.log")
  read -r main_ms main_cpu < <(sed -nE 's/^startup: main at monotonic ([0-9.]+) ms, after ([0-9.]+) ms processor$/\1 \2/p' "$work/app.log")
  read -r go_ms go_cpu_ms < <(sed -nE 's/^startup: first viewer picture painted ([0-9.]+) ms after Go \(([0-9.]+) ms processor\)$/\1 \2/p' "$work/app.log")
  [ -n "${exec_cpu:-}" ] && [ -n "${main_cpu:-}" ] && [ -n "${go_cpu_ms:-}" ] || { echo "run $run: no figures"; cat "$work/app.log"; exit 1; }
  pre+=("$(python3 -c "print('%.1f' % ($main_ms - $exec_ms))")") pre_cpu+=("$(python3 -c "print('%.1f' % ($main_cpu - $exec_cpu))")")
  go+=("$go_ms") go_cpu+=("$go_cpu_ms")
  echo "run $run: exec to main ${pre[-1]} ms (${pre_cpu[-1]} ms processor), Go to first painted picture $go_ms ms ($go_cpu_ms ms processor)"
done
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
echo "median of $runs runs: exec to main $(median "${pre[@]}") ms ($(median "${pre_cpu[@]}") ms processor)," \
  "Go to first painted picture $(median "${go[@]}") ms ($(median "${go_cpu[@]}") ms processor)"
