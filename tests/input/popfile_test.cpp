#include "input/popfile.h"

#include "support/io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gadrin {
namespace {

using namespace testing_support;

TEST(ReadLine, StoresTheLineAndCountsNonBlanks) {
  const std::string long_line(3000, 'x');
  File f = file_with("ab c\n\t \n x\r\n\r\na\rb\n" + long_line + "\ntail");
  std::string line = "old";
  int count = -1;
  struct Expected {
    int status;
    std::string line;
    int count;
  };
  // A carriage return before a line feed is part of the line break; any
  // other one is a character.
  const Expected lines[] = {{0, "ab c\n", 3},        {0, "\t \n", 0},   {0, " x\n", 1},
                            {0, "\n", 0},            {0, "a\rb\n", 3},  {0, long_line + "\n", 3000},
                            {-1, "tail", 4},         {-1, "", 0}};
  for (const Expected& e : lines) {
    EXPECT_EQ(read_line(f.get(), line, count), e.status);
    EXPECT_EQ(line, e.line);
    EXPECT_EQ(count, e.count);
  }
}

TEST(ClearBuffer, ZeroesExactlyNBytes) {
  char buffer[5] = {'a', 'b', 'c', 'd', 'e'};
  clear_buffer(buffer, 0);
  clear_buffer(buffer, -3);
  EXPECT_EQ(std::string(buffer, 5), "abcde");
  clear_buffer(buffer, 3);
  EXPECT_EQ(std::string(buffer, 5), std::string("\0\0\0de", 5));
}

// Both passes as the run driver makes them.
struct Populations {
  int npop = 0, maxpopnm = 0;
  CharMatrix names;
  IntMatrix table;
};

Populations read_both(std::string_view counted, std::string_view content, int nseq) {
  Populations p;
  EXPECT_EQ(read_pop_dims(file_with(counted).get(), p.npop, p.maxpopnm, nseq), 0);
  p.names = char_matrix(p.npop, p.maxpopnm + 1);
  p.table = int_matrix(p.npop, 3);
  for (int j = 0; j < p.npop; ++j) {
    clear_buffer(p.names[j], p.maxpopnm + 1);
    p.table[j][0] = p.table[j][1] = p.table[j][2] = 0;
  }
  EXPECT_EQ(read_pops(file_with(content).get(), p.npop, p.names, p.table, nseq, p.maxpopnm), 0);
  return p;
}

struct Row {
  std::string name;
  int first, last, count;
};

struct Case {
  const char* what;
  std::string text;
  int nseq;
  std::vector<Row> rows;
  std::string output;  // warnings of both passes
};

const std::string kLongName(1500, 'p');

const Case kCases[] = {
    {"plain", "2 populations\n1 a 1 3\n2 bb 4 6\n", 6, {{"a", 1, 3, 3}, {"bb", 4, 6, 3}}, ""},
    {"blank lines everywhere", "\n \t\n2 populations\n\n\t \n1 a 1 3\n \n2 bb 4 6\n\n\n", 6,
     {{"a", 1, 3, 3}, {"bb", 4, 6, 3}}, ""},
    {"crlf and tabs", "2 populations\r\n\r\n1\ta\t1\t3\r\n2 bb\t4 6\r\n", 6,
     {{"a", 1, 3, 3}, {"bb", 4, 6, 3}}, ""},
    {"last line without line feed", "2 populations\n1 a 1 3\n2 bb 4 6", 6,
     {{"a", 1, 3, 3}, {"bb", 4, 6, 3}}, ""},
    {"number joined to the word", "1populations\n1 a 1 2\n", 2, {{"a", 1, 2, 2}}, ""},
    {"blanks before the number, text after the word", " \t1   populations of mice\n1 a 1 2\n", 2,
     {{"a", 1, 2, 2}}, ""},
    {"capital letter in the word", "1 Populations\n1 a 1 2\n", 2, {{"a", 1, 2, 2}},
     "invalid format in the first line\ninvalid format in the first line\n"},
    {"colon after the word", "1 populations:\n1 a 1 2\n", 2, {{"a", 1, 2, 2}},
     "invalid format in the first line\ninvalid format in the first line\n"},
    {"missing final s", "1 population\n1 a 1 2\n", 2, {{"a", 1, 2, 2}},
     "invalid format in the first line\ninvalid format in the first line\n"},
    {"surplus lines are never read", "1 populations\n1 a 1 2\nnot a population line\n", 2,
     {{"a", 1, 2, 2}}, ""},
    // Column 2 is last - first + 1: 7 - 3 + 1 = 5. Overlaps are allowed.
    {"bounds and overlap", "3 populations\n9 a 1 20\n8 b 3 7\n7 c 19 20\n", 20,
     {{"a", 1, 20, 20}, {"b", 3, 7, 5}, {"c", 19, 20, 2}}, ""},
    {"trailing fields ignored", "1 populations\n1 a 1 2 extra words\n", 2, {{"a", 1, 2, 2}}, ""},
    {"long name and long line",
     "1 populations" + std::string(2000, ' ') + "\n1 " + kLongName + " 1 2" +
         std::string(2000, '\t') + "\n",
     2, {{kLongName, 1, 2, 2}}, ""},
};

class PopFileRead : public testing::TestWithParam<Case> {};

TEST_P(PopFileRead, BothPassesAgree) {
  const Case& c = GetParam();
  Populations p;
  EXPECT_EQ(captured(stdout, [&] { p = read_both(c.text, c.text, c.nseq); }), c.output);
  const int npop = static_cast<int>(c.rows.size());
  ASSERT_EQ(p.npop, npop);
  std::size_t longest = 0;
  for (const Row& row : c.rows) longest = std::max(longest, row.name.size());
  EXPECT_EQ(p.maxpopnm, static_cast<int>(longest));
  for (int j = 0; j < npop; ++j) {
    EXPECT_EQ(std::string(p.names[j]), c.rows[j].name) << "population " << j;
    EXPECT_EQ(p.table[j][0], c.rows[j].first) << "population " << j;
    EXPECT_EQ(p.table[j][1], c.rows[j].last) << "population " << j;
    EXPECT_EQ(p.table[j][2], c.rows[j].count) << "population " << j;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, PopFileRead, testing::ValuesIn(kCases), case_name<Case>);

struct Failure {
  const char* what;
  std::string counted;
  std::string content;  // empty: the same file
  int nseq;
  std::string output;   // everything on standard output, then exit 1
};

const Failure kFailures[] = {
    {"empty file", "", "", 4, "no header line in population file\n"},
    {"only blank lines", "\n \t\n\r\n", "", 4, "no header line in population file\n"},
    {"first below 1", "1 populations\n1 a 0 3\n", "", 6,
     "invalid sequence number in population a 0\n"},
    {"last above nseq", "1 populations\n1 a 1 7\n", "", 6,
     "invalid sequence number in population a 7\n"},
    {"first tested before last", "1 populations\n1 a 0 9\n", "", 6,
     "invalid sequence number in population a 0\n"},
    {"number beyond int is clamped", "1 populations\n1 a 1 99999999999\n", "", 6,
     "invalid sequence number in population a 2147483647\n"},
    // The counting pass finds the range error of population 2 before the
    // content pass could find population 1's order error.
    {"range checked before order", "2 populations\n1 a 3 3\n2 b 1 9\n", "", 6,
     "invalid sequence number in population b 9\n"},
    {"last equals first", "1 populations\n1 a 3 3\n", "", 6,
     "from sequence number is bigger than to sequence number 3 3\n"},
    {"last below first", "2 populations\n1 a 1 2\n2 b 5 2\n", "", 6,
     "from sequence number is bigger than to sequence number 5 2\n"},
    {"warning in both passes, then order error", "1 Populations\n1 a 4 4\n", "", 6,
     "invalid format in the first line\ninvalid format in the first line\n"
     "from sequence number is bigger than to sequence number 4 4\n"},
    {"fewer lines", "3 populations\n1 a 1 2\n2 b 3 4\n", "", 6,
     "Number of populations specified is inconsistent\n"},
    {"fewer lines, blank lines after", "3 populations\n1 a 1 2\n2 b 3 4\n\n \n", "", 6,
     "Number of populations specified is inconsistent\n"},
    {"fewer lines, last without line feed", "3 populations\n1 a 1 2\n2 b 3 4", "", 6,
     "Number of populations specified is inconsistent\n"},
    {"header only", "2 populations", "", 6, "Number of populations specified is inconsistent\n"},
    {"header without number", "populations\n1 a 1 2\n2 b 3 4\n", "", 6,
     "invalid format in the first line\nNumber of populations specified is inconsistent\n"},
    {"header without number validates every line", "populations\n1 a 1 2\n2 b 3 99\n", "", 6,
     "invalid format in the first line\ninvalid sequence number in population b 99\n"},
    {"zero populations", "0 populations\n1 a 1 2\n", "", 6,
     "Number of populations specified is inconsistent\n"},
    {"negative count", "-1 populations\n1 a 1 2\n", "", 6,
     "Number of populations specified is inconsistent\n"},
    {"missing last number", "1 populations\n1 a 1\n", "", 6,
     "population line 1 is not a number, a name and two numbers\n"},
    {"population number not a number", "2 populations\n1 a 1 2\nx b 3 4\n", "", 6,
     "population line 2 is not a number, a name and two numbers\n"},
    {"first not a number", "1 populations\n1 a one 2\n", "", 6,
     "population line 1 is not a number, a name and two numbers\n"},
    {"number and nothing else", "1 populations\n  7 \n", "", 6,
     "population line 1 is not a number, a name and two numbers\n"},
    {"content pass: header count changed", "2 populations\n1 a 1 2\n2 b 3 4\n",
     "3 populations\n1 a 1 2\n2 b 3 4\n3 c 5 6\n", 6, "population number inconsistent 3 2\n"},
    {"content pass: header number removed", "1 populations\n1 a 1 2\n",
     "populations\n1 a 1 2\n", 6,
     "invalid format in the first line\npopulation number inconsistent 0 1\n"},
};

class PopFileFailure : public testing::TestWithParam<Failure> {};

TEST_P(PopFileFailure, PrintsOnStandardOutputAndExits) {
  const Failure& f = GetParam();
  const std::string content = f.content.empty() ? f.counted : f.content;
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        read_both(f.counted, content, f.nseq);
        std::exit(0);
      },
      testing::ExitedWithCode(1), exactly(f.output));
}

INSTANTIATE_TEST_SUITE_P(Files, PopFileFailure, testing::ValuesIn(kFailures), case_name<Failure>);

TEST(PopFile, LongerNameInContentPassIsCutToTheRow) {
  Populations p;
  const std::string output = captured(stdout, 
      [&] { p = read_both("1 populations\n1 ab 1 2\n", "1 populations\n1 abcdef 1 2\n", 2); });
  EXPECT_EQ(output, "");
  EXPECT_EQ(p.maxpopnm, 2);
  EXPECT_EQ(std::string(p.names[0]), "ab");
}

}  // namespace
}  // namespace gadrin
