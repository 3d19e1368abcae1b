#!/usr/bin/env bash
# The crew's road with the finish reader under a real X server: open a demo heat whose goal line
# lies under the boats, and with nothing but N and Enter confirm each lane's proposal; the
# recording then holds every lane as proposed and confirmed, and the exported time of the first
# place lies within one field (20 ms) of the printed crossing. Skips (exit 77) where no X server
# can be started.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/Road_common.sh"
road_heat 1 --line-under-boats
road_start

# The reader works in the background: until it is done N finds nothing, so the keys are pressed
# again until the recording says every lane was confirmed (or the deadline passes).
confirmed_lanes() { grep -ao '<result_made>confirmed</result_made>' "$heat" | wc -l; }
keys_confirmed_all() {
  xdotool windowfocus "$viewer" 2> /dev/null
  xdotool key --delay 50 n Return 2> /dev/null
  [ "$(confirmed_lanes)" -ge 3 ]
}
wait_until $step_timeout "every lane confirmed by N and Enter" keys_confirmed_all ||
  fail "after N and Enter the recording holds $(confirmed_lanes) confirmed lanes of 3"
road_export
printed=$(sed -nE "s/^lane $csv_lane: frame [0-9]+ field [0-9]+ race time ([0-9]+) ms .*/\1/p" "$work/demo.txt")
[ -n "$printed" ] || fail "no printed crossing for lane $csv_lane"
echo "place 1, lane $csv_lane: printed race time $printed ms, exported $csv_ms ms (hundredths)"
diff=$(( csv_ms - printed ))
[ ${diff#-} -le 20 ] || fail "the confirmed time of place 1 is $diff ms off the printed crossing"
echo "PASS"
