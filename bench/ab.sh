#!/usr/bin/env bash
# Two builds side by side, at the same time, so that both see the same machine: on a shared
# host a single run of side-by-side.sh swings by more than most changes are worth. Each round
# starts both with every module on and sampled every second (each in a private home), waits
# for the graphs to fill, then reports each one's CPU over all threads (schedstat) in us/s;
# the last line gives the means and B's change against A.
# usage: bench/ab.sh BIN_A BIN_B [ROUNDS] [SECONDS]   (WARMUP_SECONDS, default 45)
set -euo pipefail
a=${1:?binary A}; b=${2:?binary B}
rounds=${3:-6}; secs=${4:-40}; warmup=${WARMUP_SECONDS:-45}
for bin in "$a" "$b"; do [[ -x $bin ]] || { echo "ab.sh: $bin is not executable" >&2; exit 1; }; done

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT
source "$(dirname "$0")/schedstat.sh"

for side in a b; do
  bin=$a; [[ $side == b ]] && bin=$b
  (export $(home_env "$work/$side"); prepare_home "$bin" all every-second)
done

start() { # start SIDE BIN -> pid
  env $(home_env "$work/$1") QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
    "$2" --host offscreen > /dev/null 2>&1 &
  echo $!
}
sum_a=0; sum_b=0
for ((r = 0; r < rounds; r++)); do
  pa=$(start a "$a"); pb=$(start b "$b"); pids=("$pa" "$pb")
  sleep "$warmup"
  a0=$(schedstat_ns "$pa"); b0=$(schedstat_ns "$pb")
  sleep "$secs"
  a1=$(schedstat_ns "$pa"); b1=$(schedstat_ns "$pb")
  kill "$pa" "$pb"; wait "$pa" "$pb" 2> /dev/null || true; pids=()
  ua=$(( (a1 - a0) / 1000 / secs )); ub=$(( (b1 - b0) / 1000 / secs ))
  sum_a=$((sum_a + ua)); sum_b=$((sum_b + ub))
  echo "round $r: A $ua us/s  B $ub us/s"
done
awk -v a="$sum_a" -v b="$sum_b" -v n="$rounds" \
  'BEGIN { printf "mean: A %.1f us/s  B %.1f us/s  B against A %+.1f %%\n", a / n, b / n, (a > 0 ? (b - a) * 100 / a : 0) }'
