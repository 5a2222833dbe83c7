#include "runtime/retry_after.h"

#include <locale.h>
#include <time.h>

#include <limits>
#include <string>

namespace quellora {
namespace {

using std::chrono::seconds;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view value) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  return value;
}

std::optional<seconds> DeltaSeconds(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  constexpr seconds::rep kMax = std::numeric_limits<seconds::rep>::max();
  seconds::rep total = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    const int digit = c - '0';
    total = total > (kMax - digit) / 10 ? kMax : total * 10 + digit;
  }
  return seconds(total);
}

// The "C" locale for the duration of a scope on this thread, so that day and month names are
// the English ones whatever the program's locale is.
class ScopedCLocale {
 public:
  ScopedCLocale() : locale_(newlocale(LC_ALL_MASK, "C", locale_t())) {
    if (locale_ != locale_t()) previous_ = uselocale(locale_);
  }
  ScopedCLocale(const ScopedCLocale&) = delete;
  ScopedCLocale& operator=(const ScopedCLocale&) = delete;
  ~ScopedCLocale() {
    if (locale_ == locale_t()) return;
    uselocale(previous_);
    freelocale(locale_);
  }
  bool ok() const { return locale_ != locale_t(); }

 private:
  locale_t locale_;
  locale_t previous_ = locale_t();
};

// The date as seconds since the epoch (UTC); nullopt when it is in none of the three forms or
// names a day that does not exist (31 Feb).
std::optional<time_t> HttpDate(const std::string& text) {
  static constexpr const char* kForms[] = {
      "%a, %d %b %Y %H:%M:%S GMT",  // IMF-fixdate
      "%A, %d-%b-%y %H:%M:%S GMT",  // obsolete RFC 850 form
      "%a %b %e %H:%M:%S %Y",       // obsolete asctime form
  };
  ScopedCLocale cLocale;
  if (!cLocale.ok()) return std::nullopt;
  for (const char* form : kForms) {
    struct tm parts {};
    const char* end = strptime(text.c_str(), form, &parts);
    if (end == nullptr || *end != '\0') continue;
    const int day = parts.tm_mday;
    const int month = parts.tm_mon;
    const time_t when = timegm(&parts);
    if (when == static_cast<time_t>(-1)) continue;
    // timegm carries 31 Feb over into March; such a date is not a date.
    if (parts.tm_mday != day || parts.tm_mon != month) continue;
    return when;
  }
  return std::nullopt;
}

}  // namespace

std::optional<seconds> ParseRetryAfter(std::string_view value,
                                       std::chrono::system_clock::time_point now) {
  value = Trim(value);
  if (value.empty() || value.find('\0') != std::string_view::npos) return std::nullopt;
  if (value.front() >= '0' && value.front() <= '9') return DeltaSeconds(value);
  const std::optional<time_t> date = HttpDate(std::string(value));
  if (!date) return std::nullopt;
  const auto when = std::chrono::system_clock::from_time_t(*date);
  if (when <= now) return seconds(0);
  return std::chrono::ceil<seconds>(when - now);
}

}  // namespace quellora
