#include "distance/engine.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "distance/formulas.h"
#include "distance/methods.h"
#include "support/coded.h"

namespace gadrin {
namespace {

constexpr double kGarbage = 99.0;

// Every container of one engine call, allocated as the driver does. The
// outputs start as garbage, the running sums as distinct non-zero values.
class Engine : public testing::Test {
 protected:
  // Sequences as text coded by position in `alphabet`; populations as
  // (first, last) sequence numbers counted from 1.
  void load(std::initializer_list<const char*> rows,
            std::initializer_list<std::pair<int, int>> ranges, const char* alphabet = "ATGC") {
    nseq = static_cast<int>(rows.size());
    nsite = static_cast<int>(std::strlen(*rows.begin()));
    seqs = testing_support::coded(rows, alphabet);
    std::vector<int> all;
    std::vector<int> varying;
    for (int s = 0; s < nsite; ++s) {
      all.push_back(s);
      for (int k = 1; k < nseq; ++k) {
        if (seqs[s][k] != seqs[s][0]) {
          varying.push_back(s);
          break;
        }
      }
    }
    set_lists(all, varying);

    npop = static_cast<int>(ranges.size());
    pops = int_matrix(npop, 3);
    int p = 0;
    for (const auto& [first, last] : ranges) {
      pops[p][0] = first;
      pops[p][1] = last;
      pops[p][2] = last - first + 1;
      ++p;
    }
    within = double_vector(npop);
    within_sums = double_vector(npop);
    within_squares = double_vector(npop);
    between = double_matrix(npop, npop);
    dxy_sums = double_matrix(npop, npop);
    da_sums = double_matrix(npop, npop);
    nj = double_matrix(npop, npop);
    whole_sum = kGarbage;
    npairs = 99;
    double preset = 0.1;
    for (int a = 0; a < npop; ++a) {
      within[a] = kGarbage;
      within_sums[a] = preset += 0.37;
      within_squares[a] = preset += 0.37;
      for (int b = 0; b < npop; ++b) {
        between[a][b] = kGarbage;
        nj[a][b] = kGarbage;
        dxy_sums[a][b] = preset += 0.37;
        da_sums[a][b] = preset += 0.37;
      }
    }
  }

  // Site lists as a replicate draws them, with repeats.
  void set_lists(const std::vector<int>& c, const std::vector<int>& v) {
    n = static_cast<int>(c.size());
    nvar = static_cast<int>(v.size());
    complete = int_vector(n);
    variable = int_vector(nvar);
    for (int k = 0; k < n; ++k) complete[k] = c[k];
    for (int k = 0; k < nvar; ++k) variable[k] = v[k];
  }

  int run(int method, int replicate, int use_dxy = 0, int allow_neg = 0, double gamma = 1.0) {
    return compute_distances(npop, pops, whole_sum, within, between, within_sums, within_squares,
                             dxy_sums, da_sums, nj, npairs, seqs, n, complete, nvar, variable,
                             method, gamma, replicate, use_dxy, allow_neg);
  }

  // run() with what it printed on standard output.
  std::pair<int, std::string> run_captured(int method, int replicate) {
    testing::internal::CaptureStdout();
    const int status = run(method, replicate);
    std::fflush(stdout);
    return {status, testing::internal::GetCapturedStdout()};
  }

  // The running sums bit by bit, to see that a failed call added nothing.
  std::vector<std::uint64_t> sum_bits() const {
    std::vector<std::uint64_t> bits;
    for (int a = 0; a < npop; ++a) {
      bits.push_back(std::bit_cast<std::uint64_t>(within_sums[a]));
      bits.push_back(std::bit_cast<std::uint64_t>(within_squares[a]));
      for (int b = 0; b < npop; ++b) {
        bits.push_back(std::bit_cast<std::uint64_t>(dxy_sums[a][b]));
        bits.push_back(std::bit_cast<std::uint64_t>(da_sums[a][b]));
      }
    }
    return bits;
  }

  void expect_all(const DoubleMatrix& m, double value, const char* what) const {
    for (int a = 0; a < npop; ++a) {
      for (int b = 0; b < npop; ++b) EXPECT_EQ(m[a][b], value) << what << "[" << a << "][" << b << "]";
    }
  }

