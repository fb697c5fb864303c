// The comparison of names on a POSIX host: Windows names, compared as
// foldedName spells them.
#include <string>

#include "core/PathText.h"

bool pathEquals(const std::string& a, const std::string& b) {
    return foldedName(a) == foldedName(b);
}
