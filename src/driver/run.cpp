#include "driver/run.h"

#include <cstdio>
#include <optional>

#include "distance/comparison.h"
#include "distance/engine.h"
#include "distance/fast_comparer.h"
#include "distance/methods.h"
#include "distance/pair_workers.h"
#include "driver/analysis.h"
#include "driver/bootstrap.h"
#include "driver/newick.h"
#include "driver/progress.h"
#include "driver/report.h"
#include "driver/svg.h"
#include "driver/table.h"
#include "input/encoding.h"
#include "input/fasta.h"
#include "input/popfile.h"
#include "input/seqfile.h"
#include "storage/fatal.h"
#include "storage/storage.h"
#include "tree/njtree.h"

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

void read_sequences(Settings& s, Analysis& a) {
  const auto dims = s.fasta ? read_fasta_dims : read_seq_dims;
  const auto content = s.fasta ? read_fasta : read_seqs;
  dims(s.seq_file.get(), a.nseq, a.nsite, a.maxnm);
  s.seq_file.reset();
  FilePtr stream = reopen(s.seq_name, s.report, "Can't open sequence file %s\n");
  a.names = char_matrix(a.nseq, a.maxnm + 1);
  a.seqs = char_matrix(a.nsite, a.nseq);
  a.complete = int_vector(a.nsite);
  a.variable = int_vector(a.nsite);
  a.site_class = int_vector(a.nsite);
  a.replicate_sites = int_vector(a.nsite);
  zero_rows(a.names, a.nseq, a.maxnm + 1);
  content(stream.get(), a.nseq, a.nsite, a.seqs, a.names, a.maxnm);
}

void read_populations(Settings& s, Analysis& a) {
  read_pop_dims(s.pop_file.get(), a.npop, a.maxpopnm, a.nseq);
  s.pop_file.reset();
  a.popnames = char_matrix(a.npop, a.maxpopnm + 1);
  a.pops = int_matrix(a.npop, 3);
  zero_rows(a.popnames, a.npop, a.maxpopnm + 1);
  for (int p = 0; p < a.npop; ++p) a.pops[p][0] = a.pops[p][1] = a.pops[p][2] = 0;
  FilePtr stream = reopen(s.pop_name, s.report, "Can't open poplation file %s\n");
  read_pops(stream.get(), a.npop, a.popnames, a.pops, a.nseq, a.maxpopnm);
}

void allocate_results(Analysis& a) {
  const int n = a.npop;
  a.within = double_vector(n);
  a.within_sums = double_vector(n);
  a.within_squares = double_vector(n);
  a.rep_within = double_vector(n);
  a.between = double_matrix(n, n);
  a.rep_between = double_matrix(n, n);
  a.dxy_sums = double_matrix(n, n);
  a.da_sums = double_matrix(n, n);
  a.nj = double_matrix(n, n);
  if (!a.has_tree()) return;
  const int pairs = n * (n - 1) / 2;
  a.join = int_matrix(n - 2, 3);
  a.rep_join = int_matrix(n - 2, 3);
  a.support = int_vector(n - 3);
  a.brlen = double_matrix(n, 3);
  a.rep_brlen = double_matrix(n, 3);
  a.partition = char_matrix(n - 3, n);
  a.rep_partition = char_matrix(n - 3, n);
  a.nodes = tnode_array(n - 2);
  a.branches = int_matrix(n - 3, 2);
  a.rep_branches = int_matrix(n - 3, 2);
  a.otu = int_vector(n);
  a.pair = int_matrix(pairs, 2);
  a.tie = int_vector(pairs);
  a.qval = double_vector(pairs);
  a.joindist = double_vector(n);
  a.rowsum = double_vector(n);
  a.leaf_side = char_vector(n);
  a.node_side = char_vector(n - 2);
  a.done = char_vector(n - 2);
  a.cand = int_vector(n - 3);
  a.obs_row = char_vector(n);
  a.comp_row = char_vector(n);
}

void code_sequences(const Settings& s, Analysis& a) {
  if (is_amino_method(s.method)) {
    code_amino_acids(a.seqs, a.nseq, a.nsite, a.nvariable, a.ncomplete, a.complete, a.variable,
                     a.site_class);
  } else {
    code_nucleotides(a.seqs, a.nseq, a.nsite, a.nvariable, a.ncomplete, a.variable, a.complete,
                     s.codon, a.site_class);
  }
}

// The observed tree's input: da (or dxy) of every pair, negative values as 0
// unless they are allowed. The engine has just cleared the matrix.
void fill_tree_input(const Settings& s, Analysis& a) {
  for (int i = 0; i < a.npop; ++i) {
    for (int j = i + 1; j < a.npop; ++j) {
      double v = s.use_dxy ? a.between[j][i] : a.between[i][j];
      if (v < 0 && !s.allow_neg) v = 0;
      a.nj[i][j] = a.nj[j][i] = v;
    }
  }
}

