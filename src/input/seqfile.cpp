#include "input/seqfile.h"

namespace gadrin {
int read_seq_dims(std::FILE*, int& nseq, int& nsite, int& maxnm) { nseq = nsite = maxnm = 0; return 0; }
int read_seqs(std::FILE*, int, int, CharMatrix&, CharMatrix&, int) { return 0; }
}  // namespace gadrin
