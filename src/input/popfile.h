// Population file: a header line "<npop> populations", then one line per
// population: a number, a name and the numbers of its first and last sequence
// (counted from 1, inclusive). Blank lines may stand anywhere. Read twice.
#pragma once

#include <climits>
#include <cstdio>
#include <string>

#include "storage/storage.h"

namespace gadrin {

// Counting pass. Sets npop from the header (left as the caller set it when
// the header holds no number) and maxpopnm, the longest name of the first
// npop population lines, and checks their sequence numbers against 1..nseq.
// Failures print their message on standard output and end the process with
// status 1. Returns 0.
int read_pop_dims(std::FILE* stream, int& npop, int& maxpopnm, int nseq);

// Content pass. Fills `popnames` (npop x (maxpopnm + 1), zero-filled by the
// caller) and `pops` (npop x 3: first, last, count), repeating the counting
// pass's checks and adding its own. Names are cut to `maxpopnm` characters,
// so a file that changed since the counting pass cannot write past a row;
// callers should pass the counting pass's maxpopnm. Returns 0 or ends the
// process.
int read_pops(std::FILE* stream, int npop, CharMatrix& popnames, IntMatrix& pops, int nseq,
              int maxpopnm = INT_MAX);

// Reads one line, of any length, into `line` (cleared first), the line feed
// included. `count` is the number of characters other than space, tab and
// line feed. Returns 0 after a line feed and -1 at the end of the file.
int read_line(std::FILE* stream, std::string& line, int& count);

// Sets n bytes from `buffer` to zero; nothing for n <= 0.
void clear_buffer(char* buffer, int n);

}  // namespace gadrin
