// Whole runs of the program, bootstrap included, with the fast comparer
// (1 and 2 threads) and with the site-by-site walk, and the ratios between
// them. The data come from bench/make_data.sh.
//
//   gadrin_run_bench [--data=FOLDER] [--replicates=B] [--sets=small,large]
//                    [--reference-sets=small] [benchmark flags]
//
// Defaults: build/bench-data, B = 1000, the small set only, and the walk on
// the small set only (on the large set it takes hours).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "distance/comparison.h"
#include "driver/options.h"
#include "driver/run.h"

namespace {

std::string data_folder = "build/bench-data";
int replicates = 1000;
std::vector<std::string> sets = {"small"};
std::vector<std::string> reference_sets = {"small"};

// Seconds of each (set, method, engine) run, for the ratios.
std::map<std::string, double> seconds;

std::vector<std::string> split(const std::string& list) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    const std::string part = list.substr(start, comma - start);
    if (!part.empty()) parts.push_back(part);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

gadrin::Settings settings_for(const std::string& set, int method, int threads) {
  const std::string stem = data_folder + "/" + set + (method == 5 ? "_aa" : "");
  gadrin::Settings s;
  s.seq_name = stem + ".seq";
  s.pop_name = stem + ".pop";
  s.seq_file.reset(std::fopen(s.seq_name.c_str(), "r"));
  s.pop_file.reset(std::fopen(s.pop_name.c_str(), "r"));
  s.report_file.reset(std::fopen("/dev/null", "w"));
  if (!s.seq_file || !s.pop_file || !s.report_file) {
    std::fprintf(stderr, "missing %s.seq/.pop: run bench/make_data.sh %s\n", stem.c_str(),
                 data_folder.c_str());
    std::exit(1);
  }
  s.report = s.report_file.get();
  s.method = method;
  s.nboot = replicates;
  s.seed = 1;
  s.threads = threads;
  return s;
}

void whole_run(benchmark::State& state, std::string set, int method, bool reference, int threads) {
  for (auto _ : state) {
    gadrin::Settings s = settings_for(set, method, threads);
    gadrin::ReferenceComparer walk;
    const auto start = std::chrono::steady_clock::now();
    const int status = gadrin::run_analysis(s, reference ? &walk : nullptr);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (status != 0) state.SkipWithError("run failed");
    seconds[set + " d" + std::to_string(method) + (reference ? " walk" : " fast") +
            std::to_string(threads)] = elapsed.count();
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int a = 0; a < argc; ++a) {
    if (std::strncmp(argv[a], "--data=", 7) == 0) {
      data_folder = argv[a] + 7;
    } else if (std::strncmp(argv[a], "--replicates=", 13) == 0) {
      replicates = std::atoi(argv[a] + 13);
    } else if (std::strncmp(argv[a], "--sets=", 7) == 0) {
      sets = split(argv[a] + 7);
    } else if (std::strncmp(argv[a], "--reference-sets=", 17) == 0) {
      reference_sets = split(argv[a] + 17);
    } else {
      rest.push_back(argv[a]);
    }
  }
  const int methods[] = {1, 8, 5};
  for (const std::string& set : sets) {
    for (int method : methods) {
      const std::string name = set + "/d" + std::to_string(method) + "/b" + std::to_string(replicates);
      for (int threads : {1, 2})
        benchmark::RegisterBenchmark((name + "/fast/threads:" + std::to_string(threads)).c_str(),
                                     whole_run, set, method, false, threads)
            ->Iterations(1)
            ->UseRealTime()
            ->Unit(benchmark::kSecond);
      bool with_reference = false;
      for (const std::string& r : reference_sets) with_reference = with_reference || r == set;
      if (with_reference)
        benchmark::RegisterBenchmark((name + "/walk/threads:1").c_str(), whole_run, set, method,
                                     true, 1)
            ->Iterations(1)
            ->UseRealTime()
            ->Unit(benchmark::kSecond);
    }
  }
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::printf("\nwhole runs, -b%d, wall seconds:\n", replicates);
  std::printf("%-8s %-6s %10s %10s %10s %12s %12s\n", "set", "method", "walk", "fast", "fast x2",
              "walk/fast", "fast/fast x2");
  for (const std::string& set : sets) {
    for (int method : methods) {
      const std::string key = set + " d" + std::to_string(method);
      const auto get = [&](const char* engine) {
        const auto it = seconds.find(key + engine);
        return it == seconds.end() ? 0.0 : it->second;
      };
      const double walk = get(" walk1"), fast = get(" fast1"), fast2 = get(" fast2");
      if (fast == 0) continue;
      std::printf("%-8s %-6d %10.2f %10.2f %10.2f %12s %12.2f\n", set.c_str(), method, walk, fast,
                  fast2, walk > 0 ? std::to_string(walk / fast).substr(0, 6).c_str() : "-",
                  fast2 > 0 ? fast / fast2 : 0.0);
    }
  }
  return 0;
}
