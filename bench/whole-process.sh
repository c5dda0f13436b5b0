#!/usr/bin/env bash
# The figure users feel: `orbmeter sample --passes 600 --all-modules` over the bench
# fixture trees (alternating), under /usr/bin/time -v. Prints CPU milliseconds per pass
# (user+sys over 600, start-up included), the same without start-up (against a 1-pass
# run), and peak resident memory; compares them with the budget (1 ms, 60 MB).
# usage: bench/whole-process.sh BUILD_DIR [PASSES]
set -euo pipefail
build=${1:?build dir}
passes=${2:-600}
src=$(cd "$(dirname "$0")/.." && pwd)
bin=$build/orbmeter
[[ -x $bin ]] || { echo "whole-process.sh: $bin is missing" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "whole-process.sh: /usr/bin/time is missing (package time)" >&2; exit 1; }

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
roots=()
for ((i = 0; i < passes; i++)); do
  roots+=(--sysroot "$src/tests/fixtures/bench-$([[ $((i % 2)) -eq 0 ]] && echo a || echo b)")
done

# run N: CPU seconds (user+sys) and peak RSS in KiB of one `sample --passes N`.
run() {
  local n=$1 log=$home/time-$1.log
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_CACHE_HOME=$home/.cache \
  QT_QPA_PLATFORM=offscreen /usr/bin/time -v "$bin" sample --passes "$n" --all-modules "${roots[@]}" \
    > "$home/out-$n.json" 2> "$log"
  awk -F': ' '/User time \(seconds\)/ {u=$2} /System time \(seconds\)/ {s=$2}
              /Maximum resident set size/ {r=$2} END {printf "%.3f %d\n", u+s, r}' "$log"
}
defaults() {
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_CACHE_HOME=$home/.cache \
  "$bin" defaults "$@" 2> /dev/null
}
report() {
  awk -v what="$1" -v n="$passes" -v c1="$2" -v cn="$3" -v rss="$4" 'BEGIN {
  per = cn * 1000 / n; marginal = (cn - c1) * 1000 / (n - 1); mb = rss / 1024
  printf "whole process, %d passes, all modules, %s: %.3f s CPU\n", n, what, cn
  printf "  CPU per pass          %7.3f ms  (start-up included; budget 1 ms)%s\n", per, (per > 1 ? "  OVER" : "")
  printf "  CPU per pass, steady  %7.3f ms  (start-up of %.0f ms taken out)%s\n", marginal, c1 * 1000, (marginal > 1 ? "  OVER" : "")
  printf "  peak RSS              %7.1f MB  (budget 60 MB)%s\n", mb, (mb > 60 ? "  OVER" : "")
}'
}

run 1 > /dev/null # settings and themes written once, as on a first start
read -r cpu1 _ < <(run 1)
read -r cpuN rss < <(run "$passes")
report "default update intervals" "$cpu1" "$cpuN" "$rss"

# Every sampler on every pass: the most a pass can cost.
for key in Cpu_UpdateInterval Memory_UpdateInterval Gpu_UpdateInterval Temp_UpdateInterval Fan_UpdateInterval; do
  defaults write "$key" -int 1
done
read -r cpu1 _ < <(run 1)
read -r cpuN rss < <(run "$passes")
report "every sampler every pass" "$cpu1" "$cpuN" "$rss"

# The running monitor: `orbmeter --host offscreen` with the default modules over this
# machine, CPU summed over all its threads from /proc/<pid>/task/*/schedstat (nanoseconds
# on the CPU) across STEADY_SECONDS after a 5 s warm-up, in microseconds per second.
steady=${STEADY_SECONDS:-60}
source "$(dirname "$0")/schedstat.sh"
rm -rf "$home/.config" "$home/.local" "$home/.cache"
mkdir -p "$home/run" && chmod 700 "$home/run"
(export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_CACHE_HOME=$home/.cache
 prepare_home "$bin")
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_CACHE_HOME=$home/.cache \
XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
  "$bin" --host offscreen 2> "$home/monitor.log" &
monitor=$!
# Beside it, the floor: a Qt program that only wakes each second and hands one read to a
# worker thread (bench/tools/idle_qt_program.cpp).
idle=
if [[ -x $build/bench/orbidle ]]; then
  QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$build/bench/orbidle" 2> /dev/null &
  idle=$!
fi
# And below it, a plain program that only sleeps a second and reads once (bench/tools/plain_sleeper.cpp).
sleeper=
if [[ -x $build/bench/orbsleep ]]; then
  "$build/bench/orbsleep" &
  sleeper=$!
fi
sleep 5
if ! kill -0 "$monitor" 2> /dev/null; then
  echo "whole-process.sh: the monitor exited early:" >&2; cat "$home/monitor.log" >&2; exit 1
fi
start_ns=$(schedstat_ns "$monitor")
[[ -n $idle ]] && idle_start=$(schedstat_ns "$idle")
[[ -n $sleeper ]] && sleeper_start=$(schedstat_ns "$sleeper")
sleep "$steady"
end_ns=$(schedstat_ns "$monitor")
[[ -n $idle ]] && idle_end=$(schedstat_ns "$idle")
[[ -n $sleeper ]] && sleeper_end=$(schedstat_ns "$sleeper")
rss_kb=$(awk '/VmRSS/ {print $2}' /proc/"$monitor"/status)
kill "$monitor" ${idle:+"$idle"} ${sleeper:+"$sleeper"}; wait "$monitor" 2> /dev/null || true
awk -v ns=$((end_ns - start_ns)) -v s="$steady" -v rss="$rss_kb" 'BEGIN {
  per = ns / 1000 / s
  printf "running monitor, default modules, offscreen, %d s: %7.1f us CPU per second (goal 150)%s, RSS %.1f MB\n",
         s, per, (per > 150 ? "  OVER" : ""), rss / 1024 }'
if [[ -n $idle ]]; then
  awk -v ns=$((idle_end - idle_start)) -v mon=$((end_ns - start_ns)) -v s="$steady" 'BEGIN {
    printf "  floor in the same run, a Qt program that only wakes each second: %7.1f us CPU per second\n", ns / 1000 / s
    if (ns > 0) printf "  monitor / floor: %.2fx\n", mon / ns }'
fi
if [[ -n $sleeper ]]; then
  awk -v ns=$((sleeper_end - sleeper_start)) -v s="$steady" 'BEGIN {
    printf "  a plain program that only sleeps a second and reads once: %7.1f us CPU per second\n", ns / 1000 / s }'
fi
