#!/usr/bin/env bash
# Orbmeter in waybar's tray under a headless sway (Wayland; Orbmeter's windows go through
# Xwayland): waybar keeps an item's shape, so the items are shown wide and legible; a click
# (sent as the tray sends it: Activate at the click point, since a headless sway has no input
# devices) opens Orbmeter's menu below the bar; the D-Bus menu a right click shows is there.
# Then Orbmeter natively on Wayland (no Xwayland): it runs, never ends with a signal, and
# refuses the panel host with advice.
source "$(dirname "$0")/lib.sh"
need sway waybar grim swaymsg Xwayland

make_machine
mkdir -p "$work/home/.config/waybar" "$work/home/.config/sway"
cp "$here/waybar-config" "$work/home/.config/waybar/config"
cp "$here/sway-config" "$work/home/.config/sway/config"
give "$work/home"
user_env+=(WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman XDG_SESSION_TYPE=wayland)
start_bus
start sway sway -c "$work/home/.config/sway/config"
socket_up() { ls "$work/run"/wayland-* >/dev/null 2>&1; }
wait_until 150 socket_up || fail "sway did not start"
wayland=$(basename "$(ls "$work/run"/wayland-* | grep -v '\.lock$' | head -1)")
user_env+=(WAYLAND_DISPLAY="$wayland" SWAYSOCK="$(ls "$work/run"/sway-ipc.* | head -1)")
wait_until 300 watcher_up || fail "waybar's tray did not start"
# The Xwayland display sway made for its clients.
as_user swaymsg exec "echo \$DISPLAY > $work/run/display" >/dev/null
wait_until 50 test -s "$work/run/display" || fail "sway has no Xwayland display"
user_env+=(DISPLAY="$(cat "$work/run/display")")
wshot() { as_user grim "$shots/$1.png" || fail "no screenshot"; }
sleep 2
wshot before

start_orbmeter --host sni
wait_until 200 items_registered || fail "Orbmeter's items did not register with the tray: $(watcher_items)"
wait_until 100 grep -q "tray waybar gets the wide item style" "$work/orbmeter.log" || fail "the wide style was not chosen"
sleep 4
wshot tray
keep tray

# The bar: 30 pixels along the top; the tray is what changed in it. Inside it, the items'
# drawing keeps its width: together far wider than two square icons would be, and as tall as
# the text in them.
tray=$(changed before tray 0 0 1280 30 --min-area 30 | tail -1)
[[ -n $tray ]] || fail "nothing appeared in the bar"
read -r _ tx ty tw th <<<"$tray"
mapfile -t boxes < <(inspect foreground "$shots/tray.png" "$tx" "$ty" "$tw" "$th")
printf '%s\n' "${boxes[@]}" >"$work/boxes.log"
left=9999 right=0 tallest=0
for b in "${boxes[@]}"; do
  read -r _ x y w h <<<"$b"
  ((x < left)) && left=$x
  ((x + w > right)) && right=$((x + w))
  ((h > tallest)) && tallest=$h
done
((right - left >= 120)) || fail "the items span only $((right - left)) pixels: ${boxes[*]}"
((tallest >= 12)) || fail "the items' drawing is only $tallest pixels high"

# Only items with something to show are in the tray, and nothing else is drawn there: the span
# is no wider than their images at the bar's 21 pixel height with 6 pixels between them (an
# item without an image would add a broken-icon tile).
only_items_with_something_to_show
expected=0
n=0
for svc in $(watcher_items | grep -o "org.kde.StatusNotifierItem-$orb_pid-[0-9]*"); do
  read -r pw ph <<<"$(as_user gdbus call --session -d "$svc" -o /StatusNotifierItem \
    -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem IconPixmap | grep -o '([0-9]*, [0-9]*,' | head -1 | tr -d '(,')"
  [[ -n $pw && -n $ph && $ph -gt 0 ]] || fail "$svc sends no icon"
  expected=$((expected + pw * 21 / ph))
  n=$((n + 1))
done
expected=$((expected + 6 * (n - 1)))
((right - left <= expected + 4)) || fail "the tray spans $((right - left)) pixels, its $n items only $expected: ${boxes[*]}"

