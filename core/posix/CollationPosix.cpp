// The collation on a POSIX host: no locale there gives the system's Italian
// comparison, so the comparison and the sort key are the folding ones
// (letters A to Z folded, bytes compared unsigned).
#include <string>

#include "core/Collation.h"

int collateCompare(const char* a, const char* b) {
    return foldCompare(a, b);
}

std::string collateSortKey(const char* text) {
    return foldedKey(text);
}
