#!/usr/bin/env bash
# Builds the benchmarks in a Release folder (with the packages scripts/setup.sh
# installs) and runs them, five repetitions each; the mean, median, spread and
# counters of every benchmark go to a JSON file.
# Usage: scripts/bench.sh [OUT.json] [benchmark options, e.g. --benchmark_filter=Burst]
#        scripts/bench.sh --compare OLD.json NEW.json     (medians side by side)
# BUILD_DIR chooses the build folder (default build-rel).
set -euo pipefail
cd "$(dirname "$0")/.."

# The median real time of every benchmark in a result file: "name<TAB>time<TAB>unit".
medians() {
  awk '
    /^ *\{/ { name = ""; agg = ""; t = ""; unit = "" }
    /"run_name":/ { name = $0; sub(/^[^:]*: *"/, "", name); sub(/",? *$/, "", name) }
    /"aggregate_name":/ { agg = $0; sub(/^[^:]*: *"/, "", agg); sub(/",? *$/, "", agg) }
    /"real_time":/ { t = $0; sub(/^[^:]*: */, "", t); sub(/,? *$/, "", t) }
    /"time_unit":/ { unit = $0; sub(/^[^:]*: *"/, "", unit); sub(/",? *$/, "", unit) }
    /^ *\},? *$/ { if (agg == "median" && name != "") print name "\t" t "\t" unit; agg = "" }
  ' "$1"
}

if [ "${1:-}" = "--compare" ]; then
  [ $# -eq 3 ] || { echo "usage: scripts/bench.sh --compare OLD.json NEW.json" >&2; exit 2; }
  awk -F'\t' '
    FNR == 1 { file++ }
    file == 1 { old[$1] = $2; next }
    { order[++n] = $1; new[$1] = $2; unit[$1] = $3 }
    END {
      printf "%-50s %14s %14s %9s\n", "benchmark (median real time)", "old", "new", "change"
      for (i = 1; i <= n; i++) {
        k = order[i]
        if ((k in old) && old[k] > 0)
          printf "%-50s %11.1f %-2s %11.1f %-2s %+8.1f%%\n", k, old[k], unit[k], new[k], unit[k], (new[k] - old[k]) * 100 / old[k]
        else
          printf "%-50s %14s %11.1f %-2s\n", k, "-", new[k], unit[k]
      }
    }' <(medians "$2") <(medians "$3")
  exit 0
fi

out=${1:-bench-$(date +%Y%m%d-%H%M%S).json}
shift || true
build_dir=${BUILD_DIR:-build-rel}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMELLOX_BENCH=ON -DMELLOX_SANITIZE=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target mellox_bench >/dev/null
"$build_dir/mellox_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out" --benchmark_out_format=json "$@"
echo
echo "Medians (also in $out):"
medians "$out" | awk -F'\t' '{ printf "  %-50s %12.4g %s\n", $1, $2, $3 }'
