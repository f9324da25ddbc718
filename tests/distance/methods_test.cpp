#include "distance/methods.h"

#include <gtest/gtest.h>

namespace gadrin {
namespace {

TEST(Methods, PredicatesMatchTheCatalogue) {
  const char* amino = "00000111000000000";
  const char* gamma = "00001001010000101";
  for (int m = 0; m < kMethodCount; ++m) {
    EXPECT_EQ(is_amino_method(m), amino[m] == '1') << m;
    EXPECT_EQ(is_gamma_method(m), gamma[m] == '1') << m;
  }
  EXPECT_FALSE(is_amino_method(-1));
  EXPECT_FALSE(is_amino_method(17));
}

}  // namespace
}  // namespace gadrin
