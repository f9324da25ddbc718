#include "driver/newick.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace gadrin {
namespace {

template <class M, class T>
M fill(M m, std::initializer_list<std::initializer_list<T>> rows) {
  int i = 0;
  for (const auto& row : rows) {
    int j = 0;
    for (T v : row) m[i][j++] = v;
    ++i;
  }
  return m;
}

// A tree as the writer receives it: names, join and length tables, branch
// table and support counts.
struct Tree {
  int npop;
  CharMatrix names;
  IntMatrix join;
  DoubleMatrix brlen;
  IntMatrix branches;
  IntVector support;

  Tree(std::vector<std::string> popnames, std::initializer_list<std::initializer_list<int>> j,
       std::initializer_list<std::initializer_list<double>> b,
       std::initializer_list<std::initializer_list<int>> br, std::vector<int> sup)
      : npop(static_cast<int>(popnames.size())),
        names(char_matrix(npop, 64)),
        join(fill<IntMatrix, int>(int_matrix(npop - 2, 3), j)),
        brlen(fill<DoubleMatrix, double>(double_matrix(npop - 2, 3), b)),
        branches(fill<IntMatrix, int>(int_matrix(npop - 3, 2), br)),
        support(int_vector(npop - 3)) {
    for (int p = 0; p < npop; ++p) std::snprintf(names[p], 64, "%s", popnames[p].c_str());
    for (int b = 0; b < npop - 3; ++b) support[b] = sup[b];
  }

  std::string newick(int nboot) const {
    std::FILE* f = std::tmpfile();
    write_newick(f, npop, names, join, brlen, branches, support, nboot);
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), f), text.size());
    std::fclose(f);
    return text;
  }
};

// The five-leaf tree: node 6 joins leaves 4 and 5, node 7 leaves 1 and 2, and
// the centre holds 7, 3 and 6. Branch table rows: (2,3) is node 7 to the
// centre, (1,3) node 6 to the centre.
Tree five_leaves(std::vector<std::string> names = {"n1", "n2", "n3", "n4", "n5"}) {
  return Tree(names, {{4, 5, 0}, {1, 2, 0}, {7, 3, 6}}, {{5, 6, -99}, {1, 2, -99}, {3, 4, 7}},
              {{2, 3}, {1, 3}}, {2, 3});
}

// Six leaves, no leaf at the first level twice: node 7 = (2, 5), node 8 =
// (7, 1), node 9 = (3, 6), centre (8, 4, 9). Internal indices 1, 2, 3 and 4
// for the centre; the branches in the order the partition step lists them
// are (1,2), (2,4), (3,4). Names that need quoting, lengths that need all
// their digits.
Tree six_leaves() {
  return Tree({"alpha", "it's", "x(y)", "under_score", "a,b;c", "\xe6\x97\xa5[1]"},
              {{2, 5, 0}, {7, 1, 0}, {3, 6, 0}, {8, 4, 9}},
              {{0.1, -0.25, 0}, {2.5e-8, 0.1 + 0.2, 0}, {1.0 / 3, 7, 0}, {0.5, -0.0, 1e22}},
              {{1, 2}, {2, 4}, {3, 4}}, {5, 1, 7});
}

TEST(Newick, FiveLeafTreeText) {
  // Centre's children in row order: node 7 (leaves 1, 2; length 3, support
  // row 0: 2 of 3 = 66.66%), leaf 3 (4), node 6 (leaves 4, 5; length 7,
  // support row 1: 3 of 3 = 100%).
  EXPECT_EQ(five_leaves().newick(3), "((n1:1,n2:2)66.66:3,n3:4,(n4:5,n5:6)100:7);\n");
  EXPECT_EQ(five_leaves().newick(0), "((n1:1,n2:2):3,n3:4,(n4:5,n5:6):7);\n");
}

TEST(Newick, ThreeLeavesAreAStar) {
  Tree t({"a", "b", "c"}, {{1, 2, 3}}, {{1, 2, 4}}, {}, {});
  EXPECT_EQ(t.newick(10), "(a:1,b:2,c:4);\n");
}

TEST(Newick, NamesAreQuotedWhenTheyMustBe) {
  Tree t = five_leaves({"o'k", "a b", "", "_", "plain-1.x"});
  EXPECT_EQ(t.newick(0), "(('o''k':1,'a b':2):3,'':4,('_':5,plain-1.x:6):7);\n");
}

