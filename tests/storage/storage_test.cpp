#include "storage/storage.h"

#include <gtest/gtest.h>
#include <stdexcept>

#include "storage/fatal.h"
#include <unistd.h>

namespace gadrin {
namespace {

// The allocators report on standard output; the death tests send it to
// standard error, where the matcher reads.
template <class F>
void fail_to_stderr(F allocate) {
  dup2(STDERR_FILENO, STDOUT_FILENO);
  (void)allocate();
}

TEST(Storage, ZeroCountsGiveEmptyContainers) {
  IntVector v = int_vector(0);
  CharMatrix empty_rows = char_matrix(0, 5);
  DoubleMatrix empty_cols = double_matrix(3, 0);
  TnodeArray nodes = tnode_array(0);
  free_int_vector(v, 0);
  free_char_matrix(empty_rows, 0, 5);
  free_double_matrix(empty_cols, 3, 0);
  free_tnode_array(nodes, 0);
}

TEST(Storage, MatrixRowsAreSeparateBlocks) {
  IntMatrix m = int_matrix(3, 4);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = 10 * i + j;
  int* row1 = m.rows()[1];
  EXPECT_EQ(row1[3], 13);
  EXPECT_EQ(m[2][0], 20);
  free_int_matrix(m, 3, 4);
  EXPECT_EQ(m.rows(), nullptr);
}

TEST(Storage, TnodeRecordsStayInPlace) {
  TnodeArray nodes = tnode_array(3);
  Tnode* second = &nodes[1];
  nodes[1].kind[2] = 1;
  nodes[1].num[2] = 3;
  TnodeArray moved = std::move(nodes);
  EXPECT_EQ(&moved[1], second);
  EXPECT_EQ(moved[1].num[2], 3);
}

struct FailureCase {
  const char* name;
  void (*allocate)();
  const char* lines;
};

const FailureCase kFailures[] = {
    {"int_vector", [] { (void)int_vector(-1); }, "memory allocation error\ninteger vector\\[-1\\]\n"},
    {"char_vector", [] { (void)char_vector(-2); }, "memory allocation error\nchar vector\\[-2\\]\n"},
    {"double_vector", [] { (void)double_vector(-3); },
     "memory allocation error\ndouble vector\\[-3\\]\n"},
    {"int_matrix_rows", [] { (void)int_matrix(-1, 4); },
     "memory allocation error\nstep1 integer matrix -1 4\n"},
    {"int_matrix_cols", [] { (void)int_matrix(2, -4); },
     "memory allocation error\nstep2\\(i=0\\) integer matrix 2 -4\n"},
    {"char_matrix_rows", [] { (void)char_matrix(-5, 1); },
     "memory allocation error\nstep1 char matrix -5 1\n"},
    {"char_matrix_cols", [] { (void)char_matrix(1, -1); },
     "memory allocation error\nstep2\\(i=0\\) char matrix 1 -1\n"},
    {"double_matrix_rows", [] { (void)double_matrix(-1, -1); },
     "memory allocation error\nstep1 double matrix -1 -1\n"},
    {"double_matrix_cols", [] { (void)double_matrix(3, -2); },
     "memory allocation error\nstep2\\(i=0\\) double matrix 3 -2\n"},
    {"tnode_array", [] { (void)tnode_array(-7); }, "memory allocation error\nNodc step1 -7\n"},
};

class StorageFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(StorageFailure, PrintsTwoLinesAndExits) {
  const FailureCase& c = GetParam();
  EXPECT_EXIT(fail_to_stderr(c.allocate), testing::ExitedWithCode(1), std::string("^") + c.lines + "$");
}

INSTANTIATE_TEST_SUITE_P(AllKinds, StorageFailure, testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// A handler that throws turns the end of the process into an exception, after
// the message; restoring the default handler ends the process again.
TEST(FatalHandler, RunsAfterTheMessageInsteadOfExiting) {
  const FatalHandler previous = set_fatal_handler([] { throw std::runtime_error("fatal"); });
  EXPECT_EQ(previous, nullptr);
  testing::internal::CaptureStdout();
  EXPECT_THROW((void)int_matrix(2, -4), std::runtime_error);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "memory allocation error\nstep2(i=0) integer matrix 2 -4\n");
  EXPECT_NE(set_fatal_handler(previous), nullptr);
  EXPECT_EXIT(fatal(stderr, "gone %d\n", 7), testing::ExitedWithCode(1), "^gone 7\n$");
}

}  // namespace
}  // namespace gadrin
