// Sequence file, both passes, then the encoder; a differential check of the
// bit-packed pair comparer against the site walk on the coded sequences.
//
// Input: one byte of settings, then the file.
//   bit 0      the file is aligned FASTA (else one sequence per line)
//   bit 1      amino-acid codes (else nucleotide codes)
//   bits 2..4  the codon-position flags 1, 2, 3 (nucleotides)
#include <array>
#include <cstring>

#include "distance/comparison.h"
#include "distance/fast_comparer.h"
#include "harness.h"
#include "input/encoding.h"
#include "input/fasta.h"
#include "input/popfile.h"
#include "input/seqfile.h"
#include "storage/storage.h"

namespace gadrin::fuzz {
namespace {

struct Coded {
  int nseq = 0, nsite = 0, maxnm = 0;
  int ncomplete = 0, nvariable = 0;
  CharMatrix names, seqs;
  IntVector complete, variable, site_class;
};

void read_and_code(std::string_view file, unsigned flags, Coded& c) {
  const bool fasta = flags & 1;
  const bool amino = flags & 2;
  const std::array<int, 3> codon = {int(flags >> 2 & 1), int(flags >> 3 & 1), int(flags >> 4 & 1)};

  {
    MemoryStream first(file);
    (fasta ? read_fasta_dims : read_seq_dims)(first.get(), c.nseq, c.nsite, c.maxnm);
  }
  FUZZ_CHECK(c.nseq >= 0 && c.nsite >= 0 && c.maxnm >= 0);
  FUZZ_CHECK(c.nseq == 0 || c.nsite > 0);
  FUZZ_CHECK(static_cast<std::size_t>(c.nseq) * c.nsite <= file.size());

  c.names = char_matrix(c.nseq, c.maxnm + 1);
  c.seqs = char_matrix(c.nsite, c.nseq);
  c.complete = int_vector(c.nsite);
  c.variable = int_vector(c.nsite);
  c.site_class = int_vector(c.nsite);
  for (int q = 0; q < c.nseq; ++q) clear_buffer(c.names[q], c.maxnm + 1);
  {
    MemoryStream second(file);
    (fasta ? read_fasta : read_seqs)(second.get(), c.nseq, c.nsite, c.seqs, c.names, c.maxnm);
  }
  for (int q = 0; q < c.nseq; ++q) FUZZ_CHECK(c.names[q][c.maxnm] == '\0');

  if (amino) {
    code_amino_acids(c.seqs, c.nseq, c.nsite, c.nvariable, c.ncomplete, c.complete, c.variable,
                     c.site_class);
  } else {
    code_nucleotides(c.seqs, c.nseq, c.nsite, c.nvariable, c.ncomplete, c.variable, c.complete,
                     codon, c.site_class);
  }
}

// The lists are increasing, the variable sites are complete sites, and every
// listed site holds codes of the alphabet's complete range.
void check_sites(const Coded& c, bool amino, unsigned flags) {
  const int limit = amino ? 20 : 4;
  FUZZ_CHECK(0 <= c.nvariable && c.nvariable <= c.ncomplete && c.ncomplete <= c.nsite);
  int v = 0;
  for (int k = 0; k < c.ncomplete; ++k) {
    const int s = c.complete[k];
    FUZZ_CHECK(0 <= s && s < c.nsite && (k == 0 || c.complete[k - 1] < s));
    bool varied = false;
    for (int q = 0; q < c.nseq; ++q) {
      const int code = static_cast<unsigned char>(c.seqs[s][q]);
      FUZZ_CHECK(code < limit);
      varied = varied || code != static_cast<unsigned char>(c.seqs[s][0]);
    }
    FUZZ_CHECK(c.site_class[s] == (varied ? kVariableSite : kInvariantSite));
    if (varied) FUZZ_CHECK(v < c.nvariable && c.variable[v++] == s);
  }
  FUZZ_CHECK(v == c.nvariable);
  int incomplete = 0;
  for (int s = 0; s < c.nsite; ++s) {
    if (c.site_class[s] == kIncompleteSite) ++incomplete;
    if (!amino && !(flags >> (2 + s % 3) & 1)) FUZZ_CHECK(c.site_class[s] == kInvariantSite);
  }
  if (amino || (flags & 0x1c) == 0x1c) FUZZ_CHECK(incomplete + c.ncomplete == c.nsite || c.nseq == 0);
}

bool same_counts(const PairCounts& a, const PairCounts& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every comparison the codes allow, counted both ways, on the pairs among
// the first few sequences.
void check_comparers(const Coded& c, bool amino) {
  if (c.nseq < 2) return;
  const SiteLists sites{c.complete.data(), c.ncomplete, c.variable.data(), c.nvariable};
  const int nseq = std::min(c.nseq, 12);
  const std::array<int, 4> nucleotide = {1, 2, 3, 5};
  const std::array<int, 1> residue = {4};
  const std::span<const int> comparisons = amino ? std::span<const int>(residue)
                                                 : std::span<const int>(nucleotide);
  for (const BitCounting counting : {BitCounting::fastest, BitCounting::portable}) {
    for (const int comparison : comparisons) {
      FastComparer fast(c.nseq, c.nsite, comparison, counting);
      fast.prepare(c.seqs, comparison, sites);
      for (int i = 0; i < nseq; ++i) {
        for (int j = 0; j < nseq; ++j) {
          if (i == j) continue;
          PairCounts walked, packed;
          compare_pair(c.seqs, comparison, sites, i, j, walked);
          fast.compare(i, j, packed);
          FUZZ_CHECK(same_counts(walked, packed));
        }
      }
    }
  }
}

}  // namespace
}  // namespace gadrin::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gadrin::fuzz::install_fatal_handler();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace gadrin::fuzz;
  if (size < 1) return 0;
  const unsigned flags = data[0];
  try {
    Coded c;
    read_and_code(as_text(data + 1, size - 1), flags, c);
    check_sites(c, flags & 2, flags);
    check_comparers(c, flags & 2);
  } catch (const FatalExit&) {
  }
  return 0;
}
