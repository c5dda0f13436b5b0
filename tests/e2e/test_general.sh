#!/usr/bin/env bash
# The General item end to end, with the power and Bluetooth services played by
# python3-dbusmock on a private system bus: `snapshot` draws the battery's charge and lists
# the battery and device rows, and "Quit Orbmeter" chosen from the item's menu on the panel
# host ends the monitor with status 0.
# Usage: test_general.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
fixtures=$2
py=/usr/bin/python3
work=$(mktemp -d)
pids=()
app_pid=""
cleanup() {
  local status=$?
  [[ -n $app_pid ]] && { kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; }
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$work"/*.log; do [[ -f $f ]] && { echo "== $f"; tail -20 "$f"; }; done; exit 1; }

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-session-bus QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY ORBMETER_SYSROOT
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

# A private bus stands in for the system bus.
dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/bus ]] && break; sleep 0.1; done
[[ -s $work/bus ]] || fail "no private bus"
export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$work/bus")

$py -m dbusmock --system --template upower >"$work/upower.log" 2>&1 &
pids+=($!)
$py -m dbusmock --system --template bluez5 >"$work/bluez.log" 2>&1 &
pids+=($!)
cat >"$work/mock.py" <<'EOF'
import dbus, os, sys, time
bus = dbus.bus.BusConnection(os.environ['DBUS_SYSTEM_BUS_ADDRESS'])
for name in ('org.freedesktop.UPower', 'org.bluez'):
    for _ in range(150):
        if bus.name_has_owner(name):
            break
        time.sleep(0.1)
    else:
        sys.exit('%s did not start' % name)
M = 'org.freedesktop.DBus.Mock'
up = bus.get_object('org.freedesktop.UPower', '/org/freedesktop/UPower')
ac = up.AddAC('AC', 'Mains', dbus_interface=M)
up.SetDeviceProperties(ac, {'Online': dbus.Boolean(False)}, dbus_interface=M)
up.AddDischargingBattery('BAT0', 'Battery', 57.0, dbus.Int64(9000), dbus_interface=M)
bz = bus.get_object('org.bluez', '/')
bz.AddAdapter('hci0', 'laptop', dbus_interface='org.bluez.Mock')
bz.AddDevice('hci0', 'DC:2C:26:0A:1B:3C', 'MX Master 3', dbus_interface='org.bluez.Mock')
bz.ConnectDevice('hci0', 'DC:2C:26:0A:1B:3C', dbus_interface='org.bluez.Mock')
p = '/org/freedesktop/UPower/devices/mouse_dev_DC_2C_26_0A_1B_3C'
up.AddObject(p, 'org.freedesktop.UPower.Device', {'Type': dbus.UInt32(5), 'PowerSupply': False,
             'IsPresent': True, 'Percentage': 12.0, 'State': dbus.UInt32(2), 'Model': 'MX Master 3',
             'NativePath': '/org/bluez/hci0/dev_DC_2C_26_0A_1B_3C'}, dbus.Array([], signature='(ssss)'),
             dbus_interface=M)
EOF
$py "$work/mock.py" || fail "mock set-up"

# First run writes the defaults; then the battery's charge instead of the application icon.
ORBMETER_SYSROOT=$fixtures/general-qemu "$bin" sample >/dev/null 2>"$work/sample.log" || fail "first run"
"$bin" defaults write DisplayOrbIcon -int 2
"$bin" snapshot --out "$work/snap" --sysroot "$fixtures/general-qemu" 2>"$work/snapshot.log" || fail "snapshot"
[[ -s $work/snap/general.png && -s $work/snap/general-menu.png ]] || fail "no general.png / general-menu.png"

$py - "$work/snap" <<'EOF' || fail "snapshot contents"
import json, struct, sys, zlib
snap = sys.argv[1]
menu = json.load(open(snap + '/menus.json'))['general']
titles = [(i['title'], i['tag']) for i in menu if not i['separator']]
assert titles[-1] == ('Quit Orbmeter', 505), titles
assert ('Built-in Battery', 401) in titles and ('MX Master 3', 402) in titles, titles
assert sum(1 for t, _ in titles if t == 'MX Master 3') == 1, 'the mouse seen by both services is one row'

def rgba(path):
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n'
    pos, idat, w = 8, b'', 0
    while pos < len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b'IHDR':
            w, h, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            assert depth == 8 and colour == 6 and interlace == 0, (depth, colour, interlace)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + n
    raw, stride, rows, prev = zlib.decompress(idat), w * 4, [], bytearray(w * 4)
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = prev[x]
            c = prev[x - 4] if x >= 4 else 0
            if f == 1: line[x] = (line[x] + a) & 255
            elif f == 2: line[x] = (line[x] + b) & 255
            elif f == 3: line[x] = (line[x] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return w, h, lambda x, y: tuple(rows[y][x * 4:x * 4 + 4])

w, h, px = rgba(snap + '/general.png')
assert (w, h) == (36, 36), (w, h)
r, g, b, a = px(10, 18)
assert a > 200 and g > r + 60 and g > b + 60, ('the left half of the cell is filled', px(10, 18))
assert px(24, 18)[3] < 40, ('the right half is empty', px(24, 18))
EOF

# Quit from the General menu on the panel host ends the monitor with status 0.
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || fail "Xvfb and xdotool are needed"
source "$(dirname "$0")/xvfb.sh"
start_xvfb
pids+=("$xvfb_pid")
"$bin" defaults write QuitCheck -string before
QT_QPA_PLATFORM=xcb ORBMETER_SYSROOT=$fixtures/general-qemu "$bin" --host panel >"$work/app.log" 2>&1 &
app_pid=$!
wid=""
for _ in $(seq 100); do
  wid=$(xdotool search --name '^Orbmeter panel$' 2>/dev/null | head -1 || true)
  [[ -n $wid ]] && break
  sleep 0.1
done
[[ -n $wid ]] || fail "no panel window"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$wid")"
# The General item is the rightmost; its menu ends with Quit, one step up from the top. On a
# loaded machine the menu may open after the keys were sent: then close it and try again,
# waiting longer each time.
status=""
for attempt in 1 2 3; do
  xdotool key Escape
  xdotool mousemove $((X + WIDTH - 12)) $((Y + HEIGHT / 2)) click 1
  sleep "$attempt"
  xdotool key Up
  sleep 0.3
  xdotool key Return
  for _ in $(seq 100); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      set +e; wait "$app_pid"; status=$?; set -e
      app_pid=""
      break 2
    fi
    sleep 0.1
  done
done
[[ -n $status ]] || fail "the monitor did not end after Quit"
[[ $status -eq 0 ]] || fail "the monitor ended with status $status"
grep -q 'quit chosen from the menu' "$work/app.log" || fail "ended, but not through Quit"
echo "ok"
