#!/usr/bin/env bash
# Builds the benchmarks in a Release folder (with the packages scripts/setup.sh
# installs) and runs them, five repetitions each; the mean, median and spread
# of every benchmark go to a CSV file.
# Usage: scripts/bench.sh [OUT.csv] [benchmark options, e.g. --benchmark_filter=Burst]
#        scripts/bench.sh --compare OLD.csv NEW.csv     (medians side by side)
# BUILD_DIR chooses the build folder (default build-rel).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--compare" ]; then
  [ $# -eq 3 ] || { echo "usage: scripts/bench.sh --compare OLD.csv NEW.csv" >&2; exit 2; }
  # Columns: name, iterations, real_time, cpu_time, time_unit, ...
  awk -F, '
    FNR == 1 { file++ }
    $1 ~ /_median"?$/ {
      name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
      if (file == 1) { old[name] = $3; unit[name] = $5 }
      else { new[name] = $3; unit[name] = $5; order[++n] = name }
    }
    END {
      printf "%-48s %14s %14s %9s\n", "benchmark (median real time)", "old", "new", "change"
      for (i = 1; i <= n; i++) {
        k = order[i]
        if (k in old && old[k] > 0)
          printf "%-48s %11.1f %-2s %11.1f %-2s %+8.1f%%\n", k, old[k], unit[k], new[k], unit[k], (new[k] - old[k]) * 100 / old[k]
        else
          printf "%-48s %14s %11.1f %-2s\n", k, "-", new[k], unit[k]
      }
    }' "$2" "$3"
  exit 0
fi

out=${1:-bench-$(date +%Y%m%d-%H%M%S).csv}
shift || true
build_dir=${BUILD_DIR:-build-rel}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMELLOX_BENCH=ON -DMELLOX_SANITIZE=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target mellox_bench
"$build_dir/mellox_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out" --benchmark_out_format=csv "$@"
echo "Results in $out"
