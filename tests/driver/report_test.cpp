#include "driver/report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace gadrin {
namespace {

TEST(BootstrapStat, UnbiasedVarianceOfTheReplicateValues) {
  // Values 1, 2, 3: S = 6, Q = 14, mean 2, q = 14/3, d = 14/3 - 4 = 2/3,
  // d / 2 = 1/3, variance 3 * 1/3 = 1.
  const BootstrapStat st = bootstrap_stat(6, 14, 3);
  EXPECT_DOUBLE_EQ(st.mean, 2);
  EXPECT_DOUBLE_EQ(st.variance, 1);
  EXPECT_DOUBLE_EQ(standard_error(st.variance), 1);
}

TEST(BootstrapStat, EqualValuesNeverGiveANegativeVariance) {
  // 0.1 three times: q - m*m comes out as a tiny negative number in doubles.
  const double v = 0.1;
  const double S = v + v + v, Q = v * v + v * v + v * v;
  ASSERT_LT(Q / 3 - (S / 3) * (S / 3), 0);
  EXPECT_EQ(bootstrap_stat(S, Q, 3).variance, 0.0);
}

TEST(BootstrapStat, OneReplicatePrintsAPositiveNan) {
  const BootstrapStat st = bootstrap_stat(0.25, 0.0625, 1);
  const double se = standard_error(st.variance);
  ASSERT_TRUE(std::isnan(se));
  char text[32];
  std::snprintf(text, sizeof text, "%10.8f", se);
  EXPECT_STREQ(text, "       nan");
  std::snprintf(text, sizeof text, "%10.8f", standard_error(-std::nan("")));
  EXPECT_STREQ(text, "       nan");
}

}  // namespace
}  // namespace gadrin
