// Everything one run owns: its counts and containers, allocated once at their
// final sizes before the analysis and lent to the other modules call by call.
#pragma once

#include "storage/storage.h"

namespace gadrin {

struct Analysis {
  // Input dimensions.
  int nseq = 0, nsite = 0, maxnm = 0;
  int npop = 0, maxpopnm = 0;
  int ncomplete = 0, nvariable = 0;

  // Sequences, site lists and populations.
  CharMatrix names, seqs;                   // nseq x (maxnm+1); nsite x nseq, row = site
  IntVector complete, variable, site_class;  // nsite each
  IntVector replicate_sites;                 // nsite: the sites drawn for a replicate
  CharMatrix popnames;                       // npop x (maxpopnm+1)
  IntMatrix pops;                            // npop x 3: first, last, count

  // Observed results.
  double whole_sum = 0;   // sum of all pair distances
  int npairs = 0;         // pairs compared
  double diversity = 0;   // whole_sum / npairs
  DoubleVector within;    // npop
  DoubleMatrix between;   // npop x npop: da above, dxy below the diagonal

  // Bootstrap: the current replicate and the running sums.
  DoubleVector within_sums, within_squares, rep_within;  // npop each
  DoubleMatrix rep_between;                              // npop x npop
  DoubleMatrix dxy_sums, da_sums;                        // sums above, squares below
  DoubleMatrix nj;                                       // tree input, npop x npop
  double rep_whole_sum = 0;
  double whole_rep_sum = 0, whole_rep_squares = 0;
  int ninap = 0;        // inapplicable replicate draws
  int rng_state = 0;    // generator control word

  // Trees, allocated only for three or more populations.
  IntMatrix join, rep_join;             // (npop-2) x 3
  IntVector support;                    // npop-3
  DoubleMatrix brlen, rep_brlen;        // npop x 3
  CharMatrix partition, rep_partition;  // (npop-3) x npop
  TnodeArray nodes;                     // npop-2
  IntMatrix branches, rep_branches;     // (npop-3) x 2
  IntVector otu;                        // npop
  IntMatrix pair;                       // P x 2, P = npop(npop-1)/2
  IntVector tie;                        // P
  DoubleVector qval;                    // P
  DoubleVector joindist, rowsum;        // npop each
  CharVector leaf_side;                 // npop
  CharVector node_side, done;           // npop-2 each
  IntVector cand;                       // npop-3
  CharVector obs_row, comp_row;         // npop each

  [[nodiscard]] bool has_tree() const { return npop >= 3; }
};

}  // namespace gadrin
