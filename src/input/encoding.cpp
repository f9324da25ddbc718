#include "input/encoding.h"

#include <string_view>

#include "storage/fatal.h"

namespace gadrin {
namespace {

constexpr int kNotInAlphabet = -1;

// The invalid-character lines. The byte's value is printed as a signed char
// widened to int, so bytes from 0x80 up show as ffffff80 to ffffffff.
unsigned signed_byte(char c) { return static_cast<unsigned>(static_cast<signed char>(c)); }

[[noreturn]] void invalid_base(int q, int s, char c) {
  fatal(stdout, "seq %d site %d  invalid base %c %x\n", q + 1, s + 1, c, signed_byte(c));
}

[[noreturn]] void invalid_amino_acid(int q, int s, char c) {
  fatal(stdout, "seq %d site %d  invalid amn %c %x\n", q + 1, s + 1, c, signed_byte(c));
}

// The code of every byte: its position in the alphabet, or kNotInAlphabet.
struct Alphabet {
  constexpr Alphabet(std::string_view letters, int first_incomplete,
                     void (*invalid)(int, int, char))
      : first_incomplete(first_incomplete), invalid(invalid) {
    for (int& code : codes) code = kNotInAlphabet;
    for (std::size_t i = 0; i < letters.size(); ++i) {
      codes[static_cast<unsigned char>(letters[i])] = static_cast<int>(i);
    }
  }

  int codes[256] = {};
  int first_incomplete;                   // codes from here up make a site incomplete
  void (*invalid)(int q, int s, char c);  // reports the byte and ends the process
};

constexpr Alphabet kNucleotides("ATGC-*X?", 4, invalid_base);
constexpr Alphabet kAminoAcids("ACDEFGHIKLMNPQRSTVWY-?*", 20, invalid_amino_acid);

// Codes the sites in place and lists them. `codon` is null when every site
// is examined.
void code_sites(const Alphabet& alphabet, CharMatrix& seqs, int nseq, int nsite, int& nvariable,
                int& ncomplete, IntVector& variable, IntVector& complete,
                const std::array<int, 3>* codon, IntVector& site_class) {
  nvariable = 0;
  ncomplete = 0;
  for (int s = 0; s < nsite; ++s) {
    site_class[s] = kInvariantSite;
    if (codon != nullptr && (*codon)[static_cast<std::size_t>(s % 3)] == 0) continue;
    char* row = seqs[s];
    bool incomplete = false;
    bool varied = false;
    for (int q = 0; q < nseq; ++q) {
      const char c = row[q];
      // "." takes sequence 0's code; in sequence 0 itself it stays "." and,
      // being no code, marks the site incomplete.
      if (c != '.') {
        const int code = alphabet.codes[static_cast<unsigned char>(c)];
        if (code == kNotInAlphabet) alphabet.invalid(q, s, c);
        row[q] = static_cast<char>(code);
      } else {
        row[q] = row[0];
      }
      const int value = static_cast<unsigned char>(row[q]);
      if (value >= alphabet.first_incomplete) {
        site_class[s] = kIncompleteSite;
        incomplete = true;
        break;
      }
      if (row[q] != row[0]) varied = true;
    }
    if (incomplete) continue;
    complete[ncomplete++] = s;
    if (varied) {
      site_class[s] = kVariableSite;
      variable[nvariable++] = s;
    }
  }
}

}  // namespace

int code_nucleotides(CharMatrix& seqs, int nseq, int nsite, int& nvariable, int& ncomplete,
                     IntVector& variable, IntVector& complete, const std::array<int, 3>& codon,
                     IntVector& site_class) {
  code_sites(kNucleotides, seqs, nseq, nsite, nvariable, ncomplete, variable, complete, &codon,
             site_class);
  return 0;
}

int code_amino_acids(CharMatrix& seqs, int nseq, int nsite, int& nvariable, int& ncomplete,
                     IntVector& complete, IntVector& variable, IntVector& site_class) {
  code_sites(kAminoAcids, seqs, nseq, nsite, nvariable, ncomplete, variable, complete, nullptr,
             site_class);
  return 0;
}

}  // namespace gadrin
