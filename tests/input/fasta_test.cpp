#include "input/fasta.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace gadrin {
namespace {

// A temporary file holding `text`, rewound.
struct File {
  std::FILE* f;
  explicit File(const std::string& text) : f(std::tmpfile()) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
  }
  ~File() { std::fclose(f); }
};

struct Read {
  int nseq = -1, nsite = -1, maxnm = -1;
  std::vector<std::string> names;
  std::vector<std::string> seqs;  // one string per sequence
};

// Both passes, as the run driver makes them, with containers of exactly the
// counted sizes.
Read read_both(const std::string& text) {
  Read r;
  read_fasta_dims(File(text).f, r.nseq, r.nsite, r.maxnm);
  CharMatrix seqs = char_matrix(r.nsite, r.nseq);
  CharMatrix names = char_matrix(r.nseq, r.maxnm + 1);
  for (int q = 0; q < r.nseq; ++q) std::fill_n(names[q], r.maxnm + 1, '\0');
  read_fasta(File(text).f, r.nseq, r.nsite, seqs, names, r.maxnm);
  for (int q = 0; q < r.nseq; ++q) {
    r.names.emplace_back(names[q]);
    std::string s;
    for (int site = 0; site < r.nsite; ++site) s += seqs[site][q];
    r.seqs.push_back(s);
  }
  return r;
}

TEST(Fasta, ReadsNamesAndSequences) {
  struct Case {
    const char* name;
    std::string text;
    int nseq, nsite, maxnm;
    std::vector<std::string> names, seqs;
  };
  const Case cases[] = {
      {"several_lines", ">a first\nACG\nT\n>bb\n\nAC\nGA\n", 2, 4, 2, {"a", "bb"}, {"ACGT", "ACGA"}},
      {"crlf_blanks_tabs", "\r\n>x1 d\r\nAC GT\r\n\r\n>y\tz\r\n A\tCGT \r\n", 2, 4, 2,
       {"x1", "y"}, {"ACGT", "ACGT"}},
      {"no_final_line_feed", ">a\nAC\n>b\nGT", 2, 2, 1, {"a", "b"}, {"AC", "GT"}},
      {"blanks_before_name", ">   long_name rest of line\nAA\n  >b\nCC\n", 2, 2, 9,
       {"long_name", "b"}, {"AA", "CC"}},
      {"gt_inside_a_line", ">a\nA>C\n>b\nA-?\n", 2, 3, 1, {"a", "b"}, {"A>C", "A-?"}},
      {"empty", "", 0, 0, 0, {}, {}},
      {"blank_lines_only", "\n \t\r\n\n", 0, 0, 0, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Read r = read_both(c.text);
    EXPECT_EQ(r.nseq, c.nseq);
    EXPECT_EQ(r.nsite, c.nsite);
    EXPECT_EQ(r.maxnm, c.maxnm);
    EXPECT_EQ(r.names, c.names);
    EXPECT_EQ(r.seqs, c.seqs);
  }
}

TEST(Fasta, NoLengthLimit) {
  // A 5000-character name and 100000 sites over lines of 60 and one of
  // 40000.
  const std::string name(5000, 'n');
  std::string seq;
  for (int i = 0; i < 100000; ++i) seq += "ACGT"[i * 7 % 4];
  std::string text = ">" + name + "\n";
  for (std::size_t at = 0; at < 60000; at += 60) text += seq.substr(at, 60) + "\n";
  text += seq.substr(60000) + "\n>s2\n" + seq + "\n";
  const Read r = read_both(text);
  EXPECT_EQ(r.nseq, 2);
  EXPECT_EQ(r.nsite, 100000);
  EXPECT_EQ(r.maxnm, 5000);
  EXPECT_EQ(r.names, (std::vector<std::string>{name, "s2"}));
  EXPECT_EQ(r.seqs, (std::vector<std::string>{seq, seq}));
}

// The messages on standard output are checked through standard error.
void counting_to_stderr(const char* text) {
  dup2(STDERR_FILENO, STDOUT_FILENO);
  int nseq, nsite, maxnm;
  read_fasta_dims(File(text).f, nseq, nsite, maxnm);
}

TEST(Fasta, CountingPassRejections) {
  struct Case {
    const char* name;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"shorter", ">a\nACGT\n>b\nAC\nGT\n>c\nACG\n", "nsite is not the same 3 \\(in seq 3\\)\n"},
      {"longer", ">a\nAC\n>b\nACG\n", "nsite is not the same 3 \\(in seq 2\\)\n"},
      {"sequence_first", "\nACGT\n>a\nACGT\n",
       "format error in FASTA file: sequence before the first name \\(line 2\\)\n"},
      {"empty_name", ">a\nAC\n> \t\r\nAC\n", "format error in FASTA file: empty name \\(line 3\\)\n"},
      {"empty_name_at_end", ">a\nAC\n>", "format error in FASTA file: empty name \\(line 3\\)\n"},
      {"no_sites", ">a\n\n>b\nAC\n", "format error in FASTA file: sequence 1 has no sites\n"},
      {"no_sites_at_end", ">a\nAC\n>b x\n", "format error in FASTA file: sequence 2 has no sites\n"},
  };
  for (const Case& c : cases)
    EXPECT_EXIT(counting_to_stderr(c.text), testing::ExitedWithCode(1),
                std::string("^") + c.message + "$")
        << c.name;
}

