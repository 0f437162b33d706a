#!/usr/bin/env bash
# The real program, whose standard output is a pipe that nobody reads any
# more, keeps going: it still binds the TFTP port after its pause, in a
# network namespace of its own with one Ethernet connection.
#   lost_output_test.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
[ "$(id -u)" -eq 0 ] || { echo "SKIP: network namespaces need root"; exit 77; }

source "$(dirname "$0")/one_connection_namespace.sh"
# The reader of standard output ends at once.
(cd "$out" && QT_QPA_PLATFORM=offscreen exec ip netns exec "$ns" "$program") > >(exec true) 2> "$out/errors.txt" &
pid=$!

for _ in $(seq 1 150); do  # the listener pauses 5 s before it binds
  [ -n "$(ip netns exec "$ns" ss -Huln 'sport = :69')" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended when its output was lost"; cat "$out/errors.txt"; exit 1; }
[ -n "$(ip netns exec "$ns" ss -Huln 'sport = :69')" ] || { echo "FAIL: port 69 not bound within 15 s"; exit 1; }
echo "PASS"
