#!/usr/bin/env bash
# Builds Kelmar with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test (core, command line and, where Qt is present, the desktop program
# on the offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
kelmar_install_deps
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DKELMAR_SANITIZE=ON -DKELMAR_BENCH=OFF >/dev/null
cmake --build build-test -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
