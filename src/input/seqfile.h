// Sequence file: one aligned sequence per line, its name, blanks, then its
// characters; C-style comments anywhere. Read twice: first for the
// dimensions, then, into containers of exactly those sizes, for the content.
#pragma once

#include <cstdio>

#include "storage/storage.h"

namespace gadrin {

// Counting pass. Sets nseq (sequence lines), nsite (sequence characters of
// the first line) and maxnm (longest name) after reading the stream to its
// end. A malformed line or a sequence whose length differs from the first
// prints its message on standard output and ends the process with status 1.
// Returns 0.
int read_seq_dims(std::FILE* stream, int& nseq, int& nsite, int& maxnm);

// Content pass over the same file. `seqs` is nsite x nseq (row = site) and
// receives the characters as read; `names` is nseq x (maxnm + 1), zero-filled
// by the caller, and receives the names. Never writes outside either matrix,
// even if the file changed since the counting pass (the surplus is dropped
// and the mismatch reported). Returns 0 or ends the process.
int read_seqs(std::FILE* stream, int nseq, int nsite, CharMatrix& seqs, CharMatrix& names,
              int maxnm);

}  // namespace gadrin
