#include "distance/comparison.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "distance/formulas.h"
#include "distance/methods.h"
#include "support/coded.h"

namespace gadrin {
namespace {

using testing_support::describe;

constexpr int kA = 0, kT = 1, kG = 2, kC = 3;
const char* const kBases = "ATGC-";
const char* const kResidues = "ACDEFGHIKLMNPQRSTVWY-";

// Sequences written as text, coded by position in `alphabet`, one row per site.
struct Alignment {
  CharMatrix seqs;
  std::vector<int> complete;
  std::vector<int> variable;

  Alignment(std::initializer_list<const char*> rows, const char* alphabet) {
    const int nseq = static_cast<int>(rows.size());
    const int nsite = static_cast<int>(std::strlen(*rows.begin()));
    seqs = testing_support::coded(rows, alphabet);
    for (int s = 0; s < nsite; ++s) {
      complete.push_back(s);
      for (int k = 1; k < nseq; ++k) {
        if (seqs[s][k] != seqs[s][0]) {
          variable.push_back(s);
          break;
        }
      }
    }
  }

  SiteLists lists() const {
    return {complete.data(), static_cast<int>(complete.size()), variable.data(),
            static_cast<int>(variable.size())};
  }
};

PairCounts count(const Alignment& al, const SiteLists& sites, int method, int i, int j) {
  PairCounts counts;
  compare_pair(al.seqs, comparison_for(method), sites, i, j, counts);
  return counts;
}

int distance(double& d, const Alignment& al, const SiteLists& sites, int method, int i, int j) {
  return distance_from_counts(d, method, count(al, sites, method, i, j), sites.n, 1.0);
}


TEST(ComparisonTables, FollowPurinesAndPyrimidines) {
  const auto purine = [](int b) { return b == kA || b == kG; };
  for (int a = 0; a < 4; ++a) {
    for (int b = 0; b < 4; ++b) {
      const bool same_kind = purine(a) == purine(b);
      EXPECT_EQ(tstv_class[a][b], a == b ? -1 : same_kind ? 0 : 1) << a << " " << b;
      const int tn = a == b ? 0 : !same_kind ? 3 : purine(a) ? 1 : 2;
      EXPECT_EQ(tn_class[a][b], tn) << a << " " << b;
    }
  }
  for (int a = 0; a < 5; ++a) {
    for (int b = 0; b < 5; ++b) EXPECT_EQ(match5[a][b], a == b ? -1 : 0) << a << " " << b;
  }
}

TEST(ComparisonTables, MethodSelectsItsComparison) {
  const int expected[kMethodCount] = {1, 1, 2, 2, 1, 4, 4, 4, 3, 3, 5, 5, 1, 1, 1, 3, 3};
  for (int m = 0; m < kMethodCount; ++m) EXPECT_EQ(comparison_for(m), expected[m]) << m;
  EXPECT_EQ(comparison_for(-1), 0);
  EXPECT_EQ(comparison_for(kMethodCount), 0);
}

// Sequences 0 and 1 are identical and hold no G or C, so the formulas of
// methods 3 and 8 would be 0/0 for them; sequence 2 makes sites 1, 3 variable.
TEST(Comparison, IdenticalSequencesGiveZeroForEveryMethod) {
  const Alignment al({"AATTAT", "AATTAT", "ATTAAT"}, kBases);
  for (int m = 0; m < kMethodCount; ++m) {
    double d = -1.0;
    EXPECT_EQ(distance(d, al, al.lists(), m, 0, 1), kApplicable) << "method " << m;
    EXPECT_EQ(d, 0.0) << "method " << m;
  }
}

TEST(Comparison, IdenticalSequencesCounts) {
  const Alignment al({"AATTAT", "AATTAT", "ATTAAT"}, kBases);
  PairCounts two;
  two.S = 6;
  two.M[kA][kA] = 3;
  two.M[kT][kT] = 3;
  EXPECT_EQ(describe(count(al, al.lists(), 2, 0, 1)), describe(two));
  PairCounts three;
  three.S = 6;
  three.base[kA] = 6;
  three.base[kT] = 6;
  EXPECT_EQ(describe(count(al, al.lists(), 8, 0, 1)), describe(three));
  PairCounts five;
  five.S = 2;  // the two variable sites
  EXPECT_EQ(describe(count(al, al.lists(), 10, 0, 1)), describe(five));
}

struct EmptyListCase {
  const char* name;
  bool constant_sites;  // the complete-site list holds constant sites; else it is empty
};

class EmptyListTest : public testing::TestWithParam<EmptyListCase> {};

// No variable site: comparisons 1 and 2 give 0, 4 and 5 stop with -10;
// comparison 3 gives 0 over constant sites and -10 without any site.
TEST_P(EmptyListTest, OutcomeOfEveryMethod) {
  const Alignment al({"ATGCA", "ATGCA", "ATGCA"}, kBases);
  const int n = GetParam().constant_sites ? 5 : 0;
  const SiteLists sites{al.complete.data(), n, nullptr, 0};
  for (int m = 0; m < kMethodCount; ++m) {
    const int comparison = comparison_for(m);
    const bool no_site =
        comparison == 4 || comparison == 5 || (comparison == 3 && n == 0);
    double d = -1.0;
    const int status = distance(d, al, sites, m, 0, 2);
    if (no_site) {
      EXPECT_EQ(status, kNoComparableSite) << "method " << m;
    } else {
      EXPECT_EQ(status, kApplicable) << "method " << m;
      EXPECT_EQ(d, 0.0) << "method " << m;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Comparison, EmptyListTest,
                         testing::Values(EmptyListCase{"AllConstant", true},
                                         EmptyListCase{"NoCompleteSite", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A replicate drew sites 0, 2, 2, 2, 3; site 2 (A against G) is the only
// variable one and is listed once per drawing.
TEST(Comparison, SiteDrawnThreeTimesCountsThreeTimes) {
  const Alignment al({"CTAT", "CTGT"}, kBases);
  const int complete[] = {0, 2, 2, 2, 3};
  const int variable[] = {2, 2, 2};
  const SiteLists sites{complete, 5, variable, 3};

  PairCounts one;
  one.P = 3;
  EXPECT_EQ(describe(count(al, sites, 0, 0, 1)), describe(one));

  PairCounts two;
  two.S = 2;
  two.P = 3;
  two.M[kC][kC] = 1;
  two.M[kT][kT] = 1;
  two.M[kA][kG] = 3;
  EXPECT_EQ(describe(count(al, sites, 2, 0, 1)), describe(two));

  PairCounts three;
  three.S = 2;
  three.P1 = 3;
  three.base[kA] = 3;
  three.base[kG] = 3;
  three.base[kC] = 2;
  three.base[kT] = 2;
  EXPECT_EQ(describe(count(al, sites, 8, 0, 1)), describe(three));

  PairCounts differ;
  differ.D = 3;
  EXPECT_EQ(describe(count(al, sites, 6, 0, 1)), describe(differ));
  EXPECT_EQ(describe(count(al, sites, 10, 0, 1)), describe(differ));
}

// Row = first sequence of the pair: A in the first and G in the second
// counts in M[A][G] only.
TEST(Comparison, BasePairTableIsOriented) {
  const Alignment al({"AC", "GC"}, kBases);
  const PairCounts forward = count(al, al.lists(), 3, 0, 1);
  EXPECT_EQ(forward.M[kA][kG], 1);
  EXPECT_EQ(forward.M[kG][kA], 0);
  const PairCounts backward = count(al, al.lists(), 3, 1, 0);
  EXPECT_EQ(backward.M[kA][kG], 0);
  EXPECT_EQ(backward.M[kG][kA], 1);
}

// The variable-site list passed here leaves out site 1, where the two
// sequences differ by a transversion: only the comparisons that walk the
// complete-site list see it.
TEST(Comparison, EachComparisonWalksItsList) {
  const Alignment al({"AAGT", "GCGT"}, kBases);
  const int complete[] = {0, 1, 2, 3};
  const int variable[] = {0};
  const SiteLists sites{complete, 4, variable, 1};
  EXPECT_EQ(count(al, sites, 1, 0, 1).P, 1);
  EXPECT_EQ(count(al, sites, 1, 0, 1).Q, 0);
  EXPECT_EQ(count(al, sites, 2, 0, 1).Q, 1);
  EXPECT_EQ(count(al, sites, 2, 0, 1).S, 2);
  EXPECT_EQ(count(al, sites, 8, 0, 1).Q, 1);
  EXPECT_EQ(count(al, sites, 8, 0, 1).P1, 1);
  EXPECT_EQ(count(al, sites, 10, 0, 1).D, 1);
  const Alignment amino({"AAGT", "GCGT"}, kResidues);
  EXPECT_EQ(count(amino, sites, 5, 0, 1).D, 1);
}

// A gap is no base: comparisons 1 to 3 pass the site over, comparison 5
// takes it as a fifth state. Residue codes stop at 19.
TEST(Comparison, CodesOutsideTheRangeArePassedOver) {
  const Alignment al({"A-T-", "G-TA"}, kBases);
  const SiteLists sites = al.lists();  // variable: sites 0 and 3
  PairCounts one;
  one.P = 1;
  EXPECT_EQ(describe(count(al, sites, 1, 0, 1)), describe(one));
  EXPECT_EQ(count(al, sites, 3, 0, 1).S + count(al, sites, 3, 0, 1).P, 2);
  EXPECT_EQ(count(al, sites, 15, 0, 1).S + count(al, sites, 15, 0, 1).P1, 2);
  PairCounts five;
  five.D = 2;
  EXPECT_EQ(describe(count(al, sites, 11, 0, 1)), describe(five));

  const Alignment amino({"Y-W", "Y-V"}, kResidues);
  const int all[] = {0, 1, 2};
  const SiteLists amino_sites{all, 3, all, 3};
  PairCounts four;
  four.S = 1;
  four.D = 1;
  EXPECT_EQ(describe(count(amino, amino_sites, 5, 0, 1)), describe(four));
}

TEST(Comparison, PDistanceWithAndWithoutGapAgree) {
  const Alignment al({"ATGCATGCAT", "ATGGATCCAT", "TTGCAAGCAC", "ATGCATGCAA"}, kBases);
  for (int i = 0; i < 4; ++i) {
    for (int j = i + 1; j < 4; ++j) {
      double d10 = -1.0;
      double d11 = -2.0;
      ASSERT_EQ(distance(d10, al, al.lists(), 10, i, j), kApplicable);
      ASSERT_EQ(distance(d11, al, al.lists(), 11, i, j), kApplicable);
      EXPECT_EQ(d10, d11) << i << " " << j;
    }
  }
}

// The comparer is the same walk behind the engine's interface; a counts
// record reused from an earlier pair starts again from 0.
TEST(Comparison, ReferenceComparerIsTheWalk) {
  const Alignment al({"ATGCATGCAT", "ATGGATCCAT", "TTGCAAGCAC", "ATGCATGCAA"}, kBases);
  for (int comparison = 1; comparison <= 5; ++comparison) {
    ReferenceComparer comparer;
    comparer.prepare(al.seqs, comparison, al.lists());
    const PairComparer& as_interface = comparer;
    PairCounts reused;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        PairCounts expected;
        compare_pair(al.seqs, comparison, al.lists(), i, j, expected);
        as_interface.compare(i, j, reused);
        EXPECT_EQ(describe(reused), describe(expected)) << comparison << ": " << i << " " << j;
      }
    }
  }
}

}  // namespace
}  // namespace gadrin
