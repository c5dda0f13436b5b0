#!/usr/bin/env bash
# Orbmeter in GNOME Shell's top bar through the AppIndicator extension (16 pixel icons, the
# label printed beside them): compact icons with their figures as label text, Orbmeter's menu
# on a (double) click inside the work area, the extension's menu from Orbmeter's D-Bus menu on a
# right click.
source "$(dirname "$0")/lib.sh"
need gnome-shell gsettings
ext=/usr/share/gnome-shell/extensions/ubuntu-appindicators@ubuntu.com
[[ -d $ext ]] || skip "$name: the AppIndicator extension is not installed (its package could not be installed here)"

start_x
start_bus
start_system_bus
make_machine
give "$work/home"
user_env+=(XDG_SESSION_TYPE=x11 XDG_CURRENT_DESKTOP=GNOME)
as_user gsettings set org.gnome.shell disable-user-extensions false
as_user gsettings set org.gnome.shell enabled-extensions "['ubuntu-appindicators@ubuntu.com']"
as_user gsettings set org.gnome.shell welcome-dialog-last-shown-version '999' 2>/dev/null || true
start shell gnome-shell --x11 --replace
wait_until 400 watcher_up || fail "the AppIndicator extension's watcher did not start"
sleep 6
as_user xdotool key Escape # leave the overview shown at start
sleep 3
settled before
read -r _ wy _ _ <<<"$(workarea)"
((wy > 0)) || fail "GNOME's top bar reserves no space: $(workarea)"
compact_tray_checks 0 "$wy"

# No placeholder for an item with nothing to show: the extension draws one as "•••", a row of
# dots a few pixels high, where the icon would be.
dots=$(changed before tray 0 0 1280 "$wy" --min-area 4 | awk '$5 <= 6 && $4 >= 8')
[[ -z $dots ]] || fail "placeholders in the bar: $dots"

# Beside each 16 pixel icon, its label: text as wide as "CPU 35%" in the bar. The CPU and
# Memory items have one; the General item showing the program's icon has none.
labelled=0
for b in "${boxes[@]}"; do
  read -r _ x y w h <<<"$b"
  ((w <= 18 && h <= 18)) || fail "GNOME shows the icon at ${w}x$h, not 16 pixels"
  span=$(inspect foreground "$shots/tray.png" $((x + w + 1)) 0 90 "$wy" \
    | awk '$5 >= 6 { if (!l || $2 < l) l = $2; if ($2 + $4 > r) r = $2 + $4 } END { print r - l }')
  ((span >= 40)) && labelled=$((labelled + 1))
done
((labelled >= 2)) || fail "no label text beside the CPU and Memory icons ($labelled of ${#boxes[@]} have one)"
echo "PASS: $name ($summary)"
