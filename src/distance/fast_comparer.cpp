#include "distance/fast_comparer.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace gadrin {
namespace {

using Word = std::uint64_t;
constexpr int kWordBits = 64;

// The kernels carry a clone built for the popcnt instruction, chosen when the
// program is loaded on a CPU that has it; the default clone counts bits
// portably.
#define GADRIN_POPCNT_CLONES __attribute__((target_clones("popcnt", "default")))

int planes_for(int comparison) {
  switch (comparison) {
    case 4: return 5;
    case 5: return 3;
    default: return 2;
  }
}

// Codes below this limit take part in the comparison.
int code_limit(int comparison) {
  switch (comparison) {
    case 4: return 20;
    case 5: return 5;
    default: return 4;
  }
}

bool walks_variable_list(int comparison) {
  return comparison == 1 || comparison == 4 || comparison == 5;
}

inline int bits(Word w) { return std::popcount(w); }

// Comparison 1 and the transition/transversion part of comparison 3 on
// two-plane words: bit 0 differing is a transversion; bit 0 equal and bit 1
// differing a transition, T<->C when the first base is a pyrimidine.
struct TsTv {
  int transitions = 0;
  int transversions = 0;
  int pyrimidine_transitions = 0;
};

GADRIN_POPCNT_CLONES
TsTv count_tstv(const Word* a, const Word* b, int words) {
  TsTv t;
  for (int w = 0; w < 2 * words; w += 2) {
    const Word x0 = a[w] ^ b[w];
    const Word ts = ~x0 & (a[w + 1] ^ b[w + 1]);
    t.transversions += bits(x0);
    t.transitions += bits(ts);
  }
  return t;
}

GADRIN_POPCNT_CLONES
TsTv count_tn(const Word* a, const Word* b, int words) {
  TsTv t;
  for (int w = 0; w < 2 * words; w += 2) {
    const Word x0 = a[w] ^ b[w];
    const Word ts = ~x0 & (a[w + 1] ^ b[w + 1]);
    t.transversions += bits(x0);
    t.transitions += bits(ts);
    t.pyrimidine_transitions += bits(ts & a[w]);
  }
  return t;
}

// Base pairs with T, G or C on both sides; m[x][y] for codes x+1, y+1. Only
// these three one-hot planes are zero in the padding past the list's end.
GADRIN_POPCNT_CLONES
void count_tgc_pairs(const Word* a, const Word* b, int words, int m[3][3]) {
  for (int w = 0; w < 2 * words; w += 2) {
    const Word ai[3] = {a[w] & ~a[w + 1], ~a[w] & a[w + 1], a[w] & a[w + 1]};
    const Word bj[3] = {b[w] & ~b[w + 1], ~b[w] & b[w + 1], b[w] & b[w + 1]};
    for (int x = 0; x < 3; ++x) {
      for (int y = 0; y < 3; ++y) m[x][y] += bits(ai[x] & bj[y]);
    }
  }
}

template <int Planes>
int count_differences(const Word* a, const Word* b, int words) {
  int d = 0;
  for (int w = 0; w < Planes * words; w += Planes) {
    Word x = 0;
    for (int k = 0; k < Planes; ++k) x |= a[w + k] ^ b[w + k];
    d += bits(x);
  }
  return d;
}

GADRIN_POPCNT_CLONES
int count_residue_differences(const Word* a, const Word* b, int words) {
  return count_differences<5>(a, b, words);
}

GADRIN_POPCNT_CLONES
int count_state_differences(const Word* a, const Word* b, int words) {
  return count_differences<3>(a, b, words);
}

// Number of T, G and C in one sequence's two-plane words.
GADRIN_POPCNT_CLONES
void count_tgc(const Word* a, int words, int* tgc) {
  int t = 0, g = 0, c = 0;
  for (int w = 0; w < 2 * words; w += 2) {
    t += bits(a[w] & ~a[w + 1]);
    g += bits(~a[w] & a[w + 1]);
    c += bits(a[w] & a[w + 1]);
  }
  tgc[0] = t;
  tgc[1] = g;
  tgc[2] = c;
}

// Packs list entries [first, first + count) (count <= 64) into word `w` of
// every sequence's planes. acc holds Planes * nseq words, plane-major, so the
// inner loop over sequences reads one site row and writes contiguous words.
// Returns the largest code met, taken as an unsigned byte.
template <int Planes>
unsigned pack_word(const CharMatrix& seqs, const int* list, int first, int count, int nseq,
                   Word* acc, Word* planes, std::size_t stride, int w) {
  std::fill(acc, acc + static_cast<std::ptrdiff_t>(Planes) * nseq, Word{0});
  unsigned char largest = 0;
  for (int t = 0; t < count; ++t) {
    const auto* row = reinterpret_cast<const unsigned char*>(seqs[list[first + t]]);
    for (int q = 0; q < nseq; ++q) largest = std::max(largest, row[q]);
    for (int k = 0; k < Planes; ++k) {
      Word* plane = acc + static_cast<std::ptrdiff_t>(k) * nseq;
      for (int q = 0; q < nseq; ++q) plane[q] |= Word{(row[q] >> k) & 1u} << t;
    }
  }
  for (int q = 0; q < nseq; ++q) {
    Word* out = planes + static_cast<std::size_t>(q) * stride + static_cast<std::size_t>(w) * Planes;
    for (int k = 0; k < Planes; ++k) out[k] = acc[static_cast<std::ptrdiff_t>(k) * nseq + q];
  }
  return largest;
}

template <int Planes>
unsigned pack_list(const CharMatrix& seqs, const int* list, int length, int nseq, Word* acc,
                   Word* planes, std::size_t stride) {
  unsigned largest = 0;
  for (int first = 0, w = 0; first < length; first += kWordBits, ++w) {
    const int count = std::min(kWordBits, length - first);
    largest =
        std::max(largest, pack_word<Planes>(seqs, list, first, count, nseq, acc, planes, stride, w));
  }
  return largest;
}

}  // namespace

