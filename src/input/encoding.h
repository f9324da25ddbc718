// Sequence encoding: characters become codes in place, and the sites that
// every sequence covers (complete) and those where some sequence differs from
// the first (variable) are listed.
//
// Nucleotide codes are positions in "ATGC-*X?" (0..3 bases, 4..7 make a site
// incomplete); amino-acid codes are positions in "ACDEFGHIKLMNPQRSTVWY-?*"
// (0..19 residues, 20..22 make a site incomplete). "." copies the code of
// sequence 0 at the same site.
#pragma once

#include <array>

#include "storage/storage.h"

namespace gadrin {

// Site classes.
inline constexpr int kInvariantSite = 0;   // complete and invariant, or not examined
inline constexpr int kIncompleteSite = 1;
inline constexpr int kVariableSite = 2;    // complete and variable

// Codes the nucleotide sites whose codon position ((site mod 3) + 1) has a
// nonzero flag, filling the complete- and variable-site lists (nsite entries
// each, from their start) with their counts, and the class of every site. An
// invalid character prints "seq %d site %d  invalid base %c %x" on standard
// output and ends the process with status 1. Returns 0.
int code_nucleotides(CharMatrix& seqs, int nseq, int nsite, int& nvariable, int& ncomplete,
                     IntVector& variable, IntVector& complete, const std::array<int, 3>& codon,
                     IntVector& site_class);

// The same for amino acids, on every site ("invalid amn" for a bad character).
int code_amino_acids(CharMatrix& seqs, int nseq, int nsite, int& nvariable, int& ncomplete,
                     IntVector& complete, IntVector& variable, IntVector& site_class);

}  // namespace gadrin
