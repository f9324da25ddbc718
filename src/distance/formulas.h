// Distance formulas: counts of one pair to a distance.
//
// Every function returns a status: 0 when d was written, -1 when the method
// is inapplicable to the pair (a logarithm or power argument that is not
// positive, or a result that is not a finite number); d is then untouched.
// Each formula is evaluated in double precision in a fixed order, so that
// results are reproducible to the last bit.
#pragma once

#include "distance/comparison.h"

namespace gadrin {

inline constexpr int kApplicable = 0;
inline constexpr int kInapplicable = -1;
inline constexpr int kNoComparableSite = -10;

// Methods 0..4 and 12..14. S, P, Q are counts of comparison 1 or 2, n the
// number of sites compared, a the gamma parameter. M is read by methods 2, 3,
// which take S + P + Q as their number of sites. Any other method: -1.
[[nodiscard]] int pair_distance(const int M[4][4], double& d, int method, int S, int P, int Q,
                                int n, double a);

[[nodiscard]] int jc_distance(double& d, int n, int k);                       // method 0, k = P + Q
[[nodiscard]] int k2p_distance(double& d, int n, int P, int Q);               // method 1
[[nodiscard]] int tajima_nei_distance(double& d, const int M[4][4], int n, int k);  // method 2
[[nodiscard]] int tamura_distance(double& d, const int M[4][4], int n, int P, int Q);  // method 3
[[nodiscard]] int gamma_distance(double& d, int n, int P, int Q, double a);   // method 4

// Methods 5 (amino Poisson), 6 (amino p-distance), 7 (amino Gamma) from D
// differing residues among n sites. Any other method: -1.
[[nodiscard]] int amino_distance(double& d, int method, int D, int n, double a);

// Methods 8, 9, 15, 16 from the counts of comparison 3 over n sites. Any
// other method: -1.
[[nodiscard]] int tamura_nei_distance(double& d, int method, const PairCounts& c, int n, double a);

// The whole per-pair step after a comparison: the outcome rules (distance 0
// without a formula when the pair has no difference; kNoComparableSite when
// comparison 3, 4 or 5 had no site at all), then the method's formula.
// n is the length of the complete-site list. A method outside 0..16: -1.
[[nodiscard]] int distance_from_counts(double& d, int method, const PairCounts& c, int n,
                                       double a);

}  // namespace gadrin
