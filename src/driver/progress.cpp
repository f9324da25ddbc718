#include "driver/progress.h"

#include <unistd.h>

#include <cmath>

namespace gadrin {
namespace {

// Time left as "42s", "3m07s" or "2h05m"; "--" when unknown.
void format_eta(char* buffer, std::size_t size, double seconds) {
  if (!(seconds >= 0 && seconds < 1e8)) {
    std::snprintf(buffer, size, "--");
    return;
  }
  const long s = std::lround(std::ceil(seconds));
  if (s < 60)
    std::snprintf(buffer, size, "%lds", s);
  else if (s < 3600)
    std::snprintf(buffer, size, "%ldm%02lds", s / 60, s % 60);
  else
    std::snprintf(buffer, size, "%ldh%02ldm", s / 3600, s % 3600 / 60);
}

}  // namespace

Progress::Progress(std::FILE* stream, int total, Clock::duration interval)
    : stream_(stream),
      total_(total),
      interval_(interval),
      start_(Clock::now()),
      next_(start_ + interval),
      active_(total > 0 && stream != nullptr && isatty(fileno(stream))) {}

void Progress::update(int done) {
  if (!active_) return;
  const Clock::time_point now = Clock::now();
  if (now < next_) return;
  next_ = now + interval_;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const double rate = elapsed > 0 ? done / elapsed : 0;
  char eta[32];
  format_eta(eta, sizeof eta, rate > 0 ? (total_ - done) / rate : -1);
  std::fprintf(stream_, "\rbootstrap %d/%d  %.1f rep/s  ETA %s\033[K", done, total_, rate, eta);
  std::fflush(stream_);
  shown_ = true;
}

void Progress::finish() {
  if (shown_) {
    std::fprintf(stream_, "\r\033[K");
    std::fflush(stream_);
  }
  shown_ = false;
  active_ = false;
}

}  // namespace gadrin
