// Tests that lower the process's address-space limit to make a large allocation fail for real
// cannot run under AddressSanitizer or ThreadSanitizer, whose shadow memory needs more address
// space than any such limit leaves. They ask this flag and skip.
#pragma once

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kAddressSpaceLimitsWork = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kAddressSpaceLimitsWork = false;
#else
inline constexpr bool kAddressSpaceLimitsWork = true;
#endif
#else
inline constexpr bool kAddressSpaceLimitsWork = true;
#endif
