#!/usr/bin/env bash
# The CPU and Memory menus end to end: two passes over a desktop's /proc trees one second
# apart, each menu drawn open, and the rows menus.json lists for them.
# Usage: test_process_menus.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
fixtures=$2
source "$(dirname "$0")/lib.sh"

roots=(--sysroot "$fixtures/procs-desktop-a" --sysroot "$fixtures/procs-desktop-b")
"$bin" defaults write Cpu_ProcessRecentSec -int 10 >/dev/null
for module in cpu memory; do
  "$bin" snapshot --out "$work/$module" --passes 2 --open "$module" "${roots[@]}" 2>/dev/null || fail "snapshot --open $module"
  [[ -s $work/$module/$module-menu.png ]] || fail "no $module-menu.png"
done

python3 - "$work/cpu/menus.json" "$work/memory/menus.json" "$fixtures/procs-desktop-b/proc/sys/kernel/hostname" <<'PY' || fail "menus.json"
import json, sys
cpu = [item["title"] for item in json.load(open(sys.argv[1]))["cpu"]]
memory = [item["title"] for item in json.load(open(sys.argv[2]))["memory"]]
def has(rows, *wanted):
    for w in wanted:
        assert w in rows, (w, rows)
# cpu-2core-a to -b: average entry user 4, system 3, nice 1, idle 94 of 102 ticks.
has(cpu, "User\t4%", "System\t3%", "Nice\t1%", "Idle\t92%")
# Busiest first: two compilers, then the browser with its content processes.
procs = [r for r in cpu if r.endswith("%") and r.split("\t")[0] not in ("User", "System", "Nice", "Idle")]
assert procs[:3] == ["cc1plus\t197.0%", "Firefox ESR\t59.0%", "gnome-shell\t12.0%"], procs
has(cpu, "Host Name\t%s" % open(sys.argv[3]).read().strip())
assert any(r.startswith("Load Average\t1min: ") for r in cpu), cpu
# Largest resident sizes from the second tree: 121000 + 9400 + 31000 + 88040 + 52000 + 22000 + 9000 pages.
has(memory, "Firefox ESR\t1.27GB", "gnome-shell\t304.7MB", "Swap Total\t1 area: 3.83GB")
assert any(r.startswith("Installed\t") for r in memory), memory
PY
echo "process menus: all checks passed"
