// Helpers shared by the unit tests: temporary files, captured output and
// death-test matchers.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace gadrin::testing_support {

struct Closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, Closer>;

// A temporary file holding `text`, positioned at its start.
inline File file_with(std::string_view text) {
  File f(std::tmpfile());
  std::fwrite(text.data(), 1, text.size(), f.get());
  std::rewind(f.get());
  return f;
}

// What `stream` (stdout or stderr) receives while `run` runs.
template <class F>
std::string captured(std::FILE* stream, F run) {
  std::fflush(stream);
  const int fd = fileno(stream);
  const int saved = dup(fd);
  File sink(std::tmpfile());
  dup2(fileno(sink.get()), fd);
  run();
  std::fflush(stream);
  dup2(saved, fd);
  close(saved);
  std::rewind(sink.get());
  std::string text;
  for (int c = std::getc(sink.get()); c != EOF; c = std::getc(sink.get())) {
    text.push_back(static_cast<char>(c));
  }
  return text;
}

// In a death test: sends `stream` to the captured standard error and the
// other standard stream to /dev/null, so the matcher sees that stream only.
inline void keep_only(std::FILE* stream) {
  const int devnull = open("/dev/null", O_WRONLY);
  if (stream == stdout) {
    dup2(STDERR_FILENO, STDOUT_FILENO);
    dup2(devnull, STDERR_FILENO);
  } else {
    dup2(devnull, STDOUT_FILENO);
  }
}

// A regular expression matching exactly `text`.
inline std::string exactly(std::string_view text) {
  std::string re = "^";
  for (char c : text) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) re.push_back('\\');
    re.push_back(c);
  }
  return re + "$";
}

// A test name made of the case's description.
template <class C>
std::string case_name(const testing::TestParamInfo<C>& info) {
  std::string name;
  for (const char* p = info.param.what; *p != '\0'; ++p) {
    name.push_back(std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
  }
  return name;
}

}  // namespace gadrin::testing_support
