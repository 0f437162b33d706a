# A simulated Mirbo wired to a simulated PC, shared by the demonstration and
# the whole-recovery test. Source it from bash running as root; nothing here
# touches this machine's own network.
#
# Two network namespaces with unique names: 'pc', where the real program runs,
# and 'router', joined by a virtual cable (eth0 on the PC, lan1 on the router).
# The router first plays the boot loader (192.168.1.1, fetches the image over
# TFTP with a real client), then its restart onto its own network
# (192.168.199.1) with a DHCP server.
#
#   trap sim_cleanup EXIT; trap 'exit 143' INT TERM
#   sim_setup
#   sim_start_program PROGRAM
#   sim_await_pc_address && sim_fetch_image FILE && sim_restart
#   sim_await_text "$kSimSuccessText" SECONDS
#
# Every wait is bounded; sim_cleanup ends what was started (the program, the
# DHCP client it started, dnsmasq) by its pid and removes the namespaces.

readonly kSimBootLoaderPcAddress=192.168.1.88
readonly kSimBootLoaderRouterAddress=192.168.1.1/24
readonly kSimRouterAddress=192.168.199.1/24
readonly kSimLeaseFirst=192.168.199.100
readonly kSimLeaseLast=192.168.199.150
# shellcheck disable=SC2034  # for the scripts that source this file
readonly kSimSuccessText='固件恢复成功！'
readonly kSimRunDirectory=/run/mirbo-recovery

sim_pc=mirbo-pc-$$
sim_router=mirbo-router-$$
sim_work=
sim_log=
sim_pc_inode=
sim_program_pid=
sim_dnsmasq_pid=

sim_say() { printf '[router] %s\n' "$*"; }

sim_setup() {
  sim_work=$(mktemp -d /tmp/mirbo-sim.XXXXXX)
  sim_log=$sim_work/program.log
  mkdir "$sim_work/pc"
  ip netns add "$sim_pc"
  ip netns add "$sim_router"
  sim_pc_inode=$(stat -L -c %i "/run/netns/$sim_pc")
  ip link add eth0 netns "$sim_pc" type veth peer name lan1 netns "$sim_router"
  ip -n "$sim_pc" link set lo up
  ip -n "$sim_router" link set lo up
  ip -n "$sim_pc" link set eth0 up
  ip -n "$sim_router" link set lan1 up
  ip -n "$sim_router" addr add "$kSimBootLoaderRouterAddress" dev lan1
  # The DHCP client's script writes resolv.conf; inside the namespace this
  # file stands in for the host's.
  mkdir -p "/etc/netns/$sim_pc"
  : >"/etc/netns/$sim_pc/resolv.conf"
}

# Starts PROGRAM in the PC's namespace, in a directory of its own (uploads
# land there), its standard output in $sim_log.
sim_start_program() {
  local program=$1
  (cd "$sim_work/pc" && exec ip netns exec "$sim_pc" "$program") \
    >"$sim_log" 2>"$sim_work/program.stderr" &
  sim_program_pid=$!
}

sim_program_runs() { kill -0 "$sim_program_pid" 2>/dev/null; }

# Waits until the program has given the PC the boot loader's network.
sim_await_pc_address() {
  local deadline=$((SECONDS + 30))
  while ((SECONDS < deadline)) && sim_program_runs; do
    ip netns exec "$sim_router" ping -c 1 -W 1 "$kSimBootLoaderPcAddress" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  echo "the PC never answered on $kSimBootLoaderPcAddress" >&2
  return 1
}

# The boot loader asks for the image with tftp-hpa until a transfer completes;
# the first requests go unanswered while the program pauses before it listens.
sim_fetch_image() {
  local destination=$1 deadline=$((SECONDS + 90))
  sim_say "boot loader (RST held) asks $kSimBootLoaderPcAddress for the image over TFTP"
  while ((SECONDS < deadline)) && sim_program_runs; do
    rm -f "$destination"
    if timeout 60 ip netns exec "$sim_router" \
        tftp -m binary "$kSimBootLoaderPcAddress" -c get recovery.bin "$destination" \
        >"$sim_work/tftp.out" 2>&1 && [ -s "$destination" ]; then
      sim_say "received $(stat -c %s "$destination") bytes"
      return 0
    fi
    sleep 1
  done
  echo "the boot loader got no image:" >&2
  cat "$sim_work/tftp.out" >&2
  return 1
}

