// Random numbers and site resampling for the bootstrap.
#pragma once

#include "storage/storage.h"

namespace gadrin {

// Uniform generator: three linear congruential generators and a 97-entry
// shuffle table, with process-wide state. A negative control word (or the
// first call of the process) seeds the generator from it and sets it to 1.
// Returns a single-precision value in [0, 1]. A table index out of range
// prints "ran1(): j = %d " on standard output and ends the process with
// status 1.
float ran1(int& rng_state);

// Forgets the seeding, as at process start (for tests).
void ran1_reset();

// Index of a draw u among `count` candidates: the integer part of u x count
// (count taken in single precision, the product in double), never past
// count - 1 even for u = 1.0.
[[nodiscard]] int draw_index(float u, int count);

// Draws n sites with replacement from the n-entry complete-site list into
// `replicate`, and rewrites `variable` and nvariable with the draws that hit
// a variable site (class 2), in draw order, repeats included. Returns 0.
int resample_sites(int n, const IntVector& complete, IntVector& replicate, IntVector& variable,
                   int& nvariable, const IntVector& site_class, int& rng_state);

}  // namespace gadrin
