#include "http/request_target.h"

#include <gtest/gtest.h>

#include "runtime/codepage.h"

namespace quellora {
namespace {

struct TargetCase {
  const char* address;
  const char* target;
  bool secure;
};

class PrepareAddressTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(PrepareAddressTest, BuildsTheRequestTarget) {
  const std::optional<PreparedAddress> prepared = PrepareAddress(GetParam().address);
  ASSERT_TRUE(prepared.has_value()) << GetParam().address;
  EXPECT_EQ(prepared->target, GetParam().target);
  EXPECT_EQ(prepared->secure, GetParam().secure);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PrepareAddressTest,
    ::testing::Values(TargetCase{"http://example.test", "/", false},
                      TargetCase{"http://example.test/a/b?c=1", "/a/b?c=1", false},
                      TargetCase{"https://example.test:8443/x", "/x", true},
                      TargetCase{"HTTP://example.test/x", "/x", false},
                      // No path: the target is "/" and the query is not sent.
                      TargetCase{"http://example.test?c=1", "/", false},
                      // A fragment never goes on the wire.
                      TargetCase{"http://example.test/p?q=1#frag", "/p?q=1", false},
                      TargetCase{"http://example.test/a b", "/a%20b", false},
                      TargetCase{"http://example.test/a%20b", "/a%20b", false},
                      TargetCase{"http://example.test/a/../b", "/a/../b", false}));

TEST(PrepareAddress, EncodesTheProgramCodePageAsUtf8) {
  const std::optional<PreparedAddress> prepared =
      PrepareAddress("http://example.test/search/" + FromUtf8("中文") + "?q=" + FromUtf8("书"));
  ASSERT_TRUE(prepared.has_value());
  EXPECT_EQ(prepared->target, "/search/%E4%B8%AD%E6%96%87?q=%E4%B9%A6");
  EXPECT_EQ(prepared->url, "http://example.test/search/%E4%B8%AD%E6%96%87?q=%E4%B9%A6");
}

TEST(PrepareAddress, ControlBytesAreEncoded) {
  const std::optional<PreparedAddress> prepared =
      PrepareAddress("http://example.test/a\r\nX-Injected: 1");
  ASSERT_TRUE(prepared.has_value());
  EXPECT_EQ(prepared->target, "/a%0D%0AX-Injected:%201");
}

TEST(PrepareAddress, RejectsWhatIsNoHttpAddress) {
  for (const char* address :
       {"", "example.test/a", "ftp://example.test/a", "file:///etc/passwd", "http://",
        "http:///path", "http://example.test:99999/", "http://exa mple.test/", "mailto:a@b",
        "http:/http://example.test/", "http:/http://h\x99\x99ost/"}) {
    EXPECT_FALSE(PrepareAddress(address).has_value()) << address;
  }
}

}  // namespace
}  // namespace quellora
