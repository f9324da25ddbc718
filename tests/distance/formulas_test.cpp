#include "distance/formulas.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

namespace gadrin {
namespace {

constexpr double kUntouched = 12345.0;
constexpr int kA = 0, kT = 1, kG = 2, kC = 3;

// A 4x4 base-pair table from (first base, second base, sites) triples.
struct Table {
  int M[4][4] = {};
  Table(std::initializer_list<std::array<int, 3>> cells) {
    for (const auto& cell : cells) M[cell[0]][cell[1]] += cell[2];
  }
};

// Counts of comparison 3.
PairCounts tn_counts(int S, int P1, int P2, int Q, int a, int t, int g, int c) {
  PairCounts counts;
  counts.S = S;
  counts.P1 = P1;
  counts.P2 = P2;
  counts.Q = Q;
  counts.base[kA] = a;
  counts.base[kT] = t;
  counts.base[kG] = g;
  counts.base[kC] = c;
  return counts;
}

struct FormulaCase {
  const char* name;
  int (*eval)(double& d);
  int status;
  double d;  // expected when status is 0
};

// Equal base frequencies (8 of each base among the 32 bases of 16 sites)
// turn the comparison-3 terms into w1 = 1 - 4 P1 - Q, w2 = 1 - 4 P2 - Q,
// w3 = 1 - 2 Q.
const FormulaCase kFormulaCases[] = {
    // p = 2/5: -0.75 ln(1 - 1.6/3) = -0.75 ln(0.466667) = 0.571605.
    {"JcTwoOfFive", [](double& d) { return jc_distance(d, 5, 2); }, kApplicable,
     0.5716050390351726},
    // p = 4/5: 1 - 0.8 * 4/3 = -0.0667.
    {"JcFourOfFiveInapplicable", [](double& d) { return jc_distance(d, 5, 4); }, kInapplicable, 0},
    // Q = 0.5: w1 = 0, whatever P.
    {"K2pQHalfInapplicable", [](double& d) { return k2p_distance(d, 10, 0, 5); }, kInapplicable, 0},
    {"K2pQHalfWithPInapplicable", [](double& d) { return k2p_distance(d, 10, 2, 5); },
     kInapplicable, 0},
    // P = 0.5, Q = 0: w1 = 1, w2 = 0.
    {"K2pPHalfInapplicable", [](double& d) { return k2p_distance(d, 10, 5, 0); }, kInapplicable, 0},
    // The frequencies would be 0/0 from an empty table: k = 0 returns first.
    {"TajimaNeiNoDifference",
     [](double& d) {
       const Table t{};
       return tajima_nei_distance(d, t.M, 10, 0);
     },
     kApplicable, 0.0},
    // Only A against T: gA = gT = 0.5, f = 1, h = 1 / (2 * 0.25) = 2,
    // b = (1/2 + 1 - 0.25 - 0.25) * 0.5 = 0.5, z = 1 - 1/0.5 = -1.
    {"TajimaNeiZInapplicable",
     [](double& d) {
       const Table t{{kA, kT, 4}};
       return tajima_nei_distance(d, t.M, 4, 4);
     },
     kInapplicable, 0},
    // Sites AG TC AT GC AA TT GG CC AA GG: 10 G or C among 20 bases,
    // theta = 0.5, phi = 0.25, so d = -0.5 ln(1 - 2P - Q) - 0.25 ln(1 - 2Q)
    // = K2P with P = Q = 0.2: -0.5 ln 0.4 - 0.25 ln 0.6 = 0.585852.
    {"TamuraThetaHalfIsK2p",
     [](double& d) {
       const Table t{{kA, kG, 1}, {kT, kC, 1}, {kA, kT, 1}, {kG, kC, 1}, {kA, kA, 2},
                     {kT, kT, 1}, {kG, kG, 2}, {kC, kC, 1}};
       return tamura_distance(d, t.M, 10, 2, 2);
     },
     kApplicable, 0.5858517718785752},
    // 4 A/G sites: theta = 0.5, phi = 0.25, u = 1 - 1/0.5 - 0 = -1.
    {"TamuraUInapplicable",
     [](double& d) {
       const Table t{{kA, kG, 4}};
       return tamura_distance(d, t.M, 4, 4, 0);
     },
     kInapplicable, 0},
    // 2 A/T and 2 G/G sites: theta = 0.5, u = 1 - 0 - 0.5 = 0.5, w = 1 - 1 = 0.
    {"TamuraWInapplicable",
     [](double& d) {
       const Table t{{kA, kT, 2}, {kG, kG, 2}};
       return tamura_distance(d, t.M, 4, 0, 2);
     },
     kInapplicable, 0},
    // No G or C: theta = 0, phi = 0, P / (2 phi) = 0/0.
    {"TamuraNoGcInapplicable",
     [](double& d) {
       const Table t{{kA, kA, 3}, {kT, kT, 3}, {kA, kT, 2}};
       return tamura_distance(d, t.M, 8, 0, 2);
     },
     kInapplicable, 0},
    // Nothing but G and C: theta = 1, phi = 0.
    {"TamuraOnlyGcInapplicable",
     [](double& d) {
       const Table t{{kG, kG, 3}, {kC, kC, 3}, {kG, kC, 2}};
       return tamura_distance(d, t.M, 8, 0, 2);
     },
     kInapplicable, 0},
    // a = 1, P = 0.1, Q = 0.05: w2 = 0.75, w1 = 0.9,
    // (1/0.75 + 0.5/0.9 - 1.5) * 0.5 = 0.194444.
    {"GammaExample", [](double& d) { return gamma_distance(d, 20, 2, 1, 1.0); }, kApplicable,
     0.19444444444444442},
    {"GammaW1Inapplicable", [](double& d) { return gamma_distance(d, 10, 0, 5, 1.0); },
     kInapplicable, 0},
    {"GammaW2Inapplicable", [](double& d) { return gamma_distance(d, 10, 5, 0, 1.0); },
     kInapplicable, 0},
    // a = 0: e = -inf, w2^e = +inf, times a = 0 gives NaN.
    {"GammaZeroInapplicable", [](double& d) { return gamma_distance(d, 20, 2, 1, 0.0); },
     kInapplicable, 0},
    {"GammaNanInapplicable",
     [](double& d) {
       return gamma_distance(d, 20, 2, 1, std::numeric_limits<double>::quiet_NaN());
     },
     kInapplicable, 0},
    // Every compared residue differs: p = 1, x = 1 - 20/19 < 0.
    {"AminoPoissonAllDifferInapplicable", [](double& d) { return amino_distance(d, 5, 10, 10, 1.0); },
     kInapplicable, 0},
    {"AminoGammaAllDifferInapplicable", [](double& d) { return amino_distance(d, 7, 10, 10, 1.0); },
     kInapplicable, 0},
    {"AminoPDistanceAllDiffer", [](double& d) { return amino_distance(d, 6, 10, 10, 1.0); },
     kApplicable, 1.0},
    {"AminoGammaZeroInapplicable", [](double& d) { return amino_distance(d, 7, 3, 10, 0.0); },
     kInapplicable, 0},
    // 0.125 = 2/16, no difference but transversions; with equal frequencies
    // w3 = 0.75: method 15 gives -0.5 ln 0.75 = 0.143841, method 13 on the
    // same Q gives -0.25 ln 0.75 = 0.071921, half of it.
    {"VHasegawaEqualFrequencies",
     [](double& d) { return tamura_nei_distance(d, 15, tn_counts(14, 0, 0, 2, 8, 8, 8, 8), 16, 1.0); },
     kApplicable, 0.14384103622589045},
    {"VK2pEqualFrequenciesHalf",
     [](double& d) {
       const Table t{};
       return pair_distance(t.M, d, 13, 14, 0, 2, 16, 1.0);
     },
     kApplicable, 0.07192051811294523},
    // P1 = 6/16: w1 = 1 - 1.5 - 0.125 < 0; w3 = 0.75 > 0.
    {"TamuraNeiW1Inapplicable",
     [](double& d) { return tamura_nei_distance(d, 8, tn_counts(8, 6, 0, 2, 8, 8, 8, 8), 16, 1.0); },
     kInapplicable, 0},
    {"TamuraNeiGammaW1Inapplicable",
     [](double& d) { return tamura_nei_distance(d, 9, tn_counts(8, 6, 0, 2, 8, 8, 8, 8), 16, 1.0); },
     kInapplicable, 0},
    // Methods 15 and 16 never test w1 or w2: the same pair gives
    // -0.5 ln 0.75 = 0.143841.
    {"VHasegawaIgnoresW1",
     [](double& d) { return tamura_nei_distance(d, 15, tn_counts(8, 6, 0, 2, 8, 8, 8, 8), 16, 1.0); },
     kApplicable, 0.14384103622589045},
    // P2 = 6/16: w1 = 1, w2 = 1 - 1.5 < 0.
    {"TamuraNeiW2Inapplicable",
     [](double& d) { return tamura_nei_distance(d, 8, tn_counts(10, 0, 6, 0, 8, 8, 8, 8), 16, 1.0); },
     kInapplicable, 0},
    {"TamuraNeiGammaW2Inapplicable",
     [](double& d) { return tamura_nei_distance(d, 9, tn_counts(10, 0, 6, 0, 8, 8, 8, 8), 16, 1.0); },
     kInapplicable, 0},
    // Q = 8/16: w1 = w2 = 0.5, w3 = 1 - 1 = 0.
    {"TamuraNeiW3Inapplicable",
     [](double& d) { return tamura_nei_distance(d, 8, tn_counts(8, 0, 0, 8, 8, 8, 8, 8), 16, 1.0); },
     kInapplicable, 0},
    {"TamuraNeiGammaW3Inapplicable",
     [](double& d) { return tamura_nei_distance(d, 9, tn_counts(8, 0, 0, 8, 8, 8, 8, 8), 16, 1.0); },
     kInapplicable, 0},
    {"VHasegawaW3Inapplicable",
     [](double& d) { return tamura_nei_distance(d, 15, tn_counts(8, 0, 0, 8, 8, 8, 8, 8), 16, 1.0); },
     kInapplicable, 0},
    {"VHasegawaGammaW3Inapplicable",
     [](double& d) { return tamura_nei_distance(d, 16, tn_counts(8, 0, 0, 8, 8, 8, 8, 8), 16, 1.0); },
     kInapplicable, 0},
    // No A among 16 bases (T 6, G 6, C 4), 2 transversions of 8 sites:
    // gA gG = 0 and P1 = 0 make w1 = 0/0.
    {"TamuraNeiMissingBaseInapplicable",
     [](double& d) { return tamura_nei_distance(d, 8, tn_counts(6, 0, 0, 2, 0, 6, 6, 4), 8, 1.0); },
     kInapplicable, 0},
    {"TamuraNeiGammaMissingBaseInapplicable",
     [](double& d) { return tamura_nei_distance(d, 9, tn_counts(6, 0, 0, 2, 0, 6, 6, 4), 8, 1.0); },
     kInapplicable, 0},
    // The same pair under method 15: gR = 6/16, gY = 10/16, Q = 0.25,
    // w3 = 1 - 0.25 / (2 * 0.234375) = 0.466667,
    // d = -2 * 0.234375 * ln 0.466667 = 0.357253.
    {"VHasegawaMissingBase",
     [](double& d) { return tamura_nei_distance(d, 15, tn_counts(6, 0, 0, 2, 0, 6, 6, 4), 8, 1.0); },
     kApplicable, 0.3572531493969828},
    {"VHasegawaGammaZeroInapplicable",
     [](double& d) { return tamura_nei_distance(d, 16, tn_counts(14, 0, 0, 2, 8, 8, 8, 8), 16, 0.0); },
     kInapplicable, 0},
    {"TamuraNeiGammaZeroInapplicable",
     [](double& d) { return tamura_nei_distance(d, 9, tn_counts(12, 1, 1, 2, 8, 8, 8, 8), 16, 0.0); },
     kInapplicable, 0},
    {"VK2pInapplicable",
     [](double& d) {
       const Table t{};
       return pair_distance(t.M, d, 13, 5, 0, 5, 10, 1.0);
     },
     kInapplicable, 0},
    {"VK2pGammaInapplicable",
     [](double& d) {
       const Table t{};
       return pair_distance(t.M, d, 14, 5, 0, 5, 10, 1.0);
     },
     kInapplicable, 0},
    {"VK2pGammaZeroInapplicable",
     [](double& d) {
       const Table t{};
       return pair_distance(t.M, d, 14, 8, 0, 2, 10, 0.0);
     },
     kInapplicable, 0},
    // Every site a transversion: Q = 1.
    {"VProportionNeverFails",
     [](double& d) {
       const Table t{};
       return pair_distance(t.M, d, 12, 0, 0, 10, 10, 1.0);
     },
     kApplicable, 1.0},
    {"PDistanceNeverFails",
     [](double& d) {
       PairCounts c;
       c.D = 5;
       return distance_from_counts(d, 10, c, 5, 1.0);
     },
     kApplicable, 1.0},
    {"PDistanceWithGapNeverFails",
     [](double& d) {
       PairCounts c;
       c.D = 5;
       return distance_from_counts(d, 11, c, 5, 1.0);
     },
     kApplicable, 1.0},
};

class FormulaTest : public testing::TestWithParam<FormulaCase> {};

TEST_P(FormulaTest, StatusAndDistance) {
  const FormulaCase& c = GetParam();
  double d = kUntouched;
  EXPECT_EQ(c.eval(d), c.status);
  if (c.status == kApplicable) {
    EXPECT_NEAR(d, c.d, 1e-13);
  } else {
    EXPECT_EQ(d, kUntouched) << "d must not be written for a failing pair";
  }
}

INSTANTIATE_TEST_SUITE_P(Formulas, FormulaTest, testing::ValuesIn(kFormulaCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The outcome rules come before any formula: no difference means distance
// exactly 0, no compared site at all means -10.
struct OutcomeCase {
  const char* name;
  int method;
  PairCounts counts;
  int n;
  int status;
};

PairCounts with_s(int S) {
  PairCounts c;
  c.S = S;
  return c;
}

const OutcomeCase kOutcomeCases[] = {
    // Comparison 1 leaves S at 0; n alone says how many sites were compared.
    {"Comparison1NoDifference", 1, {}, 10, kApplicable},
    {"Comparison1NoSite", 0, {}, 0, kApplicable},
    // An empty table would give 0/0 frequencies if the formula ran.
    {"Comparison2NoDifference", 3, with_s(10), 10, kApplicable},
    {"Comparison2NoSite", 2, {}, 0, kApplicable},
    {"Comparison3NoDifference", 8, tn_counts(10, 0, 0, 0, 0, 10, 10, 0), 10, kApplicable},
    {"Comparison3NoSite", 16, {}, 0, kNoComparableSite},
    {"Comparison4NoSite", 6, {}, 10, kNoComparableSite},
    {"Comparison4NoSiteGamma", 7, {}, 10, kNoComparableSite},
    {"Comparison5NoSite", 10, {}, 10, kNoComparableSite},
    {"Comparison5NoSiteWithGap", 11, {}, 10, kNoComparableSite},
    {"UnknownMethod", 17, with_s(10), 10, kInapplicable},
};

class OutcomeTest : public testing::TestWithParam<OutcomeCase> {};

TEST_P(OutcomeTest, NoFormulaWithoutDifference) {
  const OutcomeCase& c = GetParam();
  double d = kUntouched;
  // Gamma 0 would make every gamma formula fail if it were evaluated.
  EXPECT_EQ(distance_from_counts(d, c.method, c.counts, c.n, 0.0), c.status);
  if (c.status == kApplicable) {
    EXPECT_EQ(d, 0.0);
    EXPECT_FALSE(std::signbit(d));
  } else {
    EXPECT_EQ(d, kUntouched);
  }
}

INSTANTIATE_TEST_SUITE_P(Formulas, OutcomeTest, testing::ValuesIn(kOutcomeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Two sequences of 20 sites:
//   ATGCATGCAATTGGCCATGC
//   GTGCACGCACTTTGCCATGC
// differ at site 0 (A/G), 5 (T/C), 9 (A/C) and 12 (G/T): P1 = 1, P2 = 1,
// Q = 2, S = 16; P = 0.1, Q = 0.1, p = 0.2. Bases of both: A 8, T 10, G 10,
// C 12 of 40, gA = 0.2, gT = 0.25, gG = 0.25, gC = 0.3, gR = 0.45, gY = 0.55.
// Gamma parameter a = 0.5, e = -2.
//  0 JC:  -0.75 ln(1 - 0.8/3) = 0.232616
//  1 K2P: -0.5 ln 0.7 - 0.25 ln 0.8 = 0.178337 + 0.055786 = 0.234123
//  2 Tajima-Nei: pairs A/G, T/C, A/C, G/T each f = 0.05;
//    h = 0.0025 (1/(2*0.2*0.25) + 1/(2*0.25*0.3) + 1/(2*0.2*0.3) + 1/(2*0.25*0.25))
//      = 0.0025 (10 + 6.6667 + 8.3333 + 8) = 0.0825,
//    b = (0.04/0.0825 + 1 - 0.04 - 0.0625 - 0.0625 - 0.09) * 0.5 = 0.614924,
//    d = -0.614924 ln(1 - 0.2/0.614924) = 0.241913
//  3 Tamura: theta = 0.55, C = 2 * 0.55 * 0.45 = 0.495,
//    d = -0.495 ln(1 - 0.1/0.495 - 0.1) - 0.5 * 0.505 ln 0.8 = 0.234328
//  4 Gamma: 0.25 (0.7^-2 + 0.5 * 0.8^-2 - 1.5) = 0.25 (2.040816 + 0.78125 - 1.5)
//    = 0.330517
//  w1 = 1 - 0.45 * 0.05 / (2 * 0.05) - 0.1 / 0.9 = 0.663889
//  w2 = 1 - 0.55 * 0.05 / (2 * 0.075) - 0.1 / 1.1 = 0.725758
//  w3 = 1 - 0.1 / (2 * 0.2475) = 0.797980
//  K = 0.2475 - 0.05 * 0.55 / 0.45 - 0.075 * 0.45 / 0.55 = 0.125025
//  8 TN: -2 (0.05/0.45 ln w1 + 0.075/0.55 ln w2 + K ln w3) = 0.234880
//  9 TN gamma: 1.0 (0.111111 w1^-2 + 0.136364 w2^-2 + K w3^-2 - 0.05 - 0.075
//    - 0.2475) = 0.334829
// 10, 11: 4/20 = 0.2     12: 2/20 = 0.1
// 13: -0.25 ln 0.8 = 0.055786     14: 0.125 (0.8^-2 - 1) = 0.0703125
// 15: -2 * 0.2475 ln w3 = 0.111708     16: 0.2475 (w3^-2 - 1) = 0.141179
struct AlignmentCase {
  int method;
  double d;
};

const AlignmentCase kNucleotideCases[] = {
    {0, 0.2326161962278796},  {1, 0.23412335979791857}, {2, 0.241913116749318},
    {3, 0.23432848079051594}, {4, 0.33051658163265296}, {8, 0.23488040673867536},
    {9, 0.3348288448754979},  {10, 0.2},                {11, 0.2},
    {12, 0.1},                {13, 0.05578588782855243}, {14, 0.07031249999999997},
    {15, 0.11170763884544638}, {16, 0.1411792981893927},
};

// Codes of a two-sequence alignment, with the complete-site list (every
// site) and the variable-site list (sites where the two differ).
struct PairAlignment {
  CharMatrix seqs;
  std::vector<int> complete;
  std::vector<int> variable;

  PairAlignment(const char* first, const char* second, const char* alphabet) {
    const int nsite = static_cast<int>(std::strlen(first));
    seqs = char_matrix(nsite, 2);
    for (int s = 0; s < nsite; ++s) {
      seqs[s][0] = static_cast<char>(std::strchr(alphabet, first[s]) - alphabet);
      seqs[s][1] = static_cast<char>(std::strchr(alphabet, second[s]) - alphabet);
      complete.push_back(s);
      if (first[s] != second[s]) variable.push_back(s);
    }
  }

  int distance(double& d, int method, double a) const {
    const SiteLists sites{complete.data(), static_cast<int>(complete.size()), variable.data(),
                          static_cast<int>(variable.size())};
    PairCounts counts;
    compare_pair(seqs, comparison_for(method), sites, 0, 1, counts);
    return distance_from_counts(d, method, counts, sites.n, a);
  }
};

TEST(FormulasOnAlignment, NucleotideMethods) {
  const PairAlignment pair("ATGCATGCAATTGGCCATGC", "GTGCACGCACTTTGCCATGC", "ATGC");
  for (const auto& c : kNucleotideCases) {
    double d = kUntouched;
    EXPECT_EQ(pair.distance(d, c.method, 0.5), kApplicable) << "method " << c.method;
    EXPECT_NEAR(d, c.d, 1e-13) << "method " << c.method;
  }
}

// MKTAYIAKQR / MKSAYLAKQH: 3 of 10 residues differ, p = 0.3,
// x = 1 - 0.3 * 20/19 = 0.684211; a = 0.5.
//  5: -0.95 ln x = 0.360515     6: 0.3
//  7: 0.95 * 0.5 (x^-2 - 1) = 0.475 * 1.136095 = 0.539645
TEST(FormulasOnAlignment, AminoAcidMethods) {
  const PairAlignment pair("MKTAYIAKQR", "MKSAYLAKQH", "ACDEFGHIKLMNPQRSTVWY");
  const AlignmentCase cases[] = {
      {5, 0.3605151406196585}, {6, 0.3}, {7, 0.5396449704142011}};
  for (const auto& c : cases) {
    double d = kUntouched;
    EXPECT_EQ(pair.distance(d, c.method, 0.5), kApplicable) << "method " << c.method;
    EXPECT_NEAR(d, c.d, 1e-13) << "method " << c.method;
  }
}

}  // namespace
}  // namespace gadrin
