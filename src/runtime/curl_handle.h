// Move-only owners of libcurl's handle kinds: easy handles, header lists and URL handles.
// CurlGlobalInit() must have run once before the first easy handle is made; the constructors
// here call it themselves, so callers need not.
#pragma once

#include <curl/curl.h>

#include <utility>

namespace quellora {

/// Runs curl_global_init once per process (thread-safe).
void CurlGlobalInit();

/// Owns a CURL easy handle.
class CurlEasy {
 public:
  CurlEasy() noexcept;
  CurlEasy(const CurlEasy&) = delete;
  CurlEasy& operator=(const CurlEasy&) = delete;
  CurlEasy(CurlEasy&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  CurlEasy& operator=(CurlEasy&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~CurlEasy() { Reset(); }

  CURL* get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }

 private:
  void Reset() noexcept {
    if (handle_ != nullptr) curl_easy_cleanup(handle_);
    handle_ = nullptr;
  }
  CURL* handle_;
};

/// Owns a curl_slist (a list of header lines).
class CurlHeaderList {
 public:
  CurlHeaderList() noexcept = default;
  CurlHeaderList(const CurlHeaderList&) = delete;
  CurlHeaderList& operator=(const CurlHeaderList&) = delete;
  CurlHeaderList(CurlHeaderList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
  CurlHeaderList& operator=(CurlHeaderList&& other) noexcept {
    if (this != &other) {
      curl_slist_free_all(list_);
      list_ = std::exchange(other.list_, nullptr);
    }
    return *this;
  }
  ~CurlHeaderList() { curl_slist_free_all(list_); }

  /// Appends one line; false when out of memory (the list stays as it was).
  bool Append(const char* line) noexcept {
    curl_slist* grown = curl_slist_append(list_, line);
    if (grown == nullptr) return false;
    list_ = grown;
    return true;
  }
  curl_slist* get() const noexcept { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

/// Owns a CURLU handle of libcurl's URL API.
class CurlUrl {
 public:
  CurlUrl() noexcept : handle_(curl_url()) {}
  CurlUrl(const CurlUrl&) = delete;
  CurlUrl& operator=(const CurlUrl&) = delete;
  CurlUrl(CurlUrl&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  CurlUrl& operator=(CurlUrl&& other) noexcept {
    if (this != &other) {
      curl_url_cleanup(handle_);
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~CurlUrl() { curl_url_cleanup(handle_); }

  CURLU* get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }

 private:
  CURLU* handle_;
};

/// Owns a string that libcurl allocated (curl_url_get, curl_easy_escape): freed with curl_free.
class CurlString {
 public:
  CurlString() noexcept = default;
  CurlString(const CurlString&) = delete;
  CurlString& operator=(const CurlString&) = delete;
  ~CurlString() { curl_free(text_); }

  /// The address to hand to libcurl as an output argument. Frees any earlier string first.
  char** out() noexcept {
    curl_free(text_);
    text_ = nullptr;
    return &text_;
  }
  const char* get() const noexcept { return text_; }

 private:
  char* text_ = nullptr;
};

}  // namespace quellora
