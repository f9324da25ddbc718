#include "driver/newick.h"


#include <charconv>
#include <cinttypes>
#include <cstdint>
#include <cstring>
#include <utility>

#include "driver/quoting.h"

namespace gadrin {
namespace {

// A name must be quoted when it holds a character that the Newick grammar
// gives a meaning to: blanks and control characters, punctuation, and the
// underscore, which an unquoted name turns into a blank. An empty name is
// quoted so that it stays visible.
bool needs_quotes(const char* name) {
  if (*name == '\0') return true;
  for (const char* p = name; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c <= ' ' || c == 0x7f || std::strchr("()[]':;,_", c) != nullptr) return true;
  }
  return false;
}

// The name, in single quotes (an embedded quote doubled) when it needs them.
void write_name(std::FILE* out, const char* name) {
  if (needs_quotes(name)) {
    write_quoted(out, name, '\'');
  } else {
    std::fprintf(out, "%s", name);
  }
}

void write_length(std::FILE* out, double length) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, length);
  std::fprintf(out, ":%.*s", static_cast<int>(result.ptr - text), text);
}

struct TreeWriter {
  std::FILE* out;
  int npop;
  const CharMatrix& popnames;
  const IntMatrix& join;
  const DoubleMatrix& brlen;
  const IntMatrix& branches;
  const IntVector& support;
  int nboot;

  // The children of join row k, each with the branch that leads to it. Every
  // node that a row joins was made by an earlier row, so the recursion ends.
  void write_children(int k) {
    const int nchild = k == npop - 3 ? 3 : 2;
    std::fprintf(out, "(");
    for (int m = 0; m < nchild; ++m) {
      if (m > 0) std::fprintf(out, ",");
      const int node = join[k][m];
      if (node <= npop) {
        write_name(out, popnames[node - 1]);
      } else {
        const int child = node - npop;  // internal index
        write_children(child - 1);
        const int b = find_branch(branches, npop - 3, child, k + 1);
        if (nboot > 0 && b >= 0) {
          char label[24];
          std::fprintf(out, "%s", format_support(label, sizeof label, support[b], nboot));
        }
      }
      write_length(out, brlen[k][m]);
    }
    std::fprintf(out, ")");
  }
};

}  // namespace

int find_branch(const IntMatrix& branches, int nbranch, int x, int y) {
  if (x > y) std::swap(x, y);
  for (int b = 0; b < nbranch; ++b)
    if (branches[b][0] == x && branches[b][1] == y) return b;
  return -1;
}

char* format_support(char* buffer, std::size_t size, int count, int nboot) {
  // Hundredths of a percent, in integers so that nothing rounds up to 100.
  const std::int64_t hundredths = std::int64_t{count} * 10000 / nboot;
  const std::int64_t whole = hundredths / 100;
  const std::int64_t fraction = hundredths % 100;
  if (fraction == 0)
    std::snprintf(buffer, size, "%" PRId64, whole);
  else if (fraction % 10 == 0)
    std::snprintf(buffer, size, "%" PRId64 ".%" PRId64, whole, fraction / 10);
  else
    std::snprintf(buffer, size, "%" PRId64 ".%02" PRId64, whole, fraction);
  return buffer;
}

int write_newick(std::FILE* out, int npop, const CharMatrix& popnames, const IntMatrix& join,
                 const DoubleMatrix& brlen, const IntMatrix& branches, const IntVector& support,
                 int nboot) {
  TreeWriter{out, npop, popnames, join, brlen, branches, support, nboot}.write_children(npop - 3);
  std::fprintf(out, ";\n");
  return 0;
}

}  // namespace gadrin
