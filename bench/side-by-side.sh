#!/usr/bin/env bash
# What the monitor costs beside a text monitor doing the same job, in one run on this machine:
#   1. `orbmeter --host offscreen` with all ten modules switched on (items whose hardware
#      is absent stay hidden), over the real machine, each module sampled and drawn every
#      second like conky's metrics; and beside it the same with the modules' default
#      intervals (2 to 5 s);
#   2. conky (conky-cli) printing CPU, memory, swap, network, disk I/O, file systems, the top
#      process, temperatures, load and uptime once a second;
#   3. Orbmeter again (every module every second), with its tray items on a private session
#      bus whose watcher registers them: the work it causes the tray (icon files written,
#      D-Bus signals sent, per second).
# Each process's CPU is summed over all its threads from /proc/<pid>/task/*/schedstat after a
# warm-up; RSS from /proc/<pid>/status. Budgets, for the run at 1 Hz: 450 us/s, 5x below conky, 60 MB.
# The warm-up lasts until the status graphs (30 readings wide by default) are full, as they
# are for as long as the monitor then runs.
# A shared VM's neighbours come and go within a minute and can double what a program that
# sleeps most of the time pays for waking, so everything but the tray run (3) is measured
# over WINDOWS consecutive spans of STEADY_SECONDS each, all at the same time: the table
# gives each row's median span and the spread, and the ratio is the median of the spans'
# own ratios.
# usage: bench/side-by-side.sh BUILD_DIR   (STEADY_SECONDS, default 60; WINDOWS, default 3;
#        WARMUP_SECONDS, default 45)
set -euo pipefail
build=${1:?build dir}
bin=$(cd "$build" && pwd)/orbmeter
src=$(cd "$(dirname "$0")/.." && pwd)
steady=${STEADY_SECONDS:-60}
warmup=${WARMUP_SECONDS:-45}
windows=${WINDOWS:-3}
[[ -x $bin ]] || { echo "side-by-side.sh: $bin is missing" >&2; exit 1; }

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/schedstat.sh"
rss_kb() { awk '/VmRSS/ {print $2}' /proc/"$1"/status; }

# A private home for each Orbmeter run, with every module's switch on.
orb_env() { home_env "$work/$1"; } # orb_env NAME -> prints env assignments
switch_all_on() { (export $(orb_env "$1"); prepare_home "$bin" all "${2:-}"); }

# measure PID LABEL [SPANS]: waits the warm-up, then SPANS (default WINDOWS) consecutive
# steady spans; prints "LABEL rss_mb us_per_s..." with one figure per span.
measure() {
  local pid=$1 label=$2 spans=${3:-$windows} start end figures=() i
  sleep "$warmup"
  kill -0 "$pid" 2> /dev/null || { echo "side-by-side.sh: $label exited early" >&2; return 1; }
  start=$(schedstat_ns "$pid")
  for ((i = 0; i < spans; i++)); do
    sleep "$steady"
    end=$(schedstat_ns "$pid")
    figures+=("$(awk -v ns=$((end - start)) -v s="$steady" 'BEGIN { printf "%.1f", ns / 1000 / s }')")
    start=$end
  done
  echo "$label $(awk -v r="$(rss_kb "$pid")" 'BEGIN { printf "%.1f", r / 1024 }') ${figures[*]}"
}

# 1 and 2 run at the same time, so both see the same machine; so does the floor: a Qt program
# that does nothing but wake each second and hand one read to a worker thread.
switch_all_on offscreen every-second
env $(orb_env offscreen) QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
  "$bin" --host offscreen 2> "$work/orbmeter.log" &
orb=$!; pids+=("$orb")
switch_all_on defaults
env $(orb_env defaults) QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
  "$bin" --host offscreen 2> "$work/orbmeter-defaults.log" &
orb_defaults=$!; pids+=("$orb_defaults")

conky_pid=
if command -v conky > /dev/null; then
  cat > "$work/conky.conf" <<'EOF'
conky.config = { out_to_console = true, out_to_x = false, background = false,
                 update_interval = 1, total_run_times = 0, short_units = true }
conky.text = [[
cpu ${cpu cpu0}% ${cpu cpu1}% mem ${memperc}% ${mem}/${memmax} swap ${swapperc}% \
net ${downspeed eth0} ${upspeed eth0} io ${diskio_read} ${diskio_write} \
fs ${fs_used_perc /}% top ${top name 1} ${top cpu 1} temp ${hwmon 0 temp 1} \
load ${loadavg} up ${uptime_short}
]]
EOF
  conky -c "$work/conky.conf" > /dev/null 2> "$work/conky.log" &
  conky_pid=$!; pids+=("$conky_pid")
else
  echo "side-by-side.sh: conky is not installed (tools/install-deps.sh --bench); Orbmeter alone" >&2
fi

idle_pid=
if [[ -x $build/bench/orbidle ]]; then
  QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$build/bench/orbidle" 2> /dev/null &
  idle_pid=$!; pids+=("$idle_pid")
fi

sleeper_pid=
if [[ -x $build/bench/orbsleep ]]; then
  "$build/bench/orbsleep" &
  sleeper_pid=$!; pids+=("$sleeper_pid")
fi

