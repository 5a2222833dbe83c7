#include "http/fetch_failure.h"

#include <gtest/gtest.h>

#include "runtime/codepage.h"

namespace quellora {
namespace {

struct MessageCase {
  FetchFailure failure;
  const char* utf8;
};

class FetchFailureMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(FetchFailureMessageTest, IsTheNumberedMessageInTheProgramCodePage) {
  EXPECT_EQ(FetchFailureMessage(GetParam().failure), FromUtf8(GetParam().utf8));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FetchFailureMessageTest,
    ::testing::Values(MessageCase{FetchFailure::kLayerUnusable, "700 当前系统不支持WinHttp服务!"},
                      MessageCase{FetchFailure::kBadAddress, "701 解析URL地址失败!"},
                      MessageCase{FetchFailure::kSession, "702 创建WinHttp会话失败!"},
                      MessageCase{FetchFailure::kConnection, "703 创建WinHttp连接失败!"},
                      MessageCase{FetchFailure::kRequest, "704 创建WinHttp请求失败!"},
                      MessageCase{FetchFailure::kTimeouts, "705 设置超时时间失败!"},
                      MessageCase{FetchFailure::kCredentials, "707 设置代理凭证失败!"},
                      MessageCase{FetchFailure::kCookieOption, "708 禁止自动设置Cookies失败!"},
                      MessageCase{FetchFailure::kRedirectOption, "709 重定向设置失败!"},
                      MessageCase{FetchFailure::kHeaders, "710 设置协议头失败!"},
                      MessageCase{FetchFailure::kSend, "711 发送请求失败!"},
                      MessageCase{FetchFailure::kNoResponse, "712 服务器未响应!"},
                      MessageCase{FetchFailure::kBodyRead, "713 读取数据失败!"},
                      MessageCase{FetchFailure::kTooLarge, "714 返回数据超过上限!"},
                      MessageCase{FetchFailure::kInterrupted, "715 传输已中断!"}));

}  // namespace
}  // namespace quellora
