#!/usr/bin/env bash
# Builds everything twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test of both builds: the two
# suites side by side, the tests of each side by side too, each under an X
# server of its own. Prints both suites' output, then the ten slowest tests
# of each build, then one line with the counts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

# A compiler cache where one is installed. Paths under the source tree are
# hashed relative to it, so another clone or work tree finds the same
# objects in the cache.
launcher=""
if command -v ccache >/dev/null; then
  launcher=ccache
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi
configure() {  # configure <build dir> <cmake options...>
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" \
    -DCMAKE_C_COMPILER_LAUNCHER="$launcher" "$@" >/dev/null
}

jobs=$(nproc)
configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DCORVAN_SANITIZE=ON
cmake --build build-asan -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
# Leaks are reported, except the toolkit's and the X libraries' own.
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

scripts/xvfb_ctest.sh build > build/test.log 2>&1 &
plain=$!
scripts/xvfb_ctest.sh build-asan > build-asan/test.log 2>&1 &
sanitized=$!
status=0
wait $plain || status=1
wait $sanitized || status=1

# The ten longest entries of a suite's output, the longest first.
slowest() {
  awk '/Test +#[0-9]+: / && / sec$/ { printf "%8.2f s  %s\n", $(NF-1), $4 }' "$1" | sort -rn |
    head -10
}
# "N% tests passed, F tests failed out of T" -> "T F"
counts() {
  sed -n 's/.* tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\)$/\2 \1/p' "$1"
}

echo "=== plain build ==="; cat build/test.log
echo "=== sanitizer build ==="; cat build-asan/test.log
echo "=== the ten slowest tests of the plain build ==="; slowest build/test.log
echo "=== the ten slowest tests of the sanitizer build ==="; slowest build-asan/test.log
read -r total failed < <({ counts build/test.log; counts build-asan/test.log; } |
  awk '{ total += $1; failed += $2 } END { print total + 0, failed + 0 }')
echo "tests: $(( total - failed )) passed, $failed failed"
exit $status
