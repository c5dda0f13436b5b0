#!/usr/bin/env bash
# Orbmeter in LXQt's panel (statusnotifier plugin, square cells): compact icons that fill
# their cells, Orbmeter's menu on a left click inside the work area, the panel's menu from
# Orbmeter's D-Bus menu on a right click.
source "$(dirname "$0")/lib.sh"
need lxqt-panel xfwm4

start_x
start_bus
make_machine
mkdir -p "$work/home/.config/lxqt"
cp "$here/lxqt-panel.conf" "$work/home/.config/lxqt/panel.conf"
cp "$here/lxqt.conf" "$work/home/.config/lxqt/lxqt.conf"
give "$work/home"
user_env+=(XDG_CURRENT_DESKTOP=LXQt)
start xfwm4 xfwm4 --compositor=off
start panel lxqt-panel
wait_until 300 watcher_up || fail "the panel's tray did not start"
sleep 3
settled before
compact_tray_checks 0 32
echo "PASS: $name ($summary)"
