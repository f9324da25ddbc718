#include "driver/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

#include <sys/stat.h>

#include "distance/methods.h"
#include "storage/fatal.h"
#include "tree/partitions.h"

namespace gadrin {
namespace {

// A decimal integer as "%d" scans it: leading white space skipped, stops at
// the first character that cannot continue it. Empty when no digit could be
// read; LONG_MIN/LONG_MAX when it does not fit in a long.
std::optional<long> scan_long(const char* text) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (end == text) return std::nullopt;
  return value;
}

// An option's integer value, rejected unless it lies in [low, high].
std::optional<int> scan_int_in(const char* text, long low, long high) {
  const std::optional<long> value = scan_long(text);
  if (!value) return std::nullopt;
  if (*value < low || *value > high) fatal(stderr, "invalid option\n");
  return static_cast<int>(*value);
}

bool is_position_digit(char c) { return c >= '0' && c <= '3'; }

void add_codon_position(const char* text, std::array<int, 3>& codon) {
  const std::optional<int> position = scan_int_in(text, 1, 3);
  if (position) codon[*position - 1] = 1;
}

// A folder opens for reading but reads as an empty file: it counts as a
// file that cannot be opened.
FilePtr open_or_fail(const char* name, const char* mode, const char* message) {
  FilePtr stream(std::fopen(name, mode));
  struct stat info {};
  if (stream && ::fstat(fileno(stream.get()), &info) == 0 && S_ISDIR(info.st_mode)) stream.reset();
  if (!stream) fatal(stderr, message, name);
  return stream;
}

// The arguments that name input files (bare arguments and -p values), found
// as the scan will find them, with the same positions consumed by -c.
std::vector<const char*> input_file_arguments(int argc, char** argv) {
  std::vector<const char*> inputs;
  for (int a = 1; a < argc; ++a) {
    const char* arg = argv[a];
    if (arg[0] != '-') {
      inputs.push_back(arg);
    } else if (arg[1] == 'p') {
      inputs.push_back(arg + 2);
    } else if (arg[1] == 'c') {
      while (a + 1 < argc && is_position_digit(argv[a + 1][0])) ++a;
    }
  }
  return inputs;
}

// Creating the report file empties it: refuse when it is one of the input
// files, whatever path names it.
void refuse_input_as_output(const char* output, int argc, char** argv) {
  struct stat out {};
  if (::stat(output, &out) != 0) return;
  for (const char* input : input_file_arguments(argc, argv)) {
    struct stat in {};
    if (::stat(input, &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
      fatal(stderr, "Output file %s is an input file\n", output);
  }
}

// An extra output file named by a long option: created at once, like -o.
FilePtr create_output(const char* option, const char* name, int argc, char** argv) {
  refuse_input_as_output(name, argc, argv);
  FilePtr stream(std::fopen(name, "w"));
  if (!stream) fatal(stderr, "Can't open %s file:%s\n", option, name);
  return stream;
}

// The value of "--name=value" when `arg` is that option; a known option
// written without "=value" is an error.
const char* long_value(const char* arg, const char* name, const char* form) {
  const std::size_t length = std::strlen(name);
  if (std::strncmp(arg, name, length) != 0) return nullptr;
  if (arg[length] == '=') return arg + length + 1;
  if (arg[length] == '\0') fatal(stderr, "option %s needs a value: %s\n", name, form);
  return nullptr;
}

// Options of the form --name or --name=value. Anything else that begins
// with "--" gets the answer of any unknown option.
void scan_long_option(const char* arg, int argc, char** argv, Settings& settings) {
  if (std::strcmp(arg, "--help") == 0) {
    print_usage(stdout);
    std::exit(0);
  }
  if (std::strcmp(arg, "--version") == 0) {
    std::printf("gadrin %s\n", kVersion);
    std::exit(0);
  }
  if (std::strcmp(arg, "--fasta") == 0) {
    settings.fasta = true;
  } else if (const char* name = long_value(arg, "--newick", "--newick=FILE")) {
    settings.newick_file = create_output("newick", name, argc, argv);
  } else if (const char* svg = long_value(arg, "--svg", "--svg=FILE")) {
    settings.svg_file = create_output("svg", svg, argc, argv);
  } else if (const char* table = long_value(arg, "--table", "--table=FILE")) {
    settings.table_file = create_output("table", table, argc, argv);
  } else if (const char* threads = long_value(arg, "--threads", "--threads=N")) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(threads, &end, 10);
    if (end == threads || *end != '\0' || errno != 0 || n < 1 || n > kMaxThreads)
      fatal(stderr, "invalid option --threads=%s (a number of threads from 1 to %d)\n", threads,
            kMaxThreads);
    settings.threads = static_cast<int>(n);
  } else {
    fatal(stderr, "invalid argument");
  }
}

}  // namespace

int time_seed() { return static_cast<int>(std::time(nullptr) % 3000); }

void print_usage(std::FILE* out) {
  std::fprintf(out,
               "gadrin sequencefile -p[population file] -d[distace option]  -b[bootstrap "
               "number] -o[output file] -s[seed] -dxy -neg -g[gamma parameter]\n");
  std::fprintf(out, "distance option\n");
  for (int i = 0; i < kMethodCount; ++i) std::fprintf(out, "%d    %s\n", i, method_names[i]);
}

Settings parse_command_line(int argc, char** argv) {
  Settings settings;
  settings.seed = time_seed();
  if (argc <= 1) {
    print_usage(stdout);
    std::exit(1);
  }
  for (int a = 1; a < argc; ++a) {
    const char* arg = argv[a];
    if (arg[0] != '-') {
      settings.seq_file = open_or_fail(arg, "r", "Can't open input-file:%s\n");
      settings.seq_name = arg;
      continue;
    }
    if (std::strcmp(arg, "-dxy") == 0) {
      settings.use_dxy = 1;
      continue;
    }
    if (std::strcmp(arg, "-neg") == 0) {
      settings.allow_neg = 1;
      continue;
    }
    if (arg[1] == '-') {
      scan_long_option(arg, argc, argv, settings);
      continue;
    }
    const char* value = arg + 2;
    switch (arg[1]) {
      case 'p':
        settings.pop_file = open_or_fail(value, "r", "Can't open poplation file %s\n");
        settings.pop_name = value;
        break;
      case 'o':
        refuse_input_as_output(value, argc, argv);
        settings.report_file = open_or_fail(value, "w", "Can't open output-file:%s\n");
        settings.report = settings.report_file.get();
        settings.report_name = value;
        break;
      case 'd':
        if (auto m = scan_int_in(value, 0, kMethodCount - 1)) settings.method = *m;
        break;
      case 'b':
        if (auto b = scan_int_in(value, 0, INT_MAX)) settings.nboot = *b;
        break;
      case 's':
        if (auto s = scan_int_in(value, kMinSeed, kMaxSeed)) settings.seed = *s;
        break;
      case 'g': {
        char* end = nullptr;
        const float x = std::strtof(value, &end);
        if (end == value) break;  // no number: gamma keeps its value
        if (x < 0) fatal(stderr, "invalid option gamma=%f\n", static_cast<double>(x));
        settings.gamma = static_cast<double>(x);
        break;
      }
      case 'c':
        // Every -c starts afresh; its positions may be glued to it and may
        // follow as separate arguments that begin with a digit 0..3.
        settings.codon = {0, 0, 0};
        if (is_position_digit(value[0])) add_codon_position(value, settings.codon);
        while (a + 1 < argc && is_position_digit(argv[a + 1][0])) {
          add_codon_position(argv[a + 1], settings.codon);
          ++a;
        }
        break;
      case 'u':
        if (value[0] == '\0') {  // -u alone
          verbosity = 1;
        } else if (auto u = scan_int_in(value, INT_MIN, INT_MAX)) {
          verbosity = *u;
        }
        break;
      default:
        fatal(stderr, "invalid argument");
    }
  }
  if (!settings.seq_file) fatal(stderr, "no input-file\n");
  if (!settings.pop_file) fatal(stderr, "no population-file\n");
  return settings;
}

}  // namespace gadrin