// Standard errors for the table, from the running sums before the report
// turns them into statistics in place.
void write_results_table(const Settings& s, const Analysis& a) {
  const int n = a.npop;
  DoubleVector within_se = double_vector(n);
  DoubleMatrix between_se = double_matrix(n, n);
  double whole_se = 0;
  if (s.nboot > 0) {
    for (int p = 0; p < n; ++p)
      within_se[p] = standard_error(bootstrap_stat(a.within_sums[p], a.within_squares[p], s.nboot).variance);
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        between_se[j][i] = standard_error(bootstrap_stat(a.dxy_sums[i][j], a.dxy_sums[j][i], s.nboot).variance);
        between_se[i][j] = standard_error(bootstrap_stat(a.da_sums[i][j], a.da_sums[j][i], s.nboot).variance);
      }
    }
    whole_se = standard_error(bootstrap_stat(a.whole_rep_sum, a.whole_rep_squares, s.nboot).variance);
  }
  write_table(s.table_file.get(), n, a.popnames, a.within, a.between, a.diversity, within_se,
              between_se, whole_se, s.nboot);
}

// The tree pictures; with fewer than three populations there is no tree.
void write_tree_files(const Settings& s, const Analysis& a) {
  using Writer = int (*)(std::FILE*, int, const CharMatrix&, const IntMatrix&, const DoubleMatrix&,
                         const IntMatrix&, const IntVector&, int);
  const struct {
    std::FILE* stream;
    const char* option;
    Writer write;
  } outputs[] = {{s.newick_file.get(), "--newick", write_newick},
                 {s.svg_file.get(), "--svg", write_svg}};
  for (const auto& output : outputs) {
    if (output.stream == nullptr) continue;
    if (!a.has_tree()) {
      std::fprintf(stderr, "no tree with fewer than three populations: %s file left empty\n",
                   output.option);
      continue;
    }
    output.write(output.stream, a.npop, a.popnames, a.join, a.brlen, a.branches, a.support,
                 s.nboot);
  }
}

// Closes an extra output file and reports one that could not be written whole.
void finish_file(FilePtr& file, const char* option) {
  if (!file) return;
  const bool written = std::fflush(file.get()) == 0 && !std::ferror(file.get());
  if (std::fclose(file.release()) != 0 || !written)
    fatal(stderr, "Can't write the %s file\n", option);
}

// Flushes the report and reports a stream that could not be written whole.
void finish_report(Settings& s) {
  bool written = std::fflush(s.report) == 0 && !std::ferror(s.report);
  if (s.report_file) written = std::fclose(s.report_file.release()) == 0 && written;
  if (!written) {
    if (s.report == stdout) fatal(stderr, "Can't write the report to standard output\n");
    fatal(stderr, "Can't write output-file:%s\n", s.report_name.c_str());
  }
}

}  // namespace

int run_analysis(Settings& settings, PairComparer* comparer) {
  Analysis a;
  read_sequences(settings, a);
  read_populations(settings, a);
  std::fflush(stdout);
  allocate_results(a);
  code_sequences(settings, a);

  // The pairs are counted from bit-packed site lists unless a comparer is given.
  std::optional<FastComparer> fast;
  if (comparer == nullptr) {
    fast.emplace(a.nseq, a.nsite, comparison_for(settings.method));
    comparer = &*fast;
  }
  std::optional<PairWorkers> workers;
  if (settings.threads > 1) workers.emplace(a.npop, a.pops, settings.threads);
  PairWorkers* const threads = workers ? &*workers : nullptr;

  write_report_head(settings.report, a);
  bootstrap_first_stage(settings, a);

  const int status = compute_distances(
      a.npop, a.pops, a.whole_sum, a.within, a.between, a.within_sums, a.within_squares,
      a.dxy_sums, a.da_sums, a.nj, a.npairs, a.seqs, a.ncomplete, a.complete, a.nvariable,
      a.variable, settings.method, settings.gamma, 0, settings.use_dxy, settings.allow_neg,
      *comparer, threads);
  if (status != 0) fatal(stdout, "distance was inapplicable\n");
  a.diversity = a.whole_sum / a.npairs;

  fill_tree_input(settings, a);
  if (a.has_tree())
    njtree(a.npop, a.nj, a.join, a.brlen, a.otu, a.pair, a.qval, a.joindist, a.rowsum);

  {
    Progress progress(stderr, settings.nboot);
    bootstrap_second_stage(
        settings, a, *comparer, [&progress](int done) { progress.update(done); }, threads);
  }
  if (settings.table_file) write_results_table(settings, a);
  write_report_body(settings.report, settings, a);
  finish_report(settings);
  write_tree_files(settings, a);
  finish_file(settings.newick_file, "--newick");
  finish_file(settings.svg_file, "--svg");
  finish_file(settings.table_file, "--table");
  return 0;
}

int run_analysis(Settings& settings) { return run_analysis(settings, nullptr); }

}  // namespace gadrin
