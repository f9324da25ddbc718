// A progress line for the bootstrap loop on a terminal.
//
// When the stream is a terminal and there are replicates to draw, the line
//   bootstrap 120/1000  85.3 rep/s  ETA 11s
// is rewritten in place ('\r', then the text, then "\033[K" to clear what a
// longer earlier line left) at most once per interval, and erased
// ("\r\033[K") by finish() or the destructor, so the line leaves no trace.
// On any other stream, or without replicates, nothing is ever written. Use
// standard error, so that a report on standard output is never mixed with
// it. An update reads the steady clock and returns unless the interval has
// passed; it allocates nothing. A fatal error during the loop exits without
// erasing the line, and its message then follows it on the terminal.
#pragma once

#include <chrono>
#include <cstdio>

namespace gadrin {

class Progress {
 public:
  using Clock = std::chrono::steady_clock;

  // `total` is the number of replicates to draw; the first line appears one
  // interval after construction.
  Progress(std::FILE* stream, int total,
           Clock::duration interval = std::chrono::milliseconds(250));
  ~Progress() { finish(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // `done` replicates of the total are complete.
  void update(int done);
  // Erases the line if one is shown; no update shows anything afterwards.
  void finish();

 private:
  std::FILE* stream_;
  int total_;
  Clock::duration interval_;
  Clock::time_point start_;
  Clock::time_point next_;
  bool active_;
  bool shown_ = false;
};

}  // namespace gadrin
