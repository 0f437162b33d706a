#!/usr/bin/env bash
# Sets up, builds and runs the program in its safe demonstration.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/demo.sh
