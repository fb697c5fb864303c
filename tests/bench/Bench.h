// What the reverse-list benchmark needs from its platform and its seam.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The largest resident memory of this process so far, in bytes; 0 when the
// platform cannot tell.
std::uint64_t peakMemoryBytes();

// The processor time (user and system) this process has used so far, in
// seconds: next to the wall time, a figure that other work on the machine
// disturbs less.
double processorSeconds();

// A moment at which the builder drew its bar or a status line.
struct BenchMark {
    std::string text;
    std::chrono::steady_clock::time_point time;
};
const std::vector<BenchMark>& benchMarks();
// The builder's painting keeps its moments in benchMarks from now on.
void keepBenchMarks();
