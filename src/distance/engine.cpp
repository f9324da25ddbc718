#include "distance/engine.h"

#include <cstdio>

#include "distance/formulas.h"
#include "distance/pair_workers.h"

// The sums and means below are accumulated pair by pair in one fixed order
// (within populations first, then between them, i outer and j inner), so that
// with the formulas' fixed order of operations every result is bit-identical
// from run to run, whichever comparer counted the pairs.

namespace gadrin {
namespace {

// Methods whose inapplicable pairs are named on standard output in observed mode.
bool names_inapplicable_pair(int method) {
  return method == 5 || method == 7 || method == 8 || method == 9 || method == 15 ||
         method == 16;
}

// One pair: its counts, then its distance; or, when worker threads have
// computed them already, the next pair's results in the engine's order.
struct PairStep {
  const PairComparer& comparer;
  const PairWorkers* workers;
  int method;
  int n;
  double gamma;
  int replicate;
  mutable std::size_t next = 0;

  [[nodiscard]] int operator()(int i, int j, double& d) const {
    int status;
    if (workers != nullptr) {
      status = workers->status(next);
      if (status == kApplicable) d = workers->distance(next);
      ++next;
    } else {
      PairCounts counts;
      comparer.compare(i, j, counts);
      status = distance_from_counts(d, method, counts, n, gamma);
    }
    if (status == kInapplicable && replicate == 0 && names_inapplicable_pair(method)) {
      std::printf("inapplicable %d %d\n", i, j);
    }
    return status;
  }
};

}  // namespace

int compute_distances(int npop, const IntMatrix& pops, double& whole_sum, DoubleVector& within,
                      DoubleMatrix& between, DoubleVector& within_sums,
                      DoubleVector& within_squares, DoubleMatrix& dxy_sums, DoubleMatrix& da_sums,
                      DoubleMatrix& nj, int& npairs, const CharMatrix& seqs, int n,
                      const IntVector& complete, int v, const IntVector& variable, int method,
                      double gamma, int replicate, int use_dxy, int allow_neg,
                      PairComparer& comparer, PairWorkers* workers) {
  whole_sum = 0.0;
  npairs = 0;
  for (int p = 0; p < npop; ++p) {
    within[p] = 0.0;
    for (int q = 0; q < npop; ++q) {
      between[p][q] = 0.0;
      nj[p][q] = 0.0;
    }
  }

  comparer.prepare(seqs, comparison_for(method), SiteLists{complete.data(), n, variable.data(), v});
  if (workers != nullptr) workers->run(comparer, method, n, gamma);
  const PairStep distance{comparer, workers, method, n, gamma, replicate};

  for (int p = 0; p < npop; ++p) {
    const int first = pops[p][0] - 1;
    const int last = pops[p][1] - 1;
    const int count = pops[p][2];
    for (int i = first; i <= last; ++i) {
      for (int j = i + 1; j <= last; ++j) {
        double d;
        if (const int status = distance(i, j, d); status != kApplicable) return status;
        within[p] += d;
        whole_sum += d;
        ++npairs;
      }
    }
    // Pair counts in double: exact, and a population of 46342 sequences or
    // more has more pairs than an int holds.
    within[p] = within[p] / (static_cast<double>(count) * (count - 1) / 2);
  }

  for (int p = 0; p < npop - 1; ++p) {
    for (int q = p + 1; q < npop; ++q) {
      for (int i = pops[p][0] - 1; i <= pops[p][1] - 1; ++i) {
        for (int j = pops[q][0] - 1; j <= pops[q][1] - 1; ++j) {
          double d;
          if (const int status = distance(i, j, d); status != kApplicable) return status;
          between[q][p] += d;
          whole_sum += d;
          ++npairs;
        }
      }
      between[q][p] = between[q][p] / (static_cast<double>(pops[q][2]) * pops[p][2]);
      between[p][q] = (within[q] + within[p]) * (-0.5) + between[q][p];
    }
  }

  // Only a replicate whose every pair succeeded reaches the running sums
  // and the tree input.
  if (replicate == 1) {
    for (int p = 0; p < npop; ++p) {
      within_sums[p] += within[p];
      within_squares[p] += within[p] * within[p];
    }
    for (int p = 0; p < npop - 1; ++p) {
      for (int q = p + 1; q < npop; ++q) {
        const double dxy = between[q][p];
        const double da = between[p][q];
        dxy_sums[p][q] += dxy;
        dxy_sums[q][p] += dxy * dxy;
        da_sums[p][q] += da;
        da_sums[q][p] += da * da;
        double x = use_dxy == 1 ? dxy : da;
        if (allow_neg == 0 && x < 0.0) x = 0.0;
        nj[q][p] = x;
        nj[p][q] = x;
      }
    }
  }
  return kApplicable;
}

int compute_distances(int npop, const IntMatrix& pops, double& whole_sum, DoubleVector& within,
                      DoubleMatrix& between, DoubleVector& within_sums,
                      DoubleVector& within_squares, DoubleMatrix& dxy_sums, DoubleMatrix& da_sums,
                      DoubleMatrix& nj, int& npairs, const CharMatrix& seqs, int n,
                      const IntVector& complete, int v, const IntVector& variable, int method,
                      double gamma, int replicate, int use_dxy, int allow_neg) {
  ReferenceComparer comparer;
  return compute_distances(npop, pops, whole_sum, within, between, within_sums, within_squares,
                           dxy_sums, da_sums, nj, npairs, seqs, n, complete, v, variable, method,
                           gamma, replicate, use_dxy, allow_neg, comparer, nullptr);
}

}  // namespace gadrin