# A boot loader whose store fills up after 1 MiB: busybox's client cannot
# write the next block, sends an ERROR packet and stops mid-way.
sim_fetch_cut_short() {
  local deadline=$((SECONDS + 90))
  sim_say "boot loader asks for the image but stops after 1 MiB"
  while ((SECONDS < deadline)) && sim_program_runs; do
    # Ignoring SIGXFSZ makes the write past the limit fail with EFBIG instead
    # of killing the client.
    (ulimit -f 1024; trap '' XFSZ
     exec timeout 60 ip netns exec "$sim_router" \
       busybox tftp -g -r recovery.bin -l "$sim_work/partial.bin" "$kSimBootLoaderPcAddress") \
      >"$sim_work/busybox.out" 2>&1 || true
    if grep -q 'write error' "$sim_work/busybox.out"; then
      sim_say "boot loader gave up mid-way"
      return 0
    fi
    sleep 1
  done
  echo "the boot loader never got part of the image:" >&2
  cat "$sim_work/busybox.out" >&2
  return 1
}

# Flashing done, the router restarts: its link drops, it comes back on its
# own network and serves DHCP there.
sim_restart() {
  sim_say "writes its flash and restarts: link down"
  ip -n "$sim_router" link set lan1 down
  sleep 2
  ip -n "$sim_router" addr del "$kSimBootLoaderRouterAddress" dev lan1
  ip -n "$sim_router" addr add "$kSimRouterAddress" dev lan1
  ip -n "$sim_router" link set lan1 up
  sim_say "link up as ${kSimRouterAddress%/*}, serving DHCP $kSimLeaseFirst-$kSimLeaseLast"
  ip netns exec "$sim_router" dnsmasq --keep-in-foreground --conf-file=/dev/null --port=0 \
    --no-ping --interface=lan1 --bind-interfaces \
    --dhcp-range="$kSimLeaseFirst,$kSimLeaseLast,255.255.255.0,2m" \
    --dhcp-leasefile="$sim_work/dnsmasq.leases" --pid-file="$sim_work/dnsmasq.pid" \
    --log-facility=- 2>"$sim_work/dnsmasq.log" &
  sim_dnsmasq_pid=$!
}

# Waits until the program's output holds TEXT; false after SECONDS or when
# the program has ended.
sim_await_text() {
  local text=$1 deadline=$((SECONDS + $2))
  while ((SECONDS < deadline)) && sim_program_runs; do
    grep -qF -- "$text" "$sim_log" && return 0
    sleep 0.2
  done
  grep -qF -- "$text" "$sim_log"
}

# The PC's IPv4 addresses on eth0, one a line.
sim_pc_addresses() {
  ip -n "$sim_pc" -4 -o addr show dev eth0 | awk '{ print $4 }'
}

# True when ADDRESS (no prefix) lies in the DHCP range and dnsmasq leased it.
sim_leased_by_router() {
  local address=$1 last_octet=${1##*.}
  [ "${address%.*}" = "${kSimLeaseFirst%.*}" ] || return 1
  ((last_octet >= ${kSimLeaseFirst##*.} && last_octet <= ${kSimLeaseLast##*.})) || return 1
  grep -qw -- "$address" "$sim_work/dnsmasq.leases" 2>/dev/null
}

sim_end_pid() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  return 0
}

sim_cleanup() {
  # Runs to its end whatever fails on the way, also under a caller's ERR trap.
  trap - ERR
  set +e
  sim_end_pid "$sim_program_pid"
  sim_end_pid "$sim_dnsmasq_pid"
  # Whatever still runs in these namespaces was started here, the DHCP
  # client the program started among them.
  local ns pid
  for ns in "$sim_pc" "$sim_router"; do
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill "$pid" 2>/dev/null; done
  done
  sleep 0.2
  ip netns del "$sim_pc" 2>/dev/null
  ip netns del "$sim_router" 2>/dev/null
  [ -n "$sim_pc_inode" ] && rm -f "$kSimRunDirectory"/*."$sim_pc_inode".*
  rm -rf "/etc/netns/$sim_pc" "/etc/netns/$sim_router"
  [ -n "$sim_work" ] && rm -rf "$sim_work"
}
