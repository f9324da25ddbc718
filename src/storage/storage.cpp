#include "storage/storage.h"

#include <cstdio>
#include <new>

#include "storage/fatal.h"

namespace gadrin {
namespace {

[[noreturn]] void allocation_failed(const char* format, int a, int b = 0, int c = 0) {
  std::printf("memory allocation error\n");
  fatal(stdout, format, a, b, c);
}

template <class T>
Vector<T> make_vector(int n, const char* what) {
  T* block = n < 0 ? nullptr : new (std::nothrow) T[static_cast<std::size_t>(n)];
  if (block == nullptr) allocation_failed(what, n);
  return Vector<T>(std::unique_ptr<T[]>(block));
}

// A failed row frees the rows made before it when fatal() does not end the
// process (see set_fatal_handler).
template <class T>
Matrix<T> make_matrix(int rows, int cols, const char* kind) {
  std::unique_ptr<T*[]> pointers(
      rows < 0 ? nullptr : new (std::nothrow) T*[static_cast<std::size_t>(rows)]);
  if (pointers == nullptr) {
    std::printf("memory allocation error\n");
    fatal(stdout, "step1 %s matrix %d %d\n", kind, rows, cols);
  }
  for (int i = 0; i < rows; ++i) {
    pointers[i] = cols < 0 ? nullptr : new (std::nothrow) T[static_cast<std::size_t>(cols)];
    if (pointers[i] == nullptr) {
      const Matrix<T> made(std::move(pointers), i);
      std::printf("memory allocation error\n");
      fatal(stdout, "step2(i=%d) %s matrix %d %d\n", i, kind, rows, cols);
    }
  }
  return Matrix<T>(std::move(pointers), rows);
}

}  // namespace

IntVector int_vector(int n) { return make_vector<std::int32_t>(n, "integer vector[%d]\n"); }
CharVector char_vector(int n) { return make_vector<char>(n, "char vector[%d]\n"); }
DoubleVector double_vector(int n) { return make_vector<double>(n, "double vector[%d]\n"); }

IntMatrix int_matrix(int rows, int cols) { return make_matrix<std::int32_t>(rows, cols, "integer"); }
CharMatrix char_matrix(int rows, int cols) { return make_matrix<char>(rows, cols, "char"); }
DoubleMatrix double_matrix(int rows, int cols) { return make_matrix<double>(rows, cols, "double"); }

TnodeArray tnode_array(int n) {
  std::unique_ptr<Tnode*[]> pointers(
      n < 0 ? nullptr : new (std::nothrow) Tnode*[static_cast<std::size_t>(n)]);
  if (pointers == nullptr) allocation_failed("Nodc step1 %d\n", n);
  for (int i = 0; i < n; ++i) {
    pointers[i] = new (std::nothrow) Tnode;
    if (pointers[i] == nullptr) {
      const TnodeArray made(std::move(pointers), i);
      allocation_failed("step2(i=%d) Tnode %d\n", i, n);
    }
  }
  return TnodeArray(std::move(pointers), n);
}

void free_int_vector(IntVector& v, int) { v.release(); }
void free_char_vector(CharVector& v, int) { v.release(); }
void free_double_vector(DoubleVector& v, int) { v.release(); }
void free_int_matrix(IntMatrix& m, int, int) { m.release(); }
void free_char_matrix(CharMatrix& m, int, int) { m.release(); }
void free_double_matrix(DoubleMatrix& m, int, int) { m.release(); }
void free_tnode_array(TnodeArray& a, int) { a.release(); }

}  // namespace gadrin
