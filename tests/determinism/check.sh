#!/usr/bin/env bash
# Same inputs and seed, same bytes, whatever the build: runs a set of
# analyses (every method 0..16, all with bootstrap replicates) with several
# builds of gadrin and compares every output of every run byte for byte with
# the first build's.
#   tests/determinism/check.sh              the four builds below
#   tests/determinism/check.sh BINARY...    the given binaries
# The builds, made or brought up to date here:
#   build             g++, Release (as `make test` makes it)
#   build-sanitize    g++, ASan + UBSan (as `make test` makes it)
#   build-O0          g++, no optimisation
#   build-clang       clang++, Release
# Outputs are kept in build-determinism/VARIANT/RUN/ for inspection.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

source "$root/tests/support/build.sh"

binaries=("$@")
if [ ${#binaries[@]} -eq 0 ]; then
  clang=$(command -v clang++ || command -v clang++-14 || true)
  [ -n "$clang" ] || { echo "determinism: clang++ is needed for the clang build" >&2; exit 1; }
  binaries=(
    "$(configure_and_build build -DCMAKE_BUILD_TYPE=Release)"
    "$(configure_and_build build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGADRIN_SANITIZE=ON -DGADRIN_BENCH=OFF)"
    "$(configure_and_build build-O0 -DCMAKE_BUILD_TYPE=Debug -DGADRIN_TESTS=OFF -DGADRIN_BENCH=OFF)"
    "$(configure_and_build build-clang -DCMAKE_CXX_COMPILER="$clang" -DCMAKE_BUILD_TYPE=Release -DGADRIN_TESTS=OFF -DGADRIN_BENCH=OFF)"
  )
fi

# The runs, one per line: a name, then the arguments. Inputs are named from
# the end-to-end data; every run writes its report, table and trees.
d=tests/e2e/data
c=tests/e2e/cases
runs=$(cat <<EOF
m00 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d0 -b40 -s1
m01 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d1 -b40 -s2 -neg
m02 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d2 -b40 -s3
m03 $d/woodmouse.seq -p$d/woodmouse.pop -d3 -b40 -s4 -dxy
m04 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d4 -b40 -s5 -g0.5
m05 $d/chloroplast.seq -p$d/chloroplast.pop -d5 -b40 -s6
m06 $d/chloroplast.seq -p$d/chloroplast.pop -d6 -b40 -s7 -neg
m07 $d/chloroplast.seq -p$d/chloroplast.pop -d7 -b40 -s8 -g0.7
m08 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d8 -b40 -s9
m09 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d9 -b40 -s10 -g2
m10 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d10 -b40 -s11
m11 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d11 -b40 -s12 -dxy -neg
m12 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d12 -b40 -s13 -c 1 2
m13 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d13 -b40 -s14
m14 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d14 -b40 -s15 -g0.3
m15 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d15 -b40 -s16 -c3
m16 $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d16 -b40 -s17 -g1.5
fasta_threads $d/woodmouse.fasta --fasta -p$d/woodmouse_6pop.pop -d8 -b40 -s18 --threads=2
two_pops $d/woodmouse.seq -p$d/woodmouse_2pop.pop -d1 -b40 -s19
inapplicable_draws $c/bootstrap_ninap/ninap.seq -p$c/bootstrap_ninap/ninap.pop -d0 -b40 -s5
partition_dump $d/woodmouse.seq -p$d/woodmouse_6pop.pop -d1 -b3 -s20 -u
EOF
)

out=$root/build-determinism
rm -rf "$out"
differ=0
reference=""
for binary in "${binaries[@]}"; do
  variant=$(basename "$(dirname "$binary")")
  while read -r name args; do
    dir=$out/$variant/$name
    mkdir -p "$dir"
    # shellcheck disable=SC2086
    set +e
    (cd "$root" && "$binary" $args -o"$dir/report" --table="$dir/table" --newick="$dir/newick" \
      --svg="$dir/svg" </dev/null >"$dir/stdout" 2>"$dir/stderr")
    echo $? >"$dir/status"
    set -e
  done <<<"$runs"
  if [ -z "$reference" ]; then
    reference=$variant
    failed=$(grep -L '^0$' "$out/$reference"/*/status || true)
    if [ -n "$failed" ]; then
      echo "determinism: runs that did not complete with $binary:" $failed
      exit 1
    fi
  elif ! diff -r -q "$out/$reference" "$out/$variant"; then
    differ=1
  fi
done
count=$(wc -l <<<"$runs")
if [ $differ -ne 0 ]; then
  echo "determinism: outputs differ between builds (kept in $out)"
  exit 1
fi
echo "determinism: $count runs give the same bytes with ${#binaries[@]} builds"
