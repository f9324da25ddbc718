// Population file, both passes, against a sequence count taken from the input.
//
// Input: one byte, the number of sequences (0..255), then the file.
#include "harness.h"
#include "input/popfile.h"
#include "storage/storage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gadrin::fuzz::install_fatal_handler();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace gadrin;
  using namespace gadrin::fuzz;
  if (size < 1) return 0;
  const int nseq = data[0];
  const std::string_view file = as_text(data + 1, size - 1);
  try {
    int npop = 0;
    int maxpopnm = 0;
    {
      MemoryStream first(file);
      read_pop_dims(first.get(), npop, maxpopnm, nseq);
    }
    // The counting pass returns only after npop population lines, each at
    // least as long as "1a 1 2".
    FUZZ_CHECK(npop >= 1 && static_cast<std::size_t>(npop) * 6 <= file.size());
    FUZZ_CHECK(maxpopnm >= 1 && static_cast<std::size_t>(maxpopnm) < file.size());

    CharMatrix names = char_matrix(npop, maxpopnm + 1);
    IntMatrix pops = int_matrix(npop, 3);
    for (int p = 0; p < npop; ++p) {
      clear_buffer(names[p], maxpopnm + 1);
      pops[p][0] = pops[p][1] = pops[p][2] = 0;
    }
    {
      MemoryStream second(file);
      read_pops(second.get(), npop, names, pops, nseq, maxpopnm);
    }
    for (int p = 0; p < npop; ++p) {
      FUZZ_CHECK(1 <= pops[p][0] && pops[p][0] < pops[p][1] && pops[p][1] <= nseq);
      FUZZ_CHECK(pops[p][2] == pops[p][1] - pops[p][0] + 1);
      // A name may hold NUL bytes; its row ends with one in any case.
      FUZZ_CHECK(names[p][maxpopnm] == '\0');
    }
  } catch (const FatalExit&) {
  }
  return 0;
}
