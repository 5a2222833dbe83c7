// The array model: a dimension count, the size of each dimension, and the elements in
// row-major order (the last subscript varies fastest). Subscripts start at 1; one subscript
// counts through all elements whatever the dimension count. A broken limit (subscript below 1,
// beyond its dimension, a wrong number of subscripts, a bad redimension) ends the process
// through FatalError: the program's own code never expects one.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "runtime/process.h"

namespace quellora {

template <class T>
class Array {
 public:
  /// A new array is one-dimensional with size 0.
  Array() : sizes_{0} {}

  int DimensionCount() const { return static_cast<int>(sizes_.size()); }
  /// Size of dimension k (1-based).
  int DimensionSize(int k) const {
    if (k < 1 || k > DimensionCount()) FatalError("array dimension out of range");
    return sizes_[static_cast<std::size_t>(k - 1)];
  }
  /// The product of the dimension sizes.
  int ElementCount() const { return static_cast<int>(elements_.size()); }

  /// Gives the array new dimension sizes; every element becomes the empty value.
  void Redim(std::initializer_list<int> sizes) {
    if (sizes.size() == 0) FatalError("array redimensioned without a dimension");
    std::int64_t count = 1;
    for (int size : sizes) {
      if (size < (sizes.size() == 1 ? 0 : 1)) FatalError("array dimension size out of range");
      count *= size;
      if (count > INT32_MAX) FatalError("array too large");
    }
    sizes_.assign(sizes.begin(), sizes.end());
    elements_.assign(static_cast<std::size_t>(count), T{});
  }

  /// Turns the array into a one-dimensional one holding its old elements, then value.
  void Append(T value) {
    if (elements_.size() >= INT32_MAX) FatalError("array too large");
    elements_.push_back(std::move(value));
    sizes_.assign(1, static_cast<int>(elements_.size()));
  }

  /// One subscript counting through all elements in storage order.
  const T& At(int s) const { return elements_[FlatIndex(s)]; }
  T& At(int s) { return elements_[FlatIndex(s)]; }
  /// Row and column of a two-dimensional array.
  const T& At(int row, int column) const { return elements_[FlatIndex(row, column)]; }
  T& At(int row, int column) { return elements_[FlatIndex(row, column)]; }

  const std::vector<T>& Elements() const { return elements_; }

 private:
  std::size_t FlatIndex(int s) const {
    CheckSubscript(s, ElementCount(), "element count");
    return static_cast<std::size_t>(s - 1);
  }
  std::size_t FlatIndex(int row, int column) const {
    if (DimensionCount() != 2) {
      FatalError("2 array subscripts given for an array of " + std::to_string(DimensionCount()) +
                 " dimension(s)");
    }
    CheckSubscript(row, sizes_[0], "first dimension");
    CheckSubscript(column, sizes_[1], "second dimension");
    return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(sizes_[1]) +
           static_cast<std::size_t>(column - 1);
  }
  static void CheckSubscript(int s, int limit, const char* what) {
    if (s < 1 || s > limit) {
      FatalError("array subscript " + std::to_string(s) + " out of range (" + what + " " +
                 std::to_string(limit) + ")");
    }
  }

  std::vector<int> sizes_;
  std::vector<T> elements_;
};

/// The product of the array's dimension sizes; 0 when it has none.
template <class T>
int ArrayElementCount(const Array<T>& array) {
  return array.ElementCount();
}

}  // namespace quellora
