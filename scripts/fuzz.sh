#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer, replays each committed
# corpus, then fuzzes each target for FUZZ_SECONDS seconds (default 60), or
# for FUZZ_RUNS executions.
#   FUZZ_SECONDS=3600 scripts/fuzz.sh            all targets, an hour each
#   FUZZ_SECONDS=600 scripts/fuzz.sh query_rows  one target
#   FUZZ_RUNS=1000000 FUZZ_FAST=1 FUZZ_MERGE=1 scripts/fuzz.sh
#                                                the long campaign (make fuzz-long)
# By default the targets carry the address and undefined-behaviour sanitizers
# (build/fuzz). FUZZ_FAST=1 builds them without (build/fuzz-fast), several
# times faster, fuzzes on JOBS cores at once (-jobs), and replays every
# crashing input and the merged corpus in the sanitized build afterwards.
# Warnings are errors unless ZRX_WERROR=OFF.
# Everything a run makes stays under the build folder: new inputs in
# <build>/corpus/<target>, crashing inputs in <build>/artifacts/, logs in
# <build>/logs/. The committed corpus in fuzz/corpus/ is only read, unless
# FUZZ_MERGE=1: then it is replaced by the minimal set of its own and the
# new inputs that keeps all their coverage (libFuzzer's -merge=1).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${FUZZ_SECONDS:-60}
runs=${FUZZ_RUNS:-}
merge=${FUZZ_MERGE:-0}
fast=${FUZZ_FAST:-0}
jobs=${JOBS:-2}
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(query_rows index_predicates enqplex_column snapshot_bytes pe_loader)

configure() { # build folder, sanitizers ON/OFF
  cmake -S fuzz -B "$1" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DZRX_FUZZ_SANITIZE="$2" -DZRX_WERROR="${ZRX_WERROR:-ON}" >/dev/null
  cmake --build "$1" -j "$jobs" --target "${targets[@]/#/fuzz_}"
}

checked=build/fuzz
configure "$checked" ON
if [ "$fast" = 1 ]; then build=build/fuzz-fast; configure "$build" OFF; else build=$checked; fi

parallel=()
if [ -n "$runs" ]; then
  if [ "$fast" = 1 ] && [ "$jobs" -gt 1 ]; then
    # Each job runs its share; together they make FUZZ_RUNS executions.
    limit=(-runs=$(((runs + jobs - 1) / jobs))); parallel=(-jobs="$jobs" -workers="$jobs")
  else limit=(-runs="$runs"); fi
  what="$runs executions"
else limit=(-max_total_time="$seconds"); what="$seconds s"; fi

mkdir -p "$build/artifacts" "$build/logs"
for t in "${targets[@]}"; do
  binary="$root/$build/fuzz_$t"
  corpus="fuzz/corpus/$t"
  work="$build/corpus/$t"
  log="$build/logs/$t"
  mkdir -p "$work"
  rm -f "$log".*
  echo "== fuzz_$t: replaying $(ls "$corpus" | wc -l) inputs of $corpus"
  "$root/$checked/fuzz_$t" -runs=0 -artifact_prefix="$root/$build/artifacts/$t-" "$corpus" 2>&1 | tail -n 1
  echo "== fuzz_$t: fuzzing for $what${parallel:+ on $jobs cores}"
  status=0
  # The jobs write fuzz-N.log into the current folder: run inside the logs.
  (cd "$build/logs" && "$binary" "$root/$work" "$root/$corpus" "${limit[@]}" "${parallel[@]}" \
     -print_final_stats=1 -artifact_prefix="$root/$build/artifacts/$t-" >"$root/$log.out" 2>&1) || status=$?
  for f in "$build"/logs/fuzz-*.log; do [ -e "$f" ] && mv "$f" "$log.job-${f##*/fuzz-}"; done
  logs=("$log".*)
  if [ "$status" != 0 ] || ls "$build/artifacts/$t-"* >/dev/null 2>&1; then
    tail -n 60 "${logs[@]}"
    for a in "$build/artifacts/$t-"*; do
      [ -e "$a" ] || continue
      echo "== replaying $a under the sanitizers"
      "$root/$checked/fuzz_$t" "$a" 2>&1 | tail -n 30 || true
    done
    echo "fuzz_$t failed: the input is in $build/artifacts/"
    exit 1
  fi
  # With -jobs the parent repeats each job's log when it ends: count the jobs'.
  counted=("$log.out")
  [ ${#parallel[@]} -gt 0 ] && counted=("$log".job-*)
  total=$(cat "${counted[@]}" | awk '/^stat::number_of_executed_units:/ {n += $2} END {print n + 0}')
  echo "executions: $total"
  grep -hE '^#[0-9]+' "${counted[@]}" | tail -n 1
  if [ "$merge" = 1 ]; then
    echo "== fuzz_$t: merging $work into $corpus, minimised"
    merged="$build/merged/$t"
    rm -rf "$merged" && mkdir -p "$merged"
    "$binary" -merge=1 -artifact_prefix="$root/$build/artifacts/$t-" "$merged" "$corpus" "$work" >"$log.merge" 2>&1
    grep -E 'MERGE-OUTER: [0-9]+ new files' "$log.merge" || true
    rm -rf "$corpus" && mv "$merged" "$corpus"
    echo "== fuzz_$t: $(ls "$corpus" | wc -l) inputs, $(du -sh "$corpus" | cut -f1); replayed under the sanitizers"
    "$root/$checked/fuzz_$t" -runs=0 -artifact_prefix="$root/$build/artifacts/$t-" "$corpus" 2>&1 | tail -n 1
    echo "== fuzz_$t: the changes to $corpus are yours to review and commit: git status --short $corpus"
  fi
done
