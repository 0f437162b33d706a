#!/usr/bin/env bash
# Runs netns_host_services_test inside a 'pc' network namespace joined by a
# veth pair to a 'router' namespace, where dnsmasq serves DHCP. The 192.168.x
# addresses exist only in these namespaces, which are removed on every exit.
#   netns_host_services_test.sh TEST-PROGRAM INSTALL-CAPABILITIES-SCRIPT
set -euo pipefail
program=$(realpath "$1")
install_capabilities=$(realpath "$2")
skip=77
[ "$(id -u)" -eq 0 ] || { echo "SKIP: network namespaces need root"; exit $skip; }

suffix=$$
pc=mirbo-pc-$suffix
router=mirbo-rt-$suffix
pc_if=mpc$suffix
router_if=mrt$suffix
work=$(mktemp -d)
dnsmasq_pid=

cleanup() {
  set +e
  [ -n "$dnsmasq_pid" ] && kill "$dnsmasq_pid" 2>/dev/null && wait "$dnsmasq_pid" 2>/dev/null
  # Only what this test started runs in its namespaces (the DHCP client the
  # program started, a probe cut short).
  for ns in "$pc" "$router"; do
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill "$pid" 2>/dev/null; done
  done
  sleep 0.2
  ip netns del "$pc" 2>/dev/null
  ip netns del "$router" 2>/dev/null
  rm -f /run/mirbo-recovery/*."$pc_if".*
  rm -rf "/etc/netns/$pc" "/etc/netns/$router" "$work"
}
trap cleanup EXIT
trap 'exit 143' INT TERM

ip netns add "$pc"
ip netns add "$router"
ip link add "$pc_if" netns "$pc" type veth peer name "$router_if" netns "$router"
ip -n "$pc" link set lo up
ip -n "$router" link set lo up
ip -n "$pc" link set "$pc_if" up
ip -n "$router" link set "$router_if" up
ip -n "$router" addr add 192.168.1.1/24 dev "$router_if"
ip -n "$router" addr add 192.168.199.1/24 dev "$router_if"

# The DHCP client's script writes resolv.conf; ip netns exec puts this one in
# the host's place.
mkdir -p "/etc/netns/$pc"
: > "/etc/netns/$pc/resolv.conf"

ip netns exec "$router" dnsmasq --keep-in-foreground --conf-file=/dev/null --port=0 --no-ping \
  --interface="$router_if" --bind-interfaces --dhcp-range=192.168.1.100,192.168.1.150,255.255.255.0,2m \
  --dhcp-option=option:router,192.168.1.254 --dhcp-leasefile="$work/leases" \
  --pid-file="$work/dnsmasq.pid" --log-facility=- 2>"$work/dnsmasq.log" &
dnsmasq_pid=$!

export MIRBO_NETNS_PC=$pc MIRBO_NETNS_PC_IF=$pc_if MIRBO_NETNS_ROUTER=$router \
  MIRBO_NETNS_ROUTER_IF=$router_if
MIRBO_NETNS_PC_INODE=$(stat -L -c %i "/run/netns/$pc")
export MIRBO_NETNS_PC_INODE

status=0
run_phase() {  # NAME SECONDS FILTER COMMAND...
  local name=$1 seconds=$2 filter=$3
  shift 3
  echo "== $name"
  timeout "$seconds" ip netns exec "$pc" "$@" --gtest_filter="$filter" || status=1
}

run_phase "as root" 300 '-*Unprivileged*:*FileCapabilities*' "$program"

# Unprivileged runs: a copy any user may run, the router on its address.
chmod 755 "$work"
install -m 755 "$program" "$work/probe"
as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all)
ip -n "$pc" addr flush dev "$pc_if"
ip -n "$pc" addr add 192.168.199.88/24 dev "$pc_if"

ip netns exec "$pc" sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
run_phase "unprivileged, ping sockets allowed" 60 '*UnprivilegedWaitHears*' "${as_nobody[@]}" "$work/probe"
ip netns exec "$pc" sysctl -q -w net.ipv4.ping_group_range="1 0"
run_phase "unprivileged, no ping sockets" 60 '*UnprivilegedWithoutPingGroup*' "${as_nobody[@]}" "$work/probe"

install -m 755 "$program" "$work/capable"
"$install_capabilities" "$work/capable"
ip -n "$pc" addr flush dev "$pc_if"
run_phase "unprivileged with file capabilities" 60 '*FileCapabilities*' "${as_nobody[@]}" "$work/capable"

[ $status -eq 0 ] || { echo "--- dnsmasq"; cat "$work/dnsmasq.log"; }
exit $status
