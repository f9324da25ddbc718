#!/usr/bin/env bash
# Valgrind's memcheck on a few small runs with bootstrap replicates: no
# invalid access, no use of an uninitialised value, and, after a complete
# run, every heap block freed.
#   tests/memcheck/run.sh              the optimised and the unoptimised build
#   tests/memcheck/run.sh BINARY...    the given binaries
# The builds are made or brought up to date here (build, as `make test`
# makes it, and build-O0). Valgrind's logs go to build-memcheck/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
command -v valgrind >/dev/null || { echo "memcheck: valgrind is needed" >&2; exit 1; }

source "$root/tests/support/build.sh"

binaries=("$@")
if [ ${#binaries[@]} -eq 0 ]; then
  binaries=(
    "$(configure_and_build build -DCMAKE_BUILD_TYPE=Release)"
    "$(configure_and_build build-O0 -DCMAKE_BUILD_TYPE=Debug -DGADRIN_TESTS=OFF -DGADRIN_BENCH=OFF)"
  )
fi

d=tests/e2e/data
c=tests/e2e/cases
out=$root/build-memcheck
rm -rf "$out"
mkdir -p "$out"
# A name, whether the run must end complete (leaks checked) or with a fatal
# condition (which ends the process without releasing anything), then the
# arguments.
runs=$(cat <<EOF2
tree_threads complete $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d8 -b20 -s3 --threads=2 -o$out/report --table=$out/table --newick=$out/newick --svg=$out/svg
amino_gamma complete $d/chloroplast.seq -p$d/chloroplast.pop -d7 -g0.5 -b20 -s4
inapplicable_draws complete $c/bootstrap_ninap/ninap.seq -p$c/bootstrap_ninap/ninap.pop -d0 -b20 -s5
fasta_two_pops complete $d/woodmouse.fasta --fasta -p$d/woodmouse_2pop.pop -d1 -b20 -s6 -u
invalid_base fatal $c/input_invalid_base/bad.seq -p$c/input_invalid_base/all.pop
inapplicable fatal $c/inapplicable_tamura_nei_stdout/ninap.seq -p$c/inapplicable_tamura_nei_stdout/ninap.pop -d8 -s1
EOF2
)

failed=0
for binary in "${binaries[@]}"; do
  variant=$(basename "$(dirname "$binary")")
  while read -r name kind args; do
    leaks=(--leak-check=full --show-leak-kinds=all --errors-for-leak-kinds=all)
    [ "$kind" = complete ] || leaks=(--leak-check=no)
    log=$out/$variant-$name.log
    set +e
    # shellcheck disable=SC2086
    valgrind --error-exitcode=99 --track-origins=yes "${leaks[@]}" --log-file="$log" \
      "$binary" $args </dev/null >/dev/null 2>&1
    status=$?
    set -e
    expected=0
    [ "$kind" = complete ] || expected=1
    if [ $status -ne $expected ]; then
      echo "memcheck: $variant $name: status $status (expected $expected), see $log"
      failed=1
    fi
  done <<<"$runs"
done
[ $failed -eq 0 ] || exit 1
echo "memcheck: $(wc -l <<<"$runs") runs with ${#binaries[@]} builds, no error and no leak"
