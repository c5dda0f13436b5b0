#!/usr/bin/env bash
# The Network item end to end: totals over device-backed interfaces across three trees
# (a counter reset in the middle), then the snapshot files and the menu's interface items.
# Usage: test_network.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
fixtures=$2
source "$(dirname "$0")/lib.sh"
png_size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$1"; }

"$bin" sample >/dev/null 2>&1 || fail "first run"
"$bin" defaults write Network_UpdateInterval -int 1
roots=(--sysroot "$fixtures/net-laptop-a" --sysroot "$fixtures/net-laptop-reset" --sysroot "$fixtures/net-laptop-b")
"$bin" sample --passes 3 "${roots[@]}" 2>/dev/null > "$work/sample.json" || fail "sample"
python3 - "$work/sample.json" <<'PY' || fail "Network history"
import json, sys
h = json.load(open(sys.argv[1]))["Network"]
# eth0 + wlan0 only; eth0's reset adds nothing, later growth counts from the new base.
want = [
    {"to_up": 3000000, "to_dw": 130000000, "int": 1, "rs_sig": 50, "rs_itf": 1},
    {"to_up": 3001000, "to_dw": 130002000, "int": 1, "rs_sig": 50, "rs_itf": 1},
    {"to_up": 3001000 + 1000300 + 1500, "to_dw": 130002000 + 50021000 + 38000, "int": 1, "rs_sig": 75, "rs_itf": 1},
]
assert h == want, h
PY

"$bin" snapshot --out "$work/s" --passes 2 --sysroot "$fixtures/net-laptop-a" --sysroot "$fixtures/net-laptop-b" \
  2>/dev/null || fail "snapshot"
for f in network.png network-menu.png menus.json; do [[ -s $work/s/$f ]] || fail "missing $f"; done
read -r w h < <(png_size "$work/s/network.png")
[[ $h -eq 40 && $w -gt 60 ]] || fail "network.png is ${w}x$h"
python3 - "$work/s/menus.json" <<'PY' || fail "network menu"
import json, sys
net = json.load(open(sys.argv[1]))["network"]
tags = [(i["tag"], i["title"]) for i in net if not i["separator"]]
assert (302, "") in tags, tags
assert tags[-2:] == [(400, "eth0"), (401, "wlan0")], tags
PY
echo "network: all checks passed"
