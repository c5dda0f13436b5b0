# start_xvfb: an X server of the script's own in $xvfb_pid, and DISPLAY naming it once a
# client gets through. Xvfb picks a free display number itself and tells us which; should
# that display still turn clients away (on a machine whose other test runs start and end
# X servers of their own), the server is started again, twice at most. -noreset: by default
# the server resets when its last client leaves, and a client connecting during that reset
# (the monitor, right after the readiness probe) is refused. Needs $work and fail.
start_xvfb() {
  local attempt deadline
  for attempt in 1 2 3; do
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    deadline=$((SECONDS + 30))
    while [[ ! -s $work/display && $SECONDS -lt $deadline ]] && kill -0 "$xvfb_pid" 2>/dev/null; do
      sleep 0.1
    done
    if [[ -s $work/display ]]; then
      export DISPLAY=:$(head -1 "$work/display")
      deadline=$((SECONDS + 15))
      while [[ $SECONDS -lt $deadline ]]; do
        xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.2
      done
    fi
    echo "Xvfb attempt $attempt: display '${DISPLAY:-}' takes no client" >&2
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  cat "$work/xvfb.log" >&2
  fail "Xvfb did not start"
}
