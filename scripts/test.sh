#!/usr/bin/env bash
# Builds everything twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test of both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCORVAN_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
# Leaks are reported, except the toolkit's and the X libraries' own.
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Each build gets its own X server, so the two suites can run side by side.
scripts/xvfb_ctest.sh build > build/test.log 2>&1 &
plain=$!
sleep 3
scripts/xvfb_ctest.sh build-asan > build-asan/test.log 2>&1 &
sanitized=$!
status=0
wait $plain || status=1
wait $sanitized || status=1

echo "=== plain build ==="; cat build/test.log
echo "=== sanitizer build ==="; cat build-asan/test.log
exit $status
