#!/usr/bin/env bash
# Carries a simulated router through a recovery, with the real program in a
# 'pc' network namespace and the router in a 'router' namespace joined to it
# by a cable (a veth pair). Nothing touches this machine's own network.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root (network namespaces)"; exit 1; }

program=$(realpath "${MIRBO_PROGRAM:-build/mirbo-recovery}")
image=${MIRBO_IMAGE:-$(sed -n 's/^MIRBO_IMAGE_FILE:INTERNAL=//p' build/CMakeCache.txt)}
pc=mirbo-pc-$$
router=mirbo-router-$$
work=$(mktemp -d)
program_pid=

cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
  ip netns del "$pc" 2>/dev/null || true
  ip netns del "$router" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

ip netns add "$pc"
ip netns add "$router"
ip link add eth0 netns "$pc" type veth peer name lan1 netns "$router"
ip -n "$pc" link set lo up
ip -n "$router" link set lo up
ip -n "$pc" link set eth0 up
ip -n "$router" link set lan1 up
# The boot loader's network; until the program sets its own address the PC
# side is given it here.
ip -n "$pc" addr add 192.168.1.88/24 dev eth0
ip -n "$router" addr add 192.168.1.1/24 dev lan1

echo "== PC: $program"
(cd "$work" && exec ip netns exec "$pc" "$program") > "$work/output.txt" 2>&1 &
program_pid=$!

# The router's boot loader asks once the program says to power it up.
for _ in $(seq 1 100); do
  grep -q 'RST' "$work/output.txt" 2>/dev/null && break
  sleep 0.2
done
echo "== Router: boot loader asks 192.168.1.88 for the image over TFTP"
timeout 60 ip netns exec "$router" tftp -m binary 192.168.1.88 -c get recovery.bin "$work/received.bin"
sleep 0.5
cat "$work/output.txt"; echo
if cmp -s "$image" "$work/received.bin"; then
  echo "== Router received the image byte for byte ($(stat -c %s "$work/received.bin") bytes)"
else
  echo "== Router received a different image"; exit 1
fi