TEST(Newick, SupportIsRoundedDownToTwoDecimals) {
  struct Case {
    int count, nboot;
    const char* text;
  };
  const Case cases[] = {
      {3, 3, "100"},         {2, 3, "66.66"},         {1, 3, "33.33"},
      {1, 8, "12.5"},        {7, 10, "70"},           {0, 5, "0"},
      {99999, 100000, "99.99"}, {1, 1000000, "0"},
      {2147483647, 2147483647, "100"},  // no overflow in count * 10000
  };
  for (const Case& c : cases) {
    char buffer[24];
    EXPECT_STREQ(format_support(buffer, sizeof buffer, c.count, c.nboot), c.text)
        << c.count << "/" << c.nboot;
  }
}

// A small Newick reader: quoted and unquoted labels (an underscore in an
// unquoted label stands for a blank), internal labels and lengths.
struct Parsed {
  struct Node {
    std::string label;
    std::optional<double> length;
    std::vector<int> children;
  };
  std::vector<Node> nodes;
  const char* p;
  bool ok = true;

  explicit Parsed(const std::string& text) : p(text.c_str()) {
    subtree();
    ok = ok && *p == ';' && std::strcmp(p, ";\n") == 0;
  }
  int subtree() {
    const int id = static_cast<int>(nodes.size());
    nodes.emplace_back();
    if (*p == '(') {
      do {
        ++p;
        const int child = subtree();
        nodes[id].children.push_back(child);
      } while (*p == ',');
      if (*p++ != ')') ok = false;
    }
    nodes[id].label = label();
    if (*p == ':') {
      char* end;
      nodes[id].length = std::strtod(p + 1, &end);
      if (end == p + 1) ok = false;
      p = end;
    }
    return id;
  }
  std::string label() {
    std::string s;
    if (*p == '\'') {
      for (++p;; ++p) {
        if (*p == '\0') return ok = false, s;
        if (*p == '\'' && *++p != '\'') return s;
        s += *p;
      }
    }
    for (; *p && !std::strchr("()[]':;,", *p) && *p > ' '; ++p) s += *p == '_' ? ' ' : *p;
    return s;
  }
};

using LeafSet = std::set<std::string>;
struct Branch {
  double length;
  std::string label;
  bool operator==(const Branch&) const = default;
};

// Every branch of the parsed tree, keyed by the names below it.
void parsed_branches(const Parsed& t, int id, LeafSet& below, std::map<LeafSet, Branch>& out) {
  const Parsed::Node& node = t.nodes[id];
  if (node.children.empty()) below.insert(node.label);
  for (int c : node.children) {
    LeafSet child;
    parsed_branches(t, c, child, out);
    EXPECT_TRUE(t.nodes[c].length.has_value());
    out[child] = {t.nodes[c].length.value_or(-1), t.nodes[c].children.empty() ? "" : t.nodes[c].label};
    below.insert(child.begin(), child.end());
  }
}

// The same, straight from the join table: the leaves below the node of row
// k, and the branch to each of its children with the support label `labels`
// gives for the branch-table row that holds (child, k+1).
LeafSet table_branches(const Tree& t, int k, const std::vector<std::string>& labels,
                       std::map<LeafSet, Branch>& out) {
  LeafSet below;
  for (int m = 0; m < (k == t.npop - 3 ? 3 : 2); ++m) {
    const int node = t.join[k][m];
    LeafSet child;
    std::string label;
    if (node <= t.npop) {
      child.insert(t.names[node - 1]);
    } else {
      child = table_branches(t, node - t.npop - 1, labels, out);
      for (int b = 0; b < t.npop - 3; ++b)
        if (t.branches[b][0] == node - t.npop && t.branches[b][1] == k + 1) label = labels[b];
    }
    out[child] = {t.brlen[k][m], label};
    below.insert(child.begin(), child.end());
  }
  return below;
}

TEST(Newick, ReadsBackToTheSameTree) {
  struct Case {
    const char* name;
    Tree tree;
    int nboot;
    std::vector<std::string> labels;  // support percentage per branch-table row
  };
  // Five leaves: 2 and 3 of 4 replicates. Six leaves: 5, 1 and 7 of 8.
  Case cases[] = {
      {"five", five_leaves(), 4, {"50", "75"}},
      {"five_no_bootstrap", five_leaves(), 0, {"", ""}},
      {"six", six_leaves(), 8, {"62.5", "12.5", "87.5"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = c.tree.newick(c.nboot);
    Parsed parsed(text);
    ASSERT_TRUE(parsed.ok) << text;
    EXPECT_EQ(parsed.nodes[0].children.size(), 3u);
    std::map<LeafSet, Branch> read, expected;
    LeafSet all;
    parsed_branches(parsed, 0, all, read);
    const LeafSet all_expected = table_branches(c.tree, c.tree.npop - 3, c.labels, expected);
    EXPECT_EQ(all, all_expected);
    EXPECT_EQ(read.size(), static_cast<std::size_t>(2 * c.tree.npop - 3));
    EXPECT_EQ(read, expected) << text;
  }
}

}  // namespace
}  // namespace gadrin
