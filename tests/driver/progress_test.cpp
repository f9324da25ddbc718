#include "driver/progress.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace gadrin {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;

// What can be read from `fd` up to the end mark "#" (not included), waiting
// at most a few seconds for it.
std::string read_to_mark(int fd) {
  std::string out;
  char buffer[256];
  while (out.empty() || out.back() != '#') {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 5000) != 1) return out + "<timeout>";
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return out + "<end>";
    out.append(buffer, static_cast<std::size_t>(n));
  }
  out.pop_back();
  return out;
}

// A stream on the slave side of a pseudo-terminal in raw mode, so that what
// the program writes reaches the master unchanged. written() ends the stream
// with the mark and reads it back.
class ProgressTerminal : public testing::Test {
 protected:
  void SetUp() override {
    int slave;
    ASSERT_EQ(openpty(&master_, &slave, nullptr, nullptr, nullptr), 0);
    termios mode;
    ASSERT_EQ(tcgetattr(slave, &mode), 0);
    cfmakeraw(&mode);
    ASSERT_EQ(tcsetattr(slave, TCSANOW, &mode), 0);
    stream_ = fdopen(slave, "w");
    ASSERT_NE(stream_, nullptr);
  }
  void TearDown() override {
    if (stream_) std::fclose(stream_);
    close(master_);
  }
  std::string written() {
    std::fprintf(stream_, "#");
    std::fflush(stream_);
    return read_to_mark(master_);
  }
  int master_ = -1;
  std::FILE* stream_ = nullptr;
};

TEST_F(ProgressTerminal, LineIsRewrittenInPlaceAndErased) {
  {
    Progress progress(stream_, 3, milliseconds(0));
    for (int done = 1; done <= 3; ++done) progress.update(done);
    progress.finish();
    progress.update(3);  // nothing after finish
  }
  // Three lines, each "\r", the text and "\033[K", then the erasure.
  const std::string out = written();
  std::vector<std::string> parts;
  for (std::size_t at = 0, next; at < out.size(); at = next) {
    next = out.find('\r', at + 1);
    if (next == std::string::npos) next = out.size();
    parts.push_back(out.substr(at, next - at));
  }
  ASSERT_EQ(parts.size(), 4u) << out;
  for (int i = 0; i < 3; ++i) {
    int done = 0, total = 0, end = 0;
    double rate = -1;
    char eta[16] = "";
    ASSERT_EQ(std::sscanf(parts[i].c_str(), "\rbootstrap %d/%d  %lf rep/s  ETA %15[^\x1b]%n",
                          &done, &total, &rate, eta, &end),
              4)
        << parts[i];
    EXPECT_EQ(done, i + 1);
    EXPECT_EQ(total, 3);
    EXPECT_GE(rate, 0);
    EXPECT_EQ(parts[i].substr(static_cast<std::size_t>(end)), "\x1b[K");
    if (i == 2) {
      EXPECT_STREQ(eta, "0s");  // nothing left at 3 of 3
    }
  }
  EXPECT_EQ(parts[3], "\r\x1b[K");
}

TEST_F(ProgressTerminal, UpdatesWithinTheIntervalWriteNothing) {
  {
    Progress progress(stream_, 1000, hours(1));
    for (int done = 1; done <= 1000; ++done) progress.update(done);
  }
  EXPECT_EQ(written(), "");
}

TEST_F(ProgressTerminal, DestructorErasesAShownLine) {
  {
    Progress progress(stream_, 5, milliseconds(0));
    progress.update(2);
  }
  const std::string out = written();
  ASSERT_GE(out.size(), 4u);
  EXPECT_EQ(out.substr(0, 14), "\rbootstrap 2/5");
  EXPECT_EQ(out.substr(out.size() - 4), "\r\x1b[K");
}

TEST_F(ProgressTerminal, NoReplicatesNoLine) {
  {
    Progress progress(stream_, 0, milliseconds(0));
    progress.update(0);
  }
  EXPECT_EQ(written(), "");
}

TEST(Progress, NothingOnAPipe) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::FILE* stream = fdopen(fds[1], "w");
  {
    Progress progress(stream, 3, milliseconds(0));
    for (int done = 1; done <= 3; ++done) progress.update(done);
    progress.finish();
  }
  std::fprintf(stream, "#");
  std::fclose(stream);
  EXPECT_EQ(read_to_mark(fds[0]), "");
  close(fds[0]);
}

}  // namespace
}  // namespace gadrin
