// The analysis run: from the parsed command line to the finished report.
#pragma once

#include "distance/comparison.h"
#include "driver/options.h"

namespace gadrin {

// Reads both input files (each twice), codes the sequences, runs the
// observed analysis and the bootstrap, and writes the report. Failures end
// the process with status 1 inside the steps that find them. Returns the
// exit status of a completed run. Pairs are counted from bit-packed site
// lists, or by `comparer` when one is given (the benchmark compares the two).
[[nodiscard]] int run_analysis(Settings& settings);
[[nodiscard]] int run_analysis(Settings& settings, PairComparer* comparer);

}  // namespace gadrin
