#include "distance/fast_comparer.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace gadrin {
namespace {

using Word = std::uint64_t;
constexpr int kWordBits = 64;

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

// The counting loops are written once, inlined into two sets of kernels:
// one built for the popcnt instruction, one counting bits portably.
#define GADRIN_KERNEL_BODY [[gnu::always_inline]] inline

GADRIN_KERNEL_BODY int bits(Word w) { return std::popcount(w); }

// Comparison 1 and the transition/transversion part of comparison 3 on
// two-plane words: bit 0 differing is a transversion; bit 0 equal and bit 1
// differing a transition, T<->C when the first base is a pyrimidine.
struct TsTv {
  int transitions = 0;
  int transversions = 0;
  int pyrimidine_transitions = 0;
};

GADRIN_KERNEL_BODY TsTv tstv_body(const Word* a, const Word* b, int words) {
  TsTv t;
  for (int w = 0; w < 2 * words; w += 2) {
    const Word x0 = a[w] ^ b[w];
    const Word ts = ~x0 & (a[w + 1] ^ b[w + 1]);
    t.transversions += bits(x0);
    t.transitions += bits(ts);
  }
  return t;
}

GADRIN_KERNEL_BODY TsTv tn_body(const Word* a, const Word* b, int words) {
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
GADRIN_KERNEL_BODY void tgc_pairs_body(const Word* a, const Word* b, int words, int m[3][3]) {
  for (int w = 0; w < 2 * words; w += 2) {
    const Word ai[3] = {a[w] & ~a[w + 1], ~a[w] & a[w + 1], a[w] & a[w + 1]};
    const Word bj[3] = {b[w] & ~b[w + 1], ~b[w] & b[w + 1], b[w] & b[w + 1]};
    for (int x = 0; x < 3; ++x) {
      for (int y = 0; y < 3; ++y) m[x][y] += bits(ai[x] & bj[y]);
    }
  }
}

template <int Planes>
GADRIN_KERNEL_BODY int differences_body(const Word* a, const Word* b, int words) {
  int d = 0;
  for (int w = 0; w < Planes * words; w += Planes) {
    Word x = 0;
    for (int k = 0; k < Planes; ++k) x |= a[w + k] ^ b[w + k];
    d += bits(x);
  }
  return d;
}

// Number of T, G and C in one sequence's two-plane words.
GADRIN_KERNEL_BODY void tgc_body(const Word* a, int words, int* tgc) {
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

#undef GADRIN_KERNEL_BODY

namespace portable {
TsTv tstv(const Word* a, const Word* b, int words) { return tstv_body(a, b, words); }
TsTv tn(const Word* a, const Word* b, int words) { return tn_body(a, b, words); }
void tgc_pairs(const Word* a, const Word* b, int words, int m[3][3]) {
  tgc_pairs_body(a, b, words, m);
}
int residue_differences(const Word* a, const Word* b, int words) {
  return differences_body<5>(a, b, words);
}
int state_differences(const Word* a, const Word* b, int words) {
  return differences_body<3>(a, b, words);
}
void tgc(const Word* a, int words, int* counts) { tgc_body(a, words, counts); }
}  // namespace portable

namespace hardware {
[[gnu::target("popcnt")]] TsTv tstv(const Word* a, const Word* b, int words) {
  return tstv_body(a, b, words);
}
[[gnu::target("popcnt")]] TsTv tn(const Word* a, const Word* b, int words) {
  return tn_body(a, b, words);
}
[[gnu::target("popcnt")]] void tgc_pairs(const Word* a, const Word* b, int words, int m[3][3]) {
  tgc_pairs_body(a, b, words, m);
}
[[gnu::target("popcnt")]] int residue_differences(const Word* a, const Word* b, int words) {
  return differences_body<5>(a, b, words);
}
[[gnu::target("popcnt")]] int state_differences(const Word* a, const Word* b, int words) {
  return differences_body<3>(a, b, words);
}
[[gnu::target("popcnt")]] void tgc(const Word* a, int words, int* counts) {
  tgc_body(a, words, counts);
}
}  // namespace hardware

}  // namespace

struct FastComparer::Kernels {
  TsTv (*tstv)(const Word*, const Word*, int);
  TsTv (*tn)(const Word*, const Word*, int);
  void (*tgc_pairs)(const Word*, const Word*, int, int[3][3]);
  int (*residue_differences)(const Word*, const Word*, int);
  int (*state_differences)(const Word*, const Word*, int);
  void (*tgc)(const Word*, int, int*);
};

namespace {

constexpr FastComparer::Kernels kPortable{portable::tstv, portable::tn, portable::tgc_pairs,
                                          portable::residue_differences,
                                          portable::state_differences, portable::tgc};
constexpr FastComparer::Kernels kHardware{hardware::tstv, hardware::tn, hardware::tgc_pairs,
                                          hardware::residue_differences,
                                          hardware::state_differences, hardware::tgc};

const FastComparer::Kernels* kernels_for(BitCounting counting) {
  if (counting == BitCounting::portable) return &kPortable;
  __builtin_cpu_init();
  return __builtin_cpu_supports("popcnt") ? &kHardware : &kPortable;
}

// Scratch space of the packing, `width` (nseq rounded up to a multiple of 16)
// elements per plane, so that the loops over sequences have no odd tail.
struct Scratch {
  std::ptrdiff_t nseq;
  std::ptrdiff_t width;
  unsigned char* row;    // one site's codes; entries past nseq stay 0
  unsigned char* bytes;  // eight sites' bits per sequence and plane
  Word* words;           // 64 sites' bits per sequence and plane
};

// Packs list entries [first, first + count) (count <= 64) into word `w` of
// every sequence's planes. Bits are gathered eight sites at a time in one
// byte per sequence and plane, the latest site in the lowest bit (the order
// of bits in a word is free as long as every sequence shares it, and unused
// bits stay 0), then moved into place in one word per sequence and plane;
// both are plane-major, so the loop over sequences reads one site row and
// writes contiguous elements. Returns the largest code met, taken as an
// unsigned byte.
template <int Planes>
unsigned char pack_word(const CharMatrix& seqs, const int* list, int first, int count,
                        const Scratch& sc, Word* planes, std::size_t stride, int w) {
  const std::ptrdiff_t width = sc.width;
  std::fill(sc.words, sc.words + Planes * width, Word{0});
  unsigned char largest = 0;
  for (int octet = 0; octet * 8 < count; ++octet) {
    std::fill(sc.bytes, sc.bytes + Planes * width, static_cast<unsigned char>(0));
    const int end = std::min(count, octet * 8 + 8);
    for (int t = octet * 8; t < end; ++t) {
      std::copy_n(seqs[list[first + t]], sc.nseq, sc.row);
      // The row and the byte planes are distinct buffers. (clang has no
      // plain no-alias hint: its vectorize(assume_safety) warns wherever the
      // loop is not vectorised, as in sanitizer and -O0 builds.)
#ifndef __clang__
#pragma GCC ivdep
#endif
      for (std::ptrdiff_t q = 0; q < width; ++q) {
        const unsigned char c = sc.row[q];
        largest = std::max(largest, c);
        for (int k = 0; k < Planes; ++k) {
          unsigned char& b = sc.bytes[k * width + q];
          b = static_cast<unsigned char>((b << 1) | ((c >> k) & 1u));
        }
      }
    }
    for (std::ptrdiff_t q = 0; q < Planes * width; ++q) {
      sc.words[q] |= Word{sc.bytes[q]} << (8 * octet);
    }
  }
  for (std::ptrdiff_t q = 0; q < sc.nseq; ++q) {
    Word* out = planes + static_cast<std::size_t>(q) * stride + static_cast<std::size_t>(w) * Planes;
    for (int k = 0; k < Planes; ++k) out[k] = sc.words[k * width + q];
  }
  return largest;
}

template <int Planes>
unsigned char pack_list(const CharMatrix& seqs, const int* list, int length, const Scratch& sc,
                        Word* planes, std::size_t stride) {
  unsigned char largest = 0;
  for (int first = 0, w = 0; first < length; first += kWordBits, ++w) {
    const int count = std::min(kWordBits, length - first);
    largest =
        std::max(largest, pack_word<Planes>(seqs, list, first, count, sc, planes, stride, w));
  }
  return largest;
}

}  // namespace

FastComparer::FastComparer(int nseq, int max_sites, int comparison, BitCounting counting)
    : kernels_(kernels_for(counting)),
      nseq_(std::max(nseq, 0)),
      max_words_((std::max(max_sites, 0) + kWordBits - 1) / kWordBits),
      max_planes_(planes_for(comparison)),
      stride_(static_cast<std::size_t>(max_words_) * static_cast<std::size_t>(max_planes_)),
      planes_(std::make_unique<Word[]>(stride_ * static_cast<std::size_t>(nseq_))),
      base_counts_(std::make_unique<int[]>(static_cast<std::size_t>(nseq_) * 3)),
      width_((nseq_ + 15) / 16 * 16),
      row_(std::make_unique<unsigned char[]>(width_)),
      acc_bytes_(std::make_unique<unsigned char[]>(width_ * static_cast<std::size_t>(max_planes_))),
      acc_words_(std::make_unique<Word[]>(width_ * static_cast<std::size_t>(max_planes_))) {}

std::size_t FastComparer::buffer_bytes() const {
  const std::size_t n = static_cast<std::size_t>(nseq_);
  const std::size_t planes = static_cast<std::size_t>(max_planes_);
  return stride_ * n * sizeof(Word) + n * 3 * sizeof(int) + width_ +
         width_ * planes * (1 + sizeof(Word));
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
  const Scratch sc{nseq_, static_cast<std::ptrdiff_t>(width_), row_.get(), acc_bytes_.get(),
                   acc_words_.get()};
  unsigned char largest = 0;
  switch (nplanes_) {
    case 2: largest = pack_list<2>(seqs, list, length_, sc, planes, stride_); break;
    case 3: largest = pack_list<3>(seqs, list, length_, sc, planes, stride_); break;
    default: largest = pack_list<5>(seqs, list, length_, sc, planes, stride_); break;
  }
  // A negative code reads as a byte of 128 or more and falls outside too.
  packed_ = largest < code_limit(comparison);
  if (!packed_) return;

  if (comparison == 2 || comparison == 3) {
    for (int q = 0; q < nseq_; ++q) kernels_->tgc(planes_of(q), words_, &base_counts_[q * 3]);
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
      const TsTv t = kernels_->tstv(a, b, words_);
      counts.P = t.transitions;
      counts.Q = t.transversions;
      break;
    }
    case 2: {
      // The T/G/C block is counted; the A row and column follow from each
      // sequence's base counts, and A/A from the list length.
      int tgc[3][3] = {};
      kernels_->tgc_pairs(a, b, words_, tgc);
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
      const TsTv t = kernels_->tn(a, b, words_);
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
      counts.D = kernels_->residue_differences(a, b, words_);
      counts.S = n - counts.D;
      break;
    default:
      counts.D = kernels_->state_differences(a, b, words_);
      counts.S = n - counts.D;
      break;
  }
}

}  // namespace gadrin
