#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
# Crash inputs are left in build-fuzz/crashes/<target>/; keep each one as a
# regression test of its reader before fixing it.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
CXX=clang++ cmake -S . -B build-fuzz -DKELMAR_FUZZ=ON -DKELMAR_GUI=OFF -DKELMAR_TESTS=OFF -DKELMAR_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"
status=0
for t in build-fuzz/fuzz/fuzz_*; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  mkdir -p "build-fuzz/corpus/$name" "build-fuzz/crashes/$name"
  echo "== $name ($secs s)"
  # Seed the corpus with the example files so the fuzzer starts from valid input.
  seeds=()
  [ -d examples ] && seeds+=(examples)
  if ! "$t" -max_total_time="$secs" -rss_limit_mb=2048 -artifact_prefix="build-fuzz/crashes/$name/" \
      "build-fuzz/corpus/$name" "${seeds[@]}" 2>"build-fuzz/$name.log"; then
    echo "   FAILED: see build-fuzz/$name.log and build-fuzz/crashes/$name/"
    status=1
  else
    tail -n 1 "build-fuzz/$name.log"
  fi
done
exit $status
