#!/usr/bin/env bash
# The program's windows under a real window manager on a desktop of the given size: Enter in the
# start-up window opens the viewer; the viewer's and the results window's title bars are on the
# screen, and the results window's again after marathon mode on and off; the marathon finish
# entry keeps off the marathon window's menu and first rows and comes back at the same place
# start after start. Skips (exit 77) where no X server or window manager can be started.
set -uo pipefail
program=$1 demo=$2 size=${3:-1280x1024}
step_timeout=120
for tool in Xvfb xdotool xprop xwininfo openbox; do
  command -v $tool > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$(realpath "$0")")/../../tools/own_display.sh"
make_own_work
# On a failure the program's last lines are shown, and the screen kept where E2E_SHOT says.
fail() { echo "FAIL: $*"; tail -n 5 "$work/app.log" 2> /dev/null; [ -n "${E2E_SHOT:-}" ] && [ -n "${DISPLAY:-}" ] &&
  command -v ffmpeg > /dev/null && ffmpeg -loglevel quiet -y -f x11grab -video_size "$size" -i "$DISPLAY" -frames:v 1 "$E2E_SHOT"; exit 1; }

start_own_display "$work" "$size" || { echo "SKIP: no X server could be started: $own_display_error"; exit 77; }
screen_w=${size%x*}
start_window_manager || { echo "SKIP: no window manager started: $(head -c 300 "$work/wm.log")"; exit 77; }

export WAKELINE_HOME=$work HOME=$work XDG_DATA_HOME=$work/.local/share
mkdir -p "$work/.local/share/Wakeline"
printf '[Canoe]\r\n' > "$work/.local/share/Wakeline/Wakeline.ini"
heat=$work/Heat1_demo.qs2
"$demo" --lanes 3 "$heat" > "$work/demo.txt" || fail "make_demo_heat"

# The first visible window named $1, once it shows: a polling search that outlives windows going away.
win() { wait_window "$1"; }
# The frame of window $1 as "left top right bottom": its inside and the frame extents the window
# manager gives it.
frame() {
  local extents X Y WIDTH HEIGHT
  extents=$(frame_extents "$1")
  read -r X Y WIDTH HEIGHT < <(inside "$1")
  read -r l r t b <<< "$extents"
  echo "$((X - l)) $((Y - t)) $((X + WIDTH + r)) $((Y + HEIGHT + b))"
}
# The frame of window $1 once the window manager has placed it: the same in two looks in a row.
frame_unchanged() {
  local now
  now=$(frame "$1")
  [ "$now" = "$last_frame" ] && return 0
  last_frame=$now
  return 1
}
settled_frame() {
  last_frame=$(frame "$1")
  wait_until $step_timeout "window $1 to settle" frame_unchanged "$1" 2> /dev/null
  echo "$last_frame"
}
# The inside of window $1 on the screen: "x y width height".
inside() {
  xwininfo -id "$1" | sed -nE 's/^ +(Absolute upper-left [XY]|Width|Height): +(-?[0-9]+)$/\2/p' | tr '\n' ' '
}
# Window $1 has its title bar on the screen (the window manager may still be placing it).
title_bar_on_screen() {
  local left top right
  read -r left top right _ <<< "$(frame "$1")"
  [ "$top" -ge 0 ] && [ "$left" -ge 0 ] && [ "$right" -le "$screen_w" ]
}
# Window $2 (named $1 in messages) has its title bar on the screen once it is placed.
title_on_screen() {
  wait_until $step_timeout "$1's title bar to be on the $size screen" title_bar_on_screen "$2" ||
    fail "$1's title bar is off the $size screen: frame $(frame "$2")"
}
# The window $1 is gone or no longer shown.
window_gone() { ! xwininfo -id "$1" 2> /dev/null | grep -q 'IsViewable'; }
# answer_until WHAT BOX KEYS COMMAND...: until COMMAND succeeds, answers each of the program's
# message boxes named BOX that shows with KEYS, one box after the other; returns 1 saying it
# waited for WHAT when COMMAND did not succeed within step_timeout of the last box.
answer_until() {
  local what=$1 keys=$3
  box_name=$2
  shift 3
  while :; do
    box=
    wait_until $step_timeout "$what" done_or_box "$@" || { echo "visible: $(visible_window_names)" >&2; return 1; }
    [ -n "$box" ] || return 0
    xdotool windowactivate --sync "$box" 2> /dev/null
    xdotool key $keys
    wait_until $step_timeout "the message box '$box_name' to close after $keys" window_gone "$box" || return 1
  done
}
# COMMAND ($@) holds with no box named box_name up, or such a box shows (its id then in box).
done_or_box() {
  { "$@" && no_window "$box_name"; } && return 0
  box=$(xdotool search --onlyvisible --name "$box_name" 2> /dev/null | head -n1)
  [ -n "$box" ]
}
visible() { [ -n "$(xdotool search --onlyvisible --name "$1" 2> /dev/null)" ]; }
# The marathon window and its finish entry show, each message box on the way answered with Return.
marathon_shown() { visible "^Wakeline Marathon\$" && visible "Wakeline Marathon set time"; }
answer_until_marathon() {
  answer_until "the marathon window and its finish entry" "^Wakeline3_0\$" Return marathon_shown ||
    fail "no marathon window and finish entry"
}
# Clicks a menu entry of the viewer: the menu's title, then the entry (pixels inside the viewer).
menu() {
  open_menu "$viewer" "$1" "$2" || fail "the viewer's menu at $1,$2 did not open"
  xdotool mousemove --window "$viewer" "$3" "$4" click 1
}
display_marathon() { menu 67 8 96 337; }
# Exit is the File menu's last entry, wherever entries above it move.
file_exit() {
  open_menu "$viewer" 18 8 || fail "the viewer's File menu did not open"
  xdotool key Up Return
}
program_ended() { ! kill -0 "$app_pid" 2> /dev/null; }

