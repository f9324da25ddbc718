// Fatal diagnostics: print one formatted line and end the process.
#pragma once

#include <cstdio>

namespace gadrin {

// Writes the formatted text to `stream` and ends the process with status 1.
// No clean-up is done; buffered streams are flushed by the exit.
[[noreturn]] void fatal(std::FILE* stream, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

}  // namespace gadrin
