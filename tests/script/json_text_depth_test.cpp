#include <gtest/gtest.h>

#include <string>

#include "script/json_text.h"

namespace quellora {
namespace {

std::string Nested(std::size_t depth) {
  return std::string(depth, '[') + std::string(depth, ']');
}

TEST(JsonTextDepthTest, NestingUpToTheLimitReadsAndDeeperIsRefused) {
  EXPECT_TRUE(ReadJsonText(Nested(kMaxJsonDepth)).has_value());
  EXPECT_FALSE(ReadJsonText(Nested(kMaxJsonDepth + 1)).has_value());
}

TEST(JsonTextDepthTest, BracketsInsideStringsDoNotCount) {
  const std::string brackets(kMaxJsonDepth + 10, '[');
  // An escaped quote does not end the string: the brackets after it are text.
  auto value = ReadJsonText(R"(["\")" + brackets + R"("])");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->at(0).get<std::string>(), "\"" + brackets);
  // A quote after an escaped backslash does end it: the nesting after it counts.
  EXPECT_FALSE(ReadJsonText(R"(["\\",)" + Nested(kMaxJsonDepth) + "]").has_value());
  EXPECT_TRUE(ReadJsonText(R"(["\\",)" + Nested(kMaxJsonDepth - 1) + "]").has_value());
  // Three backslashes: an escaped backslash, then an escaped quote.
  EXPECT_TRUE(ReadJsonText(R"(["\\\")" + brackets + R"("])").has_value());
}

TEST(JsonTextDepthTest, AnUnendedStringIsNotJson) {
  EXPECT_FALSE(ReadJsonText(R"(["abc)").has_value());
  EXPECT_FALSE(ReadJsonText(R"(["abc\")").has_value());
}

}  // namespace
}  // namespace quellora
