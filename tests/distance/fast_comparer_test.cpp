#include "distance/fast_comparer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "distance/comparison.h"
#include "storage/storage.h"
#include "support/coded.h"

namespace gadrin {
namespace {

using testing_support::describe;

// A coded alignment with its site lists, built as the encoder builds them
// (complete = no code at or above the alphabet's size, variable = complete
// and some code differing from sequence 0's), optionally replaced by a
// bootstrap draw with repeats.
struct DataSet {
  int nseq = 0;
  int nsite = 0;
  CharMatrix seqs;
  std::vector<int> complete;
  std::vector<int> variable;

  SiteLists lists() const {
    return {complete.data(), static_cast<int>(complete.size()), variable.data(),
            static_cast<int>(variable.size())};
  }
};

struct Shape {
  const char* name;
  int nseq;
  int nsite;
  int alphabet;       // 4 bases or 20 residues
  double divergence;  // chance that a sequence's code differs from the ancestor's
  double gaps;        // chance that a cell holds a gap or ambiguity code
  bool replicate;     // replace the lists by a draw with repeats
};

DataSet make_data(const Shape& shape, std::mt19937& rng) {
  DataSet d;
  d.nseq = shape.nseq;
  d.nsite = shape.nsite;
  d.seqs = char_matrix(shape.nsite, shape.nseq);
  const int incomplete_codes = shape.alphabet == 4 ? 4 : 3;  // "-*X?" or "-?*"
  std::uniform_int_distribution<int> code(0, shape.alphabet - 1);
  std::uniform_int_distribution<int> gap(shape.alphabet, shape.alphabet + incomplete_codes - 1);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::vector<int> site_class(static_cast<std::size_t>(shape.nsite), 0);
  for (int s = 0; s < shape.nsite; ++s) {
    const int ancestor = code(rng);
    bool complete = true;
    bool variable = false;
    for (int q = 0; q < shape.nseq; ++q) {
      int c = u(rng) < shape.divergence ? code(rng) : ancestor;
      if (u(rng) < shape.gaps) c = gap(rng);
      d.seqs[s][q] = static_cast<char>(c);
      if (c >= shape.alphabet) complete = false;
      if (c != d.seqs[s][0]) variable = true;
    }
    if (!complete) continue;
    d.complete.push_back(s);
    if (variable) {
      d.variable.push_back(s);
      site_class[static_cast<std::size_t>(s)] = 2;
    }
  }
  if (shape.replicate) {
    const std::vector<int> observed = d.complete;
    d.variable.clear();
    if (!observed.empty()) {
      std::uniform_int_distribution<std::size_t> pick(0, observed.size() - 1);
      for (int& site : d.complete) {
        site = observed[pick(rng)];
        if (site_class[static_cast<std::size_t>(site)] == 2) d.variable.push_back(site);
      }
    }
  }
  return d;
}


// Compares every ordered pair (both orientations: the base-pair table is not
// symmetric) and reports the first pair that differs.
// `packed` tells whether the fast comparer is expected to use its planes or
// to walk the sites.
void expect_same_counts(const DataSet& d, int comparison, FastComparer& fast, bool packed,
                        const std::string& label) {
  ReferenceComparer reference;
  const SiteLists lists = d.lists();
  reference.prepare(d.seqs, comparison, lists);
  fast.prepare(d.seqs, comparison, lists);
  EXPECT_EQ(fast.packed(), packed) << label << " comparison " << comparison;
  for (int i = 0; i < d.nseq; ++i) {
    for (int j = 0; j < d.nseq; ++j) {
      if (i == j) continue;
      PairCounts want;
      reference.compare(i, j, want);
      PairCounts got;
      got.S = got.P = got.Q = got.P1 = got.P2 = got.D = -7;  // must be cleared
      got.M[3][3] = got.base[2] = -7;
      fast.compare(i, j, got);
      const std::string w = describe(want);
      const std::string g = describe(got);
      if (w != g) {
        ADD_FAILURE() << label << " comparison " << comparison << " pair " << i << "," << j
                      << "\n  reference " << w << "\n  fast      " << g;
        return;
      }
    }
  }
}

// Whether every listed code of the comparison's list is below its limit.
bool fits(const DataSet& d, int comparison) {
  const bool variable = comparison == 1 || comparison == 4 || comparison == 5;
  const int limit = comparison == 4 ? 20 : comparison == 5 ? 5 : 4;
  for (int s : variable ? d.variable : d.complete) {
    for (int q = 0; q < d.nseq; ++q) {
      if (d.seqs[s][q] < 0 || d.seqs[s][q] >= limit) return false;
    }
  }
  return true;
}

// Shapes cover list lengths around the 64-site word, lists that hold no site,
// all-constant data, gaps removing sites, and bootstrap lists with repeats.
const Shape kShapes[] = {
    {"one site", 3, 1, 4, 0.5, 0.0, false},
    {"63 sites", 5, 63, 4, 0.3, 0.0, false},
    {"64 sites", 5, 64, 4, 0.3, 0.0, false},
    {"65 sites", 5, 65, 4, 0.3, 0.0, false},
    {"no site", 4, 0, 4, 0.1, 0.0, false},
    {"every site incomplete", 4, 20, 4, 0.1, 1.0, false},
    {"all constant", 6, 150, 4, 0.0, 0.0, false},
    {"all constant drawn", 6, 150, 4, 0.0, 0.0, true},
    {"low divergence with gaps", 30, 700, 4, 0.01, 0.002, false},
    {"high divergence with gaps", 12, 333, 4, 0.4, 0.01, false},
    {"drawn sites", 25, 517, 4, 0.05, 0.001, true},
    {"16 sequences", 16, 130, 4, 0.1, 0.0, true},
    {"33 sequences", 33, 191, 4, 0.1, 0.0, false},
    {"drawn, nearly all variable", 9, 200, 4, 0.6, 0.0, true},
    {"residues", 15, 411, 20, 0.1, 0.005, false},
    {"residues drawn", 15, 389, 20, 0.3, 0.005, true},
    {"residues, one site", 3, 1, 20, 0.9, 0.0, false},
};

TEST(FastComparer, CountsEqualTheSiteWalkOnRandomData) {
  std::mt19937 rng(20240611);
  for (const Shape& shape : kShapes) {
    for (int trial = 0; trial < 3; ++trial) {
      const DataSet d = make_data(shape, rng);
      const std::string label = std::string(shape.name) + " trial " + std::to_string(trial);
      // Residue codes fall outside comparisons 1, 2, 3 and 5 and go through
      // the site walk there, unless the list holds only codes 0..3 (or
      // 0..4); the nucleotide data are packed for every comparison.
      // Both ways of counting bits run, whichever this CPU would pick.
      for (int comparison = 1; comparison <= 5; ++comparison) {
        const bool packed = fits(d, comparison);
        if (shape.alphabet == 4) {
          EXPECT_TRUE(packed);
        }
        FastComparer fastest(d.nseq, d.nsite, comparison, BitCounting::fastest);
        expect_same_counts(d, comparison, fastest, packed, label);
        FastComparer portable(d.nseq, d.nsite, comparison, BitCounting::portable);
        expect_same_counts(d, comparison, portable, packed, label + " portable");
      }
    }
  }
}

// One comparer sized once serves a run: the observed lists, then replicates
// of other lengths, each prepare() replacing the previous packing.
TEST(FastComparer, ReusedAcrossReplicatesOfDifferentLengths) {
  std::mt19937 rng(7);
  const int nseq = 20;
  const int nsite = 300;
  for (int comparison : {1, 2, 3, 5}) {
    FastComparer fast(nseq, nsite, comparison);
    for (int nsite_used : {300, 70, 0, 129, 1, 300}) {
      const Shape shape{"replicate", nseq, nsite_used, 4, 0.08, 0.003, nsite_used != 300};
      const DataSet d = make_data(shape, rng);
      expect_same_counts(d, comparison, fast, true, "length " + std::to_string(nsite_used));
    }
  }
  FastComparer residues(nseq, nsite, 4);
  for (int nsite_used : {257, 3, 256}) {
    const Shape shape{"residues", nseq, nsite_used, 20, 0.2, 0.0, true};
    const DataSet d = make_data(shape, rng);
    expect_same_counts(d, 4, residues, true, "residues " + std::to_string(nsite_used));
  }
}

// Lists that the encoder never makes still count exactly: a listed site with
// an out-of-range or negative code is passed over by the walk, so the packed
// counts must not be used for it. (A gap is in range for comparison 5, and
// every base code for comparison 4.)
TEST(FastComparer, ListedCodesOutsideTheRangeAreWalked) {
  std::mt19937 rng(99);
  struct Bad {
    const char* name;
    int alphabet;
    char code;
  };
  const Bad bad[] = {
      {"gap among bases", 4, 4},
      {"question mark among bases", 4, 7},
      {"negative byte among bases", 4, static_cast<char>(-3)},
      {"gap among residues", 20, 20},
      {"negative byte among residues", 20, static_cast<char>(-128)},
  };
  for (const Bad& b : bad) {
    const Shape shape{b.name, 8, 140, b.alphabet, 0.2, 0.0, false};
    DataSet d = make_data(shape, rng);
    ASSERT_FALSE(d.variable.empty());
    d.seqs[d.variable[d.variable.size() / 2]][3] = b.code;
    d.seqs[d.complete.back()][5] = b.code;
    for (int comparison = 1; comparison <= 5; ++comparison) {
      FastComparer fast(d.nseq, d.nsite, comparison);
      expect_same_counts(d, comparison, fast, fits(d, comparison), b.name);
    }
  }
}

// A comparer sized for fewer sites or fewer planes than asked still counts
// exactly, by walking the sites.
TEST(FastComparer, ListsBeyondTheBuffersAreWalked) {
  std::mt19937 rng(3);
  const DataSet bases = make_data({"bases", 10, 200, 4, 0.1, 0.0, true}, rng);
  FastComparer small(bases.nseq, 64, 1);
  expect_same_counts(bases, 1, small, false, "200 sites in a 64-site comparer");
  expect_same_counts(bases, 5, small, false, "five states in a two-plane comparer");

  const DataSet residues = make_data({"residues", 10, 200, 20, 0.3, 0.0, false}, rng);
  FastComparer nucleotide(residues.nseq, residues.nsite, 1);
  expect_same_counts(residues, 4, nucleotide, false, "residues in a two-plane comparer");
}

TEST(FastComparer, PackedPlanesAreSmall) {
  // 300 sequences x 3000 sites: 47 words of 64 sites, 2 planes, 8 bytes a
  // word: 300 x 47 x 2 x 8 = 225600 bytes of planes; 300 x 3 base counts x 4
  // = 3600; packing scratch over 304 sequences (300 rounded up to 16): a row
  // of 304 bytes and 304 x 2 x (1 + 8) = 5472. In all 234976 bytes, about a
  // quarter of the 900000-byte sequence matrix.
  const FastComparer nucleotides(300, 3000, 1);
  EXPECT_EQ(nucleotides.buffer_bytes(), 225600u + 3600u + 304u + 5472u);
  // Five planes for residues: 300 x 47 x 5 x 8 = 564000, 304 x 5 x 9 = 13680.
  const FastComparer residues(300, 3000, 4);
  EXPECT_EQ(residues.buffer_bytes(), 564000u + 3600u + 304u + 13680u);
}

}  // namespace
}  // namespace gadrin
