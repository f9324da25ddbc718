#include "input/fasta.h"

#include <algorithm>

#include "storage/fatal.h"

namespace gadrin {
namespace {

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r'; }

// Runs over the file and tells the pass about name characters, name ends,
// sequence characters and sequence ends (`at_end` when the end of the file
// closes it). Both passes share the format checks made here.
template <class Pass>
void scan(std::FILE* stream, Pass& pass) {
  enum class State { LineStart, BeforeName, Name, Description, Sites };
  State state = State::LineStart;
  bool in_sequence = false;
  int line = 1;
  auto end_name = [&] {
    if (state == State::BeforeName)
      fatal(stdout, "format error in FASTA file: empty name (line %d)\n", line);
    if (state == State::Name) pass.name_end();
  };
  for (int c; (c = std::getc(stream)) != EOF;) {
    if (c == '\n') {
      end_name();
      state = State::LineStart;
      ++line;
      continue;
    }
    switch (state) {
      case State::LineStart:
        if (is_blank(c)) break;
        if (c == '>') {
          if (in_sequence) pass.sequence_end(false);
          in_sequence = true;
          state = State::BeforeName;
          break;
        }
        if (!in_sequence)
          fatal(stdout, "format error in FASTA file: sequence before the first name (line %d)\n",
                line);
        pass.site(c);
        state = State::Sites;
        break;
      case State::BeforeName:
        if (is_blank(c)) break;
        pass.name_char(c);
        state = State::Name;
        break;
      case State::Name:
        if (is_blank(c)) {
          pass.name_end();
          state = State::Description;
        } else {
          pass.name_char(c);
        }
        break;
      case State::Description:
        break;
      case State::Sites:
        if (!is_blank(c)) pass.site(c);
        break;
    }
  }
  end_name();
  if (in_sequence) pass.sequence_end(true);
}

void reject_empty(int sites, int number) {
  if (sites == 0) fatal(stdout, "format error in FASTA file: sequence %d has no sites\n", number);
}

struct Counting {
  int& nseq;
  int& nsite;
  int& maxnm;
  int name_length = 0;
  int sites = 0;

  void name_char(int) { ++name_length; }
  void name_end() {
    maxnm = std::max(maxnm, name_length);
    name_length = 0;
  }
  void site(int) { ++sites; }
  void sequence_end(bool) {
    reject_empty(sites, nseq + 1);
    if (nseq == 0)
      nsite = sites;
    else if (sites != nsite)
      fatal(stdout, "nsite is not the same %d (in seq %d)\n", sites, nseq + 1);
    ++nseq;
    sites = 0;
  }
};

struct Content {
  int nseq;
  int nsite;
  CharMatrix& seqs;
  CharMatrix& names;
  int maxnm;
  int seqc = 0;  // sequences completed
  int fc = 0;    // name characters of the current sequence
  int i = 0;     // sequence characters of the current sequence

  void name_char(int c) {
    if (seqc < nseq && fc < maxnm) names[seqc][fc] = static_cast<char>(c);
    if (++fc > maxnm) std::printf("fc=%d maxnm=%d seq %d\n", fc, maxnm, seqc);
  }
  void name_end() { fc = 0; }
  void site(int c) {
    if (seqc < nseq && i < nsite) seqs[i][seqc] = static_cast<char>(c);
    ++i;
  }
  void sequence_end(bool at_end) {
    reject_empty(i, seqc + 1);
    if (i != nsite) fatal(stderr, "nsite is not the same %d (in seq %d)\n", i, seqc + 1);
    ++seqc;
    if (!at_end && seqc > nseq) std::printf("seqc=%d nseq=%d\n", seqc, nseq);
    i = 0;
    fc = 0;
  }
};

}  // namespace

int read_fasta_dims(std::FILE* stream, int& nseq, int& nsite, int& maxnm) {
  nseq = nsite = maxnm = 0;
  Counting pass{nseq, nsite, maxnm};
  scan(stream, pass);
  return 0;
}

int read_fasta(std::FILE* stream, int nseq, int nsite, CharMatrix& seqs, CharMatrix& names,
               int maxnm) {
  Content pass{nseq, nsite, seqs, names, maxnm};
  scan(stream, pass);
  if (pass.seqc != nseq)
    fatal(stdout, "sequence number inconsistency seqc=%d nseq=%d\n", pass.seqc, nseq);
  return 0;
}

}  // namespace gadrin
