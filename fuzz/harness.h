// Shared pieces of the fuzz targets: fatal conditions as exceptions, input
// bytes as read-only streams and as files, and a check that stops the fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "storage/fatal.h"

namespace gadrin::fuzz {

// Thrown by the fatal handler: the program would have ended with status 1.
// Everything the interrupted call held is freed while the exception unwinds,
// so a leak found after a fatal condition is a real leak.
struct FatalExit {};

[[noreturn]] inline void throw_fatal_exit() { throw FatalExit{}; }

inline void install_fatal_handler() { set_fatal_handler(throw_fatal_exit); }

// An invariant the code promises; a broken one is a finding.
#define FUZZ_CHECK(condition)                                                          \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

// The bytes as a read-only stream, closed when it goes out of scope.
class MemoryStream {
 public:
  explicit MemoryStream(std::string_view bytes)
      : data_(bytes.empty() ? std::string(1, '\0') : std::string(bytes)),
        stream_(fmemopen(data_.data(), bytes.empty() ? 1 : data_.size(), "r")) {
    FUZZ_CHECK(stream_ != nullptr);
    if (bytes.empty()) (void)std::fgetc(stream_);  // an empty stream: already at its end
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  ~MemoryStream() { std::fclose(stream_); }
  std::FILE* get() const { return stream_; }

 private:
  std::string data_;
  std::FILE* stream_;
};

// Replaces the contents of the file `path` by `bytes`.
inline void write_file(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(f != nullptr);
  FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
  FUZZ_CHECK(std::fclose(f) == 0);
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace gadrin::fuzz
