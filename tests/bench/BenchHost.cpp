// The benchmark's platform on a POSIX host: no collation locale exists, so
// the collation is the folding comparison, names are compared by
// foldedName, and memory and processor time come from getrusage.
#include <sys/resource.h>

#include <string>

#include "core/Collation.h"
#include "core/PathText.h"
#include "tests/bench/Bench.h"

bool selectCollation(const char* localeName) {
    return localeName == nullptr;
}

bool collationSelected() {
    return false;
}

int collateCompare(const char* a, const char* b) {
    return foldCompare(a, b);
}

std::string collateSortKey(const char* text) {
    return foldedKey(text);
}

bool pathEquals(const std::string& a, const std::string& b) {
    return foldedName(a) == foldedName(b);
}

double processorSeconds() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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
