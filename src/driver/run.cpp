#include "driver/run.h"

#include <cstdio>

#include "distance/methods.h"
#include "input/encoding.h"
#include "input/popfile.h"
#include "input/seqfile.h"
#include "storage/fatal.h"
#include "storage/storage.h"

namespace gadrin {
namespace {

// Opens an input file for its second pass; the failure goes to the report stream.
FilePtr reopen(const std::string& name, std::FILE* report, const char* message) {
  FilePtr stream(std::fopen(name.c_str(), "r"));
  if (!stream) fatal(report, message, name.c_str());
  return stream;
}

void zero_rows(CharMatrix& m, int rows, int cols) {
  for (int i = 0; i < rows; ++i) clear_buffer(m[i], cols);
}

}  // namespace

int run_analysis(Settings& settings) {
  std::FILE* report = settings.report;

  // Sequence file: dimensions, then content.
  int nseq = 0, nsite = 0, maxnm = 0;
  read_seq_dims(settings.seq_file.get(), nseq, nsite, maxnm);
  settings.seq_file.reset();
  FilePtr seq_file = reopen(settings.seq_name, report, "Can't open sequence file %s\n");
  CharMatrix names = char_matrix(nseq, maxnm + 1);
  CharMatrix seqs = char_matrix(nsite, nseq);
  IntVector complete = int_vector(nsite);
  IntVector variable = int_vector(nsite);
  IntVector site_class = int_vector(nsite);
  IntVector replicate_sites = int_vector(nsite);
  zero_rows(names, nseq, maxnm + 1);
  read_seqs(seq_file.get(), nseq, nsite, seqs, names, maxnm);
  seq_file.reset();

  // Population file: dimensions, then content.
  int npop = 0, maxpopnm = 0;
  read_pop_dims(settings.pop_file.get(), npop, maxpopnm, nseq);
  settings.pop_file.reset();
  CharMatrix popnames = char_matrix(npop, maxpopnm + 1);
  IntMatrix pops = int_matrix(npop, 3);
  zero_rows(popnames, npop, maxpopnm + 1);
  for (int p = 0; p < npop; ++p) pops[p][0] = pops[p][1] = pops[p][2] = 0;
  FilePtr pop_file = reopen(settings.pop_name, report, "Can't open poplation file %s\n");
  read_pops(pop_file.get(), npop, popnames, pops, nseq);
  pop_file.reset();
  std::fflush(stdout);

  int nvariable = 0, ncomplete = 0;
  if (is_amino_method(settings.method)) {
    code_amino_acids(seqs, nseq, nsite, nvariable, ncomplete, complete, variable, site_class);
  } else {
    code_nucleotides(seqs, nseq, nsite, nvariable, ncomplete, variable, complete, settings.codon,
                     site_class);
  }
  return 0;
}

}  // namespace gadrin
