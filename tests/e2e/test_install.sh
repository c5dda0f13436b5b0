#!/usr/bin/env bash
# `cmake --install` puts the program, its desktop entry and its icon where desktops look.
# Usage: test_install.sh <orbmeter binary> <fixtures dir>
set -euo pipefail

binary=$1
build=${ORB_BUILD_DIR:-$(dirname "$binary")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/usr" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install failed"; }

[[ -x $work/usr/bin/orbmeter ]] || fail "no bin/orbmeter"
entry=$work/usr/share/applications/org.orbmeter.Orbmeter9.desktop
icon=$work/usr/share/icons/hicolor/scalable/apps/org.orbmeter.Orbmeter9.svg
[[ -f $entry ]] || fail "no desktop entry"
[[ -f $icon ]] || fail "no icon in the hicolor theme"

# The entry names the icon by the file's name and starts the installed program by name.
[[ $(head -1 "$entry") == "[Desktop Entry]" ]] || fail "entry does not start with its group"
for line in "Type=Application" "Name=Orbmeter" "Exec=orbmeter" "Icon=org.orbmeter.Orbmeter9" "Terminal=false"; do
  grep -qx "$line" "$entry" || fail "entry lacks $line"
done
grep -qE '^Categories=([A-Za-z]+;)+$' "$entry" || fail "Categories not a ;-terminated list"

# The icon is well-formed SVG with a square view box.
/usr/bin/python3 - "$icon" <<'PY' || fail "icon is not a square SVG"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag.endswith('svg'), root.tag
_, _, w, h = root.get('viewBox').split()
assert w == h, (w, h)
PY

"$work/usr/bin/orbmeter" --version | grep -q '^Orbmeter ' || fail "installed program does not run"

# The purge helper, its polkit policy and the program agree on where the helper is, for the
# prefix installed to (not the one configured): directly, and staged under DESTDIR.
check_helper() { # <where the files are> <the prefix they name>
  local root=$1 prefix=$2 helper policy
  helper=$prefix/libexec/orbmeter/orbmeter-purge
  policy=$root$prefix/share/polkit-1/actions/org.orbmeter.Orbmeter9.purge.policy
  [[ -x $root$helper ]] || fail "no purge helper at $root$helper"
  grep -qF "<annotate key=\"org.freedesktop.policykit.exec.path\">$helper</annotate>" "$policy" \
    || fail "the policy does not name $helper: $(grep exec.path "$policy")"
  "$root$prefix/bin/orbmeter" --help | grep -qxF "Purge helper: $root$helper" \
    || fail "the installed program does not find $root$helper: $("$root$prefix/bin/orbmeter" --help | tail -1)"
}
check_helper "" "$work/usr"
DESTDIR=$work/stage cmake --install "$build" --prefix /opt/orbmeter >"$work/install.log" 2>&1 \
  || { cat "$work/install.log"; fail "staged install failed"; }
check_helper "$work/stage" /opt/orbmeter
echo "PASS: install"
