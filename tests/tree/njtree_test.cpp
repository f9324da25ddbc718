#include "tree/njtree.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <vector>

#include "tree/random.h"

namespace gadrin {
namespace {

using Row = std::array<double, 3>;
using JoinRow = std::array<int, 3>;

constexpr double kUnwritten = -999.0;  // brlen column 2 of a pairwise join keeps it

// Work arrays for one tree of n leaves, sized as the run driver sizes them.
// The diagonal and lower triangle of dist hold sentinels 1000 + 10 a + b
// that would change every result if read.
struct Workspace {
  explicit Workspace(int n_, const std::vector<double>& upper) : n(n_) {
    int t = 0;
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b) dist[a][b] = b > a ? upper[t++] : sentinel(a, b);
    for (int r = 0; r < n; ++r) brlen[r][0] = brlen[r][1] = brlen[r][2] = kUnwritten;
  }
  static double sentinel(int a, int b) { return 1000.0 + 10 * a + b; }

  int build() { return njtree(n, dist, join, brlen, otu, pair, qval, joindist, rowsum); }
  int build_replicate(int& rng_state, double tol) {
    return njtree_replicate(n, dist, join, brlen, otu, pair, tie, qval, joindist, rowsum,
                            rng_state, tol);
  }

  std::vector<JoinRow> joins() const {
    std::vector<JoinRow> rows;
    for (int r = 0; r <= n - 3; ++r) rows.push_back({join[r][0], join[r][1], join[r][2]});
    return rows;
  }
  std::vector<Row> lengths() const {
    std::vector<Row> rows;
    for (int r = 0; r <= n - 3; ++r) rows.push_back({brlen[r][0], brlen[r][1], brlen[r][2]});
    return rows;
  }
  bool sentinels_intact() const {
    for (int a = 0; a < n; ++a)
      for (int b = 0; b <= a; ++b)
        if (dist[a][b] != sentinel(a, b)) return false;
    return true;
  }

