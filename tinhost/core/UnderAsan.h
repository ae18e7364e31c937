// TINHOST_UNDER_ASAN: 1 when built with AddressSanitizer.  The host's own
// allocators then hand out a heap block per request, so that the checker
// sees each block's bounds and lifetime.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define TINHOST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TINHOST_UNDER_ASAN 1
#endif
#endif
#ifndef TINHOST_UNDER_ASAN
#define TINHOST_UNDER_ASAN 0
#endif
