#include "distance/comparison.h"

namespace gadrin {

const int tstv_class[4][4] = {
    {-1, 1, 0, 1},
    {1, -1, 1, 0},
    {0, 1, -1, 1},
    {1, 0, 1, -1},
};

const int tn_class[4][4] = {
    {0, 3, 1, 3},
    {3, 0, 3, 2},
    {1, 3, 0, 3},
    {3, 2, 3, 0},
};

const int match5[5][5] = {
    {-1, 0, 0, 0, 0},
    {0, -1, 0, 0, 0},
    {0, 0, -1, 0, 0},
    {0, 0, 0, -1, 0},
    {0, 0, 0, 0, -1},
};

int comparison_for(int method) {
  switch (method) {
    case 0: case 1: case 4: case 12: case 13: case 14: return 1;
    case 2: case 3: return 2;
    case 8: case 9: case 15: case 16: return 3;
    case 5: case 6: case 7: return 4;
    case 10: case 11: return 5;
    default: return 0;
  }
}

namespace {

// A code outside [0, limit) is not taken by the comparison: the site is
// passed over uncounted.
bool in_range(int code, int limit) { return code >= 0 && code < limit; }

// Comparison 1: transitions and transversions over the variable sites.
void count_tstv(const CharMatrix& seqs, const SiteLists& sites, int i, int j, PairCounts& c) {
  for (int k = 0; k < sites.v; ++k) {
    const char* site = seqs[sites.variable[k]];
    const int a = site[i];
    const int b = site[j];
    if (!in_range(a, 4) || !in_range(b, 4)) continue;
    const int cls = tstv_class[a][b];
    if (cls == 0) {
      ++c.P;
    } else if (cls == 1) {
      ++c.Q;
    }
  }
}

// Comparison 2: classes and the base-pair table over the complete sites.
void count_base_pairs(const CharMatrix& seqs, const SiteLists& sites, int i, int j,
                      PairCounts& c) {
  for (int k = 0; k < sites.n; ++k) {
    const char* site = seqs[sites.complete[k]];
    const int a = site[i];
    const int b = site[j];
    if (!in_range(a, 4) || !in_range(b, 4)) continue;
    const int cls = tstv_class[a][b];
    if (cls == -1) {
      ++c.S;
    } else if (cls == 0) {
      ++c.P;
    } else {
      ++c.Q;
    }
    ++c.M[a][b];
  }
}

// Comparison 3: Tamura-Nei classes and base counts over the complete sites.
void count_tn_classes(const CharMatrix& seqs, const SiteLists& sites, int i, int j,
                      PairCounts& c) {
  for (int k = 0; k < sites.n; ++k) {
    const char* site = seqs[sites.complete[k]];
    const int a = site[i];
    const int b = site[j];
    if (!in_range(a, 4) || !in_range(b, 4)) continue;
    ++c.base[a];
    ++c.base[b];
    switch (tn_class[a][b]) {
      case 0: ++c.S; break;
      case 1: ++c.P1; break;
      case 2: ++c.P2; break;
      default: ++c.Q; break;
    }
  }
}

// Comparison 4: residue identity over the variable sites.
void count_residues(const CharMatrix& seqs, const SiteLists& sites, int i, int j,
                    PairCounts& c) {
  for (int k = 0; k < sites.v; ++k) {
    const char* site = seqs[sites.variable[k]];
    const int a = site[i];
    const int b = site[j];
    if (!in_range(a, 20) || !in_range(b, 20)) continue;
    if (a == b) {
      ++c.S;
    } else {
      ++c.D;
    }
  }
}

// Comparison 5: identity of five states (four bases and the gap) over the
// variable sites.
void count_five_states(const CharMatrix& seqs, const SiteLists& sites, int i, int j,
                       PairCounts& c) {
  for (int k = 0; k < sites.v; ++k) {
    const char* site = seqs[sites.variable[k]];
    const int a = site[i];
    const int b = site[j];
    if (!in_range(a, 5) || !in_range(b, 5)) continue;
    if (match5[a][b] == -1) {
      ++c.S;
    } else {
      ++c.D;
    }
  }
}

}  // namespace

void compare_pair(const CharMatrix& seqs, int comparison, const SiteLists& sites, int i, int j,
                  PairCounts& counts) {
  counts = PairCounts{};
  switch (comparison) {
    case 1: count_tstv(seqs, sites, i, j, counts); break;
    case 2: count_base_pairs(seqs, sites, i, j, counts); break;
    case 3: count_tn_classes(seqs, sites, i, j, counts); break;
    case 4: count_residues(seqs, sites, i, j, counts); break;
    case 5: count_five_states(seqs, sites, i, j, counts); break;
    default: break;
  }
}

void ReferenceComparer::prepare(const CharMatrix& seqs, int comparison, const SiteLists& sites) {
  seqs_ = &seqs;
  comparison_ = comparison;
  sites_ = sites;
}

void ReferenceComparer::compare(int i, int j, PairCounts& counts) const {
  compare_pair(*seqs_, comparison_, sites_, i, j, counts);
}

}  // namespace gadrin
