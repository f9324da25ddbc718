#include "input/seqfile.h"

#include "support/io.h"

#include <fcntl.h>
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

// Both passes as the run driver makes them: `counted` is the file seen by
// the counting pass, `content` the file seen by the content pass.
struct Alignment {
  int nseq = 0, nsite = 0, maxnm = 0;
  CharMatrix names, seqs;

  std::string name(int q) const { return names[q]; }
  std::string sequence(int q) const {
    std::string s;
    for (int i = 0; i < nsite; ++i) s.push_back(seqs[i][q]);
    return s;
  }
};

Alignment read_both(std::string_view counted, std::string_view content) {
  Alignment a;
  EXPECT_EQ(read_seq_dims(file_with(counted).get(), a.nseq, a.nsite, a.maxnm), 0);
  a.names = char_matrix(a.nseq, a.maxnm + 1);
  for (int q = 0; q < a.nseq; ++q)
    for (int j = 0; j <= a.maxnm; ++j) a.names[q][j] = 0;
  a.seqs = char_matrix(a.nsite, a.nseq);
  EXPECT_EQ(read_seqs(file_with(content).get(), a.nseq, a.nsite, a.seqs, a.names, a.maxnm), 0);
  return a;
}

Alignment read_both(std::string_view text) { return read_both(text, text); }

struct Case {
  const char* what;
  std::string text;
  int maxnm;
  std::vector<std::string> names;
  std::vector<std::string> sequences;
};

const Case kCases[] = {
    {"plain lines", "seq1 ACGT\ns2 TTGA\n", 4, {"seq1", "s2"}, {"ACGT", "TTGA"}},
    {"crlf line ends", "a ACGT\r\nbb TTGG\r\n", 2, {"a", "bb"}, {"ACGT", "TTGG"}},
    {"lone carriage returns are characters", "a\rb AC\rG\r\r\n", 3, {"a\rb"}, {"AC\rG\r"}},
    {"carriage return at the end of the file", "a AC\r", 1, {"a"}, {"AC\r"}},
    {"tabs and blank groups", "\ta\tAC\tG T\n  b \t AC  GT\n", 1, {"a", "b"}, {"ACGT", "ACGT"}},
    {"leading blank lines", "\n\n \t\n  name AC\n\n\nx GT\n\n", 4, {"name", "x"}, {"AC", "GT"}},
    {"comment inside a name", "ab/* x y */cd ACGT\n", 4, {"abcd"}, {"ACGT"}},
    {"shortest comment inside a name", "ab/*/cd AC\n", 4, {"abcd"}, {"AC"}},
    {"comment across lines inside a sequence", "a AC/* one\ntwo\n */GT\n", 1, {"a"}, {"ACGT"}},
    {"comments before a name and on their own line", "/* head */\n/**/a AC\n/*\n*/\n", 1, {"a"},
     {"AC"}},
    {"comment between blanks and sequence", "a /* c */AC\nb/* c */ GT\n", 1, {"a", "b"},
     {"AC", "GT"}},
    {"star slash apart does not close", "a A/* * / **/C\n", 1, {"a"}, {"AC"}},
    {"slashes without star are characters", "a/b A/C\nc/ T//*x*/G\n", 3, {"a/b", "c/"},
     {"A/C", "T/G"}},
    {"unclosed comment runs to the end", "a AC\nb GT /* rest\nc TT\n", 1, {"a", "b"},
     {"AC", "GT"}},
    {"last line without line feed", "a AC\nb GT", 1, {"a", "b"}, {"AC", "GT"}},
    {"last line with only a name", "a AC\nb", 1, {"a"}, {"AC"}},
    {"last line with a name and blanks", "a AC\nb \t", 1, {"a"}, {"AC"}},
    {"bytes from 0x80 up", "\x80\xff A\xe9\x80\n", 2, {"\x80\xff"}, {"A\xe9\x80"}},
    {"names of different lengths", "abcdef AC\nx GT\nabc TT\n", 6, {"abcdef", "x", "abc"},
     {"AC", "GT", "TT"}},
};

class SeqFileRead : public testing::TestWithParam<Case> {};

