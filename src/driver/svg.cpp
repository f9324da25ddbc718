#include "driver/svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "driver/newick.h"

namespace gadrin {
namespace {

constexpr double kMargin = 20;      // around the drawing
constexpr double kRow = 20;         // between two leaves
constexpr double kTreeWidth = 480;  // the deepest leaf, at full scale
constexpr double kLabelGap = 5;     // between a leaf and its name
constexpr double kCharWidth = 7.2;  // a rough width of one character at 12 px

// The length of the UTF-8 sequence at p if it encodes a character that XML
// allows (no control character but tab, line feed and carriage return, no
// surrogate, not U+FFFE or U+FFFF), otherwise 0.
int xml_char_length(const unsigned char* p) {
  const unsigned c = p[0];
  auto cont = [&](int i, unsigned lo = 0x80, unsigned hi = 0xbf) {
    return p[i] >= lo && p[i] <= hi;
  };
  if (c < 0x80) return c >= 0x20 || c == '\t' || c == '\n' || c == '\r' ? 1 : 0;
  if (c >= 0xc2 && c <= 0xdf) return cont(1) ? 2 : 0;
  if (c >= 0xe0 && c <= 0xef) {
    const bool second = c == 0xe0 ? cont(1, 0xa0) : c == 0xed ? cont(1, 0x80, 0x9f) : cont(1);
    if (!second || !cont(2)) return 0;
    if (c == 0xef && p[1] == 0xbf && p[2] >= 0xbe) return 0;  // U+FFFE, U+FFFF
    return 3;
  }
  if (c >= 0xf0 && c <= 0xf4) {
    const bool second = c == 0xf0 ? cont(1, 0x90) : c == 0xf4 ? cont(1, 0x80, 0x8f) : cont(1);
    return second && cont(2) && cont(3) ? 4 : 0;
  }
  return 0;
}

// Writes `text` as XML character data, escaped.
void write_text(std::FILE* out, const char* text) {
  for (auto p = reinterpret_cast<const unsigned char*>(text); *p;) {
    const int n = xml_char_length(p);
    switch (n == 1 ? *p : 0) {
      case '&': std::fprintf(out, "&amp;"); break;
      case '<': std::fprintf(out, "&lt;"); break;
      case '>': std::fprintf(out, "&gt;"); break;
      case '"': std::fprintf(out, "&quot;"); break;
      case '\'': std::fprintf(out, "&apos;"); break;
      default:
        if (n == 0)
          std::fprintf(out, "&#xFFFD;");
        else
          std::fprintf(out, "%.*s", n, reinterpret_cast<const char*>(p));
    }
    p += n == 0 ? 1 : n;
  }
}

// How far a branch is drawn.
double drawn(double length) { return std::isfinite(length) && length > 0 ? length : 0; }

// A round length near `target` > 0: 1, 2 or 5 times a power of ten.
double scale_bar_length(double target) {
  const double power = std::pow(10.0, std::floor(std::log10(target)));
  const double f = target / power;
  return (f < 2 ? 1 : f < 5 ? 2 : 5) * power;
}

// Node positions, indexed by node number - 1: leaves 0..npop-1, the node of
// join row k at npop+k (the centre last). x is the distance from the
// centre, y the row.
struct Layout {
  int npop;
  const IntMatrix& join;
  const DoubleMatrix& brlen;
  std::vector<double> x, y;
  int next_leaf = 0;

