#include "input/popfile.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "storage/fatal.h"

namespace gadrin {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

void skip_blanks(const std::string& line, std::size_t& pos) {
  while (pos < line.size() && is_blank(line[pos])) ++pos;
}

// Reads a decimal integer from `pos` on as "%d" does: blanks skipped, an
// optional sign, then digits up to the first character that is no digit.
// A value beyond int is clamped to INT_MAX or INT_MIN. Without a digit,
// returns false and leaves `value` and `pos` alone.
bool scan_int(const std::string& line, std::size_t& pos, int& value) {
  std::size_t at = pos;
  skip_blanks(line, at);
  bool negative = false;
  if (at < line.size() && (line[at] == '+' || line[at] == '-')) negative = line[at++] == '-';
  const std::size_t digits = at;
  long long magnitude = 0;
  for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
    magnitude = std::min(magnitude * 10 + (line[at] - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  if (at == digits) return false;
  const long long signed_value = negative ? -magnitude : magnitude;
  value = static_cast<int>(std::clamp<long long>(signed_value, INT_MIN, INT_MAX));
  pos = at;
  return true;
}

// Reads the next run of non-blank characters. False when there is none.
bool scan_word(const std::string& line, std::size_t& pos, std::string& word) {
  skip_blanks(line, pos);
  const std::size_t start = pos;
  while (pos < line.size() && !is_blank(line[pos])) ++pos;
  word.assign(line, start, pos - start);
  return pos > start;
}

// Reads lines up to the first one that holds a non-blank character. Returns
// what read_line returned for it, or -1 with `count` 0 when the file ends first.
int read_nonblank_line(std::FILE* stream, std::string& line, int& count) {
  for (;;) {
    const int status = read_line(stream, line, count);
    if (count > 0 || status != 0) return status;
  }
}

// The header: a number of populations and the word "populations". The number
// goes to `npop` when present; a wrong word is only reported.
void read_header(std::FILE* stream, int& npop) {
  std::string line;
  int count = 0;
  read_nonblank_line(stream, line, count);
  if (count == 0) fatal(stdout, "no header line in population file\n");
  std::size_t pos = 0;
  std::string word;
  if (!scan_int(line, pos, npop) || !scan_word(line, pos, word) || word != "populations") {
    std::printf("invalid format in the first line\n");
  }
}

struct PopulationLine {
  std::string name;
  int first = 0;
  int last = 0;
};

void check_sequence_number(const PopulationLine& p, int number, int nseq) {
  if (number < 1 || number > nseq) {
    fatal(stdout, "invalid sequence number in population %s %d\n", p.name.c_str(), number);
  }
}

// Reads the population lines that follow the header, handing population j
// (counted from 1) to `take` until j reaches npop. The file ending first is
// rejected, as is a line that is not a number, a name and two numbers.
template <class Take>
void read_population_lines(std::FILE* stream, int npop, Take take) {
  std::string line;
  PopulationLine p;
  for (int j = 1;; ++j) {
    int count = 0;
    const int status = read_nonblank_line(stream, line, count);
    if (count == 0) fatal(stdout, "Number of populations specified is inconsistent\n");
    std::size_t pos = 0;
    int number = 0;
    if (!scan_int(line, pos, number) || !scan_word(line, pos, p.name) ||
        !scan_int(line, pos, p.first) || !scan_int(line, pos, p.last)) {
      fatal(stdout, "population line %d is not a number, a name and two numbers\n", j);
    }
    take(j, p);
    if (j == npop) return;
    if (status != 0) fatal(stdout, "Number of populations specified is inconsistent\n");
  }
}

}  // namespace

int read_pop_dims(std::FILE* stream, int& npop, int& maxpopnm, int nseq) {
  maxpopnm = 0;
  read_header(stream, npop);
  read_population_lines(stream, npop, [&](int, const PopulationLine& p) {
    maxpopnm = std::max(maxpopnm, static_cast<int>(std::min<std::size_t>(p.name.size(), INT_MAX)));
    check_sequence_number(p, p.first, nseq);
    check_sequence_number(p, p.last, nseq);
  });
  return 0;
}

int read_pops(std::FILE* stream, int npop, CharMatrix& popnames, IntMatrix& pops, int nseq,
              int maxpopnm) {
  int header_count = 0;
  read_header(stream, header_count);
  if (header_count != npop) {
    fatal(stdout, "population number inconsistent %d %d\n", header_count, npop);
  }
  read_population_lines(stream, npop, [&](int j, const PopulationLine& p) {
    // Rows exist for the first npop populations only, each maxpopnm + 1 wide.
    const bool stored = j <= npop;
    if (stored) {
      const std::size_t length = std::min(p.name.size(), static_cast<std::size_t>(maxpopnm));
      std::memcpy(popnames[j - 1], p.name.data(), length);
      popnames[j - 1][length] = '\0';
    }
    check_sequence_number(p, p.first, nseq);
    check_sequence_number(p, p.last, nseq);
    if (p.last <= p.first) {
      fatal(stdout, "from sequence number is bigger than to sequence number %d %d\n", p.first,
            p.last);
    }
    if (stored) {
      pops[j - 1][0] = p.first;
      pops[j - 1][1] = p.last;
      pops[j - 1][2] = p.last - p.first + 1;
    }
  });
  return 0;
}

int read_line(std::FILE* stream, std::string& line, int& count) {
  line.clear();
  count = 0;
  for (;;) {
    int c = std::getc(stream);
    if (c == EOF) return -1;
    if (c == '\r') {
      // A carriage return just before a line feed is part of the line break.
      const int after = std::getc(stream);
      if (after == '\n') {
        c = after;
      } else {
        std::ungetc(after, stream);
      }
    }
    line.push_back(static_cast<char>(c));
    if (c == '\n') return 0;
    if (c != ' ' && c != '\t' && count < INT_MAX) ++count;
  }
}

void clear_buffer(char* buffer, int n) {
  if (n > 0) std::memset(buffer, 0, static_cast<std::size_t>(n));
}

}  // namespace gadrin
