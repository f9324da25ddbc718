// A whole run on a small sequence file and population file, both taken from
// the input, counted once with the bit-packed comparer (on one or two
// threads) and once with the site walk: the two reports must be byte for
// byte the same.
//
// Input: four bytes of settings, the sequence file, the line "==", the
// population file (empty when the separator is missing).
//   byte 0     method, modulo 17
//   byte 1     bits 0..1 bootstrap replicates (0..3); bit 2 -dxy; bit 3 -neg;
//              bit 4 --fasta; bits 5..6 -u level (0 and 3 leave it off);
//              bit 7 --newick, --svg and --table, written to /dev/null
//   byte 2     bits 0..2 codon positions kept (7 or 0: no -c); bits 3..5 gamma;
//              bit 6 the first run counts the pairs on two threads
//   byte 3     seed
#include <unistd.h>

#include <string>
#include <vector>

#include "distance/comparison.h"
#include "driver/options.h"
#include "driver/run.h"
#include "harness.h"
#include "tree/partitions.h"
#include "tree/random.h"

namespace gadrin::fuzz {
namespace {

std::string folder;
std::string seq_path, pop_path, report_paths[2];

void remove_folder() {
  for (const std::string& f : {seq_path, pop_path, report_paths[0], report_paths[1]})
    unlink(f.c_str());
  rmdir(folder.c_str());
}

std::vector<std::string> arguments(const std::uint8_t* options, const std::string& report,
                                   bool threads) {
  static const char* const gammas[] = {"1", "0.5", "2", "0", "0.05", "100", "1e-30", "3.5"};
  std::vector<std::string> args = {"gadrin", seq_path, "-p" + pop_path, "-o" + report};
  args.push_back("-d" + std::to_string(options[0] % 17));
  args.push_back("-b" + std::to_string(options[1] & 3));
  if (options[1] & 4) args.push_back("-dxy");
  if (options[1] & 8) args.push_back("-neg");
  if (options[1] & 16) args.push_back("--fasta");
  const int level = options[1] >> 5 & 3;
  if (level == 1 || level == 2) args.push_back("-u" + std::to_string(level));
  if (options[1] & 128) {
    for (const char* option : {"--newick=/dev/null", "--svg=/dev/null", "--table=/dev/null"})
      args.push_back(option);
  }
  const int codon = options[2] & 7;
  if (codon != 0 && codon != 7) {
    args.push_back("-c");
    for (int p = 0; p < 3; ++p)
      if (codon >> p & 1) args.push_back(std::to_string(p + 1));
  }
  args.push_back(std::string("-g") + gammas[options[2] >> 3 & 7]);
  args.push_back("-s" + std::to_string(options[3]));
  if (threads) args.push_back("--threads=2");
  return args;
}

// One run; false when it ended with a fatal condition.
bool run(std::vector<std::string> args, PairComparer* comparer) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // Each run starts as a process does: quiet, and with the generator
  // unseeded (seed 0 seeds it only then).
  verbosity = 0;
  ran1_reset();
  try {
    Settings settings = parse_command_line(static_cast<int>(args.size()), argv.data());
    FUZZ_CHECK(run_analysis(settings, comparer) == 0);
    return true;
  } catch (const FatalExit&) {
    return false;
  }
}

std::string contents(const std::string& path) {
  std::string text;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  FUZZ_CHECK(f != nullptr);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  std::fclose(f);
  return text;
}

}  // namespace
}  // namespace gadrin::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace gadrin::fuzz;
  install_fatal_handler();
  char name[] = "/tmp/gadrin-fuzz-run-XXXXXX";
  FUZZ_CHECK(mkdtemp(name) != nullptr);
  folder = name;
  seq_path = folder + "/seq";
  pop_path = folder + "/pop";
  report_paths[0] = folder + "/report-packed";
  report_paths[1] = folder + "/report-walked";
  std::atexit(remove_folder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace gadrin;
  using namespace gadrin::fuzz;
  if (size < 4) return 0;
  const std::string_view files = as_text(data + 4, size - 4);
  const std::size_t separator = files.find("\n==\n");
  write_file(seq_path, files.substr(0, separator));
  write_file(pop_path, separator == std::string_view::npos ? std::string_view()
                                                           : files.substr(separator + 4));

  const bool packed_ended = run(arguments(data, report_paths[0], data[2] & 64), nullptr);
  ReferenceComparer walk;
  const bool walked_ended = run(arguments(data, report_paths[1], false), &walk);
  FUZZ_CHECK(packed_ended == walked_ended);
  FUZZ_CHECK(contents(report_paths[0]) == contents(report_paths[1]));
  return 0;
}
