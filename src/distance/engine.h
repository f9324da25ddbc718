// The distance engine: pair distances averaged into the diversity within
// each population, dxy and da between populations and the whole-sample sum.
#pragma once

#include "distance/comparison.h"
#include "storage/storage.h"

namespace gadrin {

class PairWorkers;

// Compares every pair of sequences within each population (pops row p:
// first, last, count; sequences counted from 1) and between every two
// populations, in a fixed order.
//
// Outputs, cleared first: whole_sum and npairs (all pairs compared), within[p],
// between (for p < q: [q][p] = dxy, [p][q] = da), and nj, which stays 0 in
// observed mode (replicate = 0). In replicate mode (replicate = 1), once every
// pair has succeeded, within/dxy/da and their squares are added to the running
// sums (sums above, squares below the diagonal of dxy_sums and da_sums), and
// nj receives dxy (use_dxy = 1) or da, negative values as 0 unless
// allow_neg = 1.
//
// Returns 0, or at the first failing pair kInapplicable (-1) or
// kNoComparableSite (-10), with the running sums untouched and nj all 0. In
// observed mode an inapplicable pair under methods 5, 7, 8, 9, 15 and 16 is
// first named on standard output as "inapplicable %d %d" (sequences from 0).
//
// `complete` holds n sites and `variable` v sites (drawn, with repeats, in
// replicate mode). The overload with a comparer counts the pairs with it and,
// when `workers` is set (built for the same population table), computes the
// pair distances on its threads before adding them up in the same order.
[[nodiscard]] int compute_distances(
    int npop, const IntMatrix& pops, double& whole_sum, DoubleVector& within,
    DoubleMatrix& between, DoubleVector& within_sums, DoubleVector& within_squares,
    DoubleMatrix& dxy_sums, DoubleMatrix& da_sums, DoubleMatrix& nj, int& npairs,
    const CharMatrix& seqs, int n, const IntVector& complete, int v, const IntVector& variable,
    int method, double gamma, int replicate, int use_dxy, int allow_neg);

[[nodiscard]] int compute_distances(
    int npop, const IntMatrix& pops, double& whole_sum, DoubleVector& within,
    DoubleMatrix& between, DoubleVector& within_sums, DoubleVector& within_squares,
    DoubleMatrix& dxy_sums, DoubleMatrix& da_sums, DoubleMatrix& nj, int& npairs,
    const CharMatrix& seqs, int n, const IntVector& complete, int v, const IntVector& variable,
    int method, double gamma, int replicate, int use_dxy, int allow_neg, PairComparer& comparer,
    PairWorkers* workers = nullptr);

}  // namespace gadrin
