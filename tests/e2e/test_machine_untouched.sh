#!/usr/bin/env bash
# Tests read fixture trees, never the machine they run on: a few representative test programs
# and `orbmeter sample` run under strace, and no file of this machine's /proc or /sys may be
# opened by them, apart from the process's own entries and what the C library and Qt read
# for themselves at start (the possible and online processor lists, malloc's overcommit
# setting). Programs they start (dbus-daemon, python3) are not ours and are left out.
# Usage: test_machine_untouched.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
source "$(dirname "$0")/lib.sh"
build=${ORB_BUILD_DIR:-$(dirname "$bin")}
command -v strace >/dev/null || fail "strace is needed (tools/install-deps.sh installs it)"
# Containers may forbid ptrace: nothing can be traced there, so the check is skipped, loudly.
if ! strace -f -qq -o /dev/null true 2>/dev/null; then
  echo "SKIPPED: strace cannot trace here (ptrace not allowed)" >&2
  exit 77
fi
command -v python3 >/dev/null || fail "python3 is needed"

trace() { # trace NAME PROGRAM ARGS...
  local name=$1; shift
  strace -f -qq -s 256 -e trace=open,openat,openat2,execve -o "$work/$name.trace" "$@" >"$work/$name.log" 2>&1 \
    || { tail -20 "$work/$name.log" >&2; fail "$name did not pass"; }
}
export LC_ALL=C.UTF-8
trace sample "$bin" sample
trace app "$build/tests/test_app" --gtest_filter='AppDelegateTest.*:GeneralQuit.*:RefreshCycle*'
trace modules "$build/tests/test_modules" --gtest_filter='CpuMenuModuleTest.*:MemoryItemTest.*:Memory_Menu*'
trace collect "$build/tests/test_collect" --gtest_filter='CpuSampler*:MemorySampler*:MemoryInformation*:DiskSampler*'

python3 - "$work"/*.trace <<'PY'
import re, sys
allowed = re.compile(r'^/proc/(self|thread-self)(/|$)|^/sys/devices/system/cpu/(possible|online)$'
                     r'|^/proc/sys/vm/overcommit_memory$')
found = []
for path in sys.argv[1:]:
    others = set()  # processes that became another program
    first = None
    for line in open(path, errors='replace'):
        m = re.match(r'(\d+)\s+execve\("([^"]*)"', line)
        if m:
            pid, program = m.groups()
            if first is None:
                first = program
            elif program != first and '= 0' in line:
                others.add(pid)
            continue
        m = re.match(r'(\d+)\s+open(?:at2?)?\((?:AT_FDCWD, )?"(/(?:proc|sys)(?:/[^"]*)?)"', line)
        if not m or m.group(1) in others:
            continue
        pid, opened = m.groups()
        if allowed.search(opened) or re.match(r'/proc/%s(/|$)' % pid, opened):
            continue
        found.append('%s: %s' % (path.rsplit('/', 1)[-1], opened))
if found:
    print('opened on this machine:\n  ' + '\n  '.join(sorted(set(found))[:40]))
    sys.exit(1)
PY
echo "machine untouched: sample and the controller, item and sampler tests read fixture trees only"
