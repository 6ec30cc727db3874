#!/usr/bin/env bash
# Graphviz tred beside our redundancy test: the earlier/later links of a
# simulated project of 10,000 contexts written as DOT by bench_redundancy
# (WriteDot), then timed through tred when it is installed (apt-get install
# graphviz). The redundancy test's own figures come from
#
#   ./build/release/bench/bench_redundancy --benchmark_filter=Redundancy
#
#   bash bench/tred.sh            # 10,000 contexts
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"
bench="$build/bench/bench_redundancy"
if [ ! -x "$bench" ] || [ -n "${BELVANTO_REBUILD:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBELVANTO_TESTS=OFF >/dev/null
  cmake --build "$build" --target bench_redundancy -j2 >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && "$bench" --benchmark_filter='WriteDot/10000' >/dev/null)
dot="$work/redundancy-10000.dot"
links=$(grep -c -- '->' "$dot" || true)
echo "DOT file: $links links"
if ! command -v tred >/dev/null; then
  echo "tred is not installed (apt-get install graphviz)"
  exit 0
fi
/usr/bin/time -f 'tred: %e s wall, %U s user, %S s system, %M KB peak' tred "$dot" >"$work/reduced.dot"
echo "after tred: $(grep -c -- '->' "$work/reduced.dot" || true) links"
