#!/usr/bin/env bash
# Mutation run: applies each source mutation of scripts/mutations.txt on its own
# to a scratch copy of the working tree, builds it and runs the core and
# command-line tests. A mutation the tests notice is "killed"; one they pass
# "survived" and wants a test (or, when it cannot change behaviour, the
# equivalent field on its line).
#
#   nice -n 10 bash scripts/mutate.sh            # every mutation
#   nice -n 10 bash scripts/mutate.sh 3 17 21    # only these (numbers as printed)
#
# Environment: KELMAR_MUT_DIR scratch directory (default /tmp/kelmar-mutation,
# kept between runs so the builds stay incremental), KELMAR_MUT_JOBS build and
# test jobs (2), KELMAR_MUT_TIMEOUT seconds per test (120).
#
# mutations.txt: one mutation a line, fields separated by "@@":
#   file @@ text @@ replacement @@ why [@@ equivalent: reason]
# The text must occur exactly once in the file; \n in text and replacement
# stands for a line end. Blank lines and lines starting with # are skipped.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
list="$here/scripts/mutations.txt"
scratch=${KELMAR_MUT_DIR:-/tmp/kelmar-mutation}
jobs=${KELMAR_MUT_JOBS:-2}
timeout=${KELMAR_MUT_TIMEOUT:-120}
src="$scratch/src"
build="$scratch/build"
log="$scratch/log"

# The scratch copy follows the tracked and new files of the working tree (not
# the build). Only files whose content differs are replaced, and they get the
# current time: an older file that differs must still be rebuilt.
incoming="$scratch/incoming"
rm -rf "$incoming"
mkdir -p "$src" "$log" "$incoming"
(cd "$here" && git ls-files -co --exclude-standard -z | xargs -0 tar cf -) | tar xf - -C "$incoming"
python3 - "$incoming" "$src" <<'PY'
import filecmp, os, shutil, sys
new, old = sys.argv[1], sys.argv[2]
for root, _, files in os.walk(new):
    for f in files:
        a = os.path.join(root, f)
        b = os.path.join(old, os.path.relpath(a, new))
        if not os.path.exists(b) or not filecmp.cmp(a, b, shallow=False):
            os.makedirs(os.path.dirname(b), exist_ok=True)
            shutil.copyfile(a, b)
for root, _, files in os.walk(old):
    for f in files:
        b = os.path.join(root, f)
        if not os.path.exists(os.path.join(new, os.path.relpath(b, old))):
            os.remove(b)
PY
rm -rf "$incoming"

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKELMAR_GUI=OFF -DKELMAR_BENCH=OFF \
    "${launcher[@]}" >"$log/configure.txt"
fi

build_and_test() { # $1: log name
  cmake --build "$build" -j"$jobs" >"$log/$1.build.txt" 2>&1 || return 2
  ctest --test-dir "$build" -j"$jobs" --timeout "$timeout" --stop-on-failure >"$log/$1.test.txt" 2>&1 || return 1
  return 0
}

echo "Unmutated build and tests ..."
if ! build_and_test baseline; then
  echo "The unmutated tree fails its build or tests: see $log/baseline.*" >&2
  exit 1
fi

# Applies mutation $2 -> $3 to file $1; fails when the text is not there exactly once.
apply() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, text, repl = sys.argv[1], sys.argv[2].replace('\\n', '\n'), sys.argv[3].replace('\\n', '\n')
body = open(path, encoding='utf-8').read()
n = body.count(text)
if n != 1:
    sys.exit(f"the text occurs {n} times")
open(path, 'w', encoding='utf-8').write(body.replace(text, repl, 1))
PY
}

trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; printf '%s' "${s%"${s##*[![:space:]]}"}"; }

declare -A wanted=()
for n in "$@"; do wanted[$n]=1; done

killed=0 survived=0 equivalent=0 broken=0 nr=0
survivors=()
while IFS= read -r line || [[ -n $line ]]; do
  [[ -z ${line//[[:space:]]/} || $line == \#* ]] && continue
  nr=$((nr + 1))
  if (($# > 0)) && [[ -z ${wanted[$nr]:-} ]]; then continue; fi
  rest=$line
  fields=()
  while [[ $rest == *@@* ]]; do
    fields+=("$(trim "${rest%%@@*}")")
    rest=${rest#*@@}
  done
  fields+=("$(trim "$rest")")
  file=${fields[0]} text=${fields[1]:-} repl=${fields[2]:-} why=${fields[3]:-} eq=${fields[4]:-}
  label=$(printf '%3d %-34s %s' "$nr" "$file" "$why")
  if [[ -n $eq ]]; then
    equivalent=$((equivalent + 1))
    echo "equivalent $label ($eq)"
    continue
  fi
  cp "$src/$file" "$log/original"
  if ! apply "$src/$file" "$text" "$repl" 2>"$log/$nr.apply.txt"; then
    broken=$((broken + 1))
    echo "NOT-FOUND  $label: $(cat "$log/$nr.apply.txt")"
    continue
  fi
  set +e
  build_and_test "$nr"
  rc=$?
  set -e
  cp "$log/original" "$src/$file" # undo before the next mutation
  case $rc in
  0) survived=$((survived + 1)); survivors+=("$nr"); echo "SURVIVED   $label" ;;
  1) killed=$((killed + 1)); echo "killed     $label" ;;
  *) broken=$((broken + 1)); echo "NO-BUILD   $label (see $log/$nr.build.txt)" ;;
  esac
done <"$list"

# Leave the scratch build matching the working tree again.
cmake --build "$build" -j"$jobs" >"$log/restore.txt" 2>&1 || true

total=$((killed + survived))
echo
echo "killed $killed, survived $survived, equivalent $equivalent, not applicable $broken"
if ((total > 0)); then
  echo "score: $((100 * killed / total)) % of $total non-equivalent mutations killed"
fi
((${#survivors[@]} == 0)) || echo "survivors: ${survivors[*]}"
((survived == 0 && broken == 0))
