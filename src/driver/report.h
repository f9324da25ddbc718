// The result report: a head written before the analysis, and a body with
// the tree, the settings and every statistic with its standard error.
#pragma once

#include <cstdio>

#include "driver/analysis.h"
#include "driver/options.h"

namespace gadrin {

// "   N otus" and the numbered population names; flushes the stream.
void write_report_head(std::FILE* out, const Analysis& a);

// Bootstrap statistics of one value from the sum S and sum of squares Q of
// its B > 0 replicate values: the mean S/B and the unbiased variance
// B/(B-1) (Q/B - mean^2), evaluated in a fixed order. A variance that comes
// out negative through rounding is 0; with B = 1 it is undefined (NaN).
struct BootstrapStat {
  double mean;
  double variance;
};
[[nodiscard]] BootstrapStat bootstrap_stat(double S, double Q, int B);

// The standard error of a variance from bootstrap_stat: its square root,
// a positive NaN when the variance is undefined.
[[nodiscard]] double standard_error(double variance);

// The body. With B > 0 it turns the running sums into statistics in place
// as it goes (the mean over the sum, the variance over the sum of squares).
void write_report_body(std::FILE* out, const Settings& settings, Analysis& a);

}  // namespace gadrin
