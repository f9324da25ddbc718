// Bootstrap replicates and branch support.
#pragma once

#include <functional>

#include "distance/comparison.h"
#include "distance/pair_workers.h"
#include "driver/analysis.h"
#include "driver/options.h"

namespace gadrin {

// Draws in a row that may all be inapplicable before the bootstrap gives up.
inline constexpr int kMaxInapplicableInARow = 10000;

// Before the observed run: seeds the generator from the seed (also for
// B = 0) and clears the support counts.
void bootstrap_first_stage(const Settings& settings, Analysis& a);

// After the observed tree: the observed tree's partitions, the running sums
// cleared, and B applicable replicates, each resampled, measured with the
// engine (counting its pairs with `comparer`) and, with three or more
// populations, turned into a tree whose branches add to the support counts.
// Inapplicable draws are counted in ninap and drawn again; after
// kMaxInapplicableInARow of them in a row the run ends with a message on
// standard output and status 1. `on_replicate`, when set, is told the
// number of replicates done after each one.
// `workers`, when set, computes each replicate's pair distances on its threads.
void bootstrap_second_stage(const Settings& settings, Analysis& a, PairComparer& comparer,
                            const std::function<void(int done)>& on_replicate = {},
                            PairWorkers* workers = nullptr);

}  // namespace gadrin