measure "$orb" orbmeter > "$work/orb.fig" &
m1=$!
measure "$orb_defaults" orbmeter-defaults > "$work/orb-defaults.fig" &
m5=$!
if [[ -n $idle_pid ]]; then measure "$idle_pid" floor > "$work/idle.fig" & m3=$!; fi
if [[ -n $sleeper_pid ]]; then measure "$sleeper_pid" sleeper > "$work/sleeper.fig" & m4=$!; fi
if [[ -n $conky_pid ]]; then measure "$conky_pid" conky > "$work/conky.fig" & m2=$!; wait "$m2"; fi
wait "$m1" "$m5"
[[ -n $idle_pid ]] && wait "$m3"
[[ -n $sleeper_pid ]] && wait "$m4"
kill "$orb" "$orb_defaults" ${conky_pid:+"$conky_pid"} ${idle_pid:+"$idle_pid"} ${sleeper_pid:+"$sleeper_pid"} 2> /dev/null || true

# 3: the tray host. A private bus with a watcher that registers every item; dbus-monitor
# counts what Orbmeter sends, inotify what it writes for the tray to read.
bus_address=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3> "$work/bus.pid")
pids+=("$(cat "$work/bus.pid")")
/usr/bin/python3 "$src/bench/tools/sni_watcher.py" "$bus_address" &
pids+=("$!")
sleep 1
switch_all_on sni every-second
env $(orb_env sni) QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS="$bus_address" \
  "$bin" --host sni 2> "$work/orbmeter-sni.log" &
sni=$!; pids+=("$sni")
sleep "$warmup"
dbus-monitor --address "$bus_address" "type='signal'" > "$work/signals.log" 2> /dev/null &
monitor=$!; pids+=("$monitor")
/usr/bin/python3 "$src/bench/tools/count_writes.py" "$work/sni/run/orbmeter" "$steady" > "$work/writes.fig" &
writes=$!
warmup=0 measure "$sni" orbmeter-sni 1 > "$work/sni.fig"
wait "$writes" || echo "0" > "$work/writes.fig"
kill "$monitor" 2> /dev/null || true
signals=$(grep -c '^signal .*member=\(NewIcon\|NewToolTip\|NewTitle\|NewStatus\|LayoutUpdated\|ItemsPropertiesUpdated\|PropertiesChanged\)' "$work/signals.log" || true)
items=$(grep -c "registered" "$work/orbmeter-sni.log" || true)

# One line per row: "label rss span...". Rows whose program is missing are left out.
{ cat "$work"/{orb,conky,idle,sleeper,orb-defaults,sni}.fig 2> /dev/null || true; } |
awk -v s="$steady" -v n="$windows" -v w="$(cat "$work/writes.fig")" -v sig="$signals" '
function median(a, k,   i, j, t, b) {
  for (i = 1; i <= k; i++) b[i] = a[i]
  for (i = 2; i <= k; i++) for (j = i; j > 1 && b[j - 1] > b[j]; j--) { t = b[j]; b[j] = b[j - 1]; b[j - 1] = t }
  return k % 2 ? b[(k + 1) / 2] : (b[k / 2] + b[k / 2 + 1]) / 2
}
function spread(a, k,   i, lo, hi) {
  lo = hi = a[1]
  for (i = 2; i <= k; i++) { if (a[i] < lo) lo = a[i]; if (a[i] > hi) hi = a[i] }
  return k > 1 ? sprintf("%.0f-%.0f", lo, hi) : ""
}
{ rss[$1] = $2; count[$1] = NF - 2; for (i = 3; i <= NF; i++) span[$1, i - 2] = $i }
function mid(label,   a, i) {
  for (i = 1; i <= count[label]; i++) a[i] = span[label, i]
  return median(a, count[label])
}
# row LABEL TEXT [MARK]: prints the line of a row, with MARK (a budget missed) at its end.
function row(label, text, mark,   a, i) {
  for (i = 1; i <= count[label]; i++) a[i] = span[label, i]
  printf "  %-44s %9.1f %9s %9s%s\n", text, mid(label), (label in rss && label != "floor" && label != "sleeper") ? sprintf("%.1f", rss[label]) : "", spread(a, count[label]), mark
}
function ratio(top, bottom,   a, i, k) {
  k = count[top] < count[bottom] ? count[top] : count[bottom]
  for (i = 1; i <= k; i++) a[i] = span[top, i] / span[bottom, i]
  return median(a, k)
}
END {
  printf "side by side, %d span(s) of %d s after the warm-up, CPU over all threads (schedstat)\n", n, s
  printf "  %-44s %9s %9s %9s\n", "", "us CPU/s", "RSS MB", "spans"
  row("orbmeter", "orbmeter --host offscreen, all ten at 1 Hz", mid("orbmeter") > 450 || rss["orbmeter"] > 60 ? "  OVER" : "")
  if ("conky" in count) {
    row("conky", "conky, the same metrics at 1 Hz")
    r = ratio("conky", "orbmeter")
    printf "  %-44s %9.1fx (goal at least 5x)%s\n", "conky / orbmeter, median of the spans", r, (r < 5 ? "  UNDER" : "")
  }
  if ("floor" in count) {
    row("floor", "floor: a Qt program that only wakes each second")
    printf "  %-44s %9.2fx\n", "orbmeter / floor, median of the spans", ratio("orbmeter", "floor")
  }
  if ("sleeper" in count) row("sleeper", "a plain program that only sleeps each second")
  row("orbmeter-defaults", "orbmeter, all ten at their default intervals")
  row("orbmeter-sni", "orbmeter --host sni, all ten at 1 Hz")
  printf "  %-44s %9.2f per s\n", "  icon files written for the tray", w / s
  printf "  %-44s %9.2f per s\n", "  item signals sent to the tray", sig / s
}'
