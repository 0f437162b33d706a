#!/bin/sh
# Lets mirbo-recovery run without root: it binds TFTP's port 69, opens a raw
# ICMP socket and changes the chosen connection's addresses. Run as root,
# after every build or copy of the program (copying drops the capabilities).
#   sudo scripts/install-capabilities.sh build/mirbo-recovery
set -eu
program=${1:?"usage: $0 PATH-TO-PROGRAM"}
[ -f "$program" ] || { echo "$0: no such program: $program" >&2; exit 1; }
setcap cap_net_bind_service,cap_net_raw,cap_net_admin=ep "$program"
getcap "$program"
