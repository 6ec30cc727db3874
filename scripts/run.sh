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
    # Its 60 contexts in 15 groups of four, two groups (three at the end) to
    # an upper group, so that the groups keep to the simulation's periods of
    # eight contexts (twelve at the end).
    groups=() parts=()
    for i in $(seq 1 60); do parts+=("$(printf 'F%02d' "$i")" p "G$(( (i - 1) / 4 + 1 ))"); done
    for g in $(seq 1 15); do
      u=$(( (g - 1) / 2 + 1 )); [ "$u" -gt 7 ] && u=7
      groups+=("G$g"); parts+=("G$g" p "U$u")
    done
    for u in $(seq 1 7); do groups+=("U$u"); done
    # Laid out with its groups in period bands, so that its layout files are
    # there for the diagram commands.
    [ -f "$demo/Demo_unit.db" ] && { { "$cli" unit add "$demo/Demo.bvp" "${groups[@]}" --class group \
        && "$cli" rel add "$demo/Demo.bvp" "${parts[@]}" \
        && "$cli" layout "$demo/Demo.bvp" --groups --periods; } >/dev/null \
      || echo "run.sh: the demo project could not be laid out" >&2; }
  fi
  [ -f "$demo/Demo_unit.db" ] && project="$demo/Demo.bvp"
fi
exec "$root/build/release/src/app/belvanto" ${project:+"$project"}
