// Test programs built for Windows: MinGW's sys/stat.h, and mkfifo, which Windows has no
// counterpart of, failing as an unsupported call. The tests that make FIFOs are left out of
// the Windows run (tests/windows/excluded_tests.cmake).
#pragma once

#include_next <sys/stat.h>
// After sys/stat.h.
#include <cerrno>

inline int mkfifo(const char* /*path*/, int /*mode*/) {
  errno = ENOSYS;
  return -1;
}
