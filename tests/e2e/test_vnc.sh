#!/usr/bin/env bash
# The screen-sharing item end to end: one saved server in the settings, then snapshots with
# no avahi-daemon at all and with an avahi stand-in announcing two servers on a private
# system bus. Usage: test_vnc.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
fixtures=$2
source "$(dirname "$0")/lib.sh"
tools=$(cd "$(dirname "$0")/../services/tools" && pwd)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# First run (default settings), then the item switched on and two saved servers, one of
# them hostile.
"$bin" sample --passes 1 >/dev/null 2>&1 || fail "first run"
"$bin" defaults write Vnc_ShowMenu -bool true >/dev/null
settings=$XDG_CONFIG_HOME/Orbmeter9/org.orbmeter.Orbmeter9.plist
/usr/bin/python3 - "$settings" <<'PY' || fail "saving the server list"
import plistlib, sys
with open(sys.argv[1], 'rb') as f:
    d = plistlib.load(f)
d['Vnc_ClientSortArray'] = [{'name': 'office.example:5901', 'url': 'vnc://office.example:5901', 'menu': True},
                            {'name': 'evil', 'url': 'vnc://-oProxyCommand=touch', 'menu': True}]
with open(sys.argv[1], 'wb') as f:
    plistlib.dump(d, f)
PY

titles() {
  /usr/bin/python3 -c 'import json,sys; print("\n".join("%d %s" % (i["tag"], i["title"]) for i in json.load(open(sys.argv[1]))["vnc"]))' "$1"
}

# No avahi-daemon, not even a system bus: no network section, the saved server, no wait.
start=$(date +%s)
"$bin" snapshot --out "$work/s1" --open vnc 2>"$work/s1.log" || fail "snapshot without a system bus"
(( $(date +%s) - start < 10 )) || fail "the snapshot waited for a bus that is not there"
got=$(titles "$work/s1/menus.json")
[[ $got == *"402 office.example:5901"* ]] || fail "saved server missing: $got"
[[ $got != *"301 "* ]] || fail "network section without avahi: $got"
[[ $got != *"evil"* ]] || fail "a hostile server was listed: $got"
"$bin" sample --passes 2 | /usr/bin/python3 -c 'import json,sys; assert json.load(sys.stdin)["VNC"] == [True]' \
  || fail "sample without avahi"

# A private system bus with the avahi stand-in announcing two servers.
cat >"$work/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:dir=$work</listen>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy></busconfig>
EOF
dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=3 3>"$work/address" &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/address ]] && break; sleep 0.05; done
export DBUS_SYSTEM_BUS_ADDRESS=$(head -n1 "$work/address")
/usr/bin/python3 -m dbusmock --system --template "$tools/avahi_mock.py" -p \
  '{"services": [["Zeta", "192.168.1.21", 5900, "zeta.local", 0], ["Alpha Studio", "192.168.1.20", 5901, "alpha.local", 0]]}' \
  >"$work/mock.log" 2>&1 &
pids+=($!)
/usr/bin/python3 - <<'PY' || fail "the avahi stand-in did not come up: $(cat "$work/mock.log")"
import dbus, os, sys, time
bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
deadline = time.time() + 20
while not bus.name_has_owner("org.freedesktop.Avahi"):
    if time.time() > deadline:
        sys.exit(1)
    time.sleep(0.05)
PY

"$bin" snapshot --out "$work/s2" --open vnc 2>"$work/s2.log" || fail "snapshot with avahi"
got=$(titles "$work/s2/menus.json")
grep -q '^301 ' <<<"$got" && grep -q '^401 ' <<<"$got" || fail "section separators: $got"
expected='100 Open "VNC" Preference
302 Alpha Studio (192.168.1.20)
303 Zeta (192.168.1.21)
402 office.example:5901'
[[ $(grep -v '^\(301\|401\|501\) ' <<<"$got") == "$expected" ]] || fail "menu with avahi: $got"
[[ -s $work/s2/vnc-menu.png && -s $work/s2/vnc.png ]] || fail "snapshot images"
echo "vnc: all checks passed"
