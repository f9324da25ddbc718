#include "driver/bootstrap.h"

#include "distance/engine.h"
#include "storage/fatal.h"
#include "tree/njtree.h"
#include "tree/partitions.h"
#include "tree/random.h"

namespace gadrin {
namespace {

// Tie tolerance of the replicate trees' pair choice.
constexpr double kTieTolerance = 1e-11;

void clear_running_sums(Analysis& a) {
  for (int p = 0; p < a.npop; ++p) a.within_sums[p] = a.within_squares[p] = 0;
  for (int i = 0; i < a.npop; ++i) {
    for (int j = i + 1; j < a.npop; ++j) {
      a.dxy_sums[i][j] = a.dxy_sums[j][i] = 0;
      a.da_sums[i][j] = a.da_sums[j][i] = 0;
    }
  }
  a.whole_rep_sum = a.whole_rep_squares = 0;
}

// One replicate's tree, matched against the observed tree's branches.
void replicate_tree(Analysis& a) {
  const int n = a.npop;
  njtree_replicate(n, a.nj, a.rep_join, a.rep_brlen, a.otu, a.pair, a.tie, a.qval, a.joindist,
                   a.rowsum, a.rng_state, kTieTolerance);
  tree_to_nodes(n, a.rep_join, a.nodes);
  tree_partitions(n, a.nodes, a.rep_partition, a.rep_branches, a.leaf_side, a.node_side, a.done);
  count_support(n, a.partition, a.rep_partition, a.support, a.cand, a.obs_row, a.comp_row);
}

}  // namespace

void bootstrap_first_stage(const Settings& settings, Analysis& a) {
  a.rng_state = -settings.seed;
  (void)ran1(a.rng_state);
  if (a.has_tree())
    for (int b = 0; b < a.npop - 3; ++b) a.support[b] = 0;
}

void bootstrap_second_stage(const Settings& settings, Analysis& a, PairComparer& comparer,
                            const std::function<void(int done)>& on_replicate,
                            PairWorkers* workers) {
  if (a.has_tree()) {
    tree_to_nodes(a.npop, a.join, a.nodes);
    tree_partitions(a.npop, a.nodes, a.partition, a.branches, a.leaf_side, a.node_side, a.done);
  }
  clear_running_sums(a);

  int inapplicable_in_a_row = 0;
  for (int done = 0; done < settings.nboot;) {
    resample_sites(a.ncomplete, a.complete, a.replicate_sites, a.variable, a.nvariable,
                   a.site_class, a.rng_state);
    const int status = compute_distances(
        a.npop, a.pops, a.rep_whole_sum, a.rep_within, a.rep_between, a.within_sums,
        a.within_squares, a.dxy_sums, a.da_sums, a.nj, a.npairs, a.seqs, a.ncomplete,
        a.replicate_sites, a.nvariable, a.variable, settings.method, settings.gamma, 1,
        settings.use_dxy, settings.allow_neg, comparer, workers);
    if (status != 0) {
      ++a.ninap;
      if (++inapplicable_in_a_row == kMaxInapplicableInARow)
        fatal(stdout, "bootstrap stopped: %d inapplicable replicates in a row\n",
              kMaxInapplicableInARow);
      continue;
    }
    inapplicable_in_a_row = 0;
    const double w = a.rep_whole_sum / a.npairs;
    a.whole_rep_sum += w;
    a.whole_rep_squares += w * w;
    if (a.has_tree()) replicate_tree(a);
    ++done;
    if (on_replicate) on_replicate(done);
  }
}

}  // namespace gadrin
