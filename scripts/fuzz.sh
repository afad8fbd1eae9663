#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz/ and runs
# each for a bounded time from its seed corpus. New inputs go to
# build-fuzz/corpus/TARGET (the seeds in fuzz/corpus/ stay as they are);
# crashes are written to build-fuzz/artifacts/ and fail the run, as does a leak
# found when a run ends (run the target binary with -detect_leaks=1 to find the input).
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]   (default 20 s, all targets)
# One input again:  build-fuzz/TARGET_fuzzer FILE
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
build_dir=build-fuzz

if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
if ! command -v clang++ >/dev/null; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq clang
fi
# The fuzzer and sanitizer runtimes and the symbolizer of clang's own version.
major=$(clang++ -dumpversion | cut -d. -f1)
missing=()
for p in "libclang-rt-$major-dev" "llvm-$major"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
symbolizer=$(command -v "llvm-symbolizer-$major" || command -v llvm-symbolizer || true)

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMELLOX_FUZZ=ON -DMELLOX_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target mellox_fuzz

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzzer.cpp; do
    name=$(basename "$f" .cpp)
    targets+=("${name%_fuzzer}")
  done
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1${symbolizer:+:external_symbolizer_path=$symbolizer}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build_dir/artifacts"
failed=()
summary=()
for t in "${targets[@]}"; do
  corpus="$build_dir/corpus/$t"
  mkdir -p "$corpus"
  log="$build_dir/artifacts/$t.log"
  # The plug-in keeps state from input to input, so a per-input leak hunt would
  # scan the heap after most inputs; leaks are checked once, at the end of the run.
  args=(-max_total_time="$seconds" -timeout=10 -detect_leaks=0 -print_final_stats=1
        -artifact_prefix="$build_dir/artifacts/$t-")
  [ -f "fuzz/dict/$t.dict" ] && args+=(-dict="fuzz/dict/$t.dict")
  echo "== $t ($seconds s)"
  if "$build_dir/${t}_fuzzer" "${args[@]}" "$corpus" "fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    summary+=("$(printf '%-18s %8s exec/s %10s executions' "$t" "$rate" "$runs")")
  else
    failed+=("$t")
    tail -n 60 "$log"
  fi
done

echo
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]} (inputs and logs in $build_dir/artifacts/)"
  exit 1
fi
