# Sourced by the road tests that drive the built program under an X server of their own, with a
# fresh home and a demo heat. Sets program and demo from the script's two arguments.
program=$1 demo=$2
step_timeout=120
for tool in Xvfb xdotool; do
  command -v $tool > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$(realpath "${BASH_SOURCE[0]}")")/../../tools/own_display.sh"
make_own_work
# On a failure the program's own output is shown, and the screen kept where E2E_SHOT says.
fail() {
  echo "FAIL: $*"
  [ -s "$work/app.log" ] && { echo "--- the program's output (last lines):"; tail -n 40 "$work/app.log"; }
  [ -n "${E2E_SHOT:-}" ] && [ -n "${DISPLAY:-}" ] && command -v ffmpeg > /dev/null &&
    ffmpeg -loglevel quiet -y -f x11grab -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "$E2E_SHOT"
  exit 1
}
# The first visible window named $1, once it shows: a polling search that outlives windows going away.
win() { wait_window "$1"; }

start_own_display "$work" || { echo "SKIP: no X server could be started: $own_display_error"; exit 77; }
export WAKELINE_HOME=$work HOME=$work XDG_DATA_HOME=$work/.local/share
mkdir -p "$work/.local/share/Wakeline"
printf '[Canoe]\r\n' > "$work/.local/share/Wakeline/Wakeline.ini"
heat=$work/Heat1_demo.qs2

# road_heat N [OPTIONS...]: a 3-lane demo heat with the options, and its Nth printed crossing in
# lane, frame, field, race_ms, mark_x, mark_y and target_field (the slider's field).
road_heat() {
  local n=$1
  shift
  "$demo" --lanes 3 "$@" "$heat" > "$work/demo.txt" || fail "make_demo_heat"
  read -r lane frame field race_ms mark_x mark_y < <(sed -nE \
    's/^lane ([0-9]+): frame ([0-9]+) field ([0-9]+) race time ([0-9]+) ms .* mark at ([0-9]+),([0-9]+)$/\1 \2 \3 \4 \5 \6/p' \
    "$work/demo.txt" | sed -n "${n}p")
  [ -n "${mark_y:-}" ] || fail "no crossing printed: $(cat "$work/demo.txt")"
  target_field=$(( 2 * (frame - 1) + field ))
}

# road_start: the program on the heat, Go pressed in the start-up window (the button along its
# bottom); sets app_pid, results and viewer.
road_start() {
  QT_QPA_PLATFORM=xcb "$program" "$heat" > "$work/app.log" 2>&1 &
  app_pid=$!
  local startup
  startup=$(win "Wakeline Startup") || fail "no startup window"
  xdotool mousemove --window "$startup" 180 257 click 1
  results=$(win "Wakeline Results") || fail "no results window"
  viewer=$(win "file = ") || fail "no viewer"
  # Clicks in the windows below would land on the start-up window while it shows.
  wait_until $step_timeout "the start-up window to go" no_window "Wakeline Startup" || fail "the start-up window stayed"
}

# road_export: Export pressed in the results window; the CSV's first row in csv_lane and csv_ms
# (its time is shown in hundredths), and the printed race time cut to hundredths in printed_ms.
road_export() {
  xdotool mousemove --window "$results" 62 792 click 1
  local csv=$work/WK_Result_Heat1.csv
  wait_until $step_timeout "the CSV $csv" test -s "$csv" || fail "no CSV written"
  # Line 2: place;lane; mm:ss,hh;difference.
  [[ "$(sed -n 2p "$csv" | tr -d ' \r')" =~ ^1\;([0-9]+)\;([0-9]+):([0-9]+),([0-9]+)\; ]] ||
    fail "no placed row in the CSV: $(cat "$csv")"
  csv_lane=${BASH_REMATCH[1]}
  csv_ms=$(( (10#${BASH_REMATCH[2]} * 60 + 10#${BASH_REMATCH[3]}) * 1000 + 10#${BASH_REMATCH[4]} * 10 ))
  printed_ms=$(( race_ms / 10 * 10 ))
}
