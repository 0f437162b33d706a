#!/usr/bin/env bash
# Carries a simulated router through a whole recovery by the real program:
# the program runs in a 'pc' network namespace, the router in a 'router'
# namespace joined to it by a virtual cable (scripts/simulated_router.sh).
# Nothing touches this machine's own network.
#
# The program's window opens on this display when DISPLAY is set, and stays
# until it is closed. Without a display it opens on a virtual screen (Xvfb);
# at the end a screenshot is saved (MIRBO_SCREENSHOT, default
# build/demo-screenshot.png) and the demonstration ends.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root (network namespaces)"; exit 1; }

program=$(realpath "${MIRBO_PROGRAM:-build/mirbo-recovery}")
image=${MIRBO_IMAGE:-$(sed -n 's/^MIRBO_IMAGE_FILE:INTERNAL=//p' build/CMakeCache.txt)}
screenshot=${MIRBO_SCREENSHOT:-build/demo-screenshot.png}
readonly kRecoverySeconds=120

# shellcheck source=scripts/simulated_router.sh
source scripts/simulated_router.sh

xvfb_pid=
tail_pid=
cleanup() {
  [ -n "$tail_pid" ] && kill "$tail_pid" 2>/dev/null
  sim_cleanup
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
trap 'exit 143' INT TERM

Stop() {
  echo "== $*" >&2
  if [ -s "$sim_work/program.stderr" ]; then
    echo "== the program's errors:" >&2
    tail -n 20 "$sim_work/program.stderr" >&2
  fi
  exit 1
}

# Root reaches the X server through its socket in /tmp/.X11-unix, also from
# inside a network namespace; it needs the display owner's cookie, which sudo
# leaves behind when the session keeps it in the default place.
UseOwnDisplay() {
  if [ -z "${XAUTHORITY:-}" ] && [ -n "${SUDO_USER:-}" ]; then
    local home
    home=$(getent passwd "$SUDO_USER" | cut -d: -f6)
    [ -f "$home/.Xauthority" ] && export XAUTHORITY=$home/.Xauthority
  fi
  echo "== the window opens on display $DISPLAY"
}

StartVirtualScreen() {
  command -v Xvfb >/dev/null || Stop "no display and no Xvfb (package xvfb)"
  local number_file=$sim_work/display deadline=$((SECONDS + 10))
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" 2>"$sim_work/xvfb.log" &
  xvfb_pid=$!
  while [ ! -s "$number_file" ] && ((SECONDS < deadline)); do sleep 0.1; done
  [ -s "$number_file" ] || Stop "Xvfb did not start: $(cat "$sim_work/xvfb.log")"
  DISPLAY=:$(cat "$number_file")
  export DISPLAY
  unset XAUTHORITY
  echo "== no display: the window opens on a virtual screen ($DISPLAY)"
}

# The program's top-level window: the largest of the screen's windows whose
# class names the program, or the whole screen when there is none.
ProgramWindow() {
  local name
  name=$(basename "$program")
  xwininfo -root -children 2>/dev/null | awk -v name="\"$name\"" '
    index($0, name) {
      for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) {
        split($i, size, /[x+]/)
        if (size[1] * size[2] > best) { best = size[1] * size[2]; id = $1 }
      }
    }
    END { print (id != "" ? id : "root") }'
}

TakeScreenshot() {
  command -v import >/dev/null || Stop "no screenshot: import is missing (package imagemagick)"
  sleep 1  # the last texts are painted
  mkdir -p "$(dirname "$screenshot")"
  import -display "$DISPLAY" -window "$(ProgramWindow)" "$screenshot"
  echo "== screenshot of the window: $(realpath "$screenshot")"
}

sim_setup
on_virtual_screen=0
if [ -n "${DISPLAY:-}" ]; then
  UseOwnDisplay
else
  StartVirtualScreen
  on_virtual_screen=1
fi
export QT_QPA_PLATFORM=xcb

echo "== PC: $program, its one Ethernet connection eth0 wired to the router's lan1"
sim_start_program "$program"
tail -n +1 -f "$sim_log" &
tail_pid=$!

sim_await_pc_address || Stop "the program did not give the PC the boot loader's network"
sim_say "192.168.1.88 answers; the boot loader's network is up"
sim_fetch_image "$sim_work/received.bin" || Stop "the router got no image"
cmp -s "$image" "$sim_work/received.bin" || Stop "the router received a different image"
sim_say "the image arrived byte for byte"
sim_restart
sim_await_text "$kSimSuccessText" "$kRecoverySeconds" || Stop "no success within $kRecoverySeconds s"
sleep 0.3  # tail shows the last text
echo
echo "== eth0 of the PC is back on DHCP: $(sim_pc_addresses | tr '\n' ' ')"

if [ "$on_virtual_screen" = 1 ]; then
  TakeScreenshot
else
  echo "== close the program's window (or press Ctrl+C) to end"
  wait "$sim_program_pid" || true
fi
