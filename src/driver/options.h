// Command line: the run settings, the usage text and the default seed.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>

namespace gadrin {

struct FileCloser {
  void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// What one invocation asks for. Both input files are open at their start;
// their names are kept because the run reads each file twice.
struct Settings {
  FilePtr seq_file;
  std::string seq_name;
  FilePtr pop_file;
  std::string pop_name;
  FilePtr report_file;           // set by -o; the report goes to stdout otherwise
  std::string report_name;
  std::FILE* report = stdout;    // the report stream
  int method = 0;                // distance method 0..16
  int nboot = 0;                 // bootstrap replicates B (>= 0)
  int seed = 0;                  // -s value, or time_seed()
  double gamma = 1.0;            // read in single precision, then widened
  std::array<int, 3> codon = {1, 1, 1};  // keep codon positions 1, 2, 3
  int use_dxy = 0;               // -dxy: tree from dxy instead of da
  int allow_neg = 0;             // -neg: negative values enter the tree input

  // Long options, written --name or --name=value.
  bool fasta = false;            // --fasta: the sequence file is aligned FASTA
  FilePtr newick_file;           // --newick=FILE: the observed tree in Newick
  FilePtr svg_file;              // --svg=FILE: the observed tree as an SVG picture
  FilePtr table_file;            // --table=FILE: the results as tab-separated values
  int threads = 1;               // --threads=N: threads counting the pairs
};

inline constexpr const char* kVersion = "0.1.0";
inline constexpr int kMaxThreads = 256;

// Seeds accepted by -s: the generator negates the seed and adds 54773 to it.
inline constexpr long kMinSeed = -2147483647L;
inline constexpr long kMaxSeed = 2147483647L - 54773L;

// Clock seconds since the epoch, modulo 3000.
[[nodiscard]] int time_seed();

// The usage line, "distance option" and the 17 numbered methods.
void print_usage(std::FILE* out);

// Scans argv left to right, opening every file it names as it goes, and
// returns the settings. Sets the process-wide verbosity level. Any error
// (and a command line without arguments, after the usage text) prints its
// message and ends the process with status 1.
[[nodiscard]] Settings parse_command_line(int argc, char** argv);

}  // namespace gadrin
