#include "distance/formulas.h"

#include <cmath>

// Every expression below is written in one fixed order of operations, and the
// build forbids contraction into fused multiply-adds, so a distance rounds the
// same way on every compiler and machine: the observed results, the replicate
// sums and the trees built from them are bit-identical from run to run.

namespace gadrin {
namespace {

// The argument of a logarithm or a power must be positive. A not-a-number
// argument (a 0/0 frequency term) fails as well, since NaN <= 0 is false.
bool not_positive(double x) { return !(x > 0.0); }

// Writes d when the result is a finite number; an infinite or undefined
// result (gamma 0, a 0/0 term) makes the pair inapplicable.
int finish(double& d, double result) {
  if (!std::isfinite(result)) return kInapplicable;
  d = result;
  return kApplicable;
}

}  // namespace

int jc_distance(double& d, int n, int k) {
  const double p = static_cast<double>(k) / n;
  const double x = p * (-4.0 / 3.0) + 1.0;
  if (not_positive(x)) return kInapplicable;
  return finish(d, -0.75 * std::log(x));
}

int k2p_distance(double& d, int n, int P, int Q) {
  const double p = static_cast<double>(P) / n;
  const double q = static_cast<double>(Q) / n;
  const double w1 = q * (-2.0) + 1.0;
  if (not_positive(w1)) return kInapplicable;
  const double w2 = p * (-2.0) - q + 1.0;
  if (not_positive(w2)) return kInapplicable;
  return finish(d, -0.5 * std::log(w2 * std::sqrt(w1)));
}

int tajima_nei_distance(double& d, const int M[4][4], int n, int k) {
  const double p = static_cast<double>(k) / n;
  if (k == 0) {
    d = 0.0;
    return kApplicable;
  }

  int total = 0;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) total += M[r][c];
  }
  total *= 2;
  double g[4];
  for (int x = 0; x < 4; ++x) {
    int count = 0;
    for (int y = 0; y < 4; ++y) count += M[x][y] + M[y][x];
    g[x] = static_cast<double>(count) / total;
  }

  // Base pairs (A,T) (A,G) (A,C) (T,G) (T,C) (G,C).
  static constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
  double h = 0.0;
  for (const auto& pair : kPairs) {
    const int x = pair[0];
    const int y = pair[1];
    const int m = M[x][y] + M[y][x];
    if (m == 0) continue;
    const double f = static_cast<double>(m) / n;
    h = h + f * f / (2.0 * g[x] * g[y]);
  }

  const double b = ((p * p / h + 1.0) - g[0] * g[0] - g[1] * g[1] - g[2] * g[2] - g[3] * g[3]) * 0.5;
  const double z = 1.0 - p / b;
  if (not_positive(z)) return kInapplicable;
  return finish(d, -b * std::log(z));
}

int tamura_distance(double& d, const int M[4][4], int n, int P, int Q) {
  const double p = static_cast<double>(P) / n;
  const double q = static_cast<double>(Q) / n;

  // G and C are codes 2 and 3: a site adds its count once per G or C base.
  int gc = 0;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) gc += M[r][c] * ((r >= 2 ? 1 : 0) + (c >= 2 ? 1 : 0));
  }

  const double theta = (static_cast<double>(gc) / n) * 0.5;
  const double phi = (1.0 - theta) * theta;
  const double u = 1.0 - p / (2.0 * phi) - q;
  const double w = 1.0 - 2.0 * q;
  if (not_positive(u) || not_positive(w)) return kInapplicable;
  return finish(d, -2.0 * phi * std::log(u) - 0.5 * (1.0 - 2.0 * phi) * std::log(w));
}

int gamma_distance(double& d, int n, int P, int Q, double a) {
  const double q = static_cast<double>(Q) / n;
  const double p = static_cast<double>(P) / n;
  const double e = -1.0 / a;
  const double w1 = 1.0 - 2.0 * q;
  const double w2 = 1.0 - 2.0 * p - q;
  if (not_positive(w1) || not_positive(w2)) return kInapplicable;
  return finish(d, (std::pow(w2, e) + 0.5 * std::pow(w1, e) - 1.5) * a * 0.5);
}

