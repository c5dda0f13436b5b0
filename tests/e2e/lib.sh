# Shared set-up of the end-to-end scripts: a private HOME and XDG tree under $work (removed
# on exit), no display, the machine read from a fixture tree (never this machine's /proc and
# /sys), no system bus, and a failure helper.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
export ORBMETER_SYSROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../fixtures/bench-a" && pwd)
mkdir -m 700 "$work/run"
# No system bus unless a script starts its own: nothing browses this machine's services.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no-system-bus
fail() { echo "FAIL: $*" >&2; exit 1; }
