#!/usr/bin/env bash
# Temperatures and fans through `orbmeter sample`: exact samples of machines with sensors,
# nothing (and success) on one without. Usage: test_sensors.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
fixtures=$2
source "$(dirname "$0")/lib.sh"

sample() { "$bin" sample --all-modules --passes 1 --sysroot "$fixtures/$1" 2>"$work/err"; }

out=$(sample sensors-desktop)
[[ $out == *'"Temp":[{"ACPI 1":27,"CPU Core 0":41,"CPU Core 4":43,"CPU Core 8":40,"CPU Package Id 0":45,"Nct6798 CPUTIN":38,"Nct6798 SYSTIN":34,"__AverageTempKey":38}]'* ]] \
  || fail "desktop temperatures: $out"
[[ $out == *'"Fan":[{"Fan 1":812,"Fan 2":1180,"Fan 3":0,"__AverageFanKey":664}]'* ]] || fail "desktop fans: $out"

out=$(sample sensors-macbookpro)
[[ $out == *'"Fan":[{"Leftside":2001,"Rightside":1998,"__AverageFanKey":1999}]'* ]] || fail "SMC fans: $out"
[[ $out == *'"CPU Core 1":56,'*'"Optical Drive Proximity":40,'*'"__AverageTempKey":44}]'* ]] || fail "SMC temperatures: $out"

out=$(sample sensors-laptop)
[[ $out == *'"Built-in Battery":"30",'*'"Wi-Fi 1":38,"__AverageTempKey":42}]'* ]] || fail "laptop temperatures: $out"

out=$(sample sensors-io-error)
[[ $out == *'"Fan":[{"Fan 1":1500,"Fan 3":900,"__AverageFanKey":1200}]'* ]] || fail "a failed fan read: $out"

out=$(sample sensors-pi)
[[ $out == *'"Temp":[{"__AverageTempKey":48,"cpu-thermal":48}]'* ]] || fail "thermal zone: $out"
[[ $out != *'"Fan"'* ]] || fail "no fans on the Pi: $out"

out=$(sample sensors-vm) || fail "sample on a machine without sensors exits non-zero"
[[ $out != *'"Temp"'* && $out != *'"Fan"'* ]] || fail "no sensors, no samples: $out"
[[ $out == *'"VNC":[true]'* ]] || fail "the rest still sampled: $out"

# Two passes over two trees: the second is probed on its own.
"$bin" defaults write Fan_UpdateInterval -int 1
out=$("$bin" sample --all-modules --passes 2 --sysroot "$fixtures/sensors-desktop" --sysroot "$fixtures/sensors-io-error" 2>/dev/null)
[[ $out == *'"Fan":[{"Fan 1":812,"Fan 2":1180,"Fan 3":0,"__AverageFanKey":664},{"Fan 1":1500,"Fan 3":900,"__AverageFanKey":1200}]'* ]] \
  || fail "fan history over two trees: $out"
echo "sensors: all checks passed"