int pair_distance(const int M[4][4], double& d, int method, int S, int P, int Q, int n,
                  double a) {
  switch (method) {
    case 0: return jc_distance(d, n, P + Q);
    case 1: return k2p_distance(d, n, P, Q);
    case 2: return tajima_nei_distance(d, M, S + P + Q, P + Q);
    case 3: return tamura_distance(d, M, S + P + Q, P, Q);
    case 4: return gamma_distance(d, n, P, Q, a);
    default: break;
  }

  const double q = static_cast<double>(Q) / n;
  if (method == 12) return finish(d, q);
  if (method != 13 && method != 14) return kInapplicable;

  const double x = q * (-2.0) + 1.0;
  if (not_positive(x)) return kInapplicable;
  if (method == 13) return finish(d, std::log(x) * (-0.25));
  const double e = -1.0 / a;
  return finish(d, (std::pow(x, e) - 1.0) * a * 0.25);
}

int amino_distance(double& d, int method, int D, int n, double a) {
  const double p = static_cast<double>(D) / n;
  if (method == 6) return finish(d, p);
  if (method != 5 && method != 7) return kInapplicable;

  const double x = p * (-20.0 / 19.0) + 1.0;
  if (not_positive(x)) return kInapplicable;
  if (method == 5) return finish(d, std::log(x) * (-0.95));
  const double e = -1.0 / a;
  return finish(d, (std::pow(x, e) - 1.0) * a * 0.95);
}

int tamura_nei_distance(double& d, int method, const PairCounts& c, int n, double a) {
  if (method != 8 && method != 9 && method != 15 && method != 16) return kInapplicable;

  const double p1 = static_cast<double>(c.P1) / n;
  const double p2 = static_cast<double>(c.P2) / n;
  const double q = static_cast<double>(c.Q) / n;
  // Each compared site contributes two bases.
  const int two_t = 2 * (c.S + c.P1 + c.P2 + c.Q);
  const double gA = static_cast<double>(c.base[0]) / two_t;
  const double gT = static_cast<double>(c.base[1]) / two_t;
  const double gG = static_cast<double>(c.base[2]) / two_t;
  const double gC = static_cast<double>(c.base[3]) / two_t;
  const double gR = gA + gG;
  const double gY = gT + gC;

  const double w1 = 1.0 - (p1 / (2.0 * gA * gG)) * gR - q / (2.0 * gR);
  const double w2 = 1.0 - (p2 / (2.0 * gT * gC)) * gY - q / (2.0 * gY);
  const double w3 = 1.0 - q / (2.0 * gR * gY);
  const double K = gY * (gR - gA * gG / gR) - gR * gT * gC / gY;

  // Methods 15 and 16 count transversions only and never read w1, w2.
  if (method == 8 || method == 9) {
    if (not_positive(w1)) return kInapplicable;
    if (not_positive(w2)) return kInapplicable;
  }
  if (not_positive(w3)) return kInapplicable;

  const double e = -1.0 / a;
  switch (method) {
    case 8:
      return finish(d, -2.0 * (K * std::log(w3) + (std::log(w2) / gY) * gC * gT +
                               (std::log(w1) / gR) * gA * gG));
    case 9:
      return finish(d, 2.0 * a *
                           (K * std::pow(w3, e) + (std::pow(w1, e) / gR - 1.0) * gA * gG +
                            (std::pow(w2, e) / gY - 1.0) * gC * gT - gR * gY));
    case 15:
      return finish(d, std::log(w3) * gY * gR * (-2.0));
    default:
      return finish(d, (std::pow(w3, e) - 1.0) * a * gY * gR * 2.0);
  }
}

int distance_from_counts(double& d, int method, const PairCounts& c, int n, double a) {
  switch (comparison_for(method)) {
    case 1:
      if (c.P + c.Q == 0) {
        d = 0.0;
        return kApplicable;
      }
      return pair_distance(c.M, d, method, n - c.P - c.Q, c.P, c.Q, n, a);
    case 2:
      if (c.P + c.Q == 0) {
        d = 0.0;
        return kApplicable;
      }
      return pair_distance(c.M, d, method, c.S, c.P, c.Q, c.S + c.P + c.Q, a);
    case 3:
      if (c.S + c.P1 + c.P2 + c.Q == 0) return kNoComparableSite;
      if (c.P1 + c.P2 + c.Q == 0) {
        d = 0.0;
        return kApplicable;
      }
      return tamura_nei_distance(d, method, c, n, a);
    case 4:
      if (c.S + c.D == 0) return kNoComparableSite;
      return amino_distance(d, method, c.D, n, a);
    case 5:
      if (c.S + c.D == 0) return kNoComparableSite;
      // Methods 10 and 11: the proportion of differing sites.
      return finish(d, static_cast<double>(c.D) / n);
    default:
      return kInapplicable;
  }
}

}  // namespace gadrin
