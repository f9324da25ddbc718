#include "storage/fatal.h"

#include <cstdarg>
#include <cstdlib>
#include <utility>

namespace gadrin {
namespace {

FatalHandler fatal_handler = nullptr;

}  // namespace

void fatal(std::FILE* stream, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::vfprintf(stream, format, args);
  va_end(args);
  if (fatal_handler != nullptr) fatal_handler();
  std::exit(1);
}

FatalHandler set_fatal_handler(FatalHandler handler) {
  return std::exchange(fatal_handler, handler);
}

}  // namespace gadrin
