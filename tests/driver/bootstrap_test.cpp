#include "driver/bootstrap.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "storage/storage.h"

namespace gadrin {
namespace {

// Counts that make every JC pair inapplicable (p = 1) for the first
// `failures` engine calls, and identical pairs afterwards.
class FailingComparer final : public PairComparer {
 public:
  explicit FailingComparer(int failures) : failures_(failures) {}
  void prepare(const CharMatrix&, int, const SiteLists& sites) override {
    n_ = sites.n;
    ++calls_;
  }
  void compare(int, int, PairCounts& counts) const override {
    counts = PairCounts{};
    if (calls_ <= failures_) counts.P = n_;
  }
  int calls() const { return calls_; }

 private:
  int failures_;
  int calls_ = 0;
  int n_ = 0;
};

// One population of two sequences over four identical complete sites.
Analysis two_sequences() {
  Analysis a;
  a.nseq = 2;
  a.nsite = a.ncomplete = 4;
  a.npop = 1;
  a.seqs = char_matrix(a.nsite, a.nseq);
  a.complete = int_vector(4);
  a.variable = int_vector(4);
  a.site_class = int_vector(4);
  a.replicate_sites = int_vector(4);
  for (int s = 0; s < 4; ++s) {
    a.seqs[s][0] = a.seqs[s][1] = 0;
    a.complete[s] = s;
    a.site_class[s] = 0;
  }
  a.pops = int_matrix(1, 3);
  a.pops[0][0] = 1;
  a.pops[0][1] = 2;
  a.pops[0][2] = 2;
  a.within = double_vector(1);
  a.within_sums = double_vector(1);
  a.within_squares = double_vector(1);
  a.rep_within = double_vector(1);
  a.between = double_matrix(1, 1);
  a.rep_between = double_matrix(1, 1);
  a.dxy_sums = double_matrix(1, 1);
  a.da_sums = double_matrix(1, 1);
  a.nj = double_matrix(1, 1);
  return a;
}

TEST(Bootstrap, InapplicableDrawsAreRedrawnAndCounted) {
  Settings settings;
  settings.nboot = 3;
  settings.seed = 1;
  Analysis a = two_sequences();
  FailingComparer comparer(kMaxInapplicableInARow - 1);
  bootstrap_first_stage(settings, a);
  bootstrap_second_stage(settings, a, comparer);
  EXPECT_EQ(a.ninap, kMaxInapplicableInARow - 1);
  EXPECT_EQ(comparer.calls(), kMaxInapplicableInARow - 1 + 3);
  EXPECT_EQ(a.within_sums[0], 0.0);
}

TEST(Bootstrap, GivesUpAfterTooManyInapplicableDrawsInARow) {
  Settings settings;
  settings.nboot = 2147483647;
  settings.seed = 1;
  Analysis a = two_sequences();
  FailingComparer comparer(kMaxInapplicableInARow);
  bootstrap_first_stage(settings, a);
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        bootstrap_second_stage(settings, a, comparer);
      },
      testing::ExitedWithCode(1), "^bootstrap stopped: 10000 inapplicable replicates in a row\n$");
}

}  // namespace
}  // namespace gadrin
