#include "http/address_host.h"

#include <gtest/gtest.h>

#include <string>

namespace quellora {
namespace {

struct HostCase {
  std::string address;
  std::string host;
};

class AddressHostTable : public ::testing::TestWithParam<HostCase> {};

TEST_P(AddressHostTable, GivesTheLowerCaseHost) {
  EXPECT_EQ(AddressHost(GetParam().address), GetParam().host) << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddressHostTable,
    ::testing::Values(HostCase{"http://media.example/a.mp3", "media.example"},
                      HostCase{"https://User:pw@Media.Example:8443/a.mp3?x=1#f", "media.example"},
                      HostCase{"http://127.0.0.1:8730/tracks/1.json", "127.0.0.1"},
                      HostCase{"http://[::1]:8080/", "[::1]"},
                      HostCase{"HTTP://MEDIA.EXAMPLE/a b/\xC8\xFD.mp3", "media.example"},
                      HostCase{"", ""}, HostCase{"media.example/a.mp3", ""},
                      HostCase{"ftp://media.example/a.mp3", ""}, HostCase{"http://", ""},
                      HostCase{std::string("http://a\0b/", 11), ""}));

}  // namespace
}  // namespace quellora
