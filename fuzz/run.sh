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

# Deeply nested lists, the largest as big as the reports that crashed the reader: 200,000
# XML arrays (3 MB) and 100,000 binary ones (900 KB); around the accepted depth of 128;
# closing tags hidden where the parser skips them; a reference cycle; references that
# double at every level.
python3 - "$seeds/fuzz_plist" <<'PY'
import os, struct, sys
out = sys.argv[1]
def xml(body):
    return b'<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">' + body + b'</plist>\n'
def binary(objects, top=0, ref=4):
    data, offsets = b'bplist00', []
    for o in objects:
        offsets.append(len(data))
        data += o
    table = len(data)
    data += b''.join(struct.pack('>I', o) for o in offsets)
    return data + b'\0' * 6 + bytes([4, ref]) + struct.pack('>QQQ', len(objects), top, table)
def nested_binary(n):
    return binary([b'\xa1' + struct.pack('>I', i + 1) for i in range(n)] + [b'\x10\x07'])
seeds = {
    'deep-xml-200000': xml(b'<array>' * 200000 + b'</array>' * 200000),
    'deep-binary-100000': nested_binary(100000),
    'deep-xml-128': xml(b'<array>' * 128 + b'<integer>7</integer>' + b'</array>' * 128),
    'deep-xml-129': xml(b'<array>' * 129 + b'</array>' * 129),
    'deep-binary-128': nested_binary(128),
    'deep-binary-129': nested_binary(129),
    'deep-dict-xml-200': xml(b'<dict><key>k</key>' * 200 + b'<true/>' + b'</dict>' * 200),
    'hidden-close-comment': xml(b'<array><!-- </array> -->' * 200 + b'</array>' * 200),
    'hidden-close-cdata': xml(b'<array><string><![CDATA[</array>]]></string>' * 200 + b'</array>' * 200),
    'binary-cycle': binary([b'\xa1' + struct.pack('>I', 0)]),
    'binary-doubling-40': binary([b'\xa2' + struct.pack('>II', i + 1, i + 1) for i in range(40)] + [b'\x10\x07']),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)
PY

mkdir -p "$build/findings" "$build/corpus"
status=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  mkdir -p "$corpus"
  echo "== $t for ${seconds}s"
  start=$(date +%s)
  # Property lists must reach the sizes of the deeply nested seeds above.
  max_len=65536
  [[ $t == fuzz_plist ]] && max_len=4194304
  if ! "$build/fuzz/$t" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -max_len=$max_len \
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
