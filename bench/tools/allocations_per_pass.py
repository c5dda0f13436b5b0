"""Heap allocations a running monitor makes per pass, by where they come from.

Loaded into gdb attached to the monitor; counts malloc, calloc and realloc calls on every
thread between one finished pass and the pass `ORB_PASSES` later (default 30), then prints the
total per pass and each call stack (innermost frames first) with its count. Start the monitor
with ORBMETER_HUGE_PAGES=off so the code keeps its symbols' addresses:

  gdb -batch -p PID -x bench/tools/allocations_per_pass.py > allocations.txt

The monitor stops at each allocation, so run it on an otherwise idle machine: other programs'
new processes make the process scan allocate, and that is not the monitor's steady state."""
import collections
import os

import gdb

PASSES = int(os.environ.get("ORB_PASSES", "30"))
FRAMES = int(os.environ.get("ORB_FRAMES", "12"))

gdb.execute("set pagination off")
counting = {"passes": 0, "on": False}
stacks = collections.Counter()


class PassFinished(gdb.Breakpoint):
    def stop(self):
        counting["passes"] += 1
        counting["on"] = counting["passes"] <= PASSES
        return counting["passes"] > PASSES


class Allocation(gdb.Breakpoint):
    def stop(self):
        if counting["on"]:
            frame, names = gdb.newest_frame().older(), []
            while frame is not None and len(names) < FRAMES:
                names.append(frame.name() or "?")
                frame = frame.older()
            stacks[" <- ".join(names)] += 1
        return False


PassFinished("orb::AppDelegate::finishPass")
for function in ("malloc", "calloc", "realloc"):
    Allocation(function)
gdb.execute("continue")
total = sum(stacks.values())
print(f"allocations: {total} in {PASSES} passes, {total / PASSES:.1f} per pass")
for stack, count in stacks.most_common():
    print(count, stack)
gdb.execute("detach")
