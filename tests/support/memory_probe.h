// Memory figures for tests that bound how much a transfer holds.
#pragma once

namespace quellora::testing {

/// True when this test binary runs under AddressSanitizer, whose shadow memory and quarantine
/// inflate every resident-memory figure; bounds on those figures hold only without it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

/// This process's resident memory now, in bytes (from /proc/self/statm); 0 when unknown.
long ResidentBytes();

}  // namespace quellora::testing
