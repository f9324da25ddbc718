#include "driver/report.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "distance/methods.h"

namespace gadrin {

void write_report_head(std::FILE* out, const Analysis& a) {
  std::fprintf(out, "   %d otus\n", a.npop);
  std::fflush(out);
  for (int p = 0; p < a.npop; ++p) std::fprintf(out, "%d %s\n", p + 1, a.popnames[p]);
  std::fflush(out);
}

BootstrapStat bootstrap_stat(double S, double Q, int B) {
  const double m = S / B;
  const double q = Q / B;
  double d = q - m * m;
  if (B == 1) return {m, std::numeric_limits<double>::quiet_NaN()};
  d = d / (B - 1);
  const double variance = B * d;
  return {m, variance < 0 ? 0.0 : variance};
}

double standard_error(double variance) {
  // sqrt keeps the sign bit of a NaN; the report must never show "-nan".
  if (std::isnan(variance)) return std::numeric_limits<double>::quiet_NaN();
  return std::sqrt(variance);
}

namespace {

void write_tree_lines(std::FILE* out, const Analysis& a) {
  const int n = a.npop;
  for (int k = 0; k <= n - 3; ++k) {
    const int slots = k == n - 3 ? 3 : 2;
    for (int m = 0; m < slots; ++m)
      std::fprintf(out, "%3d and %3d        %f\n", n + k + 1, a.join[k][m], a.brlen[k][m]);
  }
}

void write_settings(std::FILE* out, const Settings& s, const Analysis& a) {
  std::fprintf(out, "\n");
  std::fprintf(out, "%s was used\n", method_names[s.method]);
  if (is_gamma_method(s.method)) std::fprintf(out, "gamma = %f\n", s.gamma);
  std::fprintf(out, "\n");
  std::fprintf(out, "Number of nucleotide sites compared %d (nsite=%d)\n", a.ncomplete, a.nsite);
  std::fprintf(out, "seed=%d ninap=%d\n", s.seed, a.ninap);
  if (s.codon[0] + s.codon[1] + s.codon[2] != 3) {
    std::fprintf(out, "codon position:");
    for (int p = 1; p <= 3; ++p)
      if (s.codon[p - 1] == 1) std::fprintf(out, " %d", p);
    std::fprintf(out, "\n");
  }
  if (s.use_dxy) std::fprintf(out, "dxy was used to construct an NJ tree.\n");
  std::fprintf(out, "\n\n");
}

void write_within(std::FILE* out, int B, Analysis& a) {
  std::fprintf(out, "Within populations\n");
  std::fprintf(out, B > 0 ? "population from  to (#  )   diversity     se\n"
                          : "population from  to (#  )   diversity\n");
  for (int p = 0; p < a.npop; ++p) {
    const char* name = a.popnames[p];
    std::fprintf(out, "%2d %s", p + 1, name);
    for (int pad = static_cast<int>(std::strlen(name)); pad < a.maxpopnm; ++pad)
      std::fprintf(out, " ");
    std::fprintf(out, "    %3d %3d (%3d)", a.pops[p][0], a.pops[p][1], a.pops[p][2]);
    if (B > 0) {
      const BootstrapStat st = bootstrap_stat(a.within_sums[p], a.within_squares[p], B);
      a.within_sums[p] = st.mean;
      a.within_squares[p] = st.variance;
      std::fprintf(out, "  %10.8f  %10.8f\n", a.within[p], standard_error(st.variance));
    } else {
      std::fprintf(out, "  %10.8f\n", a.within[p]);
    }
  }
  std::fprintf(out, "\n");
}

// Replaces the sum at [i][j] by the mean and the sum of squares at [j][i] by
// the variance, and returns the standard error.
double pair_error(DoubleMatrix& sums, int i, int j, int B) {
  const BootstrapStat st = bootstrap_stat(sums[i][j], sums[j][i], B);
  sums[i][j] = st.mean;
  sums[j][i] = st.variance;
  return standard_error(st.variance);
}

void write_between(std::FILE* out, int B, Analysis& a) {
  std::fprintf(out, "Between populations\n");
  std::fprintf(out, B > 0 ? "populations     dxy        se            da          se\n"
                          : "populations     dxy        da\n");
  for (int i = 0; i < a.npop - 1; ++i) {
    for (int j = i + 1; j < a.npop; ++j) {
      const double dxy = a.between[j][i];
      const double da = a.between[i][j];
      if (B > 0) {
        const double dxy_se = pair_error(a.dxy_sums, i, j, B);
        const double da_se = pair_error(a.da_sums, i, j, B);
        std::fprintf(out, "   %2d %2d    %10.8f  %10.8f    %10.8f  %10.8f\n", i + 1, j + 1, dxy,
                     dxy_se, da, da_se);
      } else {
        std::fprintf(out, "   %2d %2d    %10.8f  %10.8f\n", i + 1, j + 1, dxy, da);
      }
    }
  }
  std::fprintf(out, "\n\n");
}

void write_whole(std::FILE* out, const Settings& s, const Analysis& a) {
  const int B = s.nboot;
  std::fprintf(out, "Diversity in whole population\n");
  if (B > 0) {
    const BootstrapStat st = bootstrap_stat(a.whole_rep_sum, a.whole_rep_squares, B);
    std::fprintf(out, "Diversity = %10.8f s.e. %10.8f\n", a.diversity,
                 standard_error(st.variance));
    std::fprintf(out, "%d bootstrapping\n", B);
  } else {
    std::fprintf(out, "Diversity = %10.8f\n", a.diversity);
  }
  std::fprintf(out, s.allow_neg
                        ? "Negative values of average distances between populations were allowed\n"
                          "when the NJ tree was constructed.\n"
                        : "Negative values of average distances between populations were set to "
                          "zero\nwhen the NJ tree was constructed.\n");
}

}  // namespace

void write_report_body(std::FILE* out, const Settings& settings, Analysis& a) {
  if (a.has_tree()) write_tree_lines(out, a);
  write_settings(out, settings, a);
  write_within(out, settings.nboot, a);
  write_between(out, settings.nboot, a);
  write_whole(out, settings, a);
}

}  // namespace gadrin
