#include "driver/table.h"


#include <cmath>
#include <cstring>

#include "driver/quoting.h"

namespace gadrin {
namespace {

// Room for "%.17g" of any double.
struct Number {
  char text[32];
};

Number number(double v) {
  Number n;
  if (std::isnan(v))
    std::snprintf(n.text, sizeof n.text, "NaN");
  else if (std::isinf(v))
    std::snprintf(n.text, sizeof n.text, v > 0 ? "Inf" : "-Inf");
  else
    std::snprintf(n.text, sizeof n.text, "%.17g", v);
  return n;
}

// The standard error field: empty without replicates.
Number se(double v, int nboot) { return nboot > 0 ? number(v) : Number{""}; }

void write_name(std::FILE* out, const char* name) {
  if (std::strpbrk(name, "\"'") != nullptr) {
    write_quoted(out, name, '"');
  } else {
    std::fprintf(out, "%s", name);
  }
}

}  // namespace

int write_table(std::FILE* out, int npop, const CharMatrix& popnames, const DoubleVector& within,
                const DoubleMatrix& between, double whole, const DoubleVector& within_se,
                const DoubleMatrix& between_se, double whole_se, int nboot) {
  std::fprintf(out,
               "kind\tpop1\tpop2\tname1\tname2\tdiversity\tdiversity_se\tdxy\tdxy_se\tda\tda_se\n");
  for (int i = 0; i < npop; ++i) {
    std::fprintf(out, "population\t%d\t\t", i + 1);
    write_name(out, popnames[i]);
    std::fprintf(out, "\t\t%s\t%s\t\t\t\t\n", number(within[i]).text,
                 se(nboot > 0 ? within_se[i] : 0, nboot).text);
  }
  for (int i = 0; i < npop - 1; ++i)
    for (int j = i + 1; j < npop; ++j) {
      std::fprintf(out, "pair\t%d\t%d\t", i + 1, j + 1);
      write_name(out, popnames[i]);
      std::fprintf(out, "\t");
      write_name(out, popnames[j]);
      std::fprintf(out, "\t\t\t%s\t%s\t%s\t%s\n", number(between[j][i]).text,
                   se(nboot > 0 ? between_se[j][i] : 0, nboot).text, number(between[i][j]).text,
                   se(nboot > 0 ? between_se[i][j] : 0, nboot).text);
    }
  std::fprintf(out, "whole\t\t\t\t\t%s\t%s\t\t\t\t\n", number(whole).text, se(whole_se, nboot).text);
  return 0;
}

}  // namespace gadrin
