// The benchmark's platform on a POSIX host: no collation locale exists, so
// the collation is the folding comparison, and memory comes from getrusage.
#include <sys/resource.h>

#include <string>

#include "base/Collation.h"
#include "tests/bench/Bench.h"

bool selectCollation(const char*) {
    return false;
}

int collateCompare(const char* a, const char* b) {
    return foldCompare(a, b);
}

std::string collateSortKey(const char* text) {
    return foldedKey(text);
}

std::uint64_t peakMemoryBytes() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
#ifdef __APPLE__
    return static_cast<std::uint64_t>(usage.ru_maxrss);
#else
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
#endif
}
