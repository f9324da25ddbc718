// Aligned sequences in FASTA format, read twice like the native sequence
// file (input/seqfile.h) into the same containers.
//
// A line whose first non-blank character is '>' starts a sequence. Its name
// is the first word after the '>' (blanks between the two are skipped); the
// rest of the line is ignored. The sequence characters follow on any number
// of lines, up to the next '>' line or the end of the file. Spaces, tabs and
// carriage returns are blanks: they are ignored inside sequence lines, so
// CRLF line ends are accepted, and blank lines may stand anywhere. A '>'
// that is not the first character of its line is a sequence character.
//
// Rejections, each one line on standard output and exit status 1:
//   "format error in FASTA file: sequence before the first name (line %d)\n"
//   "format error in FASTA file: empty name (line %d)\n"
//       a '>' with nothing but blanks after it;
//   "format error in FASTA file: sequence %d has no sites\n"
//       a name with no sequence characters (counted from 1), so that nseq > 0
//       always comes with nsite > 0, as with the native format;
//   "nsite is not the same %d (in seq %d)\n"
//       a sequence whose length differs from the first (its length, its
//       number counted from 1); standard error in the content pass.
// Lines are counted from 1. The files are read a character at a time, so no
// line, name or sequence has a length limit.
#pragma once

#include <cstdio>

#include "storage/storage.h"

namespace gadrin {

// Counting pass. Sets nseq (sequences), nsite (characters of the first
// sequence) and maxnm (longest name) after reading the stream to its end; an
// empty file, or one of blank lines only, gives three zeros. Returns 0 or
// ends the process.
int read_fasta_dims(std::FILE* stream, int& nseq, int& nsite, int& maxnm);

// Content pass over the same file. `seqs` is nsite x nseq (row = site) and
// receives the characters as read; `names` is nseq x (maxnm + 1), zero-filled
// by the caller, and receives the names. Never writes outside either matrix,
// even if the file changed since the counting pass: as the native reader
// does, it then warns with "fc=%d maxnm=%d seq %d\n" for each name character
// beyond maxnm and "seqc=%d nseq=%d\n" after each surplus sequence, and
// rejects a sequence count other than nseq with "sequence number
// inconsistency seqc=%d nseq=%d\n" (standard output, exit status 1).
// Returns 0 or ends the process.
int read_fasta(std::FILE* stream, int nseq, int nsite, CharMatrix& seqs, CharMatrix& names,
               int maxnm);

}  // namespace gadrin
