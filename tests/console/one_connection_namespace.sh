# Sourced by the program-start tests (bash, root): a network namespace $ns
# whose one Ethernet connection leads to a second namespace, a scratch
# directory $out for the program to run in, and a cleanup on every exit that
# ends the program the test started as $pid, then any helper in $helper_pids.
ns=mirbo-start-$$
peer=mirbo-start-peer-$$
out=$(mktemp -d)
pid=
helper_pids=()
cleanup() {
  set +e
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  for helper in "${helper_pids[@]}"; do kill "$helper" 2>/dev/null && wait "$helper" 2>/dev/null; done
  ip netns del "$ns" 2>/dev/null
  ip netns del "$peer" 2>/dev/null
  rm -rf "$out"
}
trap cleanup EXIT
trap 'exit 143' INT TERM

ip netns add "$ns"
ip netns add "$peer"
ip -n "$ns" link set lo up
ip link add eth0 netns "$ns" type veth peer name lan1 netns "$peer"
