#include "input/seqfile.h"

#include <algorithm>

#include "storage/fatal.h"

namespace gadrin {
namespace {

constexpr int kNothingHeld = -2;  // distinct from every byte and from EOF

// The characters of a sequence file with its comments removed. A comment
// runs from "/*" through the first "/" that follows a "*", the opening star
// included (so "/*/" is a whole comment), and may span lines; an unclosed one
// runs to the end of the file. A carriage return just before a line feed is
// part of the line break and is dropped; any other one is kept.
class CommentFreeReader {
 public:
  explicit CommentFreeReader(std::FILE* stream) : stream_(stream) {}

  // The next character after comment removal, or EOF.
  int next() {
    for (;;) {
      int c = held_;
      if (c == kNothingHeld) {
        c = raw();
      } else {
        held_ = kNothingHeld;
      }
      if (c != '/') return c;
      const int after = raw();
      if (after != '*') {
        held_ = after;  // may itself open a comment
        return c;
      }
      if (!skip_comment()) return EOF;
    }
  }

 private:
  // One character of the file, line breaks as single line feeds.
  int raw() {
    int c = raw_held_;
    if (c == kNothingHeld) {
      c = getc_unlocked(stream_);
    } else {
      raw_held_ = kNothingHeld;
    }
    if (c == '\r') {  // a held carriage return may itself precede a line feed
      const int after = getc_unlocked(stream_);
      if (after == '\n') return after;
      raw_held_ = after;
    }
    return c;
  }

  // Skips the rest of a comment whose "/*" has just been read. False when
  // the file ends first.
  bool skip_comment() {
    int previous = '*';
    for (;;) {
      const int c = raw();
      if (c == EOF) return false;
      if (c == '/' && previous == '*') return true;
      previous = c;
    }
  }

  std::FILE* stream_;
  int held_ = kNothingHeld;      // a character read ahead after a "/"
  int raw_held_ = kNothingHeld;  // a character read ahead after a carriage return
};

// Runs the line scanner over the whole file and hands each piece to `pass`:
// name_char(c), name_end(), site(c) and line_end(at_end_of_file). A line that
// ends inside its name or before its first sequence character is rejected;
// a last line without a sequence character is ignored.
template <class Pass>
void scan(std::FILE* stream, Pass& pass) {
  enum class State { LineStart, Name, AfterName, Sites };
  State state = State::LineStart;
  CommentFreeReader in(stream);
  for (int c = in.next(); c != EOF; c = in.next()) {
    const bool blank = c == ' ' || c == '\t';
    switch (state) {
      case State::LineStart:
        if (!blank && c != '\n') {
          pass.name_char(static_cast<char>(c));
          state = State::Name;
        }
        break;
      case State::Name:
        if (blank) {
          pass.name_end();
          state = State::AfterName;
        } else if (c == '\n') {
          pass.name_end();
          fatal(stdout, "format error (1) in data file\n");
        } else {
          pass.name_char(static_cast<char>(c));
        }
        break;
      case State::AfterName:
        if (c == '\n') fatal(stdout, "format error (2) in data file\n");
        if (!blank) {
          pass.site(static_cast<char>(c));
          state = State::Sites;
        }
        break;
      case State::Sites:
        if (c == '\n') {
          pass.line_end(false);
          state = State::LineStart;
        } else if (!blank) {
          pass.site(static_cast<char>(c));
        }
        break;
    }
  }
  if (state == State::Sites) pass.line_end(true);
}

class CountingPass {
 public:
  CountingPass(int& nseq, int& nsite, int& maxnm) : nseq_(nseq), nsite_(nsite), maxnm_(maxnm) {}

  void name_char(char) { ++name_length_; }
  void name_end() {
    maxnm_ = std::max(maxnm_, name_length_);
    name_length_ = 0;
  }
  void site(char) { ++sites_; }
  void line_end(bool) {
    if (nseq_ == 0) {
      nsite_ = sites_;
    } else if (sites_ != nsite_) {
      fatal(stdout, "nsite is not the same %d (in seq %d)\n", sites_, nseq_ + 1);
    }
    ++nseq_;
    sites_ = 0;
  }

 private:
  int& nseq_;
  int& nsite_;
  int& maxnm_;
  int name_length_ = 0;
  int sites_ = 0;
};

// Stores names and characters. Whatever the matrices have no room for (the
// file grew since it was counted) is dropped; the warnings and the final
// count check report it. The last column of a name row stays zero. The
// warnings for a long name wait until the name is complete, so that the name
// of an ignored last line (one without any sequence character) warns about
// nothing.
class ContentPass {
 public:
  ContentPass(int nseq, int nsite, CharMatrix& seqs, CharMatrix& names, int maxnm)
      : nseq_(nseq), nsite_(nsite), seqs_(seqs), names_(names), maxnm_(maxnm) {}

  void name_char(char c) {
    if (seqc_ < nseq_ && fc_ < maxnm_) names_[seqc_][fc_] = c;
    ++fc_;
  }
  void name_end() {
    for (int k = maxnm_ + 1; k <= fc_; ++k) std::printf("fc=%d maxnm=%d seq %d\n", k, maxnm_, seqc_);
    fc_ = 0;
  }
  void site(char c) {
    if (i_ < nsite_ && seqc_ < nseq_) seqs_[i_][seqc_] = c;
    ++i_;
  }
  void line_end(bool at_end_of_file) {
    if (i_ != nsite_) fatal(stderr, "nsite is not the same %d (in seq %d)\n", i_, seqc_ + 1);
    ++seqc_;
    if (seqc_ > nseq_ && !at_end_of_file) std::printf("seqc=%d nseq=%d\n", seqc_, nseq_);
    i_ = 0;
    fc_ = 0;
  }
  int completed() const { return seqc_; }

 private:
  int nseq_;
  int nsite_;
  CharMatrix& seqs_;
  CharMatrix& names_;
  int maxnm_;
  int seqc_ = 0;
  int fc_ = 0;
  int i_ = 0;
};

}  // namespace

int read_seq_dims(std::FILE* stream, int& nseq, int& nsite, int& maxnm) {
  nseq = nsite = maxnm = 0;
  CountingPass pass(nseq, nsite, maxnm);
  scan(stream, pass);
  return 0;
}

int read_seqs(std::FILE* stream, int nseq, int nsite, CharMatrix& seqs, CharMatrix& names,
              int maxnm) {
  ContentPass pass(nseq, nsite, seqs, names, maxnm);
  scan(stream, pass);
  if (pass.completed() != nseq) {
    fatal(stdout, "sequence number inconsistency seqc=%d nseq=%d\n", pass.completed(), nseq);
  }
  return 0;
}

}  // namespace gadrin
