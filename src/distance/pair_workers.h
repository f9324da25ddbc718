// Threads that compute the pair distances of one engine call in parallel.
//
// The pairs are numbered in the engine's order (within populations, then
// between them, i outer and j inner). run() splits them into one contiguous
// share per thread and leaves the distance and status of every pair in its
// slot; the engine then adds the distances up in the same order
// as without threads, so every result is bit-identical for any thread count.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "distance/comparison.h"
#include "storage/storage.h"

namespace gadrin {

class PairWorkers {
 public:
  // Numbers the pairs of npop populations and starts threads - 1 helpers;
  // the calling thread takes the first share of every run.
  PairWorkers(int npop, const IntMatrix& pops, int threads);
  ~PairWorkers();
  PairWorkers(const PairWorkers&) = delete;
  PairWorkers& operator=(const PairWorkers&) = delete;

  // Counts every pair with `comparer` (already prepared) and evaluates its
  // distance. Allocates nothing.
  void run(const PairComparer& comparer, int method, int n, double gamma);

  [[nodiscard]] std::size_t size() const { return total_; }
  [[nodiscard]] double distance(std::size_t k) const { return distances_[k]; }
  [[nodiscard]] int status(std::size_t k) const { return statuses_[k]; }

 private:
  struct Job {
    const PairComparer* comparer;
    int method;
    int n;
    double gamma;
  };
  // A run of pairs: the sequences first..last of one population against
  // those of another (between) or against the later ones of its own (within).
  struct Block {
    std::size_t start;  // number of the block's first pair
    int first_i, last_i, first_j, last_j;
    bool within;
  };

  void work_share(int share);
  void helper_loop(int share);

  std::vector<Block> blocks_;
  std::size_t total_ = 0;
  std::unique_ptr<double[]> distances_;
  std::unique_ptr<signed char[]> statuses_;
  int threads_;

  std::mutex mutex_;
  std::condition_variable start_, finished_;
  Job job_{};
  std::atomic<unsigned long> generation_{0};
  std::atomic<int> pending_{0};
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> helpers_;
};

}  // namespace gadrin
