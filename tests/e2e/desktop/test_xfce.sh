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
shot before

start_orbmeter --host sni
wait_until 200 items_registered || fail "Orbmeter's items did not register with the tray: $(watcher_items) (pid $orb_pid)"
sleep 4
shot tray
keep tray

# The panel: a 26 pixel strip along the top. Orbmeter's items: what changed in it.
mapfile -t boxes < <(changed before tray 0 0 1280 26)
printf '%s\n' "${boxes[@]}" >"$work/boxes.log"
[[ ${#boxes[@]} -eq 2 ]] || fail "expected 2 items in the tray, found ${#boxes[@]}: ${boxes[*]}"
grep -q "tray xfce4-panel gets the compact item style\|tray .* gets the compact item style" "$work/orbmeter.log" \
  || fail "the compact style was not chosen"
for b in "${boxes[@]}"; do
  read -r _ x y w h <<<"$b"
  # A compact icon fills its cell: at least 15 pixels each way, and square.
  ((w >= 15 && h >= 15 && w - h <= 3 && h - w <= 3)) || fail "item $b is not a legible square icon"
done

# Left click on each item: Orbmeter's menu, inside the work area.
seen=""
for b in "${boxes[@]}"; do
  read -r _ x y w h <<<"$b"
  key=$(left_click_opens_menu $((x + w / 2)) $((y + h / 2))) || fail "left click on $b opened no menu"
  seen="$seen $key"
  sleep 1
  shot "left-$key"
  keep "left-$key"
  menu_inside_workarea "$key" || fail "$key menu at $(last_menu "$key") is not inside the work area $(workarea)"
  as_user xdotool key Escape
  sleep 0.6
done
[[ $seen == *cpu* && $seen == *memory* ]] || fail "left clicks opened the menus of:$seen"

# Right click: the panel asks for Orbmeter's D-Bus menu and shows it.
read -r _ x y w h <<<"${boxes[0]}"
shot before-right
as_user xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
wait_until 50 grep -q "tray opens the menu of\|tray read the menu of .* from entry" "$work/orbmeter.log" \
  || fail "right click did not read the D-Bus menu"
sleep 1
shot right
keep right
menu=$(changed before-right right 0 26 1280 774 --min-area 400 | head -1)
[[ -n $menu ]] || fail "no menu on the screen after a right click"
read -r _ mx my mw mh <<<"$menu"
((mw >= 60 && mh >= 30)) || fail "right-click menu too small: $menu"
echo "PASS: $name (items: ${boxes[*]}; right-click menu: $menu)"
