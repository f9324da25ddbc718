// Pair counts from bit-packed site columns.
//
// prepare() packs the codes of the listed sites (repeats included) as bit
// planes, one set of planes per sequence, 64 list positions per word; a pair
// is then counted with a handful of XOR/AND/popcount operations per word
// instead of a table lookup per site. The counts are integers, so counting in
// this order gives exactly the counts of the site-by-site walk.
//
// Planes per comparison:
//   1, 2, 3  two planes: bit 0 of the code (pyrimidine: T, C) and bit 1
//            (G, C). Bit 0 differs on a transversion; bit 0 equal and bit 1
//            differing is a transition.
//   4        five planes: the bits of the residue code 0..19.
//   5        three planes: the bits of the code 0..4.
// Identical sites follow from the list length, and the base counts of
// comparison 3 from counts of each sequence taken once per prepare().
//
// All buffers are sized by the constructor; prepare() allocates nothing.
// After prepare(), compare() only reads, so several threads may count pairs
// at once. A list holding a code outside its comparison's range (which the
// site lists of the encoder and of the resampling never do), a list longer
// than the constructor's max_sites, or a comparison needing more planes than
// the one the buffers were sized for, is counted by the site-by-site walk.
#pragma once

#include <cstdint>
#include <memory>

#include "distance/comparison.h"
#include "storage/storage.h"

namespace gadrin {

// How the kernels count bits: with the popcnt instruction when the CPU has
// it (fastest), or with portable code whatever the CPU (portable).
enum class BitCounting { fastest, portable };

class FastComparer final : public PairComparer {
 public:
  struct Kernels;

  // Buffers for nseq sequences and lists of up to max_sites entries, with the
  // planes of `comparison` (1..5); comparisons needing no more planes may be
  // prepared too.
  FastComparer(int nseq, int max_sites, int comparison,
               BitCounting counting = BitCounting::fastest);

  void prepare(const CharMatrix& seqs, int comparison, const SiteLists& sites) override;
  void compare(int i, int j, PairCounts& counts) const override;

  // Whether the latest prepare() packed its list (false: pairs are walked).
  [[nodiscard]] bool packed() const { return packed_; }
  // Bytes held for the packed planes and per-sequence counts.
  [[nodiscard]] std::size_t buffer_bytes() const;

 private:
  const std::uint64_t* planes_of(int q) const {
    return planes_.get() + static_cast<std::size_t>(q) * stride_;
  }

  const Kernels* kernels_;
  int nseq_;
  int max_words_;
  int max_planes_;
  std::size_t stride_;  // words per sequence: max_words_ * max_planes_

  // Per sequence q, at planes_of(q): word w of plane k at [w * nplanes_ + k].
  std::unique_ptr<std::uint64_t[]> planes_;
  // Per sequence q: number of T, G, C in its packed list ([q * 3 + b - 1]).
  std::unique_ptr<int[]> base_counts_;
  // Packing scratch: one site row, then a byte and a word per sequence and
  // plane, over width_ (nseq rounded up to 16) sequences.
  std::size_t width_;
  std::unique_ptr<unsigned char[]> row_;
  std::unique_ptr<unsigned char[]> acc_bytes_;
  std::unique_ptr<std::uint64_t[]> acc_words_;

  int comparison_ = 1;
  int nplanes_ = 2;
  int length_ = 0;  // entries in the packed list
  int words_ = 0;   // words per plane in use
  bool packed_ = false;
  // Kept for the site-by-site walk when the list could not be packed.
  const CharMatrix* seqs_ = nullptr;
  SiteLists sites_{};
};

}  // namespace gadrin
