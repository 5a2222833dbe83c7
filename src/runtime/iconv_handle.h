// Move-only owner of an iconv conversion descriptor.
#pragma once

#include <iconv.h>

#include <string>
#include <utility>

namespace quellora {

class IconvHandle {
 public:
  /// No converter: valid() is false.
  IconvHandle() noexcept : cd_(Invalid()) {}
  /// Opens a converter from one character set to another; valid() tells whether iconv knew both.
  IconvHandle(const std::string& to, const std::string& from) noexcept
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  IconvHandle(IconvHandle&& other) noexcept : cd_(std::exchange(other.cd_, Invalid())) {}
  IconvHandle& operator=(IconvHandle&& other) noexcept {
    if (this != &other) {
      Close();
      cd_ = std::exchange(other.cd_, Invalid());
    }
    return *this;
  }
  ~IconvHandle() { Close(); }

  bool valid() const noexcept { return cd_ != Invalid(); }
  iconv_t get() const noexcept { return cd_; }

 private:
  static iconv_t Invalid() noexcept { return reinterpret_cast<iconv_t>(-1); }
  void Close() noexcept {
    if (valid()) iconv_close(cd_);
    cd_ = Invalid();
  }

  iconv_t cd_;
};

}  // namespace quellora