# A click on each item as waybar sends it: Activate at the point clicked.
for svc in $(watcher_items | grep -o "org.kde.StatusNotifierItem-$orb_pid-[0-9]*"); do
  before=$(menus_opened)
  x=$((left + 20))
  as_user gdbus call --session -d "$svc" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate "$x" 15 >/dev/null
  wait_until 50 more_menus_than "$before" || fail "Activate on $svc opened no menu"
  key=$(grep "menu of .* opened at" "$work/orbmeter.log" | tail -1 | awk '{print $4}')
  read -r mx my mw mh <<<"$(last_menu "$key")"
  ((my >= 30)) || fail "the $key menu opens at y $my, under the 30 pixel bar"
  ((mx >= 0 && mx + mw <= 1280 && my + mh <= 800)) || fail "the $key menu at $mx $my ${mw}x$mh is off the screen"
  sleep 1
  wshot "menu-$key"
  keep "menu-$key"
  # Its D-Bus menu, which waybar shows on a right click.
  layout=$(as_user gdbus call --session -d "$svc" -o /MenuBar -m com.canonical.dbusmenu.GetLayout -- 0 -1 '@as []')
  [[ $layout == *"Open Full Menu"* ]] || fail "no D-Bus menu for $key: $layout"
  as_user gdbus call --session -d "$svc" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate "$x" 15 \
    >/dev/null # closes it
  sleep 0.5
done

# Natively on Wayland, without X11: runs (no signal), and the panel host is refused.
kill "$orb_pid"
wait "$orb_pid" 2>/dev/null || true
set +e
as_user env -u DISPLAY ORBMETER_SYSROOT="$work/root" timeout 20 "$bin" --host panel >"$work/native-panel.log" 2>&1
rc=$?
set -e
[[ $rc -eq 2 ]] || fail "--host panel on Wayland without X11 exits $rc"
grep -q -- "--host sni" "$work/native-panel.log" || fail "no advice for the panel host on Wayland"
as_user_exec env -u DISPLAY ORBMETER_SYSROOT="$work/root" "$bin" --host sni --verbose >"$work/native.log" 2>&1 &
native=$!
pids+=("$native")
orb_pid=$native
wait_until 200 items_registered || fail "native Wayland: items did not register: $(watcher_items)"
sleep 3
kill -0 "$native" || fail "native Wayland: Orbmeter ended by itself"
# A click there: the menu comes as a window of its own (nothing of ours to hang it from), but
# one the compositor floats rather than tiling it over the screen.
svc=$(watcher_items | grep -o "org.kde.StatusNotifierItem-$orb_pid-[0-9]*" | head -1)
before=$(grep -c "menu of .* opened at" "$work/native.log" || true)
as_user gdbus call --session -d "$svc" -o /StatusNotifierItem -m org.kde.StatusNotifierItem.Activate 1150 15 >/dev/null
native_menu() { [[ $(grep -c "menu of .* opened at" "$work/native.log") -gt $before ]]; }
wait_until 50 native_menu || fail "native Wayland: Activate opened no menu"
sleep 1
as_user swaymsg -t get_tree >"$work/tree.json"
/usr/bin/python3 - "$work/tree.json" <<'PY' || fail "native Wayland: the menu is tiled, not floating"
import json, sys
# Orbmeter's windows other than the Preferences window a first start opens (an ordinary
# window, which the compositor may tile).
def walk(node, floating=False):
    ours = node.get("app_id") == "orbmeter" or (node.get("window_properties") or {}).get("class") == "orbmeter"
    if ours and node.get("name") != "Orbmeter Preferences":
        yield floating
    for child in node.get("nodes", []):
        yield from walk(child, floating)
    for child in node.get("floating_nodes", []):
        yield from walk(child, True)
found = list(walk(json.load(open(sys.argv[1]))))
sys.exit(0 if found and all(found) else 1)
PY
wshot native
keep native
kill "$native"
set +e
wait "$native"
rc=$?
set -e
((rc < 128 || rc == 143)) || fail "native Wayland: ended with $rc"
echo "PASS: $name (items across $left..$right, $tallest pixels high)"
