#!/usr/bin/env bash
# Instruction counts of single measurements under callgrind: steadier than
# timings on a shared machine. For each measurement name (as mentrenq-bench
# lists them, e.g. ModuleShare/report/rows:10000/sys:1/plex:1) prints the
# instructions of the whole measurement and those executed inside ZRX.so.
# Usage: scripts/bench-instructions.sh NAME...
set -euo pipefail
bench=${BENCH:-build/default/bin/mentrenq-bench}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf '%-48s %14s %14s\n' measurement instructions in_ZRX.so
for name in "$@"; do
  valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out/cg" \
    "$bench" --once="$name" > /dev/null 2> "$out/log"
  callgrind_annotate --threshold=100 "$out/cg" > "$out/annotated" 2> /dev/null
  total=$(awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}' "$out/annotated")
  module=$(awk '/\[.*ZRX\.so\]/ {gsub(",", "", $1); s += $1} END {print s + 0}' "$out/annotated")
  printf '%-48s %14s %14s\n' "$name" "$total" "$module"
done
