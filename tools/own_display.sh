# Sourced by scripts that drive the program under an X server of their own.
# start_own_display WORK [WIDTHxHEIGHT]: starts Xvfb (1280x1024 unless given, 24 bit) with its
# files in WORK, sets x_pid (for the caller's cleanup) and exports DISPLAY. Returns 1, with the
# server's first words in own_display_error, when no server could be started.
start_own_display() {
  Xvfb -displayfd 3 -screen 0 "${2:-1280x1024}x24" -nolisten tcp 3> "$1/display" 2> "$1/xvfb.log" &
  x_pid=$!
  for _ in $(seq 50); do [ -s "$1/display" ] && break; sleep 0.1; done
  if [ ! -s "$1/display" ]; then
    own_display_error=$(head -c 300 "$1/xvfb.log")
    return 1
  fi
  export DISPLAY=":$(head -n1 "$1/display")"
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
