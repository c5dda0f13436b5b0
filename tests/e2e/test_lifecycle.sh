#!/usr/bin/env bash
# How a running monitor ends and starts again: SIGTERM in the middle of a run leaves the
# settings saved and exits 0; the periodic restart leaves exactly one monitor, a new process.
# Usage: test_lifecycle.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
source "$(dirname "$0")/lib.sh"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-session-bus DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no-system-bus
settings=$XDG_CONFIG_HOME/Orbmeter9/org.orbmeter.Orbmeter9.plist
pids=()
# Every copy the restarts started is named in the log (no scan of the machine's processes).
# A copy may be starting the next one as it is stopped: look again until every named one is gone.
restarted() { sed -n 's/.*restarted as process \([0-9]*\).*/\1/p' "$work/run2.log" 2>/dev/null; }
cleanup_monitors() {
  local p alive
  for _ in $(seq 50); do
    alive=0
    for p in "${pids[@]}" $(restarted); do
      kill "$p" 2>/dev/null && alive=1
    done
    (( alive )) || return 0
    sleep 0.1
  done
}
trap 'cleanup_monitors; rm -rf "$work" || true' EXIT

wait_for() { # wait_for SECONDS COMMAND...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do (( SECONDS < deadline )) || return 1; sleep 0.2; done
}

# SIGTERM: a clean end with code 0, the settings file whole and holding what the run wrote.
"$bin" --host offscreen 2>"$work/run1.log" &
pid=$!; pids+=("$pid")
wait_for 20 grep -q "<key>AppVersion</key>" "$settings" 2>/dev/null || fail "the monitor never wrote its settings"
sleep 1
# Its code, and that of its larger libraries, runs from huge pages where the kernel gives them
# to memory advised for them: more than one executable mapping holds them. (A sanitizer build
# keeps its own memory layout.)
if grep -q '\[always\]\|\[madvise\]' /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null \
   && ! ldd "$bin" | grep -q 'lib[at]san'; then
  huge_code=$(awk '/^[0-9a-f]+-[0-9a-f]+ / { code = ($2 == "r-xp") } code && /^AnonHugePages:/ && $2 > 0 { n++ }
                   END { print n + 0 }' /proc/"$pid"/smaps)
  [[ $huge_code -ge 2 ]] || fail "the code on huge pages is in $huge_code mappings, not the program's and its libraries'"
  grep -q "kB of its libraries' code" "$work/run1.log" || fail "the log does not say what went onto huge pages"
fi
kill -TERM "$pid"
set +e; wait "$pid"; rc=$?; set -e
[[ $rc -eq 0 ]] || { cat "$work/run1.log" >&2; fail "SIGTERM ends with $rc, not 0"; }
grep -q "signal 15 received" "$work/run1.log" || fail "the end by signal is logged"
[[ $("$bin" defaults read DisplayOrbIcon) == 1 ]] || fail "settings readable after SIGTERM"

# Restart after one "day" of 144 short periods: a new process takes over, one at a time.
"$bin" defaults write RebootRegularlyDays -int 1
ORBMETER_RESTART_PERIOD_MS=20 "$bin" --host offscreen 2>"$work/run2.log" &
first=$!; pids+=("$first")
wait_for 30 grep -q "restarted as process" "$work/run2.log" || { cat "$work/run2.log" >&2; fail "no restart"; }
second=$(sed -n 's/.*restarted as process \([0-9]*\).*/\1/p' "$work/run2.log" | head -1)
pids+=("$second")
wait_for 10 bash -c "! kill -0 $first 2>/dev/null" || fail "the old monitor is still running"
kill -0 "$second" 2>/dev/null || fail "the new monitor ($second) is not running"
[[ $second != "$first" ]] || fail "the same process"
# The copies keep restarting every few seconds; each hands the instance lock to the next, so
# no start in between ever finds it free.
for attempt in 1 2 3 4 5 6 7 8; do
  out=$(timeout 20 "$bin" --host offscreen 2>&1 || true)
  [[ $out == *"already running"* ]] || fail "start $attempt ran beside the restarting monitor: $out"
  sleep 0.5
done
echo "lifecycle: SIGTERM exit 0, restart $first -> $second"