  int n;
  int npair = n * (n - 1) / 2;
  DoubleMatrix dist = double_matrix(n, n);
  IntMatrix join = int_matrix(n - 2, 3);
  DoubleMatrix brlen = double_matrix(n, 3);
  IntVector otu = int_vector(n);
  IntMatrix pair = int_matrix(npair, 2);
  IntVector tie = int_vector(npair);
  DoubleVector qval = double_vector(npair);
  DoubleVector joindist = double_vector(n);
  DoubleVector rowsum = double_vector(n);
};

// The generator just after the run driver's seeding call with seed 1234,
// then `skip` further draws. The values following the seeding call are
// 0.317602813, 0.452604383, 0.78913343, ...
int seeded_1234(int skip) {
  ran1_reset();
  int state = -1234;
  for (int i = 0; i <= skip; ++i) (void)ran1(state);
  return state;
}

struct NjCase {
  const char* name;
  int n;
  std::vector<double> upper;  // d(1,2), d(1,3), ..., d(n-1,n)
  std::vector<JoinRow> join;
  std::vector<Row> brlen;
  friend void PrintTo(const NjCase& c, std::ostream* os) { *os << c.name; }
};

const NjCase kNjCases[] = {
    // No join step; the star lengths are (3 - 6 + 5)/2, (6 - 5 + 3)/2,
    // (6 - 3 + 5)/2.
    {"three_leaves", 3, {3, 5, 6}, {{1, 2, 3}}, {{1, 2, 4}}},
    // R = 20, 22, 24, 26. Criteria 2d - R: (1,2) -36, (1,3) -28, (1,4) -28,
    // (2,3) -28, (2,4) -28, (3,4) -36: (1,2) wins the tie by coming first.
    // Lengths 1.5 -+ (22 - 20)/4 = 1, 2. New d(5,3) = 8.5, d(5,4) = 9.5,
    // d(3,4) = 7: (8.5 - 7 + 9.5)/2 - 3/2 = 4, (7 - 9.5 + 8.5)/2 = 3,
    // (7 - 8.5 + 9.5)/2 = 4.
    {"four_leaves_tie",
     4,
     {3, 8, 9, 9, 10, 7},
     {{1, 2, 0}, {5, 3, 4}},
     {{1, 2, kUnwritten}, {4, 3, 4}}},
    // Path lengths of the tree with leaf branches 1, 2, 4 (leaf 3), 5 (leaf
    // 4), 6 (leaf 5) and inner branches 3 (above leaves 1, 2) and 7 (above
    // leaves 4, 5). Step 0: R = 44, 47, 50, 60, 63, criterion 3 x 11 - 63 -
    // 60 = -90 is the least: leaves 4, 5 -> node 6 with 5.5 -+ 3/6 = 5, 6.
    // Step 1: d(6,1) = 16.5, d(6,2) = 17.5, d(6,3) = 16.5, R = 27.5, 29.5,
    // 33.5, 50.5; (1,2) and (3,6) both give -51 and (1,2) comes first ->
    // node 7 with 1.5 -+ 2/4 = 1, 2. Centre (7, 3, 6): d(7,3) = 8.5,
    // d(7,6) = 17, d(3,6) = 16.5 give 4.5 - 3/2, 4, 12.5 - 11/2.
    {"five_leaves",
     5,
     {3, 8, 16, 17, 9, 17, 18, 16, 17, 11},
     {{4, 5, 0}, {1, 2, 0}, {7, 3, 6}},
     {{5, 6, kUnwritten}, {1, 2, kUnwritten}, {3, 4, 7}}},
    // Path lengths of the tree A -9- B -8- C -1- D, with leaves 2 (length
    // 5) and 4 (6) on A, 1 (1) on B, 3 (4) on C, 5 (3) and 6 (2) on D.
    // Step 0 joins positions 1 and 3 (leaves 2, 4; criterion 4 x 11 -
    // 107 - 103 = -166, the least), so rows below position 3 move up and
    // left; step 1 joins positions 0 and 1, step 2 the new node with leaf
    // 3. Neighbour-joining recovers every length of an additive tree.
    {"six_leaves_compaction",
     6,
     {15, 13, 16, 13, 12, 26, 11, 26, 25, 27, 8, 7, 27, 26, 5},
     {{2, 4, 0}, {1, 7, 0}, {8, 3, 0}, {9, 5, 6}},
     {{5, 6, kUnwritten}, {1, 9, kUnwritten}, {8, 4, kUnwritten}, {1, 3, 2}}},
    // Not tree-like: R = 21, 5, 13, 13; (1,2) and (3,4) tie at -24, (1,2)
    // wins. Lengths 0.5 -+ (21 - 5)/4 = 4.5, -3.5. Centre: d(5,3) = d(5,4)
    // = 6, d(3,4) = 1: (6 - 1 + 6)/2 - 1/2 = 5, 0.5, 0.5.
    {"negative_length",
     4,
     {1, 10, 10, 2, 2, 1},
     {{1, 2, 0}, {5, 3, 4}},
     {{4.5, -3.5, kUnwritten}, {5, 0.5, 0.5}}},
};

class NjTree : public testing::TestWithParam<NjCase> {};

TEST_P(NjTree, BuildsJoinAndLengthTables) {
  const NjCase& c = GetParam();
  Workspace w(c.n, c.upper);
  EXPECT_EQ(w.build(), 0);
  EXPECT_EQ(w.joins(), c.join);
  EXPECT_EQ(w.lengths(), c.brlen);
  EXPECT_TRUE(w.sentinels_intact());
}

// With tol 0 no pair is ever a candidate besides the first minimum, so the
// replicate builder takes no number and, on these matrices (no rounding in
// the criteria), builds the same tree.
TEST_P(NjTree, ReplicateWithoutNearTiesMatchesAndDrawsNothing) {
  const NjCase& c = GetParam();
  Workspace w(c.n, c.upper);
  int state = seeded_1234(0);
  EXPECT_EQ(w.build_replicate(state, 0.0), 0);
  EXPECT_EQ(w.joins(), c.join);
  EXPECT_EQ(w.lengths(), c.brlen);
  EXPECT_TRUE(w.sentinels_intact());
  EXPECT_EQ(ran1(state), 0.317602813f);
}

INSTANTIATE_TEST_SUITE_P(Examples, NjTree, testing::ValuesIn(kNjCases),
                         [](const auto& info) { return std::string(info.param.name); });

const std::vector<double> kFourLeaves = {3, 8, 9, 9, 10, 7};

struct TieCase {
  const char* name;
  int skip;      // draws skipped after seeding: the next value is u
  double tol;
  std::vector<JoinRow> join;
  std::vector<Row> brlen;
  friend void PrintTo(const TieCase& c, std::ostream* os) { *os << c.name; }
};

// Criteria of the four-leaf matrix: -36 for (1,2) and (3,4), -28 for the
// four others, exactly 8 above.
const TieCase kTieCases[] = {
    // u = 0.3176 < 0.5: candidate 0 of {(1,2), (3,4)}.
    {"low_draw_joins_first_pair", 0, 1e-11, {{1, 2, 0}, {5, 3, 4}},
     {{1, 2, kUnwritten}, {4, 3, 4}}},
    // u = 0.7891 >= 0.5: leaves 3, 4 -> node 5 with 3.5 -+ (26 - 24)/4 =
    // 3, 4; centre (1, 2, 5) with d(1,5) = 8.5, d(2,5) = 9.5: (3 - 9.5 +
    // 8.5)/2 = 1, (9.5 - 8.5 + 3)/2 = 2, (9.5 - 3 + 8.5)/2 - 7/2 = 4.
    {"high_draw_joins_second_pair", 2, 1e-11, {{3, 4, 0}, {1, 2, 5}},
     {{3, 4, kUnwritten}, {1, 2, 4}}},
    // The pairs exactly tol = 8 away are no candidates: still two, and
    // 0.7891 x 2 picks the second.
    {"exactly_tol_is_not_a_candidate", 2, 8.0, {{3, 4, 0}, {1, 2, 5}},
     {{3, 4, kUnwritten}, {1, 2, 4}}},
    // Just above 8 all six pairs are candidates, in pair order after the
    // first minimum (pair 0): 0.7891 x 6 = 4.73 picks pair 4 = (2,4).
    // R = 20, 22, 24, 26: 5 -+ (22 - 26)/4 = 4, 6. Centre (1, 5, 3):
    // d(1,5) = 6, d(1,3) = 8, d(5,3) = 8: (6 - 8 + 8)/2 = 3, (8 - 8 + 6)/2
    // - 5 = -2, (8 - 6 + 8)/2 = 5.
    {"all_within_tol", 2, 8.000001, {{2, 4, 0}, {1, 5, 3}},
     {{4, 6, kUnwritten}, {3, -2, 5}}},
};

class NjReplicateTie : public testing::TestWithParam<TieCase> {};

TEST_P(NjReplicateTie, DrawsOnceAmongCandidates) {
  const TieCase& c = GetParam();
  Workspace w(4, kFourLeaves);
  int state = seeded_1234(c.skip);
  int reference = seeded_1234(c.skip + 1);
  const float after_one_draw = ran1(reference);

  state = seeded_1234(c.skip);
  EXPECT_EQ(w.build_replicate(state, c.tol), 0);
  EXPECT_EQ(w.joins(), c.join);
  EXPECT_EQ(w.lengths(), c.brlen);
  EXPECT_EQ(ran1(state), after_one_draw);
}

INSTANTIATE_TEST_SUITE_P(FourLeaves, NjReplicateTie, testing::ValuesIn(kTieCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Leaves 1 and 4 are the cherry: criteria (1,2) -28, (1,3) -28, (1,4) -36,
// (2,3) -36, (2,4) -28, (3,4) -28. The first minimum is pair 2, so the
// candidate list is pairs 2, 0, 1, 3, 4, 5 and u = 0.3176 x 6 = 1.9 picks
// pair 0 = (1,2); a list in plain pair order would pick (1,3).
TEST(NjReplicate, FirstMinimumLeadsTheCandidates) {
  Workspace w(4, {8, 9, 3, 7, 9, 10});
  int state = seeded_1234(0);
  w.build_replicate(state, 100.0);
  EXPECT_EQ(w.joins()[0], (JoinRow{1, 2, 0}));
}

// Steps with five and six nodes have a unique best pair; only the last
// step with four nodes meets the tie of complementary pairs.
TEST(NjReplicate, DrawsOnlyAtNearTies) {
  for (const NjCase& c : kNjCases) {
    if (c.n < 5) continue;
    Workspace w(c.n, c.upper);
    int state = seeded_1234(0);
    w.build_replicate(state, 1e-11);
    EXPECT_EQ(ran1(state), 0.452604383f) << c.name;  // one draw taken
  }
}

TEST(NjReplicate, ThreeLeavesDrawNothing) {
  Workspace w(3, {3, 5, 6});
  int state = seeded_1234(0);
  w.build_replicate(state, 1e-11);
  EXPECT_EQ(w.joins(), (std::vector<JoinRow>{{1, 2, 3}}));
  EXPECT_EQ(ran1(state), 0.317602813f);
}

// (1,3) and (2,4) tie in exact arithmetic (2d - R = -0.492). Subtracting
// R(j) first stores -0.492 for (1,3) and for (2,4) (first minimum: (1,3));
// subtracting R(i) first stores -0.49200000000000005 for (2,4), which then
// is strictly smaller. With tol 0 the replicate builder keeps its first
// minimum, so the order of the subtractions shows in the tree.
TEST(NjReplicate, CriterionSubtractsRowSumsInItsOwnOrder) {
  const std::vector<double> upper = {0.229, 0.082, 0.042, 0.191, 0.11, 0.03};
  Workspace observed(4, upper);
  observed.build();
  EXPECT_EQ(observed.joins()[0], (JoinRow{1, 3, 0}));

  Workspace replicate(4, upper);
  int state = seeded_1234(0);
  replicate.build_replicate(state, 0.0);
  EXPECT_EQ(replicate.joins()[0], (JoinRow{2, 4, 0}));
}

}  // namespace
}  // namespace gadrin
