// Neighbour-joining trees of the populations.
//
// Leaves are numbered 1..n; the node made at join step s is n+1+s. Row s
// (s < n-3) of `join` holds the two nodes joined at step s (the one at the
// smaller matrix position first) and 0; row n-3 holds the three nodes left
// for the central node. brlen[s][c] is the length of the branch from the
// node of row s to join[s][c]; lengths may be negative.
#pragma once

#include "storage/storage.h"

namespace gadrin {

// Builds the tree of n >= 3 leaves from the strict upper triangle of the
// n x n matrix `dist`, which it consumes (the lower triangle and diagonal
// are untouched). Ties go to the first pair in (i, j) order. `otu` (n),
// `pair` (n(n-1)/2 x 2), `qval` (n(n-1)/2), `joindist` (n) and `rowsum` (n)
// are working storage. Returns 0.
int njtree(int n, DoubleMatrix& dist, IntMatrix& join, DoubleMatrix& brlen, IntVector& otu,
           IntMatrix& pair, DoubleVector& qval, DoubleVector& joindist, DoubleVector& rowsum);

// The bootstrap variant: criterion with R(i) subtracted before R(j), and a
// random choice (one draw from the generator) among the pairs whose
// criterion lies strictly within `tol` of the best, when there are two or
// more. `tie` (n(n-1)/2) is working storage. Returns 0.
int njtree_replicate(int n, DoubleMatrix& dist, IntMatrix& join, DoubleMatrix& brlen,
                     IntVector& otu, IntMatrix& pair, IntVector& tie, DoubleVector& qval,
                     DoubleVector& joindist, DoubleVector& rowsum, int& rng_state, double tol);

}  // namespace gadrin
