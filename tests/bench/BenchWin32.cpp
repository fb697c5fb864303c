// The benchmark's platform on Windows: the peak working set and the
// process's times.
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

double processorSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    auto seconds = [](const FILETIME& time) {
        return ((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}
