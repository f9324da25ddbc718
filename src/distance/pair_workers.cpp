#include "distance/pair_workers.h"

#include "distance/formulas.h"

namespace gadrin {

PairWorkers::PairWorkers(int npop, const IntMatrix& pops, int threads) : threads_(threads) {
  for (int p = 0; p < npop; ++p)
    for (int i = pops[p][0] - 1; i <= pops[p][1] - 1; ++i)
      for (int j = i + 1; j <= pops[p][1] - 1; ++j) pairs_.push_back({i, j});
  for (int p = 0; p < npop - 1; ++p)
    for (int q = p + 1; q < npop; ++q)
      for (int i = pops[p][0] - 1; i <= pops[p][1] - 1; ++i)
        for (int j = pops[q][0] - 1; j <= pops[q][1] - 1; ++j) pairs_.push_back({i, j});
  distances_ = std::make_unique<double[]>(pairs_.size());
  statuses_ = std::make_unique<int[]>(pairs_.size());
  for (int share = 1; share < threads_; ++share)
    helpers_.emplace_back([this, share] { helper_loop(share); });
}

PairWorkers::~PairWorkers() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  start_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
}

void PairWorkers::work_share(int share) {
  const std::size_t total = pairs_.size();
  const std::size_t begin = total * share / threads_;
  const std::size_t end = total * (share + 1) / threads_;
  PairCounts counts;
  for (std::size_t k = begin; k < end; ++k) {
    job_.comparer->compare(pairs_[k].i, pairs_[k].j, counts);
    statuses_[k] = distance_from_counts(distances_[k], job_.method, counts, job_.n, job_.gamma);
  }
}

void PairWorkers::helper_loop(int share) {
  unsigned long seen = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
    }
    work_share(share);
    {
      std::lock_guard lock(mutex_);
      if (--pending_ == 0) finished_.notify_one();
    }
  }
}

void PairWorkers::run(const PairComparer& comparer, int method, int n, double gamma) {
  {
    std::lock_guard lock(mutex_);
    job_ = Job{&comparer, method, n, gamma};
    pending_ = threads_ - 1;
    ++generation_;
  }
  start_.notify_all();
  work_share(0);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return pending_ == 0; });
}

}  // namespace gadrin
