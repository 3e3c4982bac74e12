#!/usr/bin/env bash
# Builds everything and runs every test: installs the dependencies from
# Debian packages, builds the Windows (win32) and Linux (native) presets,
# runs all tests with ctest, runs the benchmarks once at their smallest size,
# checks the shared style (clang-format, clang-tidy), fuzzes three readers
# and formatters for a bounded time (clang), then runs the tests again under
# AddressSanitizer and
# UndefinedBehaviorSanitizer (asan preset), and ends with a summary line.
#   ./test.sh              everything
#   TQ_SKIP_ASAN=1 ./test.sh   without the sanitizer pass
#   TQ_SKIP_FUZZ=1 ./test.sh   without the bounded fuzzing runs (scripts/fuzz.sh)
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== Windows build (win32)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"

echo "== Linux build (native)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"

passed=0
failed=0
# Runs one ctest preset and adds its counts to the totals.
run_ctest() {
  local preset=$1 log
  log=$(mktemp)
  set +e
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  set -e
  local line total nfail
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  rm -f "$log"
  if [ -z "$line" ]; then
    echo "ctest ($preset) did not report its results" >&2
    failed=$((failed + 1))
    return
  fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  nfail=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - nfail))
  failed=$((failed + nfail))
  if [ "$status" -ne 0 ] && [ "$nfail" -eq 0 ]; then failed=$((failed + 1)); fi
}

echo "== Tests (native)"
run_ctest native

# The benchmarks at their smallest size, once each: they still run and their
# exports succeed (an export that fails is reported as an error by the run).
if [ -x build/native/bin/export_bench ]; then
  echo "== Benchmark smoke run (smallest sizes)"
  bench_log=$(mktemp)
  if build/native/bin/export_bench --benchmark_filter='/130$|/100$' --benchmark_min_time=0.01 --benchmark_color=false 2>&1 | tee "$bench_log" &&
     ! grep -q "ERROR OCCURRED" "$bench_log" && grep -q "export/floor at" "$bench_log"; then
    passed=$((passed + 1))
  else
    echo "the benchmark smoke run failed" >&2
    failed=$((failed + 1))
  fi
  rm -f "$bench_log"
fi

# The shared style: the layout of .clang-format and the checks of
# .clang-tidy hold for the whole tree.
echo "== Style (clang-format, clang-tidy)"
if TQ_TIDY_JOBS="$jobs" ./scripts/check-style.sh >/dev/null 2>&1; then
  passed=$((passed + 1))
else
  TQ_TIDY_JOBS="$jobs" ./scripts/check-style.sh 2>&1 | grep -v 'warnings generated' | tail -n 40
  echo "the style check failed (scripts/check-style.sh)" >&2
  failed=$((failed + 1))
fi

if [ "${TQ_SKIP_FUZZ:-0}" != "1" ]; then
  echo "== Fuzzing (bounded: three targets side by side for 12 s)"
  if TQ_JOBS="$jobs" ./scripts/fuzz.sh 12; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
fi

if [ "${TQ_SKIP_ASAN:-0}" != "1" ]; then
  echo "== Sanitizer build and tests (asan)"
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 run_ctest asan
fi

echo
echo "summary: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
