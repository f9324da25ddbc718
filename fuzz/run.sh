#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (under ASan and UBSan) and
# runs each for a bounded time:
#   fuzz/run.sh [SECONDS] [TARGET...]      (default 60 seconds, every target)
# Targets: seqfile popfile cmdline run (see the top of each fuzz/*_fuzz.cpp).
#
# Each target first replays its regression inputs (fuzz/regressions/TARGET),
# then fuzzes from the seeds made from the end-to-end fixtures plus the corpus
# kept from earlier runs in build-fuzz/corpus/TARGET. A finding is written to
# build-fuzz/findings/TARGET/ and makes the script fail. clang and the
# libFuzzer runtime are installed with apt-get when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(seqfile popfile cmdline run)
build=$root/build-fuzz

# --- compiler -------------------------------------------------------------
has_libfuzzer() {
  local cxx=$1 probe
  probe=$(mktemp -d)
  printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
    >"$probe/p.cpp"
  "$cxx" -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" >/dev/null 2>&1
  local status=$?
  rm -rf "$probe"
  return $status
}
find_clang() {
  local cxx
  for cxx in clang++ clang++-14; do
    if command -v "$cxx" >/dev/null && has_libfuzzer "$cxx"; then
      command -v "$cxx"
      return 0
    fi
  done
  return 1
}
install() {
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "$@"
}
if ! cxx=$(find_clang); then
  command -v clang++ >/dev/null || install clang
  # The sanitizer and libFuzzer runtimes of the installed clang's version.
  major=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
  install "libclang-rt-$major-dev"
  cxx=$(find_clang) || { echo "fuzz: no clang with libFuzzer" >&2; exit 1; }
fi

mkdir -p "$build"
if ! { cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
  cmake --build "$build" -j "${JOBS:-2}" --target $(printf 'fuzz_%s ' "${targets[@]}"); } \
  >"$build/build.log" 2>&1; then
  cat "$build/build.log"
  exit 1
fi

# --- seeds from the end-to-end fixtures -----------------------------------
e2e=$root/tests/e2e
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{seqfile,popfile,cmdline,run}

# A file of the fixtures under a name made from its contents.
add_seed() {  # target, then the seed on standard input
  local tmp
  tmp=$(mktemp "$seeds/$1/tmp.XXXXXX")
  cat >"$tmp"
  mv "$tmp" "$seeds/$1/$(cksum <"$tmp" | tr ' ' _)"
}
# The first sites of a large alignment, so that seeds stay a few KB.
trim_alignment() {  # file
  case $1 in
    *.fasta) awk '/^>/ { print; n = 0; next } n++ < 1' "$1" ;;
    *) awk 'NF == 2 { print $1, substr($2, 1, 60); next } { print }' "$1" ;;
  esac
}
# The input files of the cases and the shared data, and how to read them.
sequence_files=()
population_files=()
for f in "$e2e"/data/* "$e2e"/cases/*/*; do
  [ -f "$f" ] || continue
  case $(basename "$f") in
    args | setup) ;;
    *.pop | pop.txt) population_files+=("$f") ;;
    *.seq | *.fasta | seq.txt) sequence_files+=("$f") ;;
  esac
done
seq_flags() {  # the seqfile target's settings byte for a file
  case $1 in
    *.fasta) echo 1d ;;
    *chloroplast*) echo 1e ;;
    *) echo 1c ;;
  esac
}
for f in "${sequence_files[@]}"; do
  for flags in "$(seq_flags "$f")" 0c 10; do
    { printf "\\x$flags"; trim_alignment "$f"; } | add_seed seqfile
  done
done
for f in "${population_files[@]}"; do
  for nseq in 04 0f 13 ff; do
    { printf "\\x$nseq"; cat "$f"; } | add_seed popfile
  done
done
# Command lines of the cases, with the files they name replaced by the
# target's own: s (sequences), p (populations) and output names.
for args in "$e2e"/cases/*/args; do
  awk '
    /^--(newick|svg|table)=/ { sub(/=.*/, "=out"); print; next }
    /^-p/ { print "-pp"; next }
    /^-o/ { print "-oout"; next }
    /^-/ || /^[0-3]/ || $0 == "" { print; next }
    { print "s" }' "$args" | add_seed cmdline
done
# Whole runs: the shared data with each population file that fits it, over
# every method; then each case's own pair of files.
run_seed() {  # method, byte 1, byte 2, seq file, pop file
  { printf "\\x$(printf %02x "$1")\\x$2\\x$3\\x07"; trim_alignment "$4"; printf '\n==\n'; cat "$5"; } |
    add_seed run
}
for m in $(seq 0 16); do
  case $m in 5 | 6 | 7) seq=chloroplast.seq pops=(chloroplast.pop) ;;
    *) seq=woodmouse.seq pops=(woodmouse.pop woodmouse_1pop.pop woodmouse_3pop.pop woodmouse_6pop.pop) ;;
  esac
  byte2=07
  [ $((m % 2)) -eq 0 ] || byte2=47  # odd methods: the first run on two threads
  for pop in "${pops[@]}"; do run_seed "$m" 02 "$byte2" "$e2e/data/$seq" "$e2e/data/$pop"; done
done
run_seed 1 92 07 "$e2e/data/woodmouse.fasta" "$e2e/data/woodmouse_6pop.pop"
for dir in "$e2e"/cases/*/; do
  seq=$(ls "$dir"*.seq "$dir"seq.txt 2>/dev/null | head -1) || true
  pop=$(ls "$dir"*.pop "$dir"pop.txt 2>/dev/null | head -1) || true
  [ -n "$seq" ] || continue
  [ -n "$pop" ] || pop=$e2e/data/woodmouse.pop
  run_seed 0 01 07 "$seq" "$pop"
  run_seed 8 01 47 "$seq" "$pop"
done

# --- fuzzing --------------------------------------------------------------
max_len() {
  case $1 in seqfile | run) echo 8192 ;; popfile) echo 4096 ;; cmdline) echo 512 ;; esac
}
failed=()
for target in "${targets[@]}"; do
  binary=$build/fuzz_$target
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  log=$build/fuzz-$target.log
  mkdir -p "$corpus" "$findings"
  regressions=("$root"/fuzz/regressions/"$target"/*)
  if [ -e "${regressions[0]}" ]; then
    if ! "$binary" -close_fd_mask=3 "${regressions[@]}" >"$build/regressions-$target.log" 2>&1; then
      echo "fuzz $target: a regression input fails, see $build/regressions-$target.log"
      failed+=("$target")
      continue
    fi
  fi
  set +e
  "$binary" -max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=30 \
    -rss_limit_mb=2048 -close_fd_mask=3 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" "$seeds/$target" >"$log" 2>&1
  status=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz $target: ${seconds}s, ${runs:-?} executions, corpus $(ls "$corpus" | wc -l) inputs, status $status"
  if [ $status -ne 0 ]; then
    failed+=("$target")
    grep -m 5 -E 'ERROR|check failed|runtime error|Test unit written' "$log" || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]} (logs in $build)"
  exit 1
fi
