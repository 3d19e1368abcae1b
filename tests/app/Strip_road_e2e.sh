#!/usr/bin/env bash
# The finish strip's road under a real X server: open a demo heat, show Display > Finish strip,
# S+click a boat's crossing column in the strip, export CSV. The exported time must be the printed
# race time of that boat's field. Skips (exit 77) where no X server can be started.
set -uo pipefail
program=$1 demo=$2
step_timeout=10
for tool in Xvfb xdotool; do
  command -v $tool > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$(realpath "$0")")/../../tools/own_display.sh"
make_own_work
fail() { echo "FAIL: $*"; [ -n "${DISPLAY:-}" ] && command -v ffmpeg > /dev/null &&
  ffmpeg -loglevel quiet -y -f x11grab -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "${E2E_SHOT:-/tmp/wakeline_strip_e2e_fail.png}"; exit 1; }

start_own_display "$work" || { echo "SKIP: no X server could be started: $own_display_error"; exit 77; }

export WAKELINE_HOME=$work HOME=$work XDG_DATA_HOME=$work/.local/share
mkdir -p "$work/.local/share/Wakeline"
printf '[Canoe]\r\n' > "$work/.local/share/Wakeline/Wakeline.ini"
heat=$work/Heat1_demo.qs2
# The line under the boats, as a real goal line lies, so the strip shows them.
"$demo" --lanes 3 --line-under-boats "$heat" > "$work/demo.txt" || fail "make_demo_heat"
# The second lane's crossing: the first lane's boat has the strip's first columns to itself.
read -r lane frame field race_ms mark_x mark_y < <(sed -nE \
  's/^lane ([0-9]+): frame ([0-9]+) field ([0-9]+) race time ([0-9]+) ms .* mark at ([0-9]+),([0-9]+)$/\1 \2 \3 \4 \5 \6/p' \
  "$work/demo.txt" | sed -n 2p)
[ -n "${mark_y:-}" ] || fail "no crossing printed: $(cat "$work/demo.txt")"
target_field=$(( 2 * (frame - 1) + field ))

QT_QPA_PLATFORM=xcb "$program" "$heat" > "$work/app.log" 2>&1 &
app_pid=$!
win() { timeout $step_timeout xdotool search --sync --onlyvisible --name "$1" | head -n1; }
startup=$(win "Wakeline Startup") || fail "no startup window"
xdotool mousemove --window "$startup" 180 257 click 1
results=$(win "Wakeline Results") || fail "no results window"
viewer=$(win "file = ") || fail "no viewer"

# Display > Finish strip, the menu's last entry.
xdotool mousemove --window "$viewer" 66 8 click 1
sleep 0.7
xdotool key Up Return
strip=$(win "^Finish strip$") || fail "Display > Finish strip showed no strip"
sleep 3 # built in the background: 96 frames
# The strip opens at two pixels a field from the first field; its rows are the goal line's
# pixels from top to bottom, 576 of them over the strip's height.
eval "$(xdotool getwindowgeometry --shell "$strip")"
strip_height=$(( HEIGHT - 42 ))
x=$(( 2 * (target_field - 1) + 1 ))
y=$(( mark_y * strip_height / 576 ))
xdotool keydown s
xdotool mousemove --window "$strip" "$x" "$y" click 1
xdotool keyup s
sleep 0.5
# Export the CSV from the results window.
xdotool mousemove --window "$results" 62 792 click 1
csv=$work/WK_Result_Heat1.csv
for _ in $(seq $(( step_timeout * 10 ))); do [ -s "$csv" ] && break; sleep 0.1; done
[ -s "$csv" ] || fail "no CSV written (the S+click on the strip placed nothing)"
row=$(sed -n 2p "$csv" | tr -d ' \r')
[[ "$row" =~ ^1\;([0-9]+)\;([0-9]+):([0-9]+),([0-9]+)\; ]] || fail "no placed row in the CSV: $(cat "$csv")"
csv_lane=${BASH_REMATCH[1]}
csv_ms=$(( (10#${BASH_REMATCH[2]} * 60 + 10#${BASH_REMATCH[3]}) * 1000 + 10#${BASH_REMATCH[4]} * 10 ))
printed_ms=$(( race_ms / 10 * 10 ))
echo "lane $lane at field $target_field: printed $printed_ms ms; the strip's S+click exported lane $csv_lane at $csv_ms ms"
[ "$csv_lane" = "$lane" ] || fail "the click placed lane $csv_lane, not lane $lane"
[ "$csv_ms" -eq "$printed_ms" ] || fail "the exported time is not the printed race time"
echo "PASS"
