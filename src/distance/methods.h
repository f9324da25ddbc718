// The method catalogue: numbers, names and the two properties of each
// distance method that the rest of the program needs.
#pragma once

#include <array>

namespace gadrin {

inline constexpr int kMethodCount = 17;

// Names indexed by method number 0..16, as the usage text and the report print them.
inline constexpr std::array<const char*, kMethodCount> method_names = {
    "JC distance",      "K2P distance",       "Tajima Nei distance", "Tamura distance",
    "Gamma distance",   "amino Poisson",      "amino p-distance",    "amino Gamma",
    "Tamura Nei",       "Tamura Nei Gamma",   "p-distance",          "p-distance with gap",
    "V(proportion)",    "V K2P",              "V K2P gamma",         "V Hasegawa",
    "V Hasegawa gamma",
};

// Methods 5, 6 and 7 work on amino-acid codes; all others on nucleotides.
[[nodiscard]] constexpr bool is_amino_method(int method) { return method >= 5 && method <= 7; }

// Methods 4, 7, 9, 14 and 16 read the gamma parameter.
[[nodiscard]] constexpr bool is_gamma_method(int method) {
  return method == 4 || method == 7 || method == 9 || method == 14 || method == 16;
}

}  // namespace gadrin
