#!/usr/bin/env bash
# The monitor itself on an X server with the panel host: the CPU item appears in the dock
# strip at the width its snapshot has, and a click opens its menu under the strip.
# Usage: test_monitor_panel.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
fixtures=$2
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "FAIL: Xvfb and xdotool are needed"; exit 1; }
work=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  local status=$?
  [[ -n $app_pid ]] && { kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; }
  [[ -n $xvfb_pid ]] && { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work/app.log" 2>/dev/null || true; exit 1; }

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-session-bus
export ORBMETER_SYSROOT=$fixtures/cpu-2core-a
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY

# First run writes the defaults; then only the CPU item stays on (and no Preferences window
# opens at start, so the only window below the panel is the menu).
QT_QPA_PLATFORM=offscreen "$bin" sample >/dev/null 2>&1 || fail "first run"
for key in Memory_Display_CircleMeter Memory_Display_Text Gpu_Display_CircleMeter Temp_Display_Text \
           Temp_Display_Graph Fan_Display_Text Fan_Display_Graph DisplayTopWindowAtStartup; do
  "$bin" defaults write "$key" -bool false
done
"$bin" defaults write DisplayOrbIcon -int 0 # no General item either
QT_QPA_PLATFORM=offscreen "$bin" snapshot --out "$work/snap" --passes 2 2>/dev/null || fail "snapshot"
cpu_px=$(python3 -c 'import struct,sys; print(struct.unpack(">I", open(sys.argv[1],"rb").read(24)[16:20])[0])' "$work/snap/cpu.png")
cpu_pt=$((cpu_px / 2))

source "$(dirname "$0")/xvfb.sh"
start_xvfb

QT_QPA_PLATFORM=xcb "$bin" --host panel >"$work/app.log" 2>&1 &
app_pid=$!
wid=""
deadline=$((SECONDS + 30))
while [[ $SECONDS -lt $deadline ]]; do
  wid=$(xdotool search --name '^Orbmeter panel$' 2>/dev/null | head -1 || true)
  [[ -n $wid ]] && break
  sleep 0.1
done
[[ -n $wid ]] || fail "no panel window"
grep -q 'panel' "$work/app.log" || fail "host choice not logged"
# One item with 4-point margins either side, its width as in the snapshot, once the first
# pass has drawn it (the panel starts narrower): waited for, with a generous deadline.
placed() {
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  [[ $Y -eq 0 && $HEIGHT -eq 24 && $((X + WIDTH)) -eq 1280 && $WIDTH -eq $((cpu_pt + 8)) ]]
}
deadline=$((SECONDS + 30))
until placed; do
  [[ $SECONDS -lt $deadline ]] || fail "panel at $X,$Y ${WIDTH}x$HEIGHT, expected $((cpu_pt + 8)) wide at the top right for a $cpu_pt-point CPU item"
  sleep 0.1
done
panel_x=$X

# A second instance in the same session says so and leaves.
set +e
out=$(QT_QPA_PLATFORM=xcb "$bin" --host panel 2>&1); rc=$?
set -e
[[ $rc -eq 0 && $out == *"already running"* ]] || fail "second instance: rc $rc, '$out'"

xdotool mousemove $((panel_x + 10)) 12 click 1
found=no
deadline=$((SECONDS + 30))
while [[ $SECONDS -lt $deadline ]]; do
  for w in $(xdotool search --onlyvisible --classname orbmeter 2>/dev/null); do
    [[ $w == "$wid" ]] && continue
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [[ $Y -ge 24 ]] && found=yes
  done
  [[ $found == yes ]] && break
  sleep 0.1
done
[[ $found == yes ]] || fail "clicking the CPU item opened no menu under the panel"
echo "monitor panel: all checks passed"
