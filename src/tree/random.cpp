#include "tree/random.h"

#include <cstdint>
#include <cstdio>

#include "storage/fatal.h"

namespace gadrin {
namespace {

constexpr int kM1 = 259200, kA1 = 7141, kC1 = 54773;
constexpr int kM2 = 134456, kA2 = 8121, kC2 = 28411;
constexpr int kM3 = 243000, kA3 = 4561, kC3 = 51349;
constexpr int kTableSize = 97;
constexpr double kScale2 = 1.0 / kM2;
constexpr double kScale1 = 1.0 / kM1;

// The process-wide generator. Every product below stays under 2^31
// (7141 x 259199 is the largest), and `%` truncates, so a negative state
// stays negative until an advance brings it back.
struct Generator {
  std::int32_t s1 = 0, s2 = 0, s3 = 0;
  float table[kTableSize + 1] = {};  // entries 1..97
  bool seeded = false;

  void advance1() { s1 = (kA1 * s1 + kC1) % kM1; }
  void advance2() { s2 = (kA2 * s2 + kC2) % kM2; }
  void advance3() { s3 = (kA3 * s3 + kC3) % kM3; }
  float state_value() const {
    return static_cast<float>((s1 + s2 * kScale2) * kScale1);
  }

  void seed(int& rng_state) {
    seeded = true;
    // The difference is taken in 64 bits so that extreme control words do
    // not overflow; the remainder then fits, and equals the 32-bit result
    // wherever that one is defined.
    s1 = static_cast<std::int32_t>((std::int64_t{kC1} - rng_state) % kM1);
    advance1();
    s2 = s1 % kM2;
    advance1();
    s3 = s1 % kM3;
    for (int e = 1; e <= kTableSize; ++e) {
      advance1();
      advance2();
      table[e] = state_value();
    }
    rng_state = 1;
  }
};

Generator generator;

}  // namespace

float ran1(int& rng_state) {
  if (rng_state < 0 || !generator.seeded) generator.seed(rng_state);
  generator.advance1();
  generator.advance2();
  generator.advance3();
  const int e = 1 + (kTableSize * generator.s3) / kM3;
  if (e > kTableSize || e < 1) fatal(stdout, "ran1(): j = %d \n", e);
  const float result = generator.table[e];
  generator.table[e] = generator.state_value();
  return result;
}

void ran1_reset() { generator = Generator{}; }

// The count goes through single precision, as the site count of a replicate
// does. The tie-candidate count of a replicate tree (at most n(n-1)/2 pairs)
// goes through the same conversion, which is exact up to 2^24 candidates,
// i.e. for up to 5793 populations; beyond that it only shifts which
// candidate a draw lands on by a rounding, never the index range. A draw of
// exactly 1.0 is clamped to the last entry; so is a negative draw (possible
// only with a state gone negative) to the first.
int draw_index(float u, int count) {
  const int k = static_cast<int>(static_cast<double>(u) *
                                 static_cast<double>(static_cast<float>(count)));
  if (k >= count) return count - 1;
  if (k < 0) return 0;
  return k;
}

int resample_sites(int n, const IntVector& complete, IntVector& replicate, IntVector& variable,
                   int& nvariable, const IntVector& site_class, int& rng_state) {
  nvariable = 0;
  for (int t = 0; t < n; ++t) {
    const int site = complete[draw_index(ran1(rng_state), n)];
    replicate[t] = site;
    if (site_class[site] == 2) variable[nvariable++] = site;
  }
  return 0;
}

}  // namespace gadrin
