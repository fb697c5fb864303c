// How two versions of the dictionary compare: the one a setup script
// carries and the one its Apps & Features entry shows.
#pragma once

#include <string>

enum class VersionOrder { Older, Same, Newer };

// How version a stands to version b. Two versions of dotted numbers
// ("1.2.10") compare number by number, a missing number counting as 0, so
// that 1.2.10 is newer than 1.2.9 and 1.2 the same as 1.2.0; any number of
// digits is taken. Any other text compares byte by byte, and only the
// very same text is the same version.
VersionOrder compareVersions(const std::string& a, const std::string& b);
