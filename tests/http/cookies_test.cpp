#include "http/cookies.h"

#include <gtest/gtest.h>

#include "runtime/codepage.h"

namespace quellora {
namespace {

struct MergeCase {
  const char* cookies;
  const char* newCookies;
  const char* merged;
};

class MergeCookiesTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesTest, MergesIntoTheCookieString) {
  const MergeCase& c = GetParam();
  Text cookies = c.cookies;
  Text newCookies = c.newCookies;
  const Text returned = MergeCookies(cookies, newCookies);
  EXPECT_EQ(cookies, c.merged);
  EXPECT_EQ(returned, c.merged);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MergeCookiesTest,
    ::testing::Values(
        // An old name keeps its place with the new value; a new name goes to the end.
        MergeCase{"a=1; b=2", "b=3; d=4", "a=1;b=3;d=4;"},
        MergeCase{"a=1;b=2", "a=deleted", "b=2;"}, MergeCase{"a=1;b=2", "a=", "b=2;"},
        // An item without "=" has an empty value: the old cookie goes, a new one never shows.
        MergeCase{"a=1;b=2", "a", "b=2;"}, MergeCase{"a=1", "z", "a=1;"},
        MergeCase{"", "x=1", "x=1;"},
        // No new cookies: only the blanks go; nothing is rebuilt.
        MergeCase{"a=1; b=2", "", "a=1;b=2"},
        MergeCase{"a=1; b=; c=deleted", "  ", "a=1;b=;c=deleted"}, MergeCase{"", "x=a=b", "x=a=b;"},
        // Two old items of one name: only the first takes the new value; both are written.
        MergeCase{"a=1;a=2", "a=3", "a=3;a=2;"},
        // Letter case makes different cookies.
        MergeCase{"a=1", "A=2", "a=1;A=2;"},
        // Of two equal new names the later wins, in the place of the first.
        MergeCase{"", "n=1; m=2; n=3", "n=3;m=2;"},
        // Empty items between separators are skipped when rebuilding.
        MergeCase{"a=1;;b=2", "c=3", "a=1;b=2;c=3;"},
        // Tabs are no blanks.
        MergeCase{"", "t=\t1", "t=\t1;"}));

TEST(MergeCookies, StripsBlanksFromBothVariables) {
  Text cookies = "a = 1";
  Text newCookies = "b = 2 ;  c=3";
  MergeCookies(cookies, newCookies);
  EXPECT_EQ(newCookies, "b=2;c=3");
  EXPECT_EQ(cookies, "a=1;b=2;c=3;");
}

TEST(MergeCookies, RemovesFullWidthBlanks) {
  const Text fullWidth = FromUtf8("\u3000");
  Text cookies = "a=1" + fullWidth;
  Text newCookies = "b=" + fullWidth + "2";
  EXPECT_EQ(MergeCookies(cookies, newCookies), "a=1;b=2;");
}

struct ItemCase {
  const char* item;
  const char* name;
  const char* value;
};

class CookieItemTest : public ::testing::TestWithParam<ItemCase> {};

TEST_P(CookieItemTest, SplitsAtTheFirstEquals) {
  EXPECT_EQ(CookieName(GetParam().item), GetParam().name);
  EXPECT_EQ(CookieValue(GetParam().item), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Table, CookieItemTest,
                         ::testing::Values(ItemCase{"x=a=b", "x", "a=b"}, ItemCase{"x", "x", ""},
                                           ItemCase{" x =1 ", "x", "1 "}, ItemCase{"=v", "", "v"},
                                           ItemCase{"", "", ""}, ItemCase{"k=", "k", ""}));

}  // namespace
}  // namespace quellora
