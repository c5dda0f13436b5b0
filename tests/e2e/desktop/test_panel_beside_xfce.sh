#!/usr/bin/env bash
# Orbmeter's own panel (--host panel) on a desktop that already has Xfce's panel along the
# top: the strip goes below it at the right, reserves its own strut, covers no other dock,
# and its glyphs stand out from its background; a click opens the menu under the strip.
source "$(dirname "$0")/lib.sh"
need xfce4-panel xfwm4

start_x
start_bus
make_machine
conf=$work/home/.config/xfce4/xfconf/xfce-perchannel-xml
mkdir -p "$conf"
cp "$here/xfce4-panel.xml" "$conf/"
give "$work/home"
start xfwm4 xfwm4 --compositor=off
start panel xfce4-panel
wait_until 300 watcher_up || fail "Xfce's panel did not start"
sleep 2

start_orbmeter --host panel
strip() { as_user xdotool search --name '^Orbmeter panel$' | head -1; }
strip_up() { [[ -n $(strip) ]]; }
wait_until 150 strip_up || fail "no Orbmeter panel on the display"
sleep 3
wid=$(strip)
eval "$(as_user xdotool getwindowgeometry --shell "$wid")"
sx=$X sy=$Y sw=$WIDTH sh=$HEIGHT
shot panel
keep panel

# Every other dock (Xfce's panel) and the strip do not overlap.
docks=0
for w in $(as_user xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*'); do
  [[ $((w)) -eq $((wid)) ]] && continue
  as_user xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DOCK || continue
  eval "$(as_user xdotool getwindowgeometry --shell "$w")"
  docks=$((docks + 1))
  ((sx >= X + WIDTH || X >= sx + sw || sy >= Y + HEIGHT || Y >= sy + sh)) \
    || fail "the strip ${sw}x$sh+$sx+$sy covers the dock ${WIDTH}x$HEIGHT+$X+$Y"
  ((sy >= Y + HEIGHT)) || fail "the strip is not below Xfce's top panel (strip y $sy, panel ends at $((Y + HEIGHT)))"
done
((docks >= 1)) || fail "Xfce's panel is not listed as a dock"
((sx + sw == 1280)) || fail "the strip does not end at the right edge: ${sw}x$sh+$sx+$sy"
as_user xprop -id "$wid" _NET_WM_STRUT_PARTIAL | grep -q "= 0, 0, $((sy + sh)), 0," \
  || fail "strut: $(as_user xprop -id "$wid" _NET_WM_STRUT_PARTIAL)"

# Glyphs and texts on the strip: at least 4.5:1 against its background.
read -r _ ratio _ <<<"$(inspect contrast "$shots/panel.png" "$sx" "$sy" "$sw" "$sh")"
awk -v r="$ratio" 'BEGIN { exit !(r >= 4.5) }' || fail "contrast on the strip only $ratio"

# A click on the first item: its menu directly under the strip, inside the work area.
key=$(left_click_opens_menu $((sx + 20)) $((sy + sh / 2))) || fail "a click on the strip opened no menu"
sleep 1
shot menu
keep menu
read -r _ my _ _ <<<"$(last_menu "$key")"
((my == sy + sh)) || fail "the $key menu opens at y $my, not under the strip ($((sy + sh)))"
menu_inside_workarea "$key" || fail "$key menu at $(last_menu "$key") is not inside the work area $(workarea)"
echo "PASS: $name (strip ${sw}x$sh+$sx+$sy, contrast $ratio)"
