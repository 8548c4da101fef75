#!/bin/bash
# Builds the bench preset (unsanitised Release), runs the benchmarks and
# callgrind, and prints the table of the README's "Hardening and
# measurement" section.
#
#   bash bench/run.sh                  build in build/bench
#   VEXA_BENCH_BUILD=/tmp/b bash bench/run.sh
#   VEXA_BENCH_REPETITIONS=10 ...      repetitions, interleaved at random (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${VEXA_BENCH_BUILD:-build/bench}
repetitions=${VEXA_BENCH_REPETITIONS:-10}
calls=${VEXA_BENCH_CALLGRIND_CALLS:-2000}
jobs=${VEXA_BENCH_JOBS:-2}

cmake --preset bench -B "$build" >/dev/null
cmake --build "$build" --target vexa_bench_stage -j "$jobs" >/dev/null
bench=$build/bench/stage/vexa_bench
out=$build/bench/results
mkdir -p "$out"

"$bench" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true --benchmark_min_time=0.2 \
  --benchmark_out="$out/bench.json" --benchmark_out_format=json >&2

calls_measured=$("$bench" --list)
for call in $calls_measured; do
  for path in library baseline; do
    valgrind --tool=callgrind --toggle-collect=run_calls \
      --callgrind-out-file="$out/cg.$call.$path" "$bench" --run "$call/$path" "$calls" \
      >/dev/null 2>&1
  done
done

# shellcheck disable=SC2086
python3 bench/report.py "$out/bench.json" "$out" "$calls" $calls_measured
