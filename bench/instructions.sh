#!/usr/bin/env bash
# Instructions the running monitor executes per second of steady state, counted by
# callgrind: a figure that does not move with the machine's load, unlike CPU time on a
# shared VM (the same monitor measures anywhere from 600 to 5,000 us/s within an hour here).
# It counts user-space instructions only; the kernel's side of reading /proc is not in it.
#
# Runs `orbmeter --host offscreen` (default modules; ALL_MODULES=1 for all ten, and with
# EVERY_SECOND=1 too each of them sampled every second instead of every 2 to 5) and the idle
# Qt floor (bench/tools/idle_qt_program.cpp) under callgrind, zeroes the counts after the
# warm-up, counts over STEADY_SECONDS, and prints both per second, with the functions of
# the monitor that cost most (TOP, default 25; inclusive).
# The warm-up lasts until the status graphs (30 readings) are full, as in side-by-side.sh.
# usage: bench/instructions.sh BUILD_DIR   (STEADY_SECONDS 30, WARMUP_SECONDS 45)
set -euo pipefail
build=${1:?build dir}
bin=$(cd "$build" && pwd)/orbmeter
steady=${STEADY_SECONDS:-30}
warmup=${WARMUP_SECONDS:-45}
top=${TOP:-25}
command -v valgrind > /dev/null || { echo "instructions.sh: valgrind is missing" >&2; exit 1; }
[[ -x $bin ]] || { echo "instructions.sh: $bin is missing" >&2; exit 1; }

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_DATA_HOME=$work/.local/share XDG_CACHE_HOME=$work/.cache
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
source "$(dirname "$0")/schedstat.sh"
prepare_home "$bin" ${ALL_MODULES:+all} ${EVERY_SECOND:+every-second}

# counted NAME CMD...: starts CMD under callgrind; its dumps land in $work/NAME.out.*
counted() {
  local name=$1; shift
  valgrind --tool=callgrind --callgrind-out-file="$work/$name.out" "$@" > /dev/null 2> "$work/$name.err" &
  pids+=("$!")
}
counted orbmeter "$bin" --host offscreen
orb=${pids[-1]}
idle=
if [[ -x $build/bench/orbidle ]]; then counted floor "$build/bench/orbidle"; idle=${pids[-1]}; fi

sleep "$warmup"
callgrind_control -z "$orb" > /dev/null
[[ -n $idle ]] && callgrind_control -z "$idle" > /dev/null
sleep "$steady"
callgrind_control -d "$orb" > /dev/null
[[ -n $idle ]] && callgrind_control -d "$idle" > /dev/null
sleep 1

totals() { awk '/^totals:/ {print $2; exit}' "$(ls -t "$work/$1".out.* | head -1)"; }
orb_ir=$(totals orbmeter)
printf 'instructions per second, %d s after a %d s warm-up (callgrind, user space only)\n' "$steady" "$warmup"
modules="default modules"
[[ -n ${ALL_MODULES:-} ]] && modules="all ten modules"
[[ -n ${ALL_MODULES:-} && -n ${EVERY_SECOND:-} ]] && modules="all ten modules at 1 Hz"
printf '  %-50s %12.0f\n' "orbmeter --host offscreen, $modules" \
  "$(echo "$orb_ir / $steady" | bc -l)"
if [[ -n $idle ]]; then
  idle_ir=$(totals floor)
  printf '  %-50s %12.0f\n' "floor: a Qt program that only wakes each second" "$(echo "$idle_ir / $steady" | bc -l)"
fi
echo
echo "where the monitor's instructions go (inclusive, per second):"
callgrind_annotate --inclusive=yes --threshold=100 "$(ls -t "$work"/orbmeter.out.* | head -1)" 2> /dev/null |
  awk -v s="$steady" -v top="$top" '
    /^-+$/ { dashes++; next }
    dashes >= 4 && $1 ~ /^[0-9,]+$/ {
      ir = $1; gsub(",", "", ir); $1 = ""; $2 = ""
      sub(/^ +/, ""); sub(/ \[.*\]$/, ""); sub(/^[^:]*:/, "")
      if ($0 ~ /^orb::/ && !($0 in seen) && n < top) { seen[$0] = 1; printf "  %10.0f  %s\n", ir / s, substr($0, 1, 110); n++ }
    }'