FastComparer::FastComparer(int nseq, int max_sites, int comparison)
    : nseq_(std::max(nseq, 0)),
      max_words_((std::max(max_sites, 0) + kWordBits - 1) / kWordBits),
      max_planes_(planes_for(comparison)),
      stride_(static_cast<std::size_t>(max_words_) * static_cast<std::size_t>(max_planes_)),
      planes_(std::make_unique<Word[]>(stride_ * static_cast<std::size_t>(nseq_))),
      base_counts_(std::make_unique<int[]>(static_cast<std::size_t>(nseq_) * 3)),
      acc_(std::make_unique<Word[]>(static_cast<std::size_t>(max_planes_) *
                                    static_cast<std::size_t>(nseq_))) {}

std::size_t FastComparer::buffer_bytes() const {
  return (stride_ * static_cast<std::size_t>(nseq_) +
          static_cast<std::size_t>(max_planes_) * static_cast<std::size_t>(nseq_)) *
             sizeof(Word) +
         static_cast<std::size_t>(nseq_) * 3 * sizeof(int);
}

void FastComparer::prepare(const CharMatrix& seqs, int comparison, const SiteLists& sites) {
  seqs_ = &seqs;
  sites_ = sites;
  comparison_ = comparison;
  nplanes_ = planes_for(comparison);
  const bool variable = walks_variable_list(comparison);
  const int* list = variable ? sites.variable : sites.complete;
  length_ = std::max(variable ? sites.v : sites.n, 0);
  words_ = (length_ + kWordBits - 1) / kWordBits;
  packed_ = comparison >= 1 && comparison <= 5 && nplanes_ <= max_planes_ && words_ <= max_words_;
  if (!packed_) return;

  Word* planes = planes_.get();
  unsigned largest = 0;
  switch (nplanes_) {
    case 2: largest = pack_list<2>(seqs, list, length_, nseq_, acc_.get(), planes, stride_); break;
    case 3: largest = pack_list<3>(seqs, list, length_, nseq_, acc_.get(), planes, stride_); break;
    default: largest = pack_list<5>(seqs, list, length_, nseq_, acc_.get(), planes, stride_); break;
  }
  // A negative code reads as a byte of 128 or more and falls outside too.
  packed_ = largest < static_cast<unsigned>(code_limit(comparison));
  if (!packed_) return;

  if (comparison == 2 || comparison == 3) {
    for (int q = 0; q < nseq_; ++q) count_tgc(planes_of(q), words_, &base_counts_[q * 3]);
  }
}

void FastComparer::compare(int i, int j, PairCounts& counts) const {
  counts = PairCounts{};
  if (!packed_) {
    compare_pair(*seqs_, comparison_, sites_, i, j, counts);
    return;
  }
  const Word* a = planes_of(i);
  const Word* b = planes_of(j);
  const int n = length_;
  switch (comparison_) {
    case 1: {
      const TsTv t = count_tstv(a, b, words_);
      counts.P = t.transitions;
      counts.Q = t.transversions;
      break;
    }
    case 2: {
      // The T/G/C block is counted; the A row and column follow from each
      // sequence's base counts, and A/A from the list length.
      int tgc[3][3] = {};
      count_tgc_pairs(a, b, words_, tgc);
      const int* ci = &base_counts_[i * 3];
      const int* cj = &base_counts_[j * 3];
      int rest = n;
      for (int x = 1; x < 4; ++x) {
        counts.M[x][0] = ci[x - 1];
        counts.M[0][x] = cj[x - 1];
        for (int y = 1; y < 4; ++y) {
          counts.M[x][y] = tgc[x - 1][y - 1];
          counts.M[x][0] -= tgc[x - 1][y - 1];
          counts.M[0][x] -= tgc[y - 1][x - 1];
        }
      }
      for (int x = 0; x < 4; ++x) {
        for (int y = 0; y < 4; ++y) {
          if (x != 0 || y != 0) rest -= counts.M[x][y];
        }
      }
      counts.M[0][0] = rest;
      const auto& m = counts.M;
      counts.S = m[0][0] + m[1][1] + m[2][2] + m[3][3];
      counts.P = m[0][2] + m[2][0] + m[1][3] + m[3][1];
      counts.Q = n - counts.S - counts.P;
      break;
    }
    case 3: {
      const TsTv t = count_tn(a, b, words_);
      counts.P2 = t.pyrimidine_transitions;
      counts.P1 = t.transitions - t.pyrimidine_transitions;
      counts.Q = t.transversions;
      counts.S = n - t.transitions - t.transversions;
      const int* ci = &base_counts_[i * 3];
      const int* cj = &base_counts_[j * 3];
      counts.base[0] = 2 * n;
      for (int x = 1; x < 4; ++x) {
        counts.base[x] = ci[x - 1] + cj[x - 1];
        counts.base[0] -= counts.base[x];
      }
      break;
    }
    case 4:
      counts.D = count_residue_differences(a, b, words_);
      counts.S = n - counts.D;
      break;
    default:
      counts.D = count_state_differences(a, b, words_);
      counts.S = n - counts.D;
      break;
  }
}

}  // namespace gadrin
