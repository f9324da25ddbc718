#include "driver/svg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace gadrin {
namespace {

// The five-leaf tree: node 6 joins leaves 4 and 5, node 7 leaves 1 and 2,
// the centre holds 7, 3 and 6; branch table rows (2,3) and (1,3).
struct FiveLeaves {
  CharMatrix names = char_matrix(5, 32);
  IntMatrix join = int_matrix(3, 3);
  DoubleMatrix brlen = double_matrix(3, 3);
  IntMatrix branches = int_matrix(2, 2);
  IntVector support = int_vector(2);

  explicit FiveLeaves(std::vector<std::string> popnames = {"n1", "n2", "n3", "n4", "n5"},
                      std::vector<double> lengths = {5, 6, 1, 2, 3, 4, 7}) {
    const int j[3][3] = {{4, 5, 0}, {1, 2, 0}, {7, 3, 6}};
    for (int k = 0; k < 3; ++k)
      for (int m = 0; m < 3; ++m) join[k][m] = j[k][m];
    const int slot[7][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}};
    for (int i = 0; i < 7; ++i) brlen[slot[i][0]][slot[i][1]] = lengths[i];
    for (int p = 0; p < 5; ++p) std::snprintf(names[p], 32, "%s", popnames[p].c_str());
    branches[0][0] = 2, branches[0][1] = 3, branches[1][0] = 1, branches[1][1] = 3;
    support[0] = 2, support[1] = 3;
  }
  std::string svg(int nboot) {
    std::FILE* f = std::tmpfile();
    write_svg(f, 5, names, join, brlen, branches, support, nboot);
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), f), text.size());
    std::fclose(f);
    return text;
  }
};

// A small XML checker: the declaration, one root element, balanced tags,
// double-quoted attributes, text without raw '<' or '>' and with known
// entities only, the whole in valid UTF-8. It keeps every element with its
// attributes and its decoded direct text.
struct Xml {
  struct Element {
    std::string name;
    std::map<std::string, std::string> attrs;
    std::string text;
  };
  std::vector<Element> elements;
  std::string error;

  explicit Xml(const std::string& doc) {
    const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (!valid_utf8(doc)) error = "not UTF-8";
    else if (doc.compare(0, decl.size(), decl) != 0) error = "no declaration";
    else parse(doc.c_str() + decl.size());
  }

  static bool valid_utf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
      const unsigned char c = s[i];
      const int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
      if (n == 0 || i + n > s.size()) return false;
      if (n == 1 && c < 0x20 && c != '\n' && c != '\t') return false;
      for (int k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
      i += n;
    }
    return true;
  }
  // Decodes character data up to `stop`; false on a raw '<', '>' or an
  // unknown entity.
  static bool decode(const char*& p, const char* stop, std::string& out) {
    static const std::pair<const char*, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    while (*p && !std::strchr(stop, *p)) {
      if (*p == '<' || *p == '>') return false;
      if (*p != '&') {
        out += *p++;
        continue;
      }
      if (std::strncmp(p, "&#xFFFD;", 8) == 0) {
        out += "\xef\xbf\xbd", p += 8;
        continue;
      }
      bool known = false;
      for (const auto& [name, c] : entities)
        if (std::strncmp(p, name, std::strlen(name)) == 0) {
          out += c, p += std::strlen(name), known = true;
          break;
        }
      if (!known) return false;
    }
    return true;
  }
  static std::string word(const char*& p) {
    std::string w;
    while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '-' || *p == ':') w += *p++;
    return w;
  }
  void parse(const char* p) {
    std::vector<int> open;
    bool root_seen = false;
    while (*p && error.empty()) {
      if (*p != '<') {
        std::string text;
        if (!decode(p, "<", text)) error = "bad text";
        else if (!open.empty()) elements[open.back()].text += text;
        else if (text.find_first_not_of(" \n") != std::string::npos) error = "text outside root";
        continue;
      }
      ++p;
      if (*p == '/') {
        ++p;
        const std::string name = word(p);
        if (open.empty() || elements[open.back()].name != name || *p++ != '>') error = "bad close";
        else open.pop_back();
        continue;
      }
      if (open.empty() && root_seen) {
        error = "second root";
        break;
      }
      Element e{word(p), {}, {}};
      if (e.name.empty()) error = "bad tag";
      while (error.empty() && *p == ' ') {
        ++p;
        const std::string attr = word(p);
        std::string value;
        if (attr.empty() || std::strncmp(p, "=\"", 2) != 0) error = "bad attribute";
        else if (p += 2; !decode(p, "\"", value) || *p++ != '"') error = "bad value";
        else if (!e.attrs.emplace(attr, value).second) error = "repeated attribute";
      }
      const bool empty = *p == '/';
      if (empty) ++p;
      if (*p++ != '>') error = "unterminated tag";
      root_seen = true;
      elements.push_back(e);
      if (!empty) open.push_back(static_cast<int>(elements.size()) - 1);
    }
    if (error.empty() && (!open.empty() || !root_seen)) error = "unbalanced";
  }

  std::vector<std::string> texts(const std::string& name) const {
    std::vector<std::string> out;
    for (const Element& e : elements)
      if (e.name == name) out.push_back(e.text);
    std::sort(out.begin(), out.end());
    return out;
  }
  const Element* text_element(const std::string& text) const {
    for (const Element& e : elements)
      if (e.name == "text" && e.text == text) return &e;
    return nullptr;
  }
};

