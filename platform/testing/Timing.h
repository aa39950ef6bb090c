// Real-time limits of tests: what the product must meet in a plain build; the sanitizer builds run many
// times slower, so their limits are wider by this factor.
#pragma once

namespace testing_support {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr int kSanitizerSlowdown = 10;
#else
inline constexpr int kSanitizerSlowdown = 1;
#endif

}  // namespace testing_support
