#!/bin/bash
# Installs, builds and runs every test: the whole suite optimised, again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the concurrency tests under ThreadSanitizer, and the fuzz targets for
# a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build

scripts/setup.sh --tests
jobs=$(nproc)
start=$SECONDS

echo "== optimised build"
scripts/build.sh release -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build/release -j "$jobs" --output-on-failure

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
scripts/build.sh asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARLUNE_SANITIZE=address,undefined \
  -DVARLUNE_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build/asan -j "$jobs" --output-on-failure

echo "== ThreadSanitizer (concurrency tests)"
scripts/build.sh tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARLUNE_SANITIZE=thread \
  -DVARLUNE_BUILD_BENCH=OFF -- concurrency_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build/tsan -L concurrency -j "$jobs" --output-on-failure

echo "== Fuzzing the state and preset readers (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer)"
scripts/build.sh fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVARLUNE_FUZZ=ON -DVARLUNE_SANITIZE=address,undefined -DVARLUNE_BUILD_BENCH=OFF -- fuzz_targets
scripts/fuzz.sh build/fuzz 60

echo "== all tests passed ($((SECONDS - start)) s)"
