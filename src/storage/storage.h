// Vectors, matrices and node arrays: every input-sized array of a run.
//
// Each container is allocated once at its final size and owned by the caller
// that allocated it. Contents are not initialised. A matrix is a block of row
// pointers plus one separately allocated block per row, so a single row can be
// handed around by its pointer; a Tnode array is a block of pointers to
// separately allocated records. An allocation that cannot be met prints
// "memory allocation error" and a line naming the container on standard
// output and ends the process with status 1: callers never check results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>

namespace gadrin {

template <class T>
class Vector {
 public:
  Vector() = default;
  explicit Vector(std::unique_ptr<T[]> block) : block_(std::move(block)) {}

  T& operator[](std::ptrdiff_t i) { return block_[i]; }
  const T& operator[](std::ptrdiff_t i) const { return block_[i]; }
  T* data() { return block_.get(); }
  const T* data() const { return block_.get(); }
  // The first n elements; the vector does not record its own size.
  std::span<T> first(int n) { return {block_.get(), static_cast<std::size_t>(n)}; }
  std::span<const T> first(int n) const {
    return {block_.get(), static_cast<std::size_t>(n)};
  }
  void release() { block_.reset(); }

 private:
  std::unique_ptr<T[]> block_;
};

template <class T>
class Matrix {
 public:
  Matrix() = default;
  Matrix(std::unique_ptr<T*[]> rows, int nrows) : rows_(std::move(rows)), nrows_(nrows) {}
  Matrix(Matrix&& other) noexcept
      : rows_(std::move(other.rows_)), nrows_(std::exchange(other.nrows_, 0)) {}
  Matrix& operator=(Matrix&& other) noexcept {
    if (this != &other) {
      release();
      rows_ = std::move(other.rows_);
      nrows_ = std::exchange(other.nrows_, 0);
    }
    return *this;
  }
  ~Matrix() { release(); }

  T* operator[](std::ptrdiff_t i) { return rows_[i]; }
  const T* operator[](std::ptrdiff_t i) const { return rows_[i]; }
  // The block of row pointers.
  T* const* rows() { return rows_.get(); }
  const T* const* rows() const { return rows_.get(); }
  // Frees rows last first, then the row-pointer block.
  void release() {
    if (!rows_) return;
    for (int i = nrows_ - 1; i >= 0; --i) delete[] rows_[i];
    rows_.reset();
    nrows_ = 0;
  }

 private:
  std::unique_ptr<T*[]> rows_;
  int nrows_ = 0;
};

// One internal node of a tree: its three neighbours. kind[c] is 0 for a leaf
// (num[c] = leaf number 1..n) and 1 for an internal node (num[c] = internal
// index 1..n-2).
struct Tnode {
  std::int8_t kind[3];
  std::int32_t num[3];
};

class TnodeArray {
 public:
  TnodeArray() = default;
  TnodeArray(std::unique_ptr<Tnode*[]> records, int n) : records_(std::move(records)), n_(n) {}
  TnodeArray(TnodeArray&& other) noexcept
      : records_(std::move(other.records_)), n_(std::exchange(other.n_, 0)) {}
  TnodeArray& operator=(TnodeArray&& other) noexcept {
    if (this != &other) {
      release();
      records_ = std::move(other.records_);
      n_ = std::exchange(other.n_, 0);
    }
    return *this;
  }
  ~TnodeArray() { release(); }

  Tnode& operator[](std::ptrdiff_t i) { return *records_[i]; }
  const Tnode& operator[](std::ptrdiff_t i) const { return *records_[i]; }
  // Frees records last first, then the pointer block.
  void release() {
    if (!records_) return;
    for (int i = n_ - 1; i >= 0; --i) delete records_[i];
    records_.reset();
    n_ = 0;
  }

 private:
  std::unique_ptr<Tnode*[]> records_;
  int n_ = 0;
};

using IntVector = Vector<std::int32_t>;
using CharVector = Vector<char>;
using DoubleVector = Vector<double>;
using IntMatrix = Matrix<std::int32_t>;
using CharMatrix = Matrix<char>;
using DoubleMatrix = Matrix<double>;

[[nodiscard]] IntVector int_vector(int n);
[[nodiscard]] CharVector char_vector(int n);
[[nodiscard]] DoubleVector double_vector(int n);
[[nodiscard]] IntMatrix int_matrix(int rows, int cols);
[[nodiscard]] CharMatrix char_matrix(int rows, int cols);
[[nodiscard]] DoubleMatrix double_matrix(int rows, int cols);
[[nodiscard]] TnodeArray tnode_array(int n);

// Release operations. The counts are those used at allocation; they are
// accepted for symmetry with the allocators and not needed by the owners.
void free_int_vector(IntVector& v, int n);
void free_char_vector(CharVector& v, int n);
void free_double_vector(DoubleVector& v, int n);
void free_int_matrix(IntMatrix& m, int rows, int cols);
void free_char_matrix(CharMatrix& m, int rows, int cols);
void free_double_matrix(DoubleMatrix& m, int rows, int cols);
void free_tnode_array(TnodeArray& a, int n);

}  // namespace gadrin
