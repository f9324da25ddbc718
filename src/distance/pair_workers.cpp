#include "distance/pair_workers.h"

#include <cstdint>
#include <cstdio>
#include <new>

#include <chrono>

#include "distance/formulas.h"
#include "storage/fatal.h"

namespace gadrin {

PairWorkers::PairWorkers(int npop, const IntMatrix& pops, int threads) : threads_(threads) {
  // Overlapping populations can number more pairs than a size_t holds; such a
  // total, like any the memory cannot hold, ends the run as a failed
  // allocation does.
  bool too_many = false;
  const auto add = [&](std::size_t pairs) {
    too_many = too_many || __builtin_add_overflow(total_, pairs, &total_);
  };
  for (int p = 0; p < npop; ++p) {
    const std::size_t count = pops[p][2];
    blocks_.push_back({total_, pops[p][0] - 1, pops[p][1] - 1, 0, pops[p][1] - 1, true});
    add(count * (count - 1) / 2);
  }
  for (int p = 0; p < npop - 1; ++p) {
    for (int q = p + 1; q < npop; ++q) {
      blocks_.push_back(
          {total_, pops[p][0] - 1, pops[p][1] - 1, pops[q][0] - 1, pops[q][1] - 1, false});
      add(static_cast<std::size_t>(pops[p][2]) * pops[q][2]);
    }
  }
  if (!too_many) distances_.reset(new (std::nothrow) double[total_]());
  if (distances_) statuses_.reset(new (std::nothrow) signed char[total_]());
  if (!distances_ || !statuses_) {
    std::printf("memory allocation error\n");
    fatal(stdout, "distances of %s%zu pairs for the threads\n", too_many ? "over " : "",
          too_many ? SIZE_MAX : total_);
  }
  for (int share = 1; share < threads_; ++share)
    helpers_.emplace_back([this, share] { helper_loop(share); });
}

PairWorkers::~PairWorkers() {
  {
    std::lock_guard lock(mutex_);
    stopping_.store(true, std::memory_order_release);
  }
  start_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
}

void PairWorkers::work_share(int share) {
  const std::size_t begin = total_ * share / threads_;
  const std::size_t end = total_ * (share + 1) / threads_;
  PairCounts counts;
  std::size_t k = 0;
  for (const Block& b : blocks_) {
    for (int i = b.first_i; i <= b.last_i; ++i) {
      const int first_j = b.within ? i + 1 : b.first_j;
      const std::size_t row = b.last_j >= first_j ? b.last_j - first_j + 1 : 0;
      if (k + row <= begin) {  // a row wholly before the share
        k += row;
        continue;
      }
      for (int j = first_j; j <= b.last_j; ++j, ++k) {
        if (k < begin) continue;
        if (k >= end) return;
        job_.comparer->compare(i, j, counts);
        statuses_[k] = static_cast<signed char>(
            distance_from_counts(distances_[k], job_.method, counts, job_.n, job_.gamma));
      }
    }
  }
}

namespace {

// Waits a little for `ready` before blocking: between two engine calls the
// driver needs well under a millisecond, and waking a sleeping thread costs
// a noticeable part of that.
template <class Ready>
bool spin_until(Ready ready) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::microseconds(500);
  for (int round = 0;; ++round) {
    if (ready()) return true;
    if (round % 64 == 63) {
      if (std::chrono::steady_clock::now() > give_up) return false;
      std::this_thread::yield();
    }
  }
}

}  // namespace

void PairWorkers::helper_loop(int share) {
  unsigned long seen = 0;
  for (;;) {
    const auto started = [&] {
      return stopping_.load(std::memory_order_acquire) ||
             generation_.load(std::memory_order_acquire) != seen;
    };
    if (!spin_until(started)) {
      std::unique_lock lock(mutex_);
      start_.wait(lock, started);
    }
    if (stopping_.load(std::memory_order_acquire)) return;
    seen = generation_.load(std::memory_order_acquire);
    work_share(share);
    if (pending_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      std::lock_guard lock(mutex_);
      finished_.notify_one();
    }
  }
}

void PairWorkers::run(const PairComparer& comparer, int method, int n, double gamma) {
  job_ = Job{&comparer, method, n, gamma};
  pending_.store(threads_ - 1, std::memory_order_relaxed);
  {
    std::lock_guard lock(mutex_);
    generation_.fetch_add(1, std::memory_order_release);
  }
  start_.notify_all();
  work_share(0);
  const auto finished = [&] { return pending_.load(std::memory_order_acquire) == 0; };
  if (spin_until(finished)) return;
  std::unique_lock lock(mutex_);
  finished_.wait(lock, finished);
}

}  // namespace gadrin
