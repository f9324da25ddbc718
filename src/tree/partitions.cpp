#include "tree/partitions.h"

#include <cstdio>

#include "storage/fatal.h"

namespace gadrin {

int verbosity = 0;

int tree_to_nodes(int n, const IntMatrix& join, TnodeArray& nodes) {
  const int last = n - 3;
  const auto columns = [last](int row) { return row == last ? 3 : 2; };

  for (int r = 0; r <= last; ++r) {
    Tnode& node = nodes[r];
    for (int c = 0; c < columns(r); ++c) {
      const int v = join[r][c];
      node.kind[c] = v > n ? 1 : 0;
      node.num[c] = v > n ? v - n : v;
    }
  }

  // Slot 2 of a node made by a pairwise join is the row that lists it.
  for (int j = 0; j < last; ++j) {
    const int number = n + 1 + j;
    bool found = false;
    for (int a = 0; a <= last && !found; ++a) {
      if (a == j) continue;
      for (int c = 0; c < columns(a); ++c) {
        if (join[a][c] == number) {
          nodes[j].kind[2] = 1;
          nodes[j].num[2] = a + 1;
          found = true;
          break;
        }
      }
    }
  }

  if (verbosity == 2) {
    for (int j = 0; j <= last; ++j) {
      std::printf("nodes %d:", j);
      for (int c = 0; c < 3; ++c) std::printf("%d %d  ", nodes[j].kind[c], nodes[j].num[c]);
      std::printf("\n");
    }
  }
  return 0;
}

namespace {

// Puts the neighbours of record `node` on side `side`, all but the internal
// node `except` (0 for none); counts the leaves in nl or nr.
void spread(const Tnode& node, char side, int except, CharVector& leaf_side, CharVector& node_side,
            int& nl, int& nr) {
  for (int c = 0; c < 3; ++c) {
    const int v = node.num[c];
    if (node.kind[c] == 0) {
      leaf_side[v - 1] = side;
      if (side == 'r') ++nr;
      if (side == 'l') ++nl;
    } else if (v != except) {
      node_side[v - 1] = side;
    }
  }
}

}  // namespace

int tree_partitions(int n, const TnodeArray& nodes, CharMatrix& partition, IntMatrix& branches,
                    CharVector& leaf_side, CharVector& node_side, CharVector& done) {
  const int ninternal = n - 2;
  const int nbranch = n - 3;

  // Every internal edge is named in both endpoints' records; keep the one in
  // the record of the larger index. Only n-3 rows fit in the table: a record
  // set naming more is counted, then rejected.
  int found = 0;
  for (int k = 0; k < ninternal; ++k) {
    for (int c = 0; c < 3; ++c) {
      if (nodes[k].kind[c] == 1 && nodes[k].num[c] < k + 1) {
        if (found < nbranch) {
          branches[found][0] = nodes[k].num[c];
          branches[found][1] = k + 1;
        }
        ++found;
      }
    }
  }
  if (n - found != 3) fatal(stdout, "number of internal branches invalid %d\n", found);

  for (int b = 0; b < nbranch; ++b) {
    const int x = branches[b][0];
    const int y = branches[b][1];
    char* row = partition[b];
    for (int k = 0; k < ninternal; ++k) {
      done[k] = 0;
      node_side[k] = ' ';
    }
    for (int k = 0; k < n; ++k) {
      row[k] = 0;
      leaf_side[k] = ' ';
    }
    int nl = 0, nr = 0;

    spread(nodes[x - 1], 'r', y, leaf_side, node_side, nl, nr);
    spread(nodes[y - 1], 'l', x, leaf_side, node_side, nl, nr);
    done[x - 1] = 1;
    done[y - 1] = 1;

    // Flood each side outward from the branch. A pass that expands nothing
    // means the records are not one connected tree: stop, and let the leaf
    // count below reject them.
    int reached = 2;
    while (reached < ninternal) {
      const int before = reached;
      for (int k = 0; k < ninternal && reached < ninternal; ++k) {
        if (done[k] || node_side[k] == ' ') continue;
        spread(nodes[k], node_side[k], 0, leaf_side, node_side, nl, nr);
        done[k] = 1;
        ++reached;
      }
      if (reached == before) break;
    }

    if (nl + nr != n) fatal(stdout, "nl=%d nr=%d nseq=%d\n", nl, nr, n);

    const char marked = nr > nl ? 'l' : 'r';
    for (int k = 0; k < n; ++k)
      if (leaf_side[k] == marked) row[k] = 1;
  }

  if (verbosity == 1) {
    for (int b = 0; b < nbranch; ++b) {
      for (int k = 0; k < n; ++k) std::printf(" %d", partition[b][k]);
      std::printf("\n");
    }
  }
  return 0;
}

int count_support(int n, const CharMatrix& observed, const CharMatrix& replicate,
                  IntVector& support, IntVector& cand, CharVector& obs_row, CharVector& comp_row) {
  const int nbranch = n - 3;
  for (int k = 0; k < nbranch; ++k) cand[k] = k;
  int c = nbranch;

  const auto same = [n](const char* a, const CharVector& b) {
    for (int k = 0; k < n; ++k)
      if (a[k] != b[k]) return false;
    return true;
  };

  for (int i = 0; i < nbranch; ++i) {
    for (int k = 0; k < n; ++k) {
      obs_row[k] = observed[i][k];
      comp_row[k] = observed[i][k] == 0 ? 1 : 0;
    }
    for (int k = 0; k < c; ++k) {
      const char* rep = replicate[cand[k]];
      if (same(rep, obs_row) || same(rep, comp_row)) {
        ++support[i];
        for (int r = k + 1; r < c; ++r) cand[r - 1] = cand[r];
        --c;
        break;
      }
    }
  }
  return 0;
}

}  // namespace gadrin