  Layout(int n, const IntMatrix& j, const DoubleMatrix& b)
      : npop(n), join(j), brlen(b), x(2 * n - 2), y(2 * n - 2) {
    // Every row joins nodes of earlier rows, so going back from the centre
    // places each parent before its children.
    x[2 * n - 3] = 0;
    for (int k = n - 3; k >= 0; --k)
      for (int m = 0; m < children(k); ++m) x[join[k][m] - 1] = x[n + k] + drawn(brlen[k][m]);
    place(n - 3);
  }
  int children(int k) const { return k == npop - 3 ? 3 : 2; }
  void place(int k) {
    for (int m = 0; m < children(k); ++m) {
      const int node = join[k][m];
      if (node <= npop)
        y[node - 1] = next_leaf++;
      else
        place(node - npop - 1);
    }
    y[npop + k] = (y[join[k][0] - 1] + y[join[k][children(k) - 1] - 1]) / 2;
  }
};

}  // namespace

int write_svg(std::FILE* out, int npop, const CharMatrix& popnames, const IntMatrix& join,
              const DoubleMatrix& brlen, const IntMatrix& branches, const IntVector& support,
              int nboot) {
  const Layout layout(npop, join, brlen);
  const double depth = *std::max_element(layout.x.begin(), layout.x.begin() + npop);
  const double units = depth > 0 && std::isfinite(depth) ? depth : 1;  // a flat tree too
  const double scale = kTreeWidth / units;
  auto px = [&](int node) { return kMargin + layout.x[node] * scale; };
  auto py = [&](int node) { return kMargin + layout.y[node] * kRow; };
  int longest = 0;
  for (int p = 0; p < npop; ++p) {
    int chars = 0;
    for (const char* c = popnames[p]; *c; ++c) chars += (*c & 0xc0) != 0x80;
    longest = std::max(longest, chars);
  }
  const double width = 2 * kMargin + kTreeWidth + kLabelGap + longest * kCharWidth;
  const double bar_y = kMargin + (npop - 1) * kRow + 30;
  const double height = bar_y + 34 + kMargin;

  std::fprintf(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  std::fprintf(out,
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
               "viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" font-size=\"12\">\n",
               width, height, width, height);
  std::fprintf(out, "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n");

  std::fprintf(out, "<g stroke=\"black\" stroke-width=\"1.5\" fill=\"none\">\n");
  int negative = 0;
  for (int k = 0; k <= npop - 3; ++k) {
    const int node = npop + k;
    const int last = join[k][layout.children(k) - 1] - 1;
    std::fprintf(out, "<path d=\"M%.2f %.2fV%.2f\"/>\n", px(node), py(join[k][0] - 1), py(last));
    for (int m = 0; m < layout.children(k); ++m) {
      const int child = join[k][m] - 1;
      char length[32];
      const auto end = std::to_chars(length, length + sizeof length, brlen[k][m]).ptr;
      std::fprintf(out, "<path d=\"M%.2f %.2fH%.2f\"><title>length %.*s</title></path>\n",
                   px(node), py(child), px(child), static_cast<int>(end - length), length);
      negative += brlen[k][m] < 0;
    }
  }
  std::fprintf(out, "</g>\n");

  std::fprintf(out, "<g>\n");
  for (int p = 0; p < npop; ++p) {
    std::fprintf(out, "<text x=\"%.2f\" y=\"%.2f\">", px(p) + kLabelGap, py(p) + 4);
    write_text(out, popnames[p]);
    std::fprintf(out, "</text>\n");
  }
  std::fprintf(out, "</g>\n");

  if (nboot > 0) {
    std::fprintf(out, "<g font-size=\"10\" text-anchor=\"end\">\n");
    for (int k = 0; k <= npop - 3; ++k)
      for (int m = 0; m < layout.children(k); ++m) {
        const int child = join[k][m];
        const int b = child > npop ? find_branch(branches, npop - 3, child - npop, k + 1) : -1;
        if (b < 0) continue;
        char label[24];
        std::fprintf(out, "<text x=\"%.2f\" y=\"%.2f\">%s</text>\n", px(child - 1) - 2,
                     py(child - 1) - 4, format_support(label, sizeof label, support[b], nboot));
      }
    std::fprintf(out, "</g>\n");
  }

  const double bar = scale_bar_length(units / 4);
  std::fprintf(out, "<path class=\"scale-bar\" d=\"M%.2f %.2fH%.2f\" stroke=\"black\" "
               "stroke-width=\"1.5\"/>\n",
               kMargin, bar_y, kMargin + bar * scale);
  std::fprintf(out, "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\">%g</text>\n",
               kMargin + bar * scale / 2, bar_y + 15, bar);
  if (negative > 0)
    std::fprintf(out,
                 "<text x=\"%.2f\" y=\"%.2f\" font-size=\"10\">"
                 "%d %s of negative length drawn as 0</text>\n",
                 kMargin, bar_y + 32, negative, negative == 1 ? "branch" : "branches");
  std::fprintf(out, "</svg>\n");
  return 0;
}

}  // namespace gadrin
