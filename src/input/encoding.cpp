#include "input/encoding.h"

namespace gadrin {
int code_nucleotides(CharMatrix&, int, int, int& nvariable, int& ncomplete, IntVector&, IntVector&,
                     const std::array<int, 3>&, IntVector&) { nvariable = ncomplete = 0; return 0; }
int code_amino_acids(CharMatrix&, int, int, int& nvariable, int& ncomplete, IntVector&, IntVector&,
                     IntVector&) { nvariable = ncomplete = 0; return 0; }
}  // namespace gadrin
