// Fatal diagnostics: print one formatted line and end the process.
#pragma once

#include <cstdio>

namespace gadrin {

// Writes the formatted text to `stream` and ends the process with status 1.
// No clean-up is done; buffered streams are flushed by the exit.
[[noreturn]] void fatal(std::FILE* stream, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Called by fatal() after the message, instead of ending the process, when
// set. It must not return: the fuzz harnesses install one that throws, so
// that a run ended by a fatal condition unwinds and frees what it holds. The
// program itself never sets one. Returns the handler it replaces.
using FatalHandler = void (*)();
FatalHandler set_fatal_handler(FatalHandler handler);

}  // namespace gadrin