TEST(Svg, WellFormedWithEveryLabel) {
  // The deepest leaf is n5 at 7 + 6 = 13 from the centre: the scale bar is
  // the round length below 13 / 4 = 3.25, that is 2.
  struct Case {
    const char* name;
    std::vector<std::string> popnames;
    int nboot;
    std::vector<std::string> texts;
  };
  const std::string bad = "bad\xef\xbf\xbd\xef\xbf\xbd";  // \x01 and \xff replaced
  const Case cases[] = {
      {"plain_bootstrap", {"n1", "n2", "n3", "n4", "n5"}, 3,
       {"100", "2", "66.66", "n1", "n2", "n3", "n4", "n5"}},
      {"escaped_no_bootstrap", {"a&b", "<i>", "\"q\"", "it's", "bad\x01\xff"}, 0,
       {"\"q\"", "2", "<i>", "a&b", bad, "it's"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FiveLeaves tree(c.popnames);
    const std::string doc = tree.svg(c.nboot);
    const Xml xml(doc);
    ASSERT_EQ(xml.error, "") << doc;
    ASSERT_FALSE(xml.elements.empty());
    EXPECT_EQ(xml.elements[0].name, "svg");
    EXPECT_EQ(xml.elements[0].attrs.at("xmlns"), "http://www.w3.org/2000/svg");
    std::vector<std::string> expected = c.texts;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(xml.texts("text"), expected);
    // Every branch carries its exact length.
    EXPECT_EQ(xml.texts("title"), (std::vector<std::string>{"length 1", "length 2", "length 3",
                                                            "length 4", "length 5", "length 6",
                                                            "length 7"}));
  }
}

// x of the element, in pixels.
double x_of(const Xml::Element* e) { return e ? std::atof(e->attrs.at("x").c_str()) : -1e9; }

TEST(Svg, BranchesAreToScaleAndNegativeOnesAreFlat) {
  // Leaf 1 hangs by a branch of -1.5, leaf 2 by one of 0: both are drawn at
  // node 7, depth 3. Leaf 3 is at 4, leaf 4 at 7 + 5 = 12, leaf 5 at 13.
  FiveLeaves tree({"n1", "n2", "n3", "n4", "n5"}, {5, 6, -1.5, 0, 3, 4, 7});
  const Xml xml(tree.svg(0));
  ASSERT_EQ(xml.error, "");
  const auto* n1 = xml.text_element("n1");
  const auto* n2 = xml.text_element("n2");
  const auto* n3 = xml.text_element("n3");
  const auto* n5 = xml.text_element("n5");
  EXPECT_EQ(x_of(n1), x_of(n2));
  // 13 / 4 = 3.25 gives a bar of 2: 2 / (13 - 4) of the distance n3 to n5.
  const Xml::Element* bar = nullptr;
  for (const auto& e : xml.elements)
    if (e.attrs.count("class") && e.attrs.at("class") == "scale-bar") bar = &e;
  ASSERT_NE(bar, nullptr);
  double x1, y, x2;
  ASSERT_EQ(std::sscanf(bar->attrs.at("d").c_str(), "M%lf %lfH%lf", &x1, &y, &x2), 3);
  EXPECT_NEAR((x2 - x1) / (x_of(n5) - x_of(n3)), 2.0 / 9, 1e-4);
  EXPECT_NEAR((x_of(n3) - x_of(n1)) / (x_of(n5) - x_of(n3)), 1.0 / 9, 1e-4);
  EXPECT_NE(xml.text_element("1 branch of negative length drawn as 0"), nullptr);
  EXPECT_EQ(xml.texts("title")[0], "length -1.5");
}

TEST(Svg, FlatTreeStillHasAScale) {
  // Every length 0: the drawing uses one unit for its width, so the bar is
  // the round length below 1 / 4, that is 0.2.
  FiveLeaves tree({"n1", "n2", "n3", "n4", "n5"}, {0, 0, 0, 0, 0, 0, 0});
  const std::string doc = tree.svg(0);
  const Xml xml(doc);
  ASSERT_EQ(xml.error, "");
  EXPECT_NE(xml.text_element("0.2"), nullptr);
  EXPECT_EQ(doc.find("nan"), std::string::npos);
  EXPECT_EQ(doc.find("inf"), std::string::npos);
  EXPECT_EQ(x_of(xml.text_element("n1")), x_of(xml.text_element("n5")));
}

}  // namespace
}  // namespace gadrin
