#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, then
# configures and builds everything under build/. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # build
  build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev
  # host network control
  libnl-3-dev libnl-route-3-dev libcap2-bin iproute2
  # the window, its Chinese face, and a display for machines without one
  qt6-base-dev fonts-wqy-zenhei xvfb
  # the demonstration's screenshot when there is no display
  imagemagick x11-utils
  # a key press for the real window in the tests
  xdotool
  # real peers for the tests and the demo
  tftp-hpa tftpd-hpa curl atftp busybox dnsmasq isc-dhcp-client iputils-ping procps util-linux
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # tftpd-hpa and dnsmasq would start daemons that hold port 69 and DHCP;
  # the tests start their own, so keep the packaged ones from starting.
  policy=/usr/sbin/policy-rc.d
  had_policy=0; [ -e "$policy" ] && had_policy=1
  if [ $had_policy -eq 0 ]; then
    as_root sh -c "printf '#!/bin/sh\nexit 101\n' > $policy && chmod 755 $policy"
  fi
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  if [ $had_policy -eq 0 ]; then as_root rm -f "$policy"; fi
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${MIRBO_CMAKE_ARGS:-}
cmake --build build -j"$(nproc)"
