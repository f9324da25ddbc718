#include "tree/partitions.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace gadrin {
namespace {

using JoinRow = std::array<int, 3>;
using Slots = std::array<std::array<int, 2>, 3>;  // (kind, num) per slot

// One tree's tables, sized as the run driver sizes them: node records,
// branch table and partition table, with the partition working storage.
struct TreeTables {
  explicit TreeTables(int n_) : n(n_) {}

  void set_join(const std::vector<JoinRow>& rows) {
    for (int r = 0; r < n - 2; ++r)
      for (int c = 0; c < 3; ++c) join[r][c] = rows[r][c];
  }
  void set_nodes(const std::vector<Slots>& records) {
    for (int k = 0; k < n - 2; ++k)
      for (int c = 0; c < 3; ++c) {
        nodes[k].kind[c] = static_cast<std::int8_t>(records[k][c][0]);
        nodes[k].num[c] = records[k][c][1];
      }
  }
  int partitions() {
    return tree_partitions(n, nodes, partition, branches, leaf_side, node_side, done);
  }
  void build(const std::vector<JoinRow>& rows) {
    set_join(rows);
    EXPECT_EQ(tree_to_nodes(n, join, nodes), 0);
    EXPECT_EQ(partitions(), 0);
  }

  std::vector<Slots> records() const {
    std::vector<Slots> out;
    for (int k = 0; k < n - 2; ++k) {
      Slots s;
      for (int c = 0; c < 3; ++c) s[c] = {nodes[k].kind[c], nodes[k].num[c]};
      out.push_back(s);
    }
    return out;
  }
  std::vector<std::array<int, 2>> branch_rows() const {
    std::vector<std::array<int, 2>> out;
    for (int b = 0; b < n - 3; ++b) out.push_back({branches[b][0], branches[b][1]});
    return out;
  }
  // Partition rows as digit strings, leaf 1 first.
  std::vector<std::string> partition_rows() const {
    std::vector<std::string> out;
    for (int b = 0; b < n - 3; ++b) {
      std::string row;
      for (int k = 0; k < n; ++k) row += static_cast<char>('0' + partition[b][k]);
      out.push_back(row);
    }
    return out;
  }

  int n;
  IntMatrix join = int_matrix(n - 2, 3);
  TnodeArray nodes = tnode_array(n - 2);
  CharMatrix partition = char_matrix(n - 3, n);
  IntMatrix branches = int_matrix(n - 3, 2);
  CharVector leaf_side = char_vector(n);
  CharVector node_side = char_vector(n - 2);
  CharVector done = char_vector(n - 2);
};

// Tests that change the verbosity level put it back to 0.
class Partitions : public testing::Test {
 protected:
  void TearDown() override { verbosity = 0; }
};

// Joins: leaves 4, 5 -> node 6; leaves 1, 2 -> node 7; centre (7, 3, 6).
const std::vector<JoinRow> kFiveLeaves = {{4, 5, 0}, {1, 2, 0}, {7, 3, 6}};
// The same unrooted tree with the joins made in the other order.
const std::vector<JoinRow> kFiveLeavesReordered = {{1, 2, 0}, {4, 5, 0}, {6, 3, 7}};
// Splits 13|245 and 24|135: nothing in common with kFiveLeaves.
const std::vector<JoinRow> kFiveLeavesOther = {{1, 3, 0}, {2, 4, 0}, {6, 5, 7}};

TEST_F(Partitions, FiveLeafTree) {
  TreeTables t(5);
  t.build(kFiveLeaves);
  // Node 6 has internal index 1, node 7 index 2, the centre index 3.
  EXPECT_EQ(t.records(), (std::vector<Slots>{{{{0, 4}, {0, 5}, {1, 3}}},
                                             {{{0, 1}, {0, 2}, {1, 3}}},
                                             {{{1, 2}, {0, 3}, {1, 1}}}}));
  // Record 2 names 2 before 1, so (2,3) is listed first.
  EXPECT_EQ(t.branch_rows(), (std::vector<std::array<int, 2>>{{2, 3}, {1, 3}}));
  // (2,3): leaves 1, 2 on the side of node 2 against 3, 4, 5; (1,3):
  // leaves 4, 5 against 1, 2, 3. The smaller side is marked.
  EXPECT_EQ(t.partition_rows(), (std::vector<std::string>{"11000", "00011"}));
}

// Joins: (2,4) -> 7, (1,7) -> 8, (8,3) -> 9, centre (9, 5, 6). Branch (1,2)
// cuts off leaves 2, 4; branch (2,3) splits 1, 2, 4 from 3, 5, 6 (equal
// sides: node 2's side is marked); branch (3,4) has one leaf (3) seeded on
// node 3's side and three more reached by flooding over two passes
// (records 2 then 1), so the other side, leaves 5, 6, is marked.
TEST_F(Partitions, SixLeafTreeMarksTheSmallerSide) {
  TreeTables t(6);
  t.build({{2, 4, 0}, {1, 7, 0}, {8, 3, 0}, {9, 5, 6}});
  EXPECT_EQ(t.branch_rows(), (std::vector<std::array<int, 2>>{{1, 2}, {2, 3}, {3, 4}}));
  EXPECT_EQ(t.partition_rows(), (std::vector<std::string>{"010100", "110100", "000011"}));
}

TEST_F(Partitions, ThreeLeavesHaveNoBranch) {
  TreeTables t(3);
  t.build({{1, 2, 3}});
  EXPECT_EQ(t.records(), (std::vector<Slots>{{{{0, 1}, {0, 2}, {0, 3}}}}));
  IntVector support = int_vector(1);
  support[0] = 7;  // one past the n - 3 = 0 entries: must stay
  IntVector cand = int_vector(1);
  CharVector obs_row = char_vector(3), comp_row = char_vector(3);
  EXPECT_EQ(count_support(3, t.partition, t.partition, support, cand, obs_row, comp_row), 0);
  EXPECT_EQ(support[0], 7);
}

// Equal sides: the side of internal node 1 is marked, here (1,2) for one
// join order and (3,4) for the other.
TEST_F(Partitions, FourLeafRowsAreComplements) {
  TreeTables observed(4), replicate(4);
  observed.build({{1, 2, 0}, {5, 3, 4}});
  replicate.build({{3, 4, 0}, {1, 2, 5}});
  EXPECT_EQ(observed.partition_rows(), std::vector<std::string>{"1100"});
  EXPECT_EQ(replicate.partition_rows(), std::vector<std::string>{"0011"});
}

struct DumpCase {
  int level;
  const char* text;
};

TEST_F(Partitions, VerbosityDumps) {
  const DumpCase cases[] = {
      {0, ""},
      {1, " 1 1 0 0 0\n 0 0 0 1 1\n"},
      {2, "nodes 0:0 4  0 5  1 3  \nnodes 1:0 1  0 2  1 3  \nnodes 2:1 2  0 3  1 1  \n"},
      {3, ""},
  };
  for (const DumpCase& c : cases) {
    verbosity = c.level;
    TreeTables t(5);
    testing::internal::CaptureStdout();
    t.build(kFiveLeaves);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.text) << "level " << c.level;
  }
}

