// Time of one engine call's counting: prepare() and every pair of 300
// sequences over one bootstrap replicate of 3000 sites, for the site-by-site
// walk and the packed comparer (popcnt instruction and portable bit
// counting), with comparisons 1, 3 and 4. Starts with the memory taken by
// the comparer and ends with the ratio of the two per comparison.
//
//   build-fast/bench/gadrin_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "distance/comparison.h"
#include "distance/fast_comparer.h"
#include "storage/storage.h"

namespace gadrin {
namespace {

constexpr int kSeqs = 300;
constexpr int kSites = 3000;
constexpr int kPops = 6;

struct Alignment {
  CharMatrix seqs;
  std::vector<int> complete;  // one replicate: kSites draws with repeats
  std::vector<int> variable;

  SiteLists lists() const {
    return {complete.data(), static_cast<int>(complete.size()), variable.data(),
            static_cast<int>(variable.size())};
  }
};

// Six populations of 50 descend from one root; each site has its own rate
// (a third of the sites never change). Population ancestors differ from the
// root at about 2.5% of the sites, individuals from their ancestor at about
// 1%, so pairs differ at roughly 1.5% within and 6% between populations.
// Nucleotide changes are transitions two times out of three.
Alignment make_alignment(int alphabet, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  std::uniform_int_distribution<int> code(0, alphabet - 1);
  const double rates[] = {0.0, 0.0, 0.5, 1.0, 1.5, 3.0};
  std::uniform_int_distribution<int> rate(0, 5);

  auto mutate = [&](int c) {
    if (alphabet == 4) return u(rng) < 2.0 / 3.0 ? c ^ 2 : (c ^ 1) ^ (u(rng) < 0.5 ? 2 : 0);
    int d = code(rng);
    while (d == c) d = code(rng);
    return d;
  };

  Alignment a;
  a.seqs = char_matrix(kSites, kSeqs);
  std::vector<int> site_class(kSites, 0);
  std::vector<int> observed;
  for (int s = 0; s < kSites; ++s) {
    const double r = rates[rate(rng)];
    const int root = code(rng);
    bool variable = false;
    for (int p = 0; p < kPops; ++p) {
      const int ancestor = u(rng) < 0.025 * r ? mutate(root) : root;
      for (int k = 0; k < kSeqs / kPops; ++k) {
        const int q = p * (kSeqs / kPops) + k;
        const int c = u(rng) < 0.01 * r ? mutate(ancestor) : ancestor;
        a.seqs[s][q] = static_cast<char>(c);
        variable = variable || c != a.seqs[s][0];
      }
    }
    observed.push_back(s);
    if (variable) site_class[s] = 2;
  }
  std::uniform_int_distribution<int> pick(0, kSites - 1);
  for (int t = 0; t < kSites; ++t) {
    const int s = observed[pick(rng)];
    a.complete.push_back(s);
    if (site_class[s] == 2) a.variable.push_back(s);
  }
  return a;
}

template <class Comparer>
void count_all_pairs(benchmark::State& state, Comparer& comparer, const Alignment& a,
                     int comparison) {
  const SiteLists lists = a.lists();
  long checksum = 0;
  for (auto _ : state) {
    comparer.prepare(a.seqs, comparison, lists);
    for (int i = 0; i < kSeqs; ++i) {
      for (int j = i + 1; j < kSeqs; ++j) {
        PairCounts c;
        comparer.compare(i, j, c);
        checksum += c.S + c.P + c.Q + c.P1 + c.P2 + c.D + c.base[0];
      }
    }
    benchmark::DoNotOptimize(checksum);
  }
  state.counters["variable"] = static_cast<double>(a.variable.size());
}

Alignment alignment_for(int comparison) {
  std::mt19937 rng(12345);
  return make_alignment(comparison == 4 ? 20 : 4, rng);
}

void BM_Reference(benchmark::State& state) {
  const int comparison = static_cast<int>(state.range(0));
  const Alignment a = alignment_for(comparison);
  ReferenceComparer comparer;
  count_all_pairs(state, comparer, a, comparison);
}

void BM_Fast(benchmark::State& state) {
  const int comparison = static_cast<int>(state.range(0));
  const Alignment a = alignment_for(comparison);
  FastComparer comparer(kSeqs, kSites, comparison);
  count_all_pairs(state, comparer, a, comparison);
  // Sequence matrix: kSites rows of kSeqs bytes.
  state.counters["matrix_bytes"] = static_cast<double>(kSites) * kSeqs;
  state.counters["buffer_bytes"] = static_cast<double>(comparer.buffer_bytes());
}

void BM_FastPortable(benchmark::State& state) {
  const int comparison = static_cast<int>(state.range(0));
  const Alignment a = alignment_for(comparison);
  FastComparer comparer(kSeqs, kSites, comparison, BitCounting::portable);
  count_all_pairs(state, comparer, a, comparison);
}

void BM_FastPrepare(benchmark::State& state) {
  const int comparison = static_cast<int>(state.range(0));
  const Alignment a = alignment_for(comparison);
  FastComparer comparer(kSeqs, kSites, comparison);
  const SiteLists lists = a.lists();
  for (auto _ : state) {
    comparer.prepare(a.seqs, comparison, lists);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_Reference)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->MinTime(0.3);
BENCHMARK(BM_Fast)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->MinTime(0.3);
BENCHMARK(BM_FastPortable)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->MinTime(0.3);
BENCHMARK(BM_FastPrepare)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMicrosecond)->MinTime(0.2);

// Console output as usual, and the time per run name kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration) {
        ms_[{run.run_name.function_name, run.run_name.args}] = run.GetAdjustedCPUTime();
      }
    }
  }

  void print_ratios() const {
    for (int comparison : {1, 3, 4}) {
      const std::string arg = std::to_string(comparison);
      const auto ref = ms_.find({"BM_Reference", arg});
      const auto fast = ms_.find({"BM_Fast", arg});
      if (ref == ms_.end() || fast == ms_.end()) continue;
      std::printf("comparison %d: reference %.2f ms, fast %.3f ms (CPU), ratio %.1f\n", comparison,
                  ref->second, fast->second, ref->second / fast->second);
    }
  }

 private:
  // (function name, argument) -> CPU milliseconds per iteration.
  std::map<std::pair<std::string, std::string>, double> ms_;
};

long peak_rss_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Growth of the peak resident size when the comparer is built and prepared
// over the alignment, against the alignment itself.
void report_memory() {
  const long start = peak_rss_kb();
  const Alignment a = alignment_for(1);
  const long with_alignment = peak_rss_kb();
  FastComparer comparer(kSeqs, kSites, 1);
  comparer.prepare(a.seqs, 1, a.lists());
  const long with_comparer = peak_rss_kb();
  std::printf("memory: sequence matrix %d bytes, comparer buffers %zu bytes; peak RSS +%ld kB "
              "for the alignment, +%ld kB for the comparer\n",
              kSites * kSeqs, comparer.buffer_bytes(), with_alignment - start,
              with_comparer - with_alignment);
}

}  // namespace
}  // namespace gadrin

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  gadrin::report_memory();
  gadrin::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  return 0;
}
