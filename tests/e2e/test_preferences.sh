#!/usr/bin/env bash
# The Preferences window as `snapshot --preferences` draws it: one picture per tab, the
# settings it shows, and refusal of an unknown tab. Usage: test_preferences.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
fixtures=$2
source "$(dirname "$0")/lib.sh"
png_size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$1"; }

"$bin" snapshot --out "$work/all" --sysroot "$fixtures/cpu-2core-a" --preferences all 2>/dev/null || fail "snapshot --preferences all"
for m in general cpu gpu memory network disk volume temp fan vnc; do
    f=$work/all/preferences-$m.png
    [[ -s $f ]] || fail "missing preferences-$m.png"
    read -r w h < <(png_size "$f")
    # The window at two pixels per point.
    (( w >= 1200 && h >= 1000 )) || fail "preferences-$m.png is only ${w}x$h"
done
[[ -s $work/all/menubar.png ]] || fail "the usual snapshot files are written too"

# One tab by name, in any case; the others are not drawn.
"$bin" snapshot --out "$work/one" --preferences CPU 2>/dev/null || fail "snapshot --preferences CPU"
[[ -s $work/one/preferences-cpu.png && ! -e $work/one/preferences-memory.png ]] || fail "only the CPU tab"

# A slider position outside its range is brought into it by the tab and stored.
"$bin" defaults write Cpu_GraphWidth -int 9999
"$bin" snapshot --out "$work/clamped" --preferences cpu 2>/dev/null || fail "snapshot with a huge width"
[[ $("$bin" defaults read Cpu_GraphWidth) == 200 ]] || fail "stored width not brought into the slider's range"

set +e
"$bin" snapshot --out "$work/bad" --preferences nosuchtab >/dev/null 2>"$work/err"; rc=$?
set -e
[[ $rc -eq 2 ]] || fail "--preferences of an unknown tab exits $rc, not 2"
grep -q "no preferences tab" "$work/err" || fail "no message for an unknown tab"
echo "preferences: all checks passed"
