#!/usr/bin/env bash
# Windows around the finish picture under a real window manager on a desktop of the given size:
# the marathon window, the finish entry and the finish strip open beside or under the picture,
# never over it or the viewer's controls (on the wide desktop clear of the whole viewer), and a
# click on the picture leaves the marathon windows above the viewer. With SHOTS set, screenshots
# go into that folder.
# Skips (exit 77) where no X server or window manager can be started.
set -uo pipefail
program=$1 demo=$2 size=${3:-1280x1024}
step_timeout=120
for tool in Xvfb xdotool xprop xwininfo openbox; do
  command -v $tool > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$(realpath "$0")")/../../tools/own_display.sh"
make_own_work
shot() { [ -n "${SHOTS:-}" ] && command -v ffmpeg > /dev/null &&
  ffmpeg -loglevel quiet -y -f x11grab -video_size "$size" -i "$DISPLAY" -frames:v 1 "$SHOTS/$1_$size.png"; }
fail() { echo "FAIL ($size): $*"; tail -n 5 "$work/app.log" 2> /dev/null; SHOTS=${SHOTS:-/tmp} shot failed; exit 1; }

start_own_display "$work" "$size" || { echo "SKIP: no X server could be started: $own_display_error"; exit 77; }
screen_w=${size%x*} screen_h=${size#*x}
start_window_manager || { echo "SKIP: no window manager started: $(head -c 300 "$work/wm.log")"; exit 77; }

export WAKELINE_HOME=$work HOME=$work XDG_DATA_HOME=$work/.local/share
mkdir -p "$work/.local/share/Wakeline"
printf '[Canoe]\r\n' > "$work/.local/share/Wakeline/Wakeline.ini"
heat=$work/Heat1_demo.qs2
"$demo" --lanes 3 "$heat" > "$work/demo.txt" || fail "make_demo_heat"

win() { wait_window "$1"; }
# The inside of window $1 on the screen: "x y width height".
inside() { xwininfo -id "$1" | sed -nE 's/^ +(Absolute upper-left [XY]|Width|Height): +(-?[0-9]+)$/\2/p' | tr '\n' ' '; }
# The frame of window $1, title bar included: "left top right bottom" (right and bottom outside).
frame() {
  local x y w h l r t b
  read -r l r t b <<< "$(frame_extents "$1")"
  read -r x y w h < <(inside "$1")
  echo "$((x - l)) $((y - t)) $((x + w + r)) $((y + h + b))"
}
# Whether the boxes "l t r b" $1 and $2 overlap.
overlap() {
  read -r al at ar ab <<< "$1"
  read -r bl bt br bb <<< "$2"
  [ "$al" -lt "$br" ] && [ "$bl" -lt "$ar" ] && [ "$at" -lt "$bb" ] && [ "$bt" -lt "$ab" ]
}
on_screen() {
  read -r l t r b <<< "$(frame "$2")"
  [ "$l" -ge 0 ] && [ "$t" -ge 0 ] && [ "$r" -le "$screen_w" ] && [ "$b" -le "$screen_h" ] ||
    fail "$1 is not wholly on the screen: $(frame "$2")"
}
# The viewer's column of controls beside the picture, as wide as the viewer is now (it narrows
# to make room for the marathon window on a narrow desktop).
controls() {
  local x y w
  read -r x y w _ < <(inside "$viewer")
  echo "$((x + picture_w + 2)) $((y + 22)) $((x + w - 2)) $((y + 20 + picture_h - 2))"
}
# The picture: the viewer's inside under its menu bar (about 20 pixels; two either way are not
# counted), a frame's size (720 x 576 upright, 576 x 720 turned).
picture_at() {
  local vx vy
  picture_w=$1 picture_h=$2
  read -r vx vy _ _ < <(inside "$viewer")
  picture="$((vx + 2)) $((vy + 22)) $((vx + picture_w - 2)) $((vy + 20 + picture_h - 2))"
}
show_rotated() {
  open_menu "$viewer" 66 8 || fail "the Display menu did not open"
  xdotool key Down Down Down Return # Show rotated
}
clear_of_picture() {
  on_screen "$1" "$2"
  overlap "$(frame "$2")" "$picture" && fail "$1 ($(frame "$2")) covers the picture ($picture)"
  overlap "$(frame "$2")" "$(controls)" && fail "$1 ($(frame "$2")) covers the viewer's controls ($(controls))"
  [ "$screen_w" -ge 1920 ] && overlap "$(frame "$2")" "$(frame "$viewer")" &&
    fail "$1 ($(frame "$2")) covers the viewer ($(frame "$viewer")) with room beside it"
  return 0
}
# Window $2 lies above window $1 in the window manager's stacking order.
above() {
  local order
  order=$(xprop -root _NET_CLIENT_LIST_STACKING | sed -E 's/.*# //; s/,//g')
  local lower upper i=0 lo=-1 up=-1
  lower=$(printf '0x%x' "$1") upper=$(printf '0x%x' "$2")
  for id in $order; do
    [ "$((id))" = "$((lower))" ] && lo=$i
    [ "$((id))" = "$((upper))" ] && up=$i
    i=$((i + 1))
  done
  [ "$up" -gt "$lo" ]
}
# Message boxes the program shows on the way (answered with Enter) until window $1 shows, or,
# with "gone", until no window named $2 is left.
message_box() { xdotool search --onlyvisible --name '^Wakeline3_0$' 2> /dev/null | head -n1; }
answered_until() {
  local box
  box=$(message_box)
  if [ -n "$box" ]; then
    xdotool windowactivate --sync "$box" 2> /dev/null
    xdotool key Return
    return 1
  fi
  if [ "$1" = gone ]; then no_window "$2"; else [ -n "$(xdotool search --onlyvisible --name "$1" 2> /dev/null)" ]; fi
}
menu() {
  open_menu "$viewer" "$1" "$2" || fail "no menu opened"
  xdotool mousemove --window "$viewer" "$3" "$4" click 1
}
viewer_active() { [ "$(xdotool getactivewindow 2> /dev/null)" = "$viewer" ]; }
clear_of() { ! overlap "$(frame "$1")" "$picture" && ! overlap "$(frame "$1")" "$(controls)"; }

QT_QPA_PLATFORM=xcb "$program" "\"$heat\"" > "$work/app.log" 2>&1 &
app_pid=$!
startup=$(win "Wakeline Startup") || fail "no startup window"
# Enter goes to the start-up window once it has the keyboard; on a busy machine the first may come
# before it does.
for _ in 1 2; do
  xdotool windowactivate --sync "$startup" 2> /dev/null
  xdotool key Return
  viewer=$(win "file = ") && break
done
[ -n "$viewer" ] || fail "Enter in the start-up window opened no viewer"
picture_at 720 576
shot viewer

menu 67 8 96 337 # Display > Marathon
wait_until $step_timeout "the marathon window, answering what is asked" answered_until "^Wakeline Marathon$" ||
  fail "no marathon window"
marathon=$(win "^Wakeline Marathon$") || fail "no marathon window"
entry=$(win "Wakeline Marathon set time") || fail "no finish entry"
# Placed once shown: the test waits for them to be clear, and fails where they never are.
wait_until $step_timeout "the marathon windows clear of the picture" clear_of "$marathon" &&
  wait_until $step_timeout "the finish entry clear of the picture" clear_of "$entry"
clear_of_picture "the marathon window" "$marathon"
clear_of_picture "the finish entry" "$entry"
overlap "$(frame "$entry")" "$(frame "$marathon")" && fail "the finish entry covers the marathon window"
# Cut to fit, the marathon window keeps its heats' starts, Start and Stop (drawn 362 wide).
read -r _ _ marathon_w _ < <(inside "$marathon")
[ "$marathon_w" -ge 362 ] || fail "the marathon window is cut to $marathon_w, hiding its heats' starts"
shot marathon
# A click on the picture raises the viewer; the marathon windows stay above it.
xdotool mousemove --window "$viewer" 360 300 click 1
wait_until $step_timeout "the viewer taking the click" viewer_active || fail "a click on the picture left the viewer inactive"
above "$viewer" "$marathon" || fail "a click on the picture put the viewer over the marathon window"
above "$viewer" "$entry" || fail "a click on the picture put the viewer over the finish entry"
# Turned, the picture reaches down where the finish entry was: both go around it again.
show_rotated
picture_at 576 720
wait_until $step_timeout "the marathon windows clear of the turned picture" clear_of "$marathon" &&
  wait_until $step_timeout "the finish entry clear of the turned picture" clear_of "$entry"
clear_of_picture "the marathon window" "$marathon"
clear_of_picture "the finish entry" "$entry"
shot marathon_turned
show_rotated
picture_at 720 576
menu 67 8 96 337 # marathon mode off
wait_until $step_timeout "the marathon window to go, answering what is asked" answered_until gone "^Wakeline Marathon$" ||
  fail "the marathon window stayed"

open_menu "$viewer" 66 8 || fail "the Display menu did not open" # Finish strip, the menu's last entry
xdotool key Up Return
strip=$(win "^Finish strip$") || fail "Display > Finish strip showed no strip"
wait_until $step_timeout "the finish strip clear of the picture" clear_of "$strip"
clear_of_picture "the finish strip" "$strip"
xdotool mousemove --window "$viewer" 360 300 click 1
wait_until $step_timeout "the viewer taking the click" viewer_active
shot strip
echo "PASS: $size viewer $(frame "$viewer") marathon $(frame "$marathon") entry $(frame "$entry") strip $(frame "$strip")"
