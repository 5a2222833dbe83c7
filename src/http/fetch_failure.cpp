#include "http/fetch_failure.h"

namespace quellora {

std::string_view FetchFailureMessage(FetchFailure failure) {
  switch (failure) {
    case FetchFailure::kLayerUnusable:  // 700 当前系统不支持WinHttp服务!
      return "700 \xB5\xB1\xC7\xB0\xCF\xB5\xCD\xB3\xB2\xBB\xD6\xA7\xB3\xD6WinHttp\xB7\xFE\xCE\xF1!";
    case FetchFailure::kBadAddress:  // 701 解析URL地址失败!
      return "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!";
    case FetchFailure::kSession:  // 702 创建WinHttp会话失败!
      return "702 \xB4\xB4\xBD\xA8WinHttp\xBB\xE1\xBB\xB0\xCA\xA7\xB0\xDC!";
    case FetchFailure::kConnection:  // 703 创建WinHttp连接失败!
      return "703 \xB4\xB4\xBD\xA8WinHttp\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC!";
    case FetchFailure::kRequest:  // 704 创建WinHttp请求失败!
      return "704 \xB4\xB4\xBD\xA8WinHttp\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
    case FetchFailure::kTimeouts:  // 705 设置超时时间失败!
      return "705 \xC9\xE8\xD6\xC3\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xCA\xA7\xB0\xDC!";
    case FetchFailure::kCredentials:  // 707 设置代理凭证失败!
      return "707 \xC9\xE8\xD6\xC3\xB4\xFA\xC0\xED\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!";
    case FetchFailure::kCookieOption:  // 708 禁止自动设置Cookies失败!
      return "708 \xBD\xFB\xD6\xB9\xD7\xD4\xB6\xAF\xC9\xE8\xD6\xC3"
             "Cookies\xCA\xA7\xB0\xDC!";
    case FetchFailure::kRedirectOption:  // 709 重定向设置失败!
      return "709 \xD6\xD8\xB6\xA8\xCF\xF2\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC!";
    case FetchFailure::kHeaders:  // 710 设置协议头失败!
      return "710 \xC9\xE8\xD6\xC3\xD0\xAD\xD2\xE9\xCD\xB7\xCA\xA7\xB0\xDC!";
    case FetchFailure::kSend:  // 711 发送请求失败!
      return "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
    case FetchFailure::kNoResponse:  // 712 服务器未响应!
      return "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!";
    case FetchFailure::kBodyRead:  // 713 读取数据失败!
      return "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!";
    case FetchFailure::kTooLarge:  // 714 返回数据超过上限!
      return "714 \xB7\xB5\xBB\xD8\xCA\xFD\xBE\xDD\xB3\xAC\xB9\xFD\xC9\xCF\xCF\xDE!";
    case FetchFailure::kInterrupted:  // 715 传输已中断!
      return "715 \xB4\xAB\xCA\xE4\xD2\xD1\xD6\xD0\xB6\xCF!";
  }
  return {};
}

}  // namespace quellora
