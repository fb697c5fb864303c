// Paths compared as the file system compares names: the system's ordinal
// comparison of their UTF-16 with case ignored, so that no byte of a
// character is ever folded as if it were an ASCII letter.
#include <windows.h>

#include "core/PathText.h"
#include "core/WideText.h"

bool pathEquals(const std::string& a, const std::string& b) {
    const std::wstring wideA = toWide(a), wideB = toWide(b);
    return CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                                static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}
