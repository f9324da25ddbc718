// The fast comparer and the worker threads against the straightforward
// engine: on random data sets every method must give bit-identical results
// and statuses, in observed and replicate mode.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <random>

#include "distance/engine.h"
#include "distance/fast_comparer.h"
#include "distance/methods.h"
#include "distance/pair_workers.h"

namespace gadrin {
namespace {

struct Outputs {
  int status = 0;
  int npairs = 0;
  double whole = 0;
  DoubleVector within, within_sums, within_squares;
  DoubleMatrix between, dxy_sums, da_sums, nj;

  explicit Outputs(int npop)
      : within(double_vector(npop)),
        within_sums(double_vector(npop)),
        within_squares(double_vector(npop)),
        between(double_matrix(npop, npop)),
        dxy_sums(double_matrix(npop, npop)),
        da_sums(double_matrix(npop, npop)),
        nj(double_matrix(npop, npop)) {
    for (int p = 0; p < npop; ++p) {
      within_sums[p] = within_squares[p] = 0.5;
      for (int q = 0; q < npop; ++q) dxy_sums[p][q] = da_sums[p][q] = 0.25;
    }
  }
};

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expect_same(const Outputs& a, const Outputs& b, int npop, const char* what) {
  ASSERT_EQ(a.status, b.status) << what;
  EXPECT_EQ(a.npairs, b.npairs) << what;
  EXPECT_TRUE(same_bits(a.whole, b.whole)) << what;
  for (int p = 0; p < npop; ++p) {
    EXPECT_TRUE(same_bits(a.within[p], b.within[p])) << what;
    EXPECT_TRUE(same_bits(a.within_sums[p], b.within_sums[p])) << what;
    EXPECT_TRUE(same_bits(a.within_squares[p], b.within_squares[p])) << what;
    for (int q = 0; q < npop; ++q) {
      EXPECT_TRUE(same_bits(a.between[p][q], b.between[p][q])) << what;
      EXPECT_TRUE(same_bits(a.dxy_sums[p][q], b.dxy_sums[p][q])) << what;
      EXPECT_TRUE(same_bits(a.da_sums[p][q], b.da_sums[p][q])) << what;
      EXPECT_TRUE(same_bits(a.nj[p][q], b.nj[p][q])) << what;
    }
  }
}

TEST(EngineDifferential, FastComparerAndThreadsMatchTheSiteWalk) {
  std::mt19937 rng(20261211);
  const int nseq = 12, nsite = 150, npop = 4;
  IntMatrix pops = int_matrix(npop, 3);
  const int ranges[npop][2] = {{1, 3}, {4, 7}, {6, 9}, {10, 12}};  // 6..7 overlap
  for (int p = 0; p < npop; ++p) {
    pops[p][0] = ranges[p][0];
    pops[p][1] = ranges[p][1];
    pops[p][2] = ranges[p][1] - ranges[p][0] + 1;
  }
  CharMatrix seqs = char_matrix(nsite, nseq);
  IntVector complete = int_vector(nsite), variable = int_vector(nsite);
  IntVector drawn = int_vector(nsite), drawn_variable = int_vector(nsite);

  for (int trial = 0; trial < 40; ++trial) {
    const bool amino = trial % 4 == 3;
    const int alphabet = amino ? 20 : 4;
    // Divergence from 0 (all sites constant) to near saturation.
    const double mutation = (trial % 10) / 12.0;
    int n = 0, v = 0;
    for (int s = 0; s < nsite; ++s) {
      const int ancestral = static_cast<int>(rng() % alphabet);
      bool varies = false, gap = rng() % 10 == 0;
      for (int q = 0; q < nseq; ++q) {
        int code = ancestral;
        if (std::uniform_real_distribution<>(0, 1)(rng) < mutation) code = static_cast<int>(rng() % alphabet);
        seqs[s][q] = static_cast<char>(code);
        varies = varies || code != seqs[s][0];
      }
      if (gap) {
        seqs[s][rng() % nseq] = static_cast<char>(amino ? 20 : 4);
        continue;  // incomplete: in neither list
      }
      complete[n++] = s;
      if (varies) variable[v++] = s;
    }
    // A replicate: n draws with repeats.
    int dv = 0;
    for (int t = 0; t < n; ++t) {
      const int site = complete[static_cast<int>(rng() % n)];
      drawn[t] = site;
      for (int k = 0; k < v; ++k)
        if (variable[k] == site) {
          drawn_variable[dv++] = site;
          break;
        }
    }

    for (int method = 0; method < kMethodCount; ++method) {
      if (is_amino_method(method) != amino) continue;
      FastComparer fast(nseq, nsite, comparison_for(method));
      PairWorkers workers(npop, pops, 3);
      for (int replicate = 0; replicate <= 1; ++replicate) {
        const IntVector& sites = replicate ? drawn : complete;
        const IntVector& vars = replicate ? drawn_variable : variable;
        const int nv = replicate ? dv : v;
        const double gamma = trial % 3 == 0 ? 0.5 : 1.0;
        Outputs reference(npop), packed(npop), threaded(npop);
        ReferenceComparer walk;
        auto run = [&](Outputs& o, PairComparer& c, PairWorkers* w) {
          testing::internal::CaptureStdout();
          o.status = compute_distances(npop, pops, o.whole, o.within, o.between, o.within_sums,
                                       o.within_squares, o.dxy_sums, o.da_sums, o.nj, o.npairs, seqs,
                                       n, sites, nv, vars, method, gamma, replicate, trial % 2,
                                       trial % 5 == 0, c, w);
          return testing::internal::GetCapturedStdout();
        };
        const std::string said = run(reference, walk, nullptr);
        EXPECT_EQ(run(packed, fast, nullptr), said);
        EXPECT_EQ(run(threaded, fast, &workers), said);
        const std::string what = "trial " + std::to_string(trial) + " method " +
                                 std::to_string(method) + " replicate " + std::to_string(replicate);
        expect_same(reference, packed, npop, what.c_str());
        expect_same(reference, threaded, npop, what.c_str());
      }
    }
  }
}

// Pair totals that the threads cannot hold end the run as a failed
// allocation does. 100 populations of the same 100,000 sequences have
// 100 x 4,999,950,000 + 4950 x 10^10 = 49,999,995,000,000 pairs (400 TB of
// distances, beyond any address space); 5 populations of 2^31 - 1 sequences
// have more pairs than a size_t numbers (10 pairs of them alone give
// 10 x (2^31 - 1)^2 > 2^64).
TEST(PairWorkersDeathTest, TotalsBeyondMemoryEndTheRun) {
  struct Case {
    int npop;
    int count;
    const char* message;
  };
  const Case cases[] = {
      {100, 100000, "memory allocation error\ndistances of 49999995000000 pairs for the threads\n"},
      {5, INT_MAX,
       "memory allocation error\ndistances of over 18446744073709551615 pairs for the threads\n"},
  };
  for (const Case& c : cases) {
    IntMatrix pops = int_matrix(c.npop, 3);
    for (int p = 0; p < c.npop; ++p) {
      pops[p][0] = 1;
      pops[p][1] = pops[p][2] = c.count;
    }
    EXPECT_EXIT(
        {
          dup2(STDERR_FILENO, STDOUT_FILENO);
          const PairWorkers workers(c.npop, pops, 2);
        },
        testing::ExitedWithCode(1), c.message);
  }
}

}  // namespace
}  // namespace gadrin