// Observed and replicate trees built through the join tables, and the
// support that one replicate adds.
struct SupportCase {
  const char* name;
  int n;
  std::vector<JoinRow> observed;
  std::vector<JoinRow> replicate;
  std::vector<int> before;
  std::vector<int> after;
  friend void PrintTo(const SupportCase& c, std::ostream* os) { *os << c.name; }
};

const SupportCase kSupportCases[] = {
    {"identical_adds_one_each", 6,
     {{2, 4, 0}, {1, 7, 0}, {8, 3, 0}, {9, 5, 6}},
     {{2, 4, 0}, {1, 7, 0}, {8, 3, 0}, {9, 5, 6}},
     {5, 0, 2}, {6, 1, 3}},
    // Rows come in the other order: (1,3) marks 11000, (2,3) 00011.
    {"same_tree_other_join_order", 5, kFiveLeaves, kFiveLeavesReordered, {0, 0}, {1, 1}},
    {"no_shared_branch", 5, kFiveLeaves, kFiveLeavesOther, {4, 4}, {4, 4}},
    // Four leaves, equal sides: the observed row marks 1, 2 (node 1 =
    // node 5 = (1,2)), the replicate's marks 3, 4 (its node 5 = (3,4)).
    {"four_leaves_complement", 4, {{1, 2, 0}, {5, 3, 4}}, {{3, 4, 0}, {1, 2, 5}}, {0}, {1}},
    // Split 13|24 is neither 12|34 nor its complement.
    {"four_leaves_other_split", 4, {{1, 2, 0}, {5, 3, 4}}, {{1, 3, 0}, {5, 2, 4}}, {0}, {0}},
};

class Support : public testing::TestWithParam<SupportCase> {};

TEST_P(Support, CountsMatchingBranches) {
  const SupportCase& c = GetParam();
  TreeTables observed(c.n), replicate(c.n);
  observed.build(c.observed);
  replicate.build(c.replicate);
  const int nbranch = c.n - 3;
  IntVector support = int_vector(nbranch);
  for (int i = 0; i < nbranch; ++i) support[i] = c.before[i];
  IntVector cand = int_vector(nbranch);
  CharVector obs_row = char_vector(c.n), comp_row = char_vector(c.n);

  EXPECT_EQ(count_support(c.n, observed.partition, replicate.partition, support, cand, obs_row,
                          comp_row),
            0);
  EXPECT_EQ(std::vector<int>(support.data(), support.data() + nbranch), c.after);
}

INSTANTIATE_TEST_SUITE_P(Replicates, Support, testing::ValuesIn(kSupportCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct MalformedCase {
  const char* name;
  int n;
  std::vector<Slots> records;
  const char* message;
  friend void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }
};

const MalformedCase kMalformed[] = {
    // No record names another internal node.
    {"no_branch", 5,
     {{{{0, 1}, {0, 2}, {0, 3}}}, {{{0, 4}, {0, 5}, {0, 1}}}, {{{0, 2}, {0, 3}, {0, 4}}}},
     "^number of internal branches invalid 0\n$"},
    // Two branches for a table with room for one: counted, not stored.
    {"too_many_branches", 4,
     {{{{0, 1}, {0, 2}, {0, 3}}}, {{{1, 1}, {1, 1}, {0, 4}}}},
     "^number of internal branches invalid 2\n$"},
    // Records 1-2 and 3-4 form two separate pieces (the second linked
    // twice, so there are n - 3 = 3 branches). Branch (1,2) reaches leaves
    // 1, 2 (right) and 3, 4 (left) and then nothing more.
    {"disconnected", 6,
     {{{{0, 1}, {0, 2}, {1, 2}}},
      {{{1, 1}, {0, 3}, {0, 4}}},
      {{{0, 5}, {1, 4}, {1, 4}}},
      {{{1, 3}, {1, 3}, {0, 6}}}},
     "^nl=2 nr=2 nseq=6\n$"},
};

class PartitionsDeathTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(PartitionsDeathTest, EndsTheRunWithItsMessage) {
  const MalformedCase& c = GetParam();
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        TreeTables t(c.n);
        t.set_nodes(c.records);
        (void)t.partitions();
      },
      testing::ExitedWithCode(1), c.message);
}

INSTANTIATE_TEST_SUITE_P(Records, PartitionsDeathTest, testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gadrin
