#!/usr/bin/env bash
# Sets up, builds an optimised program and starts it. The first run makes a
# small simulated project under build/demo (outside the tracked files) and
# every run opens it; a project path given as argument is opened instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBELVANTO_TESTS=OFF >/dev/null
cmake --build "$root/build/release"
cli="$root/build/release/src/cli/belvanto-cli"
demo="$root/build/demo"
project="${1:-}"
if [ -z "$project" ]; then
  mkdir -p "$demo"
  # A run broken off half-way leaves a project file without its tables.
  if [ ! -f "$demo/Demo.bvp" ] || [ ! -f "$demo/Demo_unit.db" ] || [ ! -f "$demo/Demo_rel.db" ]; then
    rm -f "$demo"/Demo*
    "$cli" --yes simulate "$demo/Demo.bvp" --contexts 60 --contemporary 10 --excavation Demo >/dev/null \
      || echo "run.sh: the demo project could not be made; starting without it" >&2
    # Laid out, so that its layout files are there for the diagram commands.
    [ -f "$demo/Demo_unit.db" ] && { "$cli" layout "$demo/Demo.bvp" >/dev/null \
      || echo "run.sh: the demo project could not be laid out" >&2; }
  fi
  [ -f "$demo/Demo_unit.db" ] && project="$demo/Demo.bvp"
fi
exec "$root/build/release/src/app/belvanto" ${project:+"$project"}