  int nseq = 0, nsite = 0, npop = 0, n = 0, nvar = 0;
  CharMatrix seqs;
  IntVector complete, variable;
  IntMatrix pops;
  DoubleVector within, within_sums, within_squares;
  DoubleMatrix between, dxy_sums, da_sums, nj;
  double whole_sum = 0.0;
  int npairs = 0;
};

// p-distance over 4 sites: d(0,1) = 1/4, d(0,2) = 2/4, d(1,2) = 1/4;
// within = (0.25 + 0.5 + 0.25) / 3 = 1/3.
TEST_F(Engine, OnePopulation) {
  load({"AAAA", "AAAT", "AATT"}, {{1, 3}});
  const auto before = sum_bits();
  ASSERT_EQ(run(10, 0), kApplicable);
  EXPECT_EQ(npairs, 3);
  EXPECT_DOUBLE_EQ(whole_sum, 1.0);
  EXPECT_DOUBLE_EQ(within[0], 1.0 / 3.0);
  EXPECT_EQ(whole_sum / npairs, within[0]);
  expect_all(between, 0.0, "between");
  expect_all(nj, 0.0, "nj");
  EXPECT_EQ(sum_bits(), before) << "observed mode leaves the running sums alone";
}

// p-distance over 4 sites. Within: d(0,1) = 0.25, d(2,3) = 0.25.
// Between: d(0,2) = 0.5, d(0,3) = 0.75, d(1,2) = 0.75, d(1,3) = 0.5,
// dxy = 2.5 / 4 = 0.625, da = 0.625 - (0.25 + 0.25) / 2 = 0.375.
// Whole sample: 0.25 + 0.25 + 2.5 = 3 over 1 + 1 + 4 = 6 pairs.
class TwoPopulations : public Engine {
 protected:
  void SetUp() override { load({"AAAA", "AAAT", "GGAA", "GGAT"}, {{1, 2}, {3, 4}}); }
};

TEST_F(TwoPopulations, ObservedMode) {
  const auto before = sum_bits();
  ASSERT_EQ(run(10, 0), kApplicable);
  EXPECT_EQ(npairs, 6);
  EXPECT_EQ(whole_sum, 3.0);
  EXPECT_EQ(within[0], 0.25);
  EXPECT_EQ(within[1], 0.25);
  EXPECT_EQ(between[1][0], 0.625);
  EXPECT_EQ(between[0][1], 0.375);
  EXPECT_EQ(between[0][0], 0.0);
  EXPECT_EQ(between[1][1], 0.0);
  expect_all(nj, 0.0, "nj");
  EXPECT_EQ(sum_bits(), before);
}

// Two replicates of the same data: sums 2x, squares 2x^2.
// within: 0.5 and 2 * 0.0625 = 0.125; dxy: 1.25 and 2 * 0.390625 = 0.78125;
// da: 0.75 and 2 * 0.140625 = 0.28125.
TEST_F(TwoPopulations, ReplicateModeAddsToTheSums) {
  for (int a = 0; a < npop; ++a) {
    within_sums[a] = within_squares[a] = 0.0;
    for (int b = 0; b < npop; ++b) dxy_sums[a][b] = da_sums[a][b] = 0.0;
  }
  ASSERT_EQ(run(10, 1), kApplicable);
  EXPECT_EQ(nj[0][1], 0.375);
  EXPECT_EQ(nj[1][0], 0.375);
  EXPECT_EQ(nj[0][0], 0.0);
  EXPECT_EQ(nj[1][1], 0.0);
  ASSERT_EQ(run(10, 1), kApplicable);
  for (int p = 0; p < 2; ++p) {
    EXPECT_EQ(within_sums[p], 0.5);
    EXPECT_EQ(within_squares[p], 0.125);
  }
  EXPECT_EQ(dxy_sums[0][1], 1.25);
  EXPECT_EQ(dxy_sums[1][0], 0.78125);
  EXPECT_EQ(da_sums[0][1], 0.75);
  EXPECT_EQ(da_sums[1][0], 0.28125);
  EXPECT_EQ(dxy_sums[0][0], 0.0);
  EXPECT_EQ(da_sums[1][1], 0.0);
}

// Populations: sequences 1-3 and 3-4; sequence 5 is in no population and
// differs from all at every site, so comparing it would show.
// p-distance over 4 sites: within[0] = (0.25 + 0.5 + 0.25) / 3 = 1/3,
// within[1] = d(2,3) = 0.25. Between, i in {0,1,2}, j in {2,3}:
// 0.5 + 0.75 + 0.25 + 0.5 + 0 + 0.25 = 2.25, dxy = 2.25 / 6 = 0.375,
// da = 0.375 - (1/3 + 0.25) / 2 = 1/12. Pairs 3 + 1 + 6 = 10, sum 3.5.
TEST_F(Engine, OverlappingAndUncoveredRanges) {
  load({"AAAA", "AAAT", "AATT", "ATTT", "CCCC"}, {{1, 3}, {3, 4}});
  ASSERT_EQ(run(10, 0), kApplicable);
  EXPECT_EQ(npairs, 10);
  EXPECT_DOUBLE_EQ(whole_sum, 3.5);
  EXPECT_DOUBLE_EQ(within[0], 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(within[1], 0.25);
  EXPECT_DOUBLE_EQ(between[1][0], 0.375);
  EXPECT_DOUBLE_EQ(between[0][1], 1.0 / 12.0);
}

// Method 8 with equal base frequencies (8 of each base in every pair of 16
// sites) reduces to d = -0.25 (ln w1 + ln w2 + ln w3), w1 = 1 - 4 P1 - Q,
// w2 = 1 - 4 P2 - Q, w3 = 1 - 2 Q.
//   pair (0,1): P1 = 2/16, w1 = 0.5:             d = 0.25 ln 2 = 0.173287
//   pair (2,3): Q = 2/16, w1 = w2 = 0.875, w3 = 0.75:
//               d = -0.25 (2 ln 0.875 + ln 0.75) = 0.138686
//   pair (4,5): P2 = 2/16, w2 = 0.5:             d = 0.173287
//   pair (4,6): P1 = 6/16, w1 = 1 - 1.5 < 0:     inapplicable
class FailureInThirdPopulation : public Engine {
 protected:
  void SetUp() override {
    load({"ATGCATGCATGCATGC", "GTACATGCATGCATGC", "ATGCATGCATGCATGC", "TAGCATGCATGCATGC",
          "ATGCATGCATGCATGC", "ACGTATGCATGCATGC", "GTACGTACGTACATGC"},
         {{1, 2}, {3, 4}, {5, 7}});
  }
  static constexpr double kD01 = 0.17328679513998632;
  static constexpr double kD23 = 0.13868621442520654;
  static constexpr double kD45 = 0.17328679513998632;
};

TEST_F(FailureInThirdPopulation, ObservedModeNamesThePair) {
  const auto before = sum_bits();
  const auto [status, out] = run_captured(8, 0);
  EXPECT_EQ(status, kInapplicable);
  EXPECT_EQ(out, "inapplicable 4 6\n");
  EXPECT_NEAR(within[0], kD01, 1e-15);
  EXPECT_NEAR(within[1], kD23, 1e-15);
  EXPECT_NEAR(within[2], kD45, 1e-15) << "the partial sum, not yet a mean";
  EXPECT_NEAR(whole_sum, kD01 + kD23 + kD45, 1e-15);
  EXPECT_EQ(npairs, 3);
  expect_all(between, 0.0, "between");
  expect_all(nj, 0.0, "nj");
  EXPECT_EQ(sum_bits(), before);
}

TEST_F(FailureInThirdPopulation, ReplicateModeAddsNothing) {
  const auto before = sum_bits();
  const auto [status, out] = run_captured(8, 1);
  EXPECT_EQ(status, kInapplicable);
  EXPECT_EQ(out, "");
  EXPECT_EQ(sum_bits(), before);
  expect_all(nj, 0.0, "nj");
}

// A against T at every site makes every nucleotide method inapplicable
// except the proportions 10, 11, 12 (methods 3, 8, 9 through 0/0
// frequency terms); amino acids A against C differ at every site (p = 1).
// Only methods 5, 7, 8, 9, 15, 16 name the pair, and only in observed mode.
struct MessageCase {
  int method;
  bool named;
};

class InapplicableMessage : public Engine, public testing::WithParamInterface<MessageCase> {};

TEST_P(InapplicableMessage, OnlyListedMethodsInObservedMode) {
  const auto [method, named] = GetParam();
  if (is_amino_method(method)) {
    load({"AAAA", "CCCC"}, {{1, 2}}, "ACDEFGHIKLMNPQRSTVWY");
  } else {
    load({"AAAA", "TTTT"}, {{1, 2}});
  }
  const auto observed = run_captured(method, 0);
  EXPECT_EQ(observed.first, kInapplicable);
  EXPECT_EQ(observed.second, named ? "inapplicable 0 1\n" : "");
  const auto replicate = run_captured(method, 1);
  EXPECT_EQ(replicate.first, kInapplicable);
  EXPECT_EQ(replicate.second, "");
}

INSTANTIATE_TEST_SUITE_P(Engine, InapplicableMessage,
                         testing::Values(MessageCase{0, false}, MessageCase{1, false},
                                         MessageCase{2, false}, MessageCase{3, false},
                                         MessageCase{4, false}, MessageCase{5, true},
                                         MessageCase{7, true}, MessageCase{8, true},
                                         MessageCase{9, true}, MessageCase{13, false},
                                         MessageCase{14, false}, MessageCase{15, true},
                                         MessageCase{16, true}),
                         [](const auto& info) {
                           return "Method" + std::to_string(info.param.method);
                         });

// The replicate drew only constant sites (0, 0, 2): the variable-site list
// is empty.
TEST_F(Engine, ReplicateOfConstantSites) {
  for (int method = 0; method < kMethodCount; ++method) {
    load({"ATGC", "ACGC", "ATGA", "ATGC"}, {{1, 2}, {3, 4}});
    set_lists({0, 0, 2}, {});
    const auto before = sum_bits();
    const int status = run(method, 1);
    const int comparison = comparison_for(method);
    if (comparison == 4 || comparison == 5) {
      EXPECT_EQ(status, kNoComparableSite) << "method " << method;
      EXPECT_EQ(npairs, 0) << "method " << method;
      EXPECT_EQ(sum_bits(), before) << "method " << method;
      continue;
    }
    EXPECT_EQ(status, kApplicable) << "method " << method;
    EXPECT_EQ(npairs, 6) << "method " << method;
    EXPECT_EQ(whole_sum, 0.0) << "method " << method;
    EXPECT_EQ(within[0], 0.0) << "method " << method;
    EXPECT_EQ(within[1], 0.0) << "method " << method;
    expect_all(between, 0.0, "between");
    expect_all(nj, 0.0, "nj");
  }
}

// Each population holds AAAA and TTTT: within = 1 (p-distance), between
// d(0,2) = d(1,3) = 0 and d(0,3) = d(1,2) = 1, dxy = 0.5, da = 0.5 - 1 = -0.5.
struct NjCase {
  int use_dxy;
  int allow_neg;
  double nj;
};

class NjInput : public Engine, public testing::WithParamInterface<NjCase> {};

TEST_P(NjInput, FromDaOrDxy) {
  const auto [use_dxy, allow_neg, expected] = GetParam();
  load({"AAAA", "TTTT", "AAAA", "TTTT"}, {{1, 2}, {3, 4}});
  da_sums[0][1] = da_sums[1][0] = 0.0;
  ASSERT_EQ(run(10, 1, use_dxy, allow_neg), kApplicable);
  EXPECT_EQ(nj[1][0], expected);
  EXPECT_EQ(nj[0][1], expected);
  EXPECT_EQ(nj[0][0], 0.0);
  EXPECT_EQ(nj[1][1], 0.0);
  EXPECT_EQ(between[0][1], -0.5) << "the between matrix keeps a negative da";
  EXPECT_EQ(da_sums[0][1], -0.5);
  EXPECT_EQ(da_sums[1][0], 0.25);
}

INSTANTIATE_TEST_SUITE_P(Engine, NjInput,
                         testing::Values(NjCase{0, 0, 0.0}, NjCase{0, 1, -0.5},
                                         NjCase{1, 0, 0.5}, NjCase{1, 1, 0.5}),
                         [](const auto& info) {
                           return std::string(info.param.use_dxy ? "Dxy" : "Da") +
                                  (info.param.allow_neg ? "Neg" : "NoNeg");
                         });

// Counts with the reference walk and records how the engine drives it.
class RecordingComparer final : public PairComparer {
 public:
  void prepare(const CharMatrix& seqs, int comparison, const SiteLists& sites) override {
    ++prepared;
    prepared_comparison = comparison;
    prepared_sites = sites;
    inner.prepare(seqs, comparison, sites);
  }
  void compare(int i, int j, PairCounts& counts) const override {
    pairs.emplace_back(i, j);
    inner.compare(i, j, counts);
  }

  int prepared = 0;
  int prepared_comparison = 0;
  SiteLists prepared_sites{};
  mutable std::vector<std::pair<int, int>> pairs;

 private:
  ReferenceComparer inner;
};

// Within populations first, then population pairs (p, q) in order, i outer.
TEST_F(Engine, ComparerIsPreparedOnceAndAskedInOrder) {
  load({"AAAA", "AAAT", "GGAA", "GGAT", "CCAA", "CCAT"}, {{1, 2}, {3, 4}, {5, 6}});
  RecordingComparer comparer;
  const int status =
      compute_distances(npop, pops, whole_sum, within, between, within_sums, within_squares,
                        dxy_sums, da_sums, nj, npairs, seqs, n, complete, nvar, variable, 10, 1.0,
                        0, 0, 0, comparer);
  ASSERT_EQ(status, kApplicable);
  EXPECT_EQ(comparer.prepared, 1);
  EXPECT_EQ(comparer.prepared_comparison, 5);
  EXPECT_EQ(comparer.prepared_sites.complete, complete.data());
  EXPECT_EQ(comparer.prepared_sites.n, n);
  EXPECT_EQ(comparer.prepared_sites.variable, variable.data());
  EXPECT_EQ(comparer.prepared_sites.v, nvar);
  const std::vector<std::pair<int, int>> expected = {
      {0, 1}, {2, 3}, {4, 5}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {0, 4},
      {0, 5}, {1, 4}, {1, 5}, {2, 4}, {2, 5}, {3, 4}, {3, 5}};
  EXPECT_EQ(comparer.pairs, expected);
  EXPECT_EQ(npairs, 15);
}

}  // namespace
}  // namespace gadrin
