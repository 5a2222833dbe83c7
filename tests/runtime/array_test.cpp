// The array model: storage order, single and double subscripts, redimension, append, and the
// limits whose breach ends the process.
#include "runtime/array.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/text.h"

namespace quellora {
namespace {

TEST(Array, NewArrayIsOneDimensionalAndEmpty) {
  TextArray array;
  EXPECT_EQ(array.DimensionCount(), 1);
  EXPECT_EQ(array.DimensionSize(1), 0);
  EXPECT_EQ(ArrayElementCount(array), 0);
}

TEST(Array, SingleSubscriptCountsThroughRowsInStorageOrder) {
  TextArray table;
  table.Redim({2, 3});
  EXPECT_EQ(ArrayElementCount(table), 6);
  for (int row = 1; row <= 2; ++row) {
    for (int column = 1; column <= 3; ++column) {
      table.At(row, column) = std::to_string(row) + "," + std::to_string(column);
    }
  }
  EXPECT_EQ(table.At(4), "2,1");
  EXPECT_EQ(table.At(3), "1,3");
  EXPECT_EQ(table.At(6), "2,3");
}

TEST(Array, RedimEmptiesEveryElement) {
  IntArray numbers;
  numbers.Append(7);
  numbers.Redim({3});
  EXPECT_EQ(numbers.Elements(), (std::vector<std::int32_t>{0, 0, 0}));
  numbers.Redim({0});
  EXPECT_EQ(ArrayElementCount(numbers), 0);
}

TEST(Array, AppendFlattensToOneDimension) {
  TextArray table;
  table.Redim({2, 2});
  table.At(1, 2) = "b";
  table.Append("e");
  EXPECT_EQ(table.DimensionCount(), 1);
  EXPECT_EQ(table.DimensionSize(1), 5);
  EXPECT_EQ(table.Elements(), (std::vector<std::string>{"", "b", "", "", "e"}));
}

TEST(Array, ReadingCopiesWritingReplaces) {
  TextArray array;
  array.Append("a");
  Text copy = array.At(1);
  copy += "x";
  EXPECT_EQ(array.At(1), "a");
  array.At(1) = "b";
  EXPECT_EQ(array.At(1), "b");
}

class ArrayLimits : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ArrayLimits, SubscriptBelowOneEndsTheProcess) {
  TextArray array;
  array.Append("a");
  EXPECT_EXIT(array.At(0), ::testing::ExitedWithCode(2), "quellora-dl: array subscript 0");
}

TEST_F(ArrayLimits, SubscriptBeyondTheElementCountEndsTheProcess) {
  TextArray array;
  EXPECT_EXIT(array.At(1), ::testing::ExitedWithCode(2), "array subscript 1 out of range");
  TextArray table;
  table.Redim({2, 3});
  EXPECT_EXIT(table.At(7), ::testing::ExitedWithCode(2), "array subscript 7 out of range");
}

TEST_F(ArrayLimits, EachOfTwoSubscriptsIsTestedFirstOneFirst) {
  TextArray table;
  table.Redim({2, 3});
  EXPECT_EXIT(table.At(3, 1), ::testing::ExitedWithCode(2), "3 out of range \\(first dimension");
  EXPECT_EXIT(table.At(1, 4), ::testing::ExitedWithCode(2), "4 out of range \\(second dimension");
  EXPECT_EXIT(table.At(3, 0), ::testing::ExitedWithCode(2), "3 out of range \\(first dimension");
  EXPECT_EXIT(table.At(0, 9), ::testing::ExitedWithCode(2), "0 out of range \\(first dimension");
}

TEST_F(ArrayLimits, TwoSubscriptsOnAOneDimensionalArrayEndTheProcess) {
  TextArray array;
  array.Append("a");
  EXPECT_EXIT(array.At(1, 1), ::testing::ExitedWithCode(2), "2 array subscripts given");
}

TEST_F(ArrayLimits, BadRedimensionEndsTheProcess) {
  TextArray array;
  EXPECT_EXIT(array.Redim({-1}), ::testing::ExitedWithCode(2), "dimension size");
  EXPECT_EXIT(array.Redim({2, 0}), ::testing::ExitedWithCode(2), "dimension size");
  EXPECT_EXIT(array.Redim({}), ::testing::ExitedWithCode(2), "without a dimension");
  EXPECT_EXIT(array.Redim({65536, 65536}), ::testing::ExitedWithCode(2), "too large");
}

}  // namespace
}  // namespace quellora
