// Tree partitions and bootstrap support.
#pragma once

#include "storage/storage.h"

namespace gadrin {

// Process-wide verbosity level (-u): 2 dumps the node records of every
// tree, 1 its partition table, on standard output.
extern int verbosity;

// Turns a join table of n >= 3 leaves into its n-2 node records: slots 0
// and 1 (all three for the central node) from the row, slot 2 the parent.
// Returns 0.
int tree_to_nodes(int n, const IntMatrix& join, TnodeArray& nodes);

// Lists the n-3 internal branches (branches row b = internal indices x < y)
// and marks in partition row b the leaves on the branch's smaller side (the
// side of x on a tie). `leaf_side` (n), `node_side` and `done` (n-2 each) are
// working storage. A malformed record set prints its message on standard
// output and ends the process with status 1. Returns 0.
int tree_partitions(int n, const TnodeArray& nodes, CharMatrix& partition, IntMatrix& branches,
                    CharVector& leaf_side, CharVector& node_side, CharVector& done);

// Adds 1 to support[i] for every observed branch i whose bipartition (or
// its complement) is in the replicate's partition table, each replicate
// branch matching at most once. `cand` (n-3), `obs_row` and `comp_row` (n
// each) are working storage. Returns 0.
int count_support(int n, const CharMatrix& observed, const CharMatrix& replicate,
                  IntVector& support, IntVector& cand, CharVector& obs_row, CharVector& comp_row);

}  // namespace gadrin
