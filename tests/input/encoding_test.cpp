#include "input/encoding.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace gadrin {
namespace {

enum class Kind { Nucleotides, AminoAcids };

// Sequences given one string each, stored site by site as the reader does.
struct Coded {
  int nseq, nsite;
  CharMatrix seqs;
  IntVector complete, variable, site_class;
  int ncomplete = -1, nvariable = -1;

  explicit Coded(const std::vector<std::string>& sequences)
      : nseq(static_cast<int>(sequences.size())),
        nsite(static_cast<int>(sequences[0].size())),
        seqs(char_matrix(nsite, nseq)),
        complete(int_vector(nsite)),
        variable(int_vector(nsite)),
        site_class(int_vector(nsite)) {
    for (int q = 0; q < nseq; ++q)
      for (int s = 0; s < nsite; ++s) seqs[s][q] = sequences[q][s];
  }

  void code(Kind kind, const std::array<int, 3>& codon) {
    if (kind == Kind::Nucleotides) {
      EXPECT_EQ(code_nucleotides(seqs, nseq, nsite, nvariable, ncomplete, variable, complete,
                                 codon, site_class),
                0);
    } else {
      EXPECT_EQ(code_amino_acids(seqs, nseq, nsite, nvariable, ncomplete, complete, variable,
                                 site_class),
                0);
    }
  }

