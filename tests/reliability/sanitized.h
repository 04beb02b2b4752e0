// MARBLESET_SANITIZED is 1 in a build under AddressSanitizer, ThreadSanitizer or
// UndefinedBehaviorSanitizer. They make every cell access several times slower and memory
// figures meaningless, so the largest sizes shrink under them and memory bounds are not checked.
#pragma once

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MARBLESET_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(undefined_behavior_sanitizer)
#define MARBLESET_SANITIZED 1
#endif
#endif
#ifndef MARBLESET_SANITIZED
#define MARBLESET_SANITIZED 0
#endif
