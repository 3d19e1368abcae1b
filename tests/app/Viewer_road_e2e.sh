#!/usr/bin/env bash
# A crew's road through the program under a real X server: open a demo heat, step to a boat's
# printed field with the arrow key, S+click its lane, correct the start by one second with the
# mouse, export CSV. The time in the file must differ from the printed race time by exactly one
# second. Skips (exit 77) where no X server can be started.
set -uo pipefail
program=$1 demo=$2
step_timeout=10
for tool in Xvfb xdotool; do
  command -v $tool > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$(realpath "$0")")/../../tools/own_display.sh"
make_own_work
fail() { echo "FAIL: $*"; [ -n "${DISPLAY:-}" ] && command -v ffmpeg > /dev/null &&
  ffmpeg -loglevel quiet -y -f x11grab -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "${E2E_SHOT:-/tmp/wakeline_e2e_fail.png}"; exit 1; }

# A display of our own.
start_own_display "$work" || { echo "SKIP: no X server could be started: $own_display_error"; exit 77; }

# A fresh home with settings, and the demo heat.
export WAKELINE_HOME=$work HOME=$work XDG_DATA_HOME=$work/.local/share
mkdir -p "$work/.local/share/Wakeline"
printf '[Canoe]\r\n' > "$work/.local/share/Wakeline/Wakeline.ini"
heat=$work/Heat1_demo.qs2
"$demo" --lanes 3 "$heat" > "$work/demo.txt" || fail "make_demo_heat"
read -r lane frame field race_ms mark_x mark_y < <(sed -nE \
  's/^lane ([0-9]+): frame ([0-9]+) field ([0-9]+) race time ([0-9]+) ms .* mark at ([0-9]+),([0-9]+)$/\1 \2 \3 \4 \5 \6/p' \
  "$work/demo.txt" | head -n1)
[ -n "${mark_y:-}" ] || fail "no crossing printed: $(cat "$work/demo.txt")"
target_field=$(( 2 * (frame - 1) + field ))

QT_QPA_PLATFORM=xcb "$program" "$heat" > "$work/app.log" 2>&1 &
app_pid=$!
win() { timeout $step_timeout xdotool search --sync --onlyvisible --name "$1" | head -n1; }
startup=$(win "Wakeline Startup") || fail "no startup window"
# The Go button along the window's bottom.
xdotool mousemove --window "$startup" 180 257 click 1
results=$(win "Wakeline Results") || fail "no results window"
# The viewer: the program's other shown window, the one whose left edge is the screen's.
viewer=
for w in $(xdotool search --onlyvisible --pid "$app_pid" 2> /dev/null); do
  [ "$w" = "$results" ] && continue
  eval "$(xdotool getwindowgeometry --shell "$w")"
  [ "$X" = 0 ] && [ "$WIDTH" -gt 700 ] && viewer=$w
done
[ -n "$viewer" ] || fail "no viewer"

# Step to the boat's field with the arrow key: the slider has the focus and starts at field 1.
xdotool windowfocus --sync "$viewer" 2> /dev/null
xdotool key --delay 20 --repeat $(( target_field - 1 )) Right
sleep 0.5
# S+click on the lane's mark (the picture lies below the menu bar).
xdotool keydown s
xdotool mousemove --window "$viewer" "$mark_x" $(( mark_y + 20 )) click 1
xdotool keyup s
sleep 0.5
# Correct the start by one second: the seconds part of the correction, then the up button.
xdotool mousemove --window "$results" 141 600 click 1
sleep 0.3
xdotool mousemove --window "$results" 259 559 click 1
sleep 0.5
xdotool mousemove --window "$results" 62 792 click 1
csv=$work/WK_Result_Heat1.csv
for _ in $(seq $(( step_timeout * 10 ))); do [ -s "$csv" ] && break; sleep 0.1; done
[ -s "$csv" ] || fail "no CSV written"
# Line 2: place;lane; mm:ss,hh;difference. The printed time is shown in hundredths, cut.
shown=$(sed -n 2p "$csv" | cut -d';' -f3 | tr -d ' \r')
[[ "$shown" =~ ^([0-9]+):([0-9]+),([0-9]+)$ ]] || fail "no time in the CSV: $(cat "$csv")"
csv_ms=$(( (10#${BASH_REMATCH[1]} * 60 + 10#${BASH_REMATCH[2]}) * 1000 + 10#${BASH_REMATCH[3]} * 10 ))
printed_ms=$(( race_ms / 10 * 10 ))
echo "lane $lane: printed race time $printed_ms ms, exported $csv_ms ms after a start corrected by one second"
[ $(( printed_ms - csv_ms )) -eq 1000 ] || fail "the exported time is not one second less than the printed one"
echo "PASS"
