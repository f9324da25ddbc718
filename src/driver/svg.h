// The observed neighbour-joining tree as a standalone SVG phylogram.
//
// The tree is drawn rooted at its central node, left to right, with the
// leaves one under the other in the order of the Newick line and each
// horizontal branch to scale. A scale bar with its length written sits
// under the tree. With bootstrap replicates every internal branch shows its
// support percentage (as in the Newick line) above its right end. Every
// branch carries its exact length as a tooltip (<title>).
//
// Negative lengths, which neighbour-joining can give, are drawn as length
// 0, and a note under the scale bar counts them; lengths that are not
// finite are drawn as 0 too. Names are written as UTF-8 text with the XML
// special characters escaped; bytes that are not valid UTF-8, and control
// characters, are shown as U+FFFD.
#pragma once

#include <cstdio>

#include "storage/storage.h"

namespace gadrin {

// Writes the SVG document of the tree of npop >= 3 populations to `out`.
// The arguments are those of write_newick (driver/newick.h). Returns 0.
int write_svg(std::FILE* out, int npop, const CharMatrix& popnames, const IntMatrix& join,
              const DoubleMatrix& brlen, const IntMatrix& branches, const IntVector& support,
              int nboot);

}  // namespace gadrin
