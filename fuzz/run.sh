#!/usr/bin/env bash
# Runs each fuzz target for SECONDS with a seed corpus made from the fixture trees.
# usage: fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
# The per-input timeout is generous: it counts wall time, and the machine is shared.
set -euo pipefail
build=${1:?build dir}
seconds=${2:?seconds}
shift 2
src=$(cd "$(dirname "$0")/.." && pwd)
fx=$src/tests/fixtures
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(fuzz_plist fuzz_proc_stat fuzz_meminfo fuzz_swaps fuzz_dmi)

# Seeds: one file per fixture (pairs joined by the 0x01 byte the targets split at).
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{fuzz_plist,fuzz_proc_stat,fuzz_meminfo,fuzz_swaps,fuzz_dmi}
join() { cat "$1"; printf '\001'; [[ -f $2 ]] && cat "$2"; true; }
for a in "$fx"/cpu-*-a; do
  b=${a%-a}-b
  [[ -f $b/proc/stat ]] && join "$a/proc/stat" "$b/proc/stat" > "$seeds/fuzz_proc_stat/$(basename "$a")"
done
for d in "$fx"/cpu-*; do
  [[ -f $d/proc/stat ]] && cp "$d/proc/stat" "$seeds/fuzz_proc_stat/$(basename "$d").single"
done
for d in "$fx"/memory-*; do
  n=$(basename "$d")
  [[ -f $d/proc/meminfo ]] && join "$d/proc/meminfo" "$d/proc/vmstat" > "$seeds/fuzz_meminfo/$n"
  [[ -f $d/proc/swaps ]] && cp "$d/proc/swaps" "$seeds/fuzz_swaps/$n"
  [[ -f "$d/run/udev/data/+dmi:id" ]] && cp "$d/run/udev/data/+dmi:id" "$seeds/fuzz_dmi/$n"
done
# Themes with their images cut down to a few bytes, as XML and as binary lists.
python3 - "$seeds/fuzz_plist" "$src"/resources/themes/*.plist <<'PY'
import plistlib, sys, os
out = sys.argv[1]
for path in sys.argv[2:]:
    with open(path, 'rb') as f:
        theme = plistlib.load(f)
    for k, v in theme.items():
        if isinstance(v, bytes):
            theme[k] = v[:16]
    name = os.path.basename(path)
    for fmt, suffix in ((plistlib.FMT_XML, '.xml'), (plistlib.FMT_BINARY, '.bin')):
        with open(os.path.join(out, name + suffix), 'wb') as f:
            plistlib.dump(theme, f, fmt=fmt)
PY
# Small binary and XML lists so the binary reader is reached from the start.
printf 'bplist00\xd1\x01\x02Qa\x09\x08\x0b\x0d\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x0e' \
  > "$seeds/fuzz_plist/binary-dict"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict><key>a</key><array><real>0.5</real><integer>1</integer><true/><data>AAEC</data><date>2024-01-01T00:00:00Z</date></array></dict></plist>\n' \
  > "$seeds/fuzz_plist/xml-dict"

mkdir -p "$build/findings" "$build/corpus"
status=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  mkdir -p "$corpus"
  echo "== $t for ${seconds}s"
  start=$(date +%s)
  if ! "$build/fuzz/$t" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -max_len=65536 \
       -print_final_stats=1 -artifact_prefix="$build/findings/$t-" "$corpus" "$seeds/$t" \
       > "$build/findings/$t.log" 2>&1; then
    echo "!! $t found something; see $build/findings/$t.log"
    tail -n 60 "$build/findings/$t.log"
    status=1
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$build/findings/$t.log" || true
  echo "   ran $(( $(date +%s) - start ))s"
done
exit $status
