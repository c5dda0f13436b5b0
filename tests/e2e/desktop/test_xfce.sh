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
echo "PASS: $name ($summary)"
