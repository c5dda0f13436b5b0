#!/usr/bin/env bash
# The command-line contract: version, defaults, sample in an empty HOME, bad options,
# and a corrupt settings file. Usage: test_cli.sh ORBMETER FIXTURES
set -euo pipefail
bin=$1
source "$(dirname "$0")/lib.sh"
settings=$XDG_CONFIG_HOME/Orbmeter9/org.orbmeter.Orbmeter9.plist

[[ $("$bin" --version) == "Orbmeter "* ]] || fail "--version"
"$bin" --help | grep -q "orbmeter sample" || fail "--help lists sample"

set +e
"$bin" --no-such-option >/dev/null 2>"$work/err"; rc=$?
set -e
[[ $rc -eq 2 ]] || fail "unknown option exits $rc, not 2"
grep -q usage "$work/err" || fail "unknown option prints usage"
for bad in "--tray-style sideways" "--tray-style"; do
  set +e
  "$bin" $bad >/dev/null 2>"$work/err"; rc=$?
  set -e
  [[ $rc -eq 2 ]] || fail "'$bad' exits $rc, not 2"
done
grep -q "tray-style" "$work/err" || fail "a bad tray style is named"

# A first sample creates the settings with the version and the General first-run keys.
out=$("$bin" sample 2>/dev/null)
[[ $out == *'"VNC":[true]'* ]] || fail "sample prints the VNC marker: $out"
for key in AppVersion DisplayOrbIcon TopHistgramPreview DisplayTopWindowAtStartup Cpu_ShowMyLabel Gpu_ShowMyLabel; do
  grep -q "<key>$key</key>" "$settings" || fail "first run wrote $key"
done

"$bin" defaults write Cpu_Padding -int 3
[[ $("$bin" defaults read Cpu_Padding) == 3 ]] || fail "defaults read Cpu_Padding"
"$bin" defaults write Some_Flag -bool yes
[[ $("$bin" defaults read Some_Flag) == 1 ]] || fail "bool reads 1"
"$bin" defaults write Some_Text -string 'a b; $(touch x)'
[[ $("$bin" defaults --json read Some_Text) == '"a b; $(touch x)"' ]] || fail "string kept as text"
[[ ! -e x ]] || fail "text was run through a shell"
"$bin" defaults delete Some_Flag
set +e
"$bin" defaults read Some_Flag >/dev/null 2>&1; rc=$?
"$bin" defaults write Bad -int notanumber >/dev/null 2>&1; rc2=$?
set -e
[[ $rc -eq 1 ]] || fail "reading a deleted key exits 1"
[[ $rc2 -eq 2 ]] || fail "a bad integer exits 2"
"$bin" defaults --domain other.domain write K -float 2.5
[[ $("$bin" defaults --domain other.domain read K) == 2.5 ]] || fail "other domain"

[[ $("$bin" autostart) == "autostart off"* ]] || fail "autostart starts off"
"$bin" autostart on >/dev/null
grep -q '^Exec=' "$XDG_CONFIG_HOME/autostart/org.orbmeter.Orbmeter9.desktop" || fail "autostart entry written"
[[ $("$bin" autostart) == "autostart on"* ]] || fail "autostart on"
"$bin" autostart off >/dev/null
[[ ! -e $XDG_CONFIG_HOME/autostart/org.orbmeter.Orbmeter9.desktop ]] || fail "autostart entry removed"

# Output that cannot be written is a failure with a message, not a silent success.
if [[ -w /dev/full ]]; then
  for args in "--version" "--help" "defaults read" "defaults --json read Cpu_Padding" "sample" "autostart"; do
    set +e
    # shellcheck disable=SC2086
    "$bin" $args >/dev/full 2>"$work/err"; rc=$?
    set -e
    [[ $rc -ne 0 && $rc -lt 128 ]] || fail "'$args' into a full device exits $rc"
    grep -q "cannot write the output" "$work/err" || fail "'$args' into a full device says nothing"
  done
fi

# A settings file nested 200,000 levels deep is refused before it is parsed, not a crash.
/usr/bin/python3 -c 'import sys; n = 200000; sys.stdout.write("<plist version=\"1.0\">" + "<array>" * n + "</array>" * n + "</plist>")' > "$settings"
"$bin" defaults read >/dev/null 2>"$work/err" || fail "defaults read with a deeply nested settings file"
grep -q "nested more than" "$work/err" || fail "the deeply nested file is logged"
"$bin" sample >/dev/null 2>&1 || fail "sample after a deeply nested settings file"

# A corrupt settings file is kept aside, and the program runs on defaults.
printf 'garbage\x01' > "$settings"
"$bin" sample >/dev/null 2>"$work/err" || fail "sample with a corrupt settings file"
grep -q "unreadable" "$work/err" || fail "the corrupt file is logged"
ls "$XDG_CONFIG_HOME/Orbmeter9/" | grep -q 'org.orbmeter.Orbmeter9.plist.corrupt-' || fail "corrupt file kept aside"
grep -q "<key>AppVersion</key>" "$settings" || fail "defaults written again"
echo "cli: all checks passed"
