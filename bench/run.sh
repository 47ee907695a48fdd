#!/usr/bin/env bash
# Runs every benchmark program of a Release build and collects one table.
#
# Usage: bench/run.sh BUILD_DIR
#   BENCH_REPETITIONS  repetitions of each timed run (default 5); the table
#                      compares medians
#
# Each program runs with its databases in a scratch directory of its own,
# removed afterwards. Timed runs go first, interleaved in random order so that
# a burst of other work on the machine spreads over all subjects; then each
# memory run ("mem_" prefix) starts a process of its own.
set -euo pipefail

build_dir=${1:?usage: bench/run.sh BUILD_DIR}
repetitions=${BENCH_REPETITIONS:-5}
here=$(cd "$(dirname "$0")" && pwd)
results="$build_dir/results"
rm -rf "$results"
mkdir -p "$results"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/velar-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

for program in "$build_dir"/bin/bench_*; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  echo "== $name: timed runs, $repetitions repetitions each"
  TMPDIR="$scratch" "$program" \
    --benchmark_filter='-^mem_' \
    --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_display_aggregates_only=true \
    --benchmark_out="$results/$name.json" --benchmark_out_format=json 2>&1 |
    grep -E '_median|ERROR' || true
  memory_runs=$(TMPDIR="$scratch" "$program" --benchmark_list_tests --benchmark_filter='^mem_')
  [ -n "$memory_runs" ] && echo "== $name: memory runs, one process each"
  index=0
  for run in $memory_runs; do
    index=$((index + 1))
    TMPDIR="$scratch" "$program" --benchmark_filter="^${run}\$" \
      --benchmark_out="$results/$name.mem$index.json" --benchmark_out_format=json >/dev/null 2>&1 ||
      echo "   $run failed"
  done
done

python3 "$here/collect.py" "$results" "$build_dir"
