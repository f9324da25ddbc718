#!/usr/bin/env bash
# Writes the benchmark data sets into FOLDER (default build/bench-data):
#   small.seq/.pop      300 DNA sequences x 3,000 sites, 6 populations
#   small_aa.seq/.pop   the same size as proteins
#   large.seq/.pop      1,000 DNA sequences x 10,000 sites, 10 populations
#   large_aa.seq/.pop   the same size as proteins
# Each population descends from an ancestor 5 percent away from the root;
# each sequence differs from its population's ancestor at 1 percent of the
# sites, so pairs differ at roughly 1 to 10 percent. A few sites carry gaps.
set -eu
folder=${1:-build/bench-data}
mkdir -p "$folder"

make_set() {  # name nseq nsite npop alphabet
  awk -v nseq="$2" -v nsite="$3" -v npop="$4" -v alphabet="$5" -v seed="$2$3" \
      -v seqfile="$folder/$1.seq" -v popfile="$folder/$1.pop" '
    function pick() { return substr(alphabet, int(rand() * length(alphabet)) + 1, 1) }
    BEGIN {
      srand(seed)
      for (s = 1; s <= nsite; s++) root[s] = pick()
      per = int(nseq / npop)
      printf "%d populations\n", npop > popfile
      q = 0
      for (p = 1; p <= npop; p++) {
        for (s = 1; s <= nsite; s++) anc[s] = rand() < 0.05 ? pick() : root[s]
        last = p == npop ? nseq : q + per
        printf "%d pop%d %d %d\n", p, p, q + 1, last > popfile
        for (; q < last; q++) {
          line = ""
          for (s = 1; s <= nsite; s++) {
            c = rand() < 0.01 ? pick() : anc[s]
            if (s % 97 == 0 && rand() < 0.05) c = "-"
            line = line c
          }
          printf "seq%d  %s\n", q + 1, line > seqfile
        }
      }
    }'
}

make_set small 300 3000 6 ATGC
make_set small_aa 300 3000 6 ACDEFGHIKLMNPQRSTVWY
make_set large 1000 10000 10 ATGC
make_set large_aa 1000 10000 10 ACDEFGHIKLMNPQRSTVWY
echo "benchmark data in $folder"
