#!/usr/bin/env bash
# Sets up, builds and runs every test: once as built for use, once under
# AddressSanitizer and UndefinedBehaviorSanitizer. Needs root (network
# namespaces, port 69, raw ICMP).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
ctest --test-dir build --output-on-failure -j2 --timeout 600

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMIRBO_SANITIZE=ON
cmake --build build-asan -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j2 --timeout 600
echo "All tests passed."
