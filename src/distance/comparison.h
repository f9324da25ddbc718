// Pairwise site comparison: the counts that the distance formulas take.
//
// Five comparisons serve the 17 methods:
//   1 transitions/transversions  methods 0 1 4 12 13 14  variable-site list
//   2 base-pair table            methods 2 3             complete-site list
//   3 Tamura-Nei classes         methods 8 9 15 16       complete-site list
//   4 residue identity           methods 5 6 7           variable-site list
//   5 five-state identity        methods 10 11           variable-site list
#pragma once

#include "storage/storage.h"

namespace gadrin {

// [code of the first sequence][code of the second], bases in the order A T G C.
// -1 identical, 0 transition, 1 transversion.
extern const int tstv_class[4][4];
// 0 identical, 1 A<->G transition, 2 T<->C transition, 3 transversion.
extern const int tn_class[4][4];
// A T G C gap: -1 identical, 0 different.
extern const int match5[5][5];

// The comparison (1..5) that a method 0..16 uses; 0 for any other number.
[[nodiscard]] int comparison_for(int method);

// Counts of one pair. Only the fields of the pair's comparison are
// meaningful; all start at 0 for every pair.
struct PairCounts {
  int S = 0;   // identical sites (comparisons 2..5; comparison 1 leaves it 0)
  int P = 0;   // transitions (comparisons 1, 2)
  int Q = 0;   // transversions (comparisons 1..3)
  int P1 = 0;  // A<->G transitions (comparison 3)
  int P2 = 0;  // T<->C transitions (comparison 3)
  int D = 0;   // differing sites (comparisons 4, 5)
  int M[4][4] = {};  // [base of the first][base of the second] (comparison 2)
  int base[4] = {};  // A, T, G, C among both sequences' bases (comparison 3)
};

// The sites of one engine call. For a bootstrap replicate both lists hold
// the drawn sites with their repeats.
struct SiteLists {
  const int* complete;  // n site numbers
  int n;
  const int* variable;  // v site numbers
  int v;
};

// The step that turns a pair of sequences into counts. The engine prepares
// it once per call and then asks for every pair it visits; compare() must
// give exactly the counts of the straightforward walk over the list its
// comparison walks. compare() is const so that pairs may be counted from
// several threads at once.
class PairComparer {
 public:
  virtual ~PairComparer() = default;
  virtual void prepare(const CharMatrix& seqs, int comparison, const SiteLists& sites) = 0;
  virtual void compare(int i, int j, PairCounts& counts) const = 0;
};

// Walks the listed sites of the two sequences one by one.
class ReferenceComparer final : public PairComparer {
 public:
  void prepare(const CharMatrix& seqs, int comparison, const SiteLists& sites) override;
  void compare(int i, int j, PairCounts& counts) const override;

 private:
  const CharMatrix* seqs_ = nullptr;
  int comparison_ = 1;
  SiteLists sites_{};
};

// One straightforward comparison of sequences i and j (i first): every
// field of counts is cleared, then the listed sites of the comparison are
// walked in list order. Sites where a code lies outside the comparison's
// range (bases 0..3, residues 0..19, bases and gap 0..4) are passed over.
void compare_pair(const CharMatrix& seqs, int comparison, const SiteLists& sites, int i, int j,
                  PairCounts& counts);

}  // namespace gadrin
