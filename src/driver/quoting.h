// Quoted text for the extra output files.
#pragma once

#include <cstdio>
#include <cstring>

namespace gadrin {

// Writes `text` between two `quote` characters, an embedded quote doubled.
inline void write_quoted(std::FILE* out, const char* text, char quote) {
  std::fputc(quote, out);
  for (const char* p = text;;) {
    const char* next = std::strchr(p, quote);
    if (next == nullptr) {
      std::fprintf(out, "%s%c", p, quote);
      return;
    }
    std::fprintf(out, "%.*s%c%c", static_cast<int>(next - p), p, quote, quote);
    p = next + 1;
  }
}

}  // namespace gadrin
