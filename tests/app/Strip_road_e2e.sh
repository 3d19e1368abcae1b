#!/usr/bin/env bash
# The finish strip's road under a real X server: open a demo heat, show Display > Finish strip,
# S+click a boat's crossing column in the strip, export CSV. The exported time must be the printed
# race time of that boat's field. Skips (exit 77) where no X server can be started.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/Road_common.sh"
# The line under the boats, as a real goal line lies, so the strip shows them; the second lane's
# crossing, as the first lane's boat has the strip's first columns to itself.
road_heat 2 --line-under-boats
road_start

# Display > Finish strip, the menu's last entry.
open_menu "$viewer" 66 8 || fail "the Display menu did not open"
xdotool key Up Return
# The strip takes clicks once it shows, built or not: a click names a field, not a picture.
strip=$(win "^Finish strip$") || fail "Display > Finish strip showed no strip"
# The strip opens at two pixels a field from the first field; its rows are the goal line's
# pixels from top to bottom, 576 of them over the strip's height.
eval "$(xdotool getwindowgeometry --shell "$strip")"
strip_height=$(( HEIGHT - 42 ))
x=$(( 2 * (target_field - 1) + 1 ))
y=$(( mark_y * strip_height / 576 ))
xdotool keydown s
xdotool mousemove --window "$strip" "$x" "$y" click 1
xdotool keyup s
road_export
echo "lane $lane at field $target_field: printed $printed_ms ms; the strip's S+click exported lane $csv_lane at $csv_ms ms"
[ "$csv_lane" = "$lane" ] || fail "the click placed lane $csv_lane, not lane $lane"
[ "$csv_ms" -eq "$printed_ms" ] || fail "the exported time is not the printed race time"
echo "PASS"
