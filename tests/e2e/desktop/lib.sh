# Shared by the desktop tests: a private X server, session bus, HOME and XDG tree, an
# unprivileged user when run as root (some hosts refuse root), a made-up machine for Orbmeter
# to read, screenshots, and clean-up of everything started here, by process id.
# A test sources this with its arguments: <orbmeter binary> <fixtures dir>.
set -euo pipefail
bin=$1
fixtures=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${ORB_BUILD_DIR:-$(cd "$(dirname "$bin")" && pwd)}
artifacts=$build/e2e-artifacts
regions=$build/tests/screen_regions
name=$(basename "$0" .sh)
name=${name#test_}

skip() {
  echo "SKIP: $*"
  exit 77
}
[[ ${ORB_DESKTOP_TESTS:-} == 1 ]] || skip "desktop tests run through 'make test-desktops'"
# need CMD... : the host's programs; a host whose package could not be installed is skipped.
need() {
  local c
  for c in "$@"; do
    command -v "$c" >/dev/null || skip "$name: '$c' is not installed (its package could not be installed here)"
  done
}
need Xvfb dbus-daemon xdotool xprop import setpriv gdbus
[[ -x $regions ]] || { echo "FAIL: $regions not built"; exit 1; }
mkdir -p "$artifacts"

work=$(mktemp -d /tmp/orb-desktop-XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  local status=$? i
  # Orbmeter's own account of the run, beside the screenshots.
  [[ -f $work/orbmeter.log ]] && cp "$work/orbmeter.log" "$artifacts/$name-orbmeter.log" 2>/dev/null
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  # Everything ends at once, as at the end of a session: Orbmeter must end cleanly all the same.
  [[ -n ${orb_pid:-} ]] && ! orbmeter_ended_cleanly && status=1
  sleep 0.5
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill -9 "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
# After SIGTERM: gone within 5 s, and not by a crash.
orbmeter_running() {
  local state
  state=$(awk '{print $3}' "/proc/$orb_pid/stat" 2>/dev/null)
  [[ -n $state && $state != Z ]]
}
orbmeter_ended_cleanly() {
  local i code
  for ((i = 0; i < 50; i++)); do orbmeter_running || break; sleep 0.1; done
  if orbmeter_running; then
    echo "FAIL: $name: orbmeter did not end within 5 s of SIGTERM"
    return 1
  fi
  wait "$orb_pid"
  code=$?
  if ((code > 128 && code != 143)); then
    echo "FAIL: $name: orbmeter ended on signal $((code - 128)) after SIGTERM"
    return 1
  fi
}

fail() {
  echo "FAIL: $name: $*"
  local f
  for f in "$work"/*.log; do
    [[ -f $f ]] || continue
    echo "--- $(basename "$f")"
    tail -n 30 "$f"
  done
  exit 1
}

# The user everything runs as: nobody when we are root.
mkdir -p "$work/home" "$work/run" "$work/shots" "$work/tools"
chmod 700 "$work/run" "$work/tools"
shots=$work/shots
user_env=(HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/home/.config"
          XDG_DATA_HOME="$work/home/.local/share" XDG_CACHE_HOME="$work/home/.cache"
          PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 LC_ALL=C.UTF-8 NO_AT_BRIDGE=1)
if [[ $(id -u) -eq 0 ]]; then
  user_id=65534
  chown -R "$user_id:$user_id" "$work/home" "$work/run" "$work/shots"
  as_user() { setpriv --reuid="$user_id" --regid="$user_id" --clear-groups -- env -i "${user_env[@]}" "$@"; }
  # In the background (`as_user_exec CMD &`), so that $! is the program's own process id.
  as_user_exec() { exec setpriv --reuid="$user_id" --regid="$user_id" --clear-groups -- env -i "${user_env[@]}" "$@"; }
else
  user_id=$(id -u)
  as_user() { env -i "${user_env[@]}" "$@"; }
  as_user_exec() { exec env -i "${user_env[@]}" "$@"; }
fi
# Files the user's programs read, owned by the user.
give() { [[ $(id -u) -ne 0 ]] || chown -R "$user_id:$user_id" "$@"; }

# wait_until TENTHS COMMAND...: true once COMMAND succeeds.
wait_until() {
  local n=$1
  shift
  for ((; n > 0; n--)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

start_x() {
  as_user_exec Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp +extension GLX -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  wait_until 100 test -s "$work/display" || fail "Xvfb did not start"
  display=:$(head -1 "$work/display")
  user_env+=(DISPLAY="$display")
}

start_bus() {
  as_user_exec dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/bus" >"$work/dbus.log" 2>&1 &
  pids+=($!)
  wait_until 100 test -s "$work/bus" || fail "no session bus"
  user_env+=(DBUS_SESSION_BUS_ADDRESS="$(head -1 "$work/bus")")
}

# A bus standing in for the system bus (desktops ask it for logind, UPower, ...).
start_system_bus() {
  as_user_exec dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/sysbus" >"$work/sysbus.log" 2>&1 &
  pids+=($!)
  wait_until 100 test -s "$work/sysbus" || fail "no stand-in system bus"
  user_env+=(DBUS_SYSTEM_BUS_ADDRESS="$(head -1 "$work/sysbus")")
}

# start NAME COMMAND...: a program of the desktop, its output in NAME.log.
start() {
  local log=$1
  shift
  as_user_exec "$@" >"$work/$log.log" 2>&1 &
  pids+=($!)
}

# A machine for Orbmeter to read: two processors with a steady load of 35 % (user 25 %,
# system 10 %) and the memory of a desktop with zram.
make_machine() {
  local root=$work/root
  mkdir -p "$root"
  cp -r "$fixtures/cpu-2core-a/." "$root/"
  cp -r "$fixtures/memory-zram-desktop/." "$root/"
  local rest
  rest=$(grep -v '^cpu' "$fixtures/cpu-2core-a/proc/stat")
  (
    u0=1843321 s0=412877 i0=18830412 u1=1790544 s1=405123 i1=18879045
    while :; do
      {
        printf 'cpu  %d 0 %d %d 0 0 0 0 0 0\ncpu0 %d 0 %d %d 0 0 0 0 0 0\ncpu1 %d 0 %d %d 0 0 0 0 0 0\n' \
          $((u0 + u1)) $((s0 + s1)) $((i0 + i1)) "$u0" "$s0" "$i0" "$u1" "$s1" "$i1"
        echo "$rest"
      } >"$root/proc/stat.new"
      mv "$root/proc/stat.new" "$root/proc/stat"
      u0=$((u0 + 30)) s0=$((s0 + 12)) i0=$((i0 + 58)) u1=$((u1 + 20)) s1=$((s1 + 8)) i1=$((i1 + 72))
      sleep 0.5
    done
  ) &
  pids+=($!)
}

start_orbmeter() {
  # A first start opens the Preferences window over the desktop; these tests look at the
  # tray, so the first-run settings are written beforehand without it.
  as_user env ORBMETER_SYSROOT="$work/root" QT_QPA_PLATFORM=offscreen "$bin" sample --passes 1 >/dev/null 2>&1 || true
  as_user "$bin" defaults write DisplayTopWindowAtStartup -bool false >/dev/null 2>&1 || true
  as_user_exec env ORBMETER_SYSROOT="$work/root" "$bin" --verbose "$@" >"$work/orbmeter.log" 2>&1 &
  orb_pid=$!
  pids+=("$orb_pid")
}

watcher_items() {
  as_user gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
    -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems 2>/dev/null
}
watcher_up() { watcher_items >/dev/null; }
# How many of Orbmeter's items are registered with the tray (by name, or by the connection
# and path for trays that take paths). A name no one owns any more is not counted: an item
# that moved to a new name just after registering can leave its old one in a watcher that
# took the registration after the name had gone (Xfce's), and nothing is shown for it.
# ask_bus METHOD ARG: the session bus's own answer (org.freedesktop.DBus.METHOD).
ask_bus() {
  as_user gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus -m "org.freedesktop.DBus.$1" "$2" 2>/dev/null
}
name_owned() { ask_bus NameHasOwner "$1" | grep -q true; }
orb_items() {
  local n=0 entry owner
  for entry in $(watcher_items | grep -o "[a-zA-Z0-9:._-]*[@/]*StatusNotifierItem[a-zA-Z0-9/_-]*"); do
    if [[ $entry == *"StatusNotifierItem-$orb_pid-"* ]]; then
      name_owned "${entry%%/*}" && n=$((n + 1))
    elif [[ $entry == :* ]]; then
      owner=$(ask_bus GetConnectionUnixProcessID "${entry%%[@/]*}" | sed -n 's/.*uint32 \([0-9]*\).*/\1/p')
      [[ $owner == "$orb_pid" ]] && n=$((n + 1))
    fi
  done
  echo "$n"
}
# At least two of Orbmeter's items registered.
items_registered() { (($(orb_items) >= 2)); }
# orb_items_are N: exactly N registered.
orb_items_are() { [[ $(orb_items) -eq $1 ]]; }

# The machine has no network, disk or volume files: those items have nothing to show and the
# tray never hears of them; CPU, Memory and General are the three it gets.
only_items_with_something_to_show() {
  sleep 3 # passes enough for every item to have drawn what it can
  orb_items_are 3 || fail "expected CPU, Memory and General in the tray, $(orb_items) registered: $(watcher_items)"
  local key
  for key in network disk volume; do
    ! grep -q "status item $key has something to show" "$work/orbmeter.log" \
      || fail "the $key item says it has something to show on a machine without its files"
  done
}

# shot WHAT: a screenshot of the whole screen as $shots/WHAT.png.
shot() { as_user import -window root "$shots/$1.png" || fail "no screenshot"; }
# settled WHAT: a screenshot once the screen has stopped changing (two alike a second apart).
settled() {
  local i
  shot "$1"
  for i in $(seq 15); do
    sleep 1
    shot "$1-next"
    [[ -z $(changed "$1" "$1-next") ]] && return 0
    mv "$shots/$1-next.png" "$shots/$1.png"
  done
}
# Copies a screenshot to the artifacts as <test>-<what>.png.
keep() { cp "$shots/$1.png" "$artifacts/$name-$1.png"; }

# The work area as "X Y W H" (the whole screen when no window manager publishes one).
workarea() {
  local wa
  wa=$(as_user xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= \([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\).*/\1 \2 \3 \4/p')
  echo "${wa:-0 0 1280 800}"
}

# changed BEFORE AFTER [X Y W H] [--min-area N]: lines "box X Y W H" for what changed
# between two screenshots (names as given to shot).
changed() {
  local a=$shots/$1.png b=$shots/$2.png
  shift 2
  inspect "$a" "$b" "$@"
}
# inspect ARGS...: the screenshot tool (it runs as us, not as the desktop's user).
inspect() { XDG_RUNTIME_DIR="$work/tools" QT_QPA_PLATFORM=offscreen "$regions" "$@"; }

# left_click_opens_menu X Y: a left click there opens one of Orbmeter's menus; prints its
# module and leaves it open.
menus_opened() { grep -c "menu of .* opened at" "$work/orbmeter.log" || true; }
more_menus_than() { [[ $(menus_opened) -gt $1 ]]; }
left_click_opens_menu() {
  local before
  before=$(menus_opened)
  as_user xdotool mousemove "$1" "$2" click 1
  if ! wait_until 20 more_menus_than "$before"; then
    # Trays that act on a double click (GNOME's) get one.
    sleep 0.6
    as_user xdotool click --repeat 2 --delay 100 1
    wait_until 50 more_menus_than "$before" || return 1
  fi
  grep "menu of .* opened at" "$work/orbmeter.log" | tail -1 | awk '{print $4}'
}

# close_menu KEY X Y: closes Orbmeter's open menu of KEY with Escape, or else with a second
# click on its item at X Y.
close_menu() {
  local closed
  closed=$(grep -c "menu of $1 closed" "$work/orbmeter.log" || true)
  menu_closed() { [[ $(grep -c "menu of $1 closed" "$work/orbmeter.log") -gt $closed ]]; }
  as_user xdotool key Escape
  if ! wait_until 10 menu_closed "$1"; then
    as_user xdotool mousemove "$2" "$3" click 1
    wait_until 30 menu_closed "$1" || fail "the $1 menu does not close"
  fi
  sleep 0.5
}

# check_menu_inside_workarea KEY: the last menu Orbmeter opened for KEY lies in the work area.
last_menu() { grep "menu of $1 opened at" "$work/orbmeter.log" | tail -1 | awk '{print $(NF-3), $(NF-2), $(NF-1), $NF}'; }
menu_inside_workarea() {
  local mx my mw mh wx wy ww wh
  read -r mx my mw mh <<<"$(last_menu "$1")"
  read -r wx wy ww wh <<<"$(workarea)"
  [[ -n $mx ]] || return 1
  ((mx >= wx && my >= wy && mx + mw <= wx + ww && my + mh <= wy + wh))
}

# compact_tray_checks BAR_Y BAR_HEIGHT: with the host's tray up (and a screenshot "before"
# taken), starts Orbmeter and checks what a user sees in a tray with square cells: two
# compact icons that fill their cells, a left click on each opens Orbmeter's menu inside the
# work area, a right click opens the tray's menu made from Orbmeter's D-Bus menu. Leaves the
# icons' boxes in `boxes` and a line for the test's result in `summary`.
compact_tray_checks() {
  local bar_y=$1 bar_h=$2 b x y w h key seen="" menu memory_box=""
  keep before
  start_orbmeter --host sni
  wait_until 200 items_registered || fail "Orbmeter's items did not register with the tray: $(watcher_items)"
  wait_until 100 grep -q "gets the compact item style" "$work/orbmeter.log" || fail "the compact style was not chosen"
  # CPU shows something from its second reading on, after Memory and General: the tray is
  # looked at once both items it must hold have something to show.
  for key in cpu memory; do
    wait_until 100 grep -q "status item $key has something to show" "$work/orbmeter.log" \
      || fail "the $key item never had something to show"
  done
  local tiles appeared tries
  for tries in 1 2 3 4 5 6 7 8 9 10; do
    sleep 1
    shot tray
    # Orbmeter's icons in the bar: what appeared there, narrowed to the tiles' rims where the
    # tray shows them at a size sent (the colours then stay exact).
    tiles=$(inspect tiles "$shots/tray.png" 0 "$bar_y" 1280 "$bar_h" | awk '$4 >= 12 && $5 >= 12')
    appeared=$(inspect appeared "$shots/before.png" "$shots/tray.png" 0 "$bar_y" 1280 "$bar_h" | awk '$4 >= 12 && $5 >= 12')
    mapfile -t boxes < <(awk 'NR == FNR { ax[NR] = $2; ay[NR] = $3; aw[NR] = $4; ah[NR] = $5; n = NR; next }
      { for (i = 1; i <= n; i++) if ($2 < ax[i] + aw[i] && ax[i] < $2 + $4 && $3 < ay[i] + ah[i] && ay[i] < $3 + $5) { print; break } }' \
      <(echo "$appeared") <(echo "$tiles"))
    if [[ ${#boxes[@]} -ne 2 ]]; then
      # An icon with its label beside it (GNOME) appears as one region: the icon is its left
      # square part.
      mapfile -t boxes < <(echo "$appeared" | awk 'NF { if ($4 > $5 + 3) $4 = $5; print }')
    fi
    [[ ${#boxes[@]} -ge 2 ]] && break
  done
  keep tray
  printf 'tiles:\n%s\nappeared:\n%s\n' "$tiles" "$appeared" >"$work/boxes.log"
  only_items_with_something_to_show
  # Each item the tray got shows, and nothing else appeared in the bar (an item without an
  # icon would leave a placeholder where the tray draws one).
  shot tray-all
  local shown
  shown=$(inspect appeared "$shots/before.png" "$shots/tray-all.png" 0 "$bar_y" 1280 "$bar_h" | awk '$4 >= 15 && $5 >= 15')
  [[ $(echo "$shown" | grep -c box) -eq $(orb_items) ]] || fail "for $(orb_items) items the bar shows: $shown"
  # CPU and Memory, and the General item where the tray can draw its icon; the host's own
  # icons that moved aside for them are not among what appeared.
  [[ ${#boxes[@]} -ge 2 && ${#boxes[@]} -le 3 ]] || fail "expected 2 or 3 items in the tray, found ${#boxes[@]}: ${boxes[*]}"
  for b in "${boxes[@]}"; do
    read -r _ x y w h <<<"$b"
    # A compact icon fills its cell: at least 15 pixels each way, and square.
    ((w >= 15 && h >= 15 && w - h <= 3 && h - w <= 3)) || fail "item $b is not a legible square icon"
  done
  for b in "${boxes[@]}"; do
    read -r _ x y w h <<<"$b"
    key=$(left_click_opens_menu $((x + w / 2)) $((y + h / 2))) || fail "left click on $b opened no menu"
    seen="$seen $key"
    [[ $key == memory ]] && memory_box=$b
    sleep 1
    shot "left-$key"
    keep "left-$key"
    menu_inside_workarea "$key" || fail "$key menu at $(last_menu "$key") is not inside the work area $(workarea)"
    close_menu "$key" $((x + w / 2)) $((y + h / 2))
  done
  [[ $seen == *cpu* && $seen == *memory* ]] || fail "left clicks opened the menus of:$seen"

  read -r _ x y w h <<<"${boxes[0]}"
  shot before-right
  as_user xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
  wait_until 50 grep -q "tray opens the menu of\|tray read the menu of .* from entry" "$work/orbmeter.log" \
    || fail "right click did not read the D-Bus menu"
  sleep 1.5
  shot right
  keep right
  menu=$(changed before-right right --min-area 400 | awk '$5 >= 30 && $4 >= 60' | head -1)
  [[ -n $menu ]] || fail "no menu on the screen after a right click"

  # A new reading reaches the tray: with less memory in use (49 % -> 34 %) the Memory icon
  # is drawn again, and the tray shows it.
  as_user xdotool key Escape
  sleep 1
  shot before-reading
  cp "$fixtures/memory-zswap-laptop/proc/meminfo" "$work/root/proc/meminfo.new"
  mv "$work/root/proc/meminfo.new" "$work/root/proc/meminfo"
  read -r _ x y w h <<<"$memory_box"
  for tries in 1 2 3 4 5 6 7 8; do
    sleep 1
    shot after-reading
    [[ -n $(changed before-reading after-reading "$x" "$y" "$w" "$h" --min-area 4) ]] && break
  done
  keep after-reading
  [[ -n $(changed before-reading after-reading "$x" "$y" "$w" "$h" --min-area 4) ]] \
    || fail "the Memory icon at $memory_box did not follow a new reading"
  summary="items: ${boxes[*]}; right-click menu: $menu"
}
