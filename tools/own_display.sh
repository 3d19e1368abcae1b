# Sourced by scripts that drive the program under an X server of their own.
# start_own_display WORK [WIDTHxHEIGHT]: starts Xvfb (1280x1024 unless given, 24 bit) with its
# files in WORK, sets x_pid (for the caller's cleanup) and exports DISPLAY. Returns 1, with the
# server's first words in own_display_error, when no server could be started.
# The server never resets: by default it does when its last client leaves, and a client that
# connects while it resets is refused (the short xdotool searches that wait for the program's
# first window leave that way again and again while the program starts).
start_own_display() {
  # The server writes its display's number down the pipe once it takes connections, and ends
  # the pipe when it fails to start: the read waits for either (its bound only catches a hang).
  mkfifo "$1/display" || { own_display_error="no pipe in $1"; return 1; }
  Xvfb -displayfd 3 -screen 0 "${2:-1280x1024}x24" -nolisten tcp -noreset 3> "$1/display" 2> "$1/xvfb.log" &
  x_pid=$!
  local number=
  read -r -t 120 number < "$1/display"
  if ! [[ $number =~ ^[0-9]+$ ]]; then
    own_display_error=$(head -c 300 "$1/xvfb.log")
    return 1
  fi
  export DISPLAY=":$number"
}

# make_own_work: sets work to a fresh folder; at exit the program in app_pid and the X server are
# stopped and the folder removed.
make_own_work() {
  work=$(mktemp -d)
  trap own_work_cleanup EXIT
}
own_work_cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2> /dev/null
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2> /dev/null
  [ -n "${x_pid:-}" ] && kill "$x_pid" 2> /dev/null
  wait 2> /dev/null
  rm -rf "$work"
}

# visible_window_names: the names of the visible windows, one a line (for failure messages).
visible_window_names() {
  local id
  for id in $(xdotool search --onlyvisible --name '' 2> /dev/null); do
    xdotool getwindowname "$id" 2> /dev/null
  done | sort -u | sed '/^$/d' | tr '\n' '|'
}

# wait_window PATTERN [SECONDS]: prints the id of the first visible window whose name matches
# PATTERN once one shows, within SECONDS (step_timeout, else 10, unless given). A window that
# goes away while the search walks the tree ends xdotool with an X error (and a failing status)
# after it printed the windows it had found: those count, and without any the search is tried
# again. Returns 1 with what it waited for and the windows there were on standard error when
# none showed.
# When the program in app_pid ends first, it returns 1 at once, saying so.
wait_window() {
  local pattern=$1 seconds=${2:-${step_timeout:-10}}
  window_ids=
  wait_until "$seconds" "a visible window named '$pattern'" window_or_program_gone "$pattern" 2> /dev/null
  if [ -z "$window_ids" ]; then
    if program_gone; then
      echo "the program ended while a visible window named '$pattern' was awaited" >&2
    else
      echo "waited $seconds s for a visible window named '$pattern'; visible: $(visible_window_names)" >&2
    fi
    return 1
  fi
  head -n1 <<< "$window_ids"
}
program_gone() { [ -n "${app_pid:-}" ] && ! kill -0 "$app_pid" 2> /dev/null; }
window_or_program_gone() { windows_named "$1" || program_gone; }
# windows_named PATTERN: sets window_ids to the visible windows whose name matches; 1 with none.
windows_named() {
  window_ids=$(xdotool search --onlyvisible --name "$1" 2> /dev/null)
  [ -n "$window_ids" ]
}

# wait_until SECONDS WHAT COMMAND...: runs COMMAND until it succeeds, within SECONDS; returns 1
# with "waited for WHAT" on standard error when it never did.
wait_until() {
  local seconds=$1 what=$2 deadline=$((SECONDS + $1))
  shift 2
  until "$@"; do
    if [ $SECONDS -ge "$deadline" ]; then
      echo "waited $seconds s for $what" >&2
      return 1
    fi
    sleep 0.1
  done
}

# The program's (app_pid's) visible windows: a menu that opens is one more.
program_windows() { xdotool search --onlyvisible --pid "$app_pid" 2> /dev/null | wc -l; }
more_program_windows_than() { [ "$(program_windows)" -gt "$1" ]; }
# open_menu WINDOW X Y: clicks the menu title at X,Y inside WINDOW and waits for its menu to
# show; returns 1 saying so when it did not.
open_menu() {
  local before
  before=$(program_windows)
  xdotool mousemove --window "$1" "$2" "$3" click 1
  wait_until "${step_timeout:-10}" "the menu at $2,$3 of window $1 to open" more_program_windows_than "$before"
}

# no_window PATTERN: no visible window's name matches PATTERN, by a search that walked the whole
# tree (xdotool ends 1 both when it found none and when an X error cut it short: the error
# is told by its message).
no_window() {
  local found errors
  found=$(xdotool search --onlyvisible --name "$1" 2> "$work/xdotool.err")
  errors=$(cat "$work/xdotool.err")
  [ -z "$found" ] && [ -z "$errors" ]
}

# start_window_manager: openbox on the own display, its log in $work/wm.log and its pid in
# wm_pid; returns 1 when no window manager took the screen.
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id"; }
start_window_manager() {
  openbox > "$work/wm.log" 2>&1 &
  wm_pid=$!
  wait_until 10 "a window manager" wm_running 2> /dev/null
}

# frame_extents WINDOW: "left right top bottom" of the frame the window manager gave WINDOW, once
# it has given one (within a few seconds; "0 0 0 0" without one).
frame_extents_now() { xprop -id "$1" _NET_FRAME_EXTENTS 2> /dev/null | sed -nE 's/.*= ([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+)$/\1 \2 \3 \4/p'; }
has_frame_extents() { [ -n "$(frame_extents_now "$1")" ]; }
frame_extents() {
  wait_until 3 "the frame of window $1" has_frame_extents "$1" 2> /dev/null
  local extents
  extents=$(frame_extents_now "$1")
  echo "${extents:-0 0 0 0}"
}
