// Helpers shared by the distance tests: alignments written as text, and
// pair counts as readable text for comparisons.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>

#include "distance/comparison.h"
#include "storage/storage.h"

namespace gadrin::testing_support {

// Sequences written as text (one string per sequence), coded by position in
// `alphabet`, one matrix row per site.
inline CharMatrix coded(std::initializer_list<const char*> rows, const char* alphabet) {
  const int nseq = static_cast<int>(rows.size());
  const int nsite = static_cast<int>(std::strlen(*rows.begin()));
  CharMatrix seqs = char_matrix(nsite, nseq);
  int q = 0;
  for (const char* row : rows) {
    for (int s = 0; s < nsite; ++s) seqs[s][q] = static_cast<char>(std::strchr(alphabet, row[s]) - alphabet);
    ++q;
  }
  return seqs;
}

// Every count of a pair, for equality checks with readable failures.
inline std::string describe(const PairCounts& c) {
  std::string s = "S=" + std::to_string(c.S) + " P=" + std::to_string(c.P) +
                  " Q=" + std::to_string(c.Q) + " P1=" + std::to_string(c.P1) +
                  " P2=" + std::to_string(c.P2) + " D=" + std::to_string(c.D) + " M=";
  for (const auto& row : c.M) {
    for (int x : row) s += std::to_string(x) + ",";
  }
  s += " base=";
  for (int x : c.base) s += std::to_string(x) + ",";
  return s;
}

}  // namespace gadrin::testing_support
