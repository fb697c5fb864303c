// One language block of the language list: the language line split into its
// four fields, and the names of the FROM and TO wordlists. Filled by the
// language list, read by the builder and the settings file.
#pragma once

#include <string>

struct LanguageEntry {
    // Fields 1 to 3, which go into kelmo.ini unchanged; the first with any
    // commas that stood before it on the line.
    std::string keptFields[3];
    std::string displayName;  // field 4
    std::string fromName;
    std::string toName;
};
