#!/usr/bin/env bash
# Installs the Debian packages the build and the test suite need, when any is missing.
# With --desktops, also the desktops whose trays the desktop tests run Orbmeter in; a desktop
# whose packages cannot be installed is reported and left out (its test then says it skipped).
# With --bench, also the text monitor the side-by-side benchmark compares against, valgrind
# for the instruction counts and gdb for the allocations per pass.
set -euo pipefail
packages=(
  cmake ninja-build ccache g++ pkg-config
  qt6-base-dev qt6-tools-dev-tools qt6-l10n-tools qt6-wayland
  libplist-dev libfontconfig-dev libgtest-dev libgmock-dev libbenchmark-dev
  dbus-daemon dbus-x11 python3-dbusmock avahi-daemon avahi-utils
  xvfb xdotool x11-utils fonts-dejavu-core libxcb1-dev
  clang libclang-rt-14-dev time
  openssl python3 ca-certificates strace
)
# One line per desktop: its packages.
desktops=(
  "xfce4-panel xfconf xfwm4"
  "lxqt-panel xfwm4"
  "sway waybar grim xwayland"
  "plasma-workspace kwin-x11 plasma-desktop kactivitymanagerd breeze-icon-theme"
  "gnome-shell gnome-shell-extension-appindicator"
)
desktop_tools=(imagemagick x11-utils xdotool libglib2.0-bin util-linux)

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive

missing_of() {
  local p status
  for p in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || echo "$p"
  done
}
updated=no
install() {
  [[ $updated == yes ]] || { "${sudo[@]}" apt-get update -qq; updated=yes; }
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "$@"
}

mapfile -t missing < <(missing_of "${packages[@]}")
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "Installing missing packages: ${missing[*]}" >&2
  install "${missing[@]}"
fi

if [[ ${1:-} == --bench ]]; then
  mapfile -t missing < <(missing_of conky-cli valgrind bc gdb)
  [[ ${#missing[@]} -eq 0 ]] || install "${missing[@]}" || echo "Could not install ${missing[*]}; the side-by-side figures leave conky out, instructions.sh needs valgrind and bc, allocations_per_pass.py gdb" >&2
  exit 0
fi
[[ ${1:-} == --desktops ]] || exit 0
mapfile -t missing < <(missing_of "${desktop_tools[@]}")
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "Installing the desktop tests' tools: ${missing[*]}" >&2
  install "${missing[@]}"
fi
for desktop in "${desktops[@]}"; do
  read -ra wanted <<<"$desktop"
  mapfile -t missing < <(missing_of "${wanted[@]}")
  [[ ${#missing[@]} -eq 0 ]] && continue
  echo "Installing a desktop for the desktop tests: ${missing[*]}" >&2
  install "${missing[@]}" || echo "Could not install ${missing[*]}; its desktop test will be skipped" >&2
done
