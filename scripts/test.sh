#!/usr/bin/env bash
# Sets up, builds everything with the address and undefined-behaviour sanitizers
# and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
build="$root/build/test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBELVANTO_SANITIZE=ON >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build" && ctest --output-on-failure -j2

# The same tree must build and pass with clang as well, so that it stays
# portable (and the fuzzing builds, which need clang, keep working).
clang_build="$root/build/clang"
CC=clang CXX=clang++ cmake -S "$root" -B "$clang_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBELVANTO_BENCH=OFF >/dev/null
cmake --build "$clang_build"
cd "$clang_build" && ctest --output-on-failure -j2
