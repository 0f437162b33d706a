#!/usr/bin/env bash
# Sets up, builds and runs the program in its safe demonstration. Needs root
# for the network namespaces; started as a user, it asks sudo for it and
# keeps the user's display, so the window opens there.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  exec sudo --preserve-env=DISPLAY,XAUTHORITY bash scripts/run.sh
fi
bash scripts/setup.sh
bash scripts/demo.sh
