// Test programs built for Windows: the most memory the process has held so far (its peak
// working set), in kilobytes as getrusage gives it on Linux.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#define RUSAGE_SELF 0

struct rusage {
  long ru_maxrss;
};

inline int getrusage(int /*who*/, struct rusage* usage) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  usage->ru_maxrss = static_cast<long>(counters.PeakWorkingSetSize / 1024);
  return 0;
}