TEST_P(SeqFileRead, BothPassesAgree) {
  const Case& c = GetParam();
  std::string output;
  Alignment a;
  output = captured(stdout, [&] { a = read_both(c.text); });
  EXPECT_EQ(output, "");
  const int nseq = static_cast<int>(c.names.size());
  ASSERT_EQ(a.nseq, nseq);
  ASSERT_EQ(a.nsite, static_cast<int>(c.sequences[0].size()));
  EXPECT_EQ(a.maxnm, c.maxnm);
  for (int q = 0; q < nseq; ++q) {
    // The row is maxnm + 1 wide, so reading the name stops at a zero inside it.
    EXPECT_EQ(a.name(q), c.names[q]) << "sequence " << q;
    EXPECT_EQ(a.sequence(q), c.sequences[q]) << "sequence " << q;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, SeqFileRead, testing::ValuesIn(kCases), case_name<Case>);

TEST(SeqFile, NothingButBlanksAndCommentsIsEmpty) {
  for (const char* text : {"", "\n \t\n", "/* a */\n  /*/\n", "/* never closed\nx AC\n"}) {
    int nseq = -1, nsite = -1, maxnm = -1;
    read_seq_dims(file_with(text).get(), nseq, nsite, maxnm);
    EXPECT_EQ(nseq, 0) << text;
    EXPECT_EQ(nsite, 0) << text;
    EXPECT_EQ(maxnm, 0) << text;
    Alignment a = read_both(text);
    EXPECT_EQ(a.nseq, 0);
  }
}

TEST(SeqFile, LongNamesAndLinesHaveNoLimit) {
  const std::string name(5000, 'n');
  std::string sites;
  for (int i = 0; i < 100000; ++i) sites.push_back("ACGT"[i % 4]);
  const Alignment a = read_both(name + " " + sites + "\nb " + sites);
  ASSERT_EQ(a.nseq, 2);
  EXPECT_EQ(a.nsite, 100000);
  EXPECT_EQ(a.maxnm, 5000);
  EXPECT_EQ(a.name(0), name);
  EXPECT_EQ(a.sequence(1), sites);
}

struct Failure {
  const char* what;
  std::string counted;
  std::string content;
  std::FILE* stream;
  std::string message;
};

// All of them end with status 1. Where the files differ, the content pass
// reads a file that changed after the counting pass; the matrices are sized
// for the counted file, and the sanitizer build checks that the surplus is
// never written.
const Failure kFailures[] = {
    {"name then line feed", "a\nb AC\n", "", stdout, "format error (1) in data file\n"},
    {"comment as the only separator", "a/* joined */AC\n", "", stdout,
     "format error (1) in data file\n"},
    {"name and blanks then line feed", "a  \nb AC\n", "", stdout,
     "format error (2) in data file\n"},
    {"name and blank then crlf", "a ACGT\nb \r\n", "", stdout, "format error (2) in data file\n"},
    {"second line shorter", "a ACGT\nb ACG\nc A\n", "", stdout,
     "nsite is not the same 3 (in seq 2)\n"},
    {"third line longer", "a AC\nb AC\nc ACG\n", "", stdout,
     "nsite is not the same 3 (in seq 3)\n"},
    {"content pass: more sites", "a AC\nb GT\n", "a AC\nb GTACGT\n", stderr,
     "nsite is not the same 6 (in seq 2)\n"},
    {"content pass: fewer sites", "a AC\nb GT\n", "a A\nb GT\n", stderr,
     "nsite is not the same 1 (in seq 1)\n"},
    {"content pass: format error", "a AC\n", "a\nAC\n", stdout, "format error (1) in data file\n"},
    {"content pass: more lines", "a AC\n", "a AC\nb GT\nc TT\n", stdout,
     "seqc=2 nseq=1\nseqc=3 nseq=1\nsequence number inconsistency seqc=3 nseq=1\n"},
    {"content pass: more lines, last without line feed", "a AC\n", "a AC\nb GT\nc TT", stdout,
     "seqc=2 nseq=1\nsequence number inconsistency seqc=3 nseq=1\n"},
    // The surplus line's name has no row: fc counts its characters against maxnm.
    {"content pass: more lines with a long name", "a AC\n", "a AC\nbcd GT\n", stdout,
     "fc=2 maxnm=1 seq 1\nfc=3 maxnm=1 seq 1\nseqc=2 nseq=1\n"
     "sequence number inconsistency seqc=2 nseq=1\n"},
    {"content pass: fewer lines", "a AC\nb GT\n", "a AC\n", stdout,
     "sequence number inconsistency seqc=1 nseq=2\n"},
};

class SeqFileFailure : public testing::TestWithParam<Failure> {};

TEST_P(SeqFileFailure, PrintsOnItsStreamAndExits) {
  const Failure& f = GetParam();
  const std::string content = f.content.empty() ? f.counted : f.content;
  EXPECT_EXIT(
      {
        keep_only(f.stream);
        read_both(f.counted, content);
        std::exit(0);
      },
      testing::ExitedWithCode(1), exactly(f.message));
}

INSTANTIATE_TEST_SUITE_P(Files, SeqFileFailure, testing::ValuesIn(kFailures), case_name<Failure>);

TEST(SeqFile, IgnoredLastLineWithALongNameWarnsAboutNothing) {
  Alignment a;
  const std::string output = captured(stdout, [&] { a = read_both("a AC\nlongname"); });
  EXPECT_EQ(output, "");
  EXPECT_EQ(a.nseq, 1);
}

TEST(SeqFile, LongerNameInContentPassWarnsAndKeepsRowTerminated) {
  Alignment a;
  const std::string output =
      captured(stdout, [&] { a = read_both("ab AC\nc GT\n", "abcd AC\nc GT\n"); });
  // maxnm = 2: the third and fourth characters are beyond it.
  EXPECT_EQ(output, "fc=3 maxnm=2 seq 0\nfc=4 maxnm=2 seq 0\n");
  EXPECT_EQ(a.name(0), "ab");
  EXPECT_EQ(a.names[0][2], '\0');
  EXPECT_EQ(a.name(1), "c");
  EXPECT_EQ(a.sequence(0), "AC");
}

}  // namespace
}  // namespace gadrin