start() {
  QT_QPA_PLATFORM=xcb "$program" "\"$heat\"" > "$work/app.log" 2>&1 &
  app_pid=$!
  local startup
  startup=$(win "Wakeline Startup") || fail "no startup window"
  xdotool windowactivate --sync "$startup" 2> /dev/null
  xdotool key Return
  viewer=$(win "file = ") || fail "Enter in the start-up window opened no viewer"
  wait_until $step_timeout "the start-up window to go" no_window "Wakeline Startup" || fail "the start-up window stayed"
}

start
results=$(win "Wakeline Results") || fail "no results window"
title_on_screen viewer "$viewer"
title_on_screen "the results window" "$results"

entry_frame=
for round in 1 2 3; do
  display_marathon
  answer_until_marathon
  marathon=$(win "^Wakeline Marathon$") || fail "no marathon window"
  entry=$(win "Wakeline Marathon set time") || fail "no finish entry"
  title_on_screen "the marathon window" "$marathon"
  title_on_screen "the finish entry" "$entry"
  # The marathon window's menu and its first three rows: its inside's first 160 pixels.
  read -r ml mt mr _ <<< "$(settled_frame "$marathon")"
  read -r _ inside_top _ _ < <(inside "$marathon")
  rows_bottom=$((inside_top + 160))
  read -r el et er eb <<< "$(settled_frame "$entry")"
  if [ "$el" -lt "$mr" ] && [ "$er" -gt "$ml" ] && [ "$et" -lt "$rows_bottom" ] && [ "$eb" -gt "$mt" ]; then
    fail "the finish entry ($el $et $er $eb) covers the marathon window's first rows ($ml $mt $mr $rows_bottom)"
  fi
  if [ -z "$entry_frame" ]; then entry_frame="$el $et $er $eb"
  else [ "$entry_frame" = "$el $et $er $eb" ] || fail "start $round: the finish entry moved from $entry_frame to $el $et $er $eb"
  fi
  if [ "$round" = 1 ]; then
    display_marathon
    results=$(win "Wakeline Results") || fail "no results window after marathon mode"
    title_on_screen "the results window after marathon mode" "$results"
    display_marathon
    answer_until_marathon
  fi
  # The program ends with the marathon windows up, and starts again.
  file_exit
  # OK, not the default Cancel.
  answer_until "the program's end after File > Exit" "^Wakeline Exit\$" "shift+Tab space" program_ended ||
    fail "File > Exit did not end the program"
  [ "$round" = 3 ] || start
done
app_pid=
echo "PASS: $size"
