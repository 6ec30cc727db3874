#!/usr/bin/env bash
# The performance baseline: simulated projects of several sizes run through
# the command-line pipeline, every step timed as a whole process with its
# peak memory. Prints a Markdown table (the one in bench/README.md).
#
#   bash bench/baseline.sh              # 1,000, 10,000 and 99,999 contexts
#   bash bench/baseline.sh 500 2000     # other sizes
#
# Wall-clock seconds depend on what else the machine is doing; CPU seconds
# (user + system) much less so. Steps the program does not offer yet are
# left out. Graphviz "dot" runs on
# the same graph as our layout when it is installed (apt-get install
# graphviz), for at most ten minutes; after the first size it does not
# finish, it is not tried on larger ones. BELVANTO_DOT=0 leaves it out.
# The checks run after the layout, on the levelled project; a check that
# finds problems (exit 1) has still run. When the layout offers --groups,
# a second project of the same size is simulated (not timed), its contexts
# grouped ten to a group in key order and the groups ten to an upper group
# (bench_simulated_groups), and laid out with groups.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"
cli="$build/src/cli/belvanto-cli"
grouper="$build/bench/bench_simulated_groups"
if [ ! -x "$cli" ] || [ ! -x "$grouper" ] || [ -n "${BELVANTO_REBUILD:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBELVANTO_TESTS=OFF >/dev/null
  cmake --build "$build" --target belvanto-cli bench_simulated_groups -j2 >/dev/null
fi
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000 99999)
dotLimit=600

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
help=$("$cli" --help)
offers() { grep -qF -- "$1" <<<"$help"; }
layoutHelp=$("$cli" layout --help 2>/dev/null || true)

# Runs a command; sets secs (wall clock), cpu (user + system), mb and ok.
measure() {
  ok=yes
  if ! /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >"$work/out" 2>"$work/err"; then ok=no; fi
  read -r secs user sys kb < <(tail -n 1 "$work/time")
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
  mb=$(awk -v k="$kb" 'BEGIN { printf "%.0f", k / 1024 }')
}

# A check exits 1 when it found problems: that is a run, not a failure.
measureCheck() {
  measure bash -c '"$0" "$@"; [ $? -le 1 ]' "$@"
}

row() {   # contexts, step, note
  local note=$3
  [ "$ok" = yes ] || note="${note:+$note; }failed: $(head -n 1 "$work/err")"
  printf '| %s | %s | %s | %s | %s | %s |\n' "$1" "$2" "$secs" "$cpu" "$mb" "$note"
}

dotGaveUp=""
printf '| contexts | step | wall s | CPU s | peak MB | note |\n|---:|---|---:|---:|---:|---|\n'
for n in "${sizes[@]}"; do
  p="$work/S$n.bvp"
  measure "$cli" simulate "$p" --contexts "$n"
  rels=$(sqlite3 "$work/S${n}_rel.db" 'select count(*) from data' 2>/dev/null || echo '?')
  row "$n" simulate "$rels relationship rows"
  layoutSecs=""
  layoutCpu=""
  if offers "layout P.bvp"; then
    measure "$cli" layout "$p"
    row "$n" layout ""
    [ "$ok" = yes ] && layoutSecs=$secs && layoutCpu=$cpu
  fi
  # The checks below are "Check only" runs, after which the project records
  # no current diagram: the export comes first.
  if offers "--svg"; then
    measure "$cli" export "$p" --svg "$work/S$n.svg"
    row "$n" "export --svg" ""
  fi
  if grep -qF -- "--groups" <<<"$layoutHelp"; then
    g="$work/G$n.bvp"
    "$cli" simulate "$g" --contexts "$n" >/dev/null
    measure "$grouper" "$g"
    row "$n" "add groups" "$(head -n 1 "$work/out")"
    measure "$cli" layout "$g" --groups
    row "$n" "layout --groups" ""
    rm -f "$work/G$n"*
  fi
  if offers "check P.bvp"; then
    # The redundancy test needs the levels, so the cycle check runs with it.
    for check in "--no-cycles --components" "--redundancy" "--no-cycles --hierarchy --with-contexts" \
                 "--no-cycles --group-assignments"; do
      # shellcheck disable=SC2086
      measureCheck "$cli" check "$p" $check
      row "$n" "check $check" ""
    done
  fi
  if offers "--dot"; then
    measure "$cli" export "$p" --dot "$work/S$n.dot"
    row "$n" "export --dot" ""
    if [ "$ok" = yes ] && [ "${BELVANTO_DOT:-1}" != 0 ] && command -v dot >/dev/null; then
      if [ -n "$dotGaveUp" ]; then
        printf '| %s | dot -Tsvg | | | | not tried: did not finish within %s s at %s contexts |\n' "$n" "$dotLimit" "$dotGaveUp"
      else
        measure timeout "$dotLimit" dot -Tsvg "$work/S$n.dot" -o "$work/S$n.dot.svg"
        if [ "$ok" = no ] && [ ! -s "$work/S$n.dot.svg" ]; then
          dotGaveUp=$n
          ok=yes
          row "$n" "dot -Tsvg" "did not finish within $dotLimit s"
        else
          ratio=""
          if [ -n "$layoutSecs" ]; then
            ratio=$(awk -v d="$cpu" -v l="$layoutCpu" 'BEGIN { if (l > 0) printf "%.0f times the CPU time of our layout", d / l; else print "our layout under 0.01 s" }')
          fi
          row "$n" "dot -Tsvg" "$ratio"
        fi
      fi
    fi
  fi
done
