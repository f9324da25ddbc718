#include "storage/fatal.h"

#include <cstdarg>
#include <cstdlib>

namespace gadrin {

void fatal(std::FILE* stream, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::vfprintf(stream, format, args);
  va_end(args);
  std::exit(1);
}

}  // namespace gadrin
