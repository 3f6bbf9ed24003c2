#!/bin/bash
# Runs each fuzz target of a fuzz build for a bounded time: fuzz.sh <build folder> <seconds each>.
# Starts from the seed corpus under fuzz/corpus; any crash, sanitizer report or broken invariant
# fails the run and leaves the input under <build folder>/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$1
seconds=$2
mkdir -p "$build/artifacts"

for target in state preset; do
  work=$(mktemp -d "${TMPDIR:-/tmp}/varlune-fuzz.XXXXXX")
  mkdir -p "$work/home" "$work/corpus"
  echo "-- fuzz_${target}_reader: ${seconds} s"
  status=0
  HOME="$work/home" XDG_CONFIG_HOME="$work/home" XDG_DATA_HOME="$work/home" \
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/fuzz_${target}_reader" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -dict=fuzz/varlune.dict -print_final_stats=1 -artifact_prefix="$build/artifacts/${target}-" \
      "$work/corpus" "fuzz/corpus/$target" > "$work/log" 2>&1 || status=$?
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)" "$work/log" || true
  if [ $status -ne 0 ]; then
    tail -n 60 "$work/log"
    rm -rf "$work"
    echo "fuzz_${target}_reader failed"
    exit 1
  fi
  rm -rf "$work"
done
