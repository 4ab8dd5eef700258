#!/usr/bin/env bash
# xvfb_ctest.sh <build dir> [ctest options]: runs the build's tests side by
# side: one busy test per core, and beside them the tests on the wall clock,
# which mostly wait (corvan_test() gives a busy test two of the 2 x cores
# places, one on the wall clock one). Each test starts its own virtual X
# server (tests/support/with_x_server.sh), so none clicks into another's
# windows and none needs a display from here.
set -uo pipefail
build=$1
shift
ctest --test-dir "$build" -j"$(( 2 * $(nproc) ))" --output-on-failure --no-tests=error "$@"
