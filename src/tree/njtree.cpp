#include "tree/njtree.h"

#include "tree/random.h"

namespace gadrin {
namespace {

// How a join step picks its pair. The observed tree takes the first
// minimum; a replicate tree draws among the pairs near-tied with it.
struct ReplicateChoice {
  IntVector& tie;
  int& rng_state;
  double tol;
};

// d(a, b) for a != b: the strict upper triangle holds every distance.
double& at(DoubleMatrix& dist, int a, int b) { return a < b ? dist[a][b] : dist[b][a]; }

// Index of the pair joined among the npair pairs of qval. The first minimum
// wins; with a replicate choice every pair strictly within tol of it is a
// candidate (the first minimum first, the others in pair order) and one draw
// picks among two or more.
int choose_pair(int npair, const DoubleVector& qval, ReplicateChoice* replicate) {
  int best = 0;
  for (int t = 1; t < npair; ++t)
    if (qval[t] < qval[best]) best = t;
  if (replicate == nullptr) return best;

  const double q0 = qval[best];
  IntVector& tie = replicate->tie;
  int c = 0;
  tie[c++] = best;
  for (int t = 0; t < npair; ++t) {
    if (t == best) continue;
    double delta = qval[t] - q0;
    if (delta < 0) delta = -delta;
    if (delta < replicate->tol) tie[c++] = t;
  }
  if (c == 1) return best;
  return tie[draw_index(ran1(replicate->rng_state), c)];
}

// Neighbour-joining on the upper triangle of dist, compacted in place as
// nodes are joined. New distances are plain averages of the two joined
// nodes' distances, so every node made at step t carries an extra
// joindist[t] / 2 in its distances; that offset is the same for every pair
// of a step, so it never changes the choice, and it is taken back out of the
// branch lengths leading to the node.
int build(int n, DoubleMatrix& dist, IntMatrix& join, DoubleMatrix& brlen, IntVector& otu,
          IntMatrix& pair, DoubleVector& qval, DoubleVector& joindist, DoubleVector& rowsum,
          ReplicateChoice* replicate) {
  for (int r = 0; r <= n - 3; ++r) join[r][0] = join[r][1] = join[r][2] = 0;
  for (int a = 0; a < n; ++a) otu[a] = a + 1;

  for (int s = 0, m = n; s <= n - 4; ++s, --m) {
    for (int a = 0; a < m; ++a) {
      double sum = 0.0;
      for (int k = 0; k < m; ++k)
        if (k != a) sum += at(dist, a, k);
      rowsum[a] = sum;
    }

    const double width = m - 2;
    int npair = 0;
    for (int i = 0; i < m - 1; ++i) {
      for (int j = i + 1; j < m; ++j) {
        pair[npair][0] = i;
        pair[npair][1] = j;
        const double scaled = width * dist[i][j];
        qval[npair] = replicate == nullptr ? scaled - rowsum[j] - rowsum[i]
                                           : scaled - rowsum[i] - rowsum[j];
        ++npair;
      }
    }

    const int chosen = choose_pair(npair, qval, replicate);
    const int i = pair[chosen][0];
    const int j = pair[chosen][1];
    const double d = dist[i][j];
    join[s][0] = otu[i];
    join[s][1] = otu[j];
    joindist[s] = d;

    const double divisor = 2.0 * (m - 2);
    const double half = d * 0.5;
    const double skew_i = (rowsum[i] - rowsum[j]) / divisor;
    const double skew_j = (rowsum[j] - rowsum[i]) / divisor;
    brlen[s][0] = half + skew_i;
    brlen[s][1] = half + skew_j;
    if (otu[i] > n) brlen[s][0] += joindist[otu[i] - n - 1] * -0.5;
    if (otu[j] > n) brlen[s][1] += joindist[otu[j] - n - 1] * -0.5;

    for (int k = 0; k < m; ++k)
      if (k != i && k != j) at(dist, i, k) = (at(dist, j, k) + at(dist, i, k)) * 0.5;
    otu[i] = n + 1 + s;

    // Drop position j; later positions move down one place, keeping order.
    for (int a = j + 1; a < m; ++a) otu[a - 1] = otu[a];
    for (int a = 0; a < j; ++a)
      for (int c = j + 1; c < m; ++c) dist[a][c - 1] = dist[a][c];
    for (int a = j + 1; a <= m - 2; ++a)
      for (int c = a + 1; c < m; ++c) dist[a - 1][c - 1] = dist[a][c];
  }

  const double d01 = dist[0][1], d02 = dist[0][2], d12 = dist[1][2];
  const int last = n - 3;
  brlen[last][0] = (d01 - d12 + d02) * 0.5;
  brlen[last][1] = (d12 - d02 + d01) * 0.5;
  brlen[last][2] = (d12 - d01 + d02) * 0.5;
  for (int c = 0; c < 3; ++c) {
    join[last][c] = otu[c];
    if (otu[c] > n) brlen[last][c] += joindist[otu[c] - n - 1] * -0.5;
  }
  return 0;
}

}  // namespace

int njtree(int n, DoubleMatrix& dist, IntMatrix& join, DoubleMatrix& brlen, IntVector& otu,
           IntMatrix& pair, DoubleVector& qval, DoubleVector& joindist, DoubleVector& rowsum) {
  return build(n, dist, join, brlen, otu, pair, qval, joindist, rowsum, nullptr);
}

int njtree_replicate(int n, DoubleMatrix& dist, IntMatrix& join, DoubleMatrix& brlen,
                     IntVector& otu, IntMatrix& pair, IntVector& tie, DoubleVector& qval,
                     DoubleVector& joindist, DoubleVector& rowsum, int& rng_state, double tol) {
  ReplicateChoice replicate{tie, rng_state, tol};
  return build(n, dist, join, brlen, otu, pair, qval, joindist, rowsum, &replicate);
}

}  // namespace gadrin
