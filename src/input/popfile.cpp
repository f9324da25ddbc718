#include "input/popfile.h"

namespace gadrin {
int read_pop_dims(std::FILE*, int&, int& maxpopnm, int) { maxpopnm = 0; return 0; }
int read_pops(std::FILE*, int, CharMatrix&, IntMatrix&, int) { return 0; }
int read_line(std::FILE*, std::string& line, int& count) { line.clear(); count = 0; return -1; }
void clear_buffer(char* buffer, int n) { for (int i = 0; i < n; ++i) buffer[i] = 0; }
}  // namespace gadrin
