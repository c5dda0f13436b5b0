#!/usr/bin/env bash
# The CPU item end to end: default settings in an empty HOME, three passes over fixture
# trees, then the snapshot files. Usage: test_snapshot.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
fixtures=$2
source "$(dirname "$0")/lib.sh"
png_size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$1"; }

roots=(--sysroot "$fixtures/cpu-2core-a" --sysroot "$fixtures/cpu-2core-b")
"$bin" snapshot --out "$work/s1" --passes 3 "${roots[@]}" 2>/dev/null || fail "snapshot"
for f in menubar.png cpu.png cpu-menu.png menus.json; do [[ -s $work/s1/$f ]] || fail "missing $f"; done
read -r w h < <(png_size "$work/s1/cpu.png")
[[ $h -eq 40 ]] || fail "cpu.png is $h pixels high, not 40"

# Graph only, label on, padding 2: 30 + 2 + 9 = 41 points, 82 pixels.
"$bin" defaults write Cpu_Display_Text -bool false
"$bin" snapshot --out "$work/s2" --passes 3 "${roots[@]}" 2>/dev/null || fail "second snapshot"
read -r w h < <(png_size "$work/s2/cpu.png")
[[ $w -eq 82 && $h -eq 40 ]] || fail "graph-only cpu.png is ${w}x$h, not 82x40"

python3 - "$work/s2/menus.json" <<'PY' || fail "menus.json"
import json, sys
menus = json.load(open(sys.argv[1]))
cpu = menus["cpu"]
assert cpu[0] == {"title": 'Open "CPU" Preference', "tag": 100, "enabled": True, "separator": False}, cpu[0]
assert any(item["separator"] for item in cpu), cpu
PY

# The menu drawn open: the item turns into a highlighted template image of the same size.
"$bin" snapshot --out "$work/s3" --passes 3 --open cpu "${roots[@]}" 2>/dev/null || fail "snapshot --open"
[[ $(png_size "$work/s3/cpu.png") == "82 40" ]] || fail "open cpu.png size"
set +e
"$bin" snapshot --out "$work/s4" --open nosuchmodule >/dev/null 2>&1; rc=$?
set -e
[[ $rc -eq 2 ]] || fail "--open of an unknown module exits $rc, not 2"
echo "snapshot: all checks passed"
