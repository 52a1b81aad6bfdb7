#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs every one for a bounded
# time, as many at once as there are cores, at the lowest priority so that
# builds on the same machine keep theirs.
#
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target...]
#   FUZZ_JOBS=N   targets run at the same time (default: the number of cores)
#   FUZZ_RUNS=N   stop a target after N inputs instead (the slow model target
#                 after N/10); the time is then only an upper bound
#
# Each target starts from its seeds in fuzz/corpus/<target>/ with the
# dictionary fuzz/dict/<target>.dict; what it finds new goes to
# build-fuzz/corpus/<target>/. A crash, a sanitizer report, a failed check or
# a hang leaves its input in build-fuzz/crashes/<target>/: copy it to
# tests/data/fuzz-regressions/<reader>/ (where test_fuzz_regressions replays
# it) before fixing the reader. At the end the executions of every target are
# listed, and the exit status is 1 when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
shift || true
jobs=${FUZZ_JOBS:-$(nproc)}
runs=${FUZZ_RUNS:-}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CXX=clang++ cmake -S . -B build-fuzz -DKELMAR_FUZZ=ON -DKELMAR_GUI=OFF -DKELMAR_TESTS=OFF -DKELMAR_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
nice -n 10 cmake --build build-fuzz -j"$(nproc)" --target kelmar_fuzz

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for t in build-fuzz/fuzz/fuzz_*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi

run_one() {
  local name=$1 secs=$2 runs=$3
  local bin=build-fuzz/fuzz/$name
  mkdir -p "build-fuzz/corpus/$name" "build-fuzz/crashes/$name"
  local args=(-max_total_time="$secs" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix="build-fuzz/crashes/$name/")
  [ -f "fuzz/dict/$name.dict" ] && args+=(-dict="fuzz/dict/$name.dict")
  if [ -n "$runs" ]; then
    [ "$name" = fuzz_model ] && runs=$((runs / 10))
    args+=(-runs="$runs")
  fi
  local seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds+=("fuzz/corpus/$name")
  if nice -n 19 "$bin" "${args[@]}" "build-fuzz/corpus/$name" "${seeds[@]}" >"build-fuzz/$name.log" 2>&1; then
    echo ok >"build-fuzz/$name.status"
  else
    echo FOUND >"build-fuzz/$name.status"
  fi
}
export -f run_one

echo "fuzzing ${#targets[@]} targets for $secs s each, $jobs at a time"
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$1" "$2" "$3"' _ {} "$secs" "$runs"

status=0
printf '%-20s %14s %10s  %s\n' target executions exec/s result
for name in "${targets[@]}"; do
  log=build-fuzz/$name.log
  executed=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  [ -n "$executed" ] || executed=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  result=$(cat "build-fuzz/$name.status" 2>/dev/null || echo "?")
  [ "$result" = ok ] || status=1
  printf '%-20s %14s %10s  %s\n' "$name" "${executed:-?}" "${rate:-?}" \
    "$([ "$result" = ok ] && echo ok || echo "FOUND: see $log and build-fuzz/crashes/$name/")"
done
exit $status
