#!/usr/bin/env bash
# Every test: the full build with the window tests, then the core tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzzers for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
fuzz_seconds="${SITORA_FUZZ_SECONDS:-6}"
log="$(mktemp)"
server=""
trap 'rm -f "$log"; [ -z "$server" ] || scripts/test-server.sh stop "$server"' EXIT

scripts/install-deps.sh test

# The server tests' throwaway PostgreSQL cluster; without it they are reported skipped.
if server="$(scripts/test-server.sh start)"; then
    export SITORA_TEST_PGHOST="$server"
else
    server=""
    echo "the test PostgreSQL server could not be started: the server tests are skipped"
fi

echo "== build and all tests"
# Optimised as the program is, without debug information: a failure here is found again, with
# lines, under the sanitizers below, and the build takes a sixth less.
cmake -S . -B build -G Ninja -DSITORA_TESTS=ON -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
cmake --build build -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs" | tee -a "$log"

echo "== core and window tests under AddressSanitizer + UndefinedBehaviorSanitizer"
# Line tables are all a sanitizer's report needs.
cmake -S . -B build-asan -G Ninja -DSITORA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
    -DCMAKE_C_FLAGS_DEBUG=-g1 >/dev/null
cmake --build build-asan -j "$jobs"
export UBSAN_OPTIONS=print_stacktrace=1
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j "$jobs" -L core | tee -a "$log"
# Qt's own caches outlive the tests, so leak reports would only name Qt: leaks are checked above.
ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -L ui | tee -a "$log"

echo "== fuzzers (${fuzz_seconds} s each)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSITORA_GUI=OFF -DSITORA_TESTS=OFF -DSITORA_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "$jobs"
for fuzzer in build-fuzz/fuzz/*_fuzzer; do
    name="$(basename "$fuzzer" _fuzzer)"
    scratch="$(mktemp -d)"
    "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 -artifact_prefix="$scratch/" \
        "$scratch" "fuzz/corpus/$name" 2>&1 | tail -n 2
    rm -rf "$scratch"
done
# One closing line over all runs (a failing run has stopped the script already). CTest counts a
# skipped test among the passed ones: here it is counted, and named, on its own.
total="$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | awk '{s += $1} END {print s + 0}')"
skipped_list="$(grep -E '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$log" | sed -E 's/^[[:space:]]*[0-9]+ - //' || true)"
skipped="$(printf '%s' "$skipped_list" | grep -c . || true)"
if [ "$skipped" -gt 0 ]; then
    echo "skipped:"
    printf '%s\n' "$skipped_list" | sed 's/^/  /'
fi
echo "$((total - skipped)) passed, 0 failed, ${skipped} skipped"
