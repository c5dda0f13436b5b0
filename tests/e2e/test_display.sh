#!/usr/bin/env bash
# Displays that cannot be used: the monitor says so and exits with a code of its own, never
# with a signal (an abort inside the toolkit). Usage: test_display.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
source "$(dirname "$0")/lib.sh"
unset QT_QPA_PLATFORM

# run EXPECTED_CODE MESSAGE_PART ENV...: runs the monitor with ENV and checks how it ends.
run() {
  local expected=$1 part=$2 rc
  shift 2
  set +e
  env "$@" timeout 20 "$bin" --host sni >"$work/out" 2>"$work/err"
  rc=$?
  set -e
  ((rc < 124)) || fail "$* ended with $rc (a signal or a hang): $(cat "$work/err")"
  [[ $rc -eq $expected ]] || fail "$* exits $rc, not $expected: $(cat "$work/err")"
  grep -q -- "$part" "$work/err" || fail "$*: no message about '$part': $(cat "$work/err")"
}

run 1 "cannot reach the Wayland display \"wayland-9\"" WAYLAND_DISPLAY=wayland-9
run 1 "cannot open the X11 display \":97\"" DISPLAY=:97
run 1 "nor the X11 display" WAYLAND_DISPLAY=wayland-9 DISPLAY=:97

# A compositor that listens but has no X11 (a socket nobody answers on is enough to be found):
# the panel host cannot run there and says which host to use.
/usr/bin/python3 - "$XDG_RUNTIME_DIR/wayland-5" <<'PY' &
import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(4); time.sleep(30)
PY
listener=$!
trap 'kill $listener 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [[ -S $XDG_RUNTIME_DIR/wayland-5 ]] && break; sleep 0.1; done
set +e
WAYLAND_DISPLAY=wayland-5 timeout 20 "$bin" --host panel >"$work/out" 2>"$work/err"
rc=$?
set -e
if grep -q "Wayland platform plugin is not installed" "$work/err"; then
  [[ $rc -eq 1 ]] || fail "without the Wayland plugin: exit $rc"
else
  [[ $rc -eq 2 ]] || fail "--host panel on Wayland exits $rc, not 2: $(cat "$work/err")"
  grep -q -- "--host sni" "$work/err" || fail "no advice which host to use: $(cat "$work/err")"
fi
echo "display: all checks passed"
