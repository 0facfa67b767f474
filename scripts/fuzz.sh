#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-
# behaviour sanitizers), replays each committed corpus, then fuzzes each
# target for FUZZ_SECONDS seconds (default 60), or for FUZZ_RUNS executions.
#   FUZZ_SECONDS=3600 scripts/fuzz.sh            all targets, an hour each
#   FUZZ_SECONDS=600 scripts/fuzz.sh query_rows  one target
#   FUZZ_RUNS=1000000 FUZZ_MERGE=1 scripts/fuzz.sh  a million executions each,
#                                                the new inputs merged back
# Warnings are errors unless ZRX_WERROR=OFF.
# New inputs go to build/fuzz/corpus/<target>; crashing inputs to
# build/fuzz/artifacts/, also from the replay and the merge. The committed
# corpus in fuzz/corpus/ is only read, unless FUZZ_MERGE=1: then the inputs
# that add coverage are merged into it (libFuzzer's -merge=1) after the run,
# as new files that git lists as untracked until they are committed. Nothing
# else is written outside build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
runs=${FUZZ_RUNS:-}
merge=${FUZZ_MERGE:-0}
jobs=${JOBS:-2}
build=build/fuzz
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(query_rows index_predicates enqplex_column snapshot_bytes pe_loader)

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DZRX_WERROR="${ZRX_WERROR:-ON}" >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"

if [ -n "$runs" ]; then limit=(-runs="$runs"); what="$runs executions"
else limit=(-max_total_time="$seconds"); what="$seconds s"; fi

mkdir -p "$build/artifacts"
for t in "${targets[@]}"; do
  binary="$build/fuzz_$t"
  corpus="fuzz/corpus/$t"
  work="$build/corpus/$t"
  mkdir -p "$work"
  echo "== fuzz_$t: replaying $(ls "$corpus" | wc -l) inputs of $corpus"
  "$binary" -runs=0 -artifact_prefix="$build/artifacts/$t-" "$corpus" 2>&1 | tail -n 1
  echo "== fuzz_$t: fuzzing for $what"
  "$binary" "$work" "$corpus" "${limit[@]}" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" 2>"$build/fuzz_$t.log" || {
      tail -n 60 "$build/fuzz_$t.log"
      echo "fuzz_$t failed: the input is in $build/artifacts/"
      exit 1
    }
  grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$build/fuzz_$t.log"
  grep -E '^#[0-9]+' "$build/fuzz_$t.log" | tail -n 1
  if [ "$merge" = 1 ]; then
    echo "== fuzz_$t: merging $work into $corpus"
    "$binary" -merge=1 -artifact_prefix="$build/artifacts/$t-" "$corpus" "$work" 2>&1 |
      grep -E 'MERGE-OUTER: [0-9]+ new files' || true
    echo "== fuzz_$t: new inputs in $corpus are untracked: git status --short $corpus"
  fi
done
