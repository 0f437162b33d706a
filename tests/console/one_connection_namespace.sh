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

# Waits until the program's output in $out/output.txt tells the operator to
# power the router up, which the listener does once it is bound; fails the
# test after 15 s.
wait_for_listener() {
  local instructions='请使用尖锐物按住RST按钮不松开再将Mirbo电源插上...'
  for _ in $(seq 1 150); do  # the listener pauses 5 s before it binds
    grep -qF "$instructions" "$out/output.txt" && return 0
    sleep 0.1
  done
  echo "FAIL: no instructions within 15 s:"
  cat "$out/output.txt" "$out/errors.txt"
  exit 1
}