// The content pass on a file that changed after the counting pass found
// nseq sequences of nsite characters and names of at most maxnm. Exits 0 when
// it returns and the stored names and sequences are `expected` (name, then
// sequence, per sequence), 2 otherwise. Under the address sanitizer a write
// outside the exactly sized matrices ends the child with another status.
void content_pass(const char* text, int nseq, int nsite, int maxnm,
                  std::vector<std::string> expected, bool stdout_to_stderr = true) {
  if (stdout_to_stderr) dup2(STDERR_FILENO, STDOUT_FILENO);
  CharMatrix seqs = char_matrix(nsite, nseq);
  CharMatrix names = char_matrix(nseq, maxnm + 1);
  for (int q = 0; q < nseq; ++q) std::fill_n(names[q], maxnm + 1, '\0');
  read_fasta(File(text).f, nseq, nsite, seqs, names, maxnm);
  std::fflush(stdout);
  for (int q = 0; q < nseq; ++q) {
    std::string s;
    for (int site = 0; site < nsite; ++site) s += seqs[site][q];
    if (names[q] != expected[2 * q] || s != expected[2 * q + 1]) std::exit(2);
  }
  std::exit(0);
}

TEST(Fasta, ContentPassOnAChangedFile) {
  // A longer name is cut to maxnm = 2 and warned about per extra character.
  EXPECT_EXIT(content_pass(">abcd\nAC\n>b\nGT\n", 2, 2, 2, {"ab", "AC", "b", "GT"}),
              testing::ExitedWithCode(0), "^fc=3 maxnm=2 seq 0\nfc=4 maxnm=2 seq 0\n$");
  // Four sequences for two: the third is warned about, the fourth ends at
  // the end of the file and goes straight to the final check.
  EXPECT_EXIT(content_pass(">a\nAC\n>b\nGT\n>c\nTT\n>d\nCC\n", 2, 2, 1, {}),
              testing::ExitedWithCode(1),
              "^seqc=3 nseq=2\nsequence number inconsistency seqc=4 nseq=2\n$");
  EXPECT_EXIT(content_pass(">a\nAC\n", 2, 2, 1, {}), testing::ExitedWithCode(1),
              "^sequence number inconsistency seqc=1 nseq=2\n$");
  // A different length is reported on standard error, before anything
  // beyond the matrix is kept: standard output stays where it is here.
  EXPECT_EXIT(content_pass(">a\nACGTT\n", 1, 2, 1, {}, false), testing::ExitedWithCode(1),
              "^nsite is not the same 5 \\(in seq 1\\)\n$");
}

}  // namespace
}  // namespace gadrin
