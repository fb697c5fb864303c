// The benchmark's platform on Windows: the peak working set.
#include <windows.h>
#include <psapi.h>

#include "tests/bench/Bench.h"

std::uint64_t peakMemoryBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.PeakWorkingSetSize;
}
