#!/usr/bin/env bash
# The README's recipe for a MultiRun split over machines, run on this machine:
# GNU parallel starts the shards (":" is the local host in --sshlogin, where a
# cluster lists its hosts), merge-sum joins them, and the joined summary file
# must equal the one a single process writes.
# Usage: parallel_recipe.sh KELMAR EXAMPLES_DIR WEATHER_DIR
set -euo pipefail
kelmar=$1 examples=$2 envs=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples"/SANDY6.* "$examples"/*.SOI "$examples"/*.CRO "$examples"/*.APP "$work"/
cd "$work"

"$kelmar" multirun envs SANDY6.DAT "$envs" -o single.SUM >log 2>&1 || { cat log; exit 1; }

N=4
seq 1 $N | parallel --will-cite --halt now,fail=1 --sshlogin 2/: --workdir "$work" \
  "$kelmar" multirun envs SANDY6.DAT "$envs" --shard {}/$N -o part{}.SUM >>log 2>&1 || { cat log; exit 1; }
"$kelmar" merge-sum part*.SUM -o merged.SUM >>log 2>&1 || { cat log; exit 1; }

if ! cmp -s single.SUM merged.SUM; then
  echo "merged summary differs from the single-process one:"
  diff single.SUM merged.SUM | head -20
  exit 1
fi
lines=$(wc -l <merged.SUM)
echo "$N shards joined to the single-process summary ($lines lines)"
