#!/usr/bin/env bash
# Starts the real program inside a network namespace of its own, whose one
# Ethernet connection leads to a second namespace, and checks what the
# operator sees first: the stand-in warning, when the build
# carries the stand-in, before the listener's instructions; a program with a
# factory image starts with the instructions.
#   program_start_test.sh PROGRAM STAND_IN(0|1)
set -euo pipefail
program=$(realpath "$1")
stand_in=$2
[ "$(id -u)" -eq 0 ] || { echo "SKIP: network namespaces need root"; exit 77; }

source "$(dirname "$0")/one_connection_namespace.sh"
# Standard output carries the log; the window system writes its notes to standard error.
(cd "$out" && QT_QPA_PLATFORM=offscreen exec ip netns exec "$ns" "$program") > "$out/output.txt" 2> "$out/errors.txt" &
pid=$!

wait_for_listener

warning='警告：本程序内置的是测试用替代镜像，不是Mirbo出厂固件，切勿用于真实路由器！'
first=$(head -n 1 "$out/output.txt")
if [ "$stand_in" = 1 ]; then
  [ "$first" = "$warning" ] || { echo "FAIL: first line is not the stand-in warning: $first"; exit 1; }
else
  ! grep -qF "$warning" "$out/output.txt" || { echo "FAIL: a factory image is called a stand-in"; exit 1; }
fi
echo "PASS"
