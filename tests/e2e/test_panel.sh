#!/usr/bin/env bash
# The panel host on a real X server (Xvfb): the strip is a dock at the top right of the screen
# with a top strut, shows its items left to right at their real widths and colours, opens an
# item's menu directly under it on click and closes it on a second click.
# Usage: test_panel.sh <orbmeter binary> <fixtures dir>
set -euo pipefail

binary=$1
build=${ORB_BUILD_DIR:-$(dirname "$binary")}
demo=$build/tests/panel_demo
artifacts=$build/e2e-artifacts
[[ -x $demo ]] || { echo "FAIL: $demo not built"; exit 1; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xprop >/dev/null \
  || { echo "FAIL: Xvfb, xdotool and xprop are needed (make deps)"; exit 1; }
mkdir -p "$artifacts"

work=$(mktemp -d)
xvfb_pid=""
demo_pid=""
cleanup() {
  local status=$?
  if [[ -n $demo_pid ]]; then kill "$demo_pid" 2>/dev/null || true; wait "$demo_pid" 2>/dev/null || true; fi
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- panel_demo output"; cat "$work/out.log" 2>/dev/null || true
  echo "--- panel_demo errors"; cat "$work/err.log" 2>/dev/null || true
  exit 1
}

source "$(dirname "$0")/xvfb.sh"
start_xvfb

mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config QT_QPA_PLATFORM=xcb \
  DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-session-bus \
  "$demo" --artifacts "$artifacts" --timeout 60 >"$work/out.log" 2>"$work/err.log" &
demo_pid=$!

wait_for() { # pattern, tenths of a second
  for _ in $(seq "$2"); do
    grep -qE "$1" "$work/out.log" && return 0
    sleep 0.1
  done
  return 1
}
wait_for '^ready$' 100 || fail "panel did not come up"

# The strip: top right of the 1280x800 screen, 24 high, a dock with a top strut on all desktops.
wid=$(xdotool search --name '^Orbmeter panel$' | head -1)
[[ -n $wid ]] || fail "no panel window on the display"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[[ $Y -eq 0 && $HEIGHT -eq 24 && $((X + WIDTH)) -eq 1280 ]] || fail "panel at $X,$Y ${WIDTH}x$HEIGHT"
panel_x=$X
xprop -id "$wid" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_DOCK' || fail "not a dock window"
xprop -id "$wid" _NET_WM_STRUT_PARTIAL | grep -q "= 0, 0, 24, 0, 0, 0, 0, 0, $panel_x, 1279, 0, 0" \
  || fail "strut: $(xprop -id "$wid" _NET_WM_STRUT_PARTIAL)"
xprop -id "$wid" _NET_WM_DESKTOP | grep -q '4294967295' || fail "not on all desktops"

# Items left to right in the fixed order at their real widths: cpu 60, memory 30, network 90
# points, 4 points apart, 4 points from the edges (the panel is 4+60+4+30+4+90+4 = 196 wide).
[[ $WIDTH -eq 196 ]] || fail "panel width $WIDTH, expected 196"
read -r _ k1 x1 w1 <<<"$(grep '^item ' "$work/out.log" | sed -n 1p)"
read -r _ k2 x2 w2 <<<"$(grep '^item ' "$work/out.log" | sed -n 2p)"
read -r _ k3 x3 w3 <<<"$(grep '^item ' "$work/out.log" | sed -n 3p)"
[[ "$k1 $k2 $k3" == "cpu memory network" ]] || fail "order $k1 $k2 $k3"
[[ "$w1 $w2 $w3" == "60 30 90" ]] || fail "widths $w1 $w2 $w3"
[[ $x1 -eq $((panel_x + 4)) && $x2 -eq $((x1 + 64)) && $x3 -eq $((x2 + 34)) ]] || fail "positions $x1 $x2 $x3"

# What the X server shows at each item's centre: the item's own colour; the template item in
# the panel's text colour, which stands out from its background.
grep -q '^pixel cpu 220 40 40$' "$work/out.log" || fail "cpu item not drawn red"
grep -q '^pixel memory 40 200 60$' "$work/out.log" || fail "memory item not drawn green"
text=$(sed -n 's/^text //p' "$work/out.log")
[[ -n $text ]] && grep -q "^pixel network $text\$" "$work/out.log" || fail "template item not tinted to the text colour ($text)"
grep -q '^background .* contrast ok$' "$work/out.log" || fail "text on the panel's background: $(grep '^background' "$work/out.log")"

# A click on the memory item opens its menu directly under the strip, covering the item.
xdotool mousemove $((x2 + 10)) 12 click 1
wait_for '^menu-shown memory ' 50 || fail "memory menu did not open"
read -r _ _ mx my mw mh <<<"$(grep '^menu-shown memory ' "$work/out.log" | tail -1)"
[[ $my -eq 24 && $mx -le $x2 && $((mx + mw)) -ge $((x2 + 30)) ]] || fail "menu at $mx,$my ${mw}x$mh"
found=no
for w in $(xdotool search --onlyvisible --classname panel_demo); do
  [[ $w == "$wid" ]] && continue
  eval "$(xdotool getwindowgeometry --shell "$w")"
  [[ $Y -eq 24 && $X -eq $mx ]] && found=yes
done
[[ $found == yes ]] || fail "no menu window under the panel on the display"

# A second click on the same item closes the menu and does not open it again.
xdotool mousemove $((x2 + 12)) 12 click 1
wait_for '^menu-hidden memory$' 50 || fail "second click did not close the menu"
sleep 0.6
[[ $(grep -c '^menu-shown memory ' "$work/out.log") -eq 1 ]] || fail "second click reopened the menu"

echo "PASS: panel host (screenshots in $artifacts)"
