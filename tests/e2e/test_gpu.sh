#!/usr/bin/env bash
# The GPU item end to end: the sample JSON over fixture trees, the item and its menu in a
# snapshot, and no item where there is no display device. Usage: test_gpu.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
fixtures=$2
source "$(dirname "$0")/lib.sh"
png_size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$1"; }

"$bin" sample --all-modules --passes 1 --sysroot "$fixtures/gpu-hybrid-laptop" >"$work/hybrid.json" 2>/dev/null \
  || fail "sample over the hybrid laptop"
python3 - "$work/hybrid.json" <<'PY' || fail "hybrid laptop GPU sample"
import json, sys
gpu = json.load(open(sys.argv[1]))["GPU"]
assert gpu == [[
    {"GpuKeyId": "_1", "GpuKeyName": "CometLake-H GT2 [UHD Graphics]", "GpuKeyMem": "--", "GpuKeyPer": "--",
     "GpuKeyTotal": -1, "GpuKeyUsed": -1, "GpuKeyFree": -1},
    {"GpuKeyId": "_2", "GpuKeyName": "Navi 24 [Radeon RX 6400/6500 XT/6500M]", "GpuKeyMem": "4096MB",
     "GpuKeyPer": "75%", "GpuKeyTotal": 4294967296, "GpuKeyUsed": 3221225472, "GpuKeyFree": 1073741824},
]], gpu
PY

out=$("$bin" sample --all-modules --passes 1 --sysroot "$fixtures/gpu-none" 2>/dev/null)
[[ $out != *'"GPU"'* ]] || fail "a machine without display devices has no GPU history: $out"

# Circle meter by default: label 9 + circle 16 + padding 2 per device = 45 points, 90 pixels.
"$bin" snapshot --out "$work/s1" --passes 1 --all-modules --sysroot "$fixtures/gpu-hybrid-laptop" 2>/dev/null \
  || fail "snapshot"
for f in gpu.png gpu-menu.png; do [[ -s $work/s1/$f ]] || fail "missing $f"; done
[[ $(png_size "$work/s1/gpu.png") == "90 40" ]] || fail "gpu.png is $(png_size "$work/s1/gpu.png"), not 90 40"
python3 - "$work/s1/menus.json" <<'PY' || fail "GPU menu items"
import json, sys
gpu = json.load(open(sys.argv[1]))["gpu"]
assert gpu[0]["title"] == 'Open "GPU" Preference', gpu
assert [i["tag"] for i in gpu if not i["separator"]][-2:] == [400, 401], gpu
PY

"$bin" snapshot --out "$work/s2" --passes 1 --all-modules --sysroot "$fixtures/gpu-none" 2>/dev/null \
  || fail "snapshot without a GPU"
[[ ! -e $work/s2/gpu.png ]] || fail "an item without a display device"
"$bin" defaults read Gpu_Display_CircleMeter | grep -qx 1 || fail "the switch was rewritten on a machine without GPU"
echo "gpu: all checks passed"
