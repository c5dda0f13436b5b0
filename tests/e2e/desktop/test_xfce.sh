#!/usr/bin/env bash
# Orbmeter in Xfce's panel (systray plugin, square cells): every item is a compact square
# icon that fills its cell, a left click opens Orbmeter's own menu inside the work area, a
# right click opens the panel's menu built from Orbmeter's D-Bus menu.
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
wait_until 300 watcher_up || fail "the panel's tray did not start"
sleep 2
settled before

compact_tray_checks 0 26

# The machine's network files turn up (an adapter plugged in): the Network item, which had
# nothing to show, joins the tray as one more square icon without a restart.
square_icons() { inspect foreground "$shots/$1.png" 0 0 1280 26 | awk '$4 >= 18 && $5 >= 18 && $4 - $5 <= 3 && $5 - $4 <= 3' | wc -l; }
as_user xdotool key Escape mousemove 640 400 # the right-click menu closed, no hover highlight
sleep 1
shot before-network
keep before-network
cp -r "$fixtures/net-laptop-a/." "$work/root/"
wait_until 200 orb_items_are 4 || fail "the Network item did not join the tray: $(orb_items) registered"
grep -q "status item network has something to show" "$work/orbmeter.log" || fail "the Network item never became active"
sleep 3
shot later
keep later
before=$(square_icons before-network) after=$(square_icons later)
((after == before + 1)) || fail "square icons in the panel: $before before the network files, $after after"
summary="$summary; with network files: $after square icons"
echo "PASS: $name ($summary)"
