// What the reverse-list benchmark needs from its platform and its seam.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The largest resident memory of this process so far, in bytes; 0 when the
// platform cannot tell.
std::uint64_t peakMemoryBytes();

// A moment at which the builder drew its bar or a status line.
struct BenchMark {
    std::string text;
    std::chrono::steady_clock::time_point time;
};
const std::vector<BenchMark>& benchMarks();
