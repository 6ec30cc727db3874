#!/usr/bin/env bash
# Sets up, builds an optimised program and starts it on the example project.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBELVANTO_TESTS=OFF >/dev/null
cmake --build "$root/build/release"
demo="$root/build/demo"
mkdir -p "$demo"
project=""
if [ -x "$root/build/release/src/cli/belvanto-cli" ] && "$root/build/release/src/cli/belvanto-cli" --help 2>/dev/null | grep -q '^  simulate'; then
  [ -f "$demo/Demo.bvp" ] || "$root/build/release/src/cli/belvanto-cli" simulate "$demo/Demo.bvp" --contexts 60 >/dev/null
  project="$demo/Demo.bvp"
fi
exec "$root/build/release/src/app/belvanto" ${project:+"$project"}