  // Sequence q after coding: codes 0..9 as digits, 10..22 as "a".."m";
  // any other byte (a character left uncoded) as itself.
  std::string row(int q) const {
    std::string out;
    for (int s = 0; s < nsite; ++s) {
      const int v = static_cast<unsigned char>(seqs[s][q]);
      out.push_back(static_cast<char>(v < 10 ? '0' + v : v < 23 ? 'a' + v - 10 : v));
    }
    return out;
  }
};

std::vector<int> listed(const IntVector& v, int n) {
  const auto first = v.first(n);
  return {first.begin(), first.end()};
}

struct Case {
  const char* what;
  Kind kind;
  std::array<int, 3> codon;
  std::vector<std::string> sequences;
  std::vector<std::string> coded;  // as Coded::row shows them
  std::vector<int> complete, variable, site_class;
};

constexpr std::array<int, 3> kAll = {1, 1, 1};

const Case kCases[] = {
    {"nucleotide alphabet", Kind::Nucleotides, kAll, {"ATGC", "ATGC"}, {"0123", "0123"},
     {0, 1, 2, 3}, {}, {0, 0, 0, 0}},
    // Site by site: 0 A,A,A invariant; 1 T,A,T variable; 2, 3 invariant;
    // 4 "-" in sequence 0 stops the scan (the N after it is not examined);
    // 5 A,.,. copies A; 6 "." in sequence 0 stays and stops the scan;
    // 7 X (code 6) in sequence 1 stops the scan.
    {"nucleotide edge cases", Kind::Nucleotides, kAll,
     {"ATGC-A.A", "AAGC?..X", "ATGCN.TA"},
     {"012340.0", "0023?0.6", "0123N0TA"},
     {0, 1, 2, 3, 5}, {1}, {0, 2, 0, 0, 1, 0, 1, 1}},
    {"every incomplete mark", Kind::Nucleotides, kAll, {"A-*X?", "AAAAA"}, {"04567", "0AAAA"},
     {0}, {}, {0, 1, 1, 1, 1}},
    {"incomplete mark after sequence 0", Kind::Nucleotides, kAll, {"AC", "A-", "Tu"},
     {"03", "04", "1u"}, {0}, {0}, {2, 1}},
    // Positions 1 and 2 kept: sites 2 and 5 are neither coded nor checked.
    {"codon positions 1 and 2", Kind::Nucleotides, {1, 1, 0}, {"ATNAAn", "AANTA?"},
     {"01N00n", "00N10?"}, {0, 1, 3, 4}, {1, 3}, {0, 2, 0, 2, 0, 0}},
    {"codon position 2 only", Kind::Nucleotides, {0, 1, 0}, {"xTNAAn", "xANTA?"},
     {"x1NA0n", "x0NT0?"}, {1, 4}, {1}, {0, 2, 0, 0, 0, 0}},
    {"no complete site", Kind::Nucleotides, kAll, {"-A", "A?"}, {"40", "A7"}, {}, {},
     {1, 1}},
    {"amino-acid alphabet", Kind::AminoAcids, kAll,
     {"ACDEFGHIKLMNPQRSTVWY", "ACDEFGHIKLMNPQRSTVWY"},
     {"0123456789abcdefghij", "0123456789abcdefghij"},
     {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}, {},
     std::vector<int>(20, 0)},
    // Site by site: 0, 1 invariant; 2 D,E variable; 3 W,W (18) invariant;
    // 4 "." in sequence 0 stops the scan; 5 Y,. copies Y (19); 6 "-" (20),
    // 7 "*" (22) in sequence 0 stop the scan; 8 A,L,L (0, 9, 9) variable;
    // 9 "?" (21) in sequence 1 stops it before the invalid Z.
    {"amino-acid edge cases", Kind::AminoAcids, kAll,
     {"ACDW.Y-*AA", "ACEW?.?#L?", "ACDWX.X%LZ"},
     {"012i.jkm00", "013i?j?#9l", "012iXjX%9Z"},
     {0, 1, 2, 3, 5, 8}, {2, 8}, {0, 0, 2, 0, 1, 0, 1, 1, 2, 1}},
    {"amino-acid incomplete marks", Kind::AminoAcids, kAll, {"A-?*", "AAAA"},
     {"0klm", "0AAA"}, {0}, {}, {0, 1, 1, 1}},
};

class Encoding : public testing::TestWithParam<Case> {};

TEST_P(Encoding, CodesListsAndClasses) {
  const Case& c = GetParam();
  Coded coded(c.sequences);
  coded.code(c.kind, c.codon);
  for (int q = 0; q < coded.nseq; ++q) EXPECT_EQ(coded.row(q), c.coded[q]) << "sequence " << q;
  EXPECT_EQ(coded.ncomplete, static_cast<int>(c.complete.size()));
  EXPECT_EQ(coded.nvariable, static_cast<int>(c.variable.size()));
  EXPECT_EQ(listed(coded.complete, coded.ncomplete), c.complete);
  EXPECT_EQ(listed(coded.variable, coded.nvariable), c.variable);
  EXPECT_EQ(listed(coded.site_class, coded.nsite), c.site_class);
}

std::string case_name(const testing::TestParamInfo<Case>& info) {
  std::string name;
  for (const char* p = info.param.what; *p != '\0'; ++p) {
    name.push_back(std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Tables, Encoding, testing::ValuesIn(kCases), case_name);

struct Invalid {
  Kind kind;
  std::vector<std::string> sequences;
  std::string message;
};

// The first invalid character in scan order (sites in order, sequences in
// order within a site) is reported, counted from 1; its value is printed as
// a signed byte widened to int.
const Invalid kInvalid[] = {
    {Kind::Nucleotides, {"AC", "Aa"}, "seq 2 site 2  invalid base a 61\n"},
    {Kind::Nucleotides, {"AN", "NA"}, "seq 2 site 1  invalid base N 4e\n"},
    {Kind::Nucleotides, {"AC", "UC"}, "seq 2 site 1  invalid base U 55\n"},
    {Kind::Nucleotides, {"A\x80", "AC"}, "seq 1 site 2  invalid base \x80 ffffff80\n"},
    {Kind::Nucleotides, {"AC", "A\xff"}, "seq 2 site 2  invalid base \xff ffffffff\n"},
    {Kind::Nucleotides, {"A ", "AC"}, "seq 1 site 2  invalid base   20\n"},
    {Kind::AminoAcids, {"AX", "AA"}, "seq 1 site 2  invalid amn X 58\n"},
    {Kind::AminoAcids, {"AC", "AC", "Bc"}, "seq 3 site 1  invalid amn B 42\n"},
    {Kind::AminoAcids, {"W", "\xe9"}, "seq 2 site 1  invalid amn \xe9 ffffffe9\n"},
};

class EncodingInvalid : public testing::TestWithParam<Invalid> {};

TEST_P(EncodingInvalid, ReportsOnStandardOutputAndExits) {
  const Invalid& c = GetParam();
  Coded coded(c.sequences);
  // Each character in brackets, so the message is matched literally.
  std::string expected = "^";
  for (char ch : c.message) expected += ch == ' ' ? std::string(" ") : std::string("[") + ch + "]";
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        coded.code(c.kind, kAll);
        std::exit(0);
      },
      testing::ExitedWithCode(1), expected + "$");
}

INSTANTIATE_TEST_SUITE_P(Tables, EncodingInvalid, testing::ValuesIn(kInvalid));

}  // namespace
}  // namespace gadrin
