// The command-line scan. The input is the argument list, one argument per
// line. The scan runs in a private folder holding a sequence file "s" and a
// population file "p"; arguments that name anything outside it (those with
// a "/") are not tried, and the files the scan creates are removed after
// each input. --help and --version, which end the process with status 0,
// and an empty list, which prints the usage text and ends it with status 1,
// are not tried either.
#include <dirent.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "distance/methods.h"
#include "driver/options.h"
#include "harness.h"
#include "tree/partitions.h"

namespace gadrin::fuzz {
namespace {

std::string folder;

// The two input files; "-os" or "--table=p" empties one, so they are written
// again after every input.
void write_inputs() {
  write_file("s", "a ACGT\nb ACGA\nc ACTA\nd GCTA\n");
  write_file("p", "2 populations\n1 x 1 2\n2 y 3 4\n");
}

void remove_created_files() {
  DIR* dir = opendir(".");
  FUZZ_CHECK(dir != nullptr);
  std::vector<std::string> created;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != ".." && name != "s" && name != "p") created.push_back(name);
  }
  closedir(dir);
  for (const std::string& name : created) FUZZ_CHECK(unlink(name.c_str()) == 0);
}

void remove_folder() {
  if (chdir("/") != 0) return;
  const std::string files[] = {folder + "/s", folder + "/p"};
  for (const std::string& f : files) unlink(f.c_str());
  rmdir(folder.c_str());
}

}  // namespace
}  // namespace gadrin::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace gadrin::fuzz;
  install_fatal_handler();
  char name[] = "/tmp/gadrin-fuzz-cmdline-XXXXXX";
  FUZZ_CHECK(mkdtemp(name) != nullptr);
  folder = name;
  FUZZ_CHECK(chdir(name) == 0);
  write_inputs();
  std::atexit(remove_folder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace gadrin;
  using namespace gadrin::fuzz;
  std::vector<std::string> args = {"gadrin"};
  const std::string_view text = as_text(data, size);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    args.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (args.size() == 1 || args.size() > 64) return 0;
  for (const std::string& arg : args) {
    if (arg.find('/') != std::string::npos || arg.find('\0') != std::string::npos) return 0;
    if (arg == "--help" || arg == "--version") return 0;
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  verbosity = 0;
  try {
    const Settings s = parse_command_line(static_cast<int>(args.size()), argv.data());
    FUZZ_CHECK(s.seq_file && s.pop_file);
    FUZZ_CHECK(0 <= s.method && s.method < kMethodCount);
    FUZZ_CHECK(s.nboot >= 0);
    FUZZ_CHECK(s.seed >= kMinSeed && s.seed <= kMaxSeed);
    FUZZ_CHECK(!(s.gamma < 0));
    FUZZ_CHECK(1 <= s.threads && s.threads <= kMaxThreads);
    FUZZ_CHECK(s.report == (s.report_file ? s.report_file.get() : stdout));
    for (const int flag : s.codon) FUZZ_CHECK(flag == 0 || flag == 1);
  } catch (const FatalExit&) {
  }
  remove_created_files();
  write_inputs();
  return 0;
}
