#!/usr/bin/env bash
# Installs the Debian packages the build and the test suite need, when any is missing.
set -euo pipefail
packages=(
  cmake ninja-build ccache g++ pkg-config
  qt6-base-dev qt6-tools-dev-tools qt6-l10n-tools
  libplist-dev libfontconfig-dev libgtest-dev libgmock-dev libbenchmark-dev
  dbus-daemon dbus-x11 python3-dbusmock avahi-daemon avahi-utils
  xvfb xdotool x11-utils fonts-dejavu-core libxcb1-dev
  clang libclang-rt-14-dev time
  openssl python3 ca-certificates
)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
echo "Installing missing packages: ${missing[*]}" >&2
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
