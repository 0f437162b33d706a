#!/usr/bin/env bash
# Esc ends the real program at once, while its listener thread runs, and
# cleanly: the window on a virtual screen (Xvfb), the program in a network
# namespace of its own with one Ethernet connection, so it has started.
#   escape_test.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
[ "$(id -u)" -eq 0 ] || { echo "SKIP: network namespaces need root"; exit 77; }
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/one_connection_namespace.sh"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
helper_pids+=($!)
for _ in $(seq 1 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "FAIL: Xvfb did not start"; cat "$out/xvfb.log"; exit 1; }
export DISPLAY=:$(cat "$out/display")

(cd "$out" && exec ip netns exec "$ns" "$program") > "$out/output.txt" 2> "$out/errors.txt" &
pid=$!

wait_for_listener

window=$(timeout 10 xdotool search --sync --onlyvisible --name 'Mirbo' | head -n 1)
[ -n "$window" ] || { echo "FAIL: no window"; exit 1; }
xdotool windowfocus --sync "$window" key Escape

for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "FAIL: still running 5 s after Esc"; exit 1; fi
status=0; wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || { echo "FAIL: ended with status $status"; cat "$out/errors.txt"; exit 1; }
echo "PASS"
