#include "driver/table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace gadrin {
namespace {

// Results of npop populations, with standard errors.
struct Results {
  int npop;
  CharMatrix names;
  DoubleVector within, within_se;
  DoubleMatrix between, between_se;
  double whole = 0, whole_se = 0;

  explicit Results(std::vector<std::string> popnames)
      : npop(static_cast<int>(popnames.size())),
        names(char_matrix(npop, 16)),
        within(double_vector(npop)),
        within_se(double_vector(npop)),
        between(double_matrix(npop, npop)),
        between_se(double_matrix(npop, npop)) {
    for (int p = 0; p < npop; ++p) std::snprintf(names[p], 16, "%s", popnames[p].c_str());
  }
  std::string table(int nboot) {
    std::FILE* f = std::tmpfile();
    write_table(f, npop, names, within, between, whole, within_se, between_se, whole_se, nboot);
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), f), text.size());
    std::fclose(f);
    return text;
  }
};

const std::string kHeader =
    "kind\tpop1\tpop2\tname1\tname2\tdiversity\tdiversity_se\tdxy\tdxy_se\tda\tda_se\n";

// Two populations: diversities 0.1 and 0.25, dxy 0.3 (below the diagonal),
// da 0.125 (above), whole 0.2. "%.17g" gives 0.10000000000000001,
// 0.29999999999999999 and 0.20000000000000001 for the three that are not
// binary fractions.
Results two_populations() {
  Results r({"north", "south"});
  r.within[0] = 0.1, r.within[1] = 0.25;
  r.between[1][0] = 0.3, r.between[0][1] = 0.125;
  r.whole = 0.2;
  r.within_se[0] = 0.5, r.within_se[1] = NAN;
  r.between_se[1][0] = 1e-300, r.between_se[0][1] = INFINITY;
  r.whole_se = 0;
  return r;
}

TEST(Table, WithoutReplicatesTheStandardErrorsAreEmpty) {
  EXPECT_EQ(two_populations().table(0),
            kHeader +
                "population\t1\t\tnorth\t\t0.10000000000000001\t\t\t\t\t\n"
                "population\t2\t\tsouth\t\t0.25\t\t\t\t\t\n"
                "pair\t1\t2\tnorth\tsouth\t\t\t0.29999999999999999\t\t0.125\t\n"
                "whole\t\t\t\t\t0.20000000000000001\t\t\t\t\t\n");
}

TEST(Table, WithReplicatesEveryValueHasItsStandardError) {
  EXPECT_EQ(two_populations().table(5),
            kHeader +
                "population\t1\t\tnorth\t\t0.10000000000000001\t0.5\t\t\t\t\n"
                "population\t2\t\tsouth\t\t0.25\tNaN\t\t\t\t\n"
                "pair\t1\t2\tnorth\tsouth\t\t\t0.29999999999999999\t1e-300\t0.125\tInf\n"
                "whole\t\t\t\t\t0.20000000000000001\t0\t\t\t\t\n");
}

TEST(Table, NamesWithQuotesAreQuoted) {
  Results r({"it's", "a\"b", "plain"});
  const std::string text = r.table(0);
  EXPECT_NE(text.find("population\t1\t\t\"it's\"\t"), std::string::npos) << text;
  EXPECT_NE(text.find("population\t2\t\t\"a\"\"b\"\t"), std::string::npos) << text;
  EXPECT_NE(text.find("pair\t1\t3\t\"it's\"\tplain\t"), std::string::npos) << text;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream s(line);
  for (std::string f; std::getline(s, f, '\t');) out.push_back(f);
  if (!line.empty() && line.back() == '\t') out.emplace_back();
  return out;
}

TEST(Table, PairsInReportOrderReadBackExactly) {
  // Element [r][c] of both matrices is r + c/10 + 1/3 (a value with all 17
  // digits), so every field names the cell it came from.
  Results r({"a", "b", "c", "d"});
  for (int i = 0; i < 4; ++i) {
    r.within[i] = i + 1.0 / 7, r.within_se[i] = i + 2.0 / 7;
    for (int j = 0; j < 4; ++j) r.between[i][j] = i + j / 10.0 + 1.0 / 3, r.between_se[i][j] = -r.between[i][j];
  }
  std::stringstream text(r.table(100));
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(text, line);) rows.push_back(fields(line));
  ASSERT_EQ(rows.size(), 1u + 4 + 6 + 1);
  for (const auto& row : rows) EXPECT_EQ(row.size(), 11u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(std::strtod(rows[1 + i][5].c_str(), nullptr), r.within[i]);
    EXPECT_EQ(std::strtod(rows[1 + i][6].c_str(), nullptr), r.within_se[i]);
  }
  int row = 5;
  for (int i = 0; i < 3; ++i)
    for (int j = i + 1; j < 4; ++j, ++row) {
      const auto& f = rows[row];
      EXPECT_EQ(f[1], std::to_string(i + 1));
      EXPECT_EQ(f[2], std::to_string(j + 1));
      EXPECT_EQ(std::strtod(f[7].c_str(), nullptr), r.between[j][i]);      // dxy
      EXPECT_EQ(std::strtod(f[8].c_str(), nullptr), r.between_se[j][i]);   // se(dxy)
      EXPECT_EQ(std::strtod(f[9].c_str(), nullptr), r.between[i][j]);      // da
      EXPECT_EQ(std::strtod(f[10].c_str(), nullptr), r.between_se[i][j]);  // se(da)
    }
  EXPECT_EQ(rows[row][0], "whole");
}

}  // namespace
}  // namespace gadrin
