#!/usr/bin/env bash
# Orbmeter in KDE Plasma's system tray (22 pixel cells, a panel along the bottom): compact
# icons that fill their cells, Orbmeter's menu on a left click above the panel (inside the work
# area, although Plasma passes the click point on the panel), the tray's menu from Orbmeter's
# D-Bus menu on a right click.
source "$(dirname "$0")/lib.sh"
need plasmashell kwin_x11 kded5

start_x
start_bus
start_system_bus
make_machine
give "$work/home"
user_env+=(XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 DESKTOP_SESSION=plasma
           XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1)
start kwin kwin_x11
sleep 3
start kded kded5 # hosts org.kde.StatusNotifierWatcher
kamd=$(ls /usr/lib/*/libexec/kactivitymanagerd 2>/dev/null | head -1)
[[ -n $kamd ]] && start kamd "$kamd"
sleep 2
start plasma plasmashell
wait_until 300 watcher_up || fail "Plasma's tray did not start"
# The panel along the bottom edge, with the tray in it.
panel_up() { [[ $(workarea | awk '{print $4}') -lt 800 ]]; }
wait_until 400 panel_up || fail "Plasma's panel did not reserve its space: $(workarea)"
sleep 8
settled before
read -r _ wy _ wh <<<"$(workarea)"
compact_tray_checks $((wy + wh)) $((800 - wy - wh))
echo "PASS: $name ($summary)"
