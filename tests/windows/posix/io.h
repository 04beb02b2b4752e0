// Test programs built for Windows: MinGW's io.h, which serves for unistd.h there, and a pipe
// from the C runtime, binary as POSIX pipes are.
#pragma once

#include_next <io.h>
// After io.h.
#include <fcntl.h>

inline int pipe(int ends[2]) {
  return _pipe(ends, 1 << 16, _O_BINARY);
}
