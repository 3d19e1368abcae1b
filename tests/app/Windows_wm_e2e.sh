#!/usr/bin/env bash
# The program's windows under a real window manager on a desktop of the given size: Enter in the
# start-up window opens the viewer; the viewer's and the results window's title bars are on the
# screen, and the results window's again after marathon mode on and off; the marathon finish
# entry keeps off the marathon window's menu and first rows and comes back at the same place
# start after start. Skips (exit 77) where no X server or window manager can be started.
set -uo pipefail
program=$1 demo=$2 size=${3:-1280x1024}
step_timeout=10
for tool in Xvfb xdotool xprop xwininfo openbox; do
  command -v $tool > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$(realpath "$0")")/../../tools/own_display.sh"
make_own_work
fail() { echo "FAIL: $*"; tail -n 5 "$work/app.log" 2> /dev/null; [ -n "${DISPLAY:-}" ] && command -v ffmpeg > /dev/null &&
  ffmpeg -loglevel quiet -y -f x11grab -video_size "$size" -i "$DISPLAY" -frames:v 1 "${E2E_SHOT:-/tmp/wakeline_wm_e2e_fail.png}"; exit 1; }

start_own_display "$work" "$size" || { echo "SKIP: no X server could be started: $own_display_error"; exit 77; }
screen_w=${size%x*}
openbox > "$work/wm.log" 2>&1 &
wm_pid=$!
wm_up=
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id" && { wm_up=1; break; }
  sleep 0.1
done
[ -n "$wm_up" ] || { echo "SKIP: no window manager started: $(head -c 300 "$work/wm.log")"; exit 77; }

export WAKELINE_HOME=$work HOME=$work XDG_DATA_HOME=$work/.local/share
mkdir -p "$work/.local/share/Wakeline"
printf '[Canoe]\r\n' > "$work/.local/share/Wakeline/Wakeline.ini"
heat=$work/Heat1_demo.qs2
"$demo" --lanes 3 "$heat" > "$work/demo.txt" || fail "make_demo_heat"

win() { timeout $step_timeout xdotool search --sync --onlyvisible --name "$1" | head -n1; }
# The frame of window $1 as "left top right bottom": its inside and the frame extents the window
# manager gives it.
frame() {
  local extents X Y WIDTH HEIGHT
  for _ in $(seq 30); do
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2> /dev/null | sed -nE 's/.*= ([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+)$/\1 \2 \3 \4/p')
    [ -n "$extents" ] && break
    sleep 0.1
  done
  [ -n "$extents" ] || extents="0 0 0 0"
  read -r X Y WIDTH HEIGHT < <(inside "$1")
  read -r l r t b <<< "$extents"
  echo "$((X - l)) $((Y - t)) $((X + WIDTH + r)) $((Y + HEIGHT + b))"
}
# The inside of window $1 on the screen: "x y width height".
inside() {
  xwininfo -id "$1" | sed -nE 's/^ +(Absolute upper-left [XY]|Width|Height): +(-?[0-9]+)$/\2/p' | tr '\n' ' '
}
# Window $2 (named $1 in messages) has its title bar on the screen.
title_on_screen() {
  read -r left top right _ <<< "$(frame "$2")"
  [ "$top" -ge 0 ] && [ "$left" -ge 0 ] && [ "$right" -le "$screen_w" ] ||
    fail "$1's title bar is off the $size screen: frame $(frame "$2")"
}
# Answers the program's message boxes (named $1, "Wakeline3_0" unless given) with the keys $2
# (Return, for the default button, unless given).
answer_messages() {
  local quiet=0 box
  # Done once none has come for two looks in a row: one box may follow another.
  for _ in $(seq 12); do
    sleep 0.6
    box=$(xdotool search --onlyvisible --name "${1:-^Wakeline3_0\$}" 2> /dev/null | head -n1)
    if [ -z "$box" ]; then
      quiet=$((quiet + 1))
      [ $quiet -ge 2 ] && return 0
      continue
    fi
    quiet=0
    xdotool windowactivate --sync "$box" 2> /dev/null
    xdotool key ${2:-Return}
  done
}
# Clicks a menu entry of the viewer: the menu's title, then the entry (pixels inside the viewer).
menu() {
  xdotool mousemove --window "$viewer" "$1" "$2" click 1
  sleep 0.7
  xdotool mousemove --window "$viewer" "$3" "$4" click 1
}
display_marathon() { menu 67 8 96 337; }
# Exit is the File menu's last entry, wherever entries above it move.
file_exit() {
  xdotool mousemove --window "$viewer" 18 8 click 1
  sleep 0.7
  xdotool key Up Return
}

start() {
  QT_QPA_PLATFORM=xcb "$program" "\"$heat\"" > "$work/app.log" 2>&1 &
  app_pid=$!
  local startup
  startup=$(win "Wakeline Startup") || fail "no startup window"
  xdotool windowactivate --sync "$startup" 2> /dev/null
  xdotool key Return
  viewer=$(win "file = ") || fail "Enter in the start-up window opened no viewer"
  sleep 1
}

start
results=$(win "Wakeline Results") || fail "no results window"
title_on_screen viewer "$viewer"
title_on_screen "the results window" "$results"

entry_frame=
for round in 1 2 3; do
  display_marathon
  answer_messages
  marathon=$(win "^Wakeline Marathon$") || fail "no marathon window"
  entry=$(win "Wakeline Marathon set time") || fail "no finish entry"
  sleep 0.5
  title_on_screen "the marathon window" "$marathon"
  title_on_screen "the finish entry" "$entry"
  # The marathon window's menu and its first three rows: its inside's first 160 pixels.
  read -r ml mt mr _ <<< "$(frame "$marathon")"
  read -r _ inside_top _ _ < <(inside "$marathon")
  rows_bottom=$((inside_top + 160))
  read -r el et er eb <<< "$(frame "$entry")"
  if [ "$el" -lt "$mr" ] && [ "$er" -gt "$ml" ] && [ "$et" -lt "$rows_bottom" ] && [ "$eb" -gt "$mt" ]; then
    fail "the finish entry ($el $et $er $eb) covers the marathon window's first rows ($ml $mt $mr $rows_bottom)"
  fi
  if [ -z "$entry_frame" ]; then entry_frame="$el $et $er $eb"
  else [ "$entry_frame" = "$el $et $er $eb" ] || fail "start $round: the finish entry moved from $entry_frame to $el $et $er $eb"
  fi
  if [ "$round" = 1 ]; then
    display_marathon
    results=$(win "Wakeline Results") || fail "no results window after marathon mode"
    sleep 0.5
    title_on_screen "the results window after marathon mode" "$results"
    display_marathon
    answer_messages
  fi
  # The program ends with the marathon windows up, and starts again.
  file_exit
  answer_messages "^Wakeline Exit\$" "shift+Tab space" # OK, not the default Cancel
  for _ in $(seq $((step_timeout * 10))); do kill -0 "$app_pid" 2> /dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2> /dev/null && fail "File > Exit did not end the program"
  [ "$round" = 3 ] || start
done
app_pid=
echo "PASS: $size"
