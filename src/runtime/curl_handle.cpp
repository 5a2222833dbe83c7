#include "runtime/curl_handle.h"

#include <mutex>

namespace quellora {

void CurlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlEasy::CurlEasy() noexcept : handle_(nullptr) {
  CurlGlobalInit();
  handle_ = curl_easy_init();
}

}  // namespace quellora
