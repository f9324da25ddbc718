// The observed neighbour-joining tree as a Newick line, and the helpers that
// the tree writers share.
//
// The tree is rooted at its central node (the last row of the join table),
// which therefore has three children. Leaves carry the population names and
// every branch its length in the shortest form that reads back to the same
// double (std::to_chars). With bootstrap replicates (nboot > 0) every internal
// branch carries its support, the percentage of replicate trees that contain
// it, as the label of the node below it, e.g. "(a:1,b:2)66.66:0.5"; leaf
// branches carry no label. A length that is not a finite number is written
// as "nan", "inf" or "-inf", which few readers accept.
#pragma once

#include <cstddef>
#include <cstdio>

#include "storage/storage.h"

namespace gadrin {

// Writes the tree of npop >= 3 populations as one Newick line, ending with
// ";\n", to `out`.
//   popnames  npop rows, row p the zero-terminated name of population p;
//   join      (npop-2) x 3: row k < npop-3 holds the two nodes joined into
//             node npop+k+1, the last row the three nodes at the centre;
//             leaves are 1..npop;
//   brlen     brlen[k][m] is the length of the branch from row k's node to
//             join[k][m];
//   branches  (npop-3) x 2: row b holds the internal indices x < y of the
//             two internal nodes that internal branch b joins (the node of
//             join row k has internal index k+1);
//   support   npop-3 counts, one per row of `branches`;
//   nboot     the number of replicate trees the counts are out of.
// Returns 0.
int write_newick(std::FILE* out, int npop, const CharMatrix& popnames, const IntMatrix& join,
                 const DoubleMatrix& brlen, const IntMatrix& branches, const IntVector& support,
                 int nboot);

// The row of `branches` (nbranch rows) that joins internal indices x and y,
// in either order, or -1 when there is none.
int find_branch(const IntMatrix& branches, int nbranch, int x, int y);

// Formats count * 100 / nboot (nboot > 0, count >= 0) into `buffer`, rounded
// down to two decimals with trailing zeros dropped: "100" only when every
// replicate has the branch, "66.66" for 2 of 3, "12.5" for 1 of 8.
// `size` of 24 is always enough. Returns `buffer`.
char* format_support(char* buffer, std::size_t size, int count, int nboot);

}  // namespace gadrin
